#include "ProgramEditor.h"

#include "TimeAxisTicker.h"

#include "ConeProgram.h"

#include "DateTime.h"
#include "Numbers.h"
#include "ProgramTable.h"
#include "TextCodec.h"
#include "Widgets.h"

#include <QLineEdit>
#include <algorithm>
#include <cmath>
#include <qcustomplot.h>

namespace {

int outPosition(const QString& text)
{
    const QStringList& options = OutOptions();
    for (int k = 0; k < options.size(); ++k)
        if (options[k].compare(text, Qt::CaseInsensitive) == 0)
            return k;
    return 0;
}

// Non-negative remainder, for stepping backwards through a cycle.
int cycle(long long value, int length) { return int(((value % length) + length) % length); }

}  // namespace

ProgramEditor::ProgramEditor(KilnState& state, const MessageSource& texts, EventLogWriter& log, Dialogs& dialogs,
                             ProgramEditorView view)
    : state_(state), texts_(texts), log_(log), dialogs_(dialogs), view_(view)
{
    QCustomPlot* chart = view_.Chart2;
    if (!chart)
        return;
    QCPLayoutGrid* layout = chart->plotLayout();
    titleElement_ = qobject_cast<QCPTextElement*>(layout->elementCount() > 0 ? layout->elementAt(0) : nullptr);
    if (!titleElement_) {
        layout->insertRow(0);
        titleElement_ = new QCPTextElement(chart, QString());
        layout->addElement(0, 0, titleElement_);
    }
    chart->xAxis->setTicker(QSharedPointer<QCPAxisTicker>(new TimeAxisTicker([](double t) { return DateTime::longTime(t); })));
}

ProgramEditor::~ProgramEditor() = default;

bool ProgramEditor::DrawProg()
{
    StringGrid* grid = view_.Prog;
    const TemperatureScale& scale = state_.Temps;
    const double maxTemp = view_.MAXTEMP ? EditValue(view_.MAXTEMP, 1000) : 1000;
    state_.ProgImpossible = false;
    overMax_ = false;
    unreadableLine_ = 0;

    preview_.clear();
    double time = 0;
    preview_.push_back({time, scale.TX(0), DateTime::longTime(time), kSegment});
    // The curve shows what the executor runs: every line up to the first one that ends the
    // program (or up to the end of the grid, past which lines read as 0 °C). A line of 0
    // minutes before that is a step; the end line itself ramps down to 0 °C only when it
    // has minutes.
    if (grid) {
        const ProgramTable table(*grid, scale);
        const int end = table.EndLine();
        for (int n = 1; n <= std::min(end, table.lineCount()); ++n) {
            const int temp = Numbers::roundHalfEven(table.LineTemp(n));
            // No line takes less than no time: the curve never runs backwards.
            const int minutes = std::max(table.LineMinutes(n), 0);
            if (temp > maxTemp)
                overMax_ = true;
            if (n == end && minutes == 0)
                break;
            time += minutes * DateTime::kMinute;
            const QColor color = n == state_.ProgLine ? kCurrentSegment : kSegment;
            preview_.push_back({time, scale.TX(temp), DateTime::longTime(time), color});
        }
        unreadableLine_ = markUnreadableCells(table);
    }
    state_.ProgImpossible = overMax_ || unreadableLine_ != 0;

    if (grid)
        for (int r = ProgramTable::kHeaderRows; r < grid->rows(); ++r) {
            const int line = r - 1;
            view_.Prog->setCell(0, r, QString::number(line) + (line == state_.ProgLine ? " #" : ""));
        }

    double highest = preview_.front().y;
    for (const PreviewPoint& p : preview_)
        highest = std::max(highest, p.y);
    headroomY_ = highest + kHeadroom;

    drawSeries();
    ShowTitle();
    return !state_.ProgImpossible;
}

// A Temp or Time cell up to the end that holds no number would run as the end or as a
// step at full power: it is shown red and the program cannot be started.
int ProgramEditor::markUnreadableCells(const ProgramTable& table)
{
    StringGrid* grid = view_.Prog;
    const int end = table.EndLine();
    int first = 0;
    for (int n = 1; n <= table.lineCount(); ++n) {
        const bool upToEnd = n <= end;
        const bool temp = upToEnd && table.TempCellUnreadable(n);
        const bool time = upToEnd && table.TimeCellUnreadable(n, n == end);
        grid->setCellBackground(1, n + 1, temp ? kUnreadableCell : QColor());
        grid->setCellBackground(2, n + 1, time ? kUnreadableCell : QColor());
        if ((temp || time) && first == 0)
            first = n;
    }
    return first;
}

void ProgramEditor::clearSeries()
{
    QCustomPlot* chart = view_.Chart2;
    for (QCPCurve* c : segments_)
        chart->removePlottable(c);
    segments_.clear();
    if (headroom_)
        chart->removePlottable(headroom_);
    headroom_ = nullptr;
}

void ProgramEditor::drawSeries()
{
    QCustomPlot* chart = view_.Chart2;
    if (!chart)
        return;
    clearSeries();

    // A segment takes the colour of the point it ends in; equally coloured neighbours
    // share one curve.
    const auto newCurve = [&](const QColor& color) {
        auto* curve = new QCPCurve(chart->xAxis, chart->yAxis);
        curve->setName("Series9");
        curve->setPen(QPen(color, 2));
        segments_.push_back(curve);
        return curve;
    };
    QCPCurve* curve = newCurve(preview_.size() > 1 ? preview_[1].color : kSegment);
    curve->addData(preview_[0].x, preview_[0].y);
    for (std::size_t i = 1; i < preview_.size(); ++i) {
        if (i > 1 && preview_[i].color != preview_[i - 1].color) {
            curve = newCurve(preview_[i].color);
            curve->addData(preview_[i - 1].x, preview_[i - 1].y);
        }
        curve->addData(preview_[i].x, preview_[i].y);
    }

    headroom_ = chart->addGraph(chart->xAxis, chart->yAxis);
    headroom_->setName("Series18");
    headroom_->setLineStyle(QCPGraph::lsNone);
    headroom_->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssNone));
    headroom_->addData(0, headroomY_);

    double left = 0, right = 0, bottom = preview_.front().y;
    for (const PreviewPoint& p : preview_) {
        left = std::min(left, p.x);
        right = std::max(right, p.x);
        bottom = std::min(bottom, p.y);
    }
    if (right - left < DateTime::kMinute)
        right = left + 60 * DateTime::kMinute;
    chart->xAxis->setRange(left, right);
    chart->yAxis->setRange(bottom, headroomY_);
    chart->replot(QCustomPlot::rpQueuedReplot);
}

void ProgramEditor::ShowTitle()
{
    title_ = fileName();
    if (state_.ProgImpossible && (overMax_ || unreadableLine_ == 0))
        title_ += "\r\n" + texts_.LS("WarningProgramImpossible");
    if (state_.ProgImpossible && unreadableLine_ != 0)
        title_ += "\r\n" + texts_.LS("WarningProgramNoNumber") + Numbers::formatInt(unreadableLine_);
    titleColor_ = state_.ProgImpossible ? kImpossibleTitle : kTitle;
    if (titleElement_) {
        titleElement_->setText(QString(title_).replace("\r\n", "\n"));
        titleElement_->setTextColor(titleColor_);
        if (view_.Chart2)
            view_.Chart2->replot(QCustomPlot::rpQueuedReplot);
    }
}

void ProgramEditor::ProgSetEditText(int, int) { progChanged_ = true; }

void ProgramEditor::ProgRowMoved(int, int)
{
    progChanged_ = true;
    DrawProg();
}

void ProgramEditor::ProgKeyPress(int key)
{
    if (key == 13)
        DrawProg();
}

void ProgramEditor::ProgExit() { DrawProg(); }

void ProgramEditor::ProgMouseDown(Qt::MouseButton button)
{
    StringGrid* grid = view_.Prog;
    const int row = grid->currentRow();
    const int col = grid->currentColumn();
    if (row < ProgramTable::kHeaderRows)
        return;
    // Only the left and right buttons step through the choices.
    const int step = button == Qt::LeftButton ? 1 : button == Qt::RightButton ? -1 : 0;
    if (step != 0 && col == kSoundColumn) {
        const int n = cycle(Numbers::parseWholeOr(grid->cell(col, row), 0) + (long long)step, 6);
        grid->setCell(col, row, n == 0 ? QString(" ") : QString::number(n));
        progChanged_ = true;
    } else if (step != 0 && col == kOutColumn) {
        grid->setCell(col, row, OutOptions()[cycle(outPosition(grid->cell(col, row)) + step, 4)]);
        progChanged_ = true;
    }
    // Sounds and outputs are chosen by clicking, temperatures and times are typed.
    if (col == kSoundColumn || col == kOutColumn)
        grid->setInPlaceEditing(false);
    else if (col == 1 || col == 2)
        grid->setInPlaceEditing(true);
}

void ProgramEditor::KProgClearClick()
{
    if (!dialogs_.askYesNo(texts_.LS("MBWarning"), texts_.LS("MBClearKilningProgram")))
        return;
    clearTable();
    nameProgram(state_.AppFolder + "/Prog/NewProg.prg");
}

void ProgramEditor::EnterProgram(const std::vector<ProgramStep>& lines, const QString& title)
{
    clearTable();
    StringGrid* grid = view_.Prog;
    const int count = std::min<int>(int(lines.size()), grid->rows() - ProgramTable::kHeaderRows);
    for (int n = 1; n <= count; ++n) {
        const ProgramStep& line = lines[n - 1];
        grid->setCell(1, n + 1, Numbers::formatGeneral(state_.Temps.TX(line.temp)));
        grid->setCell(2, n + 1, QString::number(line.minutes));
    }
    progChanged_ = true;
    nameProgram(state_.AppFolder + "/Prog/" + title + ".prg");
}

void ProgramEditor::clearTable()
{
    StringGrid* grid = view_.Prog;
    grid->setRows(kClearedRows);
    for (int r = ProgramTable::kHeaderRows; r < grid->rows(); ++r) {
        grid->setCell(1, r, "0");
        grid->setCell(2, r, "0");
        grid->setCell(3, r, " ");
        grid->setCell(4, r, " ");
    }
}

void ProgramEditor::nameProgram(const QString& name)
{
    if (SetProgFileName)
        SetProgFileName(name);
    ShowTitle();
    log_.TLogLS("LogKilningProgram", name);
    DrawProg();
}

void ProgramEditor::SetHeaderRows()
{
    StringGrid* grid = view_.Prog;
    const QStringList captions = TextCodec::splitLines(texts_.LS("KProgramRow0"));
    for (int c = 0; c < grid->colCount() && c < captions.size(); ++c)
        grid->setCell(c, 0, captions[c]);
    const QStringList units{"N", state_.Temps.Deg(), texts_.LS("Minutes1"), "#", "A  B"};
    for (int c = 0; c < grid->colCount() && c < units.size(); ++c)
        grid->setCell(c, 1, units[c]);
}
