#pragma once
#include "TemperatureText.h"

#include <QColor>
#include <QString>
#include <array>

// One supervised device: a thermocouple channel, the overheat check, the cold-junction
// sensor or the mains supply.
struct ErrDevice {
    bool Error = false;   // reading missing or out of range in the current cycle
    bool Broken = false;  // the error outlasted its tolerance
    int Count = 0;        // cycles of tolerance left while Error is set
    int Reset = 0;        // the tolerance Count is refilled with
    double Value = 0;
    double Raw = 0;
    QString Tc_Name;
    int Tc_Type = 0;
    double Tc_z = 0;
    double Tc_zt = 0;
    double Tc_k = 0;
    double Tc_kt = 0;
};

// The regulator's memory.
struct PidState {
    static constexpr int kHistory = 50;
    double Err = 0;
    double PrevErr = 0;
    double Integral = 0;
    double Derivative = 0;
    double Output = 0;
    int Power = 0;  // heater power setting, whole percent 0..100
    std::array<double, kHistory> DerivHistory{};
    int DerivCount = 0;
};

// Executor states.
enum ProgStates : int { Stopped = 0, Running = 1, Waiting = 2, Paused = 3, Finished = 4, BreakDown = 5 };

// Only while a program runs, waits for its temperature or is paused may the heater and the
// program's outputs be on.
inline bool programActive(int progState) { return progState == Running || progState == Waiting || progState == Paused; }

// Device table numbered from 1: 1..15 thermocouple channels (1..8 used, 1 is the kiln
// thermocouple), 16 overheat, 17 cold-junction sensor, 18 mains supply.
class DeviceTable {
public:
    static constexpr int kThermocouple = 1;
    static constexpr int kOverheat = 16;
    static constexpr int kSensor = 17;
    static constexpr int kMains = 18;

    ErrDevice& operator[](int n) { return devices_.at(std::size_t(n - 1)); }
    const ErrDevice& operator[](int n) const { return devices_.at(std::size_t(n - 1)); }

private:
    std::array<ErrDevice, 18> devices_{};
};

// The kiln state that the control cycle, the executor, the regulator, the simulator, the
// chart and the log share. Owned by the main window and handed to each subsystem.
struct KilnState {
    // Program folder and version. An installed program reads the shipped files it does not
    // have a copy of (languages, help, sounds, cones) from SharedFolder; empty: none.
    QString AppFolder = ".";
    QString SharedFolder;
    QString AppVersion = "0";
    int VerMajor = 0, VerMinor = 0, VerRelease = 0, VerBuild = 0;

    TemperatureScale Temps;

    int InterfaceMode = 1;  // 0 controller, 1 simulator
    bool DataReady = false;
    bool RequestDue = false;
    // A lost cycle asks again: a controller that only answers when asked would otherwise never
    // be heard from, and so never sent another byte, after one silent cycle.
    bool AskAgain = false;
    int LinkIdleCycles = 0;
    int SkipReplies = 0;
    int ControllerTick = 0;
    QString ControllerName;
    QString FirmwareVersion;

    double CycleTime = 0;            // kiln clock, date-time number
    double CycleStep = 1.0 / 8640000;  // 0.01 s in days
    double RecordStart = 0;          // 0 = recording not begun
    // How far the wall clock has jumped (set, or daylight saving changed) beyond the real time
    // that passed: at start-up and when the recording began. The kiln clock with the
    // controller is the wall clock; less these jumps it runs on the monotonic clock.
    double ClockJumps = 0;  // days
    double RecordJumps = 0;  // ClockJumps when the recording began
    double TargetTemp = 0;

    DeviceTable Devices;

    int ProgState = Stopped;
    int ProgLine = 0;
    double LineTime = 0;  // days
    double StartTemp = 0;
    int ProgIdle = 1;
    std::array<int, 3> OutLevel{};  // 1-based: [1] output A, [2] output B

    PidState Pid;

    bool Connected = false;
    bool LinkOk = false;
    bool KilnReadingOk = false;  // the last cycle with data brought a valid kiln reading
    bool OutsideReadingOk = false;  // and a valid cold-junction (outside) reading
    int LostCycles = 0;
    int PhaseHoldoff = 2;
    QColor FlashColor = QColor(255, 0, 0);
    double PolThreshold = 5;
    bool PortOk = false;
    bool ProgImpossible = false;

    // Simulator time base and the energy meter.
    double SimSpeed = 10;
    double SimStep = 2.0 / 86400;
    double MeterPowerKW = 0;
    double MeterEnergyKWh = 0;
    double MeterCost = 0;

    double CycleMainsValue = 0;  // mains reading of the current cycle, kept for the fault report

    double kilnTemp() const { return Devices[DeviceTable::kThermocouple].Value; }
    double outsideTemp() const { return Devices[DeviceTable::kSensor].Value; }
    bool simulated() const { return InterfaceMode >= 1; }
    // A thermocouple channel as the log names it: its number, and its name when it has one.
    QString channelText(int channel) const
    {
        const QString name = Devices[channel].Tc_Name.trimmed();
        return QString::number(channel) + (name.isEmpty() ? QString() : " (" + name + ")");
    }
    // The kiln clock without its jumps: for rates and for how long things take.
    double steadyTime() const { return CycleTime - ClockJumps; }
    // The recording's own time line: its start plus the real time since, so that the cycles
    // stay in the order they happened whatever the wall clock did. Equals CycleTime until the
    // wall clock jumps.
    double recordTime() const { return CycleTime - (ClockJumps - RecordJumps); }
    // Time since the recording began, on the monotonic clock; 0 before it began.
    double recordElapsed() const { return RecordStart == 0 ? 0 : recordTime() - RecordStart; }
    // The device the program works with, for captions and the log.
    QString deviceName() const { return simulated() ? "Simulator" : "Ardentor PC"; }

};
