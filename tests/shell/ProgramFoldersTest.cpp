// Where the program keeps its files: a portable folder or an installed program's per-user
// folder seeded from the shared one, the lookup that lets the user's own files win, the
// instance lock, the kept log of a run that did not end in order, and the command line.
#include "CommandLine.h"
#include "InstanceLock.h"
#include "LastLogKeeper.h"
#include "MessageTable.h"
#include "ProgramFolders.h"
#include "StartUpGate.h"
#include "TestFiles.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

const QString kData = QString(FORNAXEL_DATA_DIR);

// prefix/bin, prefix/share/fornaxel with the shipped files, and an empty XDG_DATA_HOME.
struct Installed : ::testing::Test {
    QTemporaryDir dir;
    QString bin() const { return dir.path() + "/prefix/bin"; }
    QString shared() const { return dir.path() + "/prefix/share/fornaxel"; }
    QString user() const { return dir.path() + "/xdg/Fornaxel"; }

    void SetUp() override
    {
        QDir().mkpath(bin());
        for (const char* rel : {"term.ini", "English.lng", "Russian.lng", "Prog/Prog1.prg", "Oven/Oven1.ovn",
                                   "Help/English/Help.htm", "Help/English/Hardware.htm", "Cones/cones.csv"})
            copy(kData + "/" + rel, shared() + "/" + rel);
    }
    static void copy(const QString& from, const QString& to)
    {
        QDir().mkpath(QFileInfo(to).path());
        ASSERT_TRUE(QFile::copy(from, to)) << from.toStdString();
    }
    ProgramFolders folders() const { return ProgramFolders::forExecutable(bin(), user()); }
};

}  // namespace

TEST_F(Installed, TheTwoFolderRules)
{
    struct Case {
        const char* name;
        bool termIniBesideExecutable;
        QString program, shared, guardian;
    };
    const QString prefix = dir.path() + "/prefix";
    const Case cases[] = {
        {"installed", false, user(), shared(), prefix + "/libexec/fornaxel/fornaxel-guardian"},
        {"portable", true, bin(), bin(), bin() + "/fornaxel-guardian"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.termIniBesideExecutable)
            writeBytes(bin() + "/term.ini", "[TForm1]\r\n");
        const ProgramFolders f = folders();
        EXPECT_EQ(f.portable(), c.termIniBesideExecutable);
        EXPECT_EQ(f.programFolder(), c.program);
        EXPECT_EQ(f.sharedFolder(), c.shared);
        EXPECT_EQ(f.guardianPath(), c.guardian);
        EXPECT_FALSE(QFileInfo::exists(user())) << "resolving creates nothing";
    }
    // The user's folder follows XDG_DATA_HOME.
    const QByteArray old = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", QFile::encodeName(dir.path() + "/xdg"));
    EXPECT_EQ(ProgramFolders::userDataFolder(), user());
    qputenv("XDG_DATA_HOME", old);
}

TEST_F(Installed, FirstStartSeedsTheUserFolderAndNeverOverwrites)
{
    struct Case {
        const char* name;
        std::function<void()> before;  // what the user's folder holds before prepare()
        QByteArray prog1, termIni;     // expected afterwards; empty: the shipped bytes
        bool ovenThere;
    };
    const QByteArray shippedProg = readBytes(shared() + "/Prog/Prog1.prg");
    const QByteArray shippedIni = readBytes(shared() + "/term.ini");
    const Case cases[] = {
        {"an empty folder is created and seeded", [] {}, {}, {}, true},
        {"a program the user changed stays; what is missing comes", [&] {
             QDir().mkpath(user() + "/Prog");
             writeBytes(user() + "/Prog/Prog1.prg", "mine");
         }, "mine", {}, true},
        {"after the first start nothing more is copied", [&] {
             QDir().mkpath(user());
             writeBytes(user() + "/term.ini", "[TForm1]\r\nEnglish_Checked=FALSE\r\n");
         }, "-", "[TForm1]\r\nEnglish_Checked=FALSE\r\n", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QDir(dir.path() + "/xdg").removeRecursively();
        c.before();
        ASSERT_NO_THROW(folders().prepare());
        EXPECT_TRUE(QFileInfo(user()).isDir());
        const QByteArray prog = QFileInfo::exists(user() + "/Prog/Prog1.prg") ? readBytes(user() + "/Prog/Prog1.prg") : "-";
        EXPECT_EQ(prog, c.prog1.isEmpty() ? shippedProg : c.prog1);
        EXPECT_EQ(readBytes(user() + "/term.ini"), c.termIni.isEmpty() ? shippedIni : c.termIni);
        EXPECT_EQ(QFileInfo::exists(user() + "/Oven/Oven1.ovn"), c.ovenThere);
        // Languages, help and cones are read from the shared folder, not copied.
        EXPECT_FALSE(QFileInfo::exists(user() + "/English.lng"));
        EXPECT_FALSE(QFileInfo::exists(user() + "/Help"));
        // The copies can be saved over.
        if (c.ovenThere) {
            EXPECT_TRUE(QFileInfo(user() + "/Oven/Oven1.ovn").isWritable());
        }
    }
}

TEST_F(Installed, TheUsersOwnFileWinsOverTheSharedOne)
{
    ASSERT_NO_THROW(folders().prepare());
    writeBytes(user() + "/English.lng", "MBWarning=\"Mine\"\r\n");
    QDir().mkpath(user() + "/Help/English");
    writeBytes(user() + "/Help/English/Hardware.htm", "<p>mine</p>");
    writeBytes(user() + "/Polski.lng", "MBWarning=\"Uwaga\"\r\n");
    struct Case {
        QString relative, expected;
    };
    const Case cases[] = {
        {"English.lng", user() + "/English.lng"},
        {"Russian.lng", shared() + "/Russian.lng"},
        {"Polski.lng", user() + "/Polski.lng"},
        {"Help/English/Hardware.htm", user() + "/Help/English/Hardware.htm"},
        {"Help/English/Help.htm", shared() + "/Help/English/Help.htm"},  // page by page
        {"Cones/cones.csv", shared() + "/Cones/cones.csv"},
        {"Missing.lng", user() + "/Missing.lng"},  // where the operator would put it
    };
    for (const Case& c : cases)
        EXPECT_EQ(folders().readable(c.relative), c.expected) << c.relative.toStdString();

    // The message table follows the same rule, the "Other" language included.
    MessageTable table;
    table.setFolder(user(), shared());
    for (const auto& [language, warning] : {std::pair{"English", "Mine"}, {"Polski", "Uwaga"}}) {
        table.LoadLng(language);
        EXPECT_EQ(table.LS("MBWarning"), warning) << language;
    }
    table.LoadLng("Russian");
    EXPECT_NE(table.LS("MBWarning"), "?? MBWarning ??");
    EXPECT_THROW(table.LoadLng("Missing"), std::runtime_error);
}

TEST_F(Installed, AFolderThatCannotBeUsedIsAClearError)
{
    struct Case {
        const char* name;
        QString blocker;  // a file where a folder should be
        QString userFolder;
    };
    const Case cases[] = {
        {"XDG_DATA_HOME is a file", dir.path() + "/xdgfile", dir.path() + "/xdgfile/Fornaxel"},
        {"the program folder is a file", dir.path() + "/Fornaxel", dir.path() + "/Fornaxel"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        writeBytes(c.blocker, "x");
        try {
            ProgramFolders::forExecutable(bin(), c.userFolder).prepare();
            ADD_FAILURE() << "no error";
        } catch (const FolderError& e) {
            EXPECT_EQ(e.folder, c.userFolder);
            EXPECT_FALSE(e.cause.trimmed().isEmpty());
            EXPECT_TRUE(QString::fromUtf8(e.what()).contains(c.userFolder));
        }
        // At start-up the refusal names the folder too, in the shipped language.
        StartUpGate gate(ProgramFolders::forExecutable(bin(), c.userFolder));
        EXPECT_FALSE(gate.open());
        EXPECT_TRUE(gate.refusal().contains(c.userFolder)) << gate.refusal().toStdString();
        EXPECT_TRUE(gate.refusal().startsWith("The program folder")) << gate.refusal().toStdString();
        QFile::remove(c.blocker);
    }
}

TEST(InstanceLock, OneHolderAtATimeAndALeftLockIsTakenOver)
{
    QTemporaryDir dir;
    const QString lockFile = dir.path() + "/" + InstanceLock::kFileName;
    struct Case {
        const char* name;
        QByteArray leftInFile;  // null: no file
        InstanceLock::Result expected;
    };
    const Case cases[] = {
        {"no lock yet", QByteArray(), InstanceLock::Result::Taken},
        {"emptied by an orderly end", "", InstanceLock::Result::Taken},
        {"a dead process's number", "2147483000\n", InstanceLock::Result::TakenOverStale},
        {"garbage", "\x01junk", InstanceLock::Result::TakenOverStale},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(lockFile);
        if (!c.leftInFile.isNull())
            writeBytes(lockFile, c.leftInFile);
        InstanceLock first(dir.path());
        EXPECT_EQ(first.acquire(), c.expected);
        EXPECT_EQ(readBytes(lockFile).trimmed().toLongLong(), qint64(::getpid()));

        // A second one on the same folder learns who holds it and writes nothing.
        const QByteArray held = readBytes(lockFile);
        InstanceLock second(dir.path());
        EXPECT_EQ(second.acquire(), InstanceLock::Result::HeldByAnother);
        EXPECT_EQ(second.holder(), qint64(::getpid()));
        second.release();
        EXPECT_EQ(readBytes(lockFile), held);

        first.release();
        EXPECT_EQ(readBytes(lockFile), QByteArray()) << "an orderly end leaves no number behind";
        EXPECT_TRUE(QFileInfo::exists(lockFile));
    }
    InstanceLock nowhere(dir.path() + "/gone");
    EXPECT_EQ(nowhere.acquire(), InstanceLock::Result::Failed);
    EXPECT_TRUE(nowhere.errorString().contains(dir.path() + "/gone/" + InstanceLock::kFileName));
}

TEST(LastLogKeeper, KeepsTheLogUnderItsTimeAndNeverOverAKeptOne)
{
    QTemporaryDir dir;
    const QString log = dir.path() + "/lastlog.txt";
    const QDateTime written(QDate(2026, 3, 4), QTime(5, 6, 7));
    const QString kept = dir.path() + "/lastlog-20260304-050607.txt";
    struct Case {
        const char* name;
        QByteArray lastLog;      // null: none
        QByteArray alreadyKept;  // null: none
        QString expected;
    };
    const Case cases[] = {
        {"nothing to keep", QByteArray(), QByteArray(), QString()},
        {"kept under its time", "run 1", QByteArray(), kept},
        {"a kept one of the same second stays", "run 2", "run 1", dir.path() + "/lastlog-20260304-050607-2.txt"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (const QString& f : QDir(dir.path()).entryList(QDir::Files))
            QFile::remove(dir.filePath(f));
        if (!c.alreadyKept.isNull())
            writeBytes(kept, c.alreadyKept);
        if (!c.lastLog.isNull()) {
            writeBytes(log, c.lastLog);
            QFile f(log);
            ASSERT_TRUE(f.open(QIODevice::ReadWrite));
            ASSERT_TRUE(f.setFileTime(written, QFileDevice::FileModificationTime));
        }
        const LastLogKeeper::Kept result = LastLogKeeper::keep(dir.path());
        EXPECT_EQ(result.path, c.expected);
        EXPECT_TRUE(result.error.isEmpty());
        EXPECT_FALSE(QFileInfo::exists(log));
        if (!c.expected.isEmpty()) {
            EXPECT_EQ(readBytes(c.expected), c.lastLog);
        }
        if (!c.alreadyKept.isNull()) {
            EXPECT_EQ(readBytes(kept), c.alreadyKept);
        }
    }
}

TEST(CommandLine, AnswersRefusalsAndFiles)
{
    QTemporaryDir dir;
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    struct Case {
        QStringList arguments;
        bool ends;
        int exitCode;
        QString output, error;  // contained in what is printed
        QList<CommandLine::File> files;
    };
    using K = CommandLine::Kind;
    const Case cases[] = {
        {{}, false, 0, "", "", {}},
        {{"--version"}, true, 0, "Fornaxel 1.0.0\n", "", {}},
        {{"-v"}, true, 0, "Fornaxel 1.0.0\n", "", {}},
        {{"--help"}, true, 0, "Usage: fornaxel [options] [FILE.prg | FILE.ovn ...]", "", {}},
        {{"x.prg", "-h", "--bogus"}, true, 0, "--version", "", {}},
        {{"--bogus"}, true, 2, "", "Unknown option 'bogus'", {}},
        {{"-platform"}, true, 2, "", "Unknown option 'platform'", {}},
        {{"notes.txt"}, true, 2, "", "'notes.txt' is neither a firing program (.prg) nor a kiln configuration (.ovn)", {}},
        {{"Glaze.prg", "/k/Big.OVN", "--", "-odd.prg"}, false, 0, "", "",
         {{K::Program, dir.path() + "/Glaze.prg"}, {K::Kiln, "/k/Big.OVN"}, {K::Program, dir.path() + "/-odd.prg"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments.join(' ').toStdString());
        const CommandLine line = CommandLine::read(QStringList{"/usr/bin/fornaxel"} + c.arguments);
        EXPECT_EQ(line.ends(), c.ends);
        EXPECT_EQ(line.exitCode(), c.exitCode);
        EXPECT_TRUE(line.output().contains(c.output)) << line.output().toStdString();
        EXPECT_TRUE(line.error().contains(c.error)) << line.error().toStdString();
        EXPECT_EQ(line.output().isEmpty(), c.output.isEmpty());
        EXPECT_EQ(line.error().isEmpty(), c.error.isEmpty());
        EXPECT_EQ(line.files(), c.files);
    }
}
