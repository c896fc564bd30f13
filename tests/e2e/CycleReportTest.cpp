// What the window reports outward at the end of each cycle and with each log entry, seen by
// an observer registered like any other.
#include "SimulatedKiln.h"

#include "StateJson.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <stdexcept>

namespace {

struct Recorder : CycleObserver {
    std::vector<CycleReport> reports;
    std::vector<EventEntry> events;
    QString observerName() const override { return "recorder"; }
    void cycleReported(const CycleReport& r) override { reports.push_back(r); }
    void eventLogged(const EventEntry& e) override { events.push_back(e); }
};

// Fails on every cycle, and logs from inside the hand-out on every entry.
struct Troublemaker : CycleObserver {
    EventLogWriter* log = nullptr;
    int cycles = 0;
    int entries = 0;
    QString observerName() const override { return "troublemaker"; }
    void cycleReported(const CycleReport&) override
    {
        ++cycles;
        throw std::runtime_error("broker on fire");
    }
    void eventLogged(const EventEntry& e) override
    {
        ++entries;
        if (e.key != "LogFromInside")
            log->TLogLS("LogFromInside", "");
    }
};

struct CycleReportTest : SimulatedKiln {
    Recorder recorder;
    void SetUp() override
    {
        SimulatedKiln::SetUp();
        form->observers->add(&recorder);
        setLine(1, "300", "60");
        setLine(2, "300", "30");
        setLine(3, "0", "0");
        for (int i = 0; i < 3; ++i)
            form->InterfaceTimerTimer();
    }
    void TearDown() override { form->observers->remove(&recorder); }
    const CycleReport& last() const { return recorder.reports.back(); }
};

}  // namespace

TEST_F(CycleReportTest, EachPhaseOfAFiringIsReportedAsTheWindowShowsIt)
{
    struct Phase {
        const char* name;
        std::function<void(TForm1&)> act;
        QString stateKey;
        bool firing, problem, setPoint, forecast;
    };
    const std::vector<Phase> phases = {
        {"idle", [](TForm1&) {}, "stopped", false, false, false, false},
        {"started", [](TForm1& f) { f.StartButtonClick(); }, "running", true, false, true, true},
        {"paused", [](TForm1& f) { f.PauseButtonClick(); }, "paused", true, false, true, true},
        {"broken down", [](TForm1& f) { f.faults->BreakDownUnreachable(); }, "breakdown", false, true, false, false},
    };
    for (const Phase& p : phases) {
        SCOPED_TRACE(p.name);
        p.act(*form);
        const std::size_t before = recorder.reports.size();
        form->InterfaceTimerTimer();
        ASSERT_EQ(recorder.reports.size(), before + 1);  // one report a cycle
        const CycleReport& r = last();
        EXPECT_TRUE(r.data);
        EXPECT_EQ(r.stateKey, p.stateKey);
        EXPECT_FALSE(r.stateText.isEmpty());
        EXPECT_EQ(r.firing(), p.firing);
        EXPECT_EQ(r.problem(), p.problem);
        EXPECT_EQ(r.setPoint.has_value(), p.setPoint);
        EXPECT_EQ(r.endTime.has_value(), p.forecast);
        EXPECT_EQ(r.lineCount, 2);
        ASSERT_TRUE(r.kilnTemp.has_value());
        EXPECT_NEAR(*r.kilnTemp, form->state.kilnTemp(), 1e-9);
        EXPECT_EQ(r.power, form->state.Pid.Power);
        EXPECT_TRUE(r.time.isValid());
    }
    // The breakdown names its cause.
    ASSERT_EQ(last().warnings.size(), 1u);
    EXPECT_EQ(last().warnings[0].key, "breakdown");
    EXPECT_TRUE(last().warnings[0].text.contains("LogBreakDownUnreachable"));
}

TEST_F(CycleReportTest, EveryLogEntryReachesTheObserversWithItsKey)
{
    const std::size_t before = recorder.events.size();
    form->StartButtonClick();
    form->StopButtonClick();
    std::vector<QString> keys;
    for (std::size_t i = before; i < recorder.events.size(); ++i)
        keys.push_back(recorder.events[i].key);
    EXPECT_NE(std::find(keys.begin(), keys.end(), "LogKilningProgramStop"), keys.end());
    EXPECT_TRUE(recorder.events.back().text.contains("LogKilningProgramStop"));
    EXPECT_TRUE(recorder.events.back().time.isValid());
}

TEST_F(CycleReportTest, AnObserverThatFailsIsReportedOnceAndTheOthersGoOn)
{
    Troublemaker trouble;
    trouble.log = form->log.get();
    form->observers->add(&trouble);
    const std::size_t before = recorder.reports.size();
    for (int i = 0; i < 5; ++i)
        form->InterfaceTimerTimer();
    form->observers->remove(&trouble);
    EXPECT_EQ(trouble.cycles, 1);
    EXPECT_EQ(recorder.reports.size(), before + 5);
    EXPECT_EQ(logKeys().count("LogObserverFailed"), 1);
    // Skipped for entries too, once it failed: the failure entry and later ones are not its.
    EXPECT_EQ(trouble.entries, 0);
}

TEST_F(CycleReportTest, AnEntryLoggedWhileEntriesAreHandedOutComesAfterThem)
{
    Troublemaker chatty;  // logs from inside every entry it hears
    chatty.log = form->log.get();
    form->observers->remove(&recorder);
    form->observers->add(&chatty);
    form->observers->add(&recorder);
    const std::size_t before = recorder.events.size();
    form->log->TLogLS("LogKilningProgramStop", "");
    form->observers->remove(&chatty);
    ASSERT_EQ(recorder.events.size(), before + 2);
    EXPECT_EQ(recorder.events[before].key, "LogKilningProgramStop");
    EXPECT_EQ(recorder.events[before + 1].key, "LogFromInside");
    EXPECT_EQ(chatty.entries, 2);  // not entered twice at once, not looping
}

TEST_F(CycleReportTest, TheStateAsJsonWritesNumbersWithAPointWhateverTheLocale)
{
    form->StartButtonClick();
    form->InterfaceTimerTimer();
    const QByteArray json = StateJson::compact(StateJson::state(last(), "Big"));
    const QJsonObject o = QJsonDocument::fromJson(json).object();
    ASSERT_FALSE(o.isEmpty()) << json.constData();
    EXPECT_EQ(o["kiln"].toString(), "Big");
    EXPECT_EQ(o["state"].toString(), "running");
    EXPECT_NEAR(o["kiln_temp"].toDouble(), *last().kilnTemp, 0.006);
    EXPECT_TRUE(json.contains("\"kiln_temp\":25.5")) << json.constData();
    // ISO 8601 with the offset from UTC.
    EXPECT_TRUE(QRegularExpression(R"(^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d(Z|[+-]\d\d:\d\d)$)")
                    .match(o["time"].toString())
                    .hasMatch())
        << o["time"].toString().toStdString();
    EXPECT_TRUE(o["end_time"].isString());
}
