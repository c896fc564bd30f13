#pragma once
#include "KilnState.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QSlider;
class RadioGroup;

// The controls of the regulator page.
struct RegulatorView {
    RadioGroup* PowerRegulation = nullptr;  // item 0 PID, item 1 manual
    QSlider* ManualPower = nullptr;         // 0..100; position 100 is 0 %
    QLineEdit* PID_P = nullptr;
    QLineEdit* PID_I = nullptr;
    QLineEdit* PID_D = nullptr;
    RadioGroup* PID_CORR = nullptr;  // temperature correction: none, small, large
    QCheckBox* Fan1_Check = nullptr;  // output A in manual mode
    QCheckBox* Fan2_Check = nullptr;  // output B in manual mode
    QLabel* Label28 = nullptr;        // the track bar's "100", "50" and "0"
    QLabel* Label29 = nullptr;
    QLabel* Label48 = nullptr;
    QGroupBox* PIDRegulator = nullptr;
};

// Decides the heater power setting and the output levels once per cycle with fresh data:
// the manual setting, off while no program runs, or a PID step towards the set point.
class Regulator {
public:
    static constexpr double kDefaultP = 1;
    static constexpr double kDefaultI = 0.001;
    static constexpr double kDefaultD = 5;

    Regulator(KilnState& state, const RegulatorView& view);

    // The power decision of this cycle; dtSeconds is the cycle's step. Leaves the setting
    // in state.Pid.Power.
    void DecidePower(double dtSeconds);
    // Level (0 or 100) of output k: 1 = A, 2 = B.
    int OutputLevel(int k) const;
    // In manual mode: power to 0 % and both outputs off. True when anything was on.
    bool CutManualPower();
    // Handler of the mode radio group.
    void PowerRegulationClick();
    bool isManual() const;

private:
    KilnState& state_;
    RegulatorView view_;
    int lastGoodPower_ = 0;  // the setting of the last cycle with a valid kiln reading
};
