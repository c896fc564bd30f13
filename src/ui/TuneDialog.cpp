#include "TuneDialog.h"

#include "Numbers.h"
#include "Widgets.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <qcustomplot.h>

namespace {

constexpr int kPollMs = 100;
constexpr double kCycleSeconds = 2;
constexpr double kDeviationShown = 25;  // °C either way
const QColor kSetPoint(255, 128, 64);
const QColor kBefore(150, 150, 150);
const QColor kAfter(0, 0, 220);

// The search and the two runs to show, on the worker thread.
TuneDialog::Outcome tune(const TuneDialog::Inputs& in, const std::function<bool(double)>& progress)
{
    TuneDialog::Outcome o;
    o.result = TuneRegulator(*in.model, in.start, in.plan, progress);
    o.before = TrackOnModel(*in.model, o.result.before, in.plan, true);
    o.after = TrackOnModel(*in.model, o.result.after, in.plan, true);
    return o;
}

}  // namespace

TuneDialog::TuneDialog(Inputs inputs, const TemperatureScale& scale, const MessageSource& texts, QWidget* parent)
    : QDialog(parent), inputs_(std::move(inputs)), scale_(scale), texts_(texts)
{
    setWindowTitle(texts_.LS("TuneTitle"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    buildControls();
    connect(cancel, &QPushButton::clicked, this, [this] {
        job_.cancel();
        cancel->setEnabled(false);
        message->setText(texts_.LS("TuneStopping"));
    });
    connect(apply, &QPushButton::clicked, this, [this] {
        emit factorsChosen(outcome_.result.after);
        accept();
    });
    connect(closeButton, &QPushButton::clicked, this, &TuneDialog::reject);
    poll_.setInterval(kPollMs);
    connect(&poll_, &QTimer::timeout, this, &TuneDialog::pollJob);
    startTuning();
}

// Stops a search under way and waits for its thread.
TuneDialog::~TuneDialog() = default;

void TuneDialog::buildControls()
{
    progress = new QProgressBar;
    progress->setRange(0, 100);
    message = new QLabel;
    message->setWordWrap(true);
    chart = new QCustomPlot;
    deviation = new QCustomPlot;
    for (QCustomPlot* c : {chart, deviation}) {
        c->setBackground(Qt::white);
        c->setNotAntialiasedElements(QCP::aeAll);
        c->setPlottingHint(QCP::phFastPolylines, true);
        c->xAxis->setLabel(texts_.LS("TuneHours"));
    }
    chart->setMinimumSize(560, 220);
    chart->yAxis->setLabel(scale_.Deg());
    chart->legend->setVisible(true);
    chart->axisRect()->insetLayout()->setInsetAlignment(0, Qt::AlignBottom | Qt::AlignRight);
    deviation->setMinimumSize(560, 150);
    deviation->yAxis->setLabel(texts_.LS("TuneDeviation") + ", " + scale_.Deg());
    figures = new QLabel;
    figures->setTextFormat(Qt::RichText);

    cancel = new QPushButton(texts_.LS("TuneCancel"));
    apply = new QPushButton(texts_.LS("FitApply"));
    apply->setEnabled(false);
    closeButton = new QPushButton(texts_.LS("FitClose"));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(progress, 1);
    buttons->addWidget(cancel);
    buttons->addSpacing(12);
    buttons->addWidget(apply);
    buttons->addWidget(closeButton);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(message);
    layout->addWidget(chart, 3);
    layout->addWidget(deviation, 2);
    layout->addWidget(figures);
    layout->addLayout(buttons);
}

QString TuneDialog::problem() const
{
    if (inputs_.plan.empty() || inputs_.plan.seconds() <= 0)
        return texts_.LS("TuneNoProgram");
    if (!inputs_.model)
        return texts_.LS("TuneModelNotNumbers");
    if (!inputs_.model->usable())
        return texts_.LS("TuneModelUnusable");
    return {};
}

void TuneDialog::startTuning()
{
    if (const QString why = problem(); !why.isEmpty()) {
        message->setText(why);
        Colors::setTextColor(message, Colors::Red);
        progress->setVisible(false);
        cancel->setVisible(false);
        figures->setVisible(false);
        return;
    }
    message->setText(texts_.LS("TuneRunning"));
    setCursor(Qt::BusyCursor);
    // The worker gets its own copy: the dialog may go while it runs.
    job_.start([in = inputs_](const std::function<bool(double)>& report) { return tune(in, report); });
    poll_.start();
}

void TuneDialog::pollJob()
{
    progress->setValue(int(job_.progress() * 100));
    if (!job_.finished())
        return;
    poll_.stop();
    unsetCursor();
    cancel->setEnabled(false);
    try {
        outcome_ = job_.take();
    } catch (const std::exception& e) {
        message->setText(QString::fromUtf8(e.what()));
        Colors::setTextColor(message, Colors::Red);
        done_ = true;
        return;
    }
    progress->setValue(100);
    showOutcome();
    done_ = true;
}

void TuneDialog::showOutcome()
{
    const TuneResult& r = outcome_.result;
    QString text = r.cancelled ? texts_.LS("TuneCancelled") : texts_.LS("TuneDone");
    if (!r.improved)
        text += " " + texts_.LS("TuneNoBetter");
    message->setText(text);
    apply->setEnabled(r.improved);
    showCurves();
    showFigures();
}

// Over a firing's range of a thousand degrees the two kiln curves lie on one another; the
// lower chart shows how far each is from the set point.
void TuneDialog::showCurves()
{
    chart->clearGraphs();
    deviation->clearGraphs();
    const double unit = scale_.TX(1) - scale_.TX(0);  // a difference of 1 °C, shown
    const auto curve = [](QCustomPlot* on, const QVector<double>& y, const QColor& color, Qt::PenStyle style,
                          int width, const QString& name) {
        QVector<double> x(y.size());
        for (qsizetype n = 0; n < y.size(); ++n)
            x[n] = double(n + 1) * kCycleSeconds / 3600;
        QCPGraph* g = on->addGraph();
        g->setPen(QPen(color, width, style));
        g->setName(name);
        g->setData(x, y, true);
    };
    const auto shown = [this](const std::vector<double>& v) {
        QVector<double> y;
        for (double t : v)
            y << scale_.TX(t);
        return y;
    };
    const auto apart = [unit](const TrackedRun& run) {
        QVector<double> y;
        for (std::size_t n = 0; n < run.kiln.size() && n < run.setPoint.size(); ++n)
            y << (run.kiln[n] - run.setPoint[n]) * unit;
        return y;
    };
    curve(chart, shown(outcome_.before.setPoint), kSetPoint, Qt::SolidLine, 2, texts_.LS("TuneSetPoint"));
    curve(chart, shown(outcome_.before.kiln), kBefore, Qt::SolidLine, 1, texts_.LS("TuneKilnBefore"));
    curve(chart, shown(outcome_.after.kiln), kAfter, Qt::DashLine, 1, texts_.LS("TuneKilnAfter"));
    curve(deviation, apart(outcome_.before), kBefore, Qt::SolidLine, 1, texts_.LS("TuneKilnBefore"));
    curve(deviation, apart(outcome_.after), kAfter, Qt::SolidLine, 1, texts_.LS("TuneKilnAfter"));
    chart->rescaleAxes();
    chart->yAxis->setRangeLower(std::min(0.0, chart->yAxis->range().lower));
    chart->yAxis->setRangeUpper(chart->yAxis->range().upper * 1.05);
    deviation->rescaleAxes();
    // The start, where the set point leaves the room, would dwarf the rest.
    const QCPRange r = deviation->yAxis->range();
    deviation->yAxis->setRange(std::max(r.lower, -kDeviationShown * unit), std::min(r.upper, kDeviationShown * unit));
    deviation->xAxis->setRange(chart->xAxis->range());
    chart->replot(QCustomPlot::rpQueuedReplot);
    deviation->replot(QCustomPlot::rpQueuedReplot);
}

QString TuneDialog::correctionName(int corr) const
{
    const QStringList names = texts_.LS("PID_Corrs").split("\r\n");
    return corr >= 0 && corr < names.size() ? names[corr] : Numbers::formatInt(corr);
}

void TuneDialog::showFigures()
{
    const TuneResult& r = outcome_.result;
    const double unit = scale_.TX(1) - scale_.TX(0);  // a difference of 1 °C, shown
    const auto number = [](double v) { return Numbers::formatGeneral(v, 4); };
    const auto degrees = [&](double v) { return Numbers::formatFixed(v * unit, 6, 1) + " " + scale_.Deg(); };
    const auto row = [](const QString& name, const QString& before, const QString& after) {
        return "<tr><td>" + name.toHtmlEscaped() + "</td><td align=right>&nbsp;&nbsp;" + before.toHtmlEscaped() +
               "</td><td align=right>&nbsp;&nbsp;" + after.toHtmlEscaped() + "</td></tr>";
    };
    figures->setText("<table>" + row(QString(), texts_.LS("FitBefore"), texts_.LS("FitAfter")) +
                     row("P", number(r.before.p), number(r.after.p)) + row("I", number(r.before.i), number(r.after.i)) +
                     row("D", number(r.before.d), number(r.after.d)) +
                     row(texts_.LS("TuneCorrection"), correctionName(r.before.corr), correctionName(r.after.corr)) +
                     row(texts_.LS("TuneRampError"), degrees(r.beforeFigures.worstRampError),
                         degrees(r.afterFigures.worstRampError)) +
                     row(texts_.LS("TuneOvershoot"), degrees(r.beforeFigures.worstOvershoot),
                         degrees(r.afterFigures.worstOvershoot)) +
                     "</table>");
}

void TuneDialog::reject()
{
    // Closing stops the search at once; nothing of it runs on behind a closed dialog.
    poll_.stop();
    job_.cancelAndWait();
    unsetCursor();
    QDialog::reject();
}
