#pragma once
#include "EmulatedKiln.h"

// The factors of the program's two-node thermal model.
struct KilnFactors {
    // Those of the shipped studio kiln: about 280 °C/h at full power near 200 °C, twelve
    // hours to cool from 1000 to 200 °C.
    double p = 0.0017;  // power gain of the heated node, °C per (percent × second)
    double i = 0.00008; // loss from the heated node to the ambient, 1/s
    double r = 0.003;  // exchange between the heated node and the chamber, 1/s
};

// The program's own thermal model as the kiln, stepped on the emulator's clock, `speed` times
// faster than real time. Fitting the program's model to it must give its factors back.
class TwoNodeKiln : public EmulatedKiln {
public:
    // An open lid multiplies the heated node's loss by this.
    static constexpr double kLidLossFactor = 2.0;

    TwoNodeKiln(const KilnFactors& factors, double speed);

    void advance(double realSeconds, double power) override;
    double heaterTemp() const override { return heater_; }
    double chamberTemp() const override { return chamber_; }
    double channelTemp(int channel) const override;
    double speed() const override { return speed_; }
    void setFaults(const KilnFaults& f) override { faults_ = f; }
    KilnFaults faults() const override { return faults_; }
    QStringList stateLines() const override;

    const KilnFactors& factors() const { return factors_; }

private:
    KilnFactors factors_;
    double speed_;
    KilnFaults faults_;
    double heater_ = kAmbient;
    double chamber_ = kAmbient;
};
