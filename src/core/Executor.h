#pragma once
#include "KilnState.h"
#include "ProgramTable.h"
#include "Texts.h"

#include <QString>
#include <functional>

class FaultSupervisor;
class QCheckBox;
class QLabel;
class QLineEdit;
class QTabWidget;

// The controls the executor reads and drives.
struct ExecutorView {
    QLabel* ProgramState = nullptr;
    QLabel* ProgramLineNumber = nullptr;
    QLabel* ProgramTime = nullptr;
    QLineEdit* DEV = nullptr;         // arrival tolerance, °C
    QLineEdit* IMPOSSIBLE = nullptr;  // minutes allowed beyond a line's own time
    QCheckBox* ShutDownNormal = nullptr;
    QTabWidget* PageControl1 = nullptr;  // page 1 is the program tab
};

// Calls into parts built elsewhere; an empty hook is skipped.
struct ExecutorHooks {
    std::function<void(int)> PlaySound;  // event 1..6
    std::function<bool()> DrawProg;      // redraws the table and preview, re-evaluates ProgImpossible
    std::function<void(double x, double y, const QString& label)> AddLineMark;  // series "Numbers"
    std::function<int()> LineMarkCount;
    std::function<QString()> ProgramFileName;
};

// Follows the firing program line by line, once per control cycle.
class Executor {
public:
    static constexpr double kDefaultDev = 10;
    static constexpr double kDefaultImpossible = 120;

    Executor(KilnState& state, ProgramTable& program, const MessageSource& texts, EventLogWriter& log,
             ExecutorView view, FaultSupervisor& faults, ExecutorHooks hooks = {});

    void ExecProgram();
    void SetProgLine(int n);
    void Prog_init();

    void StartButtonClick();
    void StopButtonClick();
    void PauseButtonClick();
    void PrevButtonClick();
    void NextButtonClick();

    void SetOutLevel(int k, int v);

    // Takes up a firing where an earlier run left it: line (its outputs and mark), line time,
    // state and the start of line 1's ramp, with a clean regulator. Nothing is logged here.
    void Continue(int line, double lineTime, int progState, double startTemp, double targetTemp);

    // The message key of a state's name.
    static const char* StateKey(int progState);

    // s right-aligned in five characters, or its last five characters when longer.
    static QString PadLeft5(const QString& s);

    // Line, line time and state as they are now.
    void ShowState();

    // How many lines at the start of the program a kiln at its present temperature has
    // already passed on the way up.
    int PassedHeatingLines() const;

private:
    void stepRunning();
    void stepWaiting();
    void holdSafe();
    QString tin() const;
    double lineTimeAtKiln(int line) const;
    QString skippedText(int skipped) const;

    KilnState& state_;
    ProgramTable& program_;
    const MessageSource& texts_;
    EventLogWriter& log_;
    ExecutorView view_;
    FaultSupervisor& faults_;
    ExecutorHooks hooks_;
};
