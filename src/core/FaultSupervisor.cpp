#include "FaultSupervisor.h"

#include "Numbers.h"
#include "Services.h"
#include "Widgets.h"

#include <QCheckBox>
#include <QTimer>

FaultSupervisor::FaultSupervisor(KilnState& state, const MessageSource& texts, EventLogWriter& log,
                                 PowerOff& powerOff, FaultSupervisorView view, FaultSupervisorHooks hooks)
    : state_(state), texts_(texts), log_(log), powerOff_(powerOff), view_(view), hooks_(std::move(hooks))
{
}

// Heater off and outputs off at once, in this handler: a request batch sent before the next
// cycle must not carry the old power. In manual mode the operator's setting is taken back
// once, when the breakdown begins; raising it again afterwards is a deliberate act.
void FaultSupervisor::breakDown(const QString& key, const QString& value)
{
    const bool entering = state_.ProgState != BreakDown;
    state_.ProgState = BreakDown;
    state_.ProgIdle = 1;
    state_.TargetTemp = state_.outsideTemp();
    state_.Pid.Power = 0;
    state_.Pid.Output = 0;
    log_.TLogLS(key, value);
    if (entering) {
        BreakdownKey = key;
        BreakdownText = texts_.LS(key) + value;
    }
    if (entering && hooks_.CutManualPower && hooks_.CutManualPower())
        log_.TLogLS("LogResetPowerSetting", QString());
}

void FaultSupervisor::CheckBrokenDevices()
{
    // Each check on its own, so that several faults give several entries.
    const DeviceTable& d = state_.Devices;
    if (d[DeviceTable::kThermocouple].Broken)
        breakDown("LogBreakdownThermocouple", " " + state_.channelText(DeviceTable::kThermocouple));
    if (d[DeviceTable::kSensor].Broken)
        breakDown("LogBreakdownSensor", QString());
    if (d[DeviceTable::kMains].Broken) {
        if (view_.Panel8)
            view_.Panel8->setColor(state_.FlashColor);
        log_.TLogLS("LogPhaseError", Numbers::formatGeneral(state_.CycleMainsValue / 200) + " Hz");
        breakDown("LogBreakdownPower", QString());
    }
    if (d[DeviceTable::kOverheat].Broken)
        breakDown("LogBreakdownOverheat", " " + state_.Temps.TermSdeg(state_.kilnTemp()));
}

void FaultSupervisor::BreakDownUnreachable()
{
    breakDown("LogBreakDownUnreachable", QString());
    shutDownOnCrashIfAsked();
}

void FaultSupervisor::HeaterStuck(const QString& value)
{
    breakDown("LogBreakdownHeaterStuck", value);
    HeaterAlarm = true;
    if (hooks_.SoundAlarm)
        hooks_.SoundAlarm();
}

void FaultSupervisor::HeaterAlarmCycle()
{
    // The executor sounds the alarm in every cycle of a breakdown.
    if (HeaterAlarm && state_.ProgState != BreakDown && hooks_.SoundAlarm)
        hooks_.SoundAlarm();
}

void FaultSupervisor::HeaterCooling() { HeaterAlarm = false; }

void FaultSupervisor::RequestShutdown()
{
    if (view_.ShutDownTimer && !view_.ShutDownTimer->isActive())
        view_.ShutDownTimer->start();
}

void FaultSupervisor::shutDownOnCrashIfAsked()
{
    if (view_.ShutDownCrash && view_.ShutDownCrash->isChecked())
        RequestShutdown();
}

void FaultSupervisor::BreakTimerTimer()
{
    breakDown("LogBreakdownDisconnect", QString());
    shutDownOnCrashIfAsked();
}

void FaultSupervisor::ShutDownTimerTimer()
{
    if (poweringOff_)
        return;  // the close is under way; further ticks must not request again
    if (ShutdownCountdown > 0) {
        const QString text = texts_.LS("WarningComputerShutdown") + Numbers::formatInt(ShutdownCountdown) +
                             texts_.LS("WarningComputerShutdownSec");
        if (dialog_)
            dialog_->showCountdown(text);
        --ShutdownCountdown;
        return;
    }
    poweringOff_ = true;
    log_.TLogLS("LogComputerShutdown", QString());
    powerOff_.requestPowerOff();
    // The timer stays on: the close sequence asks no questions while it runs.
    if (hooks_.CloseMainWindow)
        hooks_.CloseMainWindow();
}

void FaultSupervisor::ShutdownNow() { ShutdownCountdown = 0; }

void FaultSupervisor::CancelShutdown()
{
    if (view_.ShutDownTimer)
        view_.ShutDownTimer->stop();
    ShutdownCountdown = 10;
    if (dialog_)
        dialog_->closeDialog();
}

void FaultSupervisor::FlashTimerTimer()
{
    QString title;
    if (TitlePhase < 1)
        title = HeaterAlarm ? texts_.LS("TitleHeaterStuck") : Caption;
    else if (!state_.LinkOk)
        title = texts_.LS("Error");
    else
        title = state_.KilnReadingOk ? state_.Temps.TermSdeg(state_.kilnTemp()) : texts_.LS("NoReading");
    if (hooks_.SetTitle)
        hooks_.SetTitle(title);
    ++TitlePhase;
    if (TitlePhase >= 2)
        TitlePhase = 0;
}
