#pragma once

// How the emulated controller measures a type K thermocouple: its converter gives
// counts = Offset() + CountsPerMv() × E for a thermocouple voltage of E mV, and a channel
// register reports the sum of kReadingsPerSum such readings.
//
// The scale is pinned so that the factory calibration is the one the program and its
// shipped oven file start with: 85 counts at 25 °C and 500 counts at 900 °C, with the cold
// junction at 25 °C. So the program reads right before it ever asks for the calibration.
namespace CountsScale {

inline constexpr double kCalibrationColdJunction = 25;
inline constexpr double kZeroTemp = 25;
inline constexpr double kZeroCounts = 85;
inline constexpr double kGainTemp = 900;
inline constexpr double kGainCounts = 500;

inline constexpr int kReadingsPerSum = 10;  // 1372 °C sums to about 7000
inline constexpr double kBrokenWire = 5;    // an open thermocouple input reads almost nothing

double CountsPerMv();  // about 11.42: one count is 2.2 to 2.4 °C
double Offset();       // about 85.2: the counts at 0 mV

// The voltage of a real type K thermocouple at t °C with its reference junction at 0 °C.
double ThermocoupleEmf(double t);
// One noise-free reading of a thermocouple at t °C with the cold junction at cj °C.
double Counts(double t, double cj);

}  // namespace CountsScale

// The two-point calibration as the NV registers 0..3 hold it: each value × 10, rounded.
struct NvCalibration {
    int z10 = 0;   // reading at the zero point
    int k10 = 0;   // reading at the gain point
    int zt10 = 0;  // temperature of the zero point, °C
    int kt10 = 0;  // temperature of the gain point, °C
};

// The factory calibration: 850, 5000, 250, 9000.
NvCalibration DefaultCalibration();
