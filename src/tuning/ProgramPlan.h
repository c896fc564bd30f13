#pragma once
#include <vector>

class ProgramTable;

struct PlanLine {
    double temp = 0;  // °C
    int minutes = 0;
};

// A program's lines as the tuning runs them (PlanRunner): line 1 ramps from startTemp, each
// line from the previous line's temperature.
class ProgramPlan {
public:
    ProgramPlan() = default;
    ProgramPlan(std::vector<PlanLine> lines, double startTemp);
    // The lines before the table's end line; lines without time count as steps.
    static ProgramPlan fromTable(const ProgramTable& table, double startTemp);

    const std::vector<PlanLine>& lines() const { return lines_; }
    double startTemp() const { return startTemp_; }
    double seconds() const;  // the whole program
    bool empty() const { return lines_.empty(); }

private:
    std::vector<PlanLine> lines_;
    double startTemp_ = 0;
};
