// A file system that fills up during a firing: the program folder is a small tmpfs this test
// mounts (it needs root, as the CI runner has; elsewhere it is skipped), filled to the last
// block. Every kind of file the program writes then keeps its old content, no half-written
// file is left behind, and each failure is reported once, naming the cause.
#include "SimulatedKiln.h"

#include "DataFiles.h"
#include "EventLog.h"
#include "FiringStateKeeper.h"
#include "GifWriter.h"
#include "OvenFile.h"
#include "ProgramFile.h"
#include "TestFiles.h"
#include "TextCodec.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QMap>
#include <cerrno>
#include <cstring>
#include <exception>
#include <functional>
#include <sys/mount.h>
#include <unistd.h>

namespace {

constexpr const char* kFull = "No space left on device";

// Every file under `folder` but the filler, with its bytes.
QMap<QString, QByteArray> filesUnder(const QString& folder)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (!path.endsWith("/filler"))
            files.insert(path, readBytes(path));
    }
    return files;
}

QString errorOf(const std::function<void()>& write)
{
    try {
        write();
    } catch (const std::exception& e) {
        return QString::fromUtf8(e.what());
    }
    return {};
}

struct FullDisk : ::testing::Test, WindowServices {
    ScopedLocaleFacts locale{LocaleFacts{}};
    QTemporaryDir mountPoint;
    QString folder;
    bool mounted = false;
    std::unique_ptr<TForm1> form;

    void SetUp() override
    {
        if (::geteuid() != 0)
            GTEST_SKIP() << "mounting a small tmpfs needs root";
        folder = mountPoint.path();
        if (::mount("tmpfs", QFile::encodeName(folder).constData(), "tmpfs", 0, "size=4m,mode=0755") != 0)
            GTEST_SKIP() << "cannot mount a tmpfs: " << std::strerror(errno);
        mounted = true;
        QDir().mkpath(folder + "/Prog");
        QDir().mkpath(folder + "/Oven");
        random.fallback = -1;
        form = std::make_unique<TForm1>(app(folder));
        restoreWithoutTimers(*form);
    }

    void TearDown() override
    {
        form.reset();
        if (mounted)
            ::umount2(QFile::encodeName(folder).constData(), MNT_DETACH);
    }

    // Writes until the file system refuses: afterwards no new block can be had.
    void fill()
    {
        QFile filler(folder + "/filler");
        ASSERT_TRUE(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        const QByteArray chunk(4096, 'f');
        while (filler.write(chunk) == chunk.size()) {
        }
    }

    int logEntriesWith(const QString& text) const
    {
        int n = 0;
        for (const QString& line : form->log->lines())
            n += line.contains(text);
        return n;
    }
};

TEST_F(FullDisk, EveryFileKeepsItsOldContentAndEachFailureIsReportedOnce)
{
    form->Prog->setCell(1, 2, "300");
    form->Prog->setCell(2, 2, "60");
    form->InterfaceTimerTimer();
    form->StartButtonClick();
    ASSERT_EQ(form->state.ProgState, Running);
    // Each kind of file once while there is room: the old files the full disk must keep.
    const QString prg = folder + "/Prog/Prog1.prg", ovn = folder + "/Oven/Oven1.ovn", ini = folder + "/term.ini";
    form->programFile->Save(prg);
    form->ovenFile->Save(ovn);
    form->settings.save(ini);
    form->TLogTimerTimer();
    form->dataFiles->SaveAll();
    const QString base = form->dataFiles->DataFileBase();
    ASSERT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join("; ").toStdString();
    const QMap<QString, QByteArray> before = filesUnder(folder);
    for (const QString& name : {prg, ovn, ini, folder + "/Data/lastlog.txt", folder + "/Data/firing.state",
                                base + ".dat", base + ".gif", base + ".txt"})
        ASSERT_FALSE(before.value(name).isEmpty()) << name.toStdString();

    fill();
    // Edits that every file would carry now.
    form->Prog->setCell(1, 2, "400");
    form->log->TLogX("entry on a full disk");
    struct Case {
        const char* kind;
        QString file;                 // named in the report
        std::function<QString()> write;  // the report of one attempt, empty when none was made
    };
    const auto thrown = [](std::function<void()> f) { return [f] { return errorOf(f); }; };
    const Case cases[] = {
        {"program", prg, thrown([&] { form->programFile->Save(prg); })},
        {"kiln", ovn, thrown([&] { form->ovenFile->Save(ovn); })},
        {"settings", ini, thrown([&] { form->settings.save(ini); })},
        {"table", base + ".dat", thrown([&] { form->dataFiles->SaveAll(); })},
        {"picture", base + ".gif", thrown([&] {
             TextCodec::writeFileAtomic(base + ".gif", GifWriter::encode(QImage(400, 300, QImage::Format_RGB32)));
         })},
        {"log copy", base + ".txt", thrown([&] { form->log->writeCopy(base + ".txt"); })},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kind);
        const QString report = c.write();
        EXPECT_EQ(report, "Cannot write the file " + c.file + ": " + kFull);
        EXPECT_EQ(filesUnder(folder), before);
    }
    // The log mirror and the firing record are written again and again: one report each for
    // the whole episode.
    for (int attempt = 0; attempt < 3; ++attempt) {
        form->log->TLogX("entry " + QString::number(attempt));
        form->TLogTimerTimer();
        form->PauseButtonClick();  // a change of state: the record is due at once
    }
    ASSERT_EQ(dialogs.errors.size(), 1) << dialogs.errors.join("; ").toStdString();
    EXPECT_EQ(dialogs.errors[0], "Cannot write the file " + folder + "/Data/lastlog.txt: " + kFull);
    EXPECT_EQ(logEntriesWith("LogFiringStateNotWritten"), 1);
    EXPECT_EQ(logEntriesWith(QString("Data/firing.state: ") + kFull), 1);
    EXPECT_EQ(filesUnder(folder), before);

    // Room again: the next mirror holds every entry, with no further report.
    ASSERT_TRUE(QFile::remove(folder + "/filler"));
    form->TLogTimerTimer();
    EXPECT_EQ(dialogs.errors.size(), 1);
    EXPECT_EQ(QString::fromUtf8(readBytes(folder + "/Data/lastlog.txt")), form->log->lines().join("\r\n") + "\r\n\r\n");
}

}  // namespace
