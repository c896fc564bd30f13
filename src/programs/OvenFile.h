#pragma once
#include "FileDialogSettings.h"
#include "KilnState.h"
#include "Services.h"
#include "Texts.h"

#include <QString>
#include <functional>
#include <utility>

class IniFile;
class QLineEdit;
class RadioGroup;

// The kiln-tab fields an oven file carries.
struct OvenFileView {
    QLineEdit* MODEL_I = nullptr;
    QLineEdit* MODEL_P = nullptr;
    QLineEdit* MODEL_R = nullptr;
    QLineEdit* HeaterPower = nullptr;
    QLineEdit* MAXTEMP = nullptr;
    QLineEdit* PID_P = nullptr;
    QLineEdit* PID_I = nullptr;
    QLineEdit* PID_D = nullptr;
    RadioGroup* PID_CORR = nullptr;
};

struct OvenFileHooks {
    std::function<void(const QString&)> SetChartTitle;  // title of the kiln-tab chart
    std::function<void()> ChannelsLoaded;               // refresh of the thermocouple tab
};

// The oven configuration file (.ovn): one [TForm1] section with FormVersion, the type, name
// and calibration of the eight thermocouple channels (TERMc_Type, _Name, _ZT, _Z, _KT, _K)
// and the texts of the model, heater and regulator fields. Holds the current oven file name
// and the flag telling that the configuration was edited since it was loaded or saved.
class OvenFile {
public:
    static inline const QString kSection = "TForm1";
    static constexpr int kChannels = 8;
    static constexpr double kDefaultZT = 25;
    static constexpr double kDefaultZ = 85;
    static constexpr double kDefaultKT = 900;
    static constexpr double kDefaultK = 500;

    // The dialogs are opened with `openDialog` and `saveDialog` as they stand at the time.
    OvenFile(KilnState& state, EventLogWriter& log, Dialogs& dialogs, const OvenFileView& view,
             const FileDialogSpec& openDialog, const FileDialogSpec& saveDialog, OvenFileHooks hooks = {});

    QString FileName() const { return fileName_; }
    void SetFileName(const QString& name) { fileName_ = name; }

    // The refresh of the thermocouple page after a load.
    void SetChannelsLoaded(std::function<void()> f) { hooks_.ChannelsLoaded = std::move(f); }

    bool OvenChanged() const { return changed_; }
    void SetOvenChanged(bool changed) { changed_ = changed; }

    // Writes the channels and the fields to `path` (which becomes the file name). Keys of an
    // existing file that this does not write stay in it. Throws std::runtime_error when the
    // file cannot be written.
    void Save(const QString& path);
    // Reads `path` (which becomes the file name): the fields whose keys are present, then the
    // eight channels (missing keys and values that are no number give the defaults; either
    // decimal separator is read, so a calibration survives a change of the system's locale). A missing file has no keys. Returns
    // false when the file is skipped for its FormVersion below 0. Throws std::runtime_error
    // naming a FormVersion or TERMc_Type value that is no whole number; the channels read
    // before it stay.
    bool Load(const QString& path);
    // The load at start-up: an error is reported and the flag cleared all the same.
    void LoadAtStartUp(const QString& path);

    // The buttons OvenSave and OvenLoad.
    void OvenSaveClick();
    void OvenLoadClick();
    // What OvenLoadClick does with the chosen file (empty: nothing chosen).
    void LoadChosen(const QString& path);
    // Asked with the chosen file before OvenLoadClick loads it; false keeps the kiln.
    std::function<bool(const QString& path)> MayLoad;

private:
    void writeFields(IniFile& ini) const;
    void readFields(const IniFile& ini);
    void readChannels(const IniFile& ini);
    QString ovenFolder() const { return state_.AppFolder + "/Oven"; }
    void showTitle() const;

    KilnState& state_;
    EventLogWriter& log_;
    Dialogs& dialogs_;
    OvenFileView view_;
    const FileDialogSpec& openDialog_;
    const FileDialogSpec& saveDialog_;
    OvenFileHooks hooks_;
    QString fileName_;
    bool changed_ = false;
};
