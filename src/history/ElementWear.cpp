#include "ElementWear.h"

#include <numeric>

std::optional<ElementWear> ElementWear::of(const std::vector<double>& rates)
{
    if (rates.size() < std::size_t(kFirst + kLast))
        return std::nullopt;
    ElementWear w;
    w.firstRate = std::accumulate(rates.begin(), rates.begin() + kFirst, 0.0) / kFirst;
    w.lastRate = std::accumulate(rates.end() - kLast, rates.end(), 0.0) / kLast;
    w.wearing = w.firstRate > 0 && w.lastRate <= w.firstRate * (1 - kSlower);
    return w;
}
