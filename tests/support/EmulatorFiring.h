#pragma once
// A program fired against an emulator kiln on simulated time: 2-s control cycles, the reading
// the controller gives (the emulator's counts with their noise and quantisation, converted back
// with the factory calibration), the PID step the live regulator takes, the executor's rules for
// moving on to the next line.
#include "CountsScale.h"
#include "EmulatedKiln.h"
#include "KilnFit.h"
#include "Numbers.h"
#include "Pid.h"
#include "PlanRunner.h"
#include "ProgramPlan.h"
#include "RegulatorTuner.h"
#include "Thermocouple.h"
#include "TrackingMeter.h"

#include <QFile>
#include <QMap>
#include <QString>
#include <QStringList>
#include <functional>
#include <random>
#include <stdexcept>
#include <vector>

struct FiredCycle {
    double seconds = 0;
    double setPoint = 0;
    double kiln = 0;  // the reading
    int power = 0;
    double outside = 25;
    bool ramp = false;
    int line = 0;  // 0 once the program has ended
};

struct FiringOptions {
    double coolMinutes = 0;  // cycles recorded after the program ends, power 0
    unsigned seed = 1;       // the reading noise
    std::function<void(const FiredCycle&, EmulatedKiln&)> eachCycle;  // faults, checks
};

namespace emulator_firing {

constexpr double kCycleSeconds = 2;

// Channel 1 with the factory calibration the shipped oven file holds.
inline ErrDevice FactoryChannel()
{
    ErrDevice d;
    d.Tc_Type = TypeK;
    d.Tc_z = CountsScale::kZeroCounts;
    d.Tc_k = CountsScale::kGainCounts;
    d.Tc_zt = CountsScale::kZeroTemp;
    d.Tc_kt = CountsScale::kGainTemp;
    return d;
}

// The reading of thermocouple 1 as the program gets it: ten noisy whole-count readings summed
// by the controller, averaged and converted with the factory calibration against the cold
// junction the controller reports in sixteenths of a degree.
class ReadingChannel {
public:
    explicit ReadingChannel(unsigned seed) : random_(seed), channel_(FactoryChannel()) {}

    double outside(const EmulatedKiln& kiln) const
    {
        return Numbers::roundHalfEven(kiln.ambient() * 16) / 16.0;
    }
    double read(const EmulatedKiln& kiln)
    {
        const double cj = outside(kiln);
        const double counts = CountsScale::Counts(kiln.channelTemp(1), kiln.ambient());
        std::uniform_int_distribution<int> noise(0, 1000);
        int sum = 0;
        for (int k = 0; k < CountsScale::kReadingsPerSum; ++k)
            sum += Numbers::roundHalfEven(counts + noise(random_) / 1000.0 - 0.5);
        return RawToTemp(channel_, double(sum) / CountsScale::kReadingsPerSum, cj);
    }

private:
    std::mt19937 random_;
    ErrDevice channel_;
};

}  // namespace emulator_firing

inline std::vector<FiredCycle> FireAgainst(EmulatedKiln& kiln, const ProgramPlan& plan, const PidFactors& pid,
                                           const FiringOptions& o = {})
{
    using namespace emulator_firing;
    ReadingChannel channel(o.seed);
    PidState st;
    PidReset(st);
    std::vector<FiredCycle> cycles;
    double reading = channel.read(kiln);
    PlanRunner runner(plan, reading);
    const double realStep = kCycleSeconds / kiln.speed();
    double coolLeft = o.coolMinutes * 60;
    for (long long n = 1; runner.active() || coolLeft > 0; ++n) {
        FiredCycle c;
        c.seconds = double(n) * kCycleSeconds;
        c.outside = channel.outside(kiln);
        reading = channel.read(kiln);
        c.kiln = reading;
        if (runner.active()) {
            runner.step(kCycleSeconds, reading);
        } else {
            coolLeft -= kCycleSeconds;
        }
        if (runner.active()) {
            PidStep(pid.corr, st, reading, runner.setPoint(), pid.p, pid.i, pid.d, kCycleSeconds);
            c.power = st.Power;
            c.line = runner.line();
        }
        c.setPoint = runner.setPoint();
        c.ramp = runner.ramp();
        if (o.eachCycle)
            o.eachCycle(c, kiln);
        cycles.push_back(c);
        kiln.advance(realStep, c.power);
    }
    return cycles;
}

inline std::vector<FitSample> AsFitSamples(const std::vector<FiredCycle>& cycles)
{
    std::vector<FitSample> samples;
    samples.reserve(cycles.size());
    for (const FiredCycle& c : cycles)
        samples.push_back({c.seconds, c.kiln, double(c.power), c.outside});
    return samples;
}

// Same definitions as TrackOnModel, over the cycles of the program itself.
inline TrackingFigures FiguresOf(const std::vector<FiredCycle>& cycles)
{
    TrackingMeter meter;
    for (const FiredCycle& c : cycles)
        if (c.line > 0)
            meter.add(c.setPoint, c.kiln, c.power, c.ramp);
    return meter.figures();
}

// "Prog1", "Glaze1050", "Decal780", "ThickBisque" from data/Prog, from 25 °C.
inline ProgramPlan ShippedProgram(const QString& name)
{
    QFile file(QStringLiteral(FORNAXEL_DATA_DIR "/Prog/") + name + ".prg");
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error("no shipped program " + name.toStdString());
    std::vector<PlanLine> lines;
    QMap<int, double> temps;
    QMap<int, int> minutes;
    for (const QByteArray& raw : file.readAll().split('\n')) {
        const QString line = QString::fromLatin1(raw).trimmed();
        const qsizetype eq = line.indexOf('=');
        if (eq < 0)
            continue;
        const QString key = line.left(eq);
        const QString value = line.mid(eq + 1);
        if (key.startsWith("Temp"))
            temps[key.mid(4).toInt()] = value.toDouble();  // QString::toDouble ignores the locale
        else if (key.startsWith("Time"))
            minutes[key.mid(4).toInt()] = value.toInt();
    }
    for (int n = 1; temps.value(n, 0) != 0; ++n)
        lines.push_back({temps.value(n), minutes.value(n)});
    return ProgramPlan(std::move(lines), 25);
}
