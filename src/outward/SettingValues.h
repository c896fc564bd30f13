#pragma once
#include <QString>

class IniFile;

// Reading the settings of what reports outward: a damaged value gives the fallback and never
// keeps the rest of the settings, or the window, from loading.
namespace SettingValues {

bool flagOr(const IniFile& ini, const QString& section, const QString& key, bool fallback);
// A TCP port, 1..65535; 0 for anything else.
int portFrom(const QString& text);
int portOr(const IniFile& ini, const QString& section, const QString& key, int fallback);

}  // namespace SettingValues
