// Malformed program, oven, language and settings files through the real loaders: empty,
// binary, truncated, out-of-range values, counts of -1 and 10^9, megabyte lines and the wrong
// encoding. Each gives the default the file format promises or an error naming the problem,
// and none crashes, hangs or allocates for what a value merely claims. The small files are in
// files/; the large ones are made here.
#include "DrivenWindow.h"
#include "FakeTexts.h"
#include "LocaleFacts.h"
#include "OvenFile.h"
#include "ProgramEditor.h"
#include "ProgramFile.h"
#include "ProgramFileRig.h"
#include "ProgramTable.h"
#include "TForm1.h"
#include "TestFiles.h"
#include "TestServices.h"
#include "Widgets.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>
#include <qcustomplot.h>
#include <cmath>
#include <exception>
#include <functional>
#include <memory>

namespace {

constexpr qsizetype kMegabyte = 1 << 20;

QByteArray committed(const char* name) { return readBytes(QString(FORNAXEL_BADINPUT_DIR) + "/" + name); }

// A line of a megabyte: the key, then `fill` repeated.
QByteArray longLine(const QByteArray& key, char fill) { return key + QByteArray(kMegabyte, fill) + "\r\n"; }

// A file from the table: its name in the report and its bytes.
struct Input {
    const char* name;
    QByteArray bytes;
};

// The error text of `load`, empty when it loads.
QString errorOf(const std::function<void()>& load)
{
    try {
        load();
    } catch (const std::exception& e) {
        const QString text = QString::fromUtf8(e.what());
        return text.isEmpty() ? "(an error without a text)" : text;
    }
    return {};
}

struct ProgramFiles : ::testing::Test, ProgramFileRig {
    QTemporaryDir dir;
};

TEST_F(ProgramFiles, EachGivesTheDefaultsOrNamesTheProblem)
{
    struct Case {
        Input input;
        const char* error;  // a part of the error text; empty: it loads
        int lines;          // program lines afterwards; 0: the table as it was
        const char* temp1;  // line 1 as shown (in °F; an empty line shows 0)
        const char* time1;
    };
    const Case cases[] = {
        {{"empty.prg", committed("empty.prg")}, "", ProgramFile::kDefaultCount, "0", "0"},
        {{"binary.prg", committed("binary.prg")}, "", ProgramFile::kDefaultCount, "0", "0"},
        {{"truncated.prg", committed("truncated.prg")}, "", 3, "932", "6"},
        {{"nul-bytes.prg", committed("nul-bytes.prg")}, "'2\\x00' is not a valid whole number (key Count)", 0, "", ""},
        {{"utf16-without-bom.prg", committed("utf16-without-bom.prg")}, "", ProgramFile::kDefaultCount, "0", "0"},
        {{"count-minus-one.prg", committed("count-minus-one.prg")}, "", 1, "0", "0"},
        {{"count-billion.prg", committed("count-billion.prg")},
         "Count=1000000000 is more program lines than the table holds (at most 10000)", 0, "", ""},
        {{"count-beyond-int.prg", committed("count-beyond-int.prg")},
         "'99999999999' is not a valid whole number (key Count)", 0, "", ""},
        {{"huge-values.prg", committed("huge-values.prg")}, "'2147483648' is not a valid whole number (key Time3)", 3,
         "INF", "2147483647"},
        {{"long-temperature.prg", "[TForm1]\r\nCount=2\r\n" + longLine("Temp1=", '7') + "Time1=60\r\n"}, "", 2, "32",
         "60"},
        {{"long-comment.prg", "[TForm1]\r\n" + longLine(";", 'x') + "Count=2\r\nTemp1=100\r\nTime1=5\r\n"}, "", 2,
         "212", "5"},
        {{"long-sound.prg", "[TForm1]\r\nCount=1\r\nTemp1=100\r\nTime1=5\r\n" + longLine("Sound1=", '1')}, "", 1, "212",
         "5"},
    };
    state.Temps.TempScale = 1;  // °F: every temperature is converted on the way in
    for (const Case& c : cases) {
        SCOPED_TRACE(c.input.name);
        grid.setRows(ProgramTable::kInitialRows);
        writeBytes(dir.path() + "/bad.prg", c.input.bytes);
        const QString error = errorOf([&] { file.Load(dir.path() + "/bad.prg"); });
        EXPECT_TRUE(c.error[0] ? error.contains(c.error) : error.isEmpty()) << error.toStdString();
        const int lines = grid.rows() - ProgramTable::kHeaderRows;
        EXPECT_EQ(lines, c.lines ? c.lines : ProgramTable::kInitialRows - ProgramTable::kHeaderRows);
        if (c.temp1[0]) {
            EXPECT_EQ(grid.cell(1, 2), c.temp1);
            EXPECT_EQ(grid.cell(2, 2), c.time1);
        }
    }
}

struct OvenFiles : ::testing::Test {
    ScopedLocaleFacts locale{LocaleFacts{}};
    QTemporaryDir dir;
    KilnState state;
    RecordingLog log;
    FakeDialogs dialogs;
    QLineEdit modelI{"0.005"}, modelP{"0.02"}, modelR{"0.003"}, heater{"1000"}, maxTemp{"1100"};
    QLineEdit pidP{"1"}, pidI{"1"}, pidD{"1"};
    RadioGroup corr{"corr"};
    FileDialogSpec openDialog{"Kilns|*.ovn", "Load kiln", "ovn"};
    FileDialogSpec saveDialog{"Kilns|*.ovn", "Save kiln", "ovn"};
    OvenFile oven{state,
                  log,
                  dialogs,
                  {&modelI, &modelP, &modelR, &heater, &maxTemp, &pidP, &pidI, &pidD, &corr},
                  openDialog,
                  saveDialog};

    void SetUp() override { corr.setItems({"none", "small", "large"}); }
};

TEST_F(OvenFiles, EachGivesTheDefaultsOrNamesTheProblem)
{
    struct Channel {
        int type;
        double zt, z, kt, k;
        qsizetype nameLength;
    };
    const Channel defaults{0, OvenFile::kDefaultZT, OvenFile::kDefaultZ, OvenFile::kDefaultKT, OvenFile::kDefaultK, 0};
    struct Case {
        Input input;
        const char* error;  // a part of the error text; empty: it loads
        Channel first;      // channel 1 afterwards
        const char* maxTemp;
    };
    const Case cases[] = {
        {{"empty.ovn", committed("empty.ovn")}, "", defaults, "1100"},
        {{"binary.ovn", committed("binary.ovn")}, "", defaults, "1100"},
        {{"utf16-without-bom.ovn", committed("utf16-without-bom.ovn")}, "", defaults, "1100"},
        {{"truncated.ovn", committed("truncated.ovn")}, "", {6, 25, 85, 900, 500, 3}, "1100"},
        // Numbers beyond the range of a double give the default; one too small to hold, 0.
        {{"huge-values.ovn", committed("huge-values.ovn")}, "", {6, 1e308, 85, 900, 0, 0}, "1e999"},
        {{"type-beyond-int.ovn", committed("type-beyond-int.ovn")},
         "'99999999999' is not a valid whole number (key TERM2_Type)", {6, 25, 85, 900, 500, 0}, "1100"},
        {{"long-name.ovn", "[TForm1]\r\nTERM1_Type=1\r\n" + longLine("TERM1_Name=", 'n')},
         "",
         {1, 25, 85, 900, 500, kMegabyte},
         "1100"},
        {{"long-number.ovn", "[TForm1]\r\nTERM1_Type=1\r\n" + longLine("TERM1_K=", '9') + longLine("MAXTEMP_Text=", '9')},
         "",
         {1, 25, 85, 900, 500, 0},
         ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.input.name);
        maxTemp.setText("1100");
        corr.setItemIndex(1);
        writeBytes(dir.path() + "/bad.ovn", c.input.bytes);
        const QString error = errorOf([&] { oven.Load(dir.path() + "/bad.ovn"); });
        EXPECT_TRUE(c.error[0] ? error.contains(c.error) : error.isEmpty()) << error.toStdString();
        const ErrDevice& d = state.Devices[1];
        EXPECT_EQ(d.Tc_Type, c.first.type);
        EXPECT_EQ(d.Tc_zt, c.first.zt);
        EXPECT_EQ(d.Tc_z, c.first.z);
        EXPECT_EQ(d.Tc_kt, c.first.kt);
        EXPECT_EQ(d.Tc_k, c.first.k);
        EXPECT_EQ(d.Tc_Name.size(), c.first.nameLength);
        if (c.maxTemp[0])
            EXPECT_EQ(maxTemp.text(), c.maxTemp);
        else  // a line edit holds at most its maximum length of what it is given
            EXPECT_EQ(maxTemp.text(), QString(maxTemp.maxLength(), '9'));
        EXPECT_EQ(corr.itemIndex(), 1);  // an index outside the items is not applied
        for (int ch = 1; ch <= OvenFile::kChannels; ++ch) {
            const ErrDevice& e = state.Devices[ch];
            EXPECT_TRUE(std::isfinite(e.Tc_zt) && std::isfinite(e.Tc_z) && std::isfinite(e.Tc_kt) &&
                        std::isfinite(e.Tc_k));
        }
        state.Devices = DeviceTable{};
    }
}

struct WindowFiles : ::testing::Test, WindowServices {
    ScopedLocaleFacts locale{LocaleFacts{}};
    QTemporaryDir dir;
};

TEST_F(WindowFiles, LanguageFilesEachLoadOrNameTheProblem)
{
    QByteArray manyLines;  // a control's entry again and again behind a long run of other lines
    for (int i = 0; i < 100000; ++i)
        manyLines += "Filler" + QByteArray::number(i) + "=\"x\"\r\n";
    for (int i = 0; i < 100000; ++i)
        manyLines += "StartButton=\"Go" + QByteArray::number(i) + "\"\r\n";
    struct Case {
        Input input;
        const char* startCaption;  // the start button's caption afterwards
        const char* warning;       // LS("MBWarning")
    };
    const Case cases[] = {
        {{"empty.lng", committed("empty.lng")}, "Start", "?? MBWarning ??"},
        {{"binary.lng", committed("binary.lng")}, "Start", "?? MBWarning ??"},
        {{"truncated.lng", committed("truncated.lng")}, "S", "?? MBWarning ??"},
        {{"utf16-without-bom.lng", committed("utf16-without-bom.lng")}, "Start", "?? MBWarning ??"},
        // Not UTF-8, so read in the 8-bit code page.
        {{"broken-utf8.lng", committed("broken-utf8.lng")}, "РџСѓСЃР", "яюАЇ"},
        {{"long-line.lng", longLine("MBWarning=", 'w')}, "Start", ""},
        {{"many-lines.lng", manyLines}, "Go0", "?? MBWarning ??"},
    };
    auto form = std::make_unique<TForm1>(app(dir.path()));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.input.name);
        form->StartButton->setText("Start");
        writeBytes(dir.path() + "/Bad.lng", c.input.bytes);
        EXPECT_EQ(errorOf([&] { form->LangSet("Bad"); }), "");
        EXPECT_EQ(form->StartButton->text(), QString::fromUtf8(c.startCaption));
        if (c.warning[0])
            EXPECT_EQ(form->texts.LS("MBWarning"), QString::fromUtf8(c.warning));
        else
            EXPECT_EQ(form->texts.LS("MBWarning").size(), kMegabyte - 2);
    }
    // A language whose file is missing names the file and keeps the table in force.
    const QString error = errorOf([&] { form->LangSet("NoSuchLanguage"); });
    EXPECT_TRUE(error.startsWith("Cannot open the language file " + dir.path() + "/NoSuchLanguage.lng")) << error.toStdString();
    EXPECT_EQ(form->texts.LS("StartButton"), "Go0");
}

TEST_F(WindowFiles, SettingsFilesEachGiveTheDefaultsOrNameTheProblem)
{
    struct Case {
        Input input;
        const char* error;  // a part of the one error reported; empty: none
        int hardwareInterval;
        int scale;
        double pol;
    };
    const Case cases[] = {
        {{"empty.ini", committed("empty.ini")}, "", 10, 0, 5},
        {{"binary.ini", committed("binary.ini")}, "", 10, 0, 5},
        {{"utf16-without-bom.ini", committed("utf16-without-bom.ini")}, "", 10, 0, 5},
        // The stored values stop silently at the first that does not convert.
        {{"truncated.ini", committed("truncated.ini")}, "", 12, 0, 5},
        {{"huge-values.ini", committed("huge-values.ini")}, "", 10, 0, 5},
        {{"bad-port-number.ini", committed("bad-port-number.ini")}, "'COM1' is not a valid whole number (key Port_ComNumber)",
         12, 0, 5},
        {{"long-lines.ini", "[TForm1]\r\nOther_Checked=TRUE\r\n" + longLine("OtherLang_Text=", 'L') +
                                longLine("POL=", '3') + longLine("SIM_SPEED_Text=", '2')},
         "",
         10,
         0,
         5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.input.name);
        writeBytes(dir.path() + "/term.ini", c.input.bytes);
        dialogs.errors.clear();
        auto form = std::make_unique<TForm1>(app(dir.path()));
        form->show();  // the start-up restore, under the window's error report
        form->InterfaceTimer->stop();
        form->HardwareTimer->stop();
        form->FlashTimer->stop();
        if (c.error[0]) {
            ASSERT_EQ(dialogs.errors.size(), 1);
            EXPECT_TRUE(dialogs.errors[0].contains(c.error)) << dialogs.errors[0].toStdString();
        } else {
            EXPECT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join("; ").toStdString();
            EXPECT_EQ(form->HardwareTimer->interval(), c.hardwareInterval);
            EXPECT_EQ(form->state.Temps.TempScale, c.scale);
            EXPECT_EQ(form->state.PolThreshold, c.pol);
            EXPECT_TRUE(form->state.simulated());
            EXPECT_EQ(form->PageControl1->currentIndex(), 0);
        }
        // What was restored is written back at close.
        EXPECT_TRUE(form->close());
        EXPECT_FALSE(readBytes(dir.path() + "/term.ini").isEmpty());
    }
}

}  // namespace
