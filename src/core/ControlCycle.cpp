#include "ControlCycle.h"

#include "Numbers.h"
#include "Services.h"
#include "Widgets.h"

#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <QTimer>
#include <algorithm>
#include <cmath>

ControlCycle::ControlCycle(KilnState& state, const Clock& clock, const MessageSource& texts, EventLogWriter& log,
                           ControlCycleView view, ControlCycleSteps steps)
    : state_(state), clock_(clock), texts_(texts), log_(log), view_(view), steps_(std::move(steps))
{
}

void ControlCycle::InitDevice(ErrDevice& d, int n)
{
    d.Error = false;
    d.Broken = false;
    d.Reset = n;
    d.Count = n;
    d.Value = 0;
    d.Raw = 0;
}

void ControlCycle::UpdateDevice(ErrDevice& d)
{
    if (!d.Error) {
        d.Count = d.Reset;
        d.Broken = false;
    } else if (d.Count <= 0) {
        d.Broken = true;
    } else {
        --d.Count;
    }
}

void ControlCycle::InitState()
{
    state_.FlashColor = Colors::Red;
    state_.ControllerName.clear();
    state_.FirmwareVersion.clear();
    state_.Connected = false;
    state_.PhaseHoldoff = 2;
    state_.TargetTemp = 0;
    state_.RecordStart = 0;
    state_.ClockJumps = 0;
    state_.RecordJumps = 0;
    state_.CycleTime = clock_.now();
    lastCycleSeconds_ = clock_.monotonicSeconds();
    state_.CycleStep = 1.0 / 8640000;
    state_.LinkIdleCycles = 0;
    state_.DataReady = false;
    state_.RequestDue = false;
    for (int k = 1; k <= 8; ++k)
        InitDevice(state_.Devices[k], kDeviceTolerance);
    InitDevice(state_.Devices[DeviceTable::kSensor], kDeviceTolerance);
    InitDevice(state_.Devices[DeviceTable::kMains], kDeviceTolerance);
    InitDevice(state_.Devices[DeviceTable::kOverheat], kDeviceTolerance);
    // No kiln reading has come yet: nothing may start on the temperature of 0 °C that the
    // record holds until one does.
    state_.Devices[DeviceTable::kThermocouple].Error = true;
    state_.KilnReadingOk = false;
    state_.LostCycles = 0;
}

void ControlCycle::run(const std::function<void()>& step)
{
    if (step)
        step();
}

void ControlCycle::WorkInterface()
{
    if (state_.simulated()) {
        run(steps_.Sim_Work);
        state_.LinkIdleCycles = 0;
    }
    flash();
    showIndicatorsAlwaysShown();
    const bool withData = state_.DataReady;
    if (withData)
        cycleWithData();
    else
        lostCycle();
    startButtonRule();
    run(steps_.CheckDelayedStart);
    run(steps_.ShowForecast);
    if (view_.Label45)
        view_.Label45->setText(QString::number(state_.LostCycles));
    if (steps_.CycleDone)
        steps_.CycleDone(withData);
}

void ControlCycle::flash()
{
    state_.FlashColor = state_.FlashColor == Colors::Red ? Colors::Orange : Colors::Red;
}

void ControlCycle::showIndicatorsAlwaysShown()
{
    ++state_.LinkIdleCycles;
    view_.Panel9->setColor(state_.LinkIdleCycles <= kIdlePassesAllowed ? Colors::Lime : state_.FlashColor);
    view_.Panel31->setColor(state_.Devices[DeviceTable::kSensor].Error ? state_.FlashColor : Colors::Lime);
}

void ControlCycle::cycleWithData()
{
    rejectNonFiniteReadings();
    watchKilnReading();
    connectionEdge();
    view_.Panel4->setColor(Colors::Lime);
    showStatusTexts();
    showThermocoupleIndicator();
    checkMains();
    checkOverheat();
    countFaults();
    showServiceLabels();
    keepTime();
    run(steps_.ExecProgram);
    overheatFollowUp();
    run(steps_.Calc);
    run(steps_.WatchHeater);
    run(steps_.DrawGraph);
    showPowerAndMeter();
    handOver();
}

// A reading that is no number (a broken conversion, a garbled reply) counts as a missing
// reading: the device's error is set and the last good value stays, so that neither the
// regulator nor the overheat check ever sees it.
void ControlCycle::rejectNonFiniteReadings()
{
    for (int k : {1, 2, 3, 4, 5, 6, 7, 8, int(DeviceTable::kSensor)}) {
        ErrDevice& d = state_.Devices[k];
        if (std::isfinite(d.Value)) {
            lastGoodValue_[std::size_t(k)] = d.Value;
        } else {
            d.Value = lastGoodValue_[std::size_t(k)];
            d.Error = true;
        }
    }
}

// The kiln reading of this cycle, as the Start button, the title and the log see it.
void ControlCycle::watchKilnReading()
{
    const ErrDevice& kiln = state_.Devices[DeviceTable::kThermocouple];
    const bool ok = !kiln.Error;
    if (!ok && state_.KilnReadingOk && programActive(state_.ProgState))
        log_.TLogLS("LogNoKilnReading", " " + state_.channelText(DeviceTable::kThermocouple));
    state_.KilnReadingOk = ok;
}

void ControlCycle::connectionEdge()
{
    if (state_.Connected)
        return;
    log_.TLogLS("LogControllerConnected", "");
    state_.Connected = true;
    view_.BreakTimer->stop();
    state_.SkipReplies = 10;
}

void ControlCycle::showStatusTexts()
{
    const TemperatureScale& t = state_.Temps;
    view_.StatusOutside->setText(texts_.LS("StatusOutside") + t.TermSdeg(state_.outsideTemp()));
    // A broken thermocouple's reading is no temperature.
    view_.StatusInside->setText(texts_.LS("StatusInside") +
                                (state_.KilnReadingOk ? t.TermSdeg(state_.kilnTemp()) : texts_.LS("NoReading")));
    view_.StatusTarget->setText(texts_.LS("StatusTarget") + t.TermSdeg(state_.TargetTemp));
}

void ControlCycle::showThermocoupleIndicator()
{
    if (state_.Devices[DeviceTable::kThermocouple].Error) {
        view_.Panel7->setColor(state_.FlashColor);
        return;
    }
    const double d = state_.kilnTemp() - state_.outsideTemp();
    if (d < -state_.PolThreshold)
        view_.Panel7->setColor(Colors::LightBlue);
    else if (d > state_.PolThreshold)
        view_.Panel7->setColor(Colors::Lime);
    else
        view_.Panel7->setColor(Colors::buttonFace());
}

void ControlCycle::checkMains()
{
    if (state_.PhaseHoldoff > 0)
        --state_.PhaseHoldoff;
    ErrDevice& mains = state_.Devices[DeviceTable::kMains];
    const double f = mains.Value / 100;  // twice the mains frequency
    const bool faulty = !std::isfinite(f) || (state_.PhaseHoldoff == 0 && f < 90) || f > 110;
    if (faulty) {
        mains.Error = true;
    } else {
        view_.Panel8->setColor(Colors::Lime);
        mains.Error = false;
    }
}

void ControlCycle::checkOverheat()
{
    state_.Devices[DeviceTable::kOverheat].Error = EditValue(view_.MAXTEMP, 1000) < state_.kilnTemp();
}

void ControlCycle::countFaults()
{
    UpdateDevice(state_.Devices[DeviceTable::kThermocouple]);
    UpdateDevice(state_.Devices[DeviceTable::kOverheat]);
    UpdateDevice(state_.Devices[DeviceTable::kSensor]);
    UpdateDevice(state_.Devices[DeviceTable::kMains]);
}

void ControlCycle::showServiceLabels()
{
    ErrDevice& mains = state_.Devices[DeviceTable::kMains];
    // The fault report later in this cycle names the reading as it arrived.
    state_.CycleMainsValue = mains.Value;
    if (view_.Label1)
        view_.Label1->setText("Tick: " + QString::number(state_.ControllerTick));
    if (view_.Label2)
        view_.Label2->setText(Numbers::formatGeneral(mains.Value / 200) + " Hz");
    if (mains.Value != 0) {
        if (view_.Label3)
            view_.Label3->setText(Numbers::formatGeneral(1 - mains.Raw / mains.Value) + " %");
        // A reading counts for one cycle only.
        mains.Value = 0;
        mains.Raw = 0;
    }
}

void ControlCycle::keepTime()
{
    if (state_.InterfaceMode == 1) {
        state_.CycleStep = state_.SimStep;
        state_.CycleTime += state_.CycleStep;
    } else {
        measureRealStep();
    }
    if (state_.RecordStart == 0) {
        state_.RecordStart = state_.CycleTime;
        state_.RecordJumps = state_.ClockJumps;
    }
}

// With the controller the step is the real time since the previous cycle, lost or not,
// measured on the monotonic clock: a clock change or a daylight-saving switch moves the
// stamps, never the program. The kiln clock itself stays the wall clock; what it moved beyond
// the real time is summed as its jumps, so that the recording keeps the order of the cycles.
void ControlCycle::measureRealStep()
{
    const double seconds = clock_.monotonicSeconds();
    const double wall = clock_.now();
    state_.CycleStep = (seconds - lastCycleSeconds_) / 86400;
    lastCycleSeconds_ = seconds;
    state_.ClockJumps += (wall - state_.CycleTime) - state_.CycleStep;
    state_.CycleTime = wall;
}

void ControlCycle::overheatFollowUp()
{
    if (!state_.Devices[DeviceTable::kOverheat].Broken)
        return;
    const QString kiln = state_.Temps.TermSdeg(state_.kilnTemp());
    if (state_.ProgState != Stopped && state_.ProgState != BreakDown) {
        state_.ProgState = Stopped;
        log_.TLogLS("LogOverHeat", kiln);
    }
    const bool manual = steps_.ManualMode && steps_.ManualMode();
    if (manual && view_.ManualPower && view_.ManualPower->value() != 100) {
        log_.TLogLS("LogOverHeat", kiln);
        log_.TLogLS("LogResetPowerSetting", "");
        view_.ManualPower->setValue(100);  // manual power 0 %
    }
}

void ControlCycle::showPowerAndMeter()
{
    view_.StatusPower->setText(texts_.LS("StatusPower") + ":" + QString::number(state_.Pid.Power) + " %");
    view_.CurPower->setText(Numbers::formatThousands(state_.MeterPowerKW, 3));
    view_.Edit9->setText(Numbers::formatThousands(state_.MeterEnergyKWh, 4));
    view_.Edit10->setText(Numbers::formatThousands(state_.MeterCost, 2));
}

void ControlCycle::handOver()
{
    state_.OutsideReadingOk = !state_.Devices[DeviceTable::kSensor].Error;
    // Both stay set unless the next readings clear them.
    state_.Devices[DeviceTable::kThermocouple].Error = true;
    state_.Devices[DeviceTable::kSensor].Error = true;
    state_.DataReady = false;
    state_.RequestDue = true;
    state_.LinkOk = true;
}

void ControlCycle::lostCycle()
{
    ++state_.LostCycles;
    state_.KilnReadingOk = false;
    state_.OutsideReadingOk = false;
    view_.Panel4->setColor(state_.FlashColor);
    view_.Panel7->setColor(state_.FlashColor);
    view_.Panel8->setColor(state_.FlashColor);
    view_.Panel31->setColor(state_.FlashColor);
    lossEdge();
    state_.Devices[DeviceTable::kMains].Value = 0;
    state_.Devices[DeviceTable::kMains].Raw = 0;
    // The program goes on in real time while the link is down, so an outage counts once.
    if (state_.InterfaceMode != 1)
        measureRealStep();
    run(steps_.ExecProgram);
    state_.LinkOk = false;
    state_.AskAgain = true;
}

void ControlCycle::lossEdge()
{
    if (!state_.Connected)
        return;
    log_.TLogLS("LogConnectionLost", "");
    state_.Connected = false;
    // A zero or negative delay would make the breakdown timer fire without pause.
    const int delayMs = Numbers::roundHalfEven(EditValue(view_.PWR_DELAY, 10) * 60 * 1000);
    view_.BreakTimer->setInterval(std::max(delayMs, kMinBreakDelayMs));
    view_.BreakTimer->start();
}

void ControlCycle::startButtonRule()
{
    if (state_.Connected) {
        const bool manual = steps_.ManualMode && steps_.ManualMode();
        // Start also waits for a valid kiln reading: the firing's first line ramps from it.
        view_.StartButton->setEnabled(!state_.ProgImpossible && !manual && state_.KilnReadingOk);
        return;
    }
    view_.StartButton->setEnabled(false);
    if (state_.PortOk)
        run(steps_.PortReopen);
}
