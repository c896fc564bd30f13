#include "FakeTexts.h"
#include "FiringResume.h"
#include "FiringStateKeeper.h"
#include "TestServices.h"

#include <gtest/gtest.h>
#include <stdexcept>

TEST(ResumePoint, TheLineTimeWhoseSetPointIsTheKilnTemperature)
{
    const double minute = 1.0 / 1440;
    const struct {
        const char* name;
        double s, e;
        int minutes;
        double stored;  // minutes
        double measured;
        ResumePoint::Where where;
        double lineTime;  // minutes
    } cases[] = {
        {"inside a ramp", 200, 400, 60, 50, 300, ResumePoint::OnRamp, 30},
        {"at its start", 200, 400, 60, 50, 200, ResumePoint::OnRamp, 0},
        {"at its end", 200, 400, 60, 50, 400, ResumePoint::OnRamp, 60},
        {"below its start: anew at its own rate", 200, 400, 60, 50, 100, ResumePoint::BeforeStart, -30},
        {"above its end", 200, 400, 60, 10, 450, ResumePoint::PastEnd, 60},
        {"inside a cooling ramp", 1000, 800, 120, 10, 900, ResumePoint::OnRamp, 60},
        {"below a cooling ramp's end", 1000, 800, 120, 10, 600, ResumePoint::PastEnd, 120},
        {"a hold keeps its time", 900, 900, 30, 12.5, 850, ResumePoint::Hold, 12.5},
        {"a line without time", 200, 900, 0, 3, 850, ResumePoint::Hold, 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ResumePoint p = ResumePoint::of(c.s, c.e, c.minutes, c.stored * minute, c.measured);
        EXPECT_EQ(p.where, c.where);
        EXPECT_NEAR(p.lineTime / minute, c.lineTime, 1e-9);
    }
}

namespace {

class FakeRecord : public FiringRecord {
public:
    int writes = 0;
    int removes = 0;
    bool failing = false;
    FiringSnapshot last;
    void write(const FiringSnapshot& s) override
    {
        if (failing)
            throw std::runtime_error("disk full");
        ++writes;
        last = s;
    }
    Found read(FiringSnapshot&, QString&) const override { return Found::None; }
    void remove() override { ++removes; }
    void setAside() override {}
};

}  // namespace

TEST(FiringStateKeeper, WritesAtEveryChangeAndEveryMinuteAndRemovesItsRecordAtTheEnd)
{
    KilnState state;
    FakeClock clock;
    FakeRecord record;
    RecordingLog log;
    FiringStateKeeper keeper(state, clock, record, log, [](FiringSnapshot& s) { s.programFile = "p.prg"; });
    const double second = 1.0 / 86400;
    const struct {
        const char* step;
        int progState, line;
        double seconds;  // kiln clock advanced before the call
        bool failing;
        int writes, removes, logged;
    } steps[] = {
        {"stopped: nothing to keep, nothing of ours to remove", Stopped, 0, 0, false, 0, 0, 0},
        {"started", Running, 1, 2, false, 1, 0, 0},
        {"within the minute", Running, 1, 58, false, 1, 0, 0},
        {"a minute on", Running, 1, 2, false, 2, 0, 0},
        {"next line", Running, 2, 2, false, 3, 0, 0},
        {"paused, the write fails: logged once", Paused, 2, 2, true, 3, 0, 1},
        {"and fails again, tried every cycle", Paused, 2, 2, true, 3, 0, 1},
        {"written again", Paused, 2, 2, false, 4, 0, 1},
        {"the kiln clock went back", Paused, 2, -3600, false, 5, 0, 1},
        {"finished: the record goes, once", Finished, 2, 2, false, 5, 1, 1},
        {"", Finished, 2, 2, false, 5, 1, 1},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(s.step);
        state.ProgState = s.progState;
        state.ProgLine = s.line;
        state.CycleTime += s.seconds * second;
        record.failing = s.failing;
        keeper.Follow();
        EXPECT_EQ(record.writes, s.writes);
        EXPECT_EQ(record.removes, s.removes);
        EXPECT_EQ(log.keys().count("LogFiringStateNotWritten"), s.logged);
    }
    EXPECT_EQ(record.last.programFile, "p.prg");
    EXPECT_EQ(record.last.savedAt, clock.now());
}
