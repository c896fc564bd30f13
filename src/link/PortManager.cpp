#include "PortManager.h"

#include "SerialPort.h"
#include "Services.h"

#include <QPushButton>
#include <QTabWidget>
#include <QTimer>

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

bool PortManager::PortIsOpen() const { return port_.isOpen(); }

bool PortManager::PortAvailable() const { return port_.exists(name_); }

void PortManager::PortOpen()
{
    if (name_.isEmpty())
        PortChangeNumber();  // opens the chosen port itself
    else if (!port_.open(name_))
        throw PortError((texts_.LS("CantOpenPort") + name_ + ": " + port_.errorString()).toStdString());
    port_.discardInput();
}

void PortManager::PortClose() { port_.close(); }

void PortManager::PortChangeNumber()
{
    name_.clear();
    const QString chosen = dialogs_.choosePort(
        "Select Port", {"The configured serial port is not valid.", "Please choose another port."},
        port_.availablePorts());
    if (chosen.isEmpty())
        throw PortError(texts_.LS("CantOpenPort").toStdString());
    name_ = chosen;
    PortOpen();
}

void PortManager::PortReopen()
{
    PortClose();
    try {
        PortOpen();
    } catch (const PortError&) {
        PortOpenError();
    }
}

bool PortManager::CheckPort()
{
    if (!state_.PortOk)
        return false;
    if (PortIsOpen() && PortAvailable())
        return true;
    PortOpenError();
    return false;
}

void PortManager::PortOpenError()
{
    if (!state_.PortOk)
        return;
    state_.PortOk = false;
    dialogs_.showMessage(texts_.LS("MBError"),
                         texts_.LS("CantOpenPort") + name_ + "\r\n" + texts_.LS("ChooseAnotherPort"));
    log_.TLogLS("LogPortOpenError", QString());
    if (view_.PageControl1)
        view_.PageControl1->setCurrentIndex(kLogPage);
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
    try {
        PortOpen();
        logOpened();
    } catch (const PortError&) {
        PortOpenError();
    }
    showPortCaption();
}

void PortManager::PortSelectClick()
{
    // No polling pass may run against a half-changed port.
    if (view_.HardwareTimer)
        view_.HardwareTimer->stop();
    if (view_.InterfaceTimer)
        view_.InterfaceTimer->stop();
    try {
        PortChangeNumber();
        state_.PortOk = true;
        logOpened();
    } catch (const PortError&) {
        PortOpenError();
    }
    showPortCaption();
    if (view_.InterfaceTimer)
        view_.InterfaceTimer->start();
    if (view_.HardwareTimer)
        view_.HardwareTimer->start();
}

QByteArray PortManager::PortReadString()
{
    QByteArray bytes;
    if (!port_.readWaiting(bytes)) {
        PortOpenError();
        return {};
    }
    return bytes;
}

bool PortManager::PortWrite(const QByteArray& bytes)
{
    if (port_.write(bytes))
        return true;
    PortOpenError();
    return false;
}

bool PortManager::PortReopenSilently()
{
    port_.close();
    if (name_.isEmpty() || !port_.open(name_))
        return false;
    port_.discardInput();
    state_.PortOk = true;
    return true;
}
