// A simulated firing in the real window, shown, at the simulator speed the program folder's
// settings give: starts the loaded program at the first cycle that allows it and reports,
// after the given hours of kiln time, how long that took on the wall clock against the ideal
// (kiln time divided by the speed-up). bench/firing.sh runs it under Xvfb.
//   fornaxel_firing_probe PROGRAM_FOLDER [HOURS]   (12 by default)
#include "QtSerialPort.h"
#include "QtServices.h"
#include "Simulator.h"
#include "TForm1.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: fornaxel_firing_probe PROGRAM_FOLDER [HOURS]\n");
        return 2;
    }
    const double hours = argc > 2 ? std::strtod(argv[2], nullptr) : 12;
    QApplication app(argc, argv);
    SystemClock clock;
    SystemRandom random;
    QtDialogs dialogs;
    QtSoundPlayer sound;
    SystemPowerOff powerOff;
    TForm1 window(AppServices{clock, random, dialogs, sound, powerOff, QString::fromLocal8Bit(argv[1])});
    dialogs.setParent(&window);
    window.show();

    const double speed = SimulatorTiming::read(window.SIM_SPEED).SimSpeed;
    QElapsedTimer wall;
    double kilnStart = 0;
    long ticks = 0;
    QObject::connect(window.InterfaceTimer, &QTimer::timeout, &app, [&] {
        if (kilnStart == 0) {
            if (!window.StartButton->isEnabled())
                return;
            window.StartButton->click();
            kilnStart = window.state.CycleTime;
            wall.start();
            return;
        }
        ++ticks;
        const double kilnHours = (window.state.CycleTime - kilnStart) * 24;
        if (kilnHours < hours)
            return;
        const double ideal = kilnHours * 3600 / speed;
        const double took = double(wall.nsecsElapsed()) / 1e9;
        std::printf("%.1f h of kiln time at speed %g in %.1f s, ideal %.1f s: x%.3f (%ld timer ticks, program state %d)\n",
                    kilnHours, speed, took, ideal, took / ideal, ticks, window.state.ProgState);
        std::fflush(stdout);
        std::_Exit(0);  // nothing of the probe's run is to be saved
    });
    return app.exec();
}
