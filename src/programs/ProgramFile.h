#pragma once
#include "FileDialogSettings.h"
#include "KilnState.h"
#include "Services.h"
#include "Texts.h"

#include <QString>
#include <functional>

class IniFile;
class ProgramEditor;
class StringGrid;

// The program file (.prg): one [TForm1] section with FormVersion, Scale, Count and the keys
// Temp n, Time n, Sound n and Out n of every line. Temperatures are stored as typed in the
// display scale, together with that scale, so a file reads correctly under another scale.
// Holds the current program file name and serves it to the editor.
class ProgramFile {
public:
    static inline const QString kSection = "TForm1";
    static constexpr int kDefaultCount = 200;
    // A larger Count is taken for a broken file rather than a program.
    static constexpr int kMaxCount = 10000;

    // The dialogs are opened with `openDialog` and `saveDialog` as they stand at the time.
    ProgramFile(KilnState& state, EventLogWriter& log, Dialogs& dialogs, StringGrid* Prog, ProgramEditor& editor,
                const FileDialogSpec& openDialog, const FileDialogSpec& saveDialog);

    QString FileName() const { return fileName_; }
    void SetFileName(const QString& name) { fileName_ = name; }

    // Writes the table to `path` (which becomes the file name). Keys of an existing file
    // that the table does not write stay in it. Throws std::runtime_error when the file
    // cannot be written.
    void Save(const QString& path);
    // Reads `path` (which becomes the file name) into the table, then logs and redraws.
    // A missing file gives the defaults. Returns false when the file is skipped for its
    // FormVersion below 0. Throws std::runtime_error naming a Count, Time or FormVersion
    // value that is no whole number; the rows read before it stay.
    bool Load(const QString& path);

    // The buttons KProgSave and KProgLoad. Saving takes a cell being typed as typed.
    void KProgSaveClick();
    void KProgLoadClick();
    // What KProgLoadClick does with the chosen file (empty: nothing chosen).
    void LoadChosen(const QString& path);
    // Asked with the chosen file before KProgLoadClick loads it; false keeps the table.
    std::function<bool(const QString& path)> MayLoad;

    // The display scale whose unit text matches `text` (case-insensitively, with or without
    // the degree sign); Celsius for anything else.
    static int ScaleOf(const QString& text);

private:
    void readLines(const IniFile& ini, int fileScale, int count);
    QString programFolder() const { return state_.AppFolder + "/Prog"; }

    KilnState& state_;
    EventLogWriter& log_;
    Dialogs& dialogs_;
    StringGrid* Prog_;
    ProgramEditor& editor_;
    const FileDialogSpec& openDialog_;
    const FileDialogSpec& saveDialog_;
    QString fileName_;
};
