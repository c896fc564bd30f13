#include "QtSerialPort.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSerialPortInfo>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString systemError(int code) { return QString::fromLocal8Bit(std::strerror(code)); }

// Who holds the port by the old UUCP convention that other serial programs (and Qt) follow:
// LCK..ttyUSB0 holding the process number.
QString uucpHolder(const QString& device)
{
    QString name = device.startsWith("/dev/") ? device.mid(5) : QFileInfo(device).fileName();
    name.replace('/', '_');
    for (const char* folder : {"/var/lock", "/run/lock", "/var/spool/locks", "/var/spool/uucp"}) {
        QFile file(QString::fromLatin1(folder) + "/LCK.." + name);
        if (!file.open(QIODevice::ReadOnly))
            continue;
        bool ok = false;
        const qint64 pid = QString::fromLatin1(file.read(64)).simplified().section(' ', 0, 0).toLongLong(&ok);
        if (ok && pid > 0 && pid != ::getpid())
            return DeviceLock::describeProcess(pid);
    }
    return {};
}

}  // namespace

QtSerialPort::QtSerialPort(QString lockFolder) : lock_(std::move(lockFolder)) {}

bool QtSerialPort::fail(Failure why, const QString& text)
{
    failure_ = why;
    error_ = text;
    return false;
}

// The device behind `path` (links resolved anew each time), readable, writable and claimed.
bool QtSerialPort::claim(const QString& path, QString& device)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat st {};
    if (path.isEmpty() || ::stat(name.constData(), &st) != 0)
        return fail(errno == EACCES ? Failure::PermissionDenied : Failure::NoDevice, systemError(errno));
    if (!S_ISCHR(st.st_mode))
        return fail(Failure::NoDevice, systemError(ENOTTY));
    if (::access(name.constData(), R_OK | W_OK) != 0)
        return fail(errno == EACCES || errno == EPERM ? Failure::PermissionDenied : Failure::Other, systemError(errno));
    if (!lock_.acquire(st.st_rdev)) {
        holder_ = lock_.holder();
        return fail(Failure::InUse, systemError(EBUSY));
    }
    device = QFileInfo(path).canonicalFilePath();
    return true;
}

bool QtSerialPort::open(const QString& path)
{
    close();
    error_.clear();
    holder_.clear();
    failure_ = Failure::None;
    QString device;
    if (!claim(path, device))
        return false;
    port_.setPortName(device);
    port_.setBaudRate(QSerialPort::Baud9600);
    port_.setDataBits(QSerialPort::Data8);
    port_.setParity(QSerialPort::NoParity);
    port_.setStopBits(QSerialPort::OneStop);
    port_.setFlowControl(QSerialPort::NoFlowControl);
    if (!port_.open(QIODevice::ReadWrite)) {
        const QSerialPort::SerialPortError error = port_.error();
        lock_.release();
        holder_ = uucpHolder(device);
        if (!holder_.isEmpty() || error == QSerialPort::OpenError)
            return fail(Failure::InUse, port_.errorString());
        if (error == QSerialPort::PermissionError)
            return fail(Failure::PermissionDenied, port_.errorString());
        return fail(error == QSerialPort::DeviceNotFoundError ? Failure::NoDevice : Failure::Other, port_.errorString());
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
    lock_.release();
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

// The stable names of USB adapters come along with the system's own; the caller orders them.
QStringList QtSerialPort::availablePorts() const
{
    QStringList out;
    for (const QFileInfo& link : QDir(kByIdFolder).entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot))
        out << link.absoluteFilePath();
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        out << info.systemLocation();
    return out;
}

QString QtSerialPort::errorString() const { return error_; }

int QtSerialPort::descriptor() const { return port_.isOpen() ? int(port_.handle()) : -1; }
