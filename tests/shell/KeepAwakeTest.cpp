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
    KeepAwake awake(inhibitor, log);
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
    KeepAwake awake(inhibitor, log);
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
    KeepAwake awake(inhibitor, log);
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
