#pragma once

// The factors of the program's two-node thermal model.
struct KilnFactors {
    // Those of the shipped studio kiln: about 280 °C/h at full power near 200 °C, twelve
    // hours to cool from 1000 to 200 °C.
    double p = 0.0017;  // power gain of the heated node, °C per (percent × second)
    double i = 0.00008; // loss from the heated node to the ambient, 1/s
    double r = 0.003;  // exchange between the heated node and the chamber, 1/s
};

// The kiln the emulated controller measures and heats: the program's thermal model stepped
// on the emulator's clock, `speed` times faster than real time.
class KilnModel {
public:
    static constexpr double kAmbient = 25.0;
    static constexpr int kChannels = 8;

    KilnModel(const KilnFactors& factors, double speed);

    // Advances the model by `realSeconds` of real time at `power` percent.
    void advance(double realSeconds, double power);

    double heaterTemp() const { return heater_; }
    double chamberTemp() const { return chamber_; }
    double ambient() const { return kAmbient; }
    // The temperature thermocouple channel 1..8 sees; channel 1 is the chamber.
    double channelTemp(int channel) const;

    const KilnFactors& factors() const { return factors_; }
    double speed() const { return speed_; }

private:
    KilnFactors factors_;
    double speed_;
    double heater_ = kAmbient;
    double chamber_ = kAmbient;
};
