#include "EventLog.h"

#include "DateTime.h"
#include "Services.h"
#include "TextCodec.h"

#include <QDir>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cmath>

EventLog::EventLog(KilnState& state, const MessageSource& texts, QPlainTextEdit* memo, QTimer* mirrorTimer,
                   const Clock* clock)
    : state_(state), texts_(texts), memo_(memo), timer_(mirrorTimer), clock_(clock)
{
}

double EventLog::monotonicSeconds() const
{
    if (clock_)
        return clock_->monotonicSeconds();
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Five quiet seconds gather a burst into one write, but never past the deadline of the
// oldest entry still waiting.
int EventLog::mirrorDelayMs()
{
    const double now = monotonicSeconds();
    if (!unmirroredSince_)
        unmirroredSince_ = now;
    const double left = kMirrorLatestMs - (now - *unmirroredSince_) * 1000;
    if (!(left < kMirrorDelayMs))
        return kMirrorDelayMs;
    return std::max(0, int(std::ceil(left)));
}

QString EventLog::TimeStampStr(double t) { return DateTime::stamp(t); }

QString EventLog::entryPrefix() const
{
    // Counted on the monotonic clock: a wall clock set back does not wrap it round.
    const QString elapsed =
        state_.RecordStart == 0 ? QString("00:00:00") : DateTime::hms(state_.recordElapsed());
    return TimeStampStr(state_.CycleTime) + " (" + elapsed + ") : ";
}

void EventLog::TLogX(const QString& text) { write(QString(), text); }

void EventLog::TLogLS(const QString& key, const QString& value) { write(key, texts_.LS(key) + value); }

void EventLog::write(const QString& key, const QString& text)
{
    QString entry = entryPrefix() + text;
    entry.replace("\r\n", "\n");
    entry.replace('\r', '\n');
    memo_->appendPlainText(entry);
    timer_->setInterval(mirrorDelayMs());
    timer_->start();
    if (listener_)
        listener_(key, text);
}

void EventLog::TLogStart()
{
    TLogX("Fornaxel v " + state_.AppVersion);
    TLogLS("LogWorkingFolder", state_.AppFolder);
    TLogLS("LogInterface", state_.deviceName());
}

QString EventLog::mirrorPath() const { return state_.AppFolder + "/Data/lastlog.txt"; }

QStringList EventLog::lines() const
{
    QStringList out;
    for (QTextBlock b = memo_->document()->begin(); b.isValid(); b = b.next())
        out << b.text();
    if (out.size() == 1 && out.front().isEmpty())
        out.clear();
    return out;
}

void EventLog::clear() { memo_->clear(); }

void EventLog::writeCopy(const QString& path) const
{
    QString text;
    for (const QString& line : lines())
        text += line + "\r\n";
    text += "\r\n";
    TextCodec::writeUtf8FileAtomic(path, text);
}

void EventLog::TLogTimerTimer()
{
    timer_->setInterval(kMirrorDelayMs);  // a failed write is tried again after the settle
    QDir().mkpath(state_.AppFolder + "/Data");  // a failure shows when the file is written
    writeCopy(mirrorPath());
    timer_->stop();
    unmirroredSince_.reset();
}
