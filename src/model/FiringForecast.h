#pragma once
#include "EndForecast.h"
#include "KilnState.h"
#include "ReachWarning.h"
#include "TemperatureHistory.h"
#include "Texts.h"

#include <QString>
#include <functional>

class ProgramTable;
class QLabel;
class QLineEdit;

struct FiringForecastView {
    QLabel* ProgramForecast = nullptr;
    QLineEdit* DEV = nullptr;
    QLineEdit* IMPOSSIBLE = nullptr;
    QLineEdit* MODEL_P = nullptr;
    QLineEdit* MODEL_I = nullptr;
    QLineEdit* MODEL_R = nullptr;
};

// The end of the firing as it can be foreseen, shown in the program panel while a program
// runs, waits or is paused, and the early warning of a line whose temperature the kiln will
// not reach in time: one log entry for the line, and the forecast in red while it stands.
// Before a delayed start the panel shows the countdown instead. A standing notice (`notice`,
// empty when there is none) goes in front of either, in red.
class FiringForecast {
public:
    FiringForecast(KilnState& state, const ProgramTable& program, const MessageSource& texts, EventLogWriter& log,
                   FiringForecastView view, std::function<QString()> countdown = {},
                   std::function<QString()> notice = {});

    // Once per control cycle, at its end.
    void ShowForecast();
    // The panel text for the present state, without recording a reading.
    void Show();

    EndForecast forecast() const;
    bool warning() const { return warning_.standing(); }
    const TemperatureHistory& history() const { return history_; }

private:
    void record();
    void judge();
    ReachInput reachInput() const;
    double dev() const;
    QString forecastText(const EndForecast& f) const;

    KilnState& state_;
    const ProgramTable& program_;
    const MessageSource& texts_;
    EventLogWriter& log_;
    FiringForecastView view_;
    std::function<QString()> countdown_;
    std::function<QString()> notice_;
    TemperatureHistory history_;
    ReachWarning warning_;
};
