#include "Thermocouple.h"

#include <array>
#include <cmath>
#include <limits>
#include <span>

// Voltage functions of the NIST ITS-90 thermocouple reference tables (NIST Monograph 175):
// reference functions E(t) and approximate inverse functions t(E), in °C and mV.

namespace {

double polynomial(std::span<const double> c, double x)
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

// One polynomial of a function in ranges: used from `from` up to where the next one starts,
// so a boundary value belongs to the upper range. The first range reaches down without end
// and the last one up, so the outer polynomials also serve beyond the standard's limits.
struct Range {
    double from;
    std::span<const double> c;
};

constexpr double kBelowAll = -std::numeric_limits<double>::infinity();

double inRanges(std::span<const Range> ranges, double x)
{
    const Range* use = &ranges.front();
    for (const Range& r : ranges)
        if (x >= r.from)
            use = &r;
    return polynomial(use->c, x);
}

// Type K, 0..1372 °C, used over the whole range and without the exponential term.
constexpr std::array<double, 10> kTypeK = {-1.760041369E-02, 3.892120498E-02,  1.855877E-05,
                                           -9.9457593E-08,  3.18409457E-10,   -5.607284E-13,
                                           5.6075059E-16,   -3.202072E-19,    9.7151147E-23,
                                           -1.210472E-26};

// Type K inverse: -5.891..0 mV, 0..20.644 mV, 20.644..54.886 mV.
constexpr std::array<double, 9> kTypeKInverseNegative = {
    0.0000000E+00,  2.5173462E+01,  -1.1662878E+00, -1.0833638E+00, -8.9773540E-01,
    -3.7342377E-01, -8.6632643E-02, -1.0450598E-02, -5.1920577E-04};
constexpr std::array<double, 10> kTypeKInverseLow = {
    0.000000E+00, 2.508355E+01,  7.860106E-02, -2.503131E-01, 8.315270E-02,
    -1.228034E-02, 9.804036E-04, -4.413030E-05, 1.057734E-06,  -1.052755E-08};
constexpr std::array<double, 7> kTypeKInverseHigh = {-1.318058E+02, 4.830222E+01,  -1.646031E+00,
                                                     5.464731E-02,  -9.650715E-04, 8.802193E-06,
                                                     -3.110810E-08};
constexpr std::array<Range, 3> kTypeKInverse = {{{kBelowAll, kTypeKInverseNegative},
                                                 {0.0, kTypeKInverseLow},
                                                 {20.644, kTypeKInverseHigh}}};

// Type S reference function: -50..1064.18 °C, 1064.18..1664.5 °C, 1664.5..1768.1 °C.
constexpr std::array<double, 9> kTypeSLow = {
    0.000000000000E+00,  0.540313308631E-02, 0.125934289740E-04,
    -0.232477968689E-07, 0.322028823036E-10, -0.331465196389E-13,
    0.255744251786E-16,  -0.125068871393E-19, 0.271443176145E-23};
constexpr std::array<double, 5> kTypeSMiddle = {0.132900444085E+01, 0.334509311344E-02,
                                                0.654805192818E-05, -0.164856259209E-08,
                                                0.129989605174E-13};
constexpr std::array<double, 5> kTypeSHigh = {0.146628232636E+03, -0.258430516752E+00,
                                              0.163693574641E-03, -0.330439046987E-07,
                                              -0.943223690612E-14};
constexpr std::array<Range, 3> kTypeS = {
    {{kBelowAll, kTypeSLow}, {1064.18, kTypeSMiddle}, {1664.5, kTypeSHigh}}};

// Type S inverse: -0.235..1.874 mV, 1.874..11.950 mV, 10.332..17.536 mV, 17.536..18.693 mV.
// The second and third overlap; the third takes over at 10.332 mV.
constexpr std::array<double, 10> kTypeSInverse1 = {
    0.00000000E+00,  1.84949460E+02, -8.00504062E+01, 1.02237430E+02, -1.52248592E+02,
    1.88821343E+02,  -1.59085941E+02, 8.23027880E+01, -2.34181944E+01, 2.79786260E+00};
constexpr std::array<double, 10> kTypeSInverse2 = {
    1.291507177E+01,  1.466298863E+02, -1.534713402E+01, 3.145945973E+00,  -4.163257839E-01,
    3.187963771E-02,  -1.291637500E-03, 2.183475087E-05, -1.447379511E-07, 8.211272125E-09};
constexpr std::array<double, 6> kTypeSInverse3 = {-8.087801117E+01, 1.621573104E+02,
                                                  -8.536869453E+00, 4.719686976E-01,
                                                  -1.441693666E-02, 2.081618890E-04};
constexpr std::array<double, 5> kTypeSInverse4 = {5.333875126E+04, -1.235892298E+04,
                                                  1.092657613E+03, -4.265693686E+01,
                                                  6.247205420E-01};
constexpr std::array<Range, 4> kTypeSInverse = {{{kBelowAll, kTypeSInverse1},
                                                 {1.874, kTypeSInverse2},
                                                 {10.332, kTypeSInverse3},
                                                 {17.536, kTypeSInverse4}}};

// The fixed slope, in mV/°C, with which a MAX31855 turns the voltage into its temperature.
double converterSlope(int type)
{
    return type == TypeMax31855K ? 0.041276 : 0.009587;
}

double settle(double value, bool* valid)
{
    const bool ok = std::isfinite(value);
    if (valid)
        *valid = ok;
    return ok ? value : 0;
}

double nothingToDivideBy(bool* valid)
{
    if (valid)
        *valid = false;
    return 0;
}

}  // namespace

double TempToEmf(int type, double t)
{
    switch (type) {
    case TypeK:
    case TypeMax31855K: return polynomial(kTypeK, t);
    case TypeS:
    case TypeMax31855S: return inRanges(kTypeS, t);
    default: return 0;
    }
}

double EmfToTemp(int type, double emf)
{
    switch (type) {
    case TypeK:
    case TypeMax31855K: return inRanges(kTypeKInverse, emf);
    case TypeS:
    case TypeMax31855S: return inRanges(kTypeSInverse, emf);
    default: return emf;
    }
}

double RawToTemp(const ErrDevice& channel, double raw, double cj, bool* valid)
{
    const int type = channel.Tc_Type;
    const double z = channel.Tc_z, zt = channel.Tc_zt, k = channel.Tc_k, kt = channel.Tc_kt;
    switch (type) {
    case TypeK:
    case TypeS: {
        if (k == z)
            return nothingToDivideBy(valid);
        const double e0 = TempToEmf(type, zt - cj);
        const double e1 = TempToEmf(type, kt - cj);
        const double e = e0 + (e1 - e0) / (k - z) * (raw - z);
        return settle(cj + EmfToTemp(type, e), valid);
    }
    case TypeMax31855K:
    case TypeMax31855S: {
        const double e = (raw / 4 + zt - cj) * converterSlope(type);
        return settle(cj + EmfToTemp(type, e), valid);
    }
    case TypeLinear:
        if (k == z)
            return nothingToDivideBy(valid);
        return settle(cj + (raw - z) * (kt - zt) / (k - z), valid);
    default: return settle(0, valid);
    }
}

double TempToRaw(const ErrDevice& channel, double t, double cj, bool* valid)
{
    const int type = channel.Tc_Type;
    const double z = channel.Tc_z, zt = channel.Tc_zt, k = channel.Tc_k, kt = channel.Tc_kt;
    switch (type) {
    case TypeK:
    case TypeS: {
        const double e0 = TempToEmf(type, zt - cj);
        const double e1 = TempToEmf(type, kt - cj);
        if (e1 == e0)
            return nothingToDivideBy(valid);
        const double e = TempToEmf(type, t - cj);
        return settle(z + (k - z) / (e1 - e0) * (e - e0), valid);
    }
    case TypeMax31855K:
    case TypeMax31855S:
        return settle((cj + TempToEmf(type, t - cj) / converterSlope(type) - zt) * 4, valid);
    case TypeLinear:
        if (kt == zt)
            return nothingToDivideBy(valid);
        return settle(z + (t - cj) * (k - z) / (kt - zt), valid);
    default: return settle(0, valid);
    }
}
