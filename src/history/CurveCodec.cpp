#include "CurveCodec.h"

#include <QDataStream>
#include <QIODevice>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <stdexcept>

namespace {

constexpr quint8 kFormat = 1;
constexpr qint16 kNone = std::numeric_limits<qint16>::min();

quint16 tenths(const std::optional<double>& v)
{
    if (!v || !std::isfinite(*v))
        return quint16(kNone);
    const double t = std::nearbyint(*v * 10);
    return quint16(qint16(std::clamp(t, double(kNone + 1), double(std::numeric_limits<qint16>::max()))));
}

std::optional<double> fromTenths(quint16 raw)
{
    const auto v = qint16(raw);
    if (v == kNone)
        return std::nullopt;
    return v / 10.0;
}

// Differences wrap around, so every value (the "none" mark too) comes back exactly.
template <typename T, typename Get>
void writeColumn(QDataStream& out, std::size_t n, Get get)
{
    T previous = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const T v = get(i);
        out << T(v - previous);
        previous = v;
    }
}

template <typename T, typename Put>
void readColumn(QDataStream& in, std::size_t n, Put put)
{
    T previous = 0;
    for (std::size_t i = 0; i < n; ++i) {
        T d = 0;
        in >> d;
        previous = T(previous + d);
        put(i, previous);
    }
}

}  // namespace

QByteArray CurveCodec::pack(const std::vector<CurvePoint>& points)
{
    QByteArray raw;
    QDataStream out(&raw, QIODevice::WriteOnly);
    std::size_t channels = 0;
    for (const CurvePoint& p : points)
        channels = std::max(channels, p.channels.size());
    const std::size_t n = points.size();
    out << kFormat << quint32(n) << quint8(channels);
    writeColumn<quint32>(out, n, [&](std::size_t i) {
        return quint32(std::llround(std::max(0.0, points[i].seconds) * 10));
    });
    writeColumn<quint16>(out, n, [&](std::size_t i) { return tenths(points[i].kiln); });
    writeColumn<quint16>(out, n, [&](std::size_t i) { return tenths(points[i].setPoint); });
    writeColumn<quint8>(out, n, [&](std::size_t i) { return quint8(std::clamp(points[i].power, 0, 255)); });
    writeColumn<quint16>(out, n, [&](std::size_t i) { return tenths(points[i].outside); });
    for (std::size_t c = 0; c < channels; ++c)
        writeColumn<quint16>(out, n, [&](std::size_t i) {
            return tenths(c < points[i].channels.size() ? points[i].channels[c] : std::nullopt);
        });
    return qCompress(raw, 6);
}

std::vector<CurvePoint> CurveCodec::unpack(const QByteArray& blob)
{
    const QByteArray raw = qUncompress(blob);
    QDataStream in(raw);
    quint8 format = 0, channels = 0;
    quint32 count = 0;
    in >> format >> count >> channels;
    const qint64 need = 6 + qint64(count) * (4 + 2 + 2 + 1 + 2 + 2 * qint64(channels));
    if (in.status() != QDataStream::Ok || format != kFormat || raw.size() != need)
        throw std::runtime_error("a stored curve batch is damaged (" + QByteArray::number(blob.size()).toStdString() + " bytes)");
    std::vector<CurvePoint> points(count);
    for (CurvePoint& p : points)
        p.channels.resize(channels);
    readColumn<quint32>(in, count, [&](std::size_t i, quint32 v) { points[i].seconds = v / 10.0; });
    readColumn<quint16>(in, count, [&](std::size_t i, quint16 v) { points[i].kiln = fromTenths(v); });
    readColumn<quint16>(in, count, [&](std::size_t i, quint16 v) { points[i].setPoint = fromTenths(v); });
    readColumn<quint8>(in, count, [&](std::size_t i, quint8 v) { points[i].power = v; });
    readColumn<quint16>(in, count, [&](std::size_t i, quint16 v) { points[i].outside = fromTenths(v); });
    for (std::size_t c = 0; c < channels; ++c)
        readColumn<quint16>(in, count, [&](std::size_t i, quint16 v) { points[i].channels[c] = fromTenths(v); });
    return points;
}
