// The program as it fires over the real serial port, with its own timers and the real guardian
// process, for the tests that crash, kill or stop it mid-firing.
//
//   guarded-firing PROGRAM_FOLDER GUARDIAN_EXECUTABLE
//
// The folder's term.ini names the port. Once connected it starts a step to 300 °C with both
// outputs on. It prints each new event-log entry as "LOG <entry>", "FIRING" once the heater has
// power, and on reading "close" closes in order and prints "CLOSED <how the guardian ended>".
// "pick MS" opens the port picker for MS milliseconds, cancels it and prints "PICKED <port>".
#include "QtServices.h"
#include "SpawnedGuardian.h"
#include "TForm1.h"
#include "TerminationSignals.h"
#include "TestServices.h"
#include "Widgets.h"

#include <QApplication>
#include <QPushButton>
#include <QSocketNotifier>
#include <QTimer>
#include <cstdio>
#include <sys/resource.h>
#include <unistd.h>

namespace {

void say(const QString& line)
{
    std::fputs(qPrintable(line + "\n"), stdout);
    std::fflush(stdout);
}

QString stateName(GuardianProcess::State s)
{
    switch (s) {
    case GuardianProcess::State::Running: return "running";
    case GuardianProcess::State::Released: return "released";
    case GuardianProcess::State::NotRunning: return "none";
    default: return "ended " + QString::number(int(s));
    }
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3)
        return 2;
    // A crash on purpose leaves no core file behind.
    const rlimit noCore{0, 0};
    setrlimit(RLIMIT_CORE, &noCore);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    SystemClock clock;
    SystemRandom random;
    FakeDialogs dialogs;
    dialogs.yesNoAnswer = false;  // nothing is saved at the close
    FakeSoundPlayer sound;
    RecordingPowerOff powerOff;
    SpawnedGuardian guardian(QString::fromLocal8Bit(argv[2]));
    AppServices services{clock, random, dialogs, sound, powerOff, QString::fromLocal8Bit(argv[1])};
    services.guardian = &guardian;
    TForm1 form(services);
    form.FormStorage1RestorePlacement();  // opens the port and starts the timers
    form.InterfaceTimer->setInterval(500);  // a quicker cycle than the real 2 s: the tests wait less

    bool started = false;
    bool firing = false;
    qsizetype logged = 0;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        const QStringList lines = form.log->lines();
        for (; logged < lines.size(); ++logged)
            say("LOG " + lines[logged]);
        if (!started && form.state.Connected && form.StartButton->isEnabled()) {
            form.Prog->setCell(1, 2, "300");
            form.Prog->setCell(2, 2, "0");
            form.Prog->setCell(4, 2, "A  B");
            form.Prog->setCell(1, 3, "0");
            form.Prog->setCell(2, 3, "0");
            form.StartButton->click();
            started = true;
        }
        if (started && !firing && form.state.Pid.Power > 0 && !form.state.RequestDue) {
            firing = true;
            say("FIRING");
        }
    });
    watch.start(50);

    TerminationSignals endSignals([&] {
        form.closeUnattended();
        say("CLOSED " + stateName(guardian.state()));
        app.quit();
    });

    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        char buffer[64];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        const QByteArray line = n > 0 ? QByteArray(buffer, int(n)).trimmed() : QByteArray();
        if (line.startsWith("pick ")) {
            // The port picker stays open that long, then is cancelled.
            dialogs.portPickerOpenMs = line.mid(5).toInt();
            dialogs.portAnswer.clear();
            form.PortSelect->click();
            say("PICKED " + form.port->PortName());
            return;
        }
        if (line != "close")
            return;
        form.closeUnattended();  // as the test asked: no questions
        say("CLOSED " + stateName(guardian.state()));
        app.quit();
    });
    return app.exec();
}
