// The controller link against the emulator on a pseudo-terminal, paced at 9600 baud both
// ways: how long a new heater power takes from the control cycle asking for the batch to the
// controller having it, and what a polling pass costs when nothing is to be done.
#include "TForm1.h"

#include "DrivenWindow.h"
#include "EmulatorProcess.h"
#include "TestServices.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <benchmark/benchmark.h>
#include <chrono>

namespace {

double monotonicSeconds()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// The program connected to a paced emulator, with the controller identified.
struct Connected : WindowServices {
    QTemporaryDir dir;
    EmulatorProcess emulator{{"--quiet", "--trace-writes", "--state", dir.path() + "/nv.txt"}, false};
    std::unique_ptr<TForm1> form;

    Connected()
    {
        QFile ini(dir.path() + "/term.ini");
        ini.open(QIODevice::WriteOnly);
        ini.write("[TForm1]\r\nInterfaceType_Checked=TRUE\r\nPort_Path=" + emulator.devicePath.toUtf8() + "\r\n");
        ini.close();
        form = std::make_unique<TForm1>(app(dir.path()));
        restoreWithoutTimers(*form);
        QDeadlineTimer deadline(10000);
        while (form->state.FirmwareVersion.isEmpty() && !deadline.hasExpired()) {
            form->HardwareTimerTimer();
            QThread::msleep(5);
        }
    }

    // Runs the event loop, the polling timer included, until the emulator reports the write.
    double waitForWrite(int power)
    {
        const QString wanted = "write power " + QString::number(power) + " at ";
        QDeadlineTimer deadline(5000);
        while (!deadline.hasExpired()) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            const std::optional<QString> line = emulator.nextLine(1);
            if (line && line->startsWith(wanted))
                return line->mid(wanted.size()).toDouble();
        }
        return -1;
    }
};

void BM_PowerWriteLatency(benchmark::State& st)
{
    Connected c;
    c.form->HardwareTimer->start(100);  // the polling pass at its own pace
    int power = 10;
    for (auto _ : st) {
        // Anywhere in the polling interval, as the control cycle's tick falls.
        QDeadlineTimer pause(QRandomGenerator::global()->bounded(100));
        while (!pause.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        power = power % 90 + 1;
        c.form->state.Pid.Power = power;
        const double asked = monotonicSeconds();
        c.form->state.RequestDue = true;
        const double taken = c.waitForWrite(power);
        if (taken < 0) {
            st.SkipWithError("the emulator never reported the write");
            break;
        }
        st.SetIterationTime(taken - asked);
    }
}

void BM_IdlePollingPass(benchmark::State& st)
{
    Connected c;
    QThread::msleep(300);
    c.form->HardwareTimerTimer();  // whatever came meanwhile
    for (auto _ : st)
        c.form->HardwareTimerTimer();
}

}  // namespace

BENCHMARK(BM_PowerWriteLatency)->UseManualTime()->Iterations(30)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_IdlePollingPass)->Iterations(20000)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
