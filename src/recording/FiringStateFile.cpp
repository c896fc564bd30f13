#include "FiringStateFile.h"

#include "DateTime.h"
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

// A number within [low, high]; what lies outside is a damaged record, never a value to act on.
double number(const IniFile& ini, const QString& key, double low, double high)
{
    const double v = number(ini, key);
    if (!(v >= low && v <= high))
        throw bad(key, "'" + ini.readString(section(), key, QString()) + "' is outside " +
                           Numbers::formatPortable(low) + " to " + Numbers::formatPortable(high));
    return v;
}

double temperature(const IniFile& ini, const QString& key)
{
    return number(ini, key, FiringStateFile::kLowestTemp, FiringStateFile::kHighestTemp);
}

double dateTime(const IniFile& ini, const QString& key) { return number(ini, key, DateTime::kEarliest, DateTime::kLatest); }

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
    if (s.scheduledStart != 0)  // 0: none
        s.scheduledStart = dateTime(ini, "ScheduledStart");
    if (!s.worthKeeping())
        throw bad("State", "no firing under way and no start scheduled");
    s.line = whole(ini, "Line", programActive(s.state) ? 1 : 0, ProgramTable::kMaxLine);
    s.lineTime = number(ini, "LineTime", -kLongestLine, kLongestLine);
    s.targetTemp = temperature(ini, "TargetTemp");
    s.startTemp = temperature(ini, "StartTemp");
    s.kilnTemp = temperature(ini, "KilnTemp");
    s.cycleTime = number(ini, "CycleTime", 0, DateTime::kLatest);
    s.savedAt = dateTime(ini, "SavedAt");
    s.simulated = ini.readBool(section(), "Simulator", false);
    if (s.simulated) {
        s.modelHeaterT = temperature(ini, "ModelHeaterT");
        s.modelChamberT = temperature(ini, "ModelChamberT");
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
