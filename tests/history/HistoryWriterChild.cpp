// A child process for the crash test: records one endless firing until it is killed.
// Usage: fornaxel_history_child PATH
// Prints "written N" each time the first N cycles are surely on disk.
#include "HistoryRig.h"

#include <QApplication>
#include <cstdio>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc != 2)
        return 2;
    RecorderRig rig(QString::fromLocal8Bit(argv[1]), std::chrono::milliseconds(5));
    ReportMaker make;
    for (int i = 0;; ++i) {
        make.energy += 0.01;
        const double t = 20 + i * 0.5;
        rig.recorder->cycleReported(make.make(1, 1 + i / 500, t, t + 1, 100));
        if (i % 40 == 39) {
            rig.recorder->flush();
            std::printf("written %d\n", i + 1);
            std::fflush(stdout);
        }
    }
}
