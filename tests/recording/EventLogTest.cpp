#include "EventLog.h"

#include "DateTime.h"
#include "FakeTexts.h"
#include "TestServices.h"

#include <QFile>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>
#include <stdexcept>

namespace {
struct LogFixture : ::testing::Test {
    QTemporaryDir dir;
    KilnState state;
    FakeTexts texts;
    QPlainTextEdit memo;
    QTimer timer;
    FakeClock clock;
    EventLog log{state, texts, &memo, &timer, &clock};

    void SetUp() override
    {
        state.AppFolder = dir.path();
        state.CycleTime = DateTime::fromQDateTime(QDateTime(QDate(2024, 3, 15), QTime(12, 34, 56)));
        texts.texts["LogClearGraph"] = "Chart cleared";
    }
    QByteArray mirror() const
    {
        QFile f(log.mirrorPath());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
};
}  // namespace

TEST_F(LogFixture, EntryFormatAndElapsedTime)
{
    log.TLogLS("LogClearGraph", "");
    EXPECT_EQ(log.lines().last(), "24.03.15 12:34:56 (00:00:00) : Chart cleared");  // recording not begun
    state.RecordStart = DateTime::fromQDateTime(QDateTime(QDate(2024, 3, 15), QTime(10, 0, 0)));
    log.TLogX("x");
    EXPECT_EQ(log.lines().last(), "24.03.15 12:34:56 (02:34:56) : x");
    state.CycleTime = state.RecordStart + 25.0 / 24;
    log.TLogX("y");
    EXPECT_TRUE(log.lines().last().contains("(01:00:00) : y"));  // elapsed wraps after 24 h
    log.TLogX("first\r\nsecond");
    EXPECT_EQ(log.lines().size(), 5);
    EXPECT_EQ(log.lines().last(), "second");  // only the first line carries the stamp
}

TEST_F(LogFixture, MirrorWaitsForQuietAndWritesUtf8CrLfWithFinalEmptyLine)
{
    log.TLogX("a");
    log.TLogX("b");
    log.TLogX("Печь 20 °C");
    EXPECT_TRUE(timer.isActive());
    EXPECT_EQ(timer.interval(), 5000);
    EXPECT_FALSE(QFile::exists(log.mirrorPath()));  // nothing written until the timer fires
    log.TLogTimerTimer();                            // the Data folder is created on the way
    EXPECT_FALSE(timer.isActive());
    const QList<QByteArray> lines = mirror().split('\n');
    ASSERT_EQ(lines.size(), 5);
    EXPECT_TRUE(lines[0].endsWith(": a\r"));
    // UTF-8 without a byte-order mark, for terminals and editors.
    EXPECT_TRUE(lines[0].startsWith("24.03.15"));
    EXPECT_TRUE(lines[2].endsWith(": \xD0\x9F\xD0\xB5\xD1\x87\xD1\x8C 20 \xC2\xB0" "C\r"));
    EXPECT_EQ(lines[3], "\r");
    EXPECT_EQ(lines[4], "");
}

TEST_F(LogFixture, OpeningEntriesAndAFailedWriteKeepsTheTimer)
{
    state.AppVersion = "1.2.3";
    state.InterfaceMode = 1;
    log.TLogStart();
    ASSERT_EQ(log.lines().size(), 3);
    EXPECT_TRUE(log.lines()[0].endsWith(": Fornaxel v 1.2.3"));
    EXPECT_TRUE(log.lines()[1].endsWith(": <LogWorkingFolder>" + dir.path()));
    EXPECT_TRUE(log.lines()[2].endsWith(": <LogInterface>Simulator"));
    state.AppFolder = dir.path() + "/file";
    QFile blocker(state.AppFolder);
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));  // a file where the folder should be
    blocker.close();
    EXPECT_THROW(log.TLogTimerTimer(), std::runtime_error);
    EXPECT_TRUE(timer.isActive());
}

// An entry every two seconds never leaves the log quiet for five: the mirror is still due 30 s
// after the oldest entry it lacks, and a written mirror starts the count again.
TEST_F(LogFixture, EntriesEveryTwoSecondsReachTheFileWithinThirtySeconds)
{
    struct Step {
        double after;  // seconds since the previous entry
        int interval;  // ms until the mirror
    };
    const Step steps[] = {{0, 5000},  {0, 5000},  {2, 5000},  {22, 5000}, {2, 4000},
                          {2, 2000},  {2, 0},     {2, 0},     {40, 0}};
    int n = 0;
    for (const Step& s : steps) {
        clock.advance(s.after);
        log.TLogX(QString::number(n++));
        EXPECT_TRUE(timer.isActive()) << n;
        EXPECT_EQ(timer.interval(), s.interval) << n;
    }
    log.TLogTimerTimer();
    EXPECT_EQ(mirror().count('\n'), n + 1);  // every entry, then the empty line
    clock.advance(2);
    log.TLogX("after the mirror");
    EXPECT_EQ(timer.interval(), 5000);
    // A mirror that fails is tried again after the settle, not at once over and over.
    clock.advance(40);
    state.AppFolder = dir.path() + "/file";
    QFile blocker(state.AppFolder);
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    log.TLogX("late");
    EXPECT_EQ(timer.interval(), 0);
    EXPECT_THROW(log.TLogTimerTimer(), std::runtime_error);
    EXPECT_TRUE(timer.isActive());
    EXPECT_EQ(timer.interval(), 5000);
}
