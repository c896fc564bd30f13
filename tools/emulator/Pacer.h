#pragma once
#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <functional>

// Hands bytes to the line no faster than a 9600 baud 8N1 line carries them (ten bits a
// byte, about 1.04 ms), or at once when pacing is off.
class Pacer : public QObject {
public:
    static constexpr double kBytesPerSecond = 960;

    Pacer(bool paced, std::function<void(const QByteArray&)> line, QObject* parent = nullptr);

    void send(const QByteArray& bytes);
    qsizetype queued() const { return queue_.size(); }

private:
    void drain();

    bool paced_;
    std::function<void(const QByteArray&)> line_;
    QByteArray queue_;
    QTimer timer_;
    QElapsedTimer busySince_;  // when the line last started sending after being idle
    qint64 sentSinceBusy_ = 0;
};
