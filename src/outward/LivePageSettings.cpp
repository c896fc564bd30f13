#include "LivePageSettings.h"

#include "IniFile.h"
#include "SettingValues.h"

LivePageSettings LivePageSettings::load(const IniFile& ini)
{
    LivePageSettings s;
    s.enabled = SettingValues::flagOr(ini, kSection, "Enabled", false);
    s.port = SettingValues::portOr(ini, kSection, "Port", kDefaultPort);
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
