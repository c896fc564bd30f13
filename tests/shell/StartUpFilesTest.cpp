// The window at start-up: files named on the command line load after the stored ones, an
// installed program reads the shipped files it has no copy of, and the log of a run that did
// not end in order is kept.
#include "DrivenWindow.h"
#include "LocaleFacts.h"
#include "ProgramFolders.h"
#include "TForm1.h"
#include "TestFiles.h"
#include "Widgets.h"

#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <gtest/gtest.h>

namespace {

const QString kData = QString(FORNAXEL_DATA_DIR);

struct StartUp : ::testing::Test, WindowServices {
    ScopedLocaleFacts locale{LocaleFacts{}};
    QTemporaryDir dir;
    std::unique_ptr<TForm1> form;

    QString folder() const { return dir.path(); }
    void ship(const QString& rel, const QString& into)
    {
        QDir().mkpath(QFileInfo(into + "/" + rel).path());
        ASSERT_TRUE(QFile::copy(kData + "/" + rel, into + "/" + rel)) << rel.toStdString();
    }
    void start(AppServices services)
    {
        form = std::make_unique<TForm1>(services);
        form->FormStorage1RestorePlacement();
        form->LoadFilesAtStart();
        form->InterfaceTimer->stop();
        form->HardwareTimer->stop();
        form->FlashTimer->stop();
    }
    bool logged(const QString& text) const { return form->log->lines().join('\n').contains(text); }
};

}  // namespace

TEST_F(StartUp, FilesNamedOnTheCommandLineLoadAfterTheStoredOnes)
{
    ship("term.ini", folder());
    ship("English.lng", folder());
    ship("Prog/Prog1.prg", folder());
    ship("Oven/Oven1.ovn", folder());
    const QString good = folder() + "/Given.prg";
    writeBytes(good, "[TForm1]\r\nFormVersion=0\r\nScale=C\r\nCount=2\r\nTemp1=555\r\nTime1=30\r\nTemp2=0\r\nTime2=0\r\n");
    const QString broken = folder() + "/Broken.prg";
    writeBytes(broken, "[TForm1]\r\nCount=lots\r\n");
    const QString kiln = folder() + "/Other.ovn";
    ASSERT_TRUE(QFile::copy(kData + "/Oven/Oven1.ovn", kiln));
    const QString stored = folder() + "/Prog/Prog1.prg";
    using K = CommandLine::Kind;
    struct Case {
        const char* name;
        QList<CommandLine::File> files;
        QString program, oven;  // loaded afterwards
        QStringList errors;     // each contained in one reported error, in order
    };
    const Case cases[] = {
        {"a program", {{K::Program, good}}, good, folder() + "/Oven/Oven1.ovn", {}},
        {"a missing file is reported, the next still loads", {{K::Program, folder() + "/Gone.prg"}, {K::Kiln, kiln}},
         stored, kiln, {"Cannot open " + folder() + "/Gone.prg"}},
        {"a folder is no file", {{K::Kiln, folder() + "/Prog"}}, stored, folder() + "/Oven/Oven1.ovn",
         {folder() + "/Prog"}},
        {"a broken one is reported as the Load button reports it", {{K::Program, broken}, {K::Program, good}}, good,
         folder() + "/Oven/Oven1.ovn", {"'lots'"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        dialogs.errors.clear();
        form.reset();
        auto services = app(folder());
        form = std::make_unique<TForm1>(services);
        form->OpenAtStart(c.files);
        form->FormStorage1RestorePlacement();
        form->LoadFilesAtStart();
        form->InterfaceTimer->stop();
        form->HardwareTimer->stop();
        form->FlashTimer->stop();
        EXPECT_EQ(form->programFile->FileName(), c.program);
        EXPECT_EQ(form->ovenFile->FileName(), c.oven);
        ASSERT_EQ(dialogs.errors.size(), c.errors.size()) << dialogs.errors.join(" | ").toStdString();
        for (qsizetype i = 0; i < c.errors.size(); ++i)
            EXPECT_TRUE(dialogs.errors[i].contains(c.errors[i])) << dialogs.errors[i].toStdString();
        if (c.program == good) {
            EXPECT_EQ(form->Prog->cell(1, 2), "555");
        }
    }
}

TEST_F(StartUp, AnInstalledProgramReadsTheSharedFilesItHasNoCopyOf)
{
    const QString shared = folder() + "/share/fornaxel";
    const QString user = folder() + "/user/Fornaxel";
    for (const char* rel : {"term.ini", "English.lng", "Prog/Prog1.prg", "Oven/Oven1.ovn", "Help/English/Help.htm",
                               "Sounds/CHIMES.WAV"})
        ship(rel, shared);
    QDir().mkpath(folder() + "/bin");
    const ProgramFolders folders = ProgramFolders::forExecutable(folder() + "/bin", user);
    folders.prepare();
    // The user's own English wins over the shipped one, key by file, not key by key.
    writeBytes(user + "/English.lng", readBytes(kData + "/English.lng").replace("MBWarning=\"Warning\"",
                                                                                 "MBWarning=\"Mine\""));
    auto services = app(QString());
    services.folders = &folders;
    start(services);
    EXPECT_EQ(form->state.AppFolder, user);
    EXPECT_EQ(form->texts.LS("MBWarning"), "Mine");
    EXPECT_EQ(form->programFile->FileName(), user + "/Prog/Prog1.prg");
    EXPECT_EQ(form->WebBrowser1->source().toLocalFile(), shared + "/Help/English/Help.htm");
    form->WAV3->setText("CHIMES.WAV");
    EXPECT_EQ(form->sounds->SoundFile(3), shared + "/Sounds/CHIMES.WAV");
    EXPECT_EQ(form->sounds->SoundFolder(), shared + "/Sounds");
    // The user's own sound of the same name wins.
    ship("Sounds/CHIMES.WAV", user);
    EXPECT_EQ(form->sounds->SoundFile(3), user + "/Sounds/CHIMES.WAV");
}

TEST_F(StartUp, TheLogOfARunThatDidNotEndInOrderIsKept)
{
    struct Case {
        const char* name;
        bool recordLeft, lockLeft;
        bool kept;
    };
    const Case cases[] = {
        {"an orderly end", false, false, false},
        {"a firing record left behind", true, false, true},
        {"an instance lock left behind", false, true, true},
    };
    ship("term.ini", folder());
    ship("English.lng", folder());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        form.reset();
        QDir(folder() + "/Data").removeRecursively();
        QDir().mkpath(folder() + "/Data");
        writeBytes(folder() + "/Data/lastlog.txt", "the last run's account\r\n");
        if (c.recordLeft)
            writeBytes(folder() + "/Data/firing.state", "[Firing]\r\n");
        auto services = app(folder());
        services.lastRunUnclean = c.lockLeft;
        start(services);
        const QStringList keptLogs = QDir(folder() + "/Data").entryList({"lastlog-*.txt"}, QDir::Files);
        ASSERT_EQ(keptLogs.size(), c.kept ? 1 : 0) << keptLogs.join(' ').toStdString();
        EXPECT_EQ(logged("its log was kept as"), c.kept);
        if (c.kept) {
            EXPECT_EQ(readBytes(folder() + "/Data/" + keptLogs.front()), "the last run's account\r\n");
            EXPECT_TRUE(logged(keptLogs.front()));
        }
        // This run's log goes to lastlog.txt as ever.
        form->TLogTimerTimer();
        EXPECT_FALSE(readBytes(folder() + "/Data/lastlog.txt").contains("the last run's account"));
    }
}
