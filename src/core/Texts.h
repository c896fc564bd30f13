#pragma once
#include <QString>

// Looks up an operator-visible text by its key.
class MessageSource {
public:
    virtual ~MessageSource() = default;
    virtual QString LS(const QString& key) const = 0;
};

// Where the event log entries go.
class EventLogWriter {
public:
    virtual ~EventLogWriter() = default;
    // An entry whose text is already composed.
    virtual void TLogX(const QString& text) = 0;
    // The key's text immediately followed by the value.
    virtual void TLogLS(const QString& key, const QString& value) = 0;
};
