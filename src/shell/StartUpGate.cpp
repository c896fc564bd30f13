#include "StartUpGate.h"

#include "IniFile.h"
#include "MessageTable.h"
#include "Services.h"
#include "StoredSettings.h"

#include <QGuiApplication>
#include <cstdio>
#include <exception>

StartUpGate::StartUpGate(ProgramFolders folders)
    : folders_(std::move(folders)), lock_(folders_.programFolder())
{
}

bool StartUpGate::open()
{
    try {
        folders_.prepare();
    } catch (const FolderError& e) {
        refusal_ = text("MBFolderUnusable", "The program folder %1 cannot be used: %2").arg(e.folder, e.cause);
        return false;
    }
    switch (lock_.acquire()) {
    case InstanceLock::Result::Taken: return true;
    case InstanceLock::Result::TakenOverStale: unclean_ = true; return true;
    case InstanceLock::Result::HeldByAnother:
        refusal_ = text("MBAlreadyRunning", "Fornaxel is already running (process %1) on this folder:\r\n%2")
                       .arg(QString::number(lock_.holder()), folders_.programFolder());
        return false;
    case InstanceLock::Result::Failed: break;
    }
    refusal_ = text("MBFolderUnusable", "The program folder %1 cannot be used: %2")
                   .arg(folders_.programFolder(), lock_.errorString());
    return false;
}

void StartUpGate::tell(Dialogs& dialogs) const
{
    QString printed = refusal_;
    printed.replace("\r\n", "\n");
    std::fputs((printed + "\n").toLocal8Bit().constData(), stderr);
    std::fflush(stderr);
    // Started from a menu nobody reads standard error; an off-screen run has nobody to click.
    const QString platform = QGuiApplication::platformName();
    if (platform != "offscreen" && platform != "minimal")
        dialogs.showMessage("Fornaxel", refusal_);
}

QString StartUpGate::storedLanguage(const QString& settingsPath)
{
    try {
        IniFile ini;
        ini.load(settingsPath);
        const QString& s = StoredSettings::kSection;
        // Applied in this order at start-up, so the last one ticked is the one in force.
        QString name = "English";
        if (ini.readBool(s, "English_Checked", false))
            name = "English";
        if (ini.readBool(s, "Russian_Checked", false))
            name = "Russian";
        if (ini.readBool(s, "Other_Checked", false))
            name = ini.readString(s, "OtherLang_Text", "Deutsch");
        return name;
    } catch (const std::exception&) {
        return "English";
    }
}

// Before the folder is known to be usable nothing else tells the operator, so a language file
// that does not load gives English, and no English the built-in text.
QString StartUpGate::text(const QString& key, const QString& fallback) const
{
    MessageTable table;
    table.setFolder(folders_.programFolder(), folders_.sharedFolder());
    const QString name = storedLanguage(folders_.programFolder() + "/" + ProgramFolders::kSettingsFile);
    for (const QString& language : {name, QString("English")}) {
        try {
            table.LoadLng(language);
            const QString found = table.LS(key);
            if (!found.startsWith("?? "))
                return found;
        } catch (const std::exception&) {
        }
    }
    return fallback;
}
