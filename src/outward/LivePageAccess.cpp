#include "LivePageAccess.h"

#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <algorithm>

namespace {

qint64 steadyMs()
{
    static QElapsedTimer timer = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return timer.elapsed();
}

int waitAfter(int failures) { return failures >= 7 ? LivePageAccess::kMaxWaitSeconds : 1 << (failures - 1); }

}  // namespace

LivePageAccess::LivePageAccess(QString code, Clock clock)
    : code_(std::move(code)), clock_(clock ? std::move(clock) : Clock(steadyMs))
{
}

// Both sides hashed first, so that neither the length nor the first difference of the code
// shows in the time taken.
bool LivePageAccess::sameCode(const QString& a, const QString& b)
{
    const QByteArray x = QCryptographicHash::hash(a.toUtf8(), QCryptographicHash::Sha256);
    const QByteArray y = QCryptographicHash::hash(b.toUtf8(), QCryptographicHash::Sha256);
    unsigned char diff = 0;
    for (qsizetype i = 0; i < x.size(); ++i)
        diff |= static_cast<unsigned char>(x[i] ^ y[i]);
    return diff == 0;
}

LivePageAccess::Attempt LivePageAccess::tryCode(const QString& address, const QString& code)
{
    const qint64 now = clock_();
    Failures& f = failures_[address];
    if (now < f.until)
        return {Attempt::Wait, {}, int((f.until - now + 999) / 1000)};
    if (!sameCode(code, code_)) {
        ++f.count;
        const int wait = waitAfter(f.count);
        f.until = now + wait * 1000LL;
        forgetStaleAddresses(now);
        return {Attempt::Wrong, {}, wait};
    }
    failures_.remove(address);
    sessions_.push_back(newToken());
    if (sessions_.size() > std::size_t(kMaxSessions))
        sessions_.pop_front();
    return {Attempt::Granted, sessions_.back(), 0};
}

bool LivePageAccess::admits(const QByteArray& token) const
{
    if (token.isEmpty())
        return false;
    return std::find(sessions_.begin(), sessions_.end(), token) != sessions_.end();
}

QByteArray LivePageAccess::newToken()
{
    QByteArray raw(32, Qt::Uninitialized);
    QRandomGenerator::system()->fillRange(reinterpret_cast<quint32*>(raw.data()), raw.size() / 4);
    return raw.toHex();
}

// Many addresses trying codes must not grow the table without end: the ones whose wait has
// long passed are forgotten (their next wrong code starts at 1 s again), and past the limit
// the oldest waits go.
void LivePageAccess::forgetStaleAddresses(qint64 now)
{
    if (failures_.size() <= kMaxAddresses)
        return;
    for (auto it = failures_.begin(); it != failures_.end();)
        it = now - it->until > kMaxWaitSeconds * 2000LL ? failures_.erase(it) : std::next(it);
    while (failures_.size() > kMaxAddresses) {
        auto oldest = std::min_element(failures_.begin(), failures_.end(),
                                       [](const Failures& a, const Failures& b) { return a.until < b.until; });
        failures_.erase(oldest);
    }
}
