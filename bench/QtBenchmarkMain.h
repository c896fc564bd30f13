#pragma once
#include <QApplication>
#include <benchmark/benchmark.h>

// The main of a benchmark that needs a Qt application (widgets, sockets, threads with event
// loops), headless.
inline int runQtBenchmarks(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
