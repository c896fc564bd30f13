// What the live page costs the control cycle: the whole cycle of a firing on the simulated kiln
// without the page, with the page and nobody looking, and with 100 phones polling the state and
// the new chart points, every 2 s or as fast as they can. The phones are one thread of
// blocking sockets; the page answers them from its own thread.
//   build/bench/fornaxel_bench_livepage
// The figure that matters is the cycle's CPU time with phones ÷ without the page (goal ≤ 1.05).
#include "QtBenchmarkMain.h"
#include "TForm1.h"

#include "DrivenWindow.h"
#include "Widgets.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QLineEdit>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>
#include <atomic>
#include <benchmark/benchmark.h>

namespace {

quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

// A phone: one kept-alive connection asking for the state and then for the points after the
// last one it has.
class Phone {
public:
    explicit Phone(quint16 port) : port_(port) {}

    // One round of polling; false when the page did not answer.
    bool poll()
    {
        if (socket_.state() != QAbstractSocket::ConnectedState) {
            socket_.abort();
            socket_.connectToHost(QHostAddress::LocalHost, port_);
            if (!socket_.waitForConnected(5000))
                return false;
        }
        const QByteArray state = ask("/api/state");
        const QByteArray chart = ask("/api/chart?since=" + QByteArray::number(since_));
        const qsizetype last = chart.lastIndexOf("[");
        if (last > 0)
            since_ = chart.mid(last + 1, chart.indexOf(',', last) - last - 1).toDouble();
        return !state.isEmpty();
    }

private:
    QByteArray ask(const QByteArray& path)
    {
        socket_.write("GET " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
        QByteArray raw;
        while (socket_.waitForReadyRead(5000)) {
            raw += socket_.readAll();
            const qsizetype end = raw.indexOf("\r\n\r\n");
            if (end < 0)
                continue;
            const qsizetype at = raw.toLower().indexOf("content-length:");
            const qsizetype length = at < 0 ? 0 : raw.mid(at + 15, raw.indexOf('\r', at) - at - 15).trimmed().toLongLong();
            if (raw.size() >= end + 4 + length)
                return raw.mid(end + 4);
        }
        socket_.abort();
        return {};
    }

    quint16 port_;
    QTcpSocket socket_;
    double since_ = -1;
};

// 100 phones on a thread of their own: each every `everyMs`, or all as fast as they can (0).
class Phones {
public:
    Phones(quint16 port, int everyMs)
    {
        thread_.reset(QThread::create([this, port, everyMs] {
            std::vector<std::unique_ptr<Phone>> phones;
            for (int i = 0; i < 100; ++i)
                phones.push_back(std::make_unique<Phone>(port));
            while (!stop_) {
                QDeadlineTimer round(everyMs);
                for (auto& p : phones) {
                    if (p->poll())
                        ++answered;
                    // Spread over the 2 s as phones are.
                    if (everyMs > 0 && !stop_)
                        QThread::msleep(everyMs / 100);
                }
                while (!round.hasExpired() && !stop_)
                    QThread::msleep(5);
            }
        }));
        thread_->start();
    }
    ~Phones()
    {
        stop_ = true;
        thread_->wait();
    }
    std::atomic<long> answered{0};

private:
    std::atomic<bool> stop_{false};
    std::unique_ptr<QThread> thread_;
};

// A firing under way on the simulated kiln, with the live page on or off.
struct Firing : WindowServices {
    QTemporaryDir dir;
    std::unique_ptr<TForm1> form;
    quint16 port = freePort();

    explicit Firing(bool page)
    {
        QFile ini(dir.filePath("term.ini"));
        ini.open(QIODevice::WriteOnly);
        ini.write(QString("[LivePage]\r\nEnabled=%1\r\nPort=%2\r\n").arg(page ? 1 : 0).arg(port).toLatin1());
        ini.close();
        random.fallback = -1;
        form = std::make_unique<TForm1>(app(dir.path()));
        restoreWithoutTimers(*form);
        form->MODEL_P->setText("0.05");
        form->Prog->setCell(1, 2, "1200");
        form->Prog->setCell(2, 2, "720");
        for (int i = 0; i < 5; ++i)
            form->InterfaceTimerTimer();
        form->StartButtonClick();
        for (int i = 0; i < 1800; ++i)  // an hour into the firing
            cycle();
    }
    void cycle()
    {
        clock.advance(2);
        form->InterfaceTimerTimer();
    }
};

void runCycles(benchmark::State& st, bool page, int phonesEveryMs)
{
    Firing firing(page);
    std::unique_ptr<Phones> phones;
    if (phonesEveryMs >= 0) {
        phones = std::make_unique<Phones>(firing.port, phonesEveryMs);
        QDeadlineTimer deadline(30000);
        while (phones->answered < 100 && !deadline.hasExpired())
            QThread::msleep(10);  // every phone has the page before the measuring starts
    }
    const long before = phones ? phones->answered.load() : 0;
    for (auto _ : st)
        firing.cycle();
    if (phones)
        st.counters["answers"] = double(phones->answered - before);
}

// The page's own share of a cycle: handing one report over, alone or while 100 phones ask
// as fast as they can (the lock the server takes to read it is then contended).
void runHandOver(benchmark::State& st, bool phones)
{
    Firing firing(true);
    CycleReport report = firing.form->reporter->build(true);
    std::unique_ptr<Phones> polling = phones ? std::make_unique<Phones>(firing.port, 0) : nullptr;
    double seconds = *report.recordSeconds;
    for (auto _ : st) {
        report.recordSeconds = seconds += 2;
        firing.form->livePage->cycleReported(report);
    }
}

void BM_HandOverAlone(benchmark::State& st) { runHandOver(st, false); }
void BM_HandOverWith100PhonesFlatOut(benchmark::State& st) { runHandOver(st, true); }
void BM_CycleWithoutPage(benchmark::State& st) { runCycles(st, false, -1); }
void BM_CycleWithPageUnwatched(benchmark::State& st) { runCycles(st, true, -1); }
void BM_CycleWith100PhonesEvery2s(benchmark::State& st) { runCycles(st, true, 2000); }
void BM_CycleWith100PhonesFlatOut(benchmark::State& st) { runCycles(st, true, 0); }

}  // namespace

BENCHMARK(BM_HandOverAlone)->Iterations(200000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_HandOverWith100PhonesFlatOut)->Iterations(200000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CycleWithoutPage)->Iterations(5000)->Repetitions(5)->ReportAggregatesOnly(true)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CycleWithPageUnwatched)->Iterations(5000)->Repetitions(5)->ReportAggregatesOnly(true)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CycleWith100PhonesEvery2s)->Iterations(5000)->Repetitions(5)->ReportAggregatesOnly(true)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CycleWith100PhonesFlatOut)->Iterations(5000)->Repetitions(5)->ReportAggregatesOnly(true)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) { return runQtBenchmarks(argc, argv); }
