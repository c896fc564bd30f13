#include "ConeProgram.h"

#include <algorithm>
#include <cmath>

ConeProgram::Rates ConeProgram::RatesOf(ConeSpeed speed)
{
    switch (speed) {
    case ConeSpeed::Slow:
        return {50, 100, Cone::kSlowRate};
    case ConeSpeed::Medium:
        break;
    case ConeSpeed::Fast:
        return {150, 250, Cone::kFastRate};
    }
    return {100, 150, Cone::kFastRate};
}

int ConeProgram::RampMinutes(double from, double to, int ratePerHour)
{
    // A hair of tolerance, so that 100 °C at 150 °C/h stays 40 minutes.
    const double minutes = std::abs(to - from) * 60 / ratePerHour;
    return std::max(1, int(std::ceil(minutes - 1e-9)));
}

std::vector<ProgramStep> ConeProgram::Lines() const
{
    const Rates rates = RatesOf(choice_.speed);
    const double end = EndTemp();
    const double finalStart = end - kFinalRange;
    std::vector<ProgramStep> lines;
    double from = kRoomTemp;
    // A line of 0 minutes would end the preview there, so every line keeps some time.
    const auto rampTo = [&](double to, int rate) {
        if (to <= from)
            return;
        lines.push_back({to, RampMinutes(from, to, rate)});
        from = to;
    };
    const auto hold = [&](int minutes) {
        if (minutes > 0)
            lines.push_back({from, minutes});
    };

    if (choice_.candling) {
        rampTo(choice_.candlingTemp, rates.low);
        hold(choice_.candlingMinutes);
    }
    rampTo(std::min<double>(kLowRangeTop, finalStart), rates.low);
    rampTo(finalStart, rates.high);
    rampTo(end, rates.final);
    hold(choice_.holdMinutes);
    lines.push_back({0, 0});
    return lines;
}

QString ConeProgram::SpeedName(ConeSpeed speed, const MessageSource& texts)
{
    switch (speed) {
    case ConeSpeed::Slow:
        return texts.LS("ConeSpeedSlow");
    case ConeSpeed::Medium:
        break;
    case ConeSpeed::Fast:
        return texts.LS("ConeSpeedFast");
    }
    return texts.LS("ConeSpeedMedium");
}

QString ConeProgram::Title(const MessageSource& texts) const
{
    return texts.LS("ConeProgramTitle") + choice_.cone.name + ", " + SpeedName(choice_.speed, texts);
}
