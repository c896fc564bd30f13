#pragma once
// What every fuzz target needs: a broken invariant ends the run with a message libFuzzer keeps
// beside the input, and a Qt application without a display and without its warnings.
#include <QApplication>
#include <cstdio>
#include <cstdlib>

[[noreturn]] inline void fail(const char* what)
{
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
}

inline void startQuietApplication(int* argc, char*** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Never destroyed: the process ends with the window and the application still there.
    new QApplication(*argc, *argv);
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});  // Qt's warnings
}
