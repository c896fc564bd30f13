#pragma once
#include <QString>
#include <QStringList>
#include <stdexcept>

// A program folder that cannot be created or written: which one, and why.
class FolderError : public std::runtime_error {
public:
    FolderError(QString folder, QString cause);
    QString folder;
    QString cause;
};

// Where the program keeps its files. Portable: the executable's folder holds term.ini and is
// both the program folder and the shared one. Installed (prefix/bin/fornaxel): the shipped,
// read-only files are in prefix/share/fornaxel, the guardian in prefix/libexec/fornaxel, and
// everything the program writes goes to the user's data folder (~/.local/share/Fornaxel).
class ProgramFolders {
public:
    static inline const QString kSettingsFile = "term.ini";
    static inline const QString kUserFolderName = "Fornaxel";
    // Copied from the shared folder into a new program folder: what the operator edits.
    static inline const QStringList kSeeded = {"Prog/*.prg", "Oven/*.ovn"};

    // The folders of an executable in `executableFolder`; an installed program writes to
    // `userFolder`.
    static ProgramFolders forExecutable(const QString& executableFolder, const QString& userFolder);
    // The folders of the running program. Creates nothing.
    static ProgramFolders forThisProgram();
    // A program folder given as it is (a test's): shared with itself, the guardian beside
    // the executable.
    static ProgramFolders portableAt(const QString& folder);
    // The user's data folder of an installed program (XDG_DATA_HOME honoured).
    static QString userDataFolder();

    bool portable() const { return programFolder_ == sharedFolder_; }
    // Where everything is written (term.ini, Data/, Prog/, Oven/).
    QString programFolder() const { return programFolder_; }
    // The shipped languages, help pages, sounds, cone table, programs and kilns.
    QString sharedFolder() const { return sharedFolder_; }
    QString guardianPath() const { return guardianPath_; }
    // The same folders with another program folder (the shared one and the guardian stay).
    ProgramFolders withProgramFolder(const QString& folder) const;

    // Makes the program folder usable: an installed program's is created and, at its first
    // start (no term.ini yet), given the shipped programs, kilns and term.ini, never over a
    // file that is there. Throws FolderError when it cannot be created or written.
    void prepare() const;

    // The file a relative name ("English.lng", "Help/English/Help.htm") reads: the program
    // folder's when it has one, else the shared folder's. Neither: the program folder's name,
    // where the operator would put one.
    QString readable(const QString& relative) const { return readable(programFolder_, sharedFolder_, relative); }
    static QString readable(const QString& programFolder, const QString& sharedFolder, const QString& relative);
    // The folder a relative folder name reads from, by the same rule.
    static QString readableFolder(const QString& programFolder, const QString& sharedFolder, const QString& relative);

private:
    void makeWritableFolder(const QString& folder) const;
    void seed() const;

    QString programFolder_;
    QString sharedFolder_;
    QString guardianPath_;
};
