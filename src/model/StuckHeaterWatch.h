#pragma once
#include "KilnState.h"

#include <deque>

class FaultSupervisor;
class QLineEdit;

// The model factors the watch predicts natural cooling with.
struct StuckHeaterView {
    QLineEdit* MODEL_I = nullptr;  // loss to the ambient
    QLineEdit* MODEL_R = nullptr;  // exchange between the two nodes
};

// One cycle's look at the kiln.
struct HeaterReading {
    double seconds = 0;     // since the previous reading
    double kilnTemp = 0;
    bool valid = true;      // the thermocouple gave a reading this cycle
    int power = 0;          // the heater power sent
    double outsideTemp = 0;
    double modelI = 0;      // no number: no prediction
    double modelR = 0;
};

// Notices a heater that does not switch off: a relay or triac welded shut heats whatever power
// is sent, and the only defence left is the operator at the mains switch. Once the power sent has
// been 0 for five minutes, a kiln that rises more than 10 °C over five minutes, or stands more
// than 50 °C above the model's natural cooling since the power went to 0, raises the alarm: the
// firing ends in a breakdown, one entry asks for the mains to be switched off, and the alarm and
// the warning title last until the kiln cools again: until over five minutes it has fallen by
// at least 80 % of what the model says an unheated kiln falls from where it was (without model
// factors: by more than 10 °C).
class StuckHeaterWatch {
public:
    static constexpr double kWindowSeconds = 300;
    static constexpr double kRiseC = 10;
    static constexpr double kAboveModelC = 50;
    static constexpr double kCoolingShare = 0.8;  // of the natural fall, for the alarm to end
    static constexpr double kMaxModelStepSeconds = 10;

    enum class Verdict { None, Stuck, Cooling };

    StuckHeaterWatch(KilnState& state, FaultSupervisor& faults, StuckHeaterView view);

    // Once per control cycle with data, after the power has been decided.
    void WatchHeater();
    // The decision for one reading: Stuck when the alarm begins, Cooling when it ends.
    Verdict Feed(const HeaterReading& r);
    bool alarm() const { return alarm_; }

private:
    struct Sample {
        double at;  // seconds on the watch's own clock
        double temp;
    };
    void beginQuiet(double temp);
    void keepWindow(double temp);
    bool heats(const HeaterReading& r) const;
    bool coolsNaturally(const HeaterReading& r) const;
    const Sample* windowStart() const;

    KilnState& state_;
    FaultSupervisor& faults_;
    StuckHeaterView view_;
    double now_ = 0;
    bool quiet_ = false;     // the power sent has been 0 since quietSince_
    double quietSince_ = 0;
    double heater_ = 0;      // natural cooling since then, both nodes
    double chamber_ = 0;
    std::deque<Sample> window_;  // the last five minutes and the sample just before them
    bool alarm_ = false;
};
