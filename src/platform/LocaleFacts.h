#pragma once
#include <QChar>
#include <QString>

// The system's number and time conventions, read once from the system locale.
// Tests replace them to run under either decimal separator.
struct LocaleFacts {
    QChar decimalSeparator = '.';
    QChar thousandSeparator = ',';
    QChar timeSeparator = ':';
    QString longTimeFormat = "HH:mm:ss";  // Qt time format notation

    static LocaleFacts fromSystem();
    static const LocaleFacts& current();
    static void setCurrent(const LocaleFacts& facts);
};

// Restores the previous locale facts when it goes out of scope (used by tests).
class ScopedLocaleFacts {
public:
    explicit ScopedLocaleFacts(const LocaleFacts& facts);
    ~ScopedLocaleFacts();
    ScopedLocaleFacts(const ScopedLocaleFacts&) = delete;
    ScopedLocaleFacts& operator=(const ScopedLocaleFacts&) = delete;

private:
    LocaleFacts saved_;
};
