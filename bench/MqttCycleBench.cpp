// The control cycle with MQTT off, and on with the broker out of reach (a closed port, an
// address that never answers): reporting must cost the cycle next to nothing (goal: at most
// 5 % more than off). Then connected to a mosquitto started here, and what the session's thread
// spends on each state's JSON.
#include "QtBenchmarkMain.h"
#include "TForm1.h"

#include "DrivenWindow.h"
#include "MosquittoBroker.h"
#include "StateJson.h"
#include "TestServices.h"

#include <QApplication>
#include <QTemporaryDir>
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int closedPort()
{
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    int port = 1;
    if (::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
        ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &len) == 0)
        port = ntohs(a.sin_port);
    ::close(s);
    return port;
}

// `host` empty: MQTT off.
void runCycles(benchmark::State& st, const QString& host, int port, bool connected = false)
{
    QTemporaryDir dir;
    WindowServices services;
    TForm1 form(services.app(dir.path()));
    restoreWithoutTimers(form);
    QCoreApplication::processEvents();  // the stored settings: off
    if (!host.isEmpty()) {
        MqttSettings s;
        s.enabled = true;
        s.host = host;
        s.port = port;
        s.user = mqtt_test::MosquittoBroker::kUser;
        s.password = mqtt_test::MosquittoBroker::kPassword;
        form.mqtt->apply(s);
        QDeadlineTimer deadline(30000);
        while (connected && !form.mqtt->connected() && !deadline.hasExpired())
            QThread::msleep(20);
        if (connected && !form.mqtt->connected())
            st.SkipWithError("no connection to the broker");
    }
    for (auto _ : st)
        form.InterfaceTimerTimer();
    QCoreApplication::processEvents();  // the log entries of the attempts
}

void BM_CycleMqttOff(benchmark::State& st) { runCycles(st, QString(), 0); }
void BM_CycleMqttClosedPort(benchmark::State& st) { runCycles(st, "127.0.0.1", closedPort()); }
void BM_CycleMqttBlackHole(benchmark::State& st) { runCycles(st, "10.255.255.1", 1883); }

// The JSON is made on the session's thread; the cycle only hands its report over.
void BM_CycleMqttConnected(benchmark::State& st)
{
    mqtt_test::MosquittoBroker broker;
    if (!mqtt_test::MosquittoBroker::available() || !broker.prepare() || !broker.start()) {
        st.SkipWithError("no mosquitto");
        return;
    }
    runCycles(st, "127.0.0.1", broker.port, true);
}

void BM_StateJson(benchmark::State& st)
{
    CycleReport r;
    r.time = QDateTime::currentDateTime();
    r.stateKey = "running";
    r.unit = QString::fromUtf8("°C");
    r.kilnTemp = 1187.25;
    r.setPoint = 1200;
    for (int c = 1; c <= 8; ++c)
        r.channels.push_back({c, "T" + QString::number(c), 1000.0 + c});
    for (auto _ : st)
        benchmark::DoNotOptimize(StateJson::compact(StateJson::state(r, "Kiln")));
}

}  // namespace

BENCHMARK(BM_CycleMqttOff)->Iterations(5000)->Repetitions(5)->ReportAggregatesOnly(true)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CycleMqttClosedPort)->Iterations(5000)->Repetitions(5)->ReportAggregatesOnly(true)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CycleMqttBlackHole)->Iterations(5000)->Repetitions(5)->ReportAggregatesOnly(true)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CycleMqttConnected)->Iterations(5000)->Repetitions(5)->ReportAggregatesOnly(true)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_StateJson)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) { return runQtBenchmarks(argc, argv); }
