// The firing record: arbitrary bytes as Data/firing.state through its reader, and the date
// conversions every stored time goes through.
//
// Input: the first 8 bytes, taken as a double, go through the date conversions as they are
// (a stored time of any value); the whole input is the record.
// Checked: the conversions end without a sanitizer report (no float-to-integer overflow); a
// record the reader accepts holds only values in their ranges, a whole program line and a
// start to resume from, and writes back into a text that reads back the same.
#include "FuzzSupport.h"
#include "DateTime.h"
#include "FiringResume.h"
#include "FiringStateFile.h"
#include "LocaleFacts.h"
#include "ProgramTable.h"
#include "TextCodec.h"

#include <QApplication>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <exception>

namespace {

bool within(double v, double low, double high) { return v >= low && v <= high; }

void convert(double days)
{
    (void)DateTime::toQDateTime(days);
    (void)DateTime::stamp(days);
    (void)DateTime::fileStamp(days);
    (void)DateTime::hms(days);
    (void)DateTime::hm(days);
    (void)DateTime::signedLongTime(days);
    (void)DateTime::span(days, true);
    (void)DateTime::span(days, false);
}

void check(const FiringSnapshot& s)
{
    const auto temperature = [](double t) {
        return within(t, FiringStateFile::kLowestTemp, FiringStateFile::kHighestTemp);
    };
    if (s.programFile.isEmpty())
        fail("a record without a program was accepted");
    if (!s.worthKeeping() || s.state < Stopped || s.state > BreakDown)
        fail("a record with nothing to resume was accepted");
    if (!within(s.line, programActive(s.state) ? 1 : 0, ProgramTable::kMaxLine))
        fail("the program line is out of range");
    if (!temperature(s.targetTemp) || !temperature(s.startTemp) || !temperature(s.kilnTemp))
        fail("a temperature is out of range");
    if (s.simulated && (!temperature(s.modelHeaterT) || !temperature(s.modelChamberT)))
        fail("a model temperature is out of range");
    if (!DateTime::plausible(s.savedAt) || (s.scheduledStart != 0 && !DateTime::plausible(s.scheduledStart)))
        fail("a date-time is out of range");
    if (!within(s.lineTime, -FiringStateFile::kLongestLine, FiringStateFile::kLongestLine) ||
        !within(s.cycleTime, 0, DateTime::kLatest))
        fail("a time is out of range");
    for (const int minutes : {0, 1, 60, 100000}) {
        const ResumePoint p = ResumePoint::of(s.startTemp, s.targetTemp, minutes, s.lineTime, s.kilnTemp);
        if (!std::isfinite(p.lineTime))
            fail("the point to resume from is not finite");
    }
    convert(s.savedAt);
    convert(s.scheduledStart);
    convert(s.lineTime);
    const QString text = FiringStateFile::toText(s);
    if (FiringStateFile::toText(FiringStateFile::fromText(text)) != text)
        fail("an accepted record does not read back the same");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    startQuietApplication(argc, argv);
    LocaleFacts::setCurrent(LocaleFacts{});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size >= sizeof(double)) {
        double days = 0;
        std::memcpy(&days, data, sizeof days);
        convert(days);
    }
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    FiringSnapshot s;
    try {
        s = FiringStateFile::fromText(TextCodec::decode(bytes));
    } catch (const std::exception& e) {
        if (!*e.what())
            fail("a record was refused without a text");
        return 0;
    }
    check(s);
    return 0;
}
