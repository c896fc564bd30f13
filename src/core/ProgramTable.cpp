#include "ProgramTable.h"

#include "Numbers.h"
#include "TemperatureText.h"
#include "Widgets.h"

#include <algorithm>
#include <cmath>

const QStringList& OutOptions()
{
    static const QStringList options{"    ", "A   ", "   B", "A  B"};
    return options;
}

int ProgramTable::lineCount() const { return grid_.rows() - kHeaderRows; }

QString ProgramTable::tempCell(int n) const { return grid_.cell(1, n + 1); }

QString ProgramTable::timeCell(int n) const { return grid_.cell(2, n + 1); }

bool ProgramTable::TempCellEnds(const QString& text, const TemperatureScale& scale)
{
    double shown = 0;
    if (!Numbers::parseDecimal(text, shown))
        return true;
    return std::fabs(shown) < TemperatureScale::kZeroSnap || scale.ST(text) == 0;
}

bool ProgramTable::LineEnds(int n) const { return TempCellEnds(tempCell(n), scale_); }

double ProgramTable::LineTemp(int n) const { return LineEnds(n) ? 0 : scale_.ST(tempCell(n)); }

int ProgramTable::EndLine() const
{
    int n = 1;
    while (n <= lineCount() && !LineEnds(n))
        ++n;
    return n;
}

bool ProgramTable::TempCellUnreadable(int n) const
{
    const QString temp = tempCell(n).trimmed();
    double value = 0;
    return !temp.isEmpty() && !Numbers::parseDecimal(temp, value);
}

bool ProgramTable::TimeCellUnreadable(int n, bool endLine) const
{
    const QString time = timeCell(n).trimmed();
    // An empty end line is the usual end of a table typed by hand.
    if (endLine && time.isEmpty())
        return false;
    int minutes = 0;
    return !Numbers::parseWhole(time, minutes) || minutes < 0;
}

int ProgramTable::FirstUnreadableLine() const
{
    const int end = EndLine();
    for (int n = 1; n <= std::min(end, lineCount()); ++n)
        if (TempCellUnreadable(n) || TimeCellUnreadable(n, n == end))
            return n;
    return 0;
}

int ProgramTable::LineMinutes(int n) const { return Numbers::parseWholeOr(timeCell(n), 0); }

int ProgramTable::LineSound(int n) const { return Numbers::parseWholeOr(grid_.cell(3, n + 1), 0); }

int ProgramTable::LineOutMask(int n) const
{
    const int k = OutOptions().indexOf(grid_.cell(4, n + 1));
    return k < 0 ? 0 : k;
}
