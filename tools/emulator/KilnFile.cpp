#include "KilnFile.h"

#include "IniFile.h"
#include "Numbers.h"

#include <QFileInfo>
#include <stdexcept>

namespace {

struct Problem : std::runtime_error {
    explicit Problem(const QString& text) : std::runtime_error(text.toStdString()) {}
};

struct TwoNodeParameter {
    const char* key;
    double KilnFactors::*field;
    double low, high;
};
// Beyond these the model's one-second steps are no longer stable, or it does not heat.
constexpr TwoNodeParameter kTwoNodeParameters[] = {
    {"p", &KilnFactors::p, 1e-9, 1},
    {"i", &KilnFactors::i, 0, 0.5},
    {"r", &KilnFactors::r, 1e-9, 0.5},
};

// The keys of the [Kiln] section in file order; false when the file has no such section.
bool keysOfSection(const IniFile& ini, QStringList& keys)
{
    bool inSection = false, found = false;
    for (const QString& raw : ini.toText().split('\n')) {
        const QString line = raw.trimmed();
        if (line.startsWith('[') && line.endsWith(']')) {
            inSection = line.mid(1, line.size() - 2).trimmed().compare(KilnFile::kSection, Qt::CaseInsensitive) == 0;
            found = found || inSection;
        } else if (inSection && !line.startsWith(';') && line.indexOf('=') > 0) {
            keys << line.left(line.indexOf('=')).trimmed();
        }
    }
    return found;
}

// A value with what follows a ';' on its line taken as a comment.
QString valueOf(const IniFile& ini, const QString& key)
{
    const QString raw = ini.readString(KilnFile::kSection, key, QString());
    return raw.section(';', 0, 0).trimmed();
}

double numberOf(const IniFile& ini, const QString& key, double low, double high, const QString& path)
{
    const QString text = valueOf(ini, key);
    double value = 0;
    if (!Numbers::parsePortable(text, value))
        throw Problem("'" + text + "' is no number (key " + key + " in " + path +
                      "; numbers are written with a point, as 2.5)");
    if (value < low || value > high)
        throw Problem(key + " = " + text + " is out of range in " + path + " (" + QString::number(low, 'g', 15) + " to " +
                      QString::number(high, 'g', 15) + ")");
    return value;
}

template <typename Parameters, typename Table>
Parameters readParameters(const IniFile& ini, const QStringList& keys, const Table& table, const QString& model,
                          const QString& path)
{
    Parameters p;
    QStringList known{"model"};
    for (const auto& entry : table)
        known << entry.key;
    for (const QString& key : keys)
        if (!known.contains(key, Qt::CaseInsensitive))
            throw Problem("unknown key '" + key + "' in " + path + " (a " + model + " kiln has " + known.join(", ") +
                          ")");
    for (const auto& entry : table)
        if (ini.hasKey(KilnFile::kSection, entry.key))
            p.*entry.field = numberOf(ini, entry.key, entry.low, entry.high, path);
    return p;
}

}  // namespace

namespace KilnFile {

Description Read(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists())
        throw Problem("cannot read the kiln file " + path + ": there is no such file");
    if (!info.isFile())
        throw Problem("cannot read the kiln file " + path + ": it is no regular file");
    IniFile ini;
    try {
        ini.load(path);
    } catch (const std::exception& e) {
        throw Problem("cannot read the kiln file " + path + ": " + QString::fromUtf8(e.what()));
    }
    QStringList keys;
    if (!keysOfSection(ini, keys))
        throw Problem("the kiln file " + path + " has no [" + kSection + "] section");
    const QString model = ini.hasKey(kSection, "model") ? valueOf(ini, "model").toLower() : QString("rich");
    if (model == "two-node")
        return readParameters<KilnFactors>(ini, keys, kTwoNodeParameters, model, path);
    if (model != "rich")
        throw Problem("unknown model '" + model + "' in " + path + " (rich or two-node)");
    const auto rich = readParameters<RichKilnParameters>(ini, keys, kRichKilnParameters, model, path);
    if (!(rich.elementExchange > 0 || rich.elementArea > 0))
        throw Problem("the elements pass no heat to the chamber in " + path +
                      " (elementExchange or elementArea must be above 0)");
    return rich;
}

}  // namespace KilnFile

std::unique_ptr<EmulatedKiln> LoadKilnFile(const QString& path, double speed)
{
    const KilnFile::Description d = KilnFile::Read(path);
    if (const auto* factors = std::get_if<KilnFactors>(&d))
        return std::make_unique<TwoNodeKiln>(*factors, speed);
    return std::make_unique<RichKiln>(std::get<RichKilnParameters>(d), speed);
}
