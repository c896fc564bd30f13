#pragma once
#include "TForm1.h"

#include "FakeGuardian.h"
#include "FakeSleepInhibitor.h"
#include "TestServices.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>
#include <QTimer>
#include <functional>

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

// Runs the polling pass as the hardware timer would, letting the replies in, until `done` or
// `ms` have passed; false on the deadline.
inline bool pollWindowUntil(TForm1& form, const std::function<bool()>& done, int ms)
{
    QDeadlineTimer deadline(ms);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        form.HardwareTimerTimer();
        QCoreApplication::processEvents();
        QThread::msleep(2);
    }
    return true;
}
