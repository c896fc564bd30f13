// The sleep lock follows the program state; a login manager that does not answer is logged once.
#include "FakeSleepInhibitor.h"
#include "FakeTexts.h"
#include "KeepAwake.h"
#include "KilnState.h"
#include "SleepInhibitor.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <gtest/gtest.h>

TEST(KeepAwake, HeldWhileAProgramRunsWaitsOrIsPausedAndGivenBackOtherwise)
{
    ScriptedInhibitor inhibitor;
    RecordingLog log;
    FakeTexts texts;
    KeepAwake awake(inhibitor, log, texts);
    awake.Follow(Stopped);
    EXPECT_EQ(inhibitor.acquires, 0);
    for (int s : {Running, Running, Waiting, Paused, Running})
        awake.Follow(s);
    EXPECT_TRUE(inhibitor.held);
    EXPECT_EQ(inhibitor.acquires, 1);
    for (int end : {Stopped, Finished, BreakDown}) {
        awake.Follow(end);
        EXPECT_FALSE(inhibitor.held) << end;
        awake.Follow(end);
        awake.Follow(Running);
        EXPECT_TRUE(inhibitor.held) << end;
    }
    EXPECT_EQ(inhibitor.acquires, 4);
    EXPECT_EQ(inhibitor.releases, 3);
    awake.Release();  // the close
    awake.Release();
    EXPECT_FALSE(inhibitor.held);
    EXPECT_EQ(inhibitor.releases, 4);
    EXPECT_TRUE(log.entries.isEmpty());
}

TEST(KeepAwake, ALoginManagerThatDoesNotAnswerIsLoggedOnceAndTheFiringGoesOn)
{
    ScriptedInhibitor inhibitor;
    inhibitor.refusal = "The name org.freedesktop.login1 was not provided";
    RecordingLog log;
    FakeTexts texts;
    KeepAwake awake(inhibitor, log, texts);
    for (int firing = 0; firing < 2; ++firing) {
        awake.Follow(Running);
        awake.Follow(Running);  // not asked again in the same firing
        awake.Follow(Finished);
    }
    EXPECT_EQ(inhibitor.acquires, 2);
    EXPECT_EQ(log.entries, QStringList{"LogNoSleepInhibitor|The name org.freedesktop.login1 was not provided"});
}

// On this machine's system bus, or without one: the lock is held, or its absence is logged, once.
TEST(KeepAwake, TheLoginManagersLockIsHeldOrItsAbsenceLogged)
{
    LogindSleepInhibitor inhibitor;
    RecordingLog log;
    FakeTexts texts;
    KeepAwake awake(inhibitor, log, texts);
    awake.Follow(Running);
    QDeadlineTimer deadline(3000);
    while (!inhibitor.held() && log.entries.isEmpty() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    EXPECT_NE(inhibitor.held(), log.entries.size() == 1) << log.entries.join("; ").toStdString();
    if (!log.entries.isEmpty()) {
        EXPECT_EQ(log.keys(), QStringList{"LogNoSleepInhibitor"});
    }
    awake.Follow(Stopped);
    EXPECT_FALSE(inhibitor.held());
}

// A delayed start holds the lock from the moment it is set: a computer asleep at the hour
// starts nothing. Where none can be had, the program panel says so while it is wanted.
TEST(KeepAwake, HeldWhileAStartIsPendingAndItsAbsenceShownWhileWanted)
{
    struct Step {
        int state;
        bool pending;
        bool wanted;
    };
    const Step steps[] = {{Stopped, false, false}, {Stopped, true, true},   {Stopped, true, true},
                          {Running, false, true},  {Finished, false, false}, {Stopped, true, true},
                          {Stopped, false, false}, {BreakDown, true, true},  {BreakDown, false, false}};
    for (const bool refused : {false, true}) {
        SCOPED_TRACE(refused);
        ScriptedInhibitor inhibitor;
        if (refused)
            inhibitor.refusal = "no system bus";
        RecordingLog log;
        FakeTexts texts;
        KeepAwake awake(inhibitor, log, texts);
        int wants = 0;
        bool wantedBefore = false;
        for (const Step& s : steps) {
            awake.Follow(s.state, s.pending);
            wants += s.wanted && !wantedBefore;
            wantedBefore = s.wanted;
            EXPECT_EQ(inhibitor.held, s.wanted && !refused) << s.state << s.pending;
            EXPECT_EQ(awake.Warning(), s.wanted && refused ? "<NoSleepInhibitorWarning>" : "") << s.state << s.pending;
        }
        EXPECT_EQ(inhibitor.acquires, wants);
        EXPECT_EQ(log.entries.size(), refused ? 1 : 0);  // the log line once for the run
    }
}
