#pragma once
#include "ThermalModel.h"

#include <optional>
#include <vector>

// One control cycle of a recorded firing, °C.
struct FitSample {
    double seconds = 0;             // since the recording began
    std::optional<double> kiln;     // none: no valid reading
    double power = 0;               // percent
    std::optional<double> outside;  // none: the model's ambient (25.5 °C)
};

struct FitResult {
    enum class Verdict { Fitted, TooShort, TooFlat, NoData, Failed };
    Verdict verdict = Verdict::NoData;
    ModelFactors before, after;
    double heaterStart = 0;      // node 1 at the first sample, fitted
    double rms = 0, worst = 0;   // °C, of the fit over the valid samples
    std::vector<double> fitted;  // °C per sample (same length as the input)
    int evaluations = 0;
};

// Least squares over the recorded kiln temperature, from `start` (the fields' factors).
FitResult FitKiln(const std::vector<FitSample>& samples, const ModelFactors& start);
// The model's chamber temperature per sample, run on the recorded power and outside temperature.
std::vector<double> PredictKiln(const std::vector<FitSample>& samples, const ModelFactors& f, double heaterStart);

// RMS and largest |error| of a prediction against the valid samples.
struct FitError {
    double rms = 0, worst = 0;
};
FitError CompareToRecord(const std::vector<FitSample>& samples, const std::vector<double>& predicted);
