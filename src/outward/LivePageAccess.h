#pragma once
#include <QByteArray>
#include <QHash>
#include <QString>
#include <deque>
#include <functional>

// Who may read the live page when it is open to the network: a right access code gives a
// random session token; a wrong one makes that address wait before it may try again, 1 s after
// the first, then 2 s, 4 s ... up to 60 s. Codes are compared in constant time.
class LivePageAccess {
public:
    using Clock = std::function<qint64()>;  // milliseconds, steady

    // An empty code asks for none.
    explicit LivePageAccess(QString code, Clock clock = {});

    struct Attempt {
        enum Result { Granted, Wrong, Wait } result = Wrong;
        QByteArray token;  // Granted
        int waitSeconds = 0;  // Wrong: before the next try; Wait: still to wait
    };
    Attempt tryCode(const QString& address, const QString& code);
    bool admits(const QByteArray& token) const;
    bool asksForCode() const { return !code_.isEmpty(); }

    static constexpr int kMaxWaitSeconds = 60;
    static constexpr int kMaxSessions = 64;
    static constexpr int kMaxAddresses = 4096;
    static bool sameCode(const QString& a, const QString& b);

private:
    struct Failures {
        int count = 0;
        qint64 until = 0;
    };
    QByteArray newToken();
    void forgetStaleAddresses(qint64 now);

    QString code_;
    Clock clock_;
    QHash<QString, Failures> failures_;
    std::deque<QByteArray> sessions_;  // oldest first
};
