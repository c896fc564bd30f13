#include "DataFiles.h"

#include "DateTime.h"
#include "EventLog.h"
#include "FakeTexts.h"
#include "GifWriter.h"
#include "LocaleFacts.h"
#include "TemperatureChart.h"
#include "TestFiles.h"
#include "TestServices.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>
#include <memory>
#include <qcustomplot.h>
#include <stdexcept>

namespace {

LocaleFacts factsWith(QChar decimal)
{
    LocaleFacts f;
    f.decimalSeparator = decimal;
    f.thousandSeparator = decimal == ',' ? QChar(' ') : QChar(',');
    return f;
}

struct FilesFixture : ::testing::Test {
    ScopedLocaleFacts facts{factsWith('.')};
    QTemporaryDir dir;
    KilnState state;
    FakeClock clock;
    FakeTexts texts;
    FakeDialogs dialogs;
    QPlainTextEdit memo;
    QTimer timer;
    EventLog log{state, texts, &memo, &timer};
    QWidget tab;
    QCustomPlot* plot = new QCustomPlot(&tab);
    QLineEdit pidP{"1"}, pidI{"0,02"}, pidD{"0,005"}, modelP{"0.05"}, modelR{"0,003"}, modelI{"1"};
    QLineEdit energy{"1,25"}, cost{"12,5"};
    std::unique_ptr<TemperatureChart> chart;
    std::unique_ptr<DataFiles> files;
    int meterClears = 0;
    const double t0 = DateTime::fromQDateTime(QDateTime(QDate(2024, 3, 15), QTime(14, 0, 0)));
    const QString base = "24-03-15 14-05-09";  // the wall clock below

    void SetUp() override
    {
        state.AppFolder = dir.path();
        state.AppVersion = "1.0.0";
        state.VerMajor = 1;
        state.VerBuild = 7;
        state.LostCycles = 3;
        clock.value = DateTime::fromQDateTime(QDateTime(QDate(2024, 3, 15), QTime(14, 5, 9)));
        tab.resize(420, 300);
        plot->setGeometry(0, 0, 420, 300);
        chart = std::make_unique<TemperatureChart>(state, dialogs,
                                                   TemperatureChartView{plot, nullptr, &pidP, &pidI, &pidD, {}});
        DataFilesView view{&tab, &pidP, &pidI, &pidD, &modelP, &modelR, &modelI, &energy, &cost};
        DataFilesHooks hooks;
        hooks.DeviceNameStr = [this] { return state.simulated() ? QString("Simulator") : QString("Ardentor PC"); };
        hooks.OvenFileName = [] { return QString("/kiln/Oven1.ovn"); };
        hooks.ProgramFileName = [] { return QString("/kiln/Prog1.prg"); };
        hooks.ClearEnergyMeter = [this] { ++meterClears; };
        files = std::make_unique<DataFiles>(state, clock, texts, log, *chart, dialogs, view, hooks);
    }

    // One cycle's points: every value distinct, so a column mix-up shows.
    void cycle(int n)
    {
        state.CycleTime = t0 + 2 * n * DateTime::kSecond;
        state.RecordStart = t0;
        state.Devices[17].Value = 20.5 + n;
        for (int k = 1; k <= 8; ++k)
            state.Devices[k].Value = 100 * k + n;
        state.TargetTemp = 300 + n;
        state.Pid.Power = 40 + n;
        chart->DrawGraph();
    }

    QString path(const QString& ext) const { return dir.path() + "/Data/" + base + ext; }
    QStringList fileLines(const QString& ext) const { return QString::fromUtf8(readBytes(path(ext))).split("\r\n"); }
    void blockWith(const QString& ext) const { ASSERT_TRUE(QDir().mkpath(path(ext))); }  // a folder where the file goes
};

}  // namespace

TEST_F(FilesFixture, TableHasTheHeaderAndEveryPointButTheNewestWithPointsUnderAnyLocale)
{
    for (const QChar decimal : {QChar('.'), QChar(',')}) {
        SCOPED_TRACE(std::string("decimal ") + char(decimal.unicode()));
        ScopedLocaleFacts local(factsWith(decimal));
        chart->ClearAll();
        files->SaveAll();
        // An empty chart: the header only.
        EXPECT_EQ(readBytes(path(".dat")), "1 0 0 7 0.02 1 0.005 0.05 0.003 1 0 0 0 0 0 0\r\n");

        for (int n = 0; n < 3; ++n)
            cycle(n);
        files->SaveAll();
        const QStringList lines = fileLines(".dat");
        ASSERT_EQ(lines.size(), 4);  // header, two points (not the newest), the end of the last line
        EXPECT_EQ(lines[3], "");
        EXPECT_EQ(lines[1], "45366.5833333333 20.5 0 0 0 40 300 40 100 200 300 400 500 600 700 800 ");
        EXPECT_TRUE(lines[2].startsWith("45366.5833564815 21.5 0 0 0 41 301 41 101 "));
        EXPECT_EQ(lines[2].count(' '), 16);
    }
}

TEST_F(FilesFixture, SaveWritesTableThenPictureThenClosingEntriesAndTheLogCopy)
{
    for (int n = 0; n < 2; ++n)
        cycle(n);
    texts.texts["LogSavingData"] = "Данные сохранены, 20 °C";
    files->GraphSaveClick();
    EXPECT_EQ(files->DataFileBase(), dir.path() + "/Data/" + base);

    const QImage gif(path(".gif"));
    ASSERT_FALSE(gif.isNull());
    EXPECT_EQ(gif.size(), QSize(420, 300 + 45));
    EXPECT_EQ(gif.pixelColor(1, 300 + 44), QColor(Qt::white));  // below the caption lines

    const QStringList entries = log.lines();
    ASSERT_EQ(entries.size(), 4);
    EXPECT_TRUE(entries[0].endsWith(": Данные сохранены, 20 °C"));
    EXPECT_TRUE(entries[1].endsWith(": <LogExpendedEnergy>1,25"));
    EXPECT_TRUE(entries[2].endsWith(": <LogEnergyCost>12,5"));
    EXPECT_TRUE(entries[3].endsWith(": <LogConnectionErrors>3"));
    // The copy holds the log with the closing entries, in UTF-8 without a byte-order mark.
    const QByteArray txt = readBytes(path(".txt"));
    EXPECT_EQ(txt, (entries.join("\r\n") + "\r\n\r\n").toUtf8());
    EXPECT_TRUE(txt.contains("\xC2\xB0"));
}

TEST_F(FilesFixture, CaptionLinesCarryTheirExactBlanks)
{
    state.RecordStart = 0;  // right after Clear
    state.InterfaceMode = 1;
    const QString first = "Fornaxel v 1.0.0        Folder: " + dir.path() + "         Start: 99.12.30 00:00:00";
    EXPECT_EQ(files->captionLines(),
              (QStringList{first, "DEVICE:  Simulator          MODEL: 0.05; 0,003; 1          PID: 1; 0,02; 0,005",
                           "OVEN: /kiln/Oven1.ovn           PROGRAM: /kiln/Prog1.prg"}));
    state.InterfaceMode = 0;  // the controller, no firmware version received yet
    EXPECT_EQ(files->captionLines()[1], "DEVICE:  Ardentor PC v           PID: 1; 0,02; 0,005");
    state.FirmwareVersion = "2.1";
    EXPECT_EQ(files->captionLines()[1], "DEVICE:  Ardentor PC v 2.1          PID: 1; 0,02; 0,005");
    // Drawn below the page in black, red and blue.
    const QImage picture = files->picture();
    ASSERT_EQ(picture.size(), QSize(420, 345));
    auto lineHas = [&](int top, const QColor& colour) {
        for (int y = top; y < top + 15; ++y)
            for (int x = 0; x < 200; ++x)
                if (picture.pixelColor(x, y) == colour)
                    return true;
        return false;
    };
    EXPECT_TRUE(lineHas(300, Qt::black));
    EXPECT_TRUE(lineHas(315, QColor(255, 0, 0)));
    EXPECT_TRUE(lineHas(330, QColor(0, 0, 255)));
    EXPECT_FALSE(lineHas(300, QColor(255, 0, 0)));
}

TEST_F(FilesFixture, ATableThatCannotBeWrittenStopsTheSaveAPictureThatCannotStillLogs)
{
    cycle(0);
    cycle(1);
    blockWith(".dat");
    EXPECT_THROW(files->SaveAll(), std::runtime_error);
    EXPECT_FALSE(QFile::exists(path(".gif")));
    EXPECT_FALSE(QFile::exists(path(".txt")));
    EXPECT_TRUE(log.lines().isEmpty());
    // Clear then keeps the recording as it was.
    EXPECT_THROW(files->GraphClearClick(), std::runtime_error);
    EXPECT_EQ(chart->pointCount(0), 2);
    EXPECT_EQ(state.RecordStart, t0);
    EXPECT_EQ(meterClears, 0);
    EXPECT_EQ(log.lines().size(), 1);  // only the Clear entry

    QDir(path(".dat")).removeRecursively();
    blockWith(".gif");
    try {
        files->SaveAll();
        ADD_FAILURE() << "a picture that cannot be written is reported";
    } catch (const std::runtime_error& e) {
        EXPECT_TRUE(QString::fromUtf8(e.what()).contains(base + ".gif")) << e.what();
    }
    EXPECT_TRUE(QFile::exists(path(".dat")));
    EXPECT_EQ(log.lines().size(), 4);  // the closing entries were made
    EXPECT_TRUE(fileLines(".txt")[3].endsWith("<LogConnectionErrors>3"));
}

TEST_F(FilesFixture, ClearAsksFirstThenSavesAndStartsANewRecording)
{
    cycle(0);
    cycle(1);
    chart->AddLineMark(state.CycleTime, 300, "1");
    state.ControllerName = "simulator";
    state.FirmwareVersion = "2.1";
    log.TLogX("firing");

    dialogs.yesNoAnswer = false;
    files->GraphClearClick();
    EXPECT_EQ(dialogs.asked, QStringList{"yesno:<MBWarning>|<MBClearGraphLog>"});
    EXPECT_FALSE(QDir(dir.path() + "/Data").exists());  // nothing written
    EXPECT_EQ(log.lines().size(), 1);
    EXPECT_EQ(chart->pointCount(0), 2);

    dialogs.yesNoAnswer = true;
    files->GraphClearClick();
    const QStringList saved = fileLines(".txt");
    ASSERT_GE(saved.size(), 5);
    EXPECT_TRUE(saved[1].endsWith(": <LogClearGraph>"));
    EXPECT_TRUE(saved[4].endsWith(": <LogConnectionErrors>3"));

    QStringList fresh = log.lines();
    for (QString& line : fresh)
        line = line.section(" : ", 1);
    EXPECT_EQ(fresh, (QStringList{"Fornaxel v 1.0.0", "<LogWorkingFolder>" + dir.path(), "<LogInterface>Simulator",
                                  "<LogOven>/kiln/Oven1.ovn", "<LogKilningProgram>/kiln/Prog1.prg",
                                  "PID: P=1; I=0,02; D=0,005", "<LogModel>: P=0.05; R=0,003; I=1"}));
    EXPECT_EQ(state.RecordStart, 0);
    EXPECT_TRUE(state.ControllerName.isEmpty());
    EXPECT_TRUE(state.FirmwareVersion.isEmpty());
    for (int s = 0; s < TemperatureChart::kSeriesCount; ++s)
        EXPECT_EQ(chart->pointCount(s), 0) << s;
    EXPECT_EQ(meterClears, 1);
}

TEST_F(FilesFixture, EraseOldDatDeletesOnlyTablesOlderThanAWeek)
{
    const QDateTime now = QDateTime::currentDateTime();
    clock.value = DateTime::fromQDateTime(now);
    const QString data = dir.path() + "/Data/";
    ASSERT_TRUE(QDir().mkpath(data));
    const struct {
        const char* name;
        qint64 ageSeconds;
        bool kept;
    } cases[] = {
        {"old.dat", 7 * 86400 + 60, false},
        {"OLD2.DAT", 30 * 86400, false},
        {"recent.dat", 6 * 86400 + 23 * 3600, true},
        {"old.gif", 30 * 86400, true},
        {"old.txt", 30 * 86400, true},
    };
    for (const auto& c : cases) {
        writeBytes(data + c.name, "x");
        QFile f(data + c.name);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.setFileTime(now.addSecs(-c.ageSeconds), QFileDevice::FileModificationTime));
    }
    files->EraseOldDat();
    for (const auto& c : cases)
        EXPECT_EQ(QFile::exists(data + c.name), c.kept) << c.name;
}

TEST(GifWriter, KeepsSizeAndPlainColoursAndRefusesAnEmptyImage)
{
    // More than 256 colours: a gradient beside plain blocks of the chart's colours.
    QImage image(300, 40, QImage::Format_RGB32);
    image.fill(Qt::white);
    for (int x = 0; x < 300; ++x)
        for (int y = 20; y < 40; ++y)
            image.setPixelColor(x, y, QColor(x % 256, (x * 7) % 256, y * 6));
    QPainter p(&image);
    p.fillRect(0, 0, 10, 10, QColor(0, 128, 0));
    p.fillRect(10, 0, 10, 10, QColor(255, 0, 0));
    p.fillRect(20, 0, 10, 10, QColor(255, 128, 0));
    p.end();
    const QImage back = QImage::fromData(GifWriter::encode(image), "GIF");
    ASSERT_EQ(back.size(), image.size());
    EXPECT_EQ(back.pixelColor(5, 5), QColor(0, 128, 0));
    EXPECT_EQ(back.pixelColor(15, 5), QColor(255, 0, 0));
    EXPECT_EQ(back.pixelColor(25, 5), QColor(255, 128, 0));
    EXPECT_EQ(back.pixelColor(100, 15), QColor(Qt::white));

    QImage single(3, 2, QImage::Format_RGB32);
    single.fill(Qt::blue);
    EXPECT_EQ(QImage::fromData(GifWriter::encode(single), "GIF").pixelColor(2, 1), QColor(Qt::blue));
    EXPECT_THROW(GifWriter::encode(QImage()), std::runtime_error);
}
