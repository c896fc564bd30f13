#include "EventLog.h"

#include "DateTime.h"
#include "TextCodec.h"

#include <QDir>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTimer>

EventLog::EventLog(KilnState& state, const MessageSource& texts, QPlainTextEdit* memo, QTimer* mirrorTimer)
    : state_(state), texts_(texts), memo_(memo), timer_(mirrorTimer)
{
}

QString EventLog::TimeStampStr(double t) { return DateTime::stamp(t); }

QString EventLog::entryPrefix() const
{
    const QString elapsed =
        state_.RecordStart == 0 ? QString("00:00:00") : DateTime::hms(state_.CycleTime - state_.RecordStart);
    return TimeStampStr(state_.CycleTime) + " (" + elapsed + ") : ";
}

void EventLog::TLogX(const QString& text)
{
    QString entry = entryPrefix() + text;
    entry.replace("\r\n", "\n");
    entry.replace('\r', '\n');
    memo_->appendPlainText(entry);
    timer_->setInterval(kMirrorDelayMs);
    timer_->start();
}

void EventLog::TLogLS(const QString& key, const QString& value) { TLogX(texts_.LS(key) + value); }

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
    QDir().mkpath(state_.AppFolder + "/Data");  // a failure shows when the file is written
    writeCopy(mirrorPath());
    timer_->stop();
}
