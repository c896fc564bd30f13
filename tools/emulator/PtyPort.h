#pragma once
#include <QByteArray>
#include <QObject>
#include <QString>

class QSocketNotifier;

// The controller's end of the serial line: the master side of a pseudo-terminal. The slave
// side is the device the program opens. It is kept open here as well, so that the line does
// not hang up while the program has the port closed.
class PtyPort : public QObject {
    Q_OBJECT
public:
    // Bytes not yet taken by the line beyond this are lost, as on a line nobody listens to.
    static constexpr qsizetype kMaxPending = 1 << 20;

    explicit PtyPort(QObject* parent = nullptr);
    ~PtyPort() override;

    // Empty on success, otherwise what failed.
    QString open();
    // Closes both sides: the program's device goes away, as an unplugged adapter does. Bytes
    // not yet written are lost. `open` makes a new device.
    void close();
    QString devicePath() const { return devicePath_; }
    void write(const QByteArray& bytes);

signals:
    void received(const QByteArray& bytes);

private:
    void readAvailable();
    void writePending();

    int master_ = -1;
    int slave_ = -1;
    QString devicePath_;
    QSocketNotifier* readNotifier_ = nullptr;
    QSocketNotifier* writeNotifier_ = nullptr;
    QByteArray pending_;
};
