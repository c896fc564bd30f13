#include "OvenFile.h"

#include "IniFile.h"
#include "Numbers.h"
#include "TemperatureText.h"
#include "Widgets.h"

#include <QLineEdit>
#include <array>
#include <exception>
#include <utility>

namespace {

struct TextField {
    const char* key;
    QLineEdit* field;
};

// The text fields in the order the file holds them; PID_CORR_ItemIndex follows them.
std::array<TextField, 8> textFields(const OvenFileView& v)
{
    return {{{"MODEL_I_Text", v.MODEL_I},
             {"MODEL_P_Text", v.MODEL_P},
             {"MODEL_R_Text", v.MODEL_R},
             {"HeaterPower_Text", v.HeaterPower},
             {"MAXTEMP_Text", v.MAXTEMP},
             {"PID_P_Text", v.PID_P},
             {"PID_I_Text", v.PID_I},
             {"PID_D_Text", v.PID_D}}};
}

const QString kCorrKey = "PID_CORR_ItemIndex";

QString channelKey(int c, const char* suffix) { return "TERM" + QString::number(c) + suffix; }

// Written with the system's separator, read with either.
double readNumber(const IniFile& ini, const QString& key, double fallback)
{
    return Numbers::parseDecimalOr(NormalizeDecimal(ini.readString(OvenFile::kSection, key, QString())), fallback);
}

}  // namespace

OvenFile::OvenFile(KilnState& state, EventLogWriter& log, Dialogs& dialogs, const OvenFileView& view,
                   const FileDialogSpec& openDialog, const FileDialogSpec& saveDialog, OvenFileHooks hooks)
    : state_(state), log_(log), dialogs_(dialogs), view_(view), openDialog_(openDialog), saveDialog_(saveDialog),
      hooks_(std::move(hooks))
{
}

void OvenFile::showTitle() const
{
    if (hooks_.SetChartTitle)
        hooks_.SetChartTitle(fileName_);
}

void OvenFile::Save(const QString& path)
{
    fileName_ = path;
    // Start from the file as it is, so that keys this save does not write survive.
    IniFile ini(IniFile::Quoting::Program);
    ini.load(path);
    ini.writeInteger(kSection, "FormVersion", 0);
    for (int c = 1; c <= kChannels; ++c) {
        const ErrDevice& d = state_.Devices[c];
        ini.writeInteger(kSection, channelKey(c, "_Type"), d.Tc_Type);
        ini.writeString(kSection, channelKey(c, "_Name"), d.Tc_Name);
        ini.writeString(kSection, channelKey(c, "_ZT"), Numbers::formatGeneral(d.Tc_zt));
        ini.writeString(kSection, channelKey(c, "_Z"), Numbers::formatGeneral(d.Tc_z));
        ini.writeString(kSection, channelKey(c, "_KT"), Numbers::formatGeneral(d.Tc_kt));
        ini.writeString(kSection, channelKey(c, "_K"), Numbers::formatGeneral(d.Tc_k));
    }
    showTitle();
    writeFields(ini);
    ini.save(path);
}

void OvenFile::writeFields(IniFile& ini) const
{
    for (const TextField& f : textFields(view_))
        if (f.field)
            ini.writeString(kSection, f.key, f.field->text());
    if (view_.PID_CORR)
        ini.writeInteger(kSection, kCorrKey, view_.PID_CORR->itemIndex());
}

bool OvenFile::Load(const QString& path)
{
    fileName_ = path;
    IniFile ini(IniFile::Quoting::Program);
    ini.load(path);  // a missing file has no keys
    if (ini.readInteger(kSection, "FormVersion", 0) < 0)
        return false;
    readFields(ini);
    showTitle();
    log_.TLogLS("LogOven", path);
    readChannels(ini);
    // Showing the loaded channel is no edit of the configuration.
    const bool changed = changed_;
    if (hooks_.ChannelsLoaded)
        hooks_.ChannelsLoaded();
    changed_ = changed;
    return true;
}

void OvenFile::readFields(const IniFile& ini)
{
    for (const TextField& f : textFields(view_))
        if (f.field && ini.hasKey(kSection, f.key))
            f.field->setText(ini.readString(kSection, f.key, f.field->text()));
    if (!view_.PID_CORR || !ini.hasKey(kSection, kCorrKey))
        return;
    int index = 0;
    try {
        index = ini.readInteger(kSection, kCorrKey, view_.PID_CORR->itemIndex());
    } catch (const std::exception&) {
        return;  // a field that cannot be applied ends the fields, without a message
    }
    // -1 is no selection; anything else outside the items cannot be applied either.
    if (index >= -1 && index < view_.PID_CORR->count())
        view_.PID_CORR->setItemIndex(index);
}

void OvenFile::readChannels(const IniFile& ini)
{
    for (int c = 1; c <= kChannels; ++c) {
        // The type is read first: a bad one stops the load with this channel untouched.
        const int type = ini.readInteger(kSection, channelKey(c, "_Type"), 0);
        ErrDevice& d = state_.Devices[c];
        d.Tc_Type = type;
        d.Tc_Name = ini.readString(kSection, channelKey(c, "_Name"), QString());
        d.Tc_zt = readNumber(ini, channelKey(c, "_ZT"), kDefaultZT);
        d.Tc_z = readNumber(ini, channelKey(c, "_Z"), kDefaultZ);
        d.Tc_kt = readNumber(ini, channelKey(c, "_KT"), kDefaultKT);
        d.Tc_k = readNumber(ini, channelKey(c, "_K"), kDefaultK);
    }
}

void OvenFile::LoadAtStartUp(const QString& path)
{
    try {
        Load(path);
    } catch (const std::exception& e) {
        dialogs_.showError(QString::fromUtf8(e.what()));
    }
    changed_ = false;
}

void OvenFile::OvenSaveClick()
{
    const QString path = saveDialog_.save(dialogs_, ovenFolder(), fileName_);
    if (path.isEmpty())
        return;
    Save(path);
    changed_ = false;
}

void OvenFile::OvenLoadClick() { LoadChosen(openDialog_.open(dialogs_, ovenFolder(), fileName_)); }

void OvenFile::LoadChosen(const QString& path)
{
    if (path.isEmpty() || (MayLoad && !MayLoad(path)))
        return;
    Load(path);  // an error here leaves the flag set
    changed_ = false;
}
