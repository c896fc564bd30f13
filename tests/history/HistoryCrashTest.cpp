// A program killed in the middle of a firing leaves the history sound: the file passes
// SQLite's integrity check, the firing is Interrupted at the next start, and no more than the
// batch being written is missing from its curve.
#include "HistoryStore.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>
#include <csignal>

namespace {

QString integrity(const QString& path)
{
    QString result;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "integrity");
        db.setDatabaseName(path);
        if (db.open()) {
            QSqlQuery q(db);
            result = q.exec("PRAGMA integrity_check") && q.next() ? q.value(0).toString() : q.lastError().text();
        } else {
            result = db.lastError().text();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase("integrity");
    return result;
}

}  // namespace

TEST(HistoryCrash, AWriterKilledAtAnyMomentLeavesASoundFileAndAnInterruptedFiring)
{
    constexpr int kRounds = 15;
    QTemporaryDir dir;
    const QString path = dir.path() + "/Data/firings.sqlite";
    QRandomGenerator random(20261210);
    for (int round = 0; round < kRounds; ++round) {
        SCOPED_TRACE(round);
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(FORNAXEL_HISTORY_CHILD, {path});
        ASSERT_TRUE(child.waitForReadyRead(20000));
        QThread::usleep(random.bounded(300000));
        ::kill(pid_t(child.processId()), SIGKILL);
        ASSERT_TRUE(child.waitForFinished(10000));
        EXPECT_EQ(child.exitStatus(), QProcess::CrashExit);
        int written = 0;
        for (const QByteArray& line : child.readAllStandardOutput().split('\n'))
            if (line.startsWith("written "))
                written = line.mid(8).toInt();
        ASSERT_GT(written, 0);

        EXPECT_EQ(integrity(path), "ok");
        HistoryStore store(path, "after-kill");
        QString movedTo;
        store.openForWriting(&movedTo);  // as the next start does
        EXPECT_TRUE(movedTo.isEmpty());
        store.interruptOpenFirings();
        const std::vector<FiringSummary> firings = store.list();
        ASSERT_EQ(firings.size(), std::size_t(round + 1));
        EXPECT_EQ(firings.back().outcome, Outcome::Interrupted);
        const std::size_t points = store.curve(firings.back().id).size();
        EXPECT_GE(points, std::size_t(written));
        EXPECT_GT(firings.back().figures.seconds, 0);
    }
}
