#include "TemperatureChart.h"

#include "TimeAxisTicker.h"

#include "DateTime.h"
#include "TemperatureText.h"
#include "Widgets.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QToolTip>
#include <algorithm>
#include <cmath>
#include <limits>
#include <qcustomplot.h>

namespace {

struct SeriesInfo {
    const char* name;
    const char* title;
    bool shown;
};

// Index = series index.
constexpr std::array<SeriesInfo, TemperatureChart::kSeriesCount> kSeries{{
    {"Series1", "Amb", true},
    {"Series3", "Prop", false},
    {"Series4", "Int", false},
    {"Series5", "Deriv", false},
    {"Series6", "Power", true},
    {"Series7", "Dest", true},
    {"Series8", "PWR", false},
    {"Series2", "T1", true},
    {"Series11", "T2", true},
    {"Series12", "T3", true},
    {"Series13", "T4", false},
    {"Series14", "T5", false},
    {"Series15", "T6", false},
    {"Series16", "T7", false},
    {"Series17", "T8", false},
    {"Series20", "Range", true},
    {"Series22", "Numbers", true},
}};

QColor initialColor(int index)
{
    switch (index) {
    case 0: return QColor(0, 255, 0);
    case 1: return QColor(0, 0, 255);
    case 2: return QColor(255, 0, 255);
    case 3: return QApplication::palette().color(QPalette::WindowText);
    case 4: return QColor(255, 0, 0);
    case 5: return QColor(255, 128, 0);
    case 6: return QColor(255, 255, 0);
    case TemperatureChart::kRange: return QColor(0, 0, 0);
    case TemperatureChart::kNumbers: return QColor(0, 0, 0);
    default: return QColor(0, 128, 0);
    }
}

// A field the window did not wire reads as its default.

double limitTerm(double v)
{
    if (v < -TemperatureChart::kTermLimit)
        return -TemperatureChart::kTermLimit;
    if (v > TemperatureChart::kTermLimit)
        return TemperatureChart::kTermLimit;
    return v;
}


}  // namespace

void TemperatureChart::Extremes::reset()
{
    lo = std::numeric_limits<double>::infinity();
    hi = -std::numeric_limits<double>::infinity();
}

void TemperatureChart::Extremes::add(double v)
{
    if (std::isnan(v))
        return;
    lo = std::min(lo, v);
    hi = std::max(hi, v);
}

TemperatureChart::TemperatureChart(KilnState& state, Dialogs& dialogs, const TemperatureChartView& view)
    : state_(state), dialogs_(dialogs), view_(view), plot_(view.Chart1), record_(kDataSeries)
{
    for (Extremes& e : extremes_)
        e.reset();
    marksBackground_ = QToolTip::palette().color(QPalette::ToolTipBase);
    redrawTimer_.setSingleShot(true);
    redrawTimer_.setInterval(kRedrawDelayMs);
    QObject::connect(&redrawTimer_, &QTimer::timeout, &redrawTimer_, [this] { Redraw(); });
    setUpChart();
}

TemperatureChart::~TemperatureChart()
{
    // The ticker calls back into this object; the plot may outlive it.
    if (plot_)
        plot_->xAxis->setTicker(QSharedPointer<QCPAxisTicker>(new QCPAxisTicker));
}

void TemperatureChart::setUpChart()
{
    QCustomPlot* p = plot_;
    p->setBackground(Qt::white);
    p->axisRect()->setBackground(Qt::white);
    p->legend->setVisible(false);
    p->setAutoAddPlottableToLegend(false);
    // A day of points on many series: plain, not antialiased polylines.
    p->setNotAntialiasedElements(QCP::aeAll);
    p->setPlottingHint(QCP::phFastPolylines, true);
    p->setPlottingHint(QCP::phCacheLabels, true);
    p->xAxis->setTicker(QSharedPointer<QCPAxisTicker>(new TimeAxisTicker(
        [this](double x) { return TimeLabel(x); },
        [this] { return realTime() ? 0.0 : state_.RecordStart; })));
    p->xAxis2->setVisible(false);
    p->yAxis2->setVisible(false);
    for (int s = 0; s < kSeriesCount; ++s) {
        QCPGraph* g = p->addGraph(p->xAxis, p->yAxis);
        g->setObjectName(kSeries[std::size_t(s)].name);
        g->setName(kSeries[std::size_t(s)].title);
        g->setPen(QPen(initialColor(s), 1));
        g->setAdaptiveSampling(true);
        if (s == kRange || s == kNumbers)
            g->setLineStyle(QCPGraph::lsNone);
        g->setVisible(kSeries[std::size_t(s)].shown);
        graphs_[std::size_t(s)] = g;
    }
}

QString TemperatureChart::seriesTitle(int series) const { return kSeries.at(std::size_t(series)).title; }

bool TemperatureChart::realTime() const { return !view_.RealTime || view_.RealTime->isChecked(); }

QString TemperatureChart::TimeLabel(double x) const
{
    return DateTime::longTime(realTime() ? record_.stampAt(x) : x - state_.RecordStart);
}

int TemperatureChart::insertionIndex(int series, double x) const
{
    const auto data = graphs_[std::size_t(series)]->data();
    if (data->isEmpty() || x >= (data->constEnd() - 1)->key)
        return data->size();
    // Out-of-order time (clock set back): keep the sorted order the container keeps.
    const auto it = std::lower_bound(data->constBegin(), data->constEnd(), QCPGraphData(x, 0),
                                     qcpLessThanSortKey<QCPGraphData>);
    return int(it - data->constBegin());
}

void TemperatureChart::addPoint(int series, double x, double y)
{
    graphs_[std::size_t(series)]->data()->add(QCPGraphData(x, y));
    extremes_[std::size_t(series)].add(y);
}

void TemperatureChart::DrawGraph()
{
    // The recording's time line: a wall clock set back draws on instead of back across the plot.
    const double x = state_.recordTime();
    const TemperatureScale& sc = state_.Temps;
    const PidState& pid = state_.Pid;
    const double p = EditValue(view_.PID_P, 0.5);
    const double i = EditValue(view_.PID_I, 0.3);
    const double d = EditValue(view_.PID_D, 0.2);

    std::array<double, kDataSeries> y{};
    y[0] = sc.TX(state_.outsideTemp());
    y[1] = sc.TX(limitTerm(p * pid.Err));
    y[2] = sc.TX(limitTerm(i * pid.Integral));
    y[3] = sc.TX(limitTerm(d * pid.Derivative));
    y[4] = pid.Power;
    y[5] = sc.TX(state_.TargetTemp);
    y[6] = pid.Power;
    // A channel without a valid reading leaves a gap: a broken thermocouple's -300 °C would
    // stretch the scale for the rest of the recording.
    for (int k = 1; k <= 8; ++k)
        y[std::size_t(6 + k)] =
            state_.Devices[k].Error ? std::numeric_limits<double>::quiet_NaN() : sc.TX(state_.Devices[k].Value);
    record_.add(x, state_.CycleTime, y);
    for (std::size_t s = 0; s < y.size(); ++s)
        extremes_[s].add(y[s]);
    drawingStale_.fill(true);

    updateRange(x, TimeLabel(x));
    scheduleRedraw();
}

// The data series' graphs draw the record's reduced points; a shown one is refreshed for a
// redraw, a hidden one when it is shown.
void TemperatureChart::refreshDrawing()
{
    for (int s = 0; s < kDataSeries; ++s) {
        if (!drawingStale_[std::size_t(s)] || !graphs_[std::size_t(s)]->visible())
            continue;
        record_.drawingInto(s, drawingBuffer_);
        graphs_[std::size_t(s)]->data()->set(drawingBuffer_, true);
        drawingStale_[std::size_t(s)] = false;
    }
}

TemperatureChart::Extremes TemperatureChart::shownExtremes(bool withRange) const
{
    Extremes all;
    all.reset();
    for (int s = 0; s < kSeriesCount; ++s) {
        if ((s == kRange && !withRange) || !graphs_[std::size_t(s)]->visible())
            continue;
        const Extremes& e = extremes_[std::size_t(s)];
        if (!e.empty()) {
            all.add(e.lo);
            all.add(e.hi);
        }
    }
    return all;
}

// The two "Range" points widen the vertical scale by 5 % of the shown span on both sides.
void TemperatureChart::updateRange(double x, const QString& label)
{
    QCPGraph* g = graphs_[kRange];
    g->data()->clear();
    extremes_[kRange].reset();
    rangeLabels_.clear();
    const Extremes e = shownExtremes(false);
    if (e.empty())
        return;
    const double span = e.hi - e.lo;
    addPoint(kRange, x, e.lo - 0.05 * span);
    addPoint(kRange, x, e.hi + 0.05 * span);
    rangeLabels_ << label << label;
}

void TemperatureChart::AddLineMark(double x, double y, const QString& label)
{
    const int at = insertionIndex(kNumbers, x);
    addPoint(kNumbers, x, y);
    markLabels_.insert(at, label);

    Mark m{new QCPItemLine(plot_), new QCPItemText(plot_)};
    m.callout->start->setCoords(x, y);
    // The frame sits 10 pixels above its point, joined to it by the callout line.
    m.callout->end->setParentAnchor(m.callout->start);
    m.callout->end->setCoords(0, -10);
    m.text->position->setParentAnchor(m.callout->end);
    m.text->position->setCoords(0, 0);
    m.text->setPositionAlignment(Qt::AlignHCenter | Qt::AlignBottom);
    m.text->setPadding(QMargins(2, 1, 2, 1));
    m.text->setText(label);
    // A mark at the top of the scale may reach into the margin above the plot.
    m.callout->setClipToAxisRect(false);
    m.text->setClipToAxisRect(false);
    styleMark(m);
    marks_.insert(marks_.begin() + at, m);
    scheduleRedraw();
}

int TemperatureChart::LineMarkCount() const { return pointCount(kNumbers); }

void TemperatureChart::styleMark(const Mark& m) const
{
    const QColor c = graphs_[kNumbers]->pen().color();
    const bool shown = graphs_[kNumbers]->visible();
    m.callout->setPen(QPen(c, 1));
    m.callout->setVisible(shown);
    m.text->setPen(QPen(c, 1, Qt::DashDotDotLine));
    m.text->setColor(c);
    m.text->setBrush(QBrush(marksBackground_));
    m.text->setVisible(shown);
}

void TemperatureChart::SetSeriesVisible(int index, bool visible)
{
    if (index < 0 || index >= kSeriesCount)
        return;
    graphs_[std::size_t(index)]->setVisible(visible);
    if (index == kNumbers)
        for (const Mark& m : marks_)
            styleMark(m);
    // The shown set changed: widen for it now, not only at the next cycle.
    const auto range = graphs_[kRange]->data();
    if (!range->isEmpty())
        updateRange(range->constBegin()->key, rangeLabels_.value(0));
}

bool TemperatureChart::seriesVisible(int index) const
{
    return index >= 0 && index < kSeriesCount && graphs_[std::size_t(index)]->visible();
}

void TemperatureChart::SetSeriesColor(int index, const QColor& color)
{
    if (index < 0 || index >= kSeriesCount)
        return;
    graphs_[std::size_t(index)]->setPen(QPen(color, 1));
    if (index == kNumbers)
        for (const Mark& m : marks_)
            styleMark(m);
}

QColor TemperatureChart::seriesColor(int index) const { return graphs_.at(std::size_t(index))->pen().color(); }

void TemperatureChart::SetMarksBackground(const QColor& color)
{
    marksBackground_ = color;
    for (const Mark& m : marks_)
        styleMark(m);
}

void TemperatureChart::CheckBox6Click(QCheckBox* sender)
{
    if (!sender)
        return;
    SetSeriesVisible(tagOf(sender), sender->isChecked());
    Redraw();
}

bool TemperatureChart::ApplyPanelColor(Panel* panel)
{
    QCheckBox* box = view_.findCheckBox ? view_.findCheckBox("CheckBox" + QString::number(tagOf(panel))) : nullptr;
    if (!box)
        return false;
    const int index = tagOf(box);
    if (index == kNumbers)
        SetMarksBackground(panel->color());
    else
        SetSeriesColor(index, panel->color());
    return true;
}

void TemperatureChart::Panel15Click(Panel* sender)
{
    if (!sender)
        return;
    const QString name = "CheckBox" + QString::number(tagOf(sender));
    if (!view_.findCheckBox || !view_.findCheckBox(name))
        return;  // a panel without a switch colours nothing
    sender->setColor(dialogs_.chooseColor(sender->color()));  // unchanged on cancel
    ApplyPanelColor(sender);
    Redraw();
}

// The data points' labels follow the RealTime state by themselves (pointLabel); the axis
// needs a redraw.
void TemperatureChart::RealTimeClick() { Redraw(); }

void TemperatureChart::SetAxisTitles(const QString& left, const QString& bottom)
{
    plot_->yAxis->setLabel(left);
    plot_->xAxis->setLabel(bottom);
    Redraw();
}

void TemperatureChart::ClearAll()
{
    for (int s = 0; s < kSeriesCount; ++s) {
        graphs_[std::size_t(s)]->data()->clear();
        extremes_[std::size_t(s)].reset();
    }
    record_.clear();
    drawingStale_.fill(false);
    rangeLabels_.clear();
    markLabels_.clear();
    for (const Mark& m : marks_) {
        plot_->removeItem(m.text);
        plot_->removeItem(m.callout);
    }
    marks_.clear();
    Redraw();
}

double TemperatureChart::pointStamp(int j) const
{
    return j >= 0 && j < record_.size() ? record_.stamp(j) : std::numeric_limits<double>::quiet_NaN();
}

int TemperatureChart::pointCount(int series) const
{
    if (series < 0 || series >= kSeriesCount)
        return 0;
    return series < kDataSeries ? record_.size() : graphs_[std::size_t(series)]->data()->size();
}

double TemperatureChart::pointX(int series, int j) const
{
    if (j < 0 || j >= pointCount(series))
        return std::numeric_limits<double>::quiet_NaN();
    return series < kDataSeries ? record_.x(j) : graphs_[std::size_t(series)]->data()->at(j)->key;
}

double TemperatureChart::pointY(int series, int j) const
{
    if (j < 0 || j >= pointCount(series))
        return std::numeric_limits<double>::quiet_NaN();
    return series < kDataSeries ? record_.y(series, j) : graphs_[std::size_t(series)]->data()->at(j)->value;
}

QString TemperatureChart::pointLabel(int series, int j) const
{
    // The data series share their x values, and a point's label follows from its x alone:
    // the recording start only changes together with a cleared chart. Computing it here
    // saves a string a cycle (a fifth of a week-long chart's memory).
    if (series < kDataSeries) {
        if (j < 0 || j >= pointCount(0))
            return QString();
        return DateTime::longTime(realTime() ? record_.stamp(j) : record_.x(j) - state_.RecordStart);
    }
    return series == kRange ? rangeLabels_.value(j) : markLabels_.value(j);
}

void TemperatureChart::updateAxisRanges()
{
    // Vertical: over the shown series, the "Range" points included.
    const Extremes e = shownExtremes(true);
    if (!e.empty()) {
        const double pad = e.hi > e.lo ? 0.0 : 1.0;
        plot_->yAxis->setRange(e.lo - pad, e.hi + pad);
    }
    // Horizontal: the keys are sorted, so the ends of each shown series bound it.
    double lo = std::numeric_limits<double>::infinity();
    double hi = -lo;
    for (int s = 0; s < kSeriesCount; ++s) {
        const int n = pointCount(s);
        if (!graphs_[std::size_t(s)]->visible() || n == 0)
            continue;
        lo = std::min(lo, pointX(s, 0));
        hi = std::max(hi, pointX(s, n - 1));
    }
    if (lo <= hi) {
        const double pad = hi > lo ? 0.0 : 30 * DateTime::kSecond;
        plot_->xAxis->setRange(lo - pad, hi + pad);
    }
}

void TemperatureChart::scheduleRedraw()
{
    // Throttle, not debounce: at high simulator speed new data keeps arriving, and the
    // chart must still be drawn every 40 ms.
    if (!redrawTimer_.isActive())
        redrawTimer_.start();
}

void TemperatureChart::Redraw()
{
    redrawTimer_.stop();
    if (!plot_)
        return;
    refreshDrawing();
    updateAxisRanges();
    plot_->replot();
}
