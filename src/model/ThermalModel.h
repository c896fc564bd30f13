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
};

// The rate, °C per second, at which both nodes rise together when the kiln has been heating
// steadily at `power` percent with the chamber at `chamber` °C: the heat in, less the loss, is
// shared by the two nodes, node 1 running ahead by rate / r. Negative above the temperature
// that power can hold. 0 without a usable model.
double SteadyHeatingRate(const ModelFactors& f, double chamber, double ambient, double power);
// Minutes at full power for the chamber to rise from `from` to `to` at the steady rate;
// infinity when the model cannot get there (or is not usable), 0 when it is there already.
double FullPowerMinutes(const ModelFactors& f, double from, double to, double ambient);
