#include "MqttTopics.h"

#include "KilnName.h"
#include "StateJson.h"

#include <QJsonArray>
#include <QJsonObject>

MqttTopics MqttTopics::forKiln(const QString& kilnName) { return MqttTopics{KilnName::topicLevel(kilnName)}; }

namespace {

enum class Kind { Temperature, Percent, Text, Count, Timestamp, Energy, Money, Running, Problem };

struct Entity {
    const char* object;  // also the end of its unique id
    const char* name;
    const char* field;  // in the state JSON
    Kind kind;
};

// What Home Assistant shows of a kiln.
const Entity kEntities[] = {
    {"temperature", "Temperature", "kiln_temp", Kind::Temperature},
    {"set_point", "Set point", "set_point", Kind::Temperature},
    {"power", "Power", "power", Kind::Percent},
    {"state", "State", "state", Kind::Text},
    {"line", "Program line", "line", Kind::Count},
    {"end_time", "End of firing", "end_time", Kind::Timestamp},
    {"energy", "Energy", "energy_kwh", Kind::Energy},
    {"cost", "Cost", "cost", Kind::Money},
    {"firing", "Firing", "firing", Kind::Running},
    {"problem", "Problem", "problem", Kind::Problem},
};

bool binary(Kind k) { return k == Kind::Running || k == Kind::Problem; }

QString component(const Entity& e) { return binary(e.kind) ? "binary_sensor" : "sensor"; }

QString nodeId(const QString& kilnName) { return "fornaxel_" + KilnName::topicLevel(kilnName); }

QString configTopic(const QString& prefix, const QString& kilnName, const Entity& e)
{
    return prefix + "/" + component(e) + "/" + nodeId(kilnName) + "/" + e.object + "/config";
}

bool knownTemperatureUnit(const QString& unit)
{
    return unit == QString::fromUtf8("°C") || unit == QString::fromUtf8("°F") || unit == "K";
}

// The unit, device class and state class of each kind of value.
void describe(QJsonObject& c, Kind kind, const QString& unit)
{
    switch (kind) {
    case Kind::Temperature:
        c["unit_of_measurement"] = unit;
        if (knownTemperatureUnit(unit))
            c["device_class"] = "temperature";
        c["state_class"] = "measurement";
        break;
    case Kind::Percent:
        c["unit_of_measurement"] = "%";
        c["state_class"] = "measurement";
        break;
    case Kind::Energy:
        c["unit_of_measurement"] = "kWh";
        c["device_class"] = "energy";
        c["state_class"] = "total_increasing";  // starts again with every firing
        break;
    case Kind::Timestamp:
        c["device_class"] = "timestamp";
        break;
    case Kind::Running:
        c["device_class"] = "running";
        break;
    case Kind::Problem:
        c["device_class"] = "problem";
        break;
    case Kind::Text:
    case Kind::Count:
    case Kind::Money:
        break;
    }
}

QString valueTemplate(const Entity& e)
{
    const QString field = QString::fromLatin1(e.field);
    if (binary(e.kind))
        return "{{ 'ON' if value_json." + field + " else 'OFF' }}";
    return "{{ value_json." + field + " }}";
}

}  // namespace

namespace HomeAssistantDiscovery {

std::vector<Config> configs(const QString& prefix, const QString& kilnName, const QString& unit,
                            const QString& swVersion)
{
    const MqttTopics topics = MqttTopics::forKiln(kilnName);
    const QJsonObject device{{"identifiers", QJsonArray{nodeId(kilnName)}},
                             {"name", kilnName},
                             {"manufacturer", "Fornaxel"},
                             {"model", "Fornaxel"},
                             {"sw_version", swVersion}};
    std::vector<Config> out;
    for (const Entity& e : kEntities) {
        QJsonObject c{{"name", QString::fromLatin1(e.name)},
                      {"unique_id", nodeId(kilnName) + "_" + e.object},
                      {"object_id", nodeId(kilnName) + "_" + e.object},
                      {"state_topic", topics.state()},
                      {"value_template", valueTemplate(e)},
                      {"availability_topic", topics.availability()},
                      {"device", device}};
        describe(c, e.kind, unit);
        out.push_back({configTopic(prefix, kilnName, e), StateJson::compact(c)});
    }
    return out;
}

std::vector<QString> topics(const QString& prefix, const QString& kilnName)
{
    std::vector<QString> out;
    for (const Entity& e : kEntities)
        out.push_back(configTopic(prefix, kilnName, e));
    return out;
}

}  // namespace HomeAssistantDiscovery
