#include "MqttClient.h"

#include "KilnName.h"
#include "MqttCommand.h"

namespace {

// Long enough for "offline" to leave, short enough not to hold up a close.
constexpr int kCloseWaitMs = 3000;

}  // namespace

MqttClient::MqttClient(Log log, std::function<QString()> unit, QString swVersion, QObject* parent)
    : QObject(parent), log_(std::move(log)), unit_(std::move(unit)), swVersion_(std::move(swVersion))
{
}

MqttClient::~MqttClient() { closeSession(kCloseWaitMs); }

void MqttClient::closeSession(int waitMs)
{
    if (session_)
        session_->close(waitMs);
    session_.reset();
}

void MqttClient::apply(const MqttSettings& wanted)
{
    const MqttSettings next = wanted.normalized();
    std::vector<QString> clear;
    if (announced_) {
        const auto& [prefix, kiln] = *announced_;
        if (prefix != next.discoveryPrefix || KilnName::topicLevel(kiln) != KilnName::topicLevel(next.kilnName))
            clear = HomeAssistantDiscovery::topics(prefix, kiln);
    }
    // Not waited for here: the next session waits for its "offline" before saying "online",
    // even when it comes a moment after the program was switched off.
    if (session_)
        retired_ = session_;
    closeSession(0);
    settings_ = next;
    ++generation_;
    linkLog_ = MqttLinkLog();
    refused_.clear();
    if (!settings_.enabled)
        return;  // what was announced is cleared on the next connection
    announced_ = {settings_.discoveryPrefix, settings_.kilnName};
    discoveryUnit_ = unit_ ? unit_() : QString();
    const quint64 generation = generation_;
    MqttSession::Listener listener;
    listener.link = [this, generation](MqttLinkLog::Event event, const QString& detail) {
        QMetaObject::invokeMethod(this, [=, this] { linkEvent(generation, event, detail); }, Qt::QueuedConnection);
    };
    listener.command = [this, generation](const QByteArray& head, qsizetype size) {
        QMetaObject::invokeMethod(this, [=, this] { commandArrived(generation, head, size); }, Qt::QueuedConnection);
    };
    session_ = MqttSession::start(settings_, discovery(), std::move(clear), std::move(listener), retry_,
                                  std::exchange(retired_, nullptr));
}

std::vector<HomeAssistantDiscovery::Config> MqttClient::discovery() const
{
    return HomeAssistantDiscovery::configs(settings_.discoveryPrefix, settings_.kilnName, discoveryUnit_, swVersion_);
}

void MqttClient::cycleReported(const CycleReport& report)
{
    if (!session_)
        return;
    if (report.unit != discoveryUnit_) {
        discoveryUnit_ = report.unit;
        session_->setDiscovery(discovery());
    }
    session_->postState(report);
}

void MqttClient::eventLogged(const EventEntry& entry)
{
    if (session_)
        session_->postEvent(entry);
}

void MqttClient::linkEvent(quint64 generation, MqttLinkLog::Event event, const QString& detail)
{
    if (generation != generation_)
        return;
    const QString key = linkLog_.keyFor(event);
    if (!key.isEmpty())
        log_(key, detail);
}

void MqttClient::commandArrived(quint64 generation, const QByteArray& head, qsizetype size)
{
    if (generation != generation_)
        return;
    using Kind = MqttCommand::Kind;
    switch (MqttCommand::read(head, size)) {
    case Kind::Stop:
        if (!settings_.allowStop)
            return refuseOnce("LogMqttStopNotAllowed", QString());
        log_("LogMqttStop", QString());
        emit stopRequested();
        return;
    case Kind::Unknown: return refuseOnce("LogMqttUnknownCommand", MqttCommand::shown(head));
    case Kind::Garbage: return refuseOnce("LogMqttGarbageCommand", QString());
    case Kind::TooLarge: return refuseOnce("LogMqttLargeCommand", QString::number(size));
    }
}

void MqttClient::refuseOnce(const QString& key, const QString& value)
{
    if (refused_.insert(key).second)
        log_(key, value);
}
