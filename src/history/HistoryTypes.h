#pragma once
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

// One cycle of a firing's curve. Temperatures in the firing's scale; none: no valid reading.
struct CurvePoint {
    double seconds = 0;  // since the firing began
    std::optional<double> kiln;
    std::optional<double> setPoint;
    int power = 0;
    std::optional<double> outside;
    std::vector<std::optional<double>> channels;
};

// What was fired, taken once when the firing begins.
struct FiringFacts {
    QString program;
    QString programLines;  // one line per program row, fields separated by tabs
    QString kilnFile;
    QString modelP, modelI, modelR;
    QString pidP, pidI, pidD;
    bool simulated = false;
    QString controller;
    QString firmware;
    QString unit;
    QStringList channelNames;
};

// How a firing ended; Open while it runs (or was cut off and not yet noticed).
enum class Outcome { Open, Finished, Stopped, BreakDown, Interrupted };
QString outcomeName(Outcome o);
// The key of the outcome's text in the language files.
const char* outcomeTextKey(Outcome o);
Outcome outcomeFromName(const QString& name);

// How a firing went so far; kept up to date every minute so that a crash loses little.
struct FiringFigures {
    QDateTime startWall, startKiln, endWall, endKiln;
    double peak = 0;  // no reading yet: 0
    double seconds = 0;
    double energyKWh = 0;
    double cost = 0;
    double rampDeviation = 0;  // largest |kiln - set point| while the set point moves
    double holdDeviation = 0;  // and while it stands
    QStringList warnings;      // each text once, in the order raised
    std::optional<double> heatingRate;  // degrees per hour at full power in the wear band
};

// One row of the history's list.
struct FiringSummary {
    qint64 id = 0;
    FiringFacts facts;
    FiringFigures figures;
    Outcome outcome = Outcome::Open;
    QString cause;
    QString note;
};
