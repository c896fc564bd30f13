#include "ChannelSetup.h"

#include "FakeTexts.h"
#include "LocaleFacts.h"
#include "TestServices.h"
#include "Thermocouple.h"
#include "Widgets.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPalette>
#include <gtest/gtest.h>
#include <qcustomplot.h>

namespace {

LocaleFacts decimalComma()
{
    LocaleFacts f;
    f.decimalSeparator = ',';
    f.thousandSeparator = ' ';
    return f;
}

struct ChannelPage : ::testing::Test {
    ScopedLocaleFacts locale{LocaleFacts{}};
    KilnState state;
    FakeTexts texts;
    FakeDialogs dialogs;
    QComboBox index;
    QLineEdit name;
    RadioGroup type{" Type "};
    QLineEdit z{"90"}, zt{"25,5"}, k{"130"}, kt{"100"}, maxTemp{"1100"};
    QCustomPlot chart;
    bool changed = false;
    ChannelSetup setup{state,
                       texts,
                       dialogs,
                       {&index, &name, &type, &z, &zt, &k, &kt, &maxTemp, &chart},
                       {[this] { return changed; }, [this](bool c) { changed = c; }}};

    void SetUp() override
    {
        index.addItems({"1 ", "2", "3", "4", "5", "6", "7", "8"});
        type.setItems({"K", "S", "R", "B", "MAX31855K", "MAX31855S", "Linear"});
        type.setItemIndex(1);
        for (int s = 0; s < 4; ++s)
            chart.addGraph();
        // As the window wires them: a click runs the type handler, an edit of a calibration
        // field marks the configuration changed.
        QObject::connect(&type, &RadioGroup::itemClicked, [this] { setup.ThermoCoupleTypeClick(); });
        for (QLineEdit* e : {&z, &zt, &k, &kt})
            QObject::connect(e, &QLineEdit::textChanged, [this] { changed = true; });
        state.InterfaceMode = 0;
    }
    void setChannel(int c, int t, const QString& n, double zv, double ztv, double kv, double ktv)
    {
        ErrDevice& d = state.Devices[c];
        d.Tc_Type = t;
        d.Tc_Name = n;
        d.Tc_z = zv;
        d.Tc_zt = ztv;
        d.Tc_k = kv;
        d.Tc_kt = ktv;
    }
    void choose(int c)
    {
        index.setCurrentIndex(c - 1);
        setup.TC_IndexChange();
    }
    QStringList fields() const { return {z.text(), zt.text(), k.text(), kt.text()}; }
};

}  // namespace

TEST_F(ChannelPage, ChoosingAChannelShowsItsRecordAndLeavesTheFlagAsItWas)
{
    ScopedLocaleFacts comma{decimalComma()};
    setChannel(3, TypeK, "Top", 85, 25, 500, 900);
    setChannel(4, TypeLinear, "Lid", 84.25, 20.5, 512.125, 1e-7);
    setChannel(5, TypeR, "", 85, 25, 500, 900);
    setChannel(6, TypeB, "", 85, 25, 500, 900);
    setChannel(7, 9, "", 85, 25, 500, 900);
    struct Row {
        int channel;
        int shownType;
        QString name;
        QStringList fields;  // Z, ZT, K, KT
    };
    // R, B and a type without an item are switched to the linear type on selection.
    const Row rows[] = {
        {3, TypeK, "Top", {"85", "25", "500", "900"}},
        {4, TypeLinear, "Lid", {"84,25", "20,5", "512,125", "1E-7"}},
        {5, TypeLinear, "", {"85", "25", "500", "900"}},
        {6, TypeLinear, "", {"85", "25", "500", "900"}},
        {7, TypeLinear, "", {"85", "25", "500", "900"}},
        {3, TypeK, "Top", {"85", "25", "500", "900"}},
    };
    for (const bool before : {false, true}) {
        for (const Row& r : rows) {
            SCOPED_TRACE(testing::Message() << "channel " << r.channel << ", flag " << before);
            changed = before;
            choose(r.channel);
            EXPECT_EQ(name.text(), r.name);
            EXPECT_EQ(type.itemIndex(), r.shownType);
            EXPECT_EQ(state.Devices[r.channel].Tc_Type, r.shownType);
            EXPECT_EQ(fields(), r.fields);
            EXPECT_EQ(changed, before);
        }
    }
    EXPECT_EQ(state.Devices[8].Tc_Type, 0) << "channels not chosen keep their type";
}

TEST_F(ChannelPage, AClickedTypeIsStoredAndColoursTheCalibrationFields)
{
    choose(2);
    struct Row {
        int clicked;
        int selected;
        QColor used;    // Z, K, KT
        QColor offset;  // ZT
    };
    const QColor lime = Colors::Lime, grey = Colors::Grey, face = Colors::buttonFace();
    const Row rows[] = {
        {TypeR, TypeLinear, lime, lime},       {TypeB, TypeLinear, lime, lime},
        {TypeMax31855K, TypeMax31855K, grey, face}, {TypeK, TypeK, lime, lime},
        {TypeMax31855S, TypeMax31855S, grey, face}, {TypeS, TypeS, lime, lime},
        {TypeLinear, TypeLinear, lime, lime},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.clicked);
        changed = false;
        type.button(r.clicked)->click();
        EXPECT_EQ(type.itemIndex(), r.selected);
        EXPECT_FALSE(type.button(r.clicked)->isChecked() && r.clicked != r.selected);
        EXPECT_EQ(state.Devices[2].Tc_Type, r.selected);
        EXPECT_TRUE(changed);
        for (QLineEdit* e : {&z, &k, &kt})
            EXPECT_EQ(Colors::background(e), r.used) << e->text().toStdString();
        EXPECT_EQ(Colors::background(&zt), r.offset);
    }
    EXPECT_EQ(state.Devices[1].Tc_Type, 0);
}

TEST_F(ChannelPage, ANameIsStoredOnlyWhenItChanged)
{
    setChannel(4, TypeK, "Door", 85, 25, 500, 900);
    choose(4);
    setup.TC_NameExit();
    EXPECT_FALSE(changed);
    name.setText("Door ");
    setup.TC_NameExit();
    EXPECT_TRUE(changed);
    EXPECT_EQ(state.Devices[4].Tc_Name, "Door ");
    EXPECT_EQ(state.Devices[1].Tc_Name, "");
}

TEST_F(ChannelPage, CapturesTakeChannelOnesReadingAfterTheQuestion)
{
    ScopedLocaleFacts comma{decimalComma()};
    const QString askZ = "yesno:<MBWarning>|<MBCalibrateZHint>";
    const QString askK = "yesno:<MBWarning>|<MBCalibrateKHint1>100,0 °C<MBCalibrateKHint2>";
    const QStringList untouched{"90", "25,5", "130", "100"};
    struct Row {
        const char* what;
        bool gain;  // TERM_K, else TERM_Z
        QChar key;
        int mode;
        bool error;
        bool yes;
        QString asked;
        QStringList fields;  // Z, ZT, K, KT afterwards
    };
    const Row rows[] = {
        {"zero", false, 'C', 0, false, true, askZ, {"851,5", "25,5", "130", "100"}},
        {"gain", true, 'C', 0, false, true, askK, {"90", "23,4", "5000,3", "100,0"}},
        {"answer no", true, 'C', 0, false, false, askK, untouched},
        {"faulty reading", false, 'C', 0, true, true, askZ, untouched},
        {"faulty reading", true, 'C', 0, true, true, askK, untouched},
        {"lower case", false, 'c', 0, false, true, "", untouched},
        {"Cyrillic Es", true, QChar(0x0421), 0, false, true, "", untouched},
        {"simulator", false, 'C', 1, false, true, "", untouched},
        {"simulator", true, 'C', 1, false, true, "", untouched},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        z.setText("90"), zt.setText("25,5"), k.setText("130"), kt.setText("100");
        dialogs.asked.clear();
        index.setCurrentIndex(4);  // the page shows another channel
        state.Devices[5].Raw = 1;
        state.Devices[1].Raw = r.gain ? 5000.3 : 851.5;
        state.Devices[1].Error = r.error;
        state.Devices[DeviceTable::kSensor].Value = 23.4375;
        state.InterfaceMode = r.mode;
        dialogs.yesNoAnswer = r.yes;
        if (r.gain)
            setup.TERM_KKeyPress(r.key);
        else
            setup.TERM_ZKeyPress(r.key);
        EXPECT_EQ(dialogs.asked, r.asked.isEmpty() ? QStringList{} : QStringList{r.asked});
        EXPECT_EQ(fields(), r.fields);
    }

    // Under another display scale the question shows it, but the fields keep counts and °C,
    // as the channel records and the controller's calibration do.
    state.Temps.TempScale = 1;
    state.Devices[1].Error = false;
    state.InterfaceMode = 0;
    dialogs.asked.clear();
    setup.TERM_KKeyPress('C');
    EXPECT_EQ(dialogs.asked, QStringList{"yesno:<MBWarning>|<MBCalibrateKHint1>212,0 °F<MBCalibrateKHint2>"});
    EXPECT_EQ(fields(), (QStringList{"90", "23,4", "5000,3", "100,0"}));
}

TEST_F(ChannelPage, TheGainPointTemperatureReadsEitherSeparator)
{
    ScopedLocaleFacts comma{decimalComma()};
    const std::pair<QString, double> rows[] = {{"100", 100}, {"98.5", 98.5}, {"98,5", 98.5}, {"abc", 100}, {"", 100}};
    for (const auto& [text, value] : rows) {
        setup.ReadCalibrationTemp(text);
        EXPECT_DOUBLE_EQ(setup.CalibrationTemp, value) << text.toStdString();
    }
}

TEST_F(ChannelPage, TheCurveRunsFromBelowZeroToAbove1800AndMarksTheCalibratedStretch)
{
    struct Row {
        const char* what;
        ErrDevice channel;
        int scale;
        int whole, between;
        double firstX, firstY, lastY;
    };
    const auto ch = [](int t, double zv, double ztv, double kv, double ktv) {
        ErrDevice d;
        d.Tc_Type = t, d.Tc_z = zv, d.Tc_zt = ztv, d.Tc_k = kv, d.Tc_kt = ktv;
        return d;
    };
    // Linear 85 → 25 °C, 500 → 900 °C: the raw readings of 0 °C and 1800 °C (cold junction at
    // 0 °C) are 85 and 938.7, so the curve runs from 75 to 949.
    const double perCount = 875.0 / 415;
    const Row rows[] = {
        {"linear", ch(TypeLinear, 85, 25, 500, 900), 0, 875, 416, 75, -10 * perCount, 864 * perCount},
        {"linear, °F", ch(TypeLinear, 85, 25, 500, 900), 1, 875, 416, 75, -10 * perCount * 1.8 + 32,
         864 * perCount * 1.8 + 32},
        {"reversed calibration", ch(TypeLinear, 500, 25, 85, 900), 0, 0, 0, 0, 0, 0},
        {"no span", ch(TypeLinear, 85, 25, 85, 900), 0, 0, 0, 0, 0, 0},
        {"no span of temperature", ch(TypeLinear, 85, 900, 500, 900), 0, 0, 0, 0, 0, 0},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        state.Devices[1] = r.channel;
        state.Temps.TempScale = r.scale;
        for (int s = 0; s < 4; ++s)
            chart.graph(s)->addData(1, 1);
        setup.DrawTC();
        EXPECT_EQ(chart.xAxis->label(), "# (Z, K)");
        EXPECT_EQ(chart.graph(0)->data()->size(), r.whole);
        EXPECT_EQ(chart.graph(1)->data()->size(), 0);
        EXPECT_EQ(chart.graph(2)->data()->size(), 0);
        EXPECT_EQ(chart.graph(3)->data()->size(), r.between);
        if (r.whole == 0)
            continue;
        EXPECT_DOUBLE_EQ(chart.graph(0)->data()->begin()->key, r.firstX);
        EXPECT_NEAR(chart.graph(0)->data()->begin()->value, r.firstY, 1e-9);
        EXPECT_NEAR((chart.graph(0)->data()->end() - 1)->value, r.lastY, 1e-9);
        EXPECT_DOUBLE_EQ(chart.graph(3)->data()->begin()->key, 85);
        EXPECT_DOUBLE_EQ((chart.graph(3)->data()->end() - 1)->key, 500);
    }
    EXPECT_EQ(Colors::background(&maxTemp), Colors::Lime);

    // The emulator's type K calibration covers 0..1800 °C; a steep raw scale is thinned out
    // instead of stalling the window.
    TcCurve typeK = ChannelSetup::Curve(ch(TypeK, 85, 25, 500, 900));
    ASSERT_FALSE(typeK.whole.isEmpty());
    EXPECT_LT(typeK.whole.front().y(), 0);
    EXPECT_GT(typeK.whole.back().y(), 1800);
    EXPECT_NEAR(typeK.between.front().y(), 25, 1.5);  // the polynomial without its exponential term
    EXPECT_NEAR(typeK.between.back().y(), 900, 0.1);
    const TcCurve steep = ChannelSetup::Curve(ch(TypeLinear, 0, 0, 1e11, 1));
    EXPECT_LE(steep.whole.size(), ChannelSetup::kMaxCurvePoints + 1);
    EXPECT_GT(steep.whole.size(), ChannelSetup::kMaxCurvePoints / 2);
    EXPECT_GT(steep.whole.back().y(), 1799);
}
