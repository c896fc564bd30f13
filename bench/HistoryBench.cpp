// The firing history with 1 000 recorded 12-hour firings (a point every 2 s, eight channels):
// opening the History tab, one firing's curve, two overlaid, the minute's write, and the size
// of a firing in the file. The history is built once in a temporary folder (about a minute).
#include "QtBenchmarkMain.h"
#include "CurveCodec.h"
#include "CycleReport.h"
#include "HistoryPage.h"
#include "HistoryRecorder.h"
#include "HistoryStore.h"
#include "HistoryWriter.h"
#include "Services.h"
#include "Texts.h"

#include <QApplication>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTableView>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cmath>
#include <qcustomplot.h>

namespace {

constexpr int kFirings = 1000;
constexpr int kCycles = 21600;  // 12 h at 2 s
constexpr int kPerMinute = 30;
constexpr int kChannels = 8;

class QuietDialogs : public Dialogs {
public:
    bool askYesNo(const QString&, const QString&) override { return false; }
    void showMessage(const QString&, const QString&) override {}
    void showError(const QString&) override {}
    QString openFile(const QString&, const QString&, const QString&, const QString&, const QString&) override { return {}; }
    QString saveFile(const QString&, const QString&, const QString&, const QString&, const QString&) override { return {}; }
    QColor chooseColor(const QColor& c) override { return c; }
    QString choosePort(const QString&, const QStringList&, const QStringList&, const QString&) override { return {}; }
    double chooseStartTime(const QString&, const QStringList&, double) override { return 0; }
};

class KeyTexts : public MessageSource {
public:
    QString LS(const QString& key) const override { return key; }
};

// A firing to 1200 °C and back, with the small jitter a real thermocouple shows.
CurvePoint pointAt(int i)
{
    const double h = i * 2 / 3600.0;
    const double set = h < 8 ? 20 + 147.5 * h : std::max(20.0, 1200 - 250 * (h - 8));
    const double jitter = ((i * 7919) % 7 - 3) * 0.1;
    CurvePoint p{i * 2.0, set - 2 + jitter, set, h < 8 ? 40 + (i % 50) : 0, 22.0 + (i % 600) / 300.0, {}};
    for (int c = 0; c < kChannels; ++c)
        p.channels.push_back(set - 5 - c + ((i * (c + 3)) % 5 - 2) * 0.1);
    return p;
}

std::vector<std::vector<CurvePoint>> minutes()
{
    std::vector<std::vector<CurvePoint>> all(kCycles / kPerMinute);
    for (int i = 0; i < kCycles; ++i)
        all[std::size_t(i / kPerMinute)].push_back(pointAt(i));
    return all;
}

struct History {
    QTemporaryDir dir;
    QString path;
    double bytesPerFiring = 0;
    double packedBytes = 0;

    History()
    {
        path = dir.path() + "/firings.sqlite";
        HistoryStore store(path, "bench-build");
        QString moved;
        store.openForWriting(&moved);
        std::vector<QByteArray> blobs;
        for (const auto& m : minutes())
            blobs.push_back(CurveCodec::pack(m));
        FiringFacts facts;
        facts.unit = "°C";
        for (int c = 0; c < kChannels; ++c)
            facts.channelNames << QString::number(c + 1);
        FiringFigures figures;
        figures.peak = 1200;
        figures.seconds = kCycles * 2;
        figures.energyKWh = 35;
        figures.heatingRate = 140;
        // Every firing holds the same packed minutes: as large, and as slow to read, as its own.
        QSqlQuery insert(QSqlDatabase::database("bench-build"));
        insert.prepare("INSERT INTO curve (firing, seq, points) VALUES (?, ?, ?)");
        for (int f = 0; f < kFirings; ++f) {
            facts.program = QString("Program%1.prg").arg(f % 12);
            facts.kilnFile = f % 3 ? "Big.ovn" : "Small.ovn";
            figures.startWall = QDateTime(QDate(2024, 1, 1), QTime(8, 0)).addDays(f);
            figures.endWall = figures.startWall.addSecs(kCycles * 2);
            store.transaction([&] {
                const qint64 id = store.begin(facts, figures);
                for (std::size_t m = 0; m < blobs.size(); ++m) {
                    insert.addBindValue(id);
                    insert.addBindValue(qint64(m));
                    insert.addBindValue(blobs[m]);
                    if (!insert.exec())
                        qFatal("cannot build the history");
                }
                store.update(id, figures, Outcome::Finished, {});
            });
        }
        qint64 blobBytes = 0;
        for (const QByteArray& b : blobs)
            blobBytes += b.size();
        packedBytes = double(blobBytes);
        bytesPerFiring = double(store.sizeOnDisk()) / kFirings;
    }
};

History& history()
{
    static History h;
    return h;
}

void BM_OpenHistoryTab(benchmark::State& state)
{
    History& h = history();
    KeyTexts texts;
    QuietDialogs dialogs;
    for (auto _ : state) {
        HistoryPage page(h.path, texts, dialogs);
        page.resize(1000, 600);
        page.reload();
        benchmark::DoNotOptimize(page.table->model()->rowCount());
    }
    state.counters["firings"] = kFirings;
    state.counters["file MB"] = h.bytesPerFiring * kFirings / 1e6;
    state.counters["bytes per firing"] = h.bytesPerFiring;
    state.counters["packed curve bytes per firing"] = h.packedBytes;
}
BENCHMARK(BM_OpenHistoryTab)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_ShowCurves(benchmark::State& state)
{
    History& h = history();
    KeyTexts texts;
    QuietDialogs dialogs;
    HistoryPage page(h.path, texts, dialogs);
    page.resize(1000, 600);
    page.show();
    page.reload();
    QCoreApplication::processEvents();
    std::vector<qint64> ids;
    for (int n = 0; n < state.range(0); ++n)
        ids.push_back(500 + n * 7);
    for (auto _ : state) {
        page.select({});
        page.select(ids);  // reads, decodes and draws
        benchmark::DoNotOptimize(page.chart->graphCount());
    }
    state.counters["points"] = double(kCycles) * double(ids.size());
}
BENCHMARK(BM_ShowCurves)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->Iterations(10);

// The writer's minute: 30 cycles of eight channels and the firing's figures in one transaction.
void BM_MinuteWrite(benchmark::State& state)
{
    History& h = history();
    HistoryStore store(h.path, "bench-minute");
    QString moved;
    store.openForWriting(&moved);
    FiringFigures figures;
    const qint64 id = store.begin(FiringFacts{}, figures);
    std::vector<CurvePoint> minute;
    for (int i = 0; i < kPerMinute; ++i)
        minute.push_back(pointAt(3000 + i));
    for (auto _ : state) {
        store.transaction([&] {
            store.appendCurve(id, minute);
            store.update(id, figures, Outcome::Open, {});
        });
    }
    store.remove(id);
}
BENCHMARK(BM_MinuteWrite)->Unit(benchmark::kMillisecond)->Iterations(200);

// What the window's start waits for: the file opened, checked and its open firings settled.
void BM_OpenAtStart(benchmark::State& state)
{
    History& h = history();
    for (auto _ : state) {
        HistoryWriter writer(h.path, {});
        writer.waitOpened();
    }
}
BENCHMARK(BM_OpenAtStart)->Unit(benchmark::kMillisecond)->Iterations(3);

// What the control cycle pays: the recorder counting a cycle and keeping its point.
void BM_RecorderCycle(benchmark::State& state)
{
    QTemporaryDir dir;
    HistoryRecorder recorder(dir.path() + "/firings.sqlite", {}, std::chrono::minutes(1));
    CycleReport r;
    r.data = true;
    r.state = 1;
    r.unit = "°C";
    r.time = QDateTime(QDate(2024, 1, 1), QTime(8, 0));
    for (int c = 0; c < kChannels; ++c)
        r.channels.push_back({c + 1, QString(), 500.0});
    int i = 0;
    for (auto _ : state) {
        const CurvePoint p = pointAt(i % kCycles);
        r.time = r.time.addSecs(2);
        r.kilnTemp = p.kiln;
        r.setPoint = p.setPoint;
        r.power = p.power;
        recorder.cycleReported(r);
        ++i;
    }
}
BENCHMARK(BM_RecorderCycle)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) { return runQtBenchmarks(argc, argv); }
