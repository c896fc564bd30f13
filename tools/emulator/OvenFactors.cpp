#include "OvenFactors.h"

#include "IniFile.h"
#include "LocaleFacts.h"
#include "Numbers.h"
#include "OvenFile.h"

#include <QFileInfo>
#include <stdexcept>

namespace {

// Oven files are written with whatever separator the system that saved them had.
double readFactor(const IniFile& ini, const QString& key, double fallback, const QString& path)
{
    if (!ini.hasKey(OvenFile::kSection, key))
        return fallback;
    const QString text = ini.readString(OvenFile::kSection, key, QString());
    QString normalised = text;
    const QChar separator = LocaleFacts::current().decimalSeparator;
    normalised.replace(',', separator).replace('.', separator);
    double value = 0;
    if (!Numbers::parseDecimal(normalised, value))
        throw std::runtime_error(("'" + text + "' is not a number (key " + key + " in " + path + ")").toStdString());
    return value;
}

}  // namespace

KilnFactors ReadOvenFactors(const QString& path)
{
    IniFile ini;
    if (!QFileInfo(path).isFile() || !ini.load(path))
        throw std::runtime_error(("cannot read the oven file " + path).toStdString());
    KilnFactors f;
    f.p = readFactor(ini, "MODEL_P_Text", f.p, path);
    f.i = readFactor(ini, "MODEL_I_Text", f.i, path);
    f.r = readFactor(ini, "MODEL_R_Text", f.r, path);
    return f;
}
