#include "HistoryRecorder.h"

#include <QMetaObject>
#include <QPointer>

namespace {

// The entries that say an interrupted firing has been taken up again.
bool resumeEntry(const QString& key)
{
    static const QStringList keys = {"LogResumePaused", "LogResumeOnRamp", "LogResumeBeforeStart", "LogResumePastEnd",
                                     "LogResumeHold"};
    return keys.contains(key);
}

}  // namespace

HistoryRecorder::HistoryRecorder(const QString& path, Hooks hooks, std::chrono::milliseconds batch)
    : hooks_(std::move(hooks)), batch_(batch)
{
    // The writer's trouble reaches the log on this object's thread.
    QPointer<HistoryRecorder> self(this);
    const auto problem = [self](const QString& key, const QString& detail) {
        QMetaObject::invokeMethod(
            self.data(),
            [self, key, detail] {
                if (self && self->hooks_.log)
                    self->hooks_.log(key, detail);
            },
            Qt::QueuedConnection);
    };
    // Told once the writer has the firing's end on disk.
    const auto ended = [self] {
        QMetaObject::invokeMethod(
            self.data(),
            [self] {
                if (self)
                    emit self->firingRecorded();
            },
            Qt::QueuedConnection);
    };
    writer_ = std::make_unique<HistoryWriter>(path, problem, ended);
    // The firings a crash left open are settled before anything else looks at the file.
    writer_->waitOpened();
}

HistoryRecorder::~HistoryRecorder()
{
    // A firing still running when the window goes stays open: the next start calls it
    // Interrupted unless it is resumed. Its last points are kept.
    if (tally_ && !points_.empty())
        writer_->write(std::move(points_), tally_->figures());
}

void HistoryRecorder::cycleReported(const CycleReport& report)
{
    if (!tally_ && report.firing())
        start(report);
    if (!tally_)
        return;
    const QDateTime wall = hooks_.wallClock ? hooks_.wallClock() : QDateTime::currentDateTime();
    if (auto point = tally_->add(report, wall))
        points_.push_back(std::move(*point));
    if (!report.firing())
        finish(report);
    else
        handOffIfDue();
}

void HistoryRecorder::eventLogged(const EventEntry& entry)
{
    if (resumeEntry(entry.key))
        resumePending_ = true;
    if (tally_ && breakdownCause_.isEmpty() && entry.key.startsWith("LogBreakdown"))
        breakdownCause_ = entry.text;
}

void HistoryRecorder::start(const CycleReport& report)
{
    FiringFacts facts = hooks_.facts ? hooks_.facts() : FiringFacts{};
    facts.unit = report.unit;
    facts.simulated = report.simulated;
    if (facts.controller.isEmpty())
        facts.controller = report.controller;
    for (const ChannelReport& c : report.channels)
        facts.channelNames << (c.name.isEmpty() ? QString::number(c.channel) : c.name);
    tally_ = std::make_unique<FiringTally>();
    points_.clear();
    breakdownCause_.clear();
    lastHandOff_ = std::chrono::steady_clock::now();
    FiringFigures figures;
    figures.startWall = hooks_.wallClock ? hooks_.wallClock() : QDateTime::currentDateTime();
    figures.startKiln = report.time;
    if (resumePending_)
        writer_->resume(facts, figures);
    else
        writer_->begin(facts, figures);
    resumePending_ = false;
}

void HistoryRecorder::finish(const CycleReport& report)
{
    const Outcome outcome = outcomeOf(report.state);
    writer_->end(std::move(points_), tally_->figures(), outcome, outcome == Outcome::BreakDown ? breakdownCause_ : QString());
    points_.clear();
    tally_.reset();
}

void HistoryRecorder::handOffIfDue()
{
    const auto now = std::chrono::steady_clock::now();
    if (now - lastHandOff_ < batch_)
        return;
    lastHandOff_ = now;
    writer_->write(std::move(points_), tally_->figures());
    points_.clear();
}

void HistoryRecorder::flush()
{
    if (tally_ && !points_.empty()) {
        writer_->write(std::move(points_), tally_->figures());
        points_.clear();
    }
    writer_->flush();
}

Outcome HistoryRecorder::outcomeOf(int progState)
{
    switch (progState) {
    case 4: return Outcome::Finished;
    case 5: return Outcome::BreakDown;
    default: return Outcome::Stopped;
    }
}
