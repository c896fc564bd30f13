// Files made to hurt, through the real loaders: a FIFO where a file is expected, an INI file
// of a million one-key sections, and firing records whose numbers are out of any sane range.
// None may hang the program, take memory out of all proportion, or be acted upon.
#include "DrivenWindow.h"
#include "EventLog.h"
#include "FiringStateFile.h"
#include "IniFile.h"
#include "LocaleFacts.h"
#include "ProgramFile.h"
#include "ProgramFileRig.h"
#include "ProgramTable.h"
#include "TForm1.h"
#include "TestFiles.h"
#include "TestServices.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <functional>
#include <chrono>
#include <exception>
#include <fcntl.h>
#include <malloc.h>
#include <memory>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

QString errorOf(const std::function<void()>& load)
{
    try {
        load();
    } catch (const std::exception& e) {
        return QString::fromUtf8(e.what());
    }
    return {};
}

// A FIFO that nobody writes to. Should anything open it for reading, a writer comes by,
// notes it and closes at once, so that a reader that blocked in `open` gets the end of the
// file and the test ends with a failure instead of hanging.
class Fifo {
public:
    explicit Fifo(const QString& path) : path_(QFile::encodeName(path))
    {
        EXPECT_EQ(::mkfifo(path_.constData(), 0644), 0) << std::strerror(errno);
        watcher_ = std::thread([this] {
            while (!stop_) {
                const int fd = ::open(path_.constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
                if (fd >= 0) {  // only succeeds while a reader has it open
                    opened_ = true;
                    ::close(fd);
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
        });
    }
    ~Fifo()
    {
        stop_ = true;
        watcher_.join();
    }
    bool opened() const { return opened_; }

private:
    QByteArray path_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> opened_{false};
    std::thread watcher_;
};

struct HostileFiles : ::testing::Test, WindowServices {
    ScopedLocaleFacts locale{LocaleFacts{}};
    QTemporaryDir dir;

    void SetUp() override
    {
        QDir().mkpath(dir.path() + "/Prog");
        QDir().mkpath(dir.path() + "/Oven");
        QDir().mkpath(dir.path() + "/Data");
        random.fallback = -1;
    }

    std::unique_ptr<TForm1> started()
    {
        auto form = std::make_unique<TForm1>(app(dir.path()));
        restoreWithoutTimers(*form);
        return form;
    }

    int logEntriesWith(const TForm1& form, const QString& text) const
    {
        int n = 0;
        for (const QString& line : form.log->lines())
            n += line.contains(text);
        return n;
    }
};

TEST_F(HostileFiles, AFifoIsNeverOpenedAndIsReportedAsNotAFile)
{
    const QString fifo = dir.path() + "/fifo";
    struct Case {
        const char* given;
        QByteArray settings;  // term.ini; "fifo" stands for the FIFO's path
        QByteArray record;    // Data/firing.state, when there is one
        bool asLanguage = false;
    };
    const Case cases[] = {
        {"program", "[TForm1]\r\nPROGRAM=fifo\r\n", {}},
        {"kiln", "[TForm1]\r\nOVEN=fifo\r\n", {}},
        {"settings", {}, {}},
        {"language", "", {}, true},
        {"firing record's program", "",
         "[Firing]\r\nProgram=fifo\r\nLine=1\r\nLineTime=0.01\r\nState=1\r\nTargetTemp=300\r\nStartTemp=20\r\n"
         "KilnTemp=290\r\nCycleTime=45000.49\r\nSavedAt=45000.49\r\nScheduledStart=0\r\nSimulator=FALSE\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.given);
        dialogs.errors.clear();
        for (const QString& name : {QString("/term.ini"), QString("/Data/firing.state"), QString("/fifo")})
            QFile::remove(dir.path() + name);
        const QString fifoAt = c.settings.isNull() ? dir.path() + "/term.ini" : c.asLanguage ? dir.path() + "/Bad.lng" : fifo;
        QFile::remove(fifoAt);
        const Fifo pipe(fifoAt);
        if (!c.settings.isNull())
            writeBytes(dir.path() + "/term.ini", QByteArray(c.settings).replace("fifo", QFile::encodeName(fifo)));
        if (!c.record.isNull())
            writeBytes(dir.path() + "/Data/firing.state", QByteArray(c.record).replace("fifo", QFile::encodeName(fifo)));
        auto form = started();
        if (c.asLanguage)
            dialogs.errors << errorOf([&] { form->LangSet("Bad"); });
        EXPECT_FALSE(pipe.opened());
        ASSERT_EQ(dialogs.errors.size(), 1) << dialogs.errors.join("; ").toStdString();
        EXPECT_TRUE(dialogs.errors[0].contains(fifoAt + ": not a file but a FIFO")) << dialogs.errors[0].toStdString();
        EXPECT_EQ(form->state.ProgState, Stopped);
        if (!c.record.isNull()) {
            EXPECT_EQ(logEntriesWith(*form, "LogResumeNoProgram"), 1);
        }
        form.reset();
        QFile::remove(fifoAt);
    }
}

// Bytes in use by the allocator, the large blocks it maps included.
std::size_t heapInUse()
{
    const struct mallinfo2 m = mallinfo2();
    return m.uordblks + m.hblkhd;
}

struct HugeIniFiles : ::testing::Test, ProgramFileRig {
    QTemporaryDir dir;
};

TEST_F(HugeIniFiles, AMillionSectionsTakeAFewTimesTheirSizeAndWorseIsRefused)
{
    // Ten-character section names with one short key each: 16 bytes a section, 16 MB a file,
    // and the program's own section after them.
    QByteArray million;
    million.reserve(17 << 20);
    for (int i = 0; i < 1000000; ++i)
        million += "[s" + QByteArray::number(i).rightJustified(6, '0') + "]\r\nk=1\r\n";
    million += "[TForm1]\r\nCount=2\r\nTemp1=100\r\nTime1=5\r\n";
    const QString path = dir.path() + "/million.prg";
    writeBytes(path, million);
    {
        IniFile ini;
        const std::size_t before = heapInUse();
        ASSERT_TRUE(ini.load(path));
        const std::size_t held = heapInUse() - before;
        EXPECT_LE(held, 10 * std::size_t(million.size())) << held << " bytes for " << million.size();
        EXPECT_EQ(ini.readString("S999999", "K", "-"), "1");
        EXPECT_EQ(ini.readString("s000000", "k", "-"), "1");
        EXPECT_EQ(ini.readInteger("tform1", "count", 0), 2);
    }
    file.Load(path);
    EXPECT_EQ(grid.rows() - ProgramTable::kHeaderRows, 2);
    EXPECT_EQ(grid.cell(1, 2), "100");

    // A file of bare one-character lines would need more than ten times its size: refused,
    // saying why, with the table as it was.
    QByteArray tiny;
    for (int i = 0; i < 1000000; ++i)
        tiny += "x\n";
    writeBytes(dir.path() + "/tiny.prg", tiny);
    const QString error = errorOf([&] { file.Load(dir.path() + "/tiny.prg"); });
    EXPECT_TRUE(error.startsWith("Cannot read the file " + dir.path() + "/tiny.prg: 0 sections and 1000000 lines in "
                                 "2000000 characters: holding them would take "))
        << error.toStdString();
    EXPECT_TRUE(error.endsWith("more than 10 times the size of the file")) << error.toStdString();
    EXPECT_EQ(grid.cell(1, 2), "100");
}

TEST_F(HostileFiles, AFiringRecordOutOfRangeIsReportedAndSetAside)
{
    struct Case {
        const char* file;   // in files/; @PROGRAM@ stands for the program's path
        const char* named;  // a part of the report; empty: the record is sound and offered
    };
    const Case cases[] = {
        {"firing-sound.state", ""},
        {"firing-saved-an-hour-ahead.state", ""},  // the clock went back at the end of summer time
        {"firing-start-temp-minus-1e308.state", "key StartTemp: '-1e308' is outside -273.15 to 3000"},
        {"firing-target-temp-1e6.state", "key TargetTemp: '1000000' is outside"},
        {"firing-model-temp-5000.state", "key ModelChamberT: '5000' is outside"},
        {"firing-saved-at-1e308.state", "key SavedAt: '1e308' is outside"},
        {"firing-saved-next-month.state", "key SavedAt: "},
        {"firing-scheduled-1e308.state", "key ScheduledStart: '1e308' is outside"},
        {"firing-scheduled-in-ten-years.state", "key ScheduledStart: "},
        {"firing-line-time-1e308.state", "key LineTime: '1e308' is outside"},
        {"firing-cycle-time-minus-1.state", "key CycleTime: '-1' is outside"},
    };
    writeBytes(dir.path() + "/Prog/Prog1.prg", "[TForm1]\r\nCount=2\r\nTemp1=300\r\nTime1=60\r\nTemp2=300\r\nTime2=10\r\n");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        dialogs.asked.clear();
        dialogs.errors.clear();
        dialogs.yesNoAnswer = false;
        QFile::remove(dir.path() + "/Data/firing.state.bad");
        const QString record = dir.path() + "/Data/firing.state";
        writeBytes(record, readBytes(QString(FORNAXEL_BADINPUT_DIR) + "/" + c.file)
                               .replace("@PROGRAM@", QFile::encodeName(dir.path() + "/Prog/Prog1.prg")));
        auto form = started();
        EXPECT_EQ(form->state.ProgState, Stopped);
        EXPECT_FALSE(QFile::exists(record));
        if (!c.named[0]) {
            EXPECT_EQ(dialogs.asked.filter("yesno:").size(), 1) << dialogs.asked.join("; ").toStdString();
            EXPECT_EQ(logEntriesWith(*form, "LogResumeDeclined"), 1);
            continue;
        }
        EXPECT_TRUE(dialogs.asked.filter("yesno:").isEmpty()) << dialogs.asked.join("; ").toStdString();
        EXPECT_TRUE(QFile::exists(record + ".bad"));
        ASSERT_EQ(logEntriesWith(*form, "LogFiringStateBroken"), 1);
        EXPECT_EQ(logEntriesWith(*form, c.named), 1) << form->log->lines().join("\n").toStdString();
    }
}

}  // namespace
