#pragma once
#include "TForm1.h"

#include <QTimer>

// Runs the window's start-up restore, then stops the timers it switched on, so that a test
// or a benchmark drives the control cycle itself, as fast as it likes.
inline void restoreWithoutTimers(TForm1& form)
{
    form.FormStorage1RestorePlacement();
    form.InterfaceTimer->stop();
    form.HardwareTimer->stop();
    form.FlashTimer->stop();
}
