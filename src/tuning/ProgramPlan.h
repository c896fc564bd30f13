#pragma once
#include <vector>

class ProgramTable;

struct PlanLine {
    double temp = 0;  // °C
    int minutes = 0;
};

// The set point of a program over time, as the executor runs it when the kiln keeps up:
// line 1 ramps from startTemp, each line from the previous line's temperature.
class ProgramPlan {
public:
    ProgramPlan() = default;
    ProgramPlan(std::vector<PlanLine> lines, double startTemp);
    // The lines before the table's end line; lines without time count as steps.
    static ProgramPlan fromTable(const ProgramTable& table, double startTemp);

    const std::vector<PlanLine>& lines() const { return lines_; }
    double startTemp() const { return startTemp_; }
    double seconds() const;                   // the whole program
    double setPointAt(double seconds) const;  // past the end: the last line's temperature
    bool rampAt(double seconds) const;        // the set point moves at that time
    bool empty() const { return lines_.empty(); }
    // The temperature line n (1-based) starts from.
    double lineStart(int n) const;

private:
    std::vector<PlanLine> lines_;
    double startTemp_ = 0;
};
