#pragma once
#include "HistoryTypes.h"

#include <QByteArray>

// A firing's curve as CSV: a header row naming the columns, then a row per cycle. Numbers
// with a point whatever the locale; an empty cell where there was no reading.
namespace FiringCsv {

QByteArray text(const FiringSummary& firing, const std::vector<CurvePoint>& curve);

}  // namespace FiringCsv
