#pragma once
#include "TForm1.h"

#include "TestServices.h"

#include <QTimer>

// The test doubles of every service the window takes, to inherit from.
struct WindowServices {
    FakeClock clock;
    FakeRandom random;
    FakeDialogs dialogs;
    FakeSoundPlayer sound;
    RecordingPowerOff powerOff;

    AppServices app(const QString& folder, SerialPort* port = nullptr)
    {
        return AppServices{clock, random, dialogs, sound, powerOff, folder, port};
    }
};

// Runs the window's start-up restore, then stops the timers it switched on, so that a test
// or a benchmark drives the control cycle itself, as fast as it likes.
inline void restoreWithoutTimers(TForm1& form)
{
    form.FormStorage1RestorePlacement();
    form.InterfaceTimer->stop();
    form.HardwareTimer->stop();
    form.FlashTimer->stop();
}
