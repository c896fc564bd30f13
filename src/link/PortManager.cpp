#include "PortManager.h"

#include "SerialPort.h"
#include "Services.h"

#include <QPushButton>
#include <QTabWidget>
#include <algorithm>

PortManager::PortManager(KilnState& state, SerialPort& port, Dialogs& dialogs, const MessageSource& texts,
                         EventLogWriter& log, PortManagerView view)
    : state_(state), port_(port), dialogs_(dialogs), texts_(texts), log_(log), view_(view)
{
}

QString PortManager::nameOfNumber(int n) { return n > 0 ? "/dev/ttyS" + QString::number(n - 1) : QString(); }

int PortManager::numberOfName(const QString& path)
{
    static const QString prefix = "/dev/ttyS";
    bool ok = false;
    const int n = path.startsWith(prefix) ? path.mid(prefix.size()).toInt(&ok) : 0;
    return ok && n >= 0 ? n + 1 : 0;
}

void PortManager::PortSetNumber(int n) { name_ = nameOfNumber(n); }

namespace {

// Runs of digits compare by their value, so that ttyS2 comes before ttyS10.
bool naturallyBefore(const QString& a, const QString& b)
{
    qsizetype i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (a[i].isDigit() && b[j].isDigit()) {
            const qsizetype si = i, sj = j;
            while (i < a.size() && a[i].isDigit())
                ++i;
            while (j < b.size() && b[j].isDigit())
                ++j;
            QStringView da = QStringView(a).mid(si, i - si), db = QStringView(b).mid(sj, j - sj);
            while (da.size() > 1 && da.front() == u'0')
                da = da.mid(1);
            while (db.size() > 1 && db.front() == u'0')
                db = db.mid(1);
            if (da.size() != db.size())
                return da.size() < db.size();
            if (const int c = da.compare(db); c != 0)
                return c < 0;
            continue;
        }
        if (a[i] != b[j])
            return a[i] < b[j];
        ++i;
        ++j;
    }
    if ((a.size() - i) != (b.size() - j))
        return a.size() - i < b.size() - j;
    return a < b;
}

}  // namespace

QStringList PortManager::pickerPorts(QStringList ports, const QString& configured)
{
    if (!configured.isEmpty())
        ports << configured;
    ports.removeDuplicates();
    ports.removeAll(QString());
    std::stable_sort(ports.begin(), ports.end(), [&](const QString& a, const QString& b) {
        const bool aStable = a.startsWith(kByIdPrefix);
        const bool bStable = b.startsWith(kByIdPrefix);
        if (aStable != bStable)
            return aStable;
        return naturallyBefore(a, b);
    });
    return ports;
}

bool PortManager::PortIsOpen() const { return port_.isOpen(); }

bool PortManager::PortAvailable() const { return port_.exists(name_); }

QString PortManager::openFailure() const
{
    switch (port_.failure()) {
    case SerialPort::Failure::NoDevice: return texts_.LS("PortNoDevice");
    case SerialPort::Failure::PermissionDenied: return texts_.LS("PortPermissionDenied");
    case SerialPort::Failure::InUse:
        return texts_.LS("PortInUse") + (port_.holder().isEmpty() ? QString() : ": " + port_.holder());
    default: return port_.errorString();
    }
}

// Opens the configured port; false, with the cause noted, when it cannot be.
bool PortManager::tryOpen()
{
    if (port_.open(name_))
        return true;
    cause_ = openFailure();
    return false;
}

void PortManager::PortOpen()
{
    if (name_.isEmpty())
        PortChangeNumber();  // opens the chosen port itself
    else if (!tryOpen())
        throw PortError((texts_.LS("CantOpenPort") + name_ + ": " + cause_).toStdString());
    port_.discardInput();
}

void PortManager::PortClose() { port_.close(); }

QString PortManager::choose()
{
    return dialogs_.choosePort("Select Port", {"The configured serial port is not valid.", "Please choose another port."},
                               pickerPorts(port_.availablePorts(), name_), name_);
}

void PortManager::PortChangeNumber()
{
    const QString chosen = choose();
    if (chosen.isEmpty()) {
        cause_ = texts_.LS("ChooseAnotherPort");
        throw PortError(texts_.LS("CantOpenPort").toStdString());
    }
    name_ = chosen;
    PortOpen();
}

void PortManager::PortReopen()
{
    PortClose();
    if (tryOpen())
        port_.discardInput();
    else
        PortOpenError();
}

void PortManager::PortRetry()
{
    if (!lost_ || state_.PortOk || state_.simulated() || name_.isEmpty())
        return;
    // While the device is gone there is nothing to open; its name may come back any cycle.
    if (port_.exists(name_) && reopen())
        log_.TLogLS("LogPortBack", " " + name_);
}

// Closes and opens the configured port; true, with the port usable again, when it opened.
bool PortManager::reopen()
{
    PortClose();
    if (!tryOpen())
        return false;
    port_.discardInput();
    lost_ = false;
    state_.PortOk = true;
    return true;
}

bool PortManager::CheckPort()
{
    if (!state_.PortOk)
        return false;
    if (PortIsOpen() && PortAvailable())
        return true;
    lose(PortIsOpen() ? texts_.LS("PortNoDevice") : cause_);
    return false;
}

void PortManager::lose(const QString& cause)
{
    cause_ = cause;
    PortOpenError();
}

void PortManager::PortOpenError()
{
    if (!state_.PortOk)
        return;
    state_.PortOk = false;
    lost_ = true;
    ++losses_;
    if (cause_.isEmpty())
        cause_ = port_.errorString();
    log_.TLogLS("LogPortOpenError", " " + name_ + ": " + cause_);
    if (view_.PageControl1)
        view_.PageControl1->setCurrentIndex(kLogPage);
    // The box waits in a message loop of its own, in which the cycle goes on trying the port.
    dialogs_.showMessage(texts_.LS("MBError"),
                         texts_.LS("CantOpenPort") + name_ + ": " + cause_ + "\r\n" + texts_.LS("PortTriedAgain"));
}

void PortManager::logOpened() { log_.TLogLS("LogPort", " " + name_ + texts_.LS("LogPortOpen")); }

void PortManager::showPortCaption()
{
    if (view_.PortSelect)
        view_.PortSelect->setText(texts_.LS("Port") + name_);
}

void PortManager::PortOpenTry()
{
    state_.PortOk = true;
    cause_.clear();
    try {
        PortOpen();
        lost_ = false;
        logOpened();
    } catch (const PortError&) {
        PortOpenError();
    }
    showPortCaption();
}

// The cycle and the polling go on with the port in use while the picker is open; the change
// happens at once after it, so no polling pass meets a half-changed port.
void PortManager::PortSelectClick()
{
    const QString chosen = choose();
    if (chosen.isEmpty())
        return;  // Cancel: the configured port stays as it was
    if (chosen == name_ && state_.PortOk && PortIsOpen())
        return;
    PortClose();
    name_ = chosen;
    PortOpenTry();
}

QByteArray PortManager::PortReadString()
{
    QByteArray bytes;
    if (!port_.readWaiting(bytes)) {
        lose(texts_.LS("PortGone") + port_.errorString());
        return {};
    }
    return bytes;
}

bool PortManager::PortWrite(const QByteArray& bytes)
{
    if (port_.write(bytes))
        return true;
    lose(texts_.LS("PortGone") + port_.errorString());
    return false;
}

bool PortManager::PortReopenSilently() { return !name_.isEmpty() && reopen(); }
