#pragma once
#include "KilnState.h"
#include "Texts.h"

#include <QString>
#include <QStringList>
#include <stdexcept>

class Dialogs;
class QPushButton;
class QTabWidget;
class QTimer;
class SerialPort;

// A port that cannot be opened or used; its text is shown to the operator.
class PortError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct PortManagerView {
    QPushButton* PortSelect = nullptr;
    QTabWidget* PageControl1 = nullptr;  // page 4 is the log
    QTimer* HardwareTimer = nullptr;
    QTimer* InterfaceTimer = nullptr;
};

// Owns the serial port of the controller: which port it is, opening and closing it, whether
// it may be used now, the one report per loss of it, and trying it again while it is lost.
class PortManager {
public:
    static constexpr int kLogPage = 4;
    static constexpr const char* kByIdPrefix = "/dev/serial/by-id/";

    PortManager(KilnState& state, SerialPort& port, Dialogs& dialogs, const MessageSource& texts,
                EventLogWriter& log, PortManagerView view);

    // The configured port: a device path, empty for none.
    QString PortName() const { return name_; }
    void PortSetName(const QString& path) { name_ = path; }
    // A stored port number n stands for /dev/ttyS(n-1), as COMn does; 0 is no port.
    void PortSetNumber(int n);
    static QString nameOfNumber(int n);
    // The number a /dev/ttyS port goes by in older settings; 0 for any other device.
    static int numberOfName(const QString& path);
    // The picker's list: /dev/serial/by-id/ names first, then the others in natural order
    // (ttyS2 before ttyS10), each once, with the configured port among them even when it is gone.
    static QStringList pickerPorts(QStringList ports, const QString& configured);

    bool PortIsOpen() const;
    bool PortAvailable() const;
    // Opens the configured port (the picker first when there is none) and drops stale input.
    void PortOpen();
    void PortClose();
    // The operator picks a port when none is configured; Cancel leaves it as it was.
    void PortChangeNumber();
    // The control cycle's retry while the controller is silent: closes and opens the port
    // again. A port that cannot be opened is reported once, like any other loss of it.
    void PortReopen();
    // Once per control cycle: a lost port is tried again, its name resolved anew, without a
    // word until it is back (logged once).
    void PortRetry();
    // How often the port has been lost; a guardian started before the last loss holds a dead line.
    int LossCount() const { return losses_; }

    // Whether the port may be used now; reports it once when it may not.
    bool CheckPort();
    // Reports the loss once, naming its cause (the last failure of the port).
    void PortOpenError();
    void PortOpenTry();
    // The Port button: the picker, with the cycle and the heartbeat going on while it is open.
    void PortSelectClick();

    // The bytes waiting at the port; a read failure reports the port and gives nothing.
    QByteArray PortReadString();
    // Writes the bytes; false, with the port reported, when the write fails.
    bool PortWrite(const QByteArray& bytes);

    // Opens the configured port again without a box or the picker: the close's last way to
    // the controller after the port was lost. True when it is open and may be used.
    bool PortReopenSilently();

private:
    bool tryOpen();
    bool reopen();
    QString openFailure() const;
    QString choose();
    void lose(const QString& cause);
    void logOpened();
    void showPortCaption();

    KilnState& state_;
    SerialPort& port_;
    Dialogs& dialogs_;
    const MessageSource& texts_;
    EventLogWriter& log_;
    PortManagerView view_;
    QString name_;
    QString cause_;      // why the port cannot be used, in the operator's words
    bool lost_ = false;  // reported, and tried again every cycle until it is back
    int losses_ = 0;
};
