#include "FiringStateFile.h"

#include "IniFile.h"
#include "Numbers.h"
#include "ProgramTable.h"
#include "TextCodec.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <stdexcept>

namespace {

const QString& section() { return FiringStateFile::kSection; }

void putNumber(IniFile& ini, const QString& key, double value)
{
    ini.writeString(section(), key, Numbers::formatPortable(value));
}

std::runtime_error bad(const QString& key, const QString& why)
{
    return std::runtime_error(("key " + key + ": " + why).toStdString());
}

QString required(const IniFile& ini, const QString& key)
{
    if (!ini.hasKey(section(), key))
        throw bad(key, "missing");
    return ini.readString(section(), key, QString());
}

double number(const IniFile& ini, const QString& key)
{
    const QString text = required(ini, key);
    double v = 0;
    if (!Numbers::parsePortable(text, v))
        throw bad(key, "'" + text + "' is not a number");
    return v;
}

int whole(const IniFile& ini, const QString& key, int low, int high)
{
    const QString text = required(ini, key);
    int v = 0;
    if (!Numbers::parseWhole(text, v) || v < low || v > high)
        throw bad(key, "'" + text + "' is not a whole number from " + QString::number(low) + " to " +
                           QString::number(high));
    return v;
}

}  // namespace

FiringStateFile::FiringStateFile(QString dataFolder) : folder_(std::move(dataFolder)) {}

QString FiringStateFile::path() const { return folder_ + "/" + kFileName; }

QString FiringStateFile::toText(const FiringSnapshot& s)
{
    IniFile ini(IniFile::Quoting::Program);
    ini.writeString(section(), "Program", s.programFile);
    ini.writeInteger(section(), "Line", s.line);
    putNumber(ini, "LineTime", s.lineTime);
    ini.writeInteger(section(), "State", s.state);
    putNumber(ini, "TargetTemp", s.targetTemp);
    putNumber(ini, "StartTemp", s.startTemp);
    putNumber(ini, "KilnTemp", s.kilnTemp);
    putNumber(ini, "CycleTime", s.cycleTime);
    putNumber(ini, "SavedAt", s.savedAt);
    putNumber(ini, "ScheduledStart", s.scheduledStart);
    ini.writeBool(section(), "Simulator", s.simulated);
    if (s.simulated) {
        putNumber(ini, "ModelHeaterT", s.modelHeaterT);
        putNumber(ini, "ModelChamberT", s.modelChamberT);
    }
    return ini.toText();
}

FiringSnapshot FiringStateFile::fromText(const QString& text)
{
    IniFile ini(IniFile::Quoting::Program);
    ini.loadFromText(text);
    FiringSnapshot s;
    s.programFile = required(ini, "Program");
    if (s.programFile.isEmpty())
        throw bad("Program", "empty");
    s.state = whole(ini, "State", Stopped, BreakDown);
    s.scheduledStart = number(ini, "ScheduledStart");
    if (!s.worthKeeping())
        throw bad("State", "no firing under way and no start scheduled");
    s.line = whole(ini, "Line", programActive(s.state) ? 1 : 0, ProgramTable::kMaxLine);
    s.lineTime = number(ini, "LineTime");
    s.targetTemp = number(ini, "TargetTemp");
    s.startTemp = number(ini, "StartTemp");
    s.kilnTemp = number(ini, "KilnTemp");
    s.cycleTime = number(ini, "CycleTime");
    s.savedAt = number(ini, "SavedAt");
    s.simulated = ini.readBool(section(), "Simulator", false);
    if (s.simulated) {
        s.modelHeaterT = number(ini, "ModelHeaterT");
        s.modelChamberT = number(ini, "ModelChamberT");
    }
    return s;
}

void FiringStateFile::write(const FiringSnapshot& snapshot)
{
    QDir().mkpath(folder_);  // a failure shows in the write
    TextCodec::writeUtf8FileAtomic(path(), toText(snapshot));
}

FiringRecord::Found FiringStateFile::read(FiringSnapshot& snapshot, QString& error) const
{
    if (!QFileInfo::exists(path()))
        return Found::None;
    QString text;
    QString why;
    if (!TextCodec::readFile(path(), text, nullptr, &why)) {
        error = why;
        return Found::Corrupt;
    }
    try {
        snapshot = fromText(text);
    } catch (const std::exception& e) {
        error = QString::fromUtf8(e.what());
        return Found::Corrupt;
    }
    return Found::Valid;
}

void FiringStateFile::remove() { QFile::remove(path()); }

void FiringStateFile::setAside()
{
    const QString aside = path() + kSetAsideSuffix;
    QFile::remove(aside);
    if (!QFile::rename(path(), aside))
        QFile::remove(path());
}
