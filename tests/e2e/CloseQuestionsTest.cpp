// What the close asks before it ends anything: a firing in progress or a start still to come
// (not during the automatic shutdown countdown), and edits still open in their fields.
#include "SimulatedKiln.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

enum class Situation { Stopped, Running, Waiting, Paused, StartPending, RunningInCountdown, ChannelNameTyped };

struct Row {
    const char* name;
    Situation setup;
    bool answer;       // to every question
    QString question;  // part of the text asked; empty: no question
    bool closes;
};

struct CloseQuestions : SimulatedKiln {
    void prepare(Situation setup)
    {
        ASSERT_TRUE(QFile::copy(QString(FORNAXEL_DATA_DIR) + "/English.lng", dir.path() + "/English.lng"));
        form->LangSet("English");
        setLine(1, "300", setup == Situation::Waiting ? "0" : "600");
        setLine(2, "0", "0");
        for (int i = 0; i < 3; ++i)
            form->InterfaceTimerTimer();
        form->ovenFile->SetOvenChanged(false);  // the kiln model set up for the test
        switch (setup) {
        case Situation::Stopped: break;
        case Situation::ChannelNameTyped: QTest::keyClicks(form->TC_Name, " top"); break;  // the focus never left it
        case Situation::StartPending:
            form->delayedStart->Schedule(clock.now() + 1.0 / 24);
            form->InterfaceTimerTimer();
            break;
        default:
            form->StartButtonClick();
            form->InterfaceTimerTimer();
            if (setup == Situation::Paused)
                form->PauseButtonClick();
            if (setup == Situation::RunningInCountdown)
                form->ShutDownTimer->start();
            break;
        }
        dialogs.asked.clear();
    }
};

}  // namespace

TEST_F(CloseQuestions, AskBeforeEndingAFiringOrDroppingAnEdit)
{
    const QString firing = "A firing is running: line 1 of 2, ";
    const Row rows[] = {
        {"nothing running", Situation::Stopped, false, "", true},
        {"running, kept", Situation::Running, false, firing, false},
        {"running, ended", Situation::Running, true, firing, true},
        {"waiting, kept", Situation::Waiting, false, firing, false},
        {"paused, kept", Situation::Paused, false, firing, false},
        {"delayed start, kept", Situation::StartPending, false, "A delayed start is pending. Closing cancels it.", false},
        {"running during the shutdown countdown", Situation::RunningInCountdown, false, "", true},
        {"a channel name still being typed", Situation::ChannelNameTyped, false, "Save the kiln configuration?", true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        form.reset();
        QDir(dir.path()).removeRecursively();  // no record of the last row to resume
        QDir().mkpath(dir.path());
        SetUp();
        prepare(row.setup);
        if (HasFatalFailure())
            return;
        const int stateBefore = form->state.ProgState;
        dialogs.yesNoAnswer = row.answer;

        EXPECT_EQ(form->close(), row.closes);
        form->ShutDownTimer->stop();
        const QStringList questions = dialogs.asked.filter("yesno:");
        if (row.question.isEmpty()) {
            EXPECT_TRUE(questions.isEmpty()) << questions.join("\n").toStdString();
        } else {
            ASSERT_EQ(questions.size(), 1) << questions.join("\n").toStdString();
            EXPECT_TRUE(questions.first().contains(row.question)) << questions.first().toStdString();
        }
        if (row.question == firing) {
            EXPECT_TRUE(questions.first().endsWith(" °C. Closing ends it and switches the heater off."))
                << questions.first().toStdString();
        }
        if (row.closes) {
            EXPECT_EQ(form->state.Pid.Power, 0);
            continue;
        }
        // Kept: as it was, record included, and the next cycle runs it on.
        EXPECT_EQ(form->state.ProgState, stateBefore);
        EXPECT_EQ(form->delayedStart->schedule().pending(), row.setup == Situation::StartPending);
        EXPECT_TRUE(QFile::exists(dir.path() + "/Data/firing.state"));
        EXPECT_FALSE(form->log->lines().join('\n').contains("Application closed"));
        form->InterfaceTimerTimer();
        EXPECT_EQ(form->state.ProgState, stateBefore);
    }
}
