#include "Previews.h"

#include "DateTime.h"
#include "FakeTexts.h"
#include "LocaleFacts.h"
#include "ProgramTable.h"
#include "Widgets.h"

#include <QLineEdit>
#include <gtest/gtest.h>
#include <memory>
#include <qcustomplot.h>

namespace {

LocaleFacts factsWith(QChar decimal)
{
    LocaleFacts f;
    f.decimalSeparator = decimal;
    f.thousandSeparator = decimal == ',' ? '.' : ',';
    f.longTimeFormat = "HH:mm:ss";
    return f;
}

struct PreviewFixture : ::testing::Test {
    ScopedLocaleFacts facts{factsWith('.')};
    KilnState state;
    FakeTexts texts;
    QCustomPlot plot;
    StringGrid grid{ProgramTable::kColumns, ProgramTable::kInitialRows, ProgramTable::kHeaderRows, 1};
    ProgramTable program{grid, state.Temps};
    QLineEdit modelP{"0.02"}, modelI{"0.005"}, modelR{"0.003"}, modelPower{"20"};
    QLineEdit pidP{"1"}, pidI{"0.001"}, pidD{"5"};
    RadioGroup corr{"corr"};
    int ovenChanged = 0;
    std::unique_ptr<Previews> previews;

    void SetUp() override
    {
        corr.setItems({"none", "small", "large"});
        corr.setItemIndex(1);
        PreviewsView view{&plot, &modelP, &modelI, &modelR, &modelPower, &pidP, &pidI, &pidD, &corr};
        PreviewsHooks hooks{[] { return QString("Oven1.ovn"); }, [this] { ++ovenChanged; }};
        previews = std::make_unique<Previews>(state, texts, program, view, hooks);
    }

    void line(int n, const QString& temp, const QString& minutes)
    {
        grid.setCell(1, n + 1, temp);
        grid.setCell(2, n + 1, minutes);
    }
    const QCPGraphData& point(int series, int j) const { return *previews->graph(series)->data()->at(j); }
    QVector<double> values(int series) const
    {
        QVector<double> out;
        for (const QCPGraphData& d : *previews->graph(series)->data())
            out << d.value;
        return out;
    }
};

}  // namespace

TEST_F(PreviewFixture, ModelPreviewHeatsThenCoolsAndIsFlatWithoutPower)
{
    previews->DrawModel();
    ASSERT_EQ(previews->pointCount(0), 18000);  // two phases of 9000 steps of 2 s
    ASSERT_EQ(previews->pointCount(1), 18000);
    EXPECT_EQ(previews->pointCount(3), 0);
    EXPECT_DOUBLE_EQ(point(0, 0).key, 0);
    EXPECT_DOUBLE_EQ(point(0, 17999).key, 17999 * 2 * DateTime::kSecond);
    EXPECT_DOUBLE_EQ(point(0, 0).value, 25.5);  // one step heats node 1 only
    EXPECT_GT(point(0, 1).value, 25.5);
    EXPECT_GT(point(0, 8999).value, point(0, 0).value);
    EXPECT_LT(point(0, 17999).value, point(0, 8999).value);
    EXPECT_DOUBLE_EQ(point(1, 8999).value, 20);
    EXPECT_DOUBLE_EQ(point(1, 9000).value, 0);
    EXPECT_EQ(plot.xAxis->label(), "<C3BottomAxis>");
    EXPECT_EQ(previews->title(), "Oven1.ovn");

    modelPower.setText("0");
    previews->DrawModel();
    ASSERT_EQ(previews->pointCount(0), 18000);
    for (double v : values(0))
        ASSERT_DOUBLE_EQ(v, 25.5);
    for (double v : values(1))
        ASSERT_DOUBLE_EQ(v, 0);
    ASSERT_EQ(previews->pointCount(2), 1);  // the headroom point
    EXPECT_DOUBLE_EQ(point(2, 0).key, 0);
    EXPECT_DOUBLE_EQ(point(2, 0).value, 35.5);
    EXPECT_DOUBLE_EQ(plot.yAxis->range().upper, 35.5);

    previews->OvenClearClick();
    for (int s = 0; s < Previews::kSeriesCount; ++s)
        EXPECT_EQ(previews->pointCount(s), 0);
}

TEST_F(PreviewFixture, SpinButtonsScaleByOnePointTwoInThreeDigits)
{
    {
        ScopedLocaleFacts comma(factsWith(','));
        // In the window, writing the field fires the change handler first.
        QObject::connect(&modelP, &QLineEdit::textChanged, [this] { previews->MODEL_PChange(); });
        line(1, "100", "1");
        state.ProgImpossible = true;
        modelP.setText("0,02");
        ovenChanged = 0;
        previews->SpinButton6UpClick();
        EXPECT_EQ(modelP.text(), "0,024");
        previews->SpinButton6UpClick();
        EXPECT_EQ(modelP.text(), "0,0288");
        EXPECT_EQ(ovenChanged, 2);
        EXPECT_FALSE(state.ProgImpossible);
        // The model drawing replaced the regulator preview.
        EXPECT_EQ(previews->pointCount(0), 18000);
        EXPECT_EQ(previews->pointCount(3), 0);
    }
    pidP.clear();
    previews->SpinButton1UpClick();
    EXPECT_EQ(pidP.text(), "1.2");
    EXPECT_EQ(previews->pointCount(3), 31);  // the regulator preview was drawn
    pidD.clear();
    previews->SpinButton3DownClick();
    EXPECT_EQ(pidD.text(), "0.833");
    modelR.setText("0.003");
    previews->SpinButton5DownClick();
    EXPECT_EQ(modelR.text(), "0.0025");
}

TEST_F(PreviewFixture, RegulatorPreviewStepsEveryLineToJustPastItsEnd)
{
    line(1, "100", "1");
    line(2, "40", "2");
    line(3, "500", "0");  // ends the program
    line(4, "900", "60");
    state.Pid.Integral = 123;
    previews->DrawTestProgram();

    ASSERT_EQ(previews->pointCount(0), 31 + 61);
    ASSERT_EQ(previews->pointCount(1), 31 + 61);
    ASSERT_EQ(previews->pointCount(3), 31 + 61);
    EXPECT_DOUBLE_EQ(point(0, 0).key, 2 * DateTime::kSecond);
    EXPECT_DOUBLE_EQ(point(0, 30).key, 62 * DateTime::kSecond);
    EXPECT_DOUBLE_EQ(point(0, 0).value, 25.5 + 74.5 / 60 * 2);
    EXPECT_DOUBLE_EQ(point(0, 30).value, 25.5 + 74.5 / 60 * 62);  // slightly beyond 100
    // The next line starts from the previous line's end temperature, not its last target.
    EXPECT_DOUBLE_EQ(point(0, 31).value, 100 - 60.0 / 120 * 2);
    EXPECT_DOUBLE_EQ(point(0, 91).key, 184 * DateTime::kSecond);
    EXPECT_GT(point(1, 0).value, 0);
    EXPECT_GT(point(3, 30).value, 25.5);
    EXPECT_DOUBLE_EQ(state.Pid.Integral, 123);  // the firing's regulator is untouched

    double top = -1e9;
    for (int s : {0, 1, 3})
        for (double v : values(s))
            top = std::max(top, v);
    ASSERT_EQ(previews->pointCount(2), 1);
    EXPECT_DOUBLE_EQ(point(2, 0).value, top + 10);
    EXPECT_DOUBLE_EQ(plot.yAxis->range().upper, top + 10);

    // Fahrenheit: targets and chamber in the display scale, power as it is.
    state.Temps.TempScale = 1;
    line(1, "212", "1");
    line(2, "104", "2");
    const QVector<double> power = values(1);
    previews->DrawTestProgram();
    EXPECT_NEAR(point(0, 31).value, 212 - 108.0 / 120 * 2, 1e-9);
    EXPECT_EQ(values(1), power);
}

TEST_F(PreviewFixture, FirstLineWithoutTimeGivesOnlyTheHeadroomPoint)
{
    line(1, "100", "0");
    line(2, "200", "30");
    previews->DrawTestProgram();
    EXPECT_EQ(previews->pointCount(0), 0);
    EXPECT_EQ(previews->pointCount(1), 0);
    EXPECT_EQ(previews->pointCount(3), 0);
    ASSERT_EQ(previews->pointCount(2), 1);
    EXPECT_DOUBLE_EQ(point(2, 0).value, 10);
    line(1, "100", "x");  // not a whole number: same as 0
    previews->DrawTestProgram();
    EXPECT_EQ(previews->pointCount(0), 0);
}

TEST_F(PreviewFixture, EmptyRegulatorFieldsUseThePreviewDefaults)
{
    line(1, "800", "120");
    pidP.setText("0.5");
    pidI.setText("0.3");
    pidD.setText("0.2");
    previews->DrawTestProgram();
    const QVector<double> reference = values(1);
    pidP.clear();
    previews->DrawTestProgram();
    EXPECT_EQ(values(1), reference);
    EXPECT_EQ(Colors::background(&pidP), Colors::Red);
    EXPECT_EQ(Colors::background(&pidI), Colors::Lime);
    pidP.setText("5");
    previews->DrawTestProgram();
    EXPECT_NE(values(1), reference);
}

TEST_F(PreviewFixture, AnAbsurdLineLengthIsCutAtTenDays)
{
    line(1, "100", "2000000000");
    previews->DrawTestProgram();
    EXPECT_EQ(previews->pointCount(0), 432000);
    line(1, "100", "-5");  // a negative time takes a single step
    previews->DrawTestProgram();
    EXPECT_EQ(previews->pointCount(0), 1);
}
