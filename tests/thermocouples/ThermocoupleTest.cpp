#include "Thermocouple.h"

#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <limits>

namespace {

// The NIST reference function: for type K with the exponential term added back that the
// polynomial here leaves out (0.109 mV at 100 °C, 0.063 mV at 200 °C, under 1 µV from 350 °C).
double referenceEmf(int type, double t)
{
    const double missing = 0.1185976 * std::exp(-1.183432E-04 * std::pow(t - 126.9686, 2));
    return TempToEmf(type, t) + (type == TypeK ? missing : 0);
}

ErrDevice channel(int type, double z, double zt, double k, double kt)
{
    return {.Tc_Name = {}, .Tc_Type = type, .Tc_z = z, .Tc_zt = zt, .Tc_k = k, .Tc_kt = kt};
}

}  // namespace

TEST(VoltageFunctions, MatchTheNistTables)
{
    // NIST ITS-90 table entries, in mV to 1 µV. Forward: within 1 µV, the table's rounding
    // plus, for type K, up to 0.3 µV from the coefficients as held here; the missing
    // exponential term is added back. Type K's polynomial is the 0..1372 °C one, so the
    // negative entries check only the inverse. Inverse: NIST's stated error of the inverse
    // function for the range, plus half a table digit over the local slope.
    struct Entry { int type; double t, mv, inverseTolerance; };
    const Entry entries[] = {
        {TypeK, -200, -5.891, 0.075}, {TypeK, -130, -4.411, 0.06}, {TypeK, 100, 4.096, 0.065},
        {TypeK, 350, 14.293, 0.065},  {TypeK, 500, 20.644, 0.065}, {TypeK, 1000, 41.276, 0.075},
        {TypeS, 100, 0.646, 0.09},    {TypeS, 350, 2.786, 0.065},  {TypeS, 1000, 9.587, 0.055},
        {TypeS, 1500, 15.582, 0.045},
    };
    for (const Entry& e : entries) {
        SCOPED_TRACE(testing::Message() << "type " << e.type << " at " << e.t << " °C");
        if (e.t >= 0) {
            EXPECT_NEAR(referenceEmf(e.type, e.t), e.mv, 1e-3);
        }
        EXPECT_NEAR(EmfToTemp(e.type, e.mv), e.t, e.inverseTolerance);
        // The converter types share the voltage functions of their thermocouples.
        const int converter = e.type == TypeK ? TypeMax31855K : TypeMax31855S;
        EXPECT_EQ(TempToEmf(converter, e.t), TempToEmf(e.type, e.t));
        EXPECT_EQ(EmfToTemp(converter, e.mv), EmfToTemp(e.type, e.mv));
    }
}

TEST(VoltageFunctions, InverseStaysWithinItsStatedErrorOverTheWholeRange)
{
    // Type S against its own reference function; NIST's stated errors by voltage range.
    for (double t = -50; t <= 1768.1; t += 0.1) {
        const double e = TempToEmf(TypeS, t);
        const double tolerance = e < 1.874 ? 0.02 : e < 10.332 ? 0.01 : e < 17.536 ? 2E-4 : 2E-3;
        ASSERT_NEAR(EmfToTemp(TypeS, e), t, tolerance) << t << " °C";
    }
    // Type K against the full reference function: NIST's -0.05..0.04 °C below 20.644 mV and
    // -0.05..0.06 °C above, plus up to 0.01 °C from the coefficient digits held here.
    for (double t = 0; t <= 1372; t += 0.1) {
        const double e = referenceEmf(TypeK, t);
        ASSERT_NEAR(EmfToTemp(TypeK, e), t, e < 20.644 ? 0.05 : 0.07) << t << " °C";
    }
}

TEST(VoltageFunctions, RangeBoundariesBelongToTheUpperRange)
{
    // Each inverse polynomial pair differs a little at its switch: the value at the switch is
    // the upper one's, the value just below it the lower one's.
    struct Switch { int type; double mv, upper, lower; };
    const Switch switches[] = {
        {TypeK, 20.644, 499.94737, 499.98049}, {TypeS, 1.874, 250.05449, 250.05637},
        {TypeS, 10.332, 1063.99239, 1063.98953}, {TypeS, 17.536, 1664.50479, 1664.50349}};
    for (const Switch& s : switches) {
        SCOPED_TRACE(testing::Message() << "type " << s.type << " at " << s.mv << " mV");
        EXPECT_NEAR(EmfToTemp(s.type, s.mv), s.upper, 1E-4);
        EXPECT_NEAR(EmfToTemp(s.type, std::nextafter(s.mv, 0.0)), s.lower, 1E-4);
    }
    // The outer type S polynomials carry on beyond the standard's ends.
    EXPECT_NEAR(TempToEmf(TypeS, 2000), 20.0393, 1E-4);
    EXPECT_NEAR(TempToEmf(TypeS, -100), -0.38755, 1E-5);
}

TEST(Thermocouple, UnconvertedTypesGiveZero)
{
    for (int type : std::initializer_list<int>{TypeR, TypeB, 7, -1}) {
        const ErrDevice c = channel(type, 85, 25, 500, 900);
        bool fromRaw = false, toRaw = false;
        EXPECT_EQ(RawToTemp(c, 300, 20, &fromRaw), 0) << type;
        EXPECT_EQ(TempToRaw(c, 300, 20, &toRaw), 0) << type;
        EXPECT_TRUE(fromRaw && toRaw) << type;
        EXPECT_EQ(TempToEmf(type, 800), 0) << type;
        EXPECT_EQ(EmfToTemp(type, 12.5), 12.5) << type;
    }
}

TEST(Thermocouple, WorkedExamples)
{
    // Type K's polynomial leaves out the exponential term, so its inverse is off near 100 °C.
    EXPECT_DOUBLE_EQ(TempToEmf(TypeK, 0), -0.01760041369);
    EXPECT_NEAR(EmfToTemp(TypeK, TempToEmf(TypeK, 100)), 97.34, 0.01);
    EXPECT_NEAR(EmfToTemp(TypeK, TempToEmf(TypeK, 1000)), 999.98, 0.005);

    bool fromRaw = false, toRaw = false, converter = false;
    const ErrDevice linear = channel(TypeLinear, 85, 25, 500, 900);
    EXPECT_DOUBLE_EQ(RawToTemp(linear, 500, 20, &fromRaw), 895);
    EXPECT_DOUBLE_EQ(TempToRaw(linear, 895, 20, &toRaw), 500);
    EXPECT_DOUBLE_EQ(RawToTemp(linear, 85, 20), 20);
    // The converter read 1000 °C from 980 °C above its 20 °C cold junction at its own slope.
    const ErrDevice max31855 = channel(TypeMax31855K, 0, 0, 0, 0);
    EXPECT_NEAR(RawToTemp(max31855, 4000, 20, &converter), 998.87, 0.01);
    EXPECT_TRUE(fromRaw && toRaw && converter);

    // A two-point calibration gives back its own points, up to the inverse functions' error.
    for (int type : {TypeK, TypeS}) {
        const ErrDevice c = channel(type, 1200, 520, 30100, 1250);
        EXPECT_NEAR(RawToTemp(c, 1200, 20), 520, 0.07) << type;
        EXPECT_NEAR(RawToTemp(c, 30100, 20), 1250, 0.07) << type;
    }
}

TEST(RawToTemp, TakesBackWhatTempToRawGave)
{
    // The calibration itself inverts exactly; what is left is the voltage functions' own
    // inverse error, which is measured above.
    const ErrDevice channels[] = {
        channel(TypeK, 1200, 520, 30100, 1250), channel(TypeS, 310, 300, 9800, 1300),
        channel(TypeMax31855K, 0, -3.5, 0, 0), channel(TypeMax31855S, 0, 2, 0, 0),
        channel(TypeLinear, 85, 25, 500, 900)};
    for (const ErrDevice& c : channels)
        for (double cj : {0.0, 23.5})
            for (double t : {40.0, 300.0, 800.0, 1250.0}) {
                const int type = c.Tc_Type;
                SCOPED_TRACE(testing::Message() << type << ", cj " << cj << ", " << t << " °C");
                bool there = false, back = false;
                const double raw = TempToRaw(c, t, cj, &there);
                const double expected =
                    type == TypeLinear ? t : cj + EmfToTemp(type, TempToEmf(type, t - cj));
                EXPECT_NEAR(RawToTemp(c, raw, cj, &back), expected, 1E-9 * t);
                EXPECT_TRUE(there && back);
            }
}

TEST(RawToTemp, NothingToDivideByOrNoNumberGivesZeroAndClearsValid)
{
    auto expectRefused = [](auto convert) {
        bool valid = true;
        EXPECT_EQ(convert(&valid), 0);
        EXPECT_FALSE(valid);
        EXPECT_EQ(convert(nullptr), 0);
    };
    for (int type : std::initializer_list<int>{TypeK, TypeS, TypeLinear}) {
        SCOPED_TRACE(type);
        const ErrDevice equalReadings = channel(type, 400, 25, 400, 900);
        const ErrDevice equalTemperatures = channel(type, 85, 600, 500, 600);
        expectRefused([&](bool* v) { return RawToTemp(equalReadings, 500, 20, v); });
        expectRefused([&](bool* v) { return TempToRaw(equalTemperatures, 700, 20, v); });
    }
    const double inf = std::numeric_limits<double>::infinity();
    const ErrDevice linear = channel(TypeLinear, 85, 25, 500, 900);
    const ErrDevice typeK = channel(TypeK, 85, 25, 500, 900);
    const ErrDevice converterK = channel(TypeMax31855K, 0, 0, 0, 0);
    const ErrDevice converterS = channel(TypeMax31855S, 0, 0, 0, 0);
    expectRefused([&](bool* v) { return RawToTemp(linear, std::nan(""), 20, v); });
    expectRefused([&](bool* v) { return RawToTemp(converterK, inf, 20, v); });
    expectRefused([&](bool* v) { return TempToRaw(converterS, inf, 20, v); });
    expectRefused([&](bool* v) { return TempToRaw(typeK, 1E200, 20, v); });  // overflows
}
