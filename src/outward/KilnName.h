#pragma once
#include <QString>

class IniFile;

// The kiln's name as the studio knows it: shown on the live page and in Home Assistant, and,
// made safe, a level of the broker's topics. One Fornaxel runs one kiln.
namespace KilnName {

inline const QString kSection = "Remote";
inline const QString kKey = "KilnName";
inline const QString kDefault = "Kiln";

// The stored name, trimmed; the default when there is none.
QString read(const IniFile& settings);
void write(IniFile& settings, const QString& name);
// Lower case letters, digits, "_" and "-" only (what a topic level and a Home Assistant object
// id both accept); anything else becomes "_". Never empty.
QString topicLevel(const QString& name);

}  // namespace KilnName
