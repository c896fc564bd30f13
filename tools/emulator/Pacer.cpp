#include "Pacer.h"

#include <algorithm>
#include <utility>

Pacer::Pacer(bool paced, std::function<void(const QByteArray&)> line, QObject* parent)
    : QObject(parent), paced_(paced), line_(std::move(line))
{
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(2);
    connect(&timer_, &QTimer::timeout, this, &Pacer::drain);
}

void Pacer::send(const QByteArray& bytes)
{
    if (!paced_) {
        line_(bytes);
        return;
    }
    queue_ += bytes;
    if (!timer_.isActive()) {
        busySince_.start();
        sentSinceBusy_ = 0;
        timer_.start();
        drain();
    }
}

// The first byte of a burst goes at once; each further one when the line has had the time
// to carry the bytes before it.
void Pacer::drain()
{
    const qint64 due = qint64(busySince_.nsecsElapsed() * 1e-9 * kBytesPerSecond) + 1 - sentSinceBusy_;
    const qsizetype count = std::min<qsizetype>(std::max<qint64>(due, 0), queue_.size());
    if (count > 0) {
        line_(queue_.left(count));
        queue_.remove(0, count);
        sentSinceBusy_ += count;
    }
    if (queue_.isEmpty())
        timer_.stop();
}
