#pragma once
#include "EmulatedKiln.h"

#include <algorithm>

// Where the eight thermocouples sit: five in the chamber, three near the elements. Every
// kiln places them alike, so the program sees the same channels whichever kiln runs.
namespace ChannelPlacements {

enum class Node { Heater, Chamber };

struct Placement {
    Node node;
    double offset;  // °C: thermocouples never agree exactly
};

inline constexpr Placement kPlacements[EmulatedKiln::kChannels] = {
    {Node::Chamber, 0},  {Node::Chamber, -3}, {Node::Chamber, 2}, {Node::Chamber, 5},
    {Node::Chamber, -1}, {Node::Heater, 3},   {Node::Heater, 1},  {Node::Heater, -2},
};

inline const Placement& Of(int channel) { return kPlacements[std::clamp(channel, 1, EmulatedKiln::kChannels) - 1]; }

// The reading of a channel with the given temperatures at its two places.
inline double Reading(int channel, double heater, double chamber)
{
    const Placement& at = Of(channel);
    return (at.node == Node::Heater ? heater : chamber) + at.offset;
}

}  // namespace ChannelPlacements
