#include "QtServices.h"
#include "TForm1.h"
#include "TerminationSignals.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName("Fornaxel");
    QApplication::setApplicationDisplayName("Fornaxel");
    SystemClock clock;
    SystemRandom random;
    QtDialogs dialogs;
    QtSoundPlayer sound;
    SystemPowerOff powerOff;
    TForm1 window(AppServices{clock, random, dialogs, sound, powerOff, QString()});
    dialogs.setParent(&window);
    // A logout, a system shutdown or a closed terminal ends the program as its window's close does.
    TerminationSignals endSignals([&] {
        window.closeUnattended();
        QApplication::quit();
    });
    window.show();
    return app.exec();
}
