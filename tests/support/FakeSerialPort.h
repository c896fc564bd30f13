#pragma once
#include "FrameCodec.h"
#include "FrameCutter.h"
#include "SerialPort.h"

#include <QList>

// A serial port in memory: the test puts bytes in and reads what the program wrote.
class FakeSerialPort : public SerialPort {
public:
    bool openFails = false;
    bool present = true;
    bool readFails = false;
    bool writeFails = false;
    bool opened = false;
    int opens = 0;
    QString openedPath;
    QByteArray incoming;  // waiting to be read
    QByteArray written;
    QStringList ports = {"/dev/ttyS0", "/dev/ttyUSB0"};
    Failure openFailure = Failure::Other;  // why a failed open failed
    QString heldBy;

    bool open(const QString& path) override
    {
        ++opens;
        if (openFails)
            return false;
        opened = true;
        openedPath = path;
        return true;
    }
    void close() override { opened = false; }
    bool isOpen() const override { return opened; }
    bool exists(const QString& path) const override { return present && !path.isEmpty(); }
    bool readWaiting(QByteArray& bytes) override
    {
        if (readFails)
            return false;
        bytes = incoming;
        incoming.clear();
        return true;
    }
    bool write(const QByteArray& bytes) override
    {
        if (writeFails)
            return false;
        written += bytes;
        return true;
    }
    void discardInput() override { incoming.clear(); }
    QStringList availablePorts() const override { return ports; }
    QString errorString() const override { return "no such device"; }
    Failure failure() const override { return openFailure; }
    QString holder() const override { return heldBy; }

    // The controller answers: the payload goes onto the line framed.
    void reply(const QByteArray& payload, int start = 7) { incoming += BuildFrame(payload, start); }
    // The payloads of everything written so far, which is then forgotten.
    QList<QByteArray> takeRequests()
    {
        QList<QByteArray> out;
        while (std::optional<QByteArray> p = TakeFrame(written))
            out << *p;
        written.clear();
        return out;
    }
};
