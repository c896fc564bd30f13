// The real program as a process, laid out as a portable folder or as an installed program
// (prefix/bin, prefix/share/fornaxel, prefix/libexec/fornaxel, an XDG_DATA_HOME of its own):
// one program per folder, the command line, and the log of a run that did not end in order.
#include "TestFiles.h"
#include "WaitFor.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <csignal>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <unistd.h>

namespace {

const QString kData = QString(FORNAXEL_DATA_DIR);

// A hard link where the file system allows it (the program finds its folders from the path
// it was started by), else a copy.
void lay(const QString& from, const QString& to)
{
    QDir().mkpath(QFileInfo(to).path());
    if (::link(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0)
        return;
    ASSERT_TRUE(QFile::copy(from, to)) << to.toStdString();
    QFile::setPermissions(to, QFile::permissions(from));
}

// Copies, never links: the program may write these.
void layData(const QString& into)
{
    ASSERT_TRUE(copyFolder(kData, into));
}

struct Layout {
    const char* name;
    bool installed;
};
const Layout kLayouts[] = {{"portable", false}, {"installed", true}};

struct Program : ::testing::Test {
    std::unique_ptr<QTemporaryDir> tmp;
    std::vector<std::unique_ptr<QProcess>> running;
    bool installed = true;

    void SetUp() override { fresh(); }
    // A new, empty place for a program; the one before is left to its processes' end.
    void fresh() { tmp = std::make_unique<QTemporaryDir>(QString(FORNAXEL_TEST_TMP) + "/instance-XXXXXX"); }
    QString root() const { return tmp->path(); }

    void TearDown() override
    {
        for (auto& p : running)
            if (p->state() != QProcess::NotRunning) {
                p->kill();
                p->waitForFinished(10000);
            }
    }
    QString executable() const { return installed ? root() + "/prefix/bin/fornaxel" : root() + "/app/fornaxel"; }
    QString folder() const { return installed ? root() + "/xdg/Fornaxel" : root() + "/app"; }

    void layOut(bool asInstalled)
    {
        installed = asInstalled;
        if (installed) {
            lay(FORNAXEL_APP, executable());
            lay(FORNAXEL_GUARDIAN, root() + "/prefix/libexec/fornaxel/fornaxel-guardian");
            layData(root() + "/prefix/share/fornaxel");
        } else {
            lay(FORNAXEL_APP, executable());
            lay(FORNAXEL_GUARDIAN, root() + "/app/fornaxel-guardian");
            layData(folder());
        }
    }

    QProcess* launch(const QStringList& arguments, bool display = true)
    {
        auto p = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_DATA_HOME", root() + "/xdg");
        env.insert("LANG", "C.UTF-8");
        env.remove("LC_ALL");
        env.remove("LANGUAGE");
        if (display) {
            env.insert("QT_QPA_PLATFORM", "offscreen");
        } else {
            for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
                env.remove(name);
        }
        p->setProcessEnvironment(env);
        p->start(executable(), arguments);
        EXPECT_TRUE(p->waitForStarted(10000));
        running.push_back(std::move(p));
        return running.back().get();
    }
    // Up, holding its folder, its first log written.
    bool upAndLogging(QProcess* p)
    {
        return waitFor(
            [&] {
                return readBytes(folder() + "/fornaxel.lock").trimmed().toLongLong() == p->processId() &&
                       QFileInfo::exists(folder() + "/Data/lastlog.txt");
            },
            60000);
    }
    static int endInOrder(QProcess* p)
    {
        ::kill(pid_t(p->processId()), SIGTERM);
        EXPECT_TRUE(p->waitForFinished(60000));
        return p->exitCode();
    }
};

}  // namespace

TEST_F(Program, ASecondStartOnTheSameFolderLeavesTheFirstOnesFilesAlone)
{
    for (const Layout& layout : kLayouts) {
        SCOPED_TRACE(layout.name);
        fresh();
        layOut(layout.installed);
        QProcess* first = launch({});
        ASSERT_TRUE(upAndLogging(first)) << first->readAllStandardError().toStdString();
        // The first one's firing record and log, as a second start would have found them.
        writeBytes(folder() + "/Data/firing.state", "[Firing]\r\nState=1\r\n");
        const QStringList watched = {"Data/firing.state", "Data/lastlog.txt", "term.ini", "Prog/Prog1.prg"};
        std::map<QString, std::pair<QByteArray, QDateTime>> before;
        for (const QString& rel : watched)
            before[rel] = {readBytes(folder() + "/" + rel), QFileInfo(folder() + "/" + rel).lastModified()};

        QProcess* second = launch({});
        ASSERT_TRUE(second->waitForFinished(60000)) << "the second start did not end";
        EXPECT_EQ(second->exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(second->exitCode(), 1);
        const QString said = QString::fromLocal8Bit(second->readAllStandardError());
        EXPECT_TRUE(said.contains(QString("Fornaxel is already running (process %1) on this folder").arg(first->processId())))
            << said.toStdString();
        EXPECT_TRUE(said.contains(folder())) << said.toStdString();
        for (const QString& rel : watched) {
            EXPECT_EQ(readBytes(folder() + "/" + rel), before[rel].first) << rel.toStdString();
            EXPECT_EQ(QFileInfo(folder() + "/" + rel).lastModified(), before[rel].second) << rel.toStdString();
        }
        EXPECT_TRUE(QDir(folder() + "/Data").entryList({"lastlog-*"}).isEmpty());
        EXPECT_EQ(first->state(), QProcess::Running);

        QFile::remove(folder() + "/Data/firing.state");
        EXPECT_EQ(endInOrder(first), 0);
        EXPECT_EQ(readBytes(folder() + "/fornaxel.lock"), QByteArray()) << "an orderly end leaves no number";
    }
}

TEST_F(Program, HelpVersionAndAnUnknownOption)
{
    layOut(true);
    struct Case {
        QStringList arguments;
        bool display;
        int exitCode;
        QString out, err;
    };
    const Case cases[] = {
        {{"--help"}, false, 0, "Usage: fornaxel [options] [FILE.prg | FILE.ovn ...]", ""},
        {{"--version"}, false, 0, "Fornaxel 1.0.0\n", ""},
        {{"-v"}, false, 0, "Fornaxel 1.0.0\n", ""},
        {{"--bogus"}, true, 2, "", "Unknown option 'bogus'"},
        {{"notes.txt"}, true, 2, "", "'notes.txt' is neither a firing program (.prg) nor a kiln configuration (.ovn)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments.join(' ').toStdString());
        QProcess* p = launch(c.arguments, c.display);
        ASSERT_TRUE(p->waitForFinished(60000));
        EXPECT_EQ(p->exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(p->exitCode(), c.exitCode);
        const QString out = QString::fromLocal8Bit(p->readAllStandardOutput());
        const QString err = QString::fromLocal8Bit(p->readAllStandardError());
        EXPECT_TRUE(out.contains(c.out)) << out.toStdString();
        EXPECT_EQ(out.isEmpty(), c.out.isEmpty()) << out.toStdString();
        EXPECT_TRUE(err.contains(c.err)) << err.toStdString();
        EXPECT_FALSE(QFileInfo::exists(root() + "/xdg")) << "no folder is made to answer";
    }
}

TEST_F(Program, AProgramNamedOnTheCommandLineIsLoadedAndTheLeftLogKept)
{
    layOut(true);
    // A run that died: its lock still holds a number, its log is there.
    QDir().mkpath(folder() + "/Data");
    QFile::copy(kData + "/term.ini", folder() + "/term.ini");
    writeBytes(folder() + "/fornaxel.lock", "2147483000\n");
    writeBytes(folder() + "/Data/lastlog.txt", "the dead run's account\r\n");
    const QString given = root() + "/Given.prg";
    writeBytes(given, "[TForm1]\r\nFormVersion=0\r\nScale=C\r\nCount=2\r\nTemp1=555\r\nTime1=30\r\nTemp2=0\r\nTime2=0\r\n");

    QProcess* p = launch({given});
    ASSERT_TRUE(upAndLogging(p)) << p->readAllStandardError().toStdString();
    ASSERT_TRUE(waitFor([&] { return readBytes(folder() + "/Data/lastlog.txt").contains("Given.prg"); }, 60000));
    EXPECT_EQ(endInOrder(p), 0);

    EXPECT_TRUE(readBytes(folder() + "/term.ini").contains(("PROGRAM=" + given).toUtf8()));
    const QStringList kept = QDir(folder() + "/Data").entryList({"lastlog-*.txt"}, QDir::Files);
    ASSERT_EQ(kept.size(), 1);
    EXPECT_EQ(readBytes(folder() + "/Data/" + kept.front()), "the dead run's account\r\n");
    const QByteArray log = readBytes(folder() + "/Data/lastlog.txt");
    EXPECT_TRUE(log.contains("its log was kept as")) << log.toStdString();
    EXPECT_FALSE(log.contains("the dead run's account"));
}
