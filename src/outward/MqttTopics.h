#pragma once
#include <QByteArray>
#include <QString>
#include <vector>

// The kiln's topics: fornaxel/<kiln>/state, event, availability and command, where <kiln> is
// the kiln's name made safe for a topic level.
struct MqttTopics {
    QString level;  // KilnName::topicLevel of the kiln's name

    static MqttTopics forKiln(const QString& kilnName);
    QString base() const { return "fornaxel/" + level; }
    QString state() const { return base() + "/state"; }
    QString event() const { return base() + "/event"; }
    QString availability() const { return base() + "/availability"; }
    QString command() const { return base() + "/command"; }

    static inline const QByteArray kOnline = "online";
    static inline const QByteArray kOffline = "offline";
};

// Home Assistant's discovery: one retained config per sensor under
// <prefix>/<component>/fornaxel_<kiln>/<object>/config, all of one device per kiln, each
// reading its value out of the state topic's JSON.
namespace HomeAssistantDiscovery {

struct Config {
    QString topic;
    QByteArray payload;
};

// `unit` is the window's temperature scale; Home Assistant knows °C, °F and K as temperatures.
std::vector<Config> configs(const QString& prefix, const QString& kilnName, const QString& unit,
                            const QString& swVersion);
// The config topics `configs` publishes to, for clearing them when the kiln or prefix changes.
std::vector<QString> topics(const QString& prefix, const QString& kilnName);
// Home Assistant says "online" here when it starts: the configs are sent again.
inline QString statusTopic(const QString& prefix) { return prefix + "/status"; }

}  // namespace HomeAssistantDiscovery
