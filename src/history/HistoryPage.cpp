#include "HistoryPage.h"

#include "ElementWear.h"
#include "FiringCsv.h"
#include "HistoryStore.h"
#include "Services.h"
#include "Texts.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPushButton>
#include <QSaveFile>
#include <QSortFilterProxyModel>
#include <QSplitter>
#include <QStandardItemModel>
#include <QTableView>
#include <QVBoxLayout>
#include <atomic>
#include <qcustomplot.h>
#include <stdexcept>

namespace {

constexpr int kIdRole = Qt::UserRole + 1;
constexpr int kSortRole = Qt::UserRole + 2;

const QColor kOverlay[] = {QColor(220, 0, 0), QColor(0, 0, 220), QColor(0, 150, 0), QColor(200, 120, 0),
                           QColor(150, 0, 150), QColor(0, 150, 150)};

QString hours(double seconds)
{
    const qint64 minutes = qint64(seconds / 60);
    return QString("%1:%2").arg(minutes / 60).arg(minutes % 60, 2, 10, QChar('0'));
}

QString fixed(double v, int decimals) { return QString::number(v, 'f', decimals); }

QString connectionName() { return HistoryStore::newConnectionName("history-page"); }

}  // namespace

// Rows of the program and kiln chosen above the list; an empty choice takes every row.
class FiringFilter : public QSortFilterProxyModel {
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;
    void choose(const QString& program, const QString& kiln)
    {
        program_ = program;
        kiln_ = kiln;
        invalidateFilter();
    }

protected:
    bool filterAcceptsRow(int row, const QModelIndex& parent) const override
    {
        const auto matches = [&](int column, const QString& wanted) {
            return wanted.isEmpty() || sourceModel()->index(row, column, parent).data().toString() == wanted;
        };
        return matches(1, program_) && matches(2, kiln_);
    }

private:
    QString program_, kiln_;
};

HistoryPage::HistoryPage(const QString& path, const MessageSource& texts, Dialogs& dialogs, QWidget* parent)
    : QWidget(parent), path_(path), texts_(texts), dialogs_(dialogs)
{
    build();
}

HistoryPage::~HistoryPage() = default;

void HistoryPage::setPath(const QString& path)
{
    path_ = path;
    store_.reset();
}

QString HistoryPage::text(const char* key) const { return texts_.LS(QString::fromLatin1(key)); }

void HistoryPage::build()
{
    auto* top = new QHBoxLayout;
    auto* programLabel = new QLabel(this);
    programLabel->setObjectName("HistoryProgramLabel");
    programFilter = new QComboBox(this);
    programFilter->setObjectName("historyProgramFilter");
    auto* kilnLabel = new QLabel(this);
    kilnLabel->setObjectName("HistoryKilnLabel");
    kilnFilter = new QComboBox(this);
    kilnFilter->setObjectName("historyKilnFilter");
    HistoryExport = new QPushButton(this);
    HistoryExport->setObjectName("HistoryExport");
    HistoryDelete = new QPushButton(this);
    HistoryDelete->setObjectName("HistoryDelete");
    for (QComboBox* box : {programFilter, kilnFilter}) {
        box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        box->setMinimumContentsLength(14);
    }
    top->addWidget(programLabel);
    top->addWidget(programFilter);
    top->addWidget(kilnLabel);
    top->addWidget(kilnFilter);
    top->addStretch(1);
    top->addWidget(HistoryExport);
    top->addWidget(HistoryDelete);

    model_ = new QStandardItemModel(0, ColumnCount, this);
    filter_ = new FiringFilter(this);
    filter_->setSourceModel(model_);
    filter_->setSortRole(kSortRole);
    table = new QTableView(this);
    table->setObjectName("historyTable");
    table->setModel(filter_);
    table->setSortingEnabled(true);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::ExtendedSelection);
    table->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
    table->verticalHeader()->setVisible(false);
    table->horizontalHeader()->setStretchLastSection(true);
    table->horizontalHeader()->setResizeContentsPrecision(100);
    table->sortByColumn(Date, Qt::DescendingOrder);

    chart = new QCustomPlot(this);
    chart->setObjectName("historyChart");
    chart->setMinimumHeight(150);
    wearChart = new QCustomPlot(this);
    wearChart->setObjectName("historyWearChart");
    wearChart->setMinimumWidth(220);
    wearText = new QLabel(this);
    wearText->setObjectName("historyWearText");
    wearText->setWordWrap(true);
    wearText->setStyleSheet("color: #b00000");
    auto* wearBox = new QWidget(this);
    auto* wearLayout = new QVBoxLayout(wearBox);
    wearLayout->setContentsMargins(0, 0, 0, 0);
    wearLayout->addWidget(wearChart, 1);
    wearLayout->addWidget(wearText);
    auto* charts = new QSplitter(Qt::Horizontal, this);
    charts->addWidget(chart);
    charts->addWidget(wearBox);
    charts->setStretchFactor(0, 3);
    charts->setStretchFactor(1, 1);
    auto* split = new QSplitter(Qt::Vertical, this);
    split->addWidget(table);
    split->addWidget(charts);
    split->setStretchFactor(0, 1);
    split->setStretchFactor(1, 2);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(split, 1);

    for (QCustomPlot* p : {chart, wearChart}) {
        p->setBackground(Qt::white);
        p->setNotAntialiasedElements(QCP::aeAll);
        p->setPlottingHint(QCP::phFastPolylines, true);
    }
    // The curves rise from the lower left: the legend keeps out of their way.
    chart->axisRect()->insetLayout()->setInsetAlignment(0, Qt::AlignBottom | Qt::AlignRight);
    wearChart->plotLayout()->insertRow(0);
    wearTitle_ = new QCPTextElement(wearChart, QString(), QFont(font().family(), font().pointSize() - 1));
    wearChart->plotLayout()->addElement(0, 0, wearTitle_);
    auto ticker = QSharedPointer<QCPAxisTickerFixed>::create();
    ticker->setTickStep(1);
    ticker->setScaleStrategy(QCPAxisTickerFixed::ssMultiples);
    wearChart->xAxis->setTicker(ticker);
    const auto refilter = [this] { filter_->choose(programFilter->currentData().toString(), kilnFilter->currentData().toString()); };
    connect(programFilter, &QComboBox::currentIndexChanged, this, refilter);
    connect(kilnFilter, &QComboBox::currentIndexChanged, this, refilter);
    connect(table->selectionModel(), &QItemSelectionModel::selectionChanged, this, &HistoryPage::showSelection);
    connect(model_, &QStandardItemModel::itemChanged, this, [this](QStandardItem* item) {
        if (!filling_ && item->column() == Note)
            noteEdited(item->row());
    });
    connect(HistoryExport, &QPushButton::clicked, this, [this] {
        try {
            exportSelected();
        } catch (const std::exception& e) {
            dialogs_.showError(QString::fromUtf8(e.what()));
        }
    });
    connect(HistoryDelete, &QPushButton::clicked, this, [this] {
        try {
            deleteSelected();
        } catch (const std::exception& e) {
            dialogs_.showError(QString::fromUtf8(e.what()));
        }
    });
}

void HistoryPage::showEvent(QShowEvent* e)
{
    QWidget::showEvent(e);
    reload();
}

bool HistoryPage::openStore()
{
    if (store_ && store_->isOpen())
        return true;
    if (!QFileInfo(path_).isFile())
        return false;
    store_ = std::make_unique<HistoryStore>(path_, connectionName());
    try {
        store_->openForReading();
        return true;
    } catch (const std::exception& e) {
        store_.reset();
        wearText->setText(text("HistoryNotRead") + QString::fromUtf8(e.what()));
        return false;
    }
}

void HistoryPage::reload()
{
    const std::vector<qint64> selected = selectedIds();
    firings_.clear();
    wearText->clear();
    // A file moved aside and begun anew by the writer is read from its start.
    store_.reset();
    if (openStore()) {
        try {
            firings_ = store_->list();
        } catch (const std::exception& e) {
            wearText->setText(text("HistoryNotRead") + QString::fromUtf8(e.what()));
        }
    }
    setHeaders();
    fillFilters();
    fillModel();
    select(selected);
    showSelection();
}

void HistoryPage::setHeaders()
{
    const char* keys[ColumnCount] = {"HistoryDate",     "HistoryProgram", "HistoryKiln",
                                     "HistoryOutcome",  "HistoryPeak",    "HistoryDuration",
                                     "HistoryEnergy",   "HistoryCost",    "HistoryNote"};
    QStringList labels;
    for (const char* key : keys)
        labels << text(key);
    model_->setHorizontalHeaderLabels(labels);
}

void HistoryPage::fillFilters()
{
    const auto fill = [this](QComboBox* box, auto value) {
        const QString chosen = box->currentData().toString();
        QStringList names;
        for (const FiringSummary& f : firings_)
            if (!names.contains(value(f)))
                names << value(f);
        names.sort(Qt::CaseInsensitive);
        const QSignalBlocker block(box);
        box->clear();
        box->addItem(text("HistoryAll"), QString());
        for (const QString& n : names)
            box->addItem(n, n);
        box->setCurrentIndex(std::max(0, box->findData(chosen)));
    };
    fill(programFilter, [](const FiringSummary& f) { return f.facts.program; });
    fill(kilnFilter, [](const FiringSummary& f) { return f.facts.kilnFile; });
    filter_->choose(programFilter->currentData().toString(), kilnFilter->currentData().toString());
}

void HistoryPage::fillModel()
{
    filling_ = true;
    // Filled apart from the sorted view, which would otherwise sort again after every cell.
    filter_->setSourceModel(nullptr);
    model_->setRowCount(0);
    model_->setRowCount(int(firings_.size()));
    for (int row = 0; row < int(firings_.size()); ++row) {
        const FiringSummary& f = firings_[std::size_t(row)];
        const FiringFigures& g = f.figures;
        const auto put = [&](int column, const QString& shown, const QVariant& sortBy) {
            auto* item = new QStandardItem(shown);
            item->setData(f.id, kIdRole);
            item->setData(sortBy, kSortRole);
            item->setEditable(column == Note);
            model_->setItem(row, column, item);
        };
        put(Date, g.startWall.toString("yyyy-MM-dd hh:mm"), g.startWall.toMSecsSinceEpoch());
        put(Program, f.facts.program, f.facts.program.toLower());
        put(Kiln, f.facts.kilnFile, f.facts.kilnFile.toLower());
        put(Result, outcomeText(f.outcome) + (f.cause.isEmpty() ? QString() : ": " + f.cause), int(f.outcome));
        put(Peak, fixed(g.peak, 0) + " " + f.facts.unit, g.peak);
        put(Duration, hours(g.seconds), g.seconds);
        put(Energy, fixed(g.energyKWh, 2), g.energyKWh);
        put(Cost, fixed(g.cost, 2), g.cost);
        put(Note, f.note, f.note.toLower());
    }
    filter_->setSourceModel(model_);
    filling_ = false;
    table->resizeColumnsToContents();
}

QString HistoryPage::outcomeText(Outcome o) const
{
    return text(outcomeTextKey(o));
}

std::vector<qint64> HistoryPage::selectedIds() const
{
    std::vector<qint64> ids;
    QModelIndexList rows = table->selectionModel()->selectedRows();
    std::sort(rows.begin(), rows.end(), [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    for (const QModelIndex& i : rows)
        ids.push_back(i.data(kIdRole).toLongLong());
    return ids;
}

void HistoryPage::select(const std::vector<qint64>& ids)
{
    QItemSelection selection;
    for (int row = 0; row < filter_->rowCount(); ++row) {
        const QModelIndex i = filter_->index(row, 0);
        if (std::find(ids.begin(), ids.end(), i.data(kIdRole).toLongLong()) != ids.end())
            selection.select(i, filter_->index(row, ColumnCount - 1));
    }
    table->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
}

const FiringSummary* HistoryPage::firing(qint64 id) const
{
    for (const FiringSummary& f : firings_)
        if (f.id == id)
            return &f;
    return nullptr;
}

void HistoryPage::showSelection()
{
    const std::vector<qint64> ids = selectedIds();
    HistoryExport->setEnabled(ids.size() == 1);
    HistoryDelete->setEnabled(ids.size() == 1);
    showCurves(ids);
    showWear(ids);
}

// One firing: its kiln temperature, set point and power. Several: their kiln temperatures over
// one another, each from its own start.
void HistoryPage::showCurves(const std::vector<qint64>& ids)
{
    chart->clearGraphs();
    chart->legend->setVisible(ids.size() > 1);
    chart->yAxis2->setVisible(ids.size() == 1);
    chart->xAxis->setLabel(text("HistoryHours"));
    chart->yAxis->setLabel(text("HistoryTemperature"));
    chart->yAxis2->setLabel(text("HistoryPower"));
    chart->yAxis2->setRange(0, 105);
    double top = 100, end = 1;
    for (std::size_t n = 0; n < ids.size() && store_; ++n) {
        const FiringSummary* f = firing(ids[n]);
        if (!f)
            continue;
        std::vector<CurvePoint> curve;
        try {
            curve = store_->curve(ids[n]);
        } catch (const std::exception& e) {
            wearText->setText(text("HistoryNotRead") + QString::fromUtf8(e.what()));
        }
        QVector<double> x, kiln, set, power;
        x.reserve(qsizetype(curve.size()));
        for (const CurvePoint& p : curve) {
            x << p.seconds / 3600;
            kiln << (p.kiln ? *p.kiln : qQNaN());
            set << (p.setPoint ? *p.setPoint : qQNaN());
            power << p.power;
            top = std::max(top, p.kiln.value_or(0));
            top = std::max(top, p.setPoint.value_or(0));
        }
        if (!x.isEmpty())
            end = std::max(end, x.back());
        QCPGraph* g = chart->addGraph();
        g->setPen(QPen(kOverlay[n % std::size(kOverlay)], 1));
        g->setName(f->figures.startWall.toString("yyyy-MM-dd") + " " + f->facts.program);
        g->setData(x, kiln, true);
        if (ids.size() == 1) {
            QCPGraph* s = chart->addGraph();
            s->setPen(QPen(QColor(0, 0, 220), 1, Qt::DashLine));
            s->setName(text("HistorySetPoint"));
            s->setData(x, set, true);
            QCPGraph* w = chart->addGraph(chart->xAxis, chart->yAxis2);
            w->setPen(QPen(QColor(150, 150, 150), 1));
            w->setName(text("HistoryPower"));
            w->setData(x, power, true);
        }
    }
    chart->xAxis->setRange(0, end);
    chart->yAxis->setRange(0, top * 1.05);
    chart->replot();
}

// The heating rate of every firing of the selected one's kiln and kind, oldest first.
void HistoryPage::showWear(const std::vector<qint64>& ids)
{
    wearChart->clearGraphs();
    wearChart->xAxis->setLabel(QString());
    wearTitle_->setText(text("HistoryWearTitle"));
    const FiringSummary* chosen = ids.empty() ? nullptr : firing(ids.front());
    if (chosen) {
        QVector<double> x, rate;
        std::vector<double> rates;
        for (const FiringSummary& f : firings_) {
            if (f.facts.kilnFile != chosen->facts.kilnFile || f.facts.simulated != chosen->facts.simulated ||
                !f.figures.heatingRate || f.outcome == Outcome::Open)
                continue;
            rates.push_back(*f.figures.heatingRate);
            x << double(rates.size());
            rate << *f.figures.heatingRate;
        }
        QCPGraph* g = wearChart->addGraph();
        g->setPen(QPen(QColor(200, 80, 0), 1));
        g->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssDisc, 5));
        g->setData(x, rate, true);
        wearChart->xAxis->setRange(0, std::max<double>(x.size() + 1, 2));
        wearChart->yAxis->setRange(0, std::max(100.0, rates.empty() ? 0 : *std::max_element(rates.begin(), rates.end()) * 1.2));
        const auto wear = ElementWear::of(rates);
        if (wear && wear->wearing)
            wearText->setText(text("HistoryWearing"));
        else if (wearText->text().startsWith(text("HistoryWearing")))
            wearText->clear();
    }
    wearChart->replot();
}

void HistoryPage::noteEdited(int row)
{
    const QStandardItem* item = model_->item(row, Note);
    if (!item)
        return;
    const qint64 id = item->data(kIdRole).toLongLong();
    // The page reads with a connection of its own; a note is written through a short one.
    HistoryStore writer(path_, connectionName());
    try {
        writer.openForEditing();
        writer.setNote(id, item->text());
    } catch (const std::exception& e) {
        dialogs_.showError(QString::fromUtf8(e.what()));
    }
}

void HistoryPage::exportSelected()
{
    const std::vector<qint64> ids = selectedIds();
    const FiringSummary* f = ids.size() == 1 ? firing(ids.front()) : nullptr;
    if (!f || !store_)
        return;
    const QString name = f->figures.startWall.toString("yyyy-MM-dd_hh-mm") + "_" + QFileInfo(f->facts.program).completeBaseName() + ".csv";
    const QString path = dialogs_.saveFile(text("HistoryExportTitle"), text("HistoryCsvFiles"), "csv",
                                           QFileInfo(path_).absolutePath(), name);
    if (path.isEmpty())
        return;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(FiringCsv::text(*f, store_->curve(f->id))) < 0 || !file.commit())
        throw std::runtime_error((QDir::toNativeSeparators(path) + ": " + file.errorString()).toStdString());
}

void HistoryPage::deleteSelected()
{
    const std::vector<qint64> ids = selectedIds();
    const FiringSummary* f = ids.size() == 1 ? firing(ids.front()) : nullptr;
    if (!f || f->outcome == Outcome::Open)
        return;
    const QString what = f->figures.startWall.toString("yyyy-MM-dd hh:mm") + " " + f->facts.program;
    if (!dialogs_.askYesNo(text("HistoryDelete"), text("HistoryDeleteQuestion") + "\n\n" + what))
        return;
    HistoryStore writer(path_, connectionName());
    writer.openForEditing();
    writer.remove(f->id);
    reload();
}
