#include "HistoryWriter.h"

#include "ElementWear.h"
#include "HistoryStore.h"

#include <QDir>
#include <algorithm>
#include <atomic>
#include <exception>

namespace {

QString connectionName() { return HistoryStore::newConnectionName("history-writer"); }

}  // namespace

HistoryWriter::HistoryWriter(const QString& path, Problem problem, std::function<void()> ended)
    : path_(path), problem_(std::move(problem)), ended_(std::move(ended)), thread_([this] { run(); })
{
}

HistoryWriter::~HistoryWriter()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void HistoryWriter::begin(const FiringFacts& facts, const FiringFigures& figures) { push(Begin{facts, figures, false}); }

void HistoryWriter::resume(const FiringFacts& facts, const FiringFigures& figures) { push(Begin{facts, figures, true}); }

void HistoryWriter::write(std::vector<CurvePoint> points, const FiringFigures& figures)
{
    push(Write{std::move(points), figures, Outcome::Open, {}});
}

void HistoryWriter::end(std::vector<CurvePoint> points, const FiringFigures& figures, Outcome outcome, const QString& cause)
{
    push(Write{std::move(points), figures, outcome, cause});
}

void HistoryWriter::push(Job job)
{
    {
        std::lock_guard lock(mutex_);
        jobs_.push_back(std::move(job));
    }
    wake_.notify_all();
}

void HistoryWriter::flush()
{
    std::unique_lock lock(mutex_);
    idle_.wait(lock, [this] { return jobs_.empty() && !busy_; });
}

void HistoryWriter::waitOpened()
{
    std::unique_lock lock(mutex_);
    idle_.wait(lock, [this] { return opened_; });
}

void HistoryWriter::run()
{
    open();
    std::unique_lock lock(mutex_);
    opened_ = true;
    idle_.notify_all();
    for (;;) {
        wake_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
        if (jobs_.empty() && stopping_)
            break;
        Job job = std::move(jobs_.front());
        jobs_.pop_front();
        busy_ = true;
        lock.unlock();
        std::visit([this](auto& j) { perform(j); }, job);
        lock.lock();
        busy_ = false;
        idle_.notify_all();
    }
    store_.reset();
}

void HistoryWriter::open()
{
    auto store = std::make_unique<HistoryStore>(path_, connectionName());
    try {
        QString movedTo;
        store->openForWriting(&movedTo);
        if (!movedTo.isEmpty())
            report("LogHistoryMovedAside", QDir::toNativeSeparators(movedTo));
        interrupted_ = store->interruptOpenFirings();
        store_ = std::move(store);
    } catch (const std::exception& e) {
        report("LogHistoryUnavailable", QString::fromUtf8(e.what()));
    }
}

void HistoryWriter::perform(Begin& job)
{
    if (!store_)
        return;
    try {
        before_ = {};
        secondsBefore_ = 0;
        if (job.resume && interrupted_ != 0) {
            if (const auto s = store_->summary(interrupted_)) {
                current_ = interrupted_;
                before_ = s->figures;
                // The curve goes on at the time the kiln clock says has passed since the start,
                // and after its last point whatever that clock did.
                const double sinceStart = s->figures.startKiln.msecsTo(job.figures.startKiln) / 1000.0;
                secondsBefore_ = std::max(s->figures.seconds + 1, sinceStart);
                store_->reopen(current_);
                interrupted_ = 0;
                told_ = false;
                return;
            }
        }
        interrupted_ = 0;
        current_ = store_->begin(job.facts, job.figures);
        told_ = false;
        const auto wear = ElementWear::of(store_->heatingRates(job.facts.kilnFile, job.facts.simulated));
        if (wear && wear->wearing)
            report("LogElementsWearing", QString());
    } catch (const std::exception& e) {
        current_ = 0;
        report("LogHistoryWriteFailed", QString::fromUtf8(e.what()));
    }
}

void HistoryWriter::perform(Write& job)
{
    if (!store_ || current_ == 0)
        return;
    for (CurvePoint& p : job.points)
        p.seconds += secondsBefore_;
    const FiringFigures figures = continued(before_, job.figures);
    try {
        store_->transaction([&] {
            store_->appendCurve(current_, job.points);
            store_->update(current_, figures, job.outcome, job.cause);
        });
        told_ = false;
    } catch (const std::exception& e) {
        // The batch is dropped: the firing goes on, and the next minute tries again.
        if (!told_)
            report("LogHistoryWriteFailed", QString::fromUtf8(e.what()));
        told_ = true;
    }
    if (job.outcome != Outcome::Open) {
        current_ = 0;
        if (ended_)
            ended_();
    }
}

void HistoryWriter::report(const QString& key, const QString& detail)
{
    if (problem_)
        problem_(key, detail);
}

FiringFigures HistoryWriter::continued(const FiringFigures& before, const FiringFigures& since)
{
    if (!before.startWall.isValid())
        return since;
    FiringFigures f = since;
    f.startWall = before.startWall;
    f.startKiln = before.startKiln;
    f.peak = std::max(before.peak, since.peak);
    f.seconds = before.seconds + since.seconds;
    f.energyKWh = before.energyKWh + since.energyKWh;
    f.cost = before.cost + since.cost;
    f.rampDeviation = std::max(before.rampDeviation, since.rampDeviation);
    f.holdDeviation = std::max(before.holdDeviation, since.holdDeviation);
    f.warnings = before.warnings;
    for (const QString& w : since.warnings)
        if (!f.warnings.contains(w))
            f.warnings << w;
    if (!f.heatingRate)
        f.heatingRate = before.heatingRate;
    return f;
}
