#include "KilnName.h"

#include "IniFile.h"

namespace KilnName {

QString read(const IniFile& settings)
{
    const QString name = settings.readString(kSection, kKey, QString()).trimmed();
    return name.isEmpty() ? kDefault : name;
}

void write(IniFile& settings, const QString& name) { settings.writeString(kSection, kKey, name.trimmed()); }

QString topicLevel(const QString& name)
{
    QString out;
    for (const QChar c : name.trimmed().toLower()) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_';
        out += plain ? c : QChar('_');
    }
    return out.isEmpty() ? kDefault.toLower() : out;
}

}  // namespace KilnName
