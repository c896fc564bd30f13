#pragma once
#include "KilnState.h"

// Thermocouple conversion: raw channel readings to temperatures and back, for the types the
// channel set-up offers. Pure functions of their arguments and the channel's record.

// Item indices of the thermocouple type choice.
enum ThermocoupleType : int {
    TypeK = 0,          // raw reading proportional to the voltage, two-point calibration
    TypeS = 1,
    TypeR = 2,          // offered but not converted: always 0
    TypeB = 3,          // likewise
    TypeMax31855K = 4,  // the converter's own result in quarter degrees
    TypeMax31855S = 5,
    TypeLinear = 6,     // a straight line through the two calibration points
};

// Thermoelectric voltage in mV at t °C (reference junction at 0 °C); 0 for types without
// voltage functions.
double TempToEmf(int type, double t);
// Temperature in °C for a voltage in mV; E itself for types without voltage functions.
double EmfToTemp(int type, double emf);

// The temperature in °C of a channel for its averaged raw reading, with the cold junction at
// cj °C. A calibration that leaves nothing to divide by (here: equal raw readings at the two
// points, for types K, S and linear) gives 0 and clears `valid` when given; so does any result
// that is not a finite number. Otherwise `valid` is set.
double RawToTemp(const ErrDevice& channel, double raw, double cj, bool* valid = nullptr);
// The raw reading the channel would give at t °C; the inverse of RawToTemp, with `valid` as
// there. Nothing to divide by here means equal temperatures at the two points for the linear
// type, equal calibration voltages for types K and S.
double TempToRaw(const ErrDevice& channel, double t, double cj, bool* valid = nullptr);
