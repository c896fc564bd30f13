// A firing interrupted without the window's close, picked up again at the next start.
#include "SimulatedKiln.h"

#include "FiringStateFile.h"
#include "TestFiles.h"

#include <QDir>
#include <QFile>
#include <functional>

namespace {

// The question box: while it is open the window's timers go on (a modal box runs its own
// event loop), which `whileOpen` stands for.
struct QuestionDialogs : FakeDialogs {
    std::function<void()> whileOpen;
    bool askYesNo(const QString& title, const QString& text) override
    {
        if (whileOpen)
            whileOpen();
        return FakeDialogs::askYesNo(title, text);
    }
};

struct Resume : SimulatedKiln {
    QuestionDialogs question;
    TForm1* starting = nullptr;  // the window whose start-up asks

    QString statePath() const { return dir.path() + "/Data/" + FiringStateFile::kFileName; }

    std::unique_ptr<TForm1> startAgain()
    {
        auto again = std::make_unique<TForm1>(
            AppServices{clock, random, question, sound, powerOff, dir.path(), nullptr, &guardian, &sleepLock});
        again->MODEL_P->setText("0.05");
        starting = again.get();
        restoreWithoutTimers(*again);
        return again;
    }

    int resumeQuestions() const { return int(question.asked.filter("yesno:").size()); }
};

}  // namespace

TEST_F(Resume, AFiringInterruptedAtLine3ResumesThereOnTheNextStart)
{
    setLine(1, "150", "30");
    setLine(2, "200", "15");
    setLine(3, "400", "60");
    setLine(4, "0", "0");
    form->PID_P->setText("5");  // a regulator tuned for this kiln
    form->PID_I->setText("0.005");
    form->PID_D->setText("50");
    QDir().mkpath(dir.path() + "/Prog");
    form->programFile->Save(dir.path() + "/Prog/Resume.prg");
    form->InterfaceTimerTimer();
    form->StartButtonClick();
    for (int i = 0; i < 5000 && !(form->state.ProgLine == 3 && form->state.LineTime > 5.0 / 1440); ++i)
        form->InterfaceTimerTimer();
    ASSERT_EQ(form->state.ProgLine, 3) << form->log->lines().join("\n").toStdString();
    form.reset();  // no close: the program died
    FiringSnapshot kept;
    QString error;
    ASSERT_EQ(FiringStateFile(dir.path() + "/Data").read(kept, error), FiringRecord::Found::Valid) << error.toStdString();
    EXPECT_EQ(kept.line, 3);

    std::vector<int> powerWhileAsked;
    question.whileOpen = [&] {
        for (int i = 0; i < 3; ++i) {
            starting->InterfaceTimerTimer();
            powerWhileAsked.push_back(starting->state.Pid.Power);
            EXPECT_EQ(starting->state.ProgIdle, 1);  // outputs off
        }
    };
    auto again = startAgain();
    question.whileOpen = nullptr;  // the close below asks about the running firing
    ASSERT_EQ(resumeQuestions(), 1);
    EXPECT_TRUE(question.asked.last().contains(dir.path() + "/Prog/Resume.prg"));
    EXPECT_EQ(powerWhileAsked, (std::vector<int>{0, 0, 0}));
    EXPECT_EQ(again->state.ProgState, Stopped);  // answered, but no kiln reading yet
    EXPECT_EQ(again->state.Pid.Power, 0);
    EXPECT_EQ(again->simulator->ModelChamberT, kept.modelChamberT);
    EXPECT_EQ(again->simulator->ModelHeaterT, kept.modelHeaterT);

    again->InterfaceTimerTimer();
    EXPECT_EQ(again->state.ProgLine, 3);
    EXPECT_EQ(again->state.ProgState, Running);
    // On the ramp from 200 to 400 °C in 60 min, where its set point is the kiln temperature.
    const double t = again->state.kilnTemp();
    EXPECT_NEAR(t, kept.modelChamberT, 1.5);  // the simulated kiln kept its heat
    EXPECT_NEAR(again->state.LineTime * 1440, (t - 200) / 200 * 60, 0.1);
    EXPECT_NEAR(again->state.TargetTemp, t, 0.2);
    EXPECT_TRUE(logKeys(*again).contains("LogResumeOnRamp"));
    EXPECT_TRUE(again->close());  // an orderly close leaves nothing to resume
    EXPECT_FALSE(QFile::exists(statePath()));
}

// Records that are not offered, or not taken up: the kiln stays stopped, the log says why
// and the record is gone, so that it is not offered again.
TEST_F(Resume, WhatIsNotResumedIsLoggedAndDropped)
{
    QDir().mkpath(dir.path() + "/Data");
    QDir().mkpath(dir.path() + "/Prog");
    writeBytes(dir.path() + "/Prog/Prog1.prg", "[TForm1]\r\nCount=2\r\nTemp1=500\r\nTime1=60\r\n");
    writeBytes(dir.path() + "/Prog/Hot.prg", "[TForm1]\r\nCount=2\r\nTemp1=1500\r\nTime1=60\r\n");
    const struct {
        const char* name;
        double ageHours;
        const char* program;
        QByteArray file;  // empty: a record of line 2 of that program
        bool answer;
        bool asked;
        const char* logKey;
    } cases[] = {
        {"stale", 2.01, "Prog1.prg", {}, true, false, "LogResumeTooOld"},
        {"declined", 1.99, "Prog1.prg", {}, false, true, "LogResumeDeclined"},
        {"corrupt", 0, "", "[Firing]\r\nProgram=x.prg\r\nState=1\r\nLine=1,5\r\n", true, false, "LogFiringStateBroken"},
        {"program gone", 0.5, "None.prg", {}, true, true, "LogResumeNoProgram"},
        {"program above the kiln's maximum", 0.5, "Hot.prg", {}, true, true, "LogResumeImpossible"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FiringSnapshot s;
        s.programFile = dir.path() + "/Prog/" + c.program;
        s.line = 2;
        s.state = Running;
        s.savedAt = clock.now() - c.ageHours / 24;
        writeBytes(statePath(), c.file.isEmpty() ? FiringStateFile::toText(s).toUtf8() : c.file);
        question.asked.clear();
        question.yesNoAnswer = c.answer;
        auto again = startAgain();
        EXPECT_EQ(resumeQuestions(), c.asked ? 1 : 0);
        EXPECT_TRUE(logKeys(*again).contains(c.logKey));
        EXPECT_FALSE(QFile::exists(statePath()));
        EXPECT_EQ(QFile::exists(statePath() + FiringStateFile::kSetAsideSuffix), !c.file.isEmpty());
        again->InterfaceTimerTimer();
        EXPECT_EQ(again->state.ProgState, Stopped);
        EXPECT_EQ(again->state.Pid.Power, 0);
        QFile::remove(statePath() + FiringStateFile::kSetAsideSuffix);
    }
}

// A delayed start set before the program was lost is kept: offered with the record, taken up,
// and the firing begins at its time.
TEST_F(Resume, ADelayedStartOutlivesARestart)
{
    setLine(1, "150", "30");
    setLine(2, "0", "0");
    QDir().mkpath(dir.path() + "/Prog");
    form->programFile->Save(dir.path() + "/Prog/Later.prg");
    form->InterfaceTimerTimer();
    const double at = form->state.CycleTime + 1.0 / 24;
    dialogs.startTimeAnswer = at;
    form->StartAtButtonClick();
    form->InterfaceTimerTimer();
    ASSERT_TRUE(form->delayedStart->schedule().pending());
    form.reset();  // no close

    question.yesNoAnswer = true;
    auto again = startAgain();
    ASSERT_EQ(resumeQuestions(), 1);
    ASSERT_TRUE(again->delayedStart->schedule().pending());
    EXPECT_EQ(again->delayedStart->schedule().at(), at);
    int cycles = 0;
    for (; cycles < 2500 && again->state.ProgState == Stopped; ++cycles) {
        again->InterfaceTimerTimer();
        if (again->state.ProgState == Stopped) {
            ASSERT_EQ(again->state.Pid.Power, 0);
        }
    }
    EXPECT_EQ(again->state.ProgState, Running);
    EXPECT_GE(again->state.CycleTime, at);
    EXPECT_LT(again->state.CycleTime, at + 2.5 / 86400);
    EXPECT_TRUE(logKeys(*again).contains("LogDelayedStart"));
}
