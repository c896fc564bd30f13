#include "SettingValues.h"

#include "IniFile.h"

#include <charconv>
#include <exception>

namespace SettingValues {

bool flagOr(const IniFile& ini, const QString& section, const QString& key, bool fallback)
{
    try {
        return ini.readBool(section, key, fallback);
    } catch (const std::exception&) {
        return fallback;
    }
}

int portFrom(const QString& text)
{
    const QByteArray digits = text.trimmed().toLatin1();
    int port = 0;
    const auto [end, ec] = std::from_chars(digits.constData(), digits.constData() + digits.size(), port);
    if (ec != std::errc() || end != digits.constData() + digits.size() || digits.isEmpty())
        return 0;
    return port >= 1 && port <= 65535 ? port : 0;
}

int portOr(const IniFile& ini, const QString& section, const QString& key, int fallback)
{
    const int port = portFrom(ini.readString(section, key, QString()));
    return port == 0 ? fallback : port;
}

}  // namespace SettingValues
