// The history as the real window on the simulated kiln keeps it: a firing recorded with what
// was fired and its own energy across a Clear, and a disk that fills up mid-firing.
#include "TForm1.h"

#include "DataFiles.h"
#include "DrivenWindow.h"
#include "HistoryRecorder.h"
#include "HistoryStore.h"
#include "LocaleFacts.h"
#include "TestServices.h"
#include "Widgets.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <cerrno>
#include <cstring>
#include <sys/mount.h>
#include <unistd.h>

namespace {

struct HistoryWindow : ::testing::Test, WindowServices {
    ScopedLocaleFacts locale{LocaleFacts{}};
    QTemporaryDir dir;
    QString folder;
    bool mounted = false;
    std::unique_ptr<TForm1> form;
    double firingKWh = 0;  // what the heater drew from the firing's first cycle on

    void open(const QString& at)
    {
        folder = at;
        random.fallback = -1;
        form = std::make_unique<TForm1>(app(folder));
        restoreWithoutTimers(*form);
        form->MODEL_P->setText("0.05");
        form->Prog->setCell(1, 2, "300");
        form->Prog->setCell(2, 2, "60");
        form->Prog->setCell(1, 3, "300");
        form->Prog->setCell(2, 3, "30");
        form->Prog->setCell(1, 4, "0");
        form->Prog->setCell(2, 4, "0");
        form->PID_P->setText("5");
        form->PID_I->setText("0.005");
        form->PID_D->setText("50");
        for (int i = 0; i < 5; ++i)
            form->InterfaceTimerTimer();
        form->StartButtonClick();
    }
    void TearDown() override
    {
        form.reset();
        if (mounted)
            ::umount2(QFile::encodeName(folder).constData(), MNT_DETACH);
    }
    void cycles(int n)
    {
        for (int i = 0; i < n && form->state.ProgState != Finished && form->state.ProgState != BreakDown; ++i) {
            form->InterfaceTimerTimer();
            firingKWh += form->state.Pid.Power / 100.0 * 1.0 * 2 / 3600;  // HeaterPower 1000 W
        }
    }
    std::vector<FiringSummary> firings() const
    {
        HistoryStore store(folder + "/Data/firings.sqlite", "window-test");
        store.openForReading();
        return store.list();
    }
    int logEntriesWith(const QString& text) const
    {
        int n = 0;
        for (const QString& line : form->log->lines())
            n += line.contains(text);
        return n;
    }
};

}  // namespace

TEST_F(HistoryWindow, AFiringIsRecordedWithWhatWasFiredAndItsOwnEnergyAcrossAClear)
{
    open(dir.path());
    cycles(1800);
    ASSERT_EQ(form->state.ProgState, Running);
    dialogs.yesNoAnswer = true;
    form->dataFiles->GraphClearClick();  // the meter starts again from nothing
    cycles(20000);
    ASSERT_EQ(form->state.ProgState, Finished);
    form->history->flush();

    const std::vector<FiringSummary> all = firings();
    ASSERT_EQ(all.size(), 1u);
    const FiringSummary& f = all[0];
    EXPECT_EQ(f.outcome, Outcome::Finished);
    EXPECT_TRUE(f.facts.simulated);
    EXPECT_EQ(f.facts.modelP, "0.05");
    EXPECT_EQ(f.facts.pidP, "5");
    EXPECT_TRUE(f.facts.programLines.startsWith("300\t60")) << f.facts.programLines.toStdString();
    EXPECT_LT(form->state.MeterEnergyKWh, firingKWh * 0.9);  // the meter lost the first half
    EXPECT_NEAR(f.figures.energyKWh, firingKWh, 0.01 * firingKWh);
    EXPECT_GT(f.figures.peak, 295);
    EXPECT_LT(f.figures.peak, 310);
    EXPECT_NEAR(f.figures.seconds / 60, 90, 10);
    EXPECT_GT(f.figures.rampDeviation, 0);
    EXPECT_LT(f.figures.rampDeviation, 30);
    EXPECT_LT(f.figures.holdDeviation, 10);
    HistoryStore store(folder + "/Data/firings.sqlite", "window-curve");
    store.openForReading();
    const std::vector<CurvePoint> curve = store.curve(f.id);
    EXPECT_NEAR(double(curve.size()), f.figures.seconds / 2, 3);
    EXPECT_EQ(logEntriesWith("LogHistory"), 0);
}

// The program folder on a small tmpfs this test mounts (it needs root; elsewhere skipped).
TEST_F(HistoryWindow, AFullDiskIsLoggedOnceAndTheFiringGoesOn)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "mounting a small tmpfs needs root";
    const QString at = dir.path() + "/small";
    QDir().mkpath(at);
    if (::mount("tmpfs", QFile::encodeName(at).constData(), "tmpfs", 0, "size=4m,mode=0755") != 0)
        GTEST_SKIP() << "cannot mount a tmpfs: " << std::strerror(errno);
    mounted = true;
    folder = at;
    QDir().mkpath(at + "/Prog");
    QDir().mkpath(at + "/Oven");
    open(at);
    cycles(300);
    form->history->flush();
    ASSERT_EQ(firings().size(), 1u);

    QFile filler(at + "/filler");
    ASSERT_TRUE(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
    const QByteArray chunk(4096, 'f');
    while (filler.write(chunk) == chunk.size()) {
    }
    for (int minute = 0; minute < 5; ++minute) {
        cycles(300);
        form->history->flush();
        QCoreApplication::processEvents();
    }
    EXPECT_EQ(logEntriesWith("LogHistoryWriteFailed"), 1);
    EXPECT_EQ(logEntriesWith("full"), 1) << form->log->lines().join("\n").toStdString();
    EXPECT_EQ(form->state.ProgState, Running);

    // Room again: the next minutes are written, with no further report.
    filler.close();
    ASSERT_TRUE(QFile::remove(at + "/filler"));
    cycles(300);
    form->history->flush();
    QCoreApplication::processEvents();
    EXPECT_EQ(logEntriesWith("LogHistoryWriteFailed"), 1);
    const auto all = firings();
    ASSERT_EQ(all.size(), 1u);
    EXPECT_NEAR(all[0].figures.seconds, (300 + 5 * 300 + 300) * 2, 10);
}

// The program dies mid-firing; at the next start the firing is resumed (its record goes on)
// or declined (its record is Interrupted).
TEST_F(HistoryWindow, AResumedFiringContinuesItsRecordAndADeclinedOneIsInterrupted)
{
    for (const bool resume : {true, false}) {
        SCOPED_TRACE(resume);
        QTemporaryDir here;
        QDir().mkpath(here.path() + "/Prog");
        open(here.path());
        form->programFile->Save(here.path() + "/Prog/Resume.prg");
        cycles(600);
        ASSERT_EQ(form->state.ProgState, Running);
        form.reset();  // no close: the program died

        dialogs.yesNoAnswer = resume;
        form = std::make_unique<TForm1>(app(folder));
        form->MODEL_P->setText("0.05");
        restoreWithoutTimers(*form);
        form->PID_P->setText("5");  // the regulator the firing began with (never saved: no close)
        form->PID_I->setText("0.005");
        form->PID_D->setText("50");
        cycles(600);
        if (resume) {
            ASSERT_EQ(form->state.ProgState, Running) << form->log->lines().join("\n").toStdString();
            form->StopButtonClick();
            cycles(1);
        }
        form->history->flush();
        const std::vector<FiringSummary> all = firings();
        ASSERT_EQ(all.size(), 1u);
        if (!resume) {
            EXPECT_EQ(all[0].outcome, Outcome::Interrupted);
            EXPECT_NEAR(all[0].figures.seconds, 600 * 2, 4);
            continue;
        }
        EXPECT_EQ(all[0].outcome, Outcome::Stopped);
        EXPECT_NEAR(all[0].figures.seconds, 1200 * 2, 10);
        HistoryStore store(folder + "/Data/firings.sqlite", "resume-curve");
        store.openForReading();
        const std::vector<CurvePoint> curve = store.curve(all[0].id);
        for (std::size_t i = 1; i < curve.size(); ++i)
            ASSERT_GT(curve[i].seconds, curve[i - 1].seconds) << i;
        form.reset();
    }
}
