#include "QtSerialPort.h"

#include <QFileInfo>
#include <QSerialPortInfo>

bool QtSerialPort::open(const QString& path)
{
    close();
    error_.clear();
    port_.setPortName(path);
    port_.setBaudRate(QSerialPort::Baud9600);
    port_.setDataBits(QSerialPort::Data8);
    port_.setParity(QSerialPort::NoParity);
    port_.setStopBits(QSerialPort::OneStop);
    port_.setFlowControl(QSerialPort::NoFlowControl);
    if (!port_.open(QIODevice::ReadWrite)) {
        error_ = port_.errorString();
        return false;
    }
    // A pseudo-terminal has no modem lines; failing to set them is no reason to give up.
    port_.setDataTerminalReady(false);
    port_.setRequestToSend(true);
    port_.clearError();
    return true;
}

void QtSerialPort::close()
{
    if (port_.isOpen())
        port_.close();
}

bool QtSerialPort::isOpen() const { return port_.isOpen(); }

bool QtSerialPort::exists(const QString& path) const { return !path.isEmpty() && QFileInfo::exists(path); }

bool QtSerialPort::readWaiting(QByteArray& bytes)
{
    bytes.clear();
    if (!port_.isOpen())
        return false;
    // Takes in what the device holds now; the timeout 0 never blocks.
    port_.waitForReadyRead(0);
    bytes = port_.readAll();
    if (port_.error() == QSerialPort::ResourceError || port_.error() == QSerialPort::ReadError) {
        error_ = port_.errorString();
        port_.clearError();
        return false;
    }
    return true;
}

bool QtSerialPort::write(const QByteArray& bytes)
{
    if (!port_.isOpen())
        return false;
    if (port_.write(bytes) != bytes.size()) {
        error_ = port_.errorString();
        return false;
    }
    port_.flush();
    // What the port could not take at once goes out before the next step (a close, say).
    if (port_.bytesToWrite() > 0)
        port_.waitForBytesWritten(kDrainMs);
    if (port_.error() == QSerialPort::ResourceError || port_.error() == QSerialPort::WriteError) {
        error_ = port_.errorString();
        port_.clearError();
        return false;
    }
    return true;
}

void QtSerialPort::discardInput()
{
    if (port_.isOpen())
        port_.clear(QSerialPort::Input);
}

QStringList QtSerialPort::availablePorts() const
{
    QStringList out;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        out << info.systemLocation();
    out.sort();
    return out;
}

QString QtSerialPort::errorString() const { return error_; }

int QtSerialPort::descriptor() const { return port_.isOpen() ? int(port_.handle()) : -1; }
