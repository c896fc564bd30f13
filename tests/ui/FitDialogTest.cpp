// The fit dialog on its own: where its firings come from, in which scale they are read, and
// what it says when a firing gives no factors.
#include "FitDialog.h"
#include "FitSources.h"

#include "FakeTexts.h"
#include "HistoryStore.h"
#include "ThermalModel.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QThread>
#include <QTreeWidget>
#include <gtest/gtest.h>
#include <cmath>

namespace {

// A kiln that reaches about 1275 °C at full power.
const ModelFactors kKiln{0.03, 0.0024, 0.002};

// A firing of that kiln, as the model gives it: full power, then part power, then cooling.
std::vector<FitSample> knownFiring(double hours, double fullPower = 100)
{
    std::vector<FitSample> samples;
    double t1 = 25.5, t2 = 25.5;
    const int cycles = int(hours * 1800);
    for (int k = 0; k < cycles; ++k) {
        const double power = k < cycles / 2 ? fullPower : k < cycles * 3 / 4 ? fullPower * 0.4 : 0;
        samples.push_back({2.0 * k, t2, power, 25.5});
        ModelStep(t1, t2, 25.5, kKiln.r, kKiln.i, kKiln.p, 2, power);
    }
    return samples;
}

// The samples as the history keeps them: in the scale the firing was shown in.
std::vector<CurvePoint> curveIn(const std::vector<FitSample>& samples, int scale)
{
    TemperatureScale sc;
    sc.TempScale = scale;
    std::vector<CurvePoint> curve;
    for (const FitSample& s : samples) {
        CurvePoint p;
        p.seconds = s.seconds;
        if (s.kiln)
            p.kiln = sc.TX(*s.kiln);
        p.power = int(s.power);
        p.outside = sc.TX(*s.outside);
        curve.push_back(p);
    }
    return curve;
}

void writeFiring(const QString& path, const std::vector<FitSample>& samples, int scale, const QString& program,
                 const QDateTime& start, Outcome outcome)
{
    HistoryStore store(path, "test-writer");
    store.openForWriting(nullptr);
    FiringFacts facts;
    facts.program = program;
    facts.unit = TemperatureScale::unitText(scale);
    FiringFigures figures;
    figures.startWall = start;
    const qint64 id = store.begin(facts, figures);
    store.appendCurve(id, curveIn(samples, scale));
    store.update(id, figures, outcome, QString());
}

// Lets the dialog's poll timer take the fit once it is done.
bool settle(const FitDialog& dialog)
{
    QDeadlineTimer deadline(60000);
    while (dialog.busy()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents();
        QThread::msleep(10);
    }
    QCoreApplication::processEvents();
    return true;
}

struct FitDialogRig {
    QTemporaryDir dir;
    FakeTexts texts;
    TemperatureScale scale;
    QString history() const { return dir.path() + "/firings.sqlite"; }
    std::unique_ptr<FitDialog> open(std::vector<FitSample> recording = {})
    {
        FitDialog::Sources sources;
        sources.recording = [recording] { return recording; };
        sources.historyPath = history();
        return std::make_unique<FitDialog>(sources, ModelFactors{0.02, 0.005, 0.003}, scale, texts);
    }
};

}  // namespace

TEST(FitSources, EveryScaleIsReadBackInCelsius)
{
    struct Case {
        const char* unit;
        double shown, celsius;
    };
    for (const Case& c : {Case{"°C", 1000, 1000}, Case{"°F", 1832, 1000}, Case{"K", 1273.15, 1000},
                          Case{"°Ra", 2291.67, 1000}, Case{"°R", 800, 1000}, Case{"", 500, 500}}) {
        SCOPED_TRACE(c.unit);
        const QString unit = QString::fromUtf8(c.unit);
        CurvePoint p;
        p.seconds = 4;
        p.kiln = c.shown;
        p.power = 55;
        const std::vector<FitSample> s = FitSources::FromCurve({p}, unit);
        ASSERT_EQ(s.size(), 1u);
        EXPECT_NEAR(*s[0].kiln, c.celsius, 1e-9);
        EXPECT_FALSE(s[0].outside.has_value());
        EXPECT_EQ(s[0].power, 55);
        EXPECT_EQ(s[0].seconds, 4);
    }
    // A missing or broken reading stays missing rather than becoming 0 °C or -17.8 °C.
    CurvePoint broken;
    broken.kiln = std::nan("");
    const std::vector<FitSample> s = FitSources::FromCurve({broken, CurvePoint{}}, QString::fromUtf8("°F"));
    EXPECT_FALSE(s[0].kiln.has_value());
    EXPECT_FALSE(s[1].kiln.has_value());
    try {
        FitSources::FromCurve({broken}, "furlongs");
        FAIL() << "an unknown unit was read";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("furlongs"), std::string::npos);
    }
}

TEST(FitDialog, AHistoryFiringInFahrenheitIsOfferedAndFittedInCelsius)
{
    FitDialogRig rig;
    const std::vector<FitSample> firing = knownFiring(10);
    writeFiring(rig.history(), knownFiring(1), 0, "Short.prg", QDateTime(QDate(2026, 3, 1), QTime(8, 0)),
                Outcome::Stopped);
    writeFiring(rig.history(), firing, 1, "Glaze.prg", QDateTime(QDate(2026, 3, 8), QTime(7, 30)), Outcome::Finished);
    auto dialog = rig.open();

    ASSERT_EQ(dialog->firingCount(), 2);
    EXPECT_FALSE(dialog->listNote->isVisible());
    // The newest first, after the recording.
    const QTreeWidgetItem* newest = dialog->firings->topLevelItem(1);
    EXPECT_EQ(newest->text(0), "2026-03-08 07:30");
    EXPECT_EQ(newest->text(1), "Glaze.prg");
    EXPECT_EQ(newest->text(2), "<HistoryFinished>");
    EXPECT_EQ(dialog->firings->topLevelItem(2)->text(2), "<HistoryStopped>");

    dialog->firings->setCurrentItem(dialog->firings->topLevelItem(1));
    std::vector<ModelFactors> chosen;
    QObject::connect(dialog.get(), &FitDialog::factorsChosen, [&](const ModelFactors& f) { chosen.push_back(f); });
    dialog->startFit();
    ASSERT_TRUE(settle(*dialog));
    const FitDialog::Outcome& o = dialog->outcome();
    ASSERT_TRUE(o.error.isEmpty()) << o.error.toStdString();
    ASSERT_EQ(o.samples.size(), firing.size());
    for (std::size_t k : {std::size_t(0), firing.size() / 3, firing.size() - 1}) {
        // The history keeps tenths of a degree Fahrenheit.
        EXPECT_NEAR(*o.samples[k].kiln, *firing[k].kiln, 0.06);
        EXPECT_NEAR(*o.samples[k].outside, 25.5, 0.06);
    }
    ASSERT_EQ(o.result.verdict, FitResult::Verdict::Fitted);
    EXPECT_NEAR(o.result.after.p, kKiln.p, kKiln.p * 0.05);
    EXPECT_NEAR(o.result.after.i, kKiln.i, kKiln.i * 0.05);
    EXPECT_NEAR(o.result.after.r, kKiln.r, kKiln.r * 0.05);
    EXPECT_FALSE(dialog->message->isVisible());
    EXPECT_TRUE(dialog->figures->text().contains("<FitRms>"));
    ASSERT_TRUE(dialog->apply->isEnabled());

    dialog->apply->click();
    ASSERT_EQ(chosen.size(), 1u);
    const ModelFactors applied = chosen[0];
    EXPECT_EQ(applied.p, o.result.after.p);
    EXPECT_EQ(applied.i, o.result.after.i);
    EXPECT_EQ(applied.r, o.result.after.r);
}

TEST(FitDialog, AFiringThatGivesNoFactorsSaysWhyInsteadOfNumbers)
{
    std::vector<FitSample> noReadings = knownFiring(4);
    for (FitSample& s : noReadings)
        s.kiln.reset();
    struct Case {
        const char* name;
        std::vector<FitSample> recording;
        const char* says;
    };
    const std::vector<Case> cases = {
        {"an hour", knownFiring(1), "<FitTooShort>"},
        {"never heated", knownFiring(4, 0), "<FitTooFlat>"},
        {"no readings", noReadings, "<FitNoData>"},
        {"empty recording", {}, "<FitEmptyRecording>"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FitDialogRig rig;
        auto dialog = rig.open(c.recording);
        dialog->startFit();
        ASSERT_TRUE(settle(*dialog));
        EXPECT_EQ(dialog->message->text(), c.says);
        EXPECT_FALSE(dialog->message->isHidden());
        EXPECT_FALSE(dialog->apply->isEnabled());
        EXPECT_TRUE(dialog->figures->text().isEmpty());
        EXPECT_TRUE(dialog->factors->text().contains("—"));
        EXPECT_TRUE(dialog->fit->isEnabled());
    }
}

TEST(FitDialog, AMissingOrBrokenHistoryIsNamedAndLeftAsItIs)
{
    struct Case {
        const char* name;
        QByteArray content;  // empty: no file
        const char* notePrefix;
    };
    for (const Case& c : {Case{"no file", {}, "<FitNoHistory>"},
                          Case{"not a database", QByteArray("garbage, not SQLite\n").repeated(200), "<FitHistoryUnreadable>"}}) {
        SCOPED_TRACE(c.name);
        FitDialogRig rig;
        if (!c.content.isEmpty()) {
            QFile f(rig.history());
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(c.content);
        }
        auto dialog = rig.open(knownFiring(1));
        EXPECT_EQ(dialog->firingCount(), 0);
        EXPECT_TRUE(dialog->listNote->text().startsWith(c.notePrefix)) << dialog->listNote->text().toStdString();
        EXPECT_FALSE(dialog->listNote->isHidden());
        EXPECT_EQ(dialog->firings->topLevelItemCount(), 1);  // the recording is still offered
        dialog.reset();
        QFile f(rig.history());
        if (c.content.isEmpty()) {
            EXPECT_FALSE(f.exists());
        } else {
            ASSERT_TRUE(f.open(QIODevice::ReadOnly));
            EXPECT_EQ(f.readAll(), c.content);
        }
    }
}

TEST(FitDialog, ClosingWhileItFitsWaitsForTheFit)
{
    FitDialogRig rig;
    auto dialog = rig.open(knownFiring(12));
    dialog->startFit();
    EXPECT_TRUE(dialog->busy());
    dialog->reject();
    dialog.reset();  // joins the fit; a crash or a hang here is the fault
    QCoreApplication::processEvents();
}
