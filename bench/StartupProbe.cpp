// How long the program takes from being started to its first control cycle: the window as
// main() builds it, on the program folder given, with the real services. Prints the time in
// milliseconds since the moment passed in (nanoseconds since the epoch, taken by the caller
// just before it started this process), then quits. bench/startup.sh runs it.
#include "QtSerialPort.h"
#include "QtServices.h"
#include "TForm1.h"

#include <QApplication>
#include <QDateTime>
#include <QTimer>
#include <cstdio>

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: fornaxel_startup_probe PROGRAM_FOLDER START_NS\n");
        return 2;
    }
    const qint64 startNs = QByteArray(argv[2]).toLongLong();
    QApplication app(argc, argv);
    SystemClock clock;
    SystemRandom random;
    QtDialogs dialogs;
    QtSoundPlayer sound;
    SystemPowerOff powerOff;
    TForm1 window(AppServices{clock, random, dialogs, sound, powerOff, QString::fromLocal8Bit(argv[1])});
    dialogs.setParent(&window);
    const auto sinceStart = [startNs] { return double(QDateTime::currentMSecsSinceEpoch() * 1000000 - startNs) / 1e6; };
    double restored = 0;
    QObject::connect(window.InterfaceTimer, &QTimer::timeout, &app, [&] {
        // The time to the first cycle, then the part of it the window's start-up took: the
        // rest is the cycle timer's first interval.
        std::printf("%.1f %.1f\n", sinceStart(), restored);
        std::fflush(stdout);
        // Closed without its sequence: nothing of the probe's run is to be saved.
        std::_Exit(0);
    });
    window.show();  // the start-up restore runs here
    restored = sinceStart();
    return app.exec();
}
