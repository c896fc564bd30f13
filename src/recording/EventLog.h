#pragma once
#include "KilnState.h"
#include "Texts.h"

class QPlainTextEdit;
class QTimer;

// The firing's diary: entries stamped with the kiln clock and the time since the recording
// began, shown in the Log tab and mirrored to Data/lastlog.txt five seconds after the
// latest entry.
class EventLog : public EventLogWriter {
public:
    static constexpr int kMirrorDelayMs = 5000;

    EventLog(KilnState& state, const MessageSource& texts, QPlainTextEdit* memo, QTimer* mirrorTimer);

    void TLogX(const QString& text) override;
    void TLogLS(const QString& key, const QString& value) override;
    // The three opening entries: version, program folder, interface.
    void TLogStart();
    // Writes the whole log to Data/lastlog.txt and stops the mirror timer. Throws
    // std::runtime_error when the file cannot be written; the timer then stays on.
    void TLogTimerTimer();
    // Writes the whole log to a file: every line followed by CR LF, then an empty line;
    // UTF-8 without a byte-order mark, for people reading it with any tool. Throws
    // std::runtime_error when the file cannot be written.
    void writeCopy(const QString& path) const;

    static QString TimeStampStr(double t);
    QString entryPrefix() const;
    QString mirrorPath() const;
    QStringList lines() const;
    void clear();

private:
    KilnState& state_;
    const MessageSource& texts_;
    QPlainTextEdit* memo_;
    QTimer* timer_;
};
