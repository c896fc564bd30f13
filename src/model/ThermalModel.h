#pragma once

// Two-node heat balance of the kiln: node 1 is heated and loses heat to the ambient, node 2
// (the chamber the thermocouple sees) exchanges heat with node 1 only. One explicit Euler
// step of dt seconds at `power` percent.
void ModelStep(double& t1, double& t2, double ambient, double r, double i, double p, double dt, double power);

// The model's factors, as the oven configuration gives them.
struct ModelFactors {
    double p = 0;  // power gain of node 1, °C per (percent × second)
    double i = 0;  // loss of node 1 to the ambient, 1/s
    double r = 0;  // exchange between the nodes, 1/s
    // Heat in and an exchange that carries it to the chamber.
    bool usable() const;
    // The highest temperature node 1 reaches at full power (infinity without a loss).
    double heldAtFullPower(double ambient) const;
};

// Node 1 of the model, from the chamber and how fast it rises: node 2 gains r (T1 - T2)
// each second, so T1 = T2 + rate / r (rate in °C per second).
inline double HeaterFromChamberRate(const ModelFactors& f, double chamber, double rate) { return chamber + rate / f.r; }

// Minutes at full power for the chamber to rise from `chamber` to `to`, node 1 at `heater`,
// stepped with the model; infinity when it does not get there within `limitMinutes` (or the
// model is not usable), 0 when it is there already.
double FullPowerMinutes(const ModelFactors& f, double heater, double chamber, double to, double ambient,
                        double limitMinutes);
