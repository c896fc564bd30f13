// The INI codec and the two loaders built on it: arbitrary bytes as a program file (.prg) and
// as an oven file (.ovn).
//
// Input: byte 0 picks the decimal separator (bit 0) and the display scale (bits 1..3), the
// rest is the file.
// Checked: the text the codec writes reads back into the same text; a load gives a table of
// at least one and at most ProgramFile::kMaxCount program lines, or an error; the loaded
// calibration stays finite.
#include "FuzzSupport.h"
#include "FakeTexts.h"
#include "IniFile.h"
#include "LocaleFacts.h"
#include "OvenFile.h"
#include "ProgramEditor.h"
#include "ProgramFile.h"
#include "ProgramFileRig.h"
#include "ProgramTable.h"
#include "TestServices.h"
#include "TextCodec.h"
#include "Widgets.h"

#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <qcustomplot.h>

namespace {

struct Harness : ProgramFileRig {
    QTemporaryDir dir;
    QLineEdit modelI{"0.005"}, modelP{"0.02"}, modelR{"0.003"}, heater{"1000"}, ovenMax{"1100"};
    QLineEdit pidP{"1"}, pidI{"1"}, pidD{"1"};
    RadioGroup corr{"corr"};
    FileDialogSpec openOven{"Kilns|*.ovn", "Load kiln", "ovn"};
    FileDialogSpec saveOven{"Kilns|*.ovn", "Save kiln", "ovn"};
    OvenFile oven{state,
                  log,
                  dialogs,
                  {&modelI, &modelP, &modelR, &heater, &ovenMax, &pidP, &pidI, &pidD, &corr},
                  openOven,
                  saveOven};

    Harness()
    {
        state.AppFolder = dir.path();
        corr.setItems({"none", "small", "large"});
    }
    QString path(const char* name) const { return dir.path() + "/" + name; }
};

Harness* harness = nullptr;

void write(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        fail("cannot write the input file");
}

void checkRoundTrip(const QString& text)
{
    IniFile first(IniFile::Quoting::Program);
    first.loadFromText(text);
    const QString written = first.toText();
    IniFile second(IniFile::Quoting::Program);
    second.loadFromText(written);
    if (second.toText() != written)
        fail("the INI text written does not read back as itself");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    startQuietApplication(argc, argv);
    harness = new Harness;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    Harness& h = *harness;
    LocaleFacts facts;
    if (data[0] & 1) {
        facts.decimalSeparator = ',';
        facts.thousandSeparator = ' ';
    }
    const ScopedLocaleFacts locale(facts);
    h.state.Temps.TempScale = (data[0] >> 1) % 5;
    const QByteArray bytes(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));

    checkRoundTrip(TextCodec::decode(bytes));

    write(h.path("fuzz.prg"), bytes);
    try {
        h.file.Load(h.path("fuzz.prg"));
    } catch (const std::exception&) {
    }
    const int lines = h.grid.rows() - ProgramTable::kHeaderRows;
    if (lines < 1 || lines > ProgramFile::kMaxCount)
        fail("the program table has no line or more than the most a file may hold");

    write(h.path("fuzz.ovn"), bytes);
    try {
        h.oven.Load(h.path("fuzz.ovn"));
    } catch (const std::exception&) {
    }
    for (int c = 1; c <= OvenFile::kChannels; ++c) {
        const ErrDevice& d = h.state.Devices[c];
        if (!std::isfinite(d.Tc_z) || !std::isfinite(d.Tc_zt) || !std::isfinite(d.Tc_k) || !std::isfinite(d.Tc_kt))
            fail("a loaded calibration is not finite");
    }
    h.log.entries.clear();
    return 0;
}
