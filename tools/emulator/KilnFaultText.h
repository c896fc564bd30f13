#pragma once
#include "EmulatedKiln.h"

#include <QString>

namespace KilnFaultText {

// The console's line for the kiln's faults: "elements give 100 % of their power  lid closed".
inline QString Line(const KilnFaults& f)
{
    return "elements give " + QString::number(100 - f.elementLossPercent, 'g', 15) + " % of their power  lid " +
           (f.lidOpen ? "open" : "closed");
}

}  // namespace KilnFaultText
