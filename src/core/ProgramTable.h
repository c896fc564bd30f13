#pragma once
#include <QString>
#include <QStringList>

class StringGrid;
class TemperatureScale;

// The four output texts of the program table's last column; a text's position is the
// output mask (bit 0 output A, bit 1 output B).
const QStringList& OutOptions();

// The firing program as it stands in the grid `Prog`: line n on grid row n + 1, columns
// Temp, Time, Sound and Out. Every reader goes through these accessors, which map
// unreadable cells to their defaults.
class ProgramTable {
public:
    static constexpr int kHeaderRows = 2;
    static constexpr int kColumns = 5;
    static constexpr int kInitialRows = 201;
    static constexpr int kMaxLine = 200;

    ProgramTable(StringGrid& grid, const TemperatureScale& scale) : grid_(grid), scale_(scale) {}

    StringGrid& grid() const { return grid_; }
    int lineCount() const;

    double LineTemp(int n) const;   // °C; 0 for the end line (LineEnds)
    // Line n ends the program: its Temp cell is empty, no number, or reads 0 in the table's
    // own scale or as 0 °C. A "0" is the end on every scale, not -17.8 °C under °F.
    bool LineEnds(int n) const;
    // The program's end line: the first line that ends it, at most one past the grid.
    int EndLine() const;
    // A Temp cell up to the end that holds text but no number, or a Time cell up to and
    // including the end that holds no whole number of minutes: the first such line, or 0.
    // Such a cell would otherwise run as the end, or as a step at full power.
    int FirstUnreadableLine() const;
    bool TempCellUnreadable(int n) const;
    bool TimeCellUnreadable(int n, bool endLine) const;
    static bool TempCellEnds(const QString& text, const TemperatureScale& scale);
    int LineMinutes(int n) const;   // whole minutes; 0 if not a whole number
    int LineSound(int n) const;     // 0 if not a whole number
    int LineOutMask(int n) const;   // 0..3; 0 for a text not in OutOptions

    QString tempCell(int n) const;
    QString timeCell(int n) const;

private:
    StringGrid& grid_;
    const TemperatureScale& scale_;
};
