#include "FitDialog.h"

#include "HistoryStore.h"
#include "FitSources.h"
#include "Numbers.h"
#include "Widgets.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <qcustomplot.h>

namespace {

constexpr int kPollMs = 50;
constexpr int kRecordingRow = 0;
const QColor kRecorded(0, 128, 0);
const QColor kFitted(0, 0, 220);
const QColor kPower(170, 170, 170);

QString connectionName() { return HistoryStore::newConnectionName("fit"); }

QString factor(double v) { return Numbers::formatGeneral(v, 4); }

}  // namespace

FitDialog::FitDialog(Sources sources, const ModelFactors& current, const TemperatureScale& scale,
                     const MessageSource& texts, QWidget* parent)
    : QDialog(parent), sources_(std::move(sources)), current_(current), scale_(scale), texts_(texts)
{
    setWindowTitle(texts_.LS("FitTitle"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    buildControls();
    listFirings();
    connect(fit, &QPushButton::clicked, this, &FitDialog::startFit);
    connect(firings, &QTreeWidget::itemDoubleClicked, this, [this] { startFit(); });
    connect(apply, &QPushButton::clicked, this, [this] {
        emit factorsChosen(outcome_.result.after);
        accept();
    });
    connect(closeButton, &QPushButton::clicked, this, &FitDialog::reject);
    poll_.setInterval(kPollMs);
    connect(&poll_, &QTimer::timeout, this, &FitDialog::pollJob);
    showFactors();
}

// Waits for a fit under way (it takes a second or two): no thread outlives the dialog.
FitDialog::~FitDialog() = default;

void FitDialog::buildControls()
{
    firings = new QTreeWidget;
    firings->setColumnCount(3);
    firings->setHeaderLabels({texts_.LS("FitDate"), texts_.LS("FitProgram"), texts_.LS("FitOutcome")});
    firings->setRootIsDecorated(false);
    firings->setUniformRowHeights(true);
    firings->setMinimumHeight(120);
    firings->setMaximumHeight(160);
    listNote = new QLabel;
    listNote->setWordWrap(true);
    listNote->setVisible(false);
    fit = new QPushButton(texts_.LS("FitStart"));
    fit->setDefault(true);

    chart = new QCustomPlot;
    chart->setBackground(Qt::white);
    chart->setMinimumSize(560, 260);
    chart->setNotAntialiasedElements(QCP::aeAll);
    chart->setPlottingHint(QCP::phFastPolylines, true);
    chart->xAxis->setLabel(texts_.LS("HistoryHours"));
    chart->yAxis->setLabel(scale_.Deg());
    chart->yAxis2->setLabel(texts_.LS("HistoryPower"));
    chart->yAxis2->setVisible(true);
    chart->yAxis2->setRange(0, 105);
    chart->legend->setVisible(true);
    chart->axisRect()->insetLayout()->setInsetAlignment(0, Qt::AlignTop | Qt::AlignRight);

    message = new QLabel;
    message->setWordWrap(true);
    Colors::setTextColor(message, Colors::Red);
    message->setVisible(false);
    figures = new QLabel;
    factors = new QLabel;
    factors->setTextFormat(Qt::RichText);

    apply = new QPushButton(texts_.LS("FitApply"));
    apply->setEnabled(false);
    closeButton = new QPushButton(texts_.LS("FitClose"));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(fit);
    buttons->addStretch();
    buttons->addWidget(apply);
    buttons->addWidget(closeButton);

    auto* numbers = new QHBoxLayout;
    numbers->addWidget(figures, 1, Qt::AlignTop);
    numbers->addWidget(factors, 0, Qt::AlignTop);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(texts_.LS("FitChoose")));
    layout->addWidget(firings);
    layout->addWidget(listNote);
    layout->addWidget(chart, 1);
    layout->addWidget(message);
    layout->addLayout(numbers);
    layout->addLayout(buttons);
}

void FitDialog::listFirings()
{
    auto* recording = new QTreeWidgetItem(firings, {texts_.LS("FitRecording")});
    recording->setFirstColumnSpanned(true);
    firings->setCurrentItem(recording);
    QString note;
    if (sources_.historyPath.isEmpty() || !QFileInfo(sources_.historyPath).isFile()) {
        note = texts_.LS("FitNoHistory");
    } else {
        try {
            HistoryStore store(sources_.historyPath, connectionName());
            store.openForReading();
            std::vector<FiringSummary> list = store.list();
            std::sort(list.begin(), list.end(), [](const FiringSummary& a, const FiringSummary& b) {
                return a.figures.startWall > b.figures.startWall;
            });
            for (const FiringSummary& f : list) {
                new QTreeWidgetItem(firings, {f.figures.startWall.toString("yyyy-MM-dd hh:mm"), f.facts.program,
                                              texts_.LS(outcomeTextKey(f.outcome))});
                firingIds_.push_back(f.id);
                firingUnits_.push_back(f.facts.unit);
            }
            if (list.empty())
                note = texts_.LS("FitNoHistory");
        } catch (const std::exception& e) {
            note = texts_.LS("FitHistoryUnreadable") + QString::fromUtf8(e.what());
        }
    }
    listNote->setText(note);
    listNote->setVisible(!note.isEmpty());
    for (int c = 0; c < firings->columnCount(); ++c)
        firings->resizeColumnToContents(c);
}

void FitDialog::startFit()
{
    if (busy())
        return;
    const int row = firings->indexOfTopLevelItem(firings->currentItem());
    outcome_ = {};
    apply->setEnabled(false);
    // The recording belongs to this thread's chart: taken here, fitted there.
    if (row <= kRecordingRow) {
        try {
            outcome_.samples = sources_.recording ? sources_.recording() : std::vector<FitSample>{};
        } catch (const std::exception& e) {
            outcome_.error = QString::fromUtf8(e.what());
        }
        if (outcome_.error.isEmpty() && outcome_.samples.empty())
            outcome_.error = texts_.LS("FitEmptyRecording");
        if (!outcome_.error.isEmpty()) {
            showOutcome();
            return;
        }
    }
    fit->setEnabled(false);
    firings->setEnabled(false);
    message->setText(texts_.LS("FitRunning"));
    message->setVisible(true);
    setCursor(Qt::BusyCursor);
    const QString unreadable = texts_.LS("FitHistoryUnreadable");
    job_.start([this, row, unreadable, samples = outcome_.samples](const std::function<bool(double)>&) {
        if (row <= kRecordingRow) {
            Outcome o;
            o.samples = samples;
            o.result = FitKiln(o.samples, current_);
            return o;
        }
        return fitOf(row, unreadable);
    });
    poll_.start();
}

// On the worker thread: the firing read with a connection of its own, then fitted.
FitDialog::Outcome FitDialog::fitOf(int row, const QString& unreadable) const
{
    Outcome o;
    const std::size_t n = std::size_t(row - 1);
    try {
        HistoryStore store(sources_.historyPath, connectionName());
        store.openForReading();
        o.samples = FitSources::FromCurve(store.curve(firingIds_.at(n)), firingUnits_.at(n));
    } catch (const std::exception& e) {
        o.error = unreadable + QString::fromUtf8(e.what());
        return o;
    }
    o.result = FitKiln(o.samples, current_);
    return o;
}

void FitDialog::pollJob()
{
    if (!job_.finished())
        return;
    poll_.stop();
    try {
        outcome_ = job_.take();
    } catch (const std::exception& e) {
        outcome_ = {};
        outcome_.error = QString::fromUtf8(e.what());
    }
    unsetCursor();
    fit->setEnabled(true);
    firings->setEnabled(true);
    showOutcome();
}

QString FitDialog::verdictText(FitResult::Verdict v) const
{
    switch (v) {
    case FitResult::Verdict::Fitted: return {};
    case FitResult::Verdict::TooShort: return texts_.LS("FitTooShort");
    case FitResult::Verdict::TooFlat: return texts_.LS("FitTooFlat");
    case FitResult::Verdict::NoData: return texts_.LS("FitNoData");
    case FitResult::Verdict::Failed: return texts_.LS("FitFailed");
    }
    return {};
}

bool FitDialog::fitted() const
{
    return outcome_.error.isEmpty() && outcome_.result.verdict == FitResult::Verdict::Fitted &&
           outcome_.result.after.usable();
}

void FitDialog::showOutcome()
{
    const bool fitted = this->fitted();
    const QString why = !outcome_.error.isEmpty() ? outcome_.error
                        : fitted                  ? QString()
                        : outcome_.result.verdict == FitResult::Verdict::Fitted
                            ? verdictText(FitResult::Verdict::Failed)
                            : verdictText(outcome_.result.verdict);
    message->setText(why);
    message->setVisible(!why.isEmpty());
    apply->setEnabled(fitted);
    const double unit = scale_.TX(1) - scale_.TX(0);  // a difference of 1 °C, shown
    figures->setText(fitted ? texts_.LS("FitRms") + Numbers::formatFixed(outcome_.result.rms * unit, 6, 1) + " " +
                                  scale_.Deg() + "\n" + texts_.LS("FitWorst") +
                                  Numbers::formatFixed(outcome_.result.worst * unit, 6, 1) + " " + scale_.Deg()
                            : QString());
    showCurves();
    showFactors();
}

void FitDialog::showCurves()
{
    chart->clearGraphs();
    const std::vector<FitSample>& s = outcome_.samples;
    const std::vector<double>& fitted = outcome_.result.fitted;
    const bool withFit = this->fitted() && fitted.size() == s.size();
    QVector<double> x, recorded, model, power;
    x.reserve(qsizetype(s.size()));
    double top = scale_.TX(100), end = 1;
    for (std::size_t n = 0; n < s.size(); ++n) {
        x << s[n].seconds / 3600;
        recorded << (s[n].kiln ? scale_.TX(*s[n].kiln) : qQNaN());
        power << s[n].power;
        if (withFit)
            model << scale_.TX(fitted[n]);
        top = std::max({top, recorded.back(), withFit ? model.back() : top});
    }
    if (!x.isEmpty())
        end = std::max(end, x.back());
    QCPGraph* w = chart->addGraph(chart->xAxis, chart->yAxis2);
    w->setPen(QPen(kPower, 1));
    w->setName(texts_.LS("HistoryPower"));
    w->setData(x, power, true);
    QCPGraph* r = chart->addGraph();
    r->setPen(QPen(kRecorded, 2));
    r->setName(texts_.LS("FitRecorded"));
    r->setData(x, recorded, true);
    if (withFit) {
        QCPGraph* m = chart->addGraph();
        m->setPen(QPen(kFitted, 1, Qt::DashLine));
        m->setName(texts_.LS("FitModel"));
        m->setData(x, model, true);
    }
    chart->xAxis->setRange(0, end);
    chart->yAxis->setRange(std::min(0.0, scale_.TX(0)), top * 1.05);
    chart->replot(QCustomPlot::rpQueuedReplot);
}

void FitDialog::showFactors()
{
    const bool fitted = this->fitted();
    const ModelFactors& after = outcome_.result.after;
    const auto row = [&](const QString& name, double before, double now) {
        return "<tr><td>" + name + "</td><td align=right>&nbsp;" + factor(before) + "</td><td align=right>&nbsp;" +
               (fitted ? factor(now) : QString("—")) + "</td></tr>";
    };
    factors->setText("<table><tr><td></td><td align=right>&nbsp;" + texts_.LS("FitBefore").toHtmlEscaped() +
                     "</td><td align=right>&nbsp;" + texts_.LS("FitAfter").toHtmlEscaped() + "</td></tr>" +
                     row("R", current_.r, after.r) + row("P", current_.p, after.p) + row("I", current_.i, after.i) +
                     "</table>");
}

void FitDialog::reject()
{
    poll_.stop();
    QDialog::reject();
}
