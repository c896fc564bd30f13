#include "OvenFile.h"

#include "FakeTexts.h"
#include "LocaleFacts.h"
#include "Pid.h"
#include "ProgramEditor.h"
#include "ProgramFile.h"
#include "ProgramTable.h"
#include "TemperatureText.h"
#include "TestServices.h"
#include "TextCodec.h"
#include "ThermalModel.h"
#include "Widgets.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include "TestFiles.h"
#include <qcustomplot.h>
#include <stdexcept>

namespace {


QByteArray ovn(const QStringList& keys) { return TextCodec::encode("[TForm1]\r\n" + keys.join("\r\n") + "\r\n\r\n"); }

LocaleFacts decimalComma()
{
    LocaleFacts f;
    f.decimalSeparator = ',';
    f.thousandSeparator = ' ';
    return f;
}

struct OvenFixture : ::testing::Test {
    ScopedLocaleFacts locale{LocaleFacts{}};
    QTemporaryDir dir;
    KilnState state;
    FakeTexts texts;
    RecordingLog log;
    FakeDialogs dialogs;
    QLineEdit modelI{"0,005"}, modelP{"0,02"}, modelR{"0,003"}, heater{"1000"}, maxTemp{"1100"};
    QLineEdit pidP{"1"}, pidI{"1"}, pidD{"1"};
    RadioGroup corr{"corr"};
    QStringList titles;
    int channelRefreshes = 0;
    FileDialogSpec openDialog{"Kilns|*.ovn", "Load kiln", "ovn"};
    FileDialogSpec saveDialog{"Kilns|*.ovn", "Save kiln", "ovn"};
    OvenFile oven{state,
                  log,
                  dialogs,
                  {&modelI, &modelP, &modelR, &heater, &maxTemp, &pidP, &pidI, &pidD, &corr},
                  openDialog,
                  saveDialog,
                  {[this](const QString& t) { titles << t; }, [this] { ++channelRefreshes; }}};

    void SetUp() override
    {
        state.AppFolder = dir.path();
        corr.setItems({"none", "small", "large"});
        corr.setItemIndex(1);
        // As the window does: any edit of a stored field marks the configuration changed.
        for (QLineEdit* e : fields())
            QObject::connect(e, &QLineEdit::textChanged, [this] { oven.SetOvenChanged(true); });
        QObject::connect(&corr, &RadioGroup::itemClicked, [this] { oven.SetOvenChanged(true); });
    }
    std::vector<QLineEdit*> fields() { return {&modelI, &modelP, &modelR, &heater, &maxTemp, &pidP, &pidI, &pidD}; }
    QString path(const QString& name) const { return dir.path() + "/" + name; }
    void setChannel(int c, int type, const QString& name, double zt, double z, double kt, double k)
    {
        ErrDevice& d = state.Devices[c];
        d.Tc_Type = type;
        d.Tc_Name = name;
        d.Tc_zt = zt;
        d.Tc_z = z;
        d.Tc_kt = kt;
        d.Tc_k = k;
    }
    void expectChannel(int c, int type, const QString& name, double zt, double z, double kt, double k)
    {
        SCOPED_TRACE("channel " + std::to_string(c));
        const ErrDevice& d = state.Devices[c];
        EXPECT_EQ(d.Tc_Type, type);
        EXPECT_EQ(d.Tc_Name, name);
        EXPECT_DOUBLE_EQ(d.Tc_zt, zt);
        EXPECT_DOUBLE_EQ(d.Tc_z, z);
        EXPECT_DOUBLE_EQ(d.Tc_kt, kt);
        EXPECT_DOUBLE_EQ(d.Tc_k, k);
    }
};

QStringList keyNames(const QByteArray& bytes)
{
    QStringList keys;
    for (const QString& line : TextCodec::splitLines(TextCodec::decode(bytes)))
        if (line.contains('='))
            keys << line.section('=', 0, 0);
    return keys;
}

}  // namespace

TEST_F(OvenFixture, SavesANewFileInKeyOrderAndReadsItBack)
{
    ScopedLocaleFacts comma{decimalComma()};
    for (int c = 1; c <= 8; ++c)
        setChannel(c, c % 3, "", 25, 85, 900, 500);
    setChannel(2, 1, " Door ", 20.5, 85.25, 1000, 512.125);
    pidP.setText("5");
    corr.setItemIndex(2);
    oven.Save(path("new.ovn"));

    const QByteArray bytes = readBytes(path("new.ovn"));
    QStringList expected{"FormVersion"};
    for (int c = 1; c <= 8; ++c)
        for (const char* s : {"_Type", "_Name", "_ZT", "_Z", "_KT", "_K"})
            expected << "TERM" + QString::number(c) + s;
    expected << "MODEL_I_Text" << "MODEL_P_Text" << "MODEL_R_Text" << "HeaterPower_Text" << "MAXTEMP_Text"
             << "PID_P_Text" << "PID_I_Text" << "PID_D_Text" << "PID_CORR_ItemIndex";
    EXPECT_EQ(keyNames(bytes), expected);
    EXPECT_TRUE(bytes.startsWith("[TForm1]\r\nFormVersion=0\r\nTERM1_Type=1\r\nTERM1_Name=\r\nTERM1_ZT=25\r\n"));
    EXPECT_TRUE(bytes.contains("\r\nTERM2_Name=\" Door \"\r\nTERM2_ZT=20,5\r\nTERM2_Z=85,25\r\n"));
    EXPECT_TRUE(bytes.contains("\r\nMODEL_I_Text=0,005\r\n"));
    EXPECT_TRUE(bytes.endsWith("\r\nPID_P_Text=5\r\nPID_I_Text=1\r\nPID_D_Text=1\r\nPID_CORR_ItemIndex=2\r\n\r\n"));
    EXPECT_EQ(titles, QStringList{path("new.ovn")});

    // Into a fresh kiln state and fields.
    setChannel(2, 0, "", 0, 0, 0, 0);
    pidP.setText("9");
    corr.setItemIndex(0);
    ASSERT_TRUE(oven.Load(path("new.ovn")));
    expectChannel(2, 1, " Door ", 20.5, 85.25, 1000, 512.125);
    expectChannel(3, 0, "", 25, 85, 900, 500);
    EXPECT_EQ(pidP.text(), "5");
    EXPECT_EQ(corr.itemIndex(), 2);
    EXPECT_EQ(log.entries, QStringList{"LogOven|" + path("new.ovn")});
    EXPECT_EQ(channelRefreshes, 1);
}

TEST_F(OvenFixture, SavingKeepsOtherKeysAndTheByteOrderMark)
{
    writeBytes(path("bom.ovn"), "\xEF\xBB\xBF[TForm1]\r\nFormVersion=0\r\nNote=kept\r\nTERM1_Name=old\r\n\r\n"
                                "[Other]\r\nX=1\r\n\r\n");
    state.Devices[1].Tc_Name = QString::fromUtf8("Печь");
    oven.Save(path("bom.ovn"));
    const QByteArray bytes = readBytes(path("bom.ovn"));
    EXPECT_TRUE(bytes.startsWith("\xEF\xBB\xBF[TForm1]\r\nFormVersion=0\r\nNote=kept\r\nTERM1_Name="
                                 "\xD0\x9F\xD0\xB5\xD1\x87\xD1\x8C\r\n"));
    EXPECT_TRUE(bytes.contains("\r\n[Other]\r\nX=1\r\n"));
    EXPECT_EQ(keyNames(bytes).size(), 1 + 1 + 48 + 9 + 1);
}

TEST_F(OvenFixture, MissingAndUnreadableKeysGiveTheDefaults)
{
    for (int c = 1; c <= 8; ++c)
        setChannel(c, 2, "T", 1, 2, 3, 4);
    // Only field keys: every channel goes back to the defaults; MAXTEMP has no key and stays.
    writeBytes(path("fields.ovn"), ovn({"MODEL_I_Text=0,004", "MODEL_P_Text=0,05", "MODEL_R_Text=0,002",
                                        "HeaterPower_Text=3500", "PID_P_Text=4", "PID_I_Text=0,004",
                                        "PID_D_Text=40", "PID_CORR_ItemIndex=0"}));
    ASSERT_TRUE(oven.Load(path("fields.ovn")));
    for (int c = 1; c <= 8; ++c)
        expectChannel(c, 0, "", 25, 85, 900, 500);
    EXPECT_EQ(modelP.text(), "0,05");
    EXPECT_EQ(heater.text(), "3500");
    EXPECT_EQ(maxTemp.text(), "1100");
    EXPECT_EQ(pidD.text(), "40");
    EXPECT_EQ(corr.itemIndex(), 0);

    // No number or an empty value: defaults; the other decimal separator and a whole number are read.
    writeBytes(path("bad.ovn"), ovn({"TERM3_Z=abc", "TERM3_ZT=1,5", "TERM3_KT=", "TERM3_K=480", "TERM3_Type=",
                                     "PID_CORR_ItemIndex=x", "PID_D_Text=30"}));
    corr.setItemIndex(2);
    ASSERT_TRUE(oven.Load(path("bad.ovn")));
    expectChannel(3, 0, "", 1.5, 85, 900, 480);
    EXPECT_EQ(corr.itemIndex(), 2) << "an index that is no number is not applied";
    EXPECT_EQ(pidD.text(), "30");
    EXPECT_TRUE(dialogs.asked.isEmpty());
    // An index beyond the items cannot be applied either.
    writeBytes(path("index.ovn"), ovn({"PID_CORR_ItemIndex=7"}));
    ASSERT_TRUE(oven.Load(path("index.ovn")));
    EXPECT_EQ(corr.itemIndex(), 2);

    // A missing file: channels at their defaults, the fields as they are.
    setChannel(5, 3, "x", 1, 1, 1, 1);
    ASSERT_TRUE(oven.Load(path("none.ovn")));
    expectChannel(5, 0, "", 25, 85, 900, 500);
    EXPECT_EQ(pidD.text(), "30");
    EXPECT_EQ(log.keys().count("LogOven"), 4);
}

// A file moves between systems: fields and calibrations read with either separator, so a
// calibration saved under a decimal comma is not lost for the defaults under a point.
TEST_F(OvenFixture, NumbersWrittenWithEitherSeparatorReadUnderEither)
{
    writeBytes(path("mixed.ovn"), ovn({"MODEL_P_Text=0.02", "TERM1_Z=84,5", "TERM2_Z=84.5", "TERM2_KT=1E3"}));
    for (const LocaleFacts& facts : {LocaleFacts{}, decimalComma()}) {
        SCOPED_TRACE(std::string(1, facts.decimalSeparator.toLatin1()));
        ScopedLocaleFacts system{facts};
        ASSERT_TRUE(oven.Load(path("mixed.ovn")));
        EXPECT_EQ(modelP.text(), "0.02");
        EXPECT_DOUBLE_EQ(EditValue(&modelP, 1), 0.02);
        EXPECT_DOUBLE_EQ(state.Devices[1].Tc_z, 84.5);
        EXPECT_DOUBLE_EQ(state.Devices[2].Tc_z, 84.5);
        EXPECT_DOUBLE_EQ(state.Devices[2].Tc_kt, 1000);
    }
}

TEST_F(OvenFixture, ButtonsUseTheDialogsAndClearTheFlag)
{
    writeBytes(path("a.ovn"), ovn({"MODEL_P_Text=0,03", "PID_CORR_ItemIndex=2", "TERM1_Name=Kiln"}));
    // The loaded fields fire the change handling; the flag is still clear afterwards.
    dialogs.fileAnswer = path("a.ovn");
    oven.OvenLoadClick();
    EXPECT_EQ(modelP.text(), "0,03");
    EXPECT_FALSE(oven.OvenChanged());
    EXPECT_EQ(oven.FileName(), path("a.ovn"));

    modelP.setText("0,04");
    EXPECT_TRUE(oven.OvenChanged());
    dialogs.fileAnswer.clear();  // cancelled: nothing happens
    oven.OvenLoadClick();
    oven.OvenSaveClick();
    EXPECT_TRUE(oven.OvenChanged());
    EXPECT_EQ(modelP.text(), "0,04");
    EXPECT_EQ(dialogs.asked, (QStringList{"open:Load kiln", "open:Load kiln", "save:Save kiln"}));

    dialogs.fileAnswer = path("b.ovn");
    oven.OvenSaveClick();
    EXPECT_FALSE(oven.OvenChanged());
    EXPECT_EQ(oven.FileName(), path("b.ovn"));
    EXPECT_TRUE(readBytes(path("b.ovn")).contains("\r\nMODEL_P_Text=0,04\r\n"));

    // A refresh of the thermocouple tab that edits fields is no change of the configuration.
    OvenFile* self = nullptr;
    OvenFile refreshing{state, log, dialogs, {&modelI, &modelP}, openDialog, saveDialog,
                        {{}, [&self] { self->SetOvenChanged(true); }}};
    self = &refreshing;
    refreshing.Load(path("a.ovn"));
    EXPECT_FALSE(refreshing.OvenChanged());

    // A file skipped for its version leaves everything as it was.
    writeBytes(path("neg.ovn"), ovn({"FormVersion=-1", "MODEL_P_Text=9", "TERM1_Name=neg"}));
    EXPECT_FALSE(oven.Load(path("neg.ovn")));
    EXPECT_EQ(modelP.text(), "0,03");
    EXPECT_EQ(state.Devices[1].Tc_Name, "Kiln");
}

TEST_F(OvenFixture, ATypeThatIsNoWholeNumberStopsTheLoad)
{
    for (int c = 1; c <= 8; ++c)
        setChannel(c, 2, "old", 1, 2, 3, 4);
    writeBytes(path("type.ovn"), ovn({"TERM1_Type=1", "TERM1_Name=Kiln", "TERM2_Type=K", "TERM2_Name=Door",
                                      "MODEL_R_Text=0,004"}));
    dialogs.fileAnswer = path("type.ovn");
    oven.SetOvenChanged(false);
    try {
        oven.OvenLoadClick();
        FAIL() << "no error";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(QString::fromUtf8(e.what()).indexOf("'K'"), -1) << e.what();
    }
    expectChannel(1, 1, "Kiln", 25, 85, 900, 500);
    expectChannel(2, 2, "old", 1, 2, 3, 4);
    expectChannel(8, 2, "old", 1, 2, 3, 4);
    EXPECT_EQ(modelR.text(), "0,004");
    EXPECT_TRUE(oven.OvenChanged()) << "a failed load is no clean configuration";

    // At start-up the error is reported and the flag cleared all the same.
    oven.LoadAtStartUp(path("type.ovn"));
    ASSERT_EQ(dialogs.asked.size(), 2);
    EXPECT_TRUE(dialogs.asked.last().startsWith("error:")) << dialogs.asked.last().toStdString();
    EXPECT_FALSE(oven.OvenChanged());
}

// The kiln shipped for the first start follows every shipped program with the regulator,
// stepped as the live firing steps it: no line would break down as unreachable.
TEST_F(OvenFixture, ShippedKilnCompletesTheShippedPrograms)
{
    constexpr double kDev = 10;
    constexpr double kSettle = 15 * 60;  // seconds
    constexpr double kAmbient = 25.5;
    constexpr double kStep = 2;  // seconds

    const QString kiln = FORNAXEL_DATA_DIR "/Oven/Oven1.ovn";
    const QByteArray bytes = readBytes(kiln);
    EXPECT_TRUE(bytes.startsWith("[TForm1]\r\nFormVersion=0\r\n"));
    EXPECT_TRUE(bytes.endsWith("\r\n\r\n"));
    EXPECT_FALSE(bytes.contains("\n\n"));
    ASSERT_TRUE(oven.Load(kiln));
    EXPECT_EQ(state.Devices[1].Tc_Name, "Kiln");
    expectChannel(1, 0, "Kiln", 25, 85, 900, 500);
    const double heaterW = EditValue(&heater, 0);
    EXPECT_GE(heaterW, 3000);
    EXPECT_LE(heaterW, 5000);
    const double maxT = EditValue(&maxTemp, 0);
    EXPECT_EQ(maxT, 1100);
    const double mP = EditValue(&modelP, 0), mI = EditValue(&modelI, 0), mR = EditValue(&modelR, 0);
    const double pP = EditValue(&pidP, 0), pI = EditValue(&pidI, 0), pD = EditValue(&pidD, 0);
    const int pidCorr = corr.itemIndex();
    ASSERT_GT(mI, 0);
    // The model's losses grow only linearly, so a kiln that still heats briskly near MAXTEMP
    // and cools slowly levels off far above it; the overheat check guards that end.
    EXPECT_GE(kAmbient + mP * 100 / mI, maxT + 20) << "full power reaches past MAXTEMP";

    StringGrid grid{ProgramTable::kColumns, ProgramTable::kInitialRows, ProgramTable::kHeaderRows, 1};
    QCustomPlot chart;
    QLineEdit progMax{"1100"};
    ProgramEditor editor{state, texts, log, dialogs, {&grid, &chart, &progMax}};
    ProgramFile programs{state, log, dialogs, &grid, editor, openDialog, saveDialog};
    const ProgramTable table(grid, state.Temps);

    const QDir shipped(FORNAXEL_DATA_DIR "/Prog");
    const QStringList names = shipped.entryList({"*.prg"}, QDir::Files);
    ASSERT_TRUE(names.contains("Prog1.prg"));
    for (const QString& name : names) {
        SCOPED_TRACE(name.toStdString());
        ASSERT_TRUE(programs.Load(shipped.filePath(name)));
        PidState pid;
        PidReset(pid);
        double t1 = kAmbient, t2 = kAmbient, lineEnd = kAmbient;
        double seconds = 0, worstRamp = 0, worstEnd = 0;
        int lines = 0;
        for (int n = 1; n <= table.lineCount() && table.LineMinutes(n) != 0; ++n, ++lines) {
            const double start = lineEnd;
            const double end = table.LineTemp(n);
            EXPECT_LE(end, maxT);
            const double duration = table.LineMinutes(n) * 60.0;
            for (double u = kStep; u <= duration + 1e-6; u += kStep) {
                seconds += kStep;
                const double target = start + (end - start) * u / duration;
                PidStep(pidCorr, pid, t2, target, pP, pI, pD, kStep);
                ModelStep(t1, t2, kAmbient, mR, mI, mP, kStep, pid.Power);
                if (seconds > kSettle)
                    worstRamp = std::max(worstRamp, std::fabs(t2 - target));
            }
            worstEnd = std::max(worstEnd, std::fabs(t2 - end));
            lineEnd = end;
        }
        EXPECT_GE(lines, 3);
        EXPECT_LT(worstRamp, kDev);
        EXPECT_LT(worstEnd, kDev);
        RecordProperty(name.toStdString() + " worst ramp", QString::number(worstRamp, 'f', 2).toStdString());
        RecordProperty(name.toStdString() + " worst line end", QString::number(worstEnd, 'f', 2).toStdString());
    }
}
