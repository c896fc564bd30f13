#include "AppInfo.h"

#include "KilnState.h"

#include <QCoreApplication>
#include <QDir>

void GetAppInfo(KilnState& state)
{
    const QString dir = QCoreApplication::applicationDirPath();
    state.AppFolder = dir.isEmpty() ? QString(".") : QDir::cleanPath(dir);
    state.VerMajor = FORNAXEL_VERSION_MAJOR;
    state.VerMinor = FORNAXEL_VERSION_MINOR;
    state.VerRelease = FORNAXEL_VERSION_PATCH;
    state.VerBuild = FORNAXEL_VERSION_TWEAK;
    state.AppVersion = QString("%1.%2.%3").arg(state.VerMajor).arg(state.VerMinor).arg(state.VerRelease);
}
