#pragma once
#include "SerialPort.h"
#include "Services.h"

#include <QString>

class GuardianProcess;
class SleepInhibitor;

// The outside world as the main window sees it. main() passes the real services; tests
// pass doubles and a program folder of their own.
struct AppServices {
    Clock& clock;
    Random& random;
    Dialogs& dialogs;
    SoundPlayer& sound;
    PowerOff& powerOff;
    QString appFolder;  // empty: the executable's folder
    SerialPort* serialPort = nullptr;  // none: the system's serial ports
    GuardianProcess* guardian = nullptr;  // none: fornaxel-guardian beside the executable
    SleepInhibitor* sleepInhibitor = nullptr;  // none: the login manager's, over the system bus
};
