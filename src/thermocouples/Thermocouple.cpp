#include "Thermocouple.h"

#include <array>
#include <cmath>

namespace {

template <std::size_t N>
double polynomial(const std::array<double, N>& c, double x)
{
    // Term by term, as the reference tables are stated.
    double sum = 0;
    double power = 1;
    for (double coefficient : c) {
        sum += coefficient * power;
        power *= x;
    }
    return sum;
}

// Type K, 0..1372 °C, used over the whole range and without the exponential term.
constexpr std::array<double, 10> kTypeK = {-1.760041369E-02, 3.892120498E-02,  1.855877E-05,
                                           -9.9457593E-08,  3.18409457E-10,   -5.607284E-13,
                                           5.6075059E-16,   -3.202072E-19,    9.7151147E-23,
                                           -1.210472E-26};

}  // namespace

double TempToEmf(int type, double t)
{
    switch (type) {
    case TypeK:
    case TypeMax31855K: return polynomial(kTypeK, t);
    default: return 0;
    }
}

double EmfToTemp(int type, double emf)
{
    (void)type;
    return emf;
}

double RawToTemp(const ErrDevice& channel, double raw, double cj, bool* valid)
{
    (void)channel;
    (void)raw;
    (void)cj;
    if (valid)
        *valid = false;
    return 0;
}

double TempToRaw(const ErrDevice& channel, double t, double cj, bool* valid)
{
    (void)channel;
    (void)t;
    (void)cj;
    if (valid)
        *valid = false;
    return 0;
}
