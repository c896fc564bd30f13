#pragma once
#include <optional>
#include <vector>

// Worn heating elements heat the kiln more slowly at full power. A kiln's last three firings
// are compared with its first five: heating 15 % or more slower says the elements may be
// wearing.
struct ElementWear {
    static constexpr int kFirst = 5;
    static constexpr int kLast = 3;
    static constexpr double kSlower = 0.15;

    double firstRate = 0;  // mean of the first five, degrees per hour
    double lastRate = 0;   // mean of the last three
    bool wearing = false;

    // `rates` oldest first; none until the kiln has eight measured firings.
    static std::optional<ElementWear> of(const std::vector<double>& rates);
};
