#include "Pid.h"

#include "Numbers.h"

#include <cmath>

void PidReset(PidState& st)
{
    st.Err = 0;
    st.PrevErr = 0;
    st.Integral = 0;
    st.Output = 0;
    st.Power = 0;
    st.DerivCount = 0;
}

double MovingAverage(PidState& st, double x)
{
    if (st.DerivCount < PidState::kHistory)
        ++st.DerivCount;
    for (int k = st.DerivCount - 1; k > 0; --k)
        st.DerivHistory[std::size_t(k)] = st.DerivHistory[std::size_t(k - 1)];
    st.DerivHistory[0] = x;
    double sum = 0;
    for (int k = 0; k < st.DerivCount; ++k)
        sum += st.DerivHistory[std::size_t(k)];
    return sum / st.DerivCount;
}

namespace {
double correction(int corr, double tin)
{
    const double base = (tin + 4000) / 4000;
    switch (corr) {
    case 1: return std::pow(base, 4);
    case 2: return std::pow(base, 8);
    default: return 1;
    }
}
}  // namespace

void PidStep(int corr, PidState& st, double tin, double target, double p, double i, double d, double dt)
{
    st.PrevErr = st.Err;
    st.Err = target - tin;
    st.Integral = st.Integral + st.Err * dt;
    const double slope = (st.Err - st.PrevErr) / dt;
    st.Derivative = MovingAverage(st, slope);
    st.Output = p * st.Err + i * st.Integral + d * st.Derivative;
    double r = st.Output * correction(corr, tin);
    if (!(r > 0))  // also catches NaN
        r = 0;
    else if (r >= 100)
        r = 100;
    st.Power = Numbers::roundHalfEven(r);
}
