#include "CycleReport.h"

#include "KilnState.h"

#include <algorithm>
#include <exception>

bool CycleReport::firing() const { return programActive(state); }

CycleObservers::CycleObservers(std::function<void(const QString&, const QString&)> failed)
    : failed_(std::move(failed))
{
}

void CycleObservers::add(CycleObserver* observer)
{
    if (observer)
        entries_.push_back({observer, false});
}

void CycleObservers::remove(CycleObserver* observer)
{
    std::erase_if(entries_, [observer](const Entry& e) { return e.observer == observer; });
}

template <typename Call>
void CycleObservers::handOut(const Call& call)
{
    std::vector<std::pair<QString, QString>> failures;
    // An observer removed while handing out is not called; one added is called next time.
    const std::vector<Entry> now = entries_;
    for (const Entry& e : now) {
        if (e.failed)
            continue;
        QString what;
        try {
            call(*e.observer);
            continue;
        } catch (const std::exception& ex) {
            what = QString::fromUtf8(ex.what());
        } catch (...) {
            what = "unknown error";
        }
        for (Entry& mine : entries_)
            if (mine.observer == e.observer)
                mine.failed = true;
        failures.emplace_back(e.observer->observerName(), what);
    }
    for (const auto& [name, what] : failures)
        if (failed_)
            failed_(name, what);
}

void CycleObservers::reportCycle(const CycleReport& report)
{
    if (handingOut_)
        return;  // an observer cannot end a cycle
    handingOut_ = true;
    handOut([&report](CycleObserver& o) { o.cycleReported(report); });
    handingOut_ = false;
    reportPendingEvents();
}

void CycleObservers::reportEvent(const EventEntry& entry)
{
    pendingEvents_.push_back(entry);
    if (!handingOut_)
        reportPendingEvents();
}

void CycleObservers::reportPendingEvents()
{
    handingOut_ = true;
    while (!pendingEvents_.empty()) {
        const EventEntry next = pendingEvents_.front();
        pendingEvents_.erase(pendingEvents_.begin());
        handOut([&next](CycleObserver& o) { o.eventLogged(next); });
    }
    handingOut_ = false;
}
