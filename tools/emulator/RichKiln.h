#pragma once
#include "EmulatedKiln.h"

#include <array>

// The physical make of the richer kiln. The shipped values behave like the shipped studio kiln
// (Oven1.ovn's two-node factors): about 280 °C/h at full power near 200 °C, 165 °C/h near
// 1000 °C, twelve hours to cool from 1000 to 200 °C.
struct RichKilnParameters {
    double power = 9.1;             // kW the elements give at full power, cold
    double resistanceRise = 5;      // % the elements' resistance rises from 25 to 1200 °C
    double elementCapacity = 1.5;   // kJ/K of the elements
    double elementExchange = 20;    // W/K from the elements to the chamber, by contact and air
    double elementArea = 0.25;      // m² the elements radiate to the chamber from
    double chamberCapacity = 85;    // kJ/K of the chamber air and the inner lining
    double wareCapacity = 14;       // kJ/K of the ware and the shelves
    double wareExchange = 40;       // W/K between the chamber and the ware
    double wallLoss = 3.75;         // W/K conducted through the walls to the room
    double radiatingArea = 0.004;   // m² (× emissivity) that radiates to the room through walls and lid
    double lidArea = 0.02;          // m² more that radiates with the lid open
    double lidLoss = 1;             // W/K more that the air carries off with the lid open
    double coupleLag = 40;          // s, the thermocouples' time constant
};

// One parameter as a kiln file names it, with the range a file may give.
struct RichKilnParameter {
    const char* key;
    double RichKilnParameters::*field;
    double low, high;
};
extern const std::array<RichKilnParameter, 13> kRichKilnParameters;

// Elements, chamber (with the lining that stores most of the heat) and ware as separate
// nodes; losses that grow faster than linearly (conduction plus radiation); elements that give
// less power as they heat; thermocouples that lag. Not the program's model, on purpose: fitting
// the model to this kiln must find the model's best compromise, not the kiln's own factors.
class RichKiln : public EmulatedKiln {
public:
    RichKiln(const RichKilnParameters& parameters, double speed);

    void advance(double realSeconds, double power) override;
    double heaterTemp() const override { return elements_; }
    double chamberTemp() const override { return chamber_; }
    double channelTemp(int channel) const override;
    double speed() const override { return speed_; }
    void setFaults(const KilnFaults& f) override { faults_ = f; }
    KilnFaults faults() const override { return faults_; }
    QStringList stateLines() const override;

    double wareTemp() const { return ware_; }
    const RichKilnParameters& parameters() const { return parameters_; }
    // W the elements give now at `power` percent (their temperature and a failing element count).
    double heatingWatts(double power) const;
    // W the chamber loses to the room now.
    double lossWatts() const;

private:
    void step(double dt, double power);
    double stableStep() const;

    RichKilnParameters parameters_;
    double speed_;
    KilnFaults faults_;
    double elements_ = kAmbient;
    double chamber_ = kAmbient;
    double ware_ = kAmbient;
    double chamberCouple_ = kAmbient;  // what the lagging couples read in the chamber
    double elementCouple_ = kAmbient;  // and near the elements
};
