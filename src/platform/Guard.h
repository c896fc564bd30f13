#pragma once
#include "Services.h"

#include <exception>
#include <utility>

// Every handler runs under this guard: an exception ends the handler and is shown by the
// standard error report; the program keeps running. Exceptions never cross the event loop.
template <class F>
void guarded(Dialogs& dialogs, F&& handler)
{
    try {
        std::forward<F>(handler)();
    } catch (const std::exception& e) {
        dialogs.showError(QString::fromUtf8(e.what()));
    } catch (...) {
        dialogs.showError("Unexpected error");
    }
}
