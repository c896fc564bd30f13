#pragma once
#include "SerialPort.h"

#include <QSerialPort>

// The serial line through Qt Serial Port. Reads and writes do not wait: the control cycle and
// the polling pass run on the user-interface thread.
class QtSerialPort : public SerialPort {
public:
    static constexpr int kDrainMs = 200;  // a batch takes about 110 ms on the line

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

private:
    QSerialPort port_;
    QString error_;
};
