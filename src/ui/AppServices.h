#pragma once
#include "SerialPort.h"
#include "Services.h"

#include <QString>

class GuardianProcess;
class ProgramFolders;
class SleepInhibitor;

// The outside world as the main window sees it. main() passes the real services; tests
// pass doubles and a program folder of their own.
struct AppServices {
    Clock& clock;
    Random& random;
    Dialogs& dialogs;
    SoundPlayer& sound;
    PowerOff& powerOff;
    QString appFolder;  // empty: the program folder of `folders`; given: wins over it
    SerialPort* serialPort = nullptr;  // none: the system's serial ports
    GuardianProcess* guardian = nullptr;  // none: fornaxel-guardian beside the executable
    SleepInhibitor* sleepInhibitor = nullptr;  // none: the login manager's, over the system bus
    // None: appFolder as a portable folder, or without it the folders of this executable.
    const ProgramFolders* folders = nullptr;
    bool lastRunUnclean = false;  // the last run on the folder left its instance lock behind
};
