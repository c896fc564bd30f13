#include "ThermalModel.h"

void ModelStep(double& t1, double& t2, double ambient, double r, double i, double p, double dt, double power)
{
    const double heatIn = dt * power * p;
    const double loss = (t1 - ambient) * dt * i;
    const double exchange = (t1 - t2) * dt * r;
    t1 = t1 + heatIn - loss - exchange;
    t2 = t2 + exchange;
}
