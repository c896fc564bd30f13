#include "Previews.h"

#include "TimeAxisTicker.h"

#include "DateTime.h"
#include "Numbers.h"
#include "Pid.h"
#include "ProgramTable.h"
#include "Simulator.h"
#include "TemperatureText.h"
#include "ThermalModel.h"
#include "Widgets.h"

#include <QLineEdit>
#include <algorithm>
#include <cmath>
#include <limits>
#include <qcustomplot.h>

namespace {

constexpr int kTarget = 0;  // the chamber temperature in the model preview
constexpr int kPower = 1;
constexpr int kHeadroomSeries = 2;
constexpr int kChamber = 3;

// A field the window did not wire reads as its default.

}  // namespace

// Collects a drawing's points in bulk; the chart containers are filled once at the end.
struct Previews::Builder {
    std::array<QVector<QCPGraphData>, kSeriesCount> data;
    double minY = std::numeric_limits<double>::infinity();
    double maxY = -std::numeric_limits<double>::infinity();
    double maxX = 0;

    void add(int series, double x, double y)
    {
        data[std::size_t(series)].append(QCPGraphData(x, y));
        if (!std::isnan(y)) {
            minY = std::min(minY, y);
            maxY = std::max(maxY, y);
        }
        maxX = std::max(maxX, x);
    }
    void reserve(int series, qsizetype n) { data[std::size_t(series)].reserve(n); }
};

Previews::Previews(KilnState& state, const MessageSource& texts, const ProgramTable& program, const PreviewsView& view,
                   PreviewsHooks hooks)
    : state_(state), texts_(texts), program_(program), view_(view), hooks_(std::move(hooks)), plot_(view.Chart3)
{
    QCustomPlot* p = plot_;
    p->setBackground(Qt::white);
    p->legend->setVisible(false);
    p->setAutoAddPlottableToLegend(false);
    p->setNotAntialiasedElements(QCP::aeAll);
    p->setPlottingHint(QCP::phFastPolylines, true);
    p->plotLayout()->insertRow(0);
    title_ = new QCPTextElement(p, QString());
    p->plotLayout()->addElement(0, 0, title_);
    p->xAxis->setTicker(QSharedPointer<QCPAxisTicker>(new TimeAxisTicker([](double t) { return DateTime::longTime(t); })));
    const QColor colors[kSeriesCount] = {QColor(255, 128, 64), QColor(0, 128, 0), QColor(255, 0, 0),
                                         QColor(0, 0, 255)};
    for (int s = 0; s < kSeriesCount; ++s) {
        QCPGraph* g = p->addGraph(p->xAxis, p->yAxis);
        g->setPen(QPen(colors[s], 1));
        g->setAdaptiveSampling(true);
        graphs_[std::size_t(s)] = g;
    }
    graphs_[kHeadroomSeries]->setLineStyle(QCPGraph::lsNone);
    graphs_[kHeadroomSeries]->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssDisc, colors[kHeadroomSeries], 3));
}

Previews::~Previews() = default;

void Previews::SetTitle(const QString& title)
{
    title_->setText(title);
    plot_->replot(QCustomPlot::rpQueuedReplot);
}

QString Previews::title() const { return title_->text(); }

int Previews::pointCount(int series) const { return graphs_.at(std::size_t(series))->data()->size(); }

void Previews::begin()
{
    for (QCPGraph* g : graphs_)
        g->data()->clear();
    plot_->xAxis->setLabel(texts_.LS("C3BottomAxis"));
    if (hooks_.ovenFileName)
        title_->setText(hooks_.ovenFileName());
    // Another drawing on this chart (the thermocouple curve) may have put its own ticker.
    if (!dynamic_cast<TimeAxisTicker*>(plot_->xAxis->ticker().data()))
        plot_->xAxis->setTicker(QSharedPointer<QCPAxisTicker>(new TimeAxisTicker([](double t) { return DateTime::longTime(t); })));
}

// The headroom point keeps the top of the axis 10 units above the curves.
void Previews::finish(Builder& b)
{
    const double top = (b.maxY >= b.minY ? b.maxY : 0.0) + kHeadroom;
    b.add(kHeadroomSeries, 0, top);
    for (int s = 0; s < kSeriesCount; ++s)
        graphs_[std::size_t(s)]->data()->set(b.data[std::size_t(s)], true);
    plot_->yAxis->setRange(std::min(b.minY, top - kHeadroom), top);
    plot_->xAxis->setRange(0, b.maxX > 0 ? b.maxX : kStep);
    // Several drawings in one event (a spin button) give one redraw.
    plot_->replot(QCustomPlot::rpQueuedReplot);
}

void Previews::DrawModel()
{
    begin();
    const auto [p, i, r] = SimulatorView{view_.MODEL_P, view_.MODEL_I, view_.MODEL_R}.factors();
    const double power = EditValue(view_.MODELPOWER, 20);
    const TemperatureScale& sc = state_.Temps;
    const double dt = kStep * 86400;
    const int n = int(std::floor(kPhase / kStep + 1e-9));

    Builder b;
    b.reserve(kTarget, 2 * n);
    b.reserve(kPower, 2 * n);
    double t1 = kStartTemp;
    double t2 = kStartTemp;
    long long k = 0;
    for (const double phasePower : {power, 0.0}) {
        for (int s = 0; s < n; ++s, ++k) {
            ModelStep(t1, t2, kStartTemp, r, i, p, dt, phasePower);
            const double time = double(k) * kStep;
            b.add(kTarget, time, sc.TX(t2));
            b.add(kPower, time, phasePower);
        }
    }
    finish(b);
}

void Previews::DrawTestProgram()
{
    begin();
    const auto [p, i, r] = SimulatorView{view_.MODEL_P, view_.MODEL_I, view_.MODEL_R}.factors();
    const double pidI = EditValue(view_.PID_I, 0.3);
    const double pidP = EditValue(view_.PID_P, 0.5);
    const double pidD = EditValue(view_.PID_D, 0.2);
    const int corr = view_.PID_CORR ? view_.PID_CORR->itemIndex() : 1;
    const TemperatureScale& sc = state_.Temps;
    const double dt = kStep * 86400;
    // Rounding must not drop a line's last step (a one-minute line has 31 steps).
    const double tolerance = kStep * 1e-6;
    const long long maxSteps = std::llround(kMaxProgram / kStep);

    long long estimate = 0;
    for (int n = 1; n <= program_.lineCount(); ++n) {
        const int m = program_.LineMinutes(n);
        if (m == 0)
            break;
        estimate += m > 0 ? (long long)m * 30 + 1 : 1;
    }
    estimate = std::min(estimate, maxSteps);

    Builder b;
    for (int s : {kTarget, kPower, kChamber})
        b.reserve(s, qsizetype(estimate));
    PidState pid;
    PidReset(pid);
    double t1 = kStartTemp;
    double t2 = kStartTemp;
    double lineEnd = kStartTemp;
    long long steps = 0;
    for (int n = 1; n <= program_.lineCount() && steps < maxSteps; ++n) {
        const int minutes = program_.LineMinutes(n);
        if (minutes == 0)
            break;
        const double start = lineEnd;
        const double end = program_.LineTemp(n);
        const double duration = minutes / 1440.0;
        double u = 0;
        long long k = 0;
        do {
            ++steps;
            ++k;
            const double time = double(steps) * kStep;
            u = double(k) * kStep;
            const double target = start + (end - start) / duration * u;
            PidStep(corr, pid, t2, target, pidP, pidI, pidD, dt);
            const double power = pid.Power;
            ModelStep(t1, t2, kStartTemp, r, i, p, dt, power);
            b.add(kTarget, time, sc.TX(target));
            b.add(kPower, time, power);
            b.add(kChamber, time, sc.TX(t2));
        } while (duration >= u - tolerance && steps < maxSteps);
        lineEnd = end;
    }
    finish(b);
}

void Previews::MODEL_PChange()
{
    if (hooks_.setOvenChanged)
        hooks_.setOvenChanged();
    state_.ProgImpossible = false;
    DrawTestProgram();
}

void Previews::OvenClearClick()
{
    for (QCPGraph* g : graphs_)
        g->data()->clear();
    plot_->replot(QCustomPlot::rpQueuedReplot);
}

void Previews::spin(QLineEdit* field, bool up)
{
    if (!field)
        return;
    const double v = EditValue(field, 1);
    field->setText(Numbers::formatGeneral(up ? v * kSpinFactor : v / kSpinFactor, 3));
}

void Previews::SpinButton1UpClick() { spin(view_.PID_P, true); DrawTestProgram(); }
void Previews::SpinButton1DownClick() { spin(view_.PID_P, false); DrawTestProgram(); }
void Previews::SpinButton2UpClick() { spin(view_.PID_I, true); DrawTestProgram(); }
void Previews::SpinButton2DownClick() { spin(view_.PID_I, false); DrawTestProgram(); }
void Previews::SpinButton3UpClick() { spin(view_.PID_D, true); DrawTestProgram(); }
void Previews::SpinButton3DownClick() { spin(view_.PID_D, false); DrawTestProgram(); }
void Previews::SpinButton4UpClick() { spin(view_.MODEL_I, true); DrawModel(); }
void Previews::SpinButton4DownClick() { spin(view_.MODEL_I, false); DrawModel(); }
void Previews::SpinButton5UpClick() { spin(view_.MODEL_R, true); DrawModel(); }
void Previews::SpinButton5DownClick() { spin(view_.MODEL_R, false); DrawModel(); }
void Previews::SpinButton6UpClick() { spin(view_.MODEL_P, true); DrawModel(); }
void Previews::SpinButton6DownClick() { spin(view_.MODEL_P, false); DrawModel(); }
