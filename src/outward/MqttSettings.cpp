#include "MqttSettings.h"

#include "IniFile.h"
#include "KilnName.h"
#include "SettingValues.h"


namespace {

const QString kEnabled = "Enabled";
const QString kHost = "Host";
const QString kPort = "Port";
const QString kTls = "TLS";
const QString kCaFile = "CAFile";
const QString kUser = "User";
const QString kPassword = "Password";
const QString kPrefix = "DiscoveryPrefix";
const QString kAllowStop = "AllowStop";

}  // namespace

int MqttSettings::portFrom(const QString& text) { return SettingValues::portFrom(text); }

QString MqttSettings::prefixFrom(const QString& text)
{
    QString prefix = text.trimmed();
    while (prefix.startsWith('/'))
        prefix.remove(0, 1);
    while (prefix.endsWith('/'))
        prefix.chop(1);
    // Wildcards and NUL are not allowed in a topic one publishes to.
    if (prefix.contains('+') || prefix.contains('#') || prefix.contains(QChar(0)))
        return {};
    return prefix;
}

MqttSettings MqttSettings::load(const IniFile& ini)
{
    MqttSettings s;
    s.enabled = SettingValues::flagOr(ini, kSection, kEnabled, false);
    s.host = ini.readString(kSection, kHost, kDefaultHost);
    s.tls = SettingValues::flagOr(ini, kSection, kTls, false);
    s.port = portFrom(ini.readString(kSection, kPort, QString()));
    s.caFile = ini.readString(kSection, kCaFile, QString());
    s.user = ini.readString(kSection, kUser, QString());
    s.password = ini.readString(kSection, kPassword, QString());
    s.kilnName = KilnName::read(ini);
    s.discoveryPrefix = ini.readString(kSection, kPrefix, kDefaultPrefix);
    s.allowStop = SettingValues::flagOr(ini, kSection, kAllowStop, false);
    return s.normalized();
}

MqttSettings MqttSettings::normalized() const
{
    MqttSettings s = *this;
    s.host = host.trimmed().isEmpty() ? kDefaultHost : host.trimmed();
    s.port = port >= 1 && port <= 65535 ? port : defaultPort(tls);
    s.caFile = caFile.trimmed();
    s.user = user.trimmed();
    s.kilnName = kilnName.trimmed().isEmpty() ? KilnName::kDefault : kilnName.trimmed();
    const QString prefix = prefixFrom(discoveryPrefix);
    s.discoveryPrefix = prefix.isEmpty() ? kDefaultPrefix : prefix;
    return s;
}

void MqttSettings::save(IniFile& ini) const
{
    ini.writeBool(kSection, kEnabled, enabled);
    ini.writeString(kSection, kHost, host);
    ini.writeInteger(kSection, kPort, port);
    ini.writeBool(kSection, kTls, tls);
    ini.writeString(kSection, kCaFile, caFile);
    ini.writeString(kSection, kUser, user);
    ini.writeString(kSection, kPassword, password);
    ini.writeString(kSection, kPrefix, discoveryPrefix);
    ini.writeBool(kSection, kAllowStop, allowStop);
    KilnName::write(ini, kilnName);
}
