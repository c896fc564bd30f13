#include "ProgramTable.h"

#include "Numbers.h"
#include "TemperatureText.h"
#include "Widgets.h"

const QStringList& OutOptions()
{
    static const QStringList options{"    ", "A   ", "   B", "A  B"};
    return options;
}

int ProgramTable::lineCount() const { return grid_.rows() - kHeaderRows; }

QString ProgramTable::tempCell(int n) const { return grid_.cell(1, n + 1); }

QString ProgramTable::timeCell(int n) const { return grid_.cell(2, n + 1); }

double ProgramTable::LineTemp(int n) const { return scale_.ST(tempCell(n)); }

int ProgramTable::LineMinutes(int n) const { return Numbers::parseWholeOr(timeCell(n), 0); }

int ProgramTable::LineSound(int n) const { return Numbers::parseWholeOr(grid_.cell(3, n + 1), 0); }

int ProgramTable::LineOutMask(int n) const
{
    const int k = OutOptions().indexOf(grid_.cell(4, n + 1));
    return k < 0 ? 0 : k;
}
