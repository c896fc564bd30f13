#pragma once
#include "TForm1.h"

#include "FakeGuardian.h"
#include "FakeSleepInhibitor.h"
#include "TestServices.h"

#include <QTimer>

// The test doubles of every service the window takes, to inherit from.
struct WindowServices {
    FakeClock clock;
    FakeRandom random;
    FakeDialogs dialogs;
    FakeSoundPlayer sound;
    RecordingPowerOff powerOff;
    ScriptedGuardian guardian;  // no process, no system bus
    ScriptedInhibitor sleepLock;

    AppServices app(const QString& folder, SerialPort* port = nullptr)
    {
        return AppServices{clock, random, dialogs, sound, powerOff, folder, port, &guardian, &sleepLock};
    }
};

// Runs the window's start-up restore and the resume offer, then stops the timers it switched
// on, so that a test or a benchmark drives the control cycle itself, as fast as it likes.
inline void restoreWithoutTimers(TForm1& form)
{
    form.FormStorage1RestorePlacement();
    form.OfferResume();
    form.InterfaceTimer->stop();
    form.HardwareTimer->stop();
    form.FlashTimer->stop();
}
