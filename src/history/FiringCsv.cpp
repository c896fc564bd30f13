#include "FiringCsv.h"

namespace {

QByteArray number(const std::optional<double>& v) { return v ? QByteArray::number(*v, 'f', 1) : QByteArray(); }

// A name with the separator or a quote in it is quoted.
QByteArray cell(const QString& s)
{
    QByteArray b = s.toUtf8();
    if (b.contains(',') || b.contains('"') || b.contains('\n'))
        b = '"' + b.replace("\"", "\"\"") + '"';
    return b;
}

}  // namespace

QByteArray FiringCsv::text(const FiringSummary& firing, const std::vector<CurvePoint>& curve)
{
    const QString unit = firing.facts.unit;
    QList<QByteArray> header = {"seconds", cell("kiln " + unit), cell("set point " + unit), "power %",
                                cell("outside " + unit)};
    for (const QString& name : firing.facts.channelNames)
        header << cell("channel " + name + " " + unit);
    QByteArray out = header.join(',') + "\r\n";
    for (const CurvePoint& p : curve) {
        QList<QByteArray> row = {QByteArray::number(p.seconds, 'f', 1), number(p.kiln), number(p.setPoint),
                                 QByteArray::number(p.power), number(p.outside)};
        for (qsizetype c = 0; c < firing.facts.channelNames.size(); ++c)
            row << (std::size_t(c) < p.channels.size() ? number(p.channels[std::size_t(c)]) : QByteArray());
        out += row.join(',') + "\r\n";
    }
    return out;
}
