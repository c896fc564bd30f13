#pragma once
#include <QDateTime>
#include <QString>
#include <functional>
#include <optional>
#include <vector>

// One thermocouple channel as the window shows it; no temperature without a valid reading.
struct ChannelReport {
    int channel = 0;
    QString name;
    std::optional<double> temp;
};

// A warning that stands at the end of a cycle: its message key and its text.
struct WarningReport {
    QString key;
    QString text;
};

// What one control cycle knows, made once at its end for everything that reports the firing
// outward. Temperatures are in the window's scale (`unit`); times carry their offset from UTC.
struct CycleReport {
    QDateTime time;     // the kiln clock
    bool data = false;  // readings arrived in this cycle
    int state = 0;      // ProgStates
    QString stateKey;   // "stopped", "running", "waiting", "paused", "finished", "breakdown"
    QString stateText;  // in the window's language
    int line = 0;
    int lineCount = 0;
    QString unit;
    std::optional<double> kilnTemp;
    std::vector<ChannelReport> channels;
    std::optional<double> setPoint;  // none while no program runs
    int power = 0;                   // whole percent
    int outputA = 0;
    int outputB = 0;
    std::optional<double> outsideTemp;
    double energyKWh = 0;
    double cost = 0;
    std::optional<QDateTime> endTime;   // the foreseen end of the firing
    std::optional<double> minutesLeft;
    std::vector<WarningReport> warnings;
    QString controller;
    bool simulated = false;
    std::optional<double> recordSeconds;  // since the recording began; none before
    QDateTime recordStart;                // invalid before the recording began

    // A program runs, waits or is paused.
    bool firing() const;
    // A breakdown or any warning stands.
    bool problem() const { return state == 5 || !warnings.empty(); }
};

// One event-log entry as it is written. `key` is the message key, empty for an entry whose
// text was composed without one.
struct EventEntry {
    QDateTime time;
    QString key;
    QString text;
};

// Something that reports the firing outward: a file, a broker, a page. It is told, never asks;
// it never calls back into the control cycle and never blocks it (anything slow goes to its
// own thread). An exception it throws costs it its place: it is reported once and skipped.
class CycleObserver {
public:
    virtual ~CycleObserver() = default;
    virtual QString observerName() const = 0;
    virtual void cycleReported(const CycleReport&) {}
    virtual void eventLogged(const EventEntry&) {}
};

// The observers the composition root registers, in order. An entry logged while the entries
// are being handed out (an observer logging its own trouble) is handed out after them, so
// that no observer is entered twice.
class CycleObservers {
public:
    // `failed` is told once of an observer that threw, with its name and the error's text.
    explicit CycleObservers(std::function<void(const QString& name, const QString& what)> failed);

    void add(CycleObserver* observer);  // not owned; must outlive this list or be removed
    void remove(CycleObserver* observer);
    void reportCycle(const CycleReport& report);
    void reportEvent(const EventEntry& entry);

private:
    struct Entry {
        CycleObserver* observer = nullptr;
        bool failed = false;
    };
    template <typename Call>
    void handOut(const Call& call);
    void reportPendingEvents();

    std::function<void(const QString&, const QString&)> failed_;
    std::vector<Entry> entries_;
    std::vector<EventEntry> pendingEvents_;
    bool handingOut_ = false;
};
