// A firing recorded from its cycle reports and read back from the file: what it was, how it
// ended, its own energy, how far it strayed and its curve; a record a crash left open.
#include "CurveCodec.h"
#include "ElementWear.h"
#include "HistoryRig.h"
#include "TestFiles.h"

#include <QDir>
#include <QSqlDatabase>
#include <QSqlQuery>

namespace {

struct Fired {
    std::vector<FiringSummary> firings;
    std::vector<CurvePoint> curve;
};

// Ten cycles up a ramp, the meter cleared, a hold with a cycle without a reading, then the end.
void fireOnce(ReportMaker& make, HistoryRecorder& recorder, int endState)
{
    make.energy = 3.0;  // left on the meter by the recording before
    recorder.cycleReported(make.make(0, 0, 20.0, std::nullopt, 0));
    for (int i = 1; i <= 10; ++i) {
        make.energy += 0.5;
        make.cost += 0.1;
        const double set = 100 + 10 * i;
        CycleReport r = make.make(1, 1, set - i % 5, set, 100);
        if (i == 4)
            r.warnings = {{"WarnSlow", "The kiln lags behind"}};
        recorder.cycleReported(r);
    }
    make.energy = 0.5;  // Clear on the Work tab: counting again from nothing
    make.cost = 0.1;
    recorder.cycleReported(make.make(1, 2, 200.0, 200.0, 60));
    for (int i = 1; i <= 10; ++i) {
        make.energy += 0.5;
        make.cost += 0.1;
        const std::optional<double> kiln = i == 5 ? std::nullopt : std::optional<double>(200 + (i % 3 - 1) * 2);
        recorder.cycleReported(make.make(1, 2, kiln, 200.0, 40));
    }
    if (endState == 5)
        recorder.eventLogged({make.start, "LogBreakdownThermocouple", "Breakdown: thermocouple 1"});
    make.energy += 0.5;
    make.cost += 0.1;
    recorder.cycleReported(make.make(endState, 2, 201.0, std::nullopt, 0));
}

}  // namespace

TEST(HistoryRecord, AFiringReadsBackWithItsOwnFiguresAndCurve)
{
    struct Case {
        int endState;
        Outcome outcome;
        const char* cause;
    };
    const Case cases[] = {{4, Outcome::Finished, ""}, {0, Outcome::Stopped, ""},
                          {5, Outcome::BreakDown, "Breakdown: thermocouple 1"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.endState);
        QTemporaryDir dir;
        const QString path = dir.path() + "/Data/firings.sqlite";
        {
            RecorderRig rig(path);
            ReportMaker make;
            fireOnce(make, *rig.recorder, c.endState);
            rig.settle();
            EXPECT_TRUE(rig.logged.isEmpty()) << rig.logged.join("; ").toStdString();
        }
        const std::vector<FiringSummary> firings = firingsIn(path);
        ASSERT_EQ(firings.size(), 1u);
        const FiringSummary& f = firings[0];
        EXPECT_EQ(f.outcome, c.outcome);
        EXPECT_EQ(f.cause, c.cause);
        EXPECT_EQ(f.facts.program, "Bisque.prg");
        EXPECT_EQ(f.facts.programLines, "600\t120\n1000\t60");
        EXPECT_EQ(f.facts.kilnFile, "Oven1.ovn");
        EXPECT_TRUE(f.facts.simulated);
        EXPECT_EQ(f.facts.channelNames, QStringList({"top", "3"}));
        // Only what this firing used: 21 steps of 0.5 kWh after its first cycle, across the Clear.
        EXPECT_NEAR(f.figures.energyKWh, 10.5, 1e-9);
        EXPECT_NEAR(f.figures.cost, 2.1, 1e-9);
        EXPECT_DOUBLE_EQ(f.figures.peak, 202);
        EXPECT_DOUBLE_EQ(f.figures.rampDeviation, 4);
        EXPECT_DOUBLE_EQ(f.figures.holdDeviation, 2);
        EXPECT_DOUBLE_EQ(f.figures.seconds, 42);
        EXPECT_EQ(f.figures.warnings, QStringList({"The kiln lags behind"}));
        EXPECT_EQ(f.figures.startKiln, ReportMaker().start.addSecs(4));
        EXPECT_EQ(f.figures.endKiln, ReportMaker().start.addSecs(46));

        const std::vector<CurvePoint> curve = curveOf(path, f.id);
        ASSERT_EQ(curve.size(), 22u);
        EXPECT_DOUBLE_EQ(curve[0].seconds, 0);
        EXPECT_DOUBLE_EQ(*curve[0].kiln, 109);
        EXPECT_DOUBLE_EQ(*curve[0].setPoint, 110);
        EXPECT_EQ(curve[0].power, 100);
        EXPECT_DOUBLE_EQ(*curve[0].outside, 21.5);
        ASSERT_EQ(curve[0].channels.size(), 2u);
        EXPECT_DOUBLE_EQ(*curve[0].channels[0], 106);
        EXPECT_FALSE(curve[15].kiln.has_value());  // the cycle without a reading
        EXPECT_FALSE(curve[15].channels[0].has_value());
        EXPECT_DOUBLE_EQ(curve[21].seconds, 42);
        EXPECT_FALSE(curve[21].setPoint.has_value());
    }
}

TEST(HistoryRecord, ARecordACrashLeftOpenIsInterruptedUnlessTheFiringIsResumed)
{
    for (const bool resumed : {false, true}) {
        SCOPED_TRACE(resumed);
        QTemporaryDir dir;
        const QString path = dir.path() + "/firings.sqlite";
        ReportMaker make;
        make.energy = 1;
        {
            // The window goes without the firing ending: its record stays open.
            RecorderRig rig(path);
            for (int i = 0; i < 5; ++i) {
                make.energy += 1;
                rig.recorder->cycleReported(make.make(1, 1, 300.0 + i, 300.0 + i, 100));
            }
            rig.settle();
        }
        EXPECT_EQ(firingsIn(path).at(0).outcome, Outcome::Open);
        {
            RecorderRig rig(path);
            if (resumed)
                rig.recorder->eventLogged({make.start, "LogResumeOnRamp", " 1, T=305"});
            make.energy = 0;  // a new start begins a new recording
            for (int i = 0; i < 3; ++i) {
                make.energy += 2;
                rig.recorder->cycleReported(make.make(1, 1, 400.0 + i, 400.0 + i, 100, 10));
            }
            rig.recorder->cycleReported(make.make(4, 1, 410.0, std::nullopt, 0, 10));
            rig.settle();
        }
        const std::vector<FiringSummary> firings = firingsIn(path);
        ASSERT_EQ(firings.size(), resumed ? 1u : 2u);
        const FiringSummary& last = firings.back();
        EXPECT_EQ(last.outcome, Outcome::Finished);
        if (!resumed) {
            EXPECT_EQ(firings[0].outcome, Outcome::Interrupted);
            EXPECT_NEAR(last.figures.energyKWh, 4, 1e-9);
            continue;
        }
        // The same record goes on: its time, energy and curve continue from where it stopped.
        EXPECT_NEAR(last.figures.energyKWh, 4 + 4, 1e-9);
        EXPECT_DOUBLE_EQ(last.figures.seconds, 8 + 30);
        EXPECT_DOUBLE_EQ(last.figures.peak, 410);
        const std::vector<CurvePoint> curve = curveOf(path, last.id);
        ASSERT_EQ(curve.size(), 9u);
        for (std::size_t i = 1; i < curve.size(); ++i)
            EXPECT_GT(curve[i].seconds, curve[i - 1].seconds) << i;
    }
}

TEST(HistoryRecord, AnUnusableFileIsMovedAsideOnceAndANewOneBegun)
{
    struct Case {
        const char* name;
        std::function<void(const QString& path)> spoil;
    };
    const auto recordOne = [](const QString& path) {
        RecorderRig rig(path);
        ReportMaker make;
        for (int i = 0; i < 300; ++i)
            rig.recorder->cycleReported(make.make(1, 1, 20.0 + i, 20.0 + i, 100));
        rig.recorder->cycleReported(make.make(4, 1, 20.0, std::nullopt, 0));
        rig.settle();
    };
    const Case cases[] = {
        {"garbage", [](const QString& p) { writeBytes(p, QByteArray(5000, 'x')); }},
        {"empty folder", [](const QString& p) { QDir().mkpath(p); }},
        {"damaged page",
         [&](const QString& p) {
             recordOne(p);
             QFile f(p);
             ASSERT_TRUE(f.open(QIODevice::ReadWrite));
             ASSERT_GT(f.size(), 8192);
             f.seek(4096);
             f.write(QByteArray(64, char(0xA5)));
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        const QString path = dir.path() + "/firings.sqlite";
        c.spoil(path);
        const QByteArray before = QFileInfo(path).isFile() ? readBytes(path) : QByteArray();
        RecorderRig rig(path);
        ReportMaker make;
        rig.recorder->cycleReported(make.make(1, 1, 100.0, 100.0, 100));
        rig.recorder->cycleReported(make.make(0, 1, 100.0, std::nullopt, 0));
        rig.settle();
        ASSERT_EQ(rig.logged.size(), 1) << rig.logged.join("; ").toStdString();
        EXPECT_TRUE(rig.logged[0].startsWith("LogHistoryMovedAside " + path + ".broken-")) << rig.logged[0].toStdString();
        const QString aside = rig.logged[0].section(' ', 1);
        if (!before.isEmpty())
            EXPECT_EQ(readBytes(aside), before);
        else
            EXPECT_TRUE(QFileInfo(aside).isDir());
        const auto firings = firingsIn(path);
        ASSERT_EQ(firings.size(), 1u);
        EXPECT_EQ(firings[0].outcome, Outcome::Stopped);
    }
}

TEST(HistoryRecord, AFileOfANewerProgramIsLeftAsItIs)
{
    QTemporaryDir dir;
    const QString path = dir.path() + "/firings.sqlite";
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "newer");
        db.setDatabaseName(path);
        ASSERT_TRUE(db.open());
        QSqlQuery q(db);
        ASSERT_TRUE(q.exec("CREATE TABLE firings (id INTEGER PRIMARY KEY, future TEXT)"));
        ASSERT_TRUE(q.exec(QString("PRAGMA user_version=%1").arg(HistoryStore::schemaVersion() + 1)));
        db.close();
    }
    QSqlDatabase::removeDatabase("newer");
    const QByteArray before = readBytes(path);
    {
        RecorderRig rig(path);
        ReportMaker make;
        rig.recorder->cycleReported(make.make(1, 1, 100.0, 100.0, 100));
        rig.recorder->cycleReported(make.make(4, 1, 100.0, std::nullopt, 0));
        rig.settle();
        ASSERT_EQ(rig.logged.size(), 1) << rig.logged.join("; ").toStdString();
        EXPECT_TRUE(rig.logged[0].startsWith("LogHistoryUnavailable ")) << rig.logged[0].toStdString();
        EXPECT_TRUE(rig.logged[0].contains("newer version")) << rig.logged[0].toStdString();
    }
    EXPECT_EQ(readBytes(path), before);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList({"firings.sqlite"}));
}

TEST(HistoryRecord, CurveBatchesComeBackExactlyToATenth)
{
    struct Case {
        const char* name;
        std::vector<CurvePoint> points;
        std::vector<CurvePoint> expected;  // empty: the same
    };
    const std::optional<double> none;
    const Case cases[] = {
        {"empty", {}, {}},
        {"values and gaps",
         {{0, 20.04, 20.0, 0, -5.5, {1.0, none}}, {2, none, 21.0, 100, none, {none, 3276.7}}, {43200.5, 1234.5, none, 55, 0.0, {}}},
         {{0, 20.0, 20.0, 0, -5.5, {1.0, none}}, {2, none, 21.0, 100, none, {none, 3276.7}}, {43200.5, 1234.5, none, 55, 0.0, {none, none}}}},
        {"out of range is clamped, not wrapped",
         {{1e6, 5000.0, -5000.0, 300, std::nan(""), {}}},
         {{1e6, 3276.7, -3276.7, 255, none, {}}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<CurvePoint>& want = c.expected.empty() ? c.points : c.expected;
        const std::vector<CurvePoint> back = CurveCodec::unpack(CurveCodec::pack(c.points));
        ASSERT_EQ(back.size(), want.size());
        for (std::size_t i = 0; i < back.size(); ++i) {
            EXPECT_DOUBLE_EQ(back[i].seconds, want[i].seconds) << i;
            EXPECT_EQ(back[i].kiln, want[i].kiln) << i;
            EXPECT_EQ(back[i].setPoint, want[i].setPoint) << i;
            EXPECT_EQ(back[i].power, want[i].power) << i;
            EXPECT_EQ(back[i].outside, want[i].outside) << i;
            EXPECT_EQ(back[i].channels, want[i].channels) << i;
        }
    }
    for (const QByteArray& bad : {QByteArray(), QByteArray("junk"), qCompress(QByteArray(3, '\1'))})
        EXPECT_THROW(CurveCodec::unpack(bad), std::runtime_error);
}

TEST(HistoryRecord, ElementWearComparesTheLastThreeFiringsWithTheFirstFive)
{
    struct Case {
        std::vector<double> rates;
        std::optional<bool> wearing;  // none: too few firings
    };
    const Case cases[] = {
        {{100, 100, 100, 100, 100, 100, 100}, std::nullopt},
        {{100, 100, 100, 100, 100, 100, 100, 100}, false},
        {{100, 100, 100, 100, 100, 90, 86, 86, 86}, false},
        {{100, 100, 100, 100, 100, 90, 85, 85, 85}, true},
        {{100, 100, 100, 100, 100, 70, 70, 100, 100, 100}, false},  // the last three are what counts
        {{0, 0, 0, 0, 0, 0, 0, 0}, false},
    };
    for (const Case& c : cases) {
        const auto w = ElementWear::of(c.rates);
        ASSERT_EQ(w.has_value(), c.wearing.has_value()) << c.rates.size();
        if (w) {
            EXPECT_EQ(w->wearing, *c.wearing) << c.rates.back();
        }
    }
}
