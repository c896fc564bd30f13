#pragma once
#include <QStringList>
#include <memory>

// What a fault the console sets does to the kiln.
struct KilnFaults {
    double elementLossPercent = 0;  // `element N`: the heater gives N % less power
    bool lidOpen = false;           // `lid`: losses up, as an open lid or bung
};

// The kiln the emulated controller heats and measures, stepped on the emulator's clock.
class EmulatedKiln {
public:
    static constexpr double kAmbient = 25.0;
    static constexpr int kChannels = 8;
    virtual ~EmulatedKiln() = default;
    // Advances the kiln by realSeconds × speed() of kiln time at `power` percent (0..100).
    virtual void advance(double realSeconds, double power) = 0;
    virtual double heaterTemp() const = 0;   // the elements
    virtual double chamberTemp() const = 0;  // the chamber air / what a perfect couple would read
    // What thermocouple 1..8 reads (channel 1 the chamber couple; lagging in the richer kiln).
    virtual double channelTemp(int channel) const = 0;
    virtual double ambient() const { return kAmbient; }
    virtual double speed() const = 0;
    virtual void setFaults(const KilnFaults& f) = 0;
    virtual KilnFaults faults() const = 0;
    virtual QStringList stateLines() const = 0;  // for the console's `state`
};

// The emulator's shipped kiln: the richer kiln with the shipped parameters (behaves like the
// shipped Oven1.ovn: ~280 °C/h at full power near 200 °C, ~165 °C/h near 1000 °C, ~12 h to cool
// from 1000 to 200 °C).
std::unique_ptr<EmulatedKiln> MakeShippedKiln(double speed = 1);
// A kiln file (the richer kiln's parameters, or `model = two-node` with p, i, r); throws
// std::runtime_error with a clear message for a bad file.
std::unique_ptr<EmulatedKiln> LoadKilnFile(const QString& path, double speed = 1);
// The program's own two-node model with known factors (the existing KilnModel, now an EmulatedKiln).
std::unique_ptr<EmulatedKiln> MakeTwoNodeKiln(double p, double i, double r, double speed = 1);
