#include "LivePageSettings.h"

#include "IniFile.h"

#include <stdexcept>

namespace {

bool readBool(const IniFile& ini, const QString& key, bool fallback)
{
    const QString text = ini.readString(LivePageSettings::kSection, key, QString()).trimmed().toUpper();
    if (text == "1" || text == "TRUE" || text == "YES" || text == "Y")
        return true;
    if (text == "0" || text == "FALSE" || text == "NO" || text == "N")
        return false;
    return fallback;
}

int readPort(const IniFile& ini)
{
    try {
        const int port = ini.readInteger(LivePageSettings::kSection, "Port", LivePageSettings::kDefaultPort);
        return port >= 1 && port <= 65535 ? port : LivePageSettings::kDefaultPort;
    } catch (const std::runtime_error&) {
        return LivePageSettings::kDefaultPort;
    }
}

}  // namespace

LivePageSettings LivePageSettings::load(const IniFile& ini)
{
    LivePageSettings s;
    s.enabled = readBool(ini, "Enabled", false);
    s.port = readPort(ini);
    s.network = ini.readString(kSection, "Listen", "local").trimmed().compare("network", Qt::CaseInsensitive) == 0;
    s.code = ini.readString(kSection, "Code", QString());
    return s;
}

void LivePageSettings::save(IniFile& ini) const
{
    ini.writeBool(kSection, "Enabled", enabled);
    ini.writeInteger(kSection, "Port", port);
    ini.writeString(kSection, "Listen", network ? "network" : "local");
    ini.writeString(kSection, "Code", code);
}
