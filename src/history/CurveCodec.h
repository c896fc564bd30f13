#pragma once
#include "HistoryTypes.h"

#include <QByteArray>
#include <vector>

// A batch of curve points packed small: times in tenths of a second and temperatures in
// tenths of a degree, column by column, each value as its difference from the one before
// (the curve changes slowly, so the differences are mostly tiny), then compressed.
namespace CurveCodec {

QByteArray pack(const std::vector<CurvePoint>& points);
// Throws std::runtime_error on a blob that is not one of ours.
std::vector<CurvePoint> unpack(const QByteArray& blob);

}  // namespace CurveCodec
