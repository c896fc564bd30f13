#pragma once
#include "ConeTable.h"
#include "Texts.h"

#include <QString>
#include <vector>

enum class ConeSpeed { Slow, Medium, Fast };

// What the operator picks for a cone firing.
struct ConeChoice {
    Cone cone;
    ConeSpeed speed = ConeSpeed::Medium;
    bool candling = false;       // hold at a low temperature first, to dry the ware
    double candlingTemp = 90;    // °C
    int candlingMinutes = 120;
    int holdMinutes = 10;        // at the end temperature; 0 for none
};

// One line of the program table.
struct ProgramStep {
    double temp = 0;  // °C; 0 ends the program
    int minutes = 0;
    bool operator==(const ProgramStep&) const = default;
};

// A firing to a pyrometric cone as lines of the program table. Up to 600 °C, where water and
// burning matter leave the clay and quartz changes its form, the kiln heats at the speed's
// low rate; above it at the speed's high rate up to 100 °C below the cone's end; the last
// 100 °C at a published rate, so that the cone's tabled end temperature holds:
//
//   speed    to 600 °C   above       last 100 °C
//   slow      50 °C/h    100 °C/h     60 °C/h
//   medium   100 °C/h    150 °C/h    150 °C/h
//   fast     150 °C/h    250 °C/h    150 °C/h
//
// Ramp minutes are rounded up, so no ramp runs faster than its rate.
class ConeProgram {
public:
    struct Rates {
        int low = 0;    // °C per hour up to kLowRangeTop
        int high = 0;   // above it
        int final = 0;  // over the last kFinalRange, one of the cone table's rates
    };
    static constexpr int kLowRangeTop = 600;  // °C
    static constexpr int kFinalRange = 100;   // °C
    static constexpr int kRoomTemp = 20;      // °C, where the first ramp is reckoned from

    static Rates RatesOf(ConeSpeed speed);
    // Whole minutes, rounded up, to go from `from` to `to` at `ratePerHour`.
    static int RampMinutes(double from, double to, int ratePerHour);

    explicit ConeProgram(const ConeChoice& choice) : choice_(choice) {}

    int EndTemp() const { return choice_.cone.endAt(RatesOf(choice_.speed).final); }
    // The lines, ending with a line of 0 °C and 0 minutes.
    std::vector<ProgramStep> Lines() const;
    // "Cone 04, medium" in the operator's language.
    QString Title(const MessageSource& texts) const;
    static QString SpeedName(ConeSpeed speed, const MessageSource& texts);

private:
    ConeChoice choice_;
};
