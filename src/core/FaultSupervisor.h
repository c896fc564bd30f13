#pragma once
#include "KilnState.h"
#include "Texts.h"

#include <QString>
#include <functional>

class PowerOff;
class Panel;
class QCheckBox;
class QTimer;

// The shutdown countdown dialog as the supervisor sees it.
class ShutdownDialogView {
public:
    virtual ~ShutdownDialogView() = default;
    // Shows the text, shows the dialog without making it modal (or raises it when it is
    // already shown) and brings the application to the front.
    virtual void showCountdown(const QString& text) = 0;
    // Hides the dialog without cancelling anything.
    virtual void closeDialog() = 0;
};

// The controls the supervisor drives.
struct FaultSupervisorView {
    Panel* Panel8 = nullptr;  // phase indicator
    QCheckBox* ShutDownCrash = nullptr;
    QTimer* ShutDownTimer = nullptr;  // 1000 ms; running = a shutdown is requested
};

struct FaultSupervisorHooks {
    std::function<void()> CloseMainWindow;         // the orderly close, without questions
    std::function<void(const QString&)> SetTitle;  // the main window's own title
    // Takes a manual power setting and the manual outputs back to off; true when it had to.
    std::function<bool()> CutManualPower;
    std::function<void()> SoundAlarm = {};  // the alarm sound, once
};

// Ends a firing when a supervised device is broken or the link stays down, and shuts the
// computer down after a countdown when the operator has asked for it.
class FaultSupervisor {
public:
    FaultSupervisor(KilnState& state, const MessageSource& texts, EventLogWriter& log, PowerOff& powerOff,
                    FaultSupervisorView view, FaultSupervisorHooks hooks = {});

    // The dialog is created after the main window, so it is attached later.
    void setDialog(ShutdownDialogView* dialog) { dialog_ = dialog; }

    void CheckBrokenDevices();
    // The executor found the line's temperature out of reach.
    void BreakDownUnreachable();
    void BreakTimerTimer();
    void ShutDownTimerTimer();
    void FlashTimerTimer();
    void ShutdownNow();     // dialog button "Выключить"
    void CancelShutdown();  // dialog button "Отмена" and Escape

    // Switches the countdown timer on unless it already runs.
    void RequestShutdown();

    // A heater that heats with no power sent: any firing ends in a breakdown, one entry asks
    // for the kiln to be switched off at the mains, and the alarm sounds and the title warns
    // until the kiln cools again. The computer is not shut down: somebody must hear it.
    void HeaterStuck(const QString& value);
    // Each cycle while it lasts: the alarm, where the breakdown does not sound it already.
    void HeaterAlarmCycle();
    // The kiln cools again: the alarm and the warning title end.
    void HeaterCooling();
    bool HeaterAlarm = false;
    // What brought the last breakdown: its message key and the entry's text.
    QString BreakdownKey;
    QString BreakdownText;

    int ShutdownCountdown = 30;  // seconds left; 0 or less: shut down at the next tick
    int TitlePhase = 0;
    QString Caption = "Fornaxel";  // the title between two showings of the temperature

private:
    void breakDown(const QString& key, const QString& value);
    void shutDownOnCrashIfAsked();

    KilnState& state_;
    const MessageSource& texts_;
    EventLogWriter& log_;
    PowerOff& powerOff_;
    FaultSupervisorView view_;
    FaultSupervisorHooks hooks_;
    ShutdownDialogView* dialog_ = nullptr;
    bool poweringOff_ = false;  // the power-off has been requested; it is never requested twice
};
