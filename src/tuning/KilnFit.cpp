#include "KilnFit.h"

FitResult FitKiln(const std::vector<FitSample>& samples, const ModelFactors& start)
{
    FitResult r;
    r.before = start;
    r.after = start;
    r.fitted.assign(samples.size(), 0);
    return r;
}

std::vector<double> PredictKiln(const std::vector<FitSample>& samples, const ModelFactors&, double)
{
    return std::vector<double>(samples.size(), 0);
}

FitError CompareToRecord(const std::vector<FitSample>&, const std::vector<double>&) { return {}; }
