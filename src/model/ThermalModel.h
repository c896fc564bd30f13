#pragma once

// Two-node heat balance of the kiln: node 1 is heated and loses heat to the ambient, node 2
// (the chamber the thermocouple sees) exchanges heat with node 1 only. One explicit Euler
// step of dt seconds at `power` percent.
void ModelStep(double& t1, double& t2, double ambient, double r, double i, double p, double dt, double power);
