#pragma once
#include <QString>

struct KilnState;

// The version compiled into the build (the program folder is ProgramFolders' to find).
void GetAppInfo(KilnState& state);
// "1.0.0": major, minor and release.
QString AppVersionText();
