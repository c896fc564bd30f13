#include "ProgramEditor.h"

#include "ConeProgram.h"
#include "FakeTexts.h"
#include "LocaleFacts.h"
#include "ProgramTable.h"
#include "TestServices.h"
#include "Widgets.h"

#include <QApplication>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>
#include <algorithm>
#include <gtest/gtest.h>
#include <qcustomplot.h>

namespace {

struct EditorFixture : ::testing::Test {
    ScopedLocaleFacts locale{LocaleFacts{}};
    KilnState state;
    FakeTexts texts;
    RecordingLog log;
    FakeDialogs dialogs;
    StringGrid grid{ProgramTable::kColumns, ProgramTable::kInitialRows, ProgramTable::kHeaderRows, 1};
    QCustomPlot chart;
    QLineEdit maxTemp{"1100"};
    ProgramEditor editor{state, texts, log, dialogs, {&grid, &chart, &maxTemp}};
    QString fileName = "/kiln/Prog/Prog1.prg";

    void SetUp() override
    {
        editor.ProgFileName = [this] { return fileName; };
        editor.SetProgFileName = [this](const QString& name) { fileName = name; };
        texts.texts["WarningProgramImpossible"] = "Too hot";
    }
    void line(int n, const QString& temp, const QString& time)
    {
        grid.setCell(1, n + 1, temp);
        grid.setCell(2, n + 1, time);
    }
    QString cell(int col, int n) const { return grid.cell(col, n + 1); }
    void clickOn(int col, int n, Qt::MouseButton button = Qt::LeftButton)
    {
        grid.setCurrentCell(n + 1, col);
        editor.ProgMouseDown(button);
    }
};

}  // namespace

TEST_F(EditorFixture, MaximumTemperatureCountsUpToTheEndOfTheProgram)
{
    line(1, "500", "60");
    line(2, "1100.4", "60");  // rounds to 1100: allowed
    line(3, "0", "0");
    line(4, "1200", "60");  // past the end of the program
    EXPECT_TRUE(editor.DrawProg());
    EXPECT_FALSE(state.ProgImpossible);
    EXPECT_EQ(editor.Preview().size(), 3u);
    EXPECT_EQ(editor.ChartTitle(), fileName);
    EXPECT_EQ(editor.ChartTitleColor(), QColor(0, 0, 255));

    line(2, "1100.6", "60");
    EXPECT_FALSE(editor.DrawProg());
    EXPECT_TRUE(state.ProgImpossible);
    EXPECT_EQ(editor.ChartTitle(), fileName + "\r\nToo hot");
    EXPECT_EQ(editor.ChartTitleColor(), QColor(255, 0, 0));
    EXPECT_EQ(editor.TitleElement()->text(), fileName + "\nToo hot");

    // A step is checked like any line.
    line(2, "1000", "60");
    line(3, "1150", "0");
    EXPECT_FALSE(editor.DrawProg());
    line(3, "0", "0");
    EXPECT_TRUE(editor.DrawProg());

    // A MAXTEMP that is no number falls back to 1000 and turns red.
    maxTemp.setText("hot");
    EXPECT_TRUE(editor.DrawProg());
    line(2, "1001", "60");
    EXPECT_FALSE(editor.DrawProg());
    EXPECT_EQ(Colors::background(&maxTemp), Colors::Red);
}

// The preview and the check against MAXTEMP reach as far as the executor runs: up to the
// first line of 0 °C (or the end of the grid). A line of 0 minutes before it is a step.
TEST_F(EditorFixture, PreviewRunsToTheLineTheExecutorEndsAt)
{
    struct Point {
        double minutes;
        double temp;
    };
    struct Case {
        const char* what;
        int rows;
        std::vector<std::pair<QString, QString>> lines;  // temperature, minutes
        QString maxTemp;
        bool possible;
        std::vector<Point> points;
    };
    const std::vector<Case> cases = {
        {"a first line of 0 minutes is a step", 201, {{"100", "0"}, {"600", "60"}, {"0", "0"}}, "400", false,
         {{0, 0}, {0, 100}, {60, 600}}},
        {"a step between ramps", 201, {{"500", "60"}, {"800", "0"}, {"800", "30"}, {"0", "0"}}, "1100", true,
         {{0, 0}, {60, 500}, {60, 800}, {90, 800}}},
        {"the end line ramps down, what follows it never runs", 201, {{"500", "60"}, {"0", "30"}, {"1200", "60"}},
         "1100", true, {{0, 0}, {60, 500}, {90, 0}}},
        {"0.4 degrees is no end", 201, {{"0.4", "0"}, {"300", "60"}, {"", ""}}, "1100", true,
         {{0, 0}, {0, 0}, {60, 300}}},
        {"the grid ends the program", 3, {{"500", "60"}}, "1100", true, {{0, 0}, {60, 500}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        grid.setRows(c.rows);
        for (int n = 1; n <= int(c.lines.size()); ++n)
            line(n, c.lines[n - 1].first, c.lines[n - 1].second);
        maxTemp.setText(c.maxTemp);
        EXPECT_EQ(editor.DrawProg(), c.possible);
        const auto& p = editor.Preview();
        ASSERT_EQ(p.size(), c.points.size());
        for (std::size_t i = 0; i < p.size(); ++i) {
            EXPECT_NEAR(p[i].x * 1440, c.points[i].minutes, 1e-9) << i;
            EXPECT_DOUBLE_EQ(p[i].y, c.points[i].temp) << i;
        }
    }
}

TEST_F(EditorFixture, CurveLineNumbersAndCurrentSegment)
{
    state.Temps.TempScale = 1;  // °F: points in the display scale, check in °C
    line(1, "212", "60");       // 100 °C
    line(2, "212", "30");       // hold
    line(3, "1112", "120");     // 600 °C
    line(4, "1832", "90");      // 1000 °C
    line(5, "32", "0");         // 0 °C, ends the preview
    state.ProgLine = 3;
    EXPECT_TRUE(editor.DrawProg());

    const auto& p = editor.Preview();
    ASSERT_EQ(p.size(), 5u);
    EXPECT_DOUBLE_EQ(p[0].x, 0);
    EXPECT_DOUBLE_EQ(p[0].y, 32);
    EXPECT_DOUBLE_EQ(p[3].x, 210.0 / 1440);
    EXPECT_NEAR(p[3].y, 1112, 1e-9);
    EXPECT_EQ(p[3].label, "03:30:00");
    EXPECT_EQ(p[3].color, QColor(255, 128, 0));
    for (int i : {1, 2, 4})
        EXPECT_EQ(p[i].color, QColor(0, 0, 192)) << i;
    EXPECT_NEAR(editor.HeadroomY(), 1842, 1e-9);

    EXPECT_EQ(cell(0, 3), "3 #");
    EXPECT_EQ(cell(0, 2), "2");
    EXPECT_EQ(cell(0, 199), "199");

    // Drawn as blue up to line 2, orange from line 2 to line 3, blue after.
    const auto& curves = editor.Segments();
    ASSERT_EQ(curves.size(), 3u);
    EXPECT_EQ(curves[1]->pen().color(), QColor(255, 128, 0));
    ASSERT_EQ(curves[1]->data()->size(), 2);
    EXPECT_DOUBLE_EQ(curves[1]->data()->at(0)->key, p[2].x);
    EXPECT_DOUBLE_EQ(curves[1]->data()->at(1)->key, p[3].x);
    EXPECT_EQ(curves[0]->data()->size(), 3);
    EXPECT_EQ(curves[2]->pen().color(), QColor(0, 0, 192));
    ASSERT_EQ(editor.Headroom()->data()->size(), 1);
    EXPECT_DOUBLE_EQ(editor.Headroom()->data()->at(0)->key, 0);
    EXPECT_NEAR(chart.yAxis->range().upper, 1842, 1e-9);

    // Redrawing replaces the series instead of adding to them.
    state.ProgLine = 0;
    editor.DrawProg();
    EXPECT_EQ(editor.Segments().size(), 1u);
    EXPECT_EQ(chart.plottableCount(), 2);
    EXPECT_EQ(cell(0, 3), "3");
}

TEST_F(EditorFixture, TimeLabelsFollowTheTimeOfDay)
{
    line(1, "100", "1500");  // 25 hours
    line(2, "100", "30");
    editor.DrawProg();
    EXPECT_EQ(editor.Preview()[1].label, "01:00:00");
    EXPECT_EQ(editor.Preview()[2].label, "01:30:00");

    chart.resize(800, 400);
    chart.replot();
    const QVector<QString> labels = chart.xAxis->tickVectorLabels();
    ASSERT_FALSE(labels.isEmpty());
    for (const QString& l : labels)
        EXPECT_TRUE(QRegularExpression("^\\d\\d:\\d\\d:\\d\\d$").match(l).hasMatch()) << l.toStdString();
    EXPECT_EQ(labels.front(), "00:00:00");
    EXPECT_GE(labels.count("00:00:00"), 2);  // again after 24 hours
}

TEST_F(EditorFixture, MouseCyclesSoundsAndOutputs)
{
    grid.setCell(3, 3, "9");
    clickOn(3, 2);
    EXPECT_EQ(cell(3, 2), "4");
    EXPECT_TRUE(editor.ProgChanged());
    EXPECT_FALSE(grid.inPlaceEditing());

    grid.setCell(3, 3, "5");
    clickOn(3, 2);
    EXPECT_EQ(cell(3, 2), " ");
    clickOn(3, 2, Qt::RightButton);
    EXPECT_EQ(cell(3, 2), "5");
    grid.setCell(3, 3, "-20");  // stays within blank..5 backwards too
    clickOn(3, 2, Qt::RightButton);
    EXPECT_EQ(cell(3, 2), "3");

    grid.setCell(4, 3, " ");
    clickOn(4, 2, Qt::RightButton);
    EXPECT_EQ(cell(4, 2), "A  B");
    grid.setCell(4, 3, " ");
    clickOn(4, 2);
    EXPECT_EQ(cell(4, 2), "A   ");
    clickOn(4, 2);
    EXPECT_EQ(cell(4, 2), "   B");
    grid.setCell(4, 3, "a  b");  // letter case does not matter
    clickOn(4, 2);
    EXPECT_EQ(cell(4, 2), "    ");

    // Other buttons choose nothing; typed columns switch editing back on.
    editor.SetProgChanged(false);
    clickOn(3, 2, Qt::MiddleButton);
    EXPECT_EQ(cell(3, 2), "3");
    EXPECT_FALSE(editor.ProgChanged());
    clickOn(1, 2);
    EXPECT_TRUE(grid.inPlaceEditing());
    EXPECT_FALSE(editor.ProgChanged());

    // Header rows are left alone.
    grid.setCurrentCell(1, 3);
    editor.ProgMouseDown(Qt::LeftButton);
    EXPECT_EQ(grid.cell(3, 1), "");
    EXPECT_TRUE(grid.inPlaceEditing());
}

TEST_F(EditorFixture, RealClicksActOnTheRightCell)
{
    QObject::connect(&grid, &StringGrid::mouseDown, [this](Qt::MouseButton b, int, int) { editor.ProgMouseDown(b); });
    grid.resize(500, 400);
    grid.show();
    const auto centre = [this](int col, int n) { return grid.visualRect(grid.model()->index(n + 1, col)).center(); };

    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, centre(3, 1));
    EXPECT_EQ(cell(3, 1), "1");
    // A right click leaves the current cell where it was and acts on it.
    QTest::mouseClick(grid.viewport(), Qt::RightButton, {}, centre(3, 4));
    EXPECT_EQ(cell(3, 1), " ");
    EXPECT_EQ(cell(3, 4), "");
    // A left click on a line number changes nothing.
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, centre(0, 1));
    EXPECT_EQ(cell(3, 1), " ");
    EXPECT_EQ(grid.currentRow(), 2);

    // A double click steps twice, as two clicks do (its second press comes as a double
    // click); in a typed column it opens the editor.
    const auto doubleClick = [&](int col, int n, Qt::MouseButton button) {
        QTest::mouseClick(grid.viewport(), button, {}, centre(col, n));
        QTest::mouseDClick(grid.viewport(), button, {}, centre(col, n));
        QTest::mouseRelease(grid.viewport(), button, {}, centre(col, n));
    };
    doubleClick(3, 2, Qt::LeftButton);
    EXPECT_EQ(cell(3, 2), "2");
    doubleClick(3, 2, Qt::RightButton);
    EXPECT_EQ(cell(3, 2), " ");
    doubleClick(4, 2, Qt::LeftButton);
    EXPECT_EQ(cell(4, 2), "   B");
    EXPECT_EQ(grid.indexWidget(grid.currentIndex()), nullptr);
    doubleClick(1, 2, Qt::LeftButton);
    EXPECT_NE(grid.indexWidget(grid.currentIndex()), nullptr);
}

TEST_F(EditorFixture, DraggingALineNumberMovesTheRow)
{
    QObject::connect(&grid, &StringGrid::rowMoved, [this](int from, int to) { editor.ProgRowMoved(from, to); });
    QSignalSpy moved(&grid, &StringGrid::rowMoved);
    for (int n = 1; n <= 4; ++n)
        line(n, QString::number(n * 100), "10");
    grid.setCell(4, 2, "A   ");
    editor.DrawProg();
    grid.resize(500, 400);
    grid.show();
    const auto centre = [this](int col, int n) { return grid.visualRect(grid.model()->index(n + 1, col)).center(); };

    QTest::mousePress(grid.viewport(), Qt::LeftButton, {}, centre(0, 1));
    QTest::mouseRelease(grid.viewport(), Qt::LeftButton, {}, centre(0, 3));
    ASSERT_EQ(moved.count(), 1);
    EXPECT_EQ(moved[0][0].toInt(), 2);
    EXPECT_EQ(moved[0][1].toInt(), 4);
    EXPECT_EQ(cell(1, 1), "200");
    EXPECT_EQ(cell(1, 2), "300");
    EXPECT_EQ(cell(1, 3), "100");
    EXPECT_EQ(cell(4, 3), "A   ");
    EXPECT_EQ(cell(1, 4), "400");
    EXPECT_EQ(cell(0, 1), "1");  // numbers rewritten by the redraw
    EXPECT_EQ(cell(0, 3), "3");
    EXPECT_TRUE(editor.ProgChanged());
    EXPECT_DOUBLE_EQ(editor.Preview()[1].y, 200);

    // Dropped back on itself or dragged from a body cell: nothing moves.
    QTest::mousePress(grid.viewport(), Qt::LeftButton, {}, centre(0, 2));
    QTest::mouseRelease(grid.viewport(), Qt::LeftButton, {}, centre(0, 2));
    QTest::mousePress(grid.viewport(), Qt::LeftButton, {}, centre(1, 2));
    QTest::mouseRelease(grid.viewport(), Qt::LeftButton, {}, centre(1, 4));
    EXPECT_EQ(moved.count(), 1);
}

TEST_F(EditorFixture, TypedTextIsKeptAndEnterRedrawsWithIt)
{
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    grid.setParent(&window);
    auto* other = new QLineEdit(&window);
    layout->addWidget(&grid);
    layout->addWidget(other);
    QObject::connect(&grid, &StringGrid::cellEdited, [this](int c, int r) { editor.ProgSetEditText(c, r); });
    QObject::connect(&grid, &StringGrid::enterPressed, [this] { editor.ProgKeyPress(13); });
    QObject::connect(&grid, &StringGrid::focusLeft, [this] { editor.ProgExit(); });
    window.show();
    QApplication::setActiveWindow(&window);
    line(1, "0", "60");
    line(2, "0", "30");
    QSignalSpy left(&grid, &StringGrid::focusLeft);

    grid.setCurrentCell(2, 1);
    grid.setFocus();
    QTest::keyClick(&grid, Qt::Key_F2);
    QWidget* cellEditor = QApplication::focusWidget();
    ASSERT_NE(cellEditor, &grid);
    QTest::keyClick(cellEditor, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(cellEditor, " 750 ");
    QTest::keyClick(cellEditor, Qt::Key_Return);
    EXPECT_EQ(cell(1, 1), " 750 ");
    EXPECT_TRUE(editor.ProgChanged());
    ASSERT_EQ(editor.Preview().size(), 3u);
    EXPECT_DOUBLE_EQ(editor.Preview()[1].y, 750);  // Enter saw the committed text
    EXPECT_EQ(left.count(), 0);

    // Typing and leaving the grid for another control also redraws.
    grid.setCurrentCell(3, 1);
    grid.setFocus();
    QTest::keyClick(&grid, Qt::Key_F2);
    cellEditor = QApplication::focusWidget();
    QTest::keyClick(cellEditor, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(cellEditor, "800");
    other->setFocus();
    EXPECT_EQ(left.count(), 1);
    EXPECT_EQ(cell(1, 2), "800");
    EXPECT_DOUBLE_EQ(editor.Preview()[2].y, 800);

    // A key typed right after a click on the current cell opens its editor with that key.
    grid.setFocus();
    grid.setCurrentCell(4, 1);
    const QPoint line3 = grid.visualRect(grid.model()->index(4, 1)).center();
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, line3);
    QTest::keyClick(&grid, Qt::Key_7);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_EQ(cell(1, 3), "7");
    grid.setParent(nullptr);
}

TEST_F(EditorFixture, ClearingAsksThenEmptiesTheTable)
{
    line(1, "900", "60");
    dialogs.yesNoAnswer = false;
    editor.KProgClearClick();
    EXPECT_EQ(cell(1, 1), "900");
    EXPECT_EQ(grid.rows(), 201);
    ASSERT_EQ(dialogs.asked.size(), 1);
    EXPECT_EQ(dialogs.asked[0], "yesno:<MBWarning>|<MBClearKilningProgram>");

    dialogs.yesNoAnswer = true;
    state.AppFolder = "/opt/kiln";
    editor.SetProgChanged(true);
    editor.KProgClearClick();
    EXPECT_EQ(grid.rows(), 200);
    for (int n = 1; n <= 198; ++n) {
        ASSERT_EQ(cell(1, n), "0");
        ASSERT_EQ(cell(2, n), "0");
        ASSERT_EQ(cell(3, n), " ");
        ASSERT_EQ(cell(4, n), " ");
    }
    EXPECT_EQ(fileName, "/opt/kiln/Prog/NewProg.prg");
    EXPECT_EQ(editor.ChartTitle(), fileName);
    EXPECT_EQ(log.entries, QStringList{"LogKilningProgram|/opt/kiln/Prog/NewProg.prg"});
    EXPECT_TRUE(editor.ProgChanged());
    EXPECT_EQ(editor.Preview().size(), 1u);
    EXPECT_DOUBLE_EQ(editor.HeadroomY(), 10);

    editor.SetProgChanged(false);
    editor.KProgClearClick();
    EXPECT_FALSE(editor.ProgChanged());
}

TEST_F(EditorFixture, AnEnteredProgramReadsBackInEveryScaleAndSeparator)
{
    const std::vector<ProgramStep> lines = {{90, 84}, {90, 120}, {600, 348}, {1026.5, 151}, {1077, 40}, {0, 0}};
    struct Case {
        int scale;
        QChar separator;
    };
    for (const Case& c : std::vector<Case>{{0, '.'}, {1, ','}, {2, ','}, {4, ','}}) {
        SCOPED_TRACE(c.scale);
        LocaleFacts facts;
        facts.decimalSeparator = c.separator;
        ScopedLocaleFacts separator{facts};
        state.Temps.TempScale = c.scale;
        state.AppFolder = "/opt/kiln";
        line(1, "900", "60");
        grid.setCell(3, 2, "5");
        log.entries.clear();
        editor.SetProgChanged(false);

        editor.EnterProgram(lines, "Cone 04, medium");
        const ProgramTable table(grid, state.Temps);
        ASSERT_EQ(grid.rows(), ProgramEditor::kClearedRows);
        for (int n = 1; n <= int(lines.size()); ++n) {
            EXPECT_NEAR(table.LineTemp(n), lines[n - 1].temp, 1e-9) << n;
            EXPECT_EQ(table.LineMinutes(n), lines[n - 1].minutes) << n;
            EXPECT_EQ(table.LineSound(n), 0) << n;
        }
        EXPECT_EQ(table.LineTemp(int(lines.size())), 0.0);  // exactly: the executor ends there
        EXPECT_EQ(fileName, "/opt/kiln/Prog/Cone 04, medium.prg");
        EXPECT_EQ(editor.ChartTitle(), fileName);
        EXPECT_EQ(log.entries, QStringList{"LogKilningProgram|" + fileName});
        EXPECT_TRUE(editor.ProgChanged());
        EXPECT_EQ(editor.Preview().size(), lines.size());  // the start point and every line up to the end
    }
}

TEST_F(EditorFixture, HeaderRowsFollowLanguageAndScale)
{
    texts.texts["KProgramRow0"] = "Line\r\nTemp\r\nTime\r\nSound\r\nOut";
    texts.texts["Minutes1"] = "min";
    state.Temps.TempScale = 1;
    editor.SetHeaderRows();
    const QStringList row0{"Line", "Temp", "Time", "Sound", "Out"};
    const QStringList row1{"N", QString::fromUtf8("°F"), "min", "#", "A  B"};
    for (int c = 0; c < 5; ++c) {
        EXPECT_EQ(grid.cell(c, 0), row0[c]);
        EXPECT_EQ(grid.cell(c, 1), row1[c]);
    }
}

// A Temp or Time cell up to the program's end that holds no number would run as the end of
// the program or as a step at full power: it is shown red, the title names the line, and
// the program cannot be started. Past the end nothing is checked.
TEST_F(EditorFixture, ACellWithoutANumberIsRedAndStopsTheStart)
{
    texts.texts["WarningProgramNoNumber"] = "No number: line ";
    struct Case {
        const char* what;
        std::vector<std::pair<QString, QString>> lines;  // temperature, minutes
        int badLine;
        std::vector<std::pair<int, int>> redCells;  // column, line
    };
    const std::vector<Case> cases = {
        {"a good program", {{"500", "60"}, {"500", "30"}, {"0", "0"}}, 0, {}},
        {"letters for minutes", {{"500", "60"}, {"500", "abc"}, {"0", "0"}}, 2, {{2, 2}}},
        {"minutes with a fraction", {{"500", "1.5"}, {"0", "0"}}, 1, {{2, 1}}},
        {"an empty time in a line that runs", {{"500", ""}, {"0", "0"}}, 1, {{2, 1}}},
        {"negative minutes", {{"500", "-5"}, {"0", "0"}}, 1, {{2, 1}}},
        {"letters for a temperature", {{"500", "60"}, {"abc", "30"}, {"900", "60"}, {"0", "0"}}, 2, {{1, 2}}},
        {"both cells of one line", {{"5x", "y"}, {"0", "0"}}, 1, {{1, 1}, {2, 1}}},
        {"an empty end line is the usual end", {{"500", "60"}, {"", ""}}, 0, {}},
        {"past the end nothing counts", {{"500", "60"}, {"0", "0"}, {"abc", "xyz"}}, 0, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (int n = 1; n <= 6; ++n)
            line(n, "", "");
        for (int n = 1; n <= int(c.lines.size()); ++n)
            line(n, c.lines[n - 1].first, c.lines[n - 1].second);
        EXPECT_EQ(editor.DrawProg(), c.badLine == 0);
        EXPECT_EQ(state.ProgImpossible, c.badLine != 0);
        if (c.badLine != 0) {
            EXPECT_EQ(editor.ChartTitle(), fileName + "\r\nNo number: line " + QString::number(c.badLine));
            EXPECT_EQ(editor.ChartTitleColor(), QColor(255, 0, 0));
        } else {
            EXPECT_EQ(editor.ChartTitle(), fileName);
        }
        for (int n = 1; n <= 6; ++n)
            for (int col : {1, 2}) {
                const bool red = std::find(c.redCells.begin(), c.redCells.end(), std::make_pair(col, n)) !=
                                 c.redCells.end();
                EXPECT_EQ(grid.item(n + 1, col) ? grid.item(n + 1, col)->background().color() == QColor(255, 0, 0)
                                                : false,
                          red)
                    << "column " << col << ", line " << n;
            }
    }
}
