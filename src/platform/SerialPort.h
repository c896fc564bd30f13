#pragma once
#include <QByteArray>
#include <QString>
#include <QStringList>

// The serial line to the kiln controller: 9600 baud, 8 data bits, no parity, one stop bit,
// no flow control, DTR off and RTS on. A port is named by its device path ("/dev/ttyUSB0",
// or a pseudo-terminal such as the emulator's). Tests replace it.
class SerialPort {
public:
    // Why the last open failed, as far as the operator can act on it.
    enum class Failure { None, NoDevice, PermissionDenied, InUse, Other };

    virtual ~SerialPort() = default;
    // False when the port cannot be opened; errorString() then says why.
    virtual bool open(const QString& path) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    // Whether the device exists, whoever has it open.
    virtual bool exists(const QString& path) const = 0;
    // Every byte waiting now, without waiting for more. False on a read failure.
    virtual bool readWaiting(QByteArray& bytes) = 0;
    // False on a write failure.
    virtual bool write(const QByteArray& bytes) = 0;
    virtual void discardInput() = 0;
    // The serial ports the system knows of, by device path, with the /dev/serial/by-id/ names.
    virtual QStringList availablePorts() const = 0;
    virtual QString errorString() const = 0;
    // The open port's file descriptor, for a helper process that shares the line; -1 for none.
    virtual int descriptor() const { return -1; }
    virtual Failure failure() const { return Failure::Other; }
    // Who has the port when it is in use ("PID 1234 (fornaxel)"); empty when unknown.
    virtual QString holder() const { return {}; }
};
