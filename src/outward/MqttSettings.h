#pragma once
#include <QString>

class IniFile;

// How the program reports to an MQTT broker, kept in term.ini's [MQTT] section (the kiln's name
// in its own place, see KilnName). Off until the operator switches it on; a value that is not
// usable reads as its default.
struct MqttSettings {
    static inline const QString kSection = "MQTT";
    static constexpr int kPlainPort = 1883;
    static constexpr int kTlsPort = 8883;
    static inline const QString kDefaultHost = "localhost";
    static inline const QString kDefaultPrefix = "homeassistant";

    bool enabled = false;
    QString host = kDefaultHost;
    int port = kPlainPort;
    bool tls = false;
    QString caFile;  // empty: the system's certificate authorities
    QString user;    // empty: no login
    QString password;
    QString kilnName = "Kiln";
    QString discoveryPrefix = kDefaultPrefix;
    bool allowStop = false;

    static int defaultPort(bool tls) { return tls ? kTlsPort : kPlainPort; }
    // A port number as typed; 0 when it is none (not a whole number in 1..65535).
    static int portFrom(const QString& text);
    // A topic prefix as typed, without surrounding "/"; empty when MQTT would refuse it.
    static QString prefixFrom(const QString& text);

    static MqttSettings load(const IniFile& ini);
    void save(IniFile& ini) const;
    // The same values, each usable (what `load` would make of them).
    MqttSettings normalized() const;

    bool operator==(const MqttSettings&) const = default;
};
