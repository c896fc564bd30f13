#include "AppInfo.h"
#include "CommandLine.h"
#include "QtServices.h"
#include "StartUpGate.h"
#include "TForm1.h"
#include "TerminationSignals.h"

#include <QApplication>

int main(int argc, char** argv)
{
    // --help and --version answer without a display and before any folder is made.
    if (const auto answer = CommandLine::readAnswerOnly(argc, argv)) {
        answer->print();
        return answer->exitCode();
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName("Fornaxel");
    QApplication::setApplicationDisplayName("Fornaxel");
    QApplication::setApplicationVersion(AppVersionText());
    QGuiApplication::setDesktopFileName("org.fornaxel.Fornaxel");
    const CommandLine commandLine = CommandLine::read(QApplication::arguments());  // the toolkit's options taken
    if (commandLine.ends()) {
        commandLine.print();
        return commandLine.exitCode();
    }
    SystemClock clock;
    SystemRandom random;
    QtDialogs dialogs;
    // Nothing in the folder is touched before it is known to be ours.
    StartUpGate gate(ProgramFolders::forThisProgram());
    if (!gate.open()) {
        gate.tell(dialogs);
        return StartUpGate::kRefused;
    }
    QtSoundPlayer sound;
    SystemPowerOff powerOff;
    AppServices services{clock, random, dialogs, sound, powerOff, QString()};
    services.folders = &gate.folders();
    services.lastRunUnclean = gate.lastRunUnclean();
    TForm1 window(services);
    dialogs.setParent(&window);
    window.OpenAtStart(commandLine.files());
    // A logout, a system shutdown or a closed terminal ends the program as its window's close does.
    TerminationSignals endSignals([&] {
        window.closeUnattended();
        QApplication::quit();
    });
    window.show();
    return app.exec();
}
