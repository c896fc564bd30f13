#pragma once
#include "InstanceLock.h"
#include "ProgramFolders.h"

#include <QString>

class Dialogs;

// What must hold before the window is built and any file is touched: a program folder that
// can be written, and no other Fornaxel running on it. A refusal is told in the language the
// folder's settings name (English if none), on standard error and, on a screen, in a box.
class StartUpGate {
public:
    static constexpr int kRefused = 1;

    explicit StartUpGate(ProgramFolders folders);

    // Prepares the folder and takes its lock; false: refused, see refusal().
    bool open();
    QString refusal() const { return refusal_; }
    // The last run on this folder did not end in order (its lock was left behind).
    bool lastRunUnclean() const { return unclean_; }
    const ProgramFolders& folders() const { return folders_; }

    // Prints the refusal; shows it with `dialogs` too unless the display is off-screen.
    void tell(Dialogs& dialogs) const;

    // The language the settings file stores ("English", "Russian" or the third language's
    // name); English when it names none or cannot be read.
    static QString storedLanguage(const QString& settingsPath);

private:
    QString text(const QString& key, const QString& fallback) const;

    ProgramFolders folders_;
    InstanceLock lock_;
    QString refusal_;
    bool unclean_ = false;
};
