#include "StateJson.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <cmath>

namespace {

// Temperatures and money to two decimals, so that the JSON is not full of binary noise.
QJsonValue number(std::optional<double> v)
{
    if (!v || !std::isfinite(*v))
        return QJsonValue::Null;
    return std::nearbyint(*v * 100) / 100;
}

QJsonArray channels(const CycleReport& r)
{
    QJsonArray out;
    for (const ChannelReport& c : r.channels)
        out.append(QJsonObject{{"channel", c.channel}, {"name", c.name}, {"temp", number(c.temp)}});
    return out;
}

QJsonArray warnings(const CycleReport& r)
{
    QJsonArray out;
    for (const WarningReport& w : r.warnings)
        out.append(QJsonObject{{"key", w.key}, {"text", w.text}});
    return out;
}

}  // namespace

namespace StateJson {

QJsonValue time(const QDateTime& t)
{
    if (!t.isValid())
        return QJsonValue::Null;
    return t.toOffsetFromUtc(t.offsetFromUtc()).toString(Qt::ISODate);
}

QJsonObject state(const CycleReport& r, const QString& kilnName)
{
    return QJsonObject{
        {"kiln", kilnName},
        {"time", time(r.time)},
        {"data", r.data},
        {"state", r.stateKey},
        {"state_text", r.stateText},
        {"firing", r.firing()},
        {"problem", r.problem()},
        {"line", r.line},
        {"line_count", r.lineCount},
        {"unit", r.unit},
        {"kiln_temp", number(r.kilnTemp)},
        {"channels", channels(r)},
        {"set_point", number(r.setPoint)},
        {"power", r.power},
        {"output_a", r.outputA},
        {"output_b", r.outputB},
        {"outside_temp", number(r.outsideTemp)},
        {"energy_kwh", number(r.energyKWh)},
        {"cost", number(r.cost)},
        {"end_time", r.endTime ? time(*r.endTime) : QJsonValue(QJsonValue::Null)},
        {"minutes_left", r.minutesLeft ? QJsonValue(std::nearbyint(*r.minutesLeft)) : QJsonValue(QJsonValue::Null)},
        {"warnings", warnings(r)},
        {"controller", r.controller},
        {"simulated", r.simulated},
        {"record_start", time(r.recordStart)},
        {"record_seconds", r.recordSeconds ? QJsonValue(std::nearbyint(*r.recordSeconds)) : QJsonValue(QJsonValue::Null)},
    };
}

QJsonObject event(const EventEntry& e)
{
    return QJsonObject{{"time", time(e.time)}, {"key", e.key}, {"text", e.text}};
}

QByteArray compact(const QJsonObject& object) { return QJsonDocument(object).toJson(QJsonDocument::Compact); }

}  // namespace StateJson
