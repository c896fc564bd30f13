#pragma once
#include "KilnState.h"
#include "Texts.h"

#include <array>
#include <functional>

class Clock;
class Panel;
class QLabel;
class QLineEdit;
class QSlider;
class QTimer;
class QWidget;

// The controls the control cycle drives. The service-page labels may be null.
struct ControlCycleView {
    Panel* Panel4 = nullptr;   // controller link
    Panel* Panel7 = nullptr;   // thermocouple 1
    Panel* Panel8 = nullptr;   // mains supply
    Panel* Panel31 = nullptr;  // cold-junction sensor
    Panel* Panel9 = nullptr;   // polling pass alive
    QLabel* StatusOutside = nullptr;
    QLabel* StatusInside = nullptr;
    QLabel* StatusTarget = nullptr;
    QLabel* StatusPower = nullptr;
    QLineEdit* MAXTEMP = nullptr;
    QLineEdit* PWR_DELAY = nullptr;
    QLineEdit* CurPower = nullptr;
    QLineEdit* Edit9 = nullptr;
    QLineEdit* Edit10 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label45 = nullptr;
    QTimer* BreakTimer = nullptr;
    QWidget* StartButton = nullptr;
    QSlider* ManualPower = nullptr;
};

// The later steps of a cycle, supplied by the subsystems that own them. An empty step is
// skipped, so the cycle runs complete before every subsystem exists.
struct ControlCycleSteps {
    std::function<void()> Sim_Work;
    std::function<void()> ExecProgram;
    std::function<void()> Calc;
    std::function<void()> WatchHeater;  // with the power of this cycle decided
    std::function<void()> DrawGraph;
    std::function<void()> PortReopen;  // close and open again
    std::function<bool()> ManualMode;  // power regulation set to manual
    std::function<void()> CheckDelayedStart;  // with the Start button's rule applied
    std::function<void()> ShowForecast;
    std::function<void(bool withData)> CycleDone;  // the end of every cycle, with data or without
};

// The two-second control cycle: takes up the measurements, shows them, supervises the link
// and the devices, advances the firing program, decides the power, draws the chart and asks
// the exchange for the next measurements.
class ControlCycle {
public:
    static constexpr int kDeviceTolerance = 10;
    static constexpr int kIdlePassesAllowed = 5;
    static constexpr int kMinBreakDelayMs = 1000;

    ControlCycle(KilnState& state, const Clock& clock, const MessageSource& texts, EventLogWriter& log,
                 ControlCycleView view, ControlCycleSteps steps);

    // Start-up part of the window's creation: clock, hand-over flags and device records.
    void InitState();
    void WorkInterface();

    static void InitDevice(ErrDevice& d, int n);
    static void UpdateDevice(ErrDevice& d);

    // The controller mode's cycle length, used by the timers.
    static constexpr int kCycleMs = 2000;
    static constexpr int kPollMs = 100;

private:
    void flash();
    void showIndicatorsAlwaysShown();
    void cycleWithData();
    void lostCycle();
    void rejectNonFiniteReadings();
    void watchKilnReading();
    void connectionEdge();
    void showStatusTexts();
    void showThermocoupleIndicator();
    void checkMains();
    void checkOverheat();
    void countFaults();
    void showServiceLabels();
    void keepTime();
    void measureRealStep();
    void overheatFollowUp();
    void showPowerAndMeter();
    void handOver();
    void lossEdge();
    void startButtonRule();
    void run(const std::function<void()>& step);

    KilnState& state_;
    const Clock& clock_;
    const MessageSource& texts_;
    EventLogWriter& log_;
    ControlCycleView view_;
    ControlCycleSteps steps_;
    double lastCycleSeconds_ = 0;  // monotonic reading of the previous cycle
    std::array<double, 18> lastGoodValue_{};  // by device number; 0 unused
};
