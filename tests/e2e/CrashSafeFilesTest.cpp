// The files the program writes survive a crash: a child process writes a file through the
// program's own writer in a loop and is killed with SIGKILL at a random moment; the file is
// always the old or the new content, complete.
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>
#include <csignal>
#include <iostream>

namespace {

constexpr int kRounds = 40;

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// Complete log mirror: entries "entry 0", "entry 1", ... in order, each line ended by CR LF,
// then the closing empty line.
bool completeLog(const QByteArray& bytes, int* entries)
{
    if (!bytes.endsWith("\r\n\r\n"))
        return false;
    const QList<QByteArray> lines = bytes.left(bytes.size() - 4).split('\n');
    for (int i = 0; i < lines.size(); ++i) {
        const QByteArray& l = lines[i];
        if (!l.endsWith(i + 1 < lines.size() ? "\r" : "x") || !l.contains("entry " + QByteArray::number(i) + " "))
            return false;
    }
    *entries = int(lines.size());
    return true;
}

}  // namespace

TEST(CrashSafeFiles, AWriterKilledAtAnyMomentLeavesTheOldOrTheNewFile)
{
    struct Case {
        const char* kind;
        const char* file;  // inside the folder
    };
    const Case cases[] = {{"ini", "term.ini"}, {"prg", "Prog1.prg"}, {"log", "Data/lastlog.txt"}};
    QRandomGenerator random(20261209);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kind);
        QTemporaryDir dir;
        const QString target = dir.path() + "/" + c.file;
        const QString arg = QString(c.kind) == "log" ? dir.path() : target;
        int killedMidway = 0, lastEntries = 0;
        for (int round = 0; round < kRounds; ++round) {
            QProcess child;
            child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
            child.start(FORNAXEL_FILE_WRITER_CHILD, {c.kind, arg});
            ASSERT_TRUE(child.waitForReadyRead(5000)) << round;
            ASSERT_TRUE(child.readLine().startsWith("ready")) << round;
            QThread::usleep(random.bounded(20000));
            ::kill(pid_t(child.processId()), SIGKILL);
            ASSERT_TRUE(child.waitForFinished(5000)) << round;
            killedMidway += child.exitStatus() == QProcess::CrashExit;
            const QByteArray bytes = readAll(target);
            if (QString(c.kind) == "log") {
                int entries = 0;
                ASSERT_TRUE(completeLog(bytes, &entries)) << "round " << round << ": " << bytes.right(200).constData();
                lastEntries = entries;
            } else {
                ASSERT_TRUE(bytes == readAll(target + ".0") || bytes == readAll(target + ".1"))
                    << "round " << round << ", " << bytes.size() << " bytes";
            }
        }
        EXPECT_EQ(killedMidway, kRounds);
        std::cout << c.kind << ": " << kRounds << " kills, every file complete"
                  << (QString(c.kind) == "log" ? ", last mirror " + std::to_string(lastEntries) + " entries" : "")
                  << "\n";
    }
}
