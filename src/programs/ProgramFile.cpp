#include "ProgramFile.h"

#include "IniFile.h"
#include "Numbers.h"
#include "ProgramEditor.h"
#include "ProgramTable.h"
#include "Widgets.h"

#include <stdexcept>

ProgramFile::ProgramFile(KilnState& state, EventLogWriter& log, Dialogs& dialogs, StringGrid* Prog,
                         ProgramEditor& editor, const FileDialogSpec& openDialog, const FileDialogSpec& saveDialog)
    : state_(state), log_(log), dialogs_(dialogs), Prog_(Prog), editor_(editor), openDialog_(openDialog),
      saveDialog_(saveDialog)
{
    editor_.ProgFileName = [this] { return fileName_; };
    editor_.SetProgFileName = [this](const QString& name) { fileName_ = name; };
}

int ProgramFile::ScaleOf(const QString& text)
{
    const auto find = [](const QString& unit) {
        for (int s = 0; s <= 4; ++s)
            if (TemperatureScale::unitText(s).compare(unit, Qt::CaseInsensitive) == 0)
                return s;
        return -1;
    };
    if (text.isEmpty())
        return 0;
    int scale = find(text);
    if (scale < 0) {
        const QString degree = QString::fromUtf8("°");
        scale = find(text.startsWith(degree) ? text.mid(1) : degree + text);
    }
    return scale < 0 ? 0 : scale;
}

void ProgramFile::Save(const QString& path)
{
    fileName_ = path;
    // Start from the file as it is, so that keys the table does not write survive.
    IniFile ini(IniFile::Quoting::Program);
    ini.load(path);
    ini.writeInteger(kSection, "FormVersion", 0);
    ini.writeString(kSection, "Scale", state_.Temps.Deg());
    const int count = Prog_->rows() - ProgramTable::kHeaderRows;
    ini.writeInteger(kSection, "Count", count);
    for (int n = 1; n <= count; ++n) {
        const int r = n + 1;
        const QString key = QString::number(n);
        ini.writeString(kSection, "Temp" + key, Prog_->cell(1, r));
        ini.writeInteger(kSection, "Time" + key, Numbers::parseWholeOr(Prog_->cell(2, r), 0));
        ini.writeString(kSection, "Sound" + key, Prog_->cell(3, r));
        ini.writeString(kSection, "Out" + key, Prog_->cell(4, r));
    }
    editor_.ShowTitle();
    ini.save(path);
}

bool ProgramFile::Load(const QString& path)
{
    fileName_ = path;
    IniFile ini(IniFile::Quoting::Program);
    ini.load(path);  // a missing file reads as all defaults
    if (ini.readInteger(kSection, "FormVersion", 0) < 0)
        return false;
    const int fileScale = ScaleOf(ini.readString(kSection, "Scale", QString()));
    const int count = ini.readInteger(kSection, "Count", kDefaultCount);
    if (count > kMaxCount)
        throw std::runtime_error(QString("Count=%1 is more program lines than the table holds (at most %2)")
                                     .arg(count)
                                     .arg(kMaxCount)
                                     .toStdString());
    if (count < 1) {
        // The table needs at least one program row; it becomes an empty one.
        Prog_->setRows(ProgramTable::kHeaderRows + 1);
        const int r = ProgramTable::kHeaderRows;
        Prog_->setCell(1, r, "0");
        Prog_->setCell(2, r, "0");
        Prog_->setCell(3, r, QString());
        Prog_->setCell(4, r, OutOptions()[0]);
    } else {
        Prog_->setRows(count + ProgramTable::kHeaderRows);
        readLines(ini, fileScale, count);
    }
    editor_.ShowTitle();
    log_.TLogLS("LogKilningProgram", path);
    editor_.DrawProg();
    return true;
}

void ProgramFile::readLines(const IniFile& ini, int fileScale, int count)
{
    // Temperatures are read in the file's scale and shown in the display scale.
    TemperatureScale fileTemps;
    fileTemps.TempScale = fileScale;
    const TemperatureScale& shown = state_.Temps;
    for (int n = 1; n <= count; ++n) {
        const int r = n + 1;
        const QString key = QString::number(n);
        const QString timeText = QString::number(ini.readInteger(kSection, "Time" + key, 0));
        Prog_->setCell(2, r, timeText);
        const QString tempText = ini.readString(kSection, "Temp" + key, "0");
        const double celsius = fileTemps.ST(tempText);
        Prog_->setCell(1, r,
                       timeText == "0" && tempText == "0" ? QString("0") : Numbers::formatGeneral(shown.TX(celsius)));
        Prog_->setCell(3, r, ini.readString(kSection, "Sound" + key, QString()));
        const QString out = ini.readString(kSection, "Out" + key, QString());
        const int mask = (out.contains('A') ? 1 : 0) + (out.contains('B') ? 2 : 0);
        Prog_->setCell(4, r, OutOptions()[mask]);
    }
}

void ProgramFile::KProgSaveClick()
{
    Prog_->commitEditor();
    const QString path = saveDialog_.save(dialogs_, programFolder(), fileName_);
    if (path.isEmpty())
        return;
    Save(path);
    editor_.SetProgChanged(false);
}

void ProgramFile::KProgLoadClick() { LoadChosen(openDialog_.open(dialogs_, programFolder(), fileName_)); }

void ProgramFile::LoadChosen(const QString& path)
{
    bool drawn = false;
    if (!path.isEmpty() && (!MayLoad || MayLoad(path))) {
        drawn = Load(path);  // an error here leaves the flag and the preview as they are
        editor_.SetProgChanged(false);
    }
    if (!drawn)
        editor_.DrawProg();
}
