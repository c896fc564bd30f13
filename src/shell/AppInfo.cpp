#include "AppInfo.h"

#include "KilnState.h"

void GetAppInfo(KilnState& state)
{
    state.VerMajor = FORNAXEL_VERSION_MAJOR;
    state.VerMinor = FORNAXEL_VERSION_MINOR;
    state.VerRelease = FORNAXEL_VERSION_PATCH;
    state.VerBuild = FORNAXEL_VERSION_TWEAK;
    state.AppVersion = AppVersionText();
}

QString AppVersionText()
{
    return QString("%1.%2.%3").arg(FORNAXEL_VERSION_MAJOR).arg(FORNAXEL_VERSION_MINOR).arg(FORNAXEL_VERSION_PATCH);
}
