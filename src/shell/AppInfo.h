#pragma once

struct KilnState;

// Program folder (the executable's folder) and the version compiled into the build.
void GetAppInfo(KilnState& state);
