#include "ProgramFile.h"
#include "ProgramFileRig.h"

#include "FakeTexts.h"
#include "Guard.h"
#include "IniFile.h"
#include "LocaleFacts.h"
#include "ProgramEditor.h"
#include "ProgramTable.h"
#include "TestServices.h"
#include "TextCodec.h"
#include "Widgets.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include "TestFiles.h"
#include <qcustomplot.h>
#include <stdexcept>

namespace {


// A program file from its key lines, in the system's code page with CR LF.
QByteArray prg(const QStringList& keys)
{
    return TextCodec::encode("[TForm1]\r\n" + keys.join("\r\n") + "\r\n\r\n");
}

struct FileFixture : ::testing::Test, ProgramFileRig {
    QTemporaryDir dir;

    void SetUp() override { state.AppFolder = dir.path(); }
    QString path(const QString& name) const { return dir.path() + "/" + name; }
    QString cell(int col, int n) const { return grid.cell(col, n + 1); }
    void loadUnder(int scale, const QString& name)
    {
        state.Temps.TempScale = scale;
        file.Load(path(name));
    }
    void line(int n, const QString& temp, const QString& time, const QString& sound, const QString& out)
    {
        grid.setCell(1, n + 1, temp);
        grid.setCell(2, n + 1, time);
        grid.setCell(3, n + 1, sound);
        grid.setCell(4, n + 1, out);
    }
};

}  // namespace

TEST_F(FileFixture, SavesAClearedTableInTheFileLayout)
{
    editor.KProgClearClick();
    line(2, "1050.5", "1.5", "3", "A   ");  // a time that is no whole number is written as 0
    file.Save(path("new.prg"));
    const QByteArray bytes = readBytes(path("new.prg"));
    EXPECT_TRUE(bytes.startsWith("[TForm1]\r\nFormVersion=0\r\nScale=\xB0" "C\r\nCount=198\r\n"
                                 "Temp1=0\r\nTime1=0\r\nSound1=\" \"\r\nOut1=\" \"\r\n"
                                 "Temp2=1050.5\r\nTime2=0\r\nSound2=3\r\nOut2=\"A   \"\r\nTemp3=0\r\n"));
    EXPECT_TRUE(bytes.endsWith("Temp198=0\r\nTime198=0\r\nSound198=\" \"\r\nOut198=\" \"\r\n\r\n"));
    EXPECT_EQ(file.FileName(), path("new.prg"));
    EXPECT_EQ(editor.ChartTitle(), path("new.prg"));

    // Read back: the output text keeps its blanks, the sound is taken as it stands.
    grid.setRows(10);
    file.Load(path("new.prg"));
    EXPECT_EQ(grid.rows(), 200);
    EXPECT_EQ(cell(1, 2), "1050.5");
    EXPECT_EQ(cell(2, 2), "0");
    EXPECT_EQ(cell(3, 2), "3");
    EXPECT_EQ(cell(4, 2), "A   ");
    EXPECT_EQ(cell(3, 1), " ");
    EXPECT_EQ(cell(4, 1), "    ");
    EXPECT_EQ(log.entries.last(), "LogKilningProgram|" + path("new.prg"));
    EXPECT_EQ(cell(0, 1), "1");  // redrawn
}

TEST_F(FileFixture, TemperaturesFollowTheFileScale)
{
    writeBytes(path("f.prg"), prg({QString::fromUtf8("Scale=°F"), "Count=4", "Temp1=212", "Time1=60", "Temp2=0",
                                   "Time2=0", "Temp3=0", "Time3=30", "Temp4=abc", "Time4=10"}));
    loadUnder(0, "f.prg");
    EXPECT_EQ(cell(1, 1), "100");
    EXPECT_EQ(cell(1, 2), "0");
    EXPECT_EQ(cell(1, 3), "-17.7777777777778");
    EXPECT_EQ(cell(1, 4), "0");  // no number: 0 °C
    loadUnder(1, "f.prg");
    EXPECT_EQ(cell(1, 1), "212");
    EXPECT_EQ(cell(1, 2), "0");  // time and temperature both "0": stays "0" on every scale
    EXPECT_EQ(cell(1, 3), "0");
    EXPECT_EQ(cell(1, 4), "32");
    loadUnder(2, "f.prg");
    EXPECT_EQ(cell(1, 1), "373.15");
    EXPECT_EQ(cell(1, 2), "0");
    EXPECT_EQ(state.Temps.TempScale, 2);  // the display scale is left as it was

    writeBytes(path("c.prg"), prg({QString::fromUtf8("Scale=°C"), "Count=1", "Temp1=0", "Time1=30"}));
    loadUnder(1, "c.prg");
    EXPECT_EQ(cell(1, 1), "32");

    // The system's decimal separator on both sides.
    LocaleFacts comma;
    comma.decimalSeparator = ',';
    comma.thousandSeparator = '.';
    ScopedLocaleFacts withComma(comma);
    writeBytes(path("k.prg"), prg({"Scale=K", "Count=1", "Temp1=373,65", "Time1=30"}));
    loadUnder(0, "k.prg");
    EXPECT_EQ(cell(1, 1), "100,5");
}

TEST_F(FileFixture, ScaleSpellings)
{
    EXPECT_EQ(ProgramFile::ScaleOf("C"), 0);
    EXPECT_EQ(ProgramFile::ScaleOf("c"), 0);
    EXPECT_EQ(ProgramFile::ScaleOf(QString::fromUtf8("°c")), 0);
    EXPECT_EQ(ProgramFile::ScaleOf("X"), 0);
    EXPECT_EQ(ProgramFile::ScaleOf(""), 0);
    EXPECT_EQ(ProgramFile::ScaleOf("f"), 1);
    EXPECT_EQ(ProgramFile::ScaleOf(QString::fromUtf8("°K")), 2);
    EXPECT_EQ(ProgramFile::ScaleOf("ra"), 3);
    EXPECT_EQ(ProgramFile::ScaleOf("R"), 4);

    for (const char* scale : {"Scale=c", "Scale=X"}) {
        writeBytes(path("s.prg"), prg({scale, "Count=1", "Temp1=100", "Time1=60"}));
        loadUnder(1, "s.prg");
        EXPECT_EQ(cell(1, 1), "212") << scale;
    }
}

TEST_F(FileFixture, OutputsAreReadFromTheirCapitalLetters)
{
    writeBytes(path("o.prg"), prg({"Count=6", "Out1=AB", "Out2=BA", "Out3=\"A  B\"", "Out4=ab", "Out5=xBx"}));
    file.Load(path("o.prg"));
    EXPECT_EQ(cell(4, 1), "A  B");
    EXPECT_EQ(cell(4, 2), "A  B");
    EXPECT_EQ(cell(4, 3), "A  B");
    EXPECT_EQ(cell(4, 4), "    ");
    EXPECT_EQ(cell(4, 5), "   B");
    EXPECT_EQ(cell(4, 6), "    ");  // missing
    EXPECT_EQ(cell(1, 6), "0");
    EXPECT_EQ(cell(2, 6), "0");
    EXPECT_EQ(cell(3, 6), "");
}

TEST_F(FileFixture, LineCount)
{
    writeBytes(path("3.prg"), prg({"Count=3"}));
    file.Load(path("3.prg"));
    EXPECT_EQ(grid.rows(), 5);

    file.Load(path("missing.prg"));
    EXPECT_EQ(grid.rows(), 202);
    EXPECT_EQ(cell(1, 200), "0");
    EXPECT_EQ(editor.ChartTitle(), path("missing.prg"));

    // Below one line the table keeps a single empty line.
    writeBytes(path("0.prg"), prg({"Count=0", "Temp1=500", "Time1=60"}));
    file.Load(path("0.prg"));
    EXPECT_EQ(grid.rows(), 3);
    EXPECT_EQ(cell(1, 1), "0");
    EXPECT_EQ(cell(2, 1), "0");

    writeBytes(path("huge.prg"), prg({"Count=2000000000"}));
    EXPECT_THROW(file.Load(path("huge.prg")), std::runtime_error);
    EXPECT_EQ(grid.rows(), 3);
}

TEST_F(FileFixture, ABadWholeNumberStopsTheLoadAndIsReported)
{
    writeBytes(path("bad.prg"), prg({"Count=4", "Temp1=500", "Time1=60", "Temp2=900", "Time2=120", "Temp3=950",
                                     "Time3=1.5", "Temp4=0", "Time4=0"}));
    line(3, "old", "7", " ", " ");
    editor.SetProgChanged(true);
    dialogs.fileAnswer = path("bad.prg");
    guarded(dialogs, [&] { file.KProgLoadClick(); });
    ASSERT_EQ(dialogs.errors.size(), 1);
    EXPECT_TRUE(dialogs.errors[0].contains("'1.5'")) << dialogs.errors[0].toStdString();
    EXPECT_EQ(cell(1, 1), "500");
    EXPECT_EQ(cell(1, 2), "900");
    EXPECT_EQ(cell(1, 3), "old");
    EXPECT_EQ(file.FileName(), path("bad.prg"));
    EXPECT_TRUE(editor.ProgChanged());
    EXPECT_TRUE(log.entries.isEmpty());

    writeBytes(path("badcount.prg"), prg({"Count=many"}));
    EXPECT_THROW(file.Load(path("badcount.prg")), std::runtime_error);
    writeBytes(path("badversion.prg"), prg({"FormVersion=x"}));
    EXPECT_THROW(file.Load(path("badversion.prg")), std::runtime_error);
}

TEST_F(FileFixture, NegativeFormVersionSkipsTheFile)
{
    writeBytes(path("v.prg"), prg({"FormVersion=-1", "Count=3", "Temp1=500", "Time1=60"}));
    line(1, "700", "30", " ", " ");
    editor.SetProgChanged(true);
    dialogs.fileAnswer = path("v.prg");
    file.KProgLoadClick();
    EXPECT_EQ(grid.rows(), 201);
    EXPECT_EQ(cell(1, 1), "700");
    EXPECT_FALSE(editor.ProgChanged());
    EXPECT_EQ(cell(0, 1), "1");  // still redrawn
    EXPECT_EQ(file.FileName(), path("v.prg"));
}

TEST_F(FileFixture, SavingKeepsWhatTheFileHeldBeyondTheTable)
{
    QStringList keys{"Count=200"};
    for (int n = 1; n <= 200; ++n)
        keys << QString("Temp%1=%1").arg(n) << QString("Time%1=1").arg(n);
    writeBytes(path("long.prg"), TextCodec::encode("[Notes]\r\nby=me\r\n[TForm1]\r\n" + keys.join("\r\n") + "\r\n",
                                                   TextEncoding::Utf8Bom));
    grid.setRows(201);  // 199 lines
    file.Save(path("long.prg"));
    const QByteArray bytes = readBytes(path("long.prg"));
    EXPECT_TRUE(bytes.startsWith("\xEF\xBB\xBF[Notes]\r\nby=me\r\n"));  // read with a BOM, written with it
    IniFile ini;
    ini.load(path("long.prg"));
    EXPECT_EQ(ini.readInteger("TForm1", "Count", 0), 199);
    EXPECT_EQ(ini.readString("TForm1", "Temp200", ""), "200");
    EXPECT_EQ(ini.readString("TForm1", "Time200", ""), "1");
    EXPECT_EQ(ini.readString("TForm1", "Temp199", "x"), "");
    EXPECT_EQ(ini.readString("Notes", "by", ""), "me");
}

TEST_F(FileFixture, ButtonsUseTheDialogsAndClearTheFlag)
{
    line(1, "600", "90", "2", "   B");
    editor.SetProgChanged(true);
    file.KProgSaveClick();  // cancelled
    EXPECT_TRUE(editor.ProgChanged());
    EXPECT_EQ(dialogs.asked, QStringList{"save:Save program"});

    dialogs.fileAnswer = path("p.prg");
    file.KProgSaveClick();
    EXPECT_FALSE(editor.ProgChanged());
    EXPECT_TRUE(QFile::exists(path("p.prg")));
    EXPECT_EQ(file.FileName(), path("p.prg"));

    // A cancelled load changes nothing but still redraws.
    line(1, "650", "90", "2", "   B");
    editor.SetProgChanged(true);
    dialogs.fileAnswer.clear();
    file.KProgLoadClick();
    EXPECT_TRUE(editor.ProgChanged());
    EXPECT_DOUBLE_EQ(editor.Preview()[1].y, 650);

    dialogs.fileAnswer = path("p.prg");
    file.KProgLoadClick();
    EXPECT_FALSE(editor.ProgChanged());
    EXPECT_EQ(cell(1, 1), "600");
    EXPECT_EQ(cell(4, 1), "   B");
    EXPECT_EQ(dialogs.asked.last(), "open:Load program");

    // A cell still being typed is saved as typed.
    grid.show();
    grid.setCurrentCell(2, 1);
    grid.edit(grid.currentIndex());
    auto* typing = qobject_cast<QLineEdit*>(grid.indexWidget(grid.currentIndex()));
    ASSERT_NE(typing, nullptr);
    typing->setText("725");
    dialogs.fileAnswer = path("typed.prg");
    file.KProgSaveClick();
    EXPECT_TRUE(readBytes(path("typed.prg")).contains("\r\nTemp1=725\r\n"));
    EXPECT_FALSE(editor.ProgChanged());

    // A file that cannot be written is an error, not a silent loss.
    dialogs.fileAnswer = path("no/such/folder/p.prg");
    EXPECT_THROW(file.KProgSaveClick(), std::runtime_error);
}

TEST_F(FileFixture, ShippedProgramsLoadAndAreKilnRealistic)
{
    const QDir shipped(FORNAXEL_DATA_DIR "/Prog");
    const QStringList names = shipped.entryList({"*.prg"}, QDir::Files);
    ASSERT_GE(names.size(), 3);
    ASSERT_TRUE(names.contains("Prog1.prg"));
    for (const QString& name : names) {
        SCOPED_TRACE(name.toStdString());
        const QString source = shipped.filePath(name);
        const QByteArray bytes = readBytes(source);
        EXPECT_TRUE(bytes.startsWith("[TForm1]\r\nFormVersion=0\r\nScale=\xB0" "C\r\n"));
        EXPECT_FALSE(bytes.contains("\n\n")) << "CR LF line ends";

        state.Temps.TempScale = 0;
        ASSERT_NO_THROW(file.Load(source));
        EXPECT_TRUE(editor.DrawProg()) << "within MAXTEMP 1100";
        // Saved again it is the same file, byte for byte.
        file.Save(path(name));
        EXPECT_EQ(readBytes(path(name)), bytes);

        ProgramTable table(grid, state.Temps);
        int lines = 0;
        double previous = 0;
        for (int n = 1; table.LineMinutes(n) != 0; ++n, ++lines) {
            const double temp = table.LineTemp(n);
            const int minutes = table.LineMinutes(n);
            if (temp == previous) {
                EXPECT_GE(minutes, 10) << "hold of line " << n;
                EXPECT_LE(minutes, 60) << "hold of line " << n;
            } else {
                const double perHour = std::abs(temp - previous) * 60 / minutes;
                EXPECT_GE(perHour, 50) << "ramp of line " << n;
                EXPECT_LE(perHour, 150) << "ramp of line " << n;
            }
            previous = temp;
        }
        EXPECT_GE(lines, 3);
        EXPECT_EQ(table.LineTemp(lines + 1), 0);  // and the executor ends there too
    }

    file.Load(shipped.filePath("Prog1.prg"));
    ProgramTable table(grid, state.Temps);
    double top = 0;
    for (int n = 1; table.LineMinutes(n) != 0; ++n)
        top = std::max(top, table.LineTemp(n));
    EXPECT_GE(top, 950);
    EXPECT_LE(top, 1000);
}
