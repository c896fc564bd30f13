// Loading and saving a program of the largest size the table takes (10 000 lines, about
// 40 000 keys) through the program file with its editor, table and preview.
#include "ProgramFile.h"
#include "ProgramFileRig.h"

#include "FakeTexts.h"
#include "IniFile.h"
#include "LocaleFacts.h"
#include "ProgramEditor.h"
#include "ProgramTable.h"
#include "TestServices.h"
#include "Widgets.h"

#include <QApplication>
#include <QLineEdit>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <qcustomplot.h>

namespace {

struct Program : ProgramFileRig {
    QTemporaryDir dir;
    QString path = dir.path() + "/Big.prg";

    Program() : ProgramFileRig("1300")
    {
        state.AppFolder = dir.path();
        IniFile ini(IniFile::Quoting::Program);
        ini.writeInteger(ProgramFile::kSection, "FormVersion", 0);
        ini.writeString(ProgramFile::kSection, "Scale", TemperatureScale::unitText(0));
        ini.writeInteger(ProgramFile::kSection, "Count", ProgramFile::kMaxCount);
        for (int n = 1; n <= ProgramFile::kMaxCount; ++n) {
            const QString key = QString::number(n);
            ini.writeString(ProgramFile::kSection, "Temp" + key, QString::number(100 + n % 1000));
            ini.writeInteger(ProgramFile::kSection, "Time" + key, 1 + n % 7);
            ini.writeString(ProgramFile::kSection, "Sound" + key, n % 50 == 0 ? "1" : " ");
            ini.writeString(ProgramFile::kSection, "Out" + key, n % 3 == 0 ? "A" : " ");
        }
        ini.save(path);
    }
};

void BM_LoadProgram(benchmark::State& st)
{
    Program p;
    for (auto _ : st)
        p.file.Load(p.path);
    st.counters["lines"] = p.grid.rows() - ProgramTable::kHeaderRows;
}

void BM_SaveProgram(benchmark::State& st)
{
    Program p;
    p.file.Load(p.path);
    for (auto _ : st)
        p.file.Save(p.path);  // over the existing file, whose keys are read first
}

}  // namespace

BENCHMARK(BM_LoadProgram)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveProgram)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
