#include "LivePage.h"

#include "LivePageServer.h"

#include <QJsonObject>
#include <QNetworkInterface>

namespace {

// The page's own texts in the window's language.
QJsonObject pageLabels(const MessageSource& t)
{
    return QJsonObject{
        {"set_point", t.LS("PageSetPoint")},     {"power", t.LS("PagePower")},
        {"line", t.LS("PageLine")},              {"end", t.LS("PageEnd")},
        {"left", t.LS("PageLeft")},              {"no_contact", t.LS("PageNoContact")},
        {"waiting", t.LS("PageWaiting")},        {"code_prompt", t.LS("PageCodePrompt")},
        {"code_enter", t.LS("PageCodeEnter")},   {"code_wrong", t.LS("PageCodeWrong")},
        {"code_wait", t.LS("PageCodeWait")},     {"kiln_temp", t.LS("PageKilnTemp")},
        {"hours", t.LS("PageHours")},            {"minutes", t.LS("PageMinutes")},
        {"energy", t.LS("PageEnergy")},          {"kwh", t.LS("PageKWh")},
    };
}

}  // namespace

static void initLivePageResources() { Q_INIT_RESOURCE(livepage); }

LivePage::LivePage(const MessageSource& texts) : texts_(texts), snapshot_(std::make_shared<LiveSnapshot>())
{
    initLivePageResources();
    thread_.setObjectName("LivePage");
    server_ = new LivePageServer(snapshot_);
    server_->moveToThread(&thread_);
    thread_.start();
}

LivePage::~LivePage()
{
    onServerThread([this] { server_->stop(); });
    thread_.quit();
    thread_.wait();
    delete server_;
}

template <class F>
void LivePage::onServerThread(F&& f)
{
    QMetaObject::invokeMethod(server_, std::forward<F>(f), Qt::BlockingQueuedConnection);
}

LivePage::Outcome LivePage::apply(const LivePageSettings& settings, const QString& kilnName)
{
    snapshot_->setKilnName(kilnName);
    refreshLabels();
    onServerThread([this] { server_->stop(); });
    outcome_ = Outcome{Outcome::Off, quint16(settings.port), {}};
    if (!settings.enabled)
        return outcome_;
    if (settings.openWithoutCode()) {
        outcome_.kind = Outcome::NoCode;
        return outcome_;
    }
    const QHostAddress address = settings.network ? networkAddress_ : QHostAddress(QHostAddress::LocalHost);
    const QString code = settings.network ? settings.code : QString();
    quint16 port = 0;
    onServerThread([&] { port = server_->start(address, quint16(settings.port), code); });
    if (port == 0) {
        outcome_.kind = Outcome::PortTaken;
        return outcome_;
    }
    outcome_ = Outcome{Outcome::Serving, port, addressToType(settings.network, port)};
    return outcome_;
}

void LivePage::cycleReported(const CycleReport& report)
{
    snapshot_->update(report);
    if (texts_.LS("PageSetPoint") != labelMark_)
        refreshLabels();
}

void LivePage::refreshLabels()
{
    labelMark_ = texts_.LS("PageSetPoint");
    snapshot_->setLabels(pageLabels(texts_));
}

// The address of a network card that is up, a real one before a virtual one (a container's
// bridge is no use to a phone).
QString LivePage::addressToType(bool network, quint16 port)
{
    QString host = "127.0.0.1";
    int best = 0;
    for (const QNetworkInterface& card : network ? QNetworkInterface::allInterfaces() : QList<QNetworkInterface>{}) {
        const auto flags = card.flags();
        if (!flags.testFlag(QNetworkInterface::IsUp) || !flags.testFlag(QNetworkInterface::IsRunning) ||
            flags.testFlag(QNetworkInterface::IsLoopBack))
            continue;
        const int rank = card.type() == QNetworkInterface::Virtual ? 1 : 2;
        for (const QNetworkAddressEntry& entry : card.addressEntries()) {
            const QHostAddress a = entry.ip();
            if (rank > best && a.protocol() == QAbstractSocket::IPv4Protocol && !a.isLoopback() && !a.isLinkLocal()) {
                host = a.toString();
                best = rank;
            }
        }
    }
    return QString("http://%1:%2/").arg(host).arg(port);
}
