#pragma once
#include "KilnState.h"
#include "Texts.h"

#include <functional>
#include <optional>

class Clock;
class QPlainTextEdit;
class QTimer;

// The firing's diary: entries stamped with the kiln clock and the time since the recording
// began, shown in the Log tab and mirrored to Data/lastlog.txt once it has been quiet for five
// seconds, and at the latest 30 s after the oldest entry not yet in the file, so that entries
// every few seconds still reach it.
class EventLog : public EventLogWriter {
public:
    static constexpr int kMirrorDelayMs = 5000;
    static constexpr int kMirrorLatestMs = 30000;

    // Without a clock the latest-write deadline is measured on the system's monotonic clock.
    EventLog(KilnState& state, const MessageSource& texts, QPlainTextEdit* memo, QTimer* mirrorTimer,
             const Clock* clock = nullptr);

    void TLogX(const QString& text) override;
    void TLogLS(const QString& key, const QString& value) override;
    // The three opening entries: version, program folder, interface.
    void TLogStart();
    // Writes the whole log to Data/lastlog.txt and stops the mirror timer. Throws
    // std::runtime_error when the file cannot be written; the timer then stays on and tries
    // again five seconds later.
    void TLogTimerTimer();
    // Writes the whole log to a file: every line followed by CR LF, then an empty line;
    // UTF-8 without a byte-order mark, for people reading it with any tool. Throws
    // std::runtime_error when the file cannot be written.
    void writeCopy(const QString& path) const;

    // Told of every entry as it is written: its message key (empty for a composed text) and
    // its text without the time stamps.
    void setListener(std::function<void(const QString& key, const QString& text)> listener)
    {
        listener_ = std::move(listener);
    }

    static QString TimeStampStr(double t);
    QString entryPrefix() const;
    QString mirrorPath() const;
    QStringList lines() const;
    void clear();

private:
    void write(const QString& key, const QString& text);
    int mirrorDelayMs();
    double monotonicSeconds() const;

    KilnState& state_;
    const MessageSource& texts_;
    QPlainTextEdit* memo_;
    QTimer* timer_;
    const Clock* clock_;
    std::optional<double> unmirroredSince_;
    std::function<void(const QString&, const QString&)> listener_;  // monotonic seconds of the oldest entry not in the file
};
