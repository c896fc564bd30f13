#pragma once
#include "DeviceLock.h"
#include "SerialPort.h"

#include <QSerialPort>

// The serial line through Qt Serial Port. Reads and writes do not wait: the control cycle and
// the polling pass run on the user-interface thread. An open claims the device itself for this
// program (see DeviceLock), so one controller never has two supervisors.
class QtSerialPort : public SerialPort {
public:
    static constexpr int kDrainMs = 200;  // a batch takes about 110 ms on the line
    static constexpr const char* kByIdFolder = "/dev/serial/by-id";

    explicit QtSerialPort(QString lockFolder = DeviceLock::defaultFolder());

    bool open(const QString& path) override;
    void close() override;
    bool isOpen() const override;
    bool exists(const QString& path) const override;
    bool readWaiting(QByteArray& bytes) override;
    bool write(const QByteArray& bytes) override;
    void discardInput() override;
    QStringList availablePorts() const override;
    QString errorString() const override;
    int descriptor() const override;
    Failure failure() const override { return failure_; }
    QString holder() const override { return holder_; }

private:
    bool fail(Failure why, const QString& text);
    bool claim(const QString& path, QString& device);

    QSerialPort port_;
    DeviceLock lock_;
    QString error_;
    Failure failure_ = Failure::None;
    QString holder_;
};
