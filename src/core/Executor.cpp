#include "Executor.h"

#include "DateTime.h"
#include "FaultSupervisor.h"
#include "FiringResume.h"
#include "Numbers.h"
#include "Pid.h"
#include "TemperatureText.h"
#include "Widgets.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QStringList>
#include <QTabWidget>
#include <QTimer>
#include <cmath>

namespace {

struct StateLook {
    const char* key;
    QColor color;
};

StateLook lookOf(int state, const QColor& flash)
{
    switch (state) {
    case Running: return {"ProgRunning", Colors::Red};
    case Waiting: return {"ProgWaiting", Colors::Yellow};
    case Paused: return {"ProgPaused", Colors::Blue};
    case Finished: return {"ProgFinished", Colors::Lime};
    case BreakDown: return {"ProgBreakDown", flash};
    default: return {"ProgStopped", Colors::plainText()};
    }
}

bool isChecked(const QCheckBox* box) { return box && box->isChecked(); }

}  // namespace

Executor::Executor(KilnState& state, ProgramTable& program, const MessageSource& texts, EventLogWriter& log,
                   ExecutorView view, FaultSupervisor& faults, ExecutorHooks hooks)
    : state_(state), program_(program), texts_(texts), log_(log), view_(view), faults_(faults),
      hooks_(std::move(hooks))
{
}

const char* Executor::StateKey(int progState) { return lookOf(progState, QColor()).key; }

QString Executor::PadLeft5(const QString& s) { return (QString(5, ' ') + s).right(5); }

QString Executor::tin() const { return state_.Temps.TermSdeg(state_.kilnTemp()); }

void Executor::SetOutLevel(int k, int v)
{
    if (k >= 1 && k <= 2)
        state_.OutLevel[std::size_t(k)] = v;
}

// In the states without a running program the heater follows the room and the outputs
// are off, whatever path led there in this cycle.
void Executor::holdSafe()
{
    if (!programActive(state_.ProgState)) {
        state_.ProgIdle = 1;
        state_.TargetTemp = state_.outsideTemp();
    }
}

void Executor::ExecProgram()
{
    switch (state_.ProgState) {
    case Stopped:
        state_.TargetTemp = state_.outsideTemp();
        state_.ProgIdle = 1;
        break;
    case BreakDown:
        state_.TargetTemp = state_.outsideTemp();
        state_.ProgIdle = 1;
        if (hooks_.PlaySound)
            hooks_.PlaySound(6);  // the alarm, every cycle while it lasts
        break;
    case Finished:
        state_.ProgIdle = 1;
        state_.TargetTemp = state_.outsideTemp();
        state_.LineTime += state_.CycleStep;
        break;
    case Paused:
        state_.ProgIdle = 0;
        faults_.CheckBrokenDevices();
        break;
    case Running: stepRunning(); break;
    case Waiting: stepWaiting(); break;
    default:  // no valid state: nothing may be heated
        state_.TargetTemp = state_.outsideTemp();
        state_.ProgIdle = 1;
        break;
    }
    holdSafe();
    ShowState();
}

void Executor::stepRunning()
{
    state_.LineTime += state_.CycleStep;
    const int line = state_.ProgLine;
    const double s = line == 1 ? state_.StartTemp : program_.LineTemp(line - 1);
    const double e = program_.LineTemp(line);
    const int minutes = program_.LineMinutes(line);
    const double d = minutes / 1440.0;
    // No clamping: past the ramp's end the set point lies on its extension.
    state_.TargetTemp = d == 0 ? e : s + (state_.LineTime / d) * (e - s);
    if (state_.LineTime * 1440 >= minutes) {
        state_.ProgState = Waiting;
        log_.TLogLS("LogProgramWaiting", " (" + tin() + " -> " + state_.Temps.TermSdeg(state_.TargetTemp) + ")");
    }
    state_.ProgIdle = 0;
    faults_.CheckBrokenDevices();
}

void Executor::stepWaiting()
{
    state_.LineTime += state_.CycleStep;
    const int line = state_.ProgLine;
    const double e = program_.LineTemp(line);
    if (e == 0) {
        state_.ProgState = Finished;
        state_.TargetTemp = state_.outsideTemp();
        log_.TLogLS("LogProgramDone", ", T=" + tin());
    } else if (std::fabs(state_.kilnTemp() - e) < EditValue(view_.DEV, kDefaultDev)) {
        const int sound = program_.LineSound(line);
        if (sound >= 1 && sound <= 5 && hooks_.PlaySound)
            hooks_.PlaySound(sound);
        SetProgLine(line + 1);
        state_.LineTime = 0;
        state_.ProgState = Running;
        log_.TLogLS("LogProgramGoto", " " + Numbers::formatInt(state_.ProgLine) + ", T=" + tin());
    } else if (state_.LineTime * 1440 >
               double(program_.LineMinutes(line)) + EditValue(view_.IMPOSSIBLE, kDefaultImpossible)) {
        faults_.BreakDownUnreachable();
    }
    state_.ProgIdle = 0;
    faults_.CheckBrokenDevices();
    // Asked only now: an end that a broken device turned into a breakdown is no normal end.
    if (state_.ProgState == Finished && isChecked(view_.ShutDownNormal))
        faults_.RequestShutdown();
}

void Executor::ShowState()
{
    if (view_.ProgramLineNumber)
        view_.ProgramLineNumber->setText(texts_.LS("ProgramLineNumber") + Numbers::formatInt(state_.ProgLine));
    if (view_.ProgramTime)
        view_.ProgramTime->setText(texts_.LS("ProgramTime") + DateTime::signedLongTime(state_.LineTime));
    if (view_.ProgramState) {
        const StateLook look = lookOf(state_.ProgState, state_.FlashColor);
        view_.ProgramState->setText(texts_.LS("ProgramState") + texts_.LS(look.key));
        Colors::setTextColor(view_.ProgramState, look.color);
    }
}

void Executor::SetProgLine(int n)
{
    state_.ProgLine = n;
    if (n != 0) {
        if (hooks_.AddLineMark)
            hooks_.AddLineMark(state_.recordTime(), state_.Temps.TX(state_.TargetTemp), Numbers::formatInt(n));
        const int mask = program_.LineOutMask(n);
        SetOutLevel(1, (mask & 1) ? 100 : 0);
        SetOutLevel(2, (mask & 2) ? 100 : 0);
    } else {
        if (hooks_.AddLineMark && hooks_.LineMarkCount && hooks_.LineMarkCount() > 0)
            hooks_.AddLineMark(state_.recordTime(), state_.Temps.TX(state_.outsideTemp()), "0");
        SetOutLevel(1, 0);
        SetOutLevel(2, 0);
    }
    if (hooks_.DrawProg)
        hooks_.DrawProg();
}

void Executor::Prog_init()
{
    state_.ProgState = Stopped;
    SetProgLine(0);
    state_.LineTime = 0;
    state_.ProgIdle = 1;
    holdSafe();
    ShowState();
}

void Executor::Continue(int line, double lineTime, int progState, double startTemp, double targetTemp)
{
    PidReset(state_.Pid);
    state_.TargetTemp = targetTemp;  // where the line's mark goes
    SetProgLine(line);
    state_.LineTime = lineTime;
    state_.StartTemp = startTemp;
    state_.ProgState = progState;
    ShowState();
}

void Executor::StartButtonClick()
{
    if (hooks_.DrawProg)
        hooks_.DrawProg();
    if (state_.ProgImpossible) {
        if (view_.PageControl1)
            view_.PageControl1->setCurrentIndex(1);
        return;
    }
    PidReset(state_.Pid);
    // A finished or broken-down firing starts again from the beginning. A line chosen with
    // Prev/Next, or the line a pause left, is kept with its time.
    const bool fresh = state_.ProgLine == 0 || state_.ProgState == Finished || state_.ProgState == BreakDown;
    state_.StartTemp = state_.kilnTemp();
    const int skipped = fresh ? PassedHeatingLines() : 0;
    if (fresh) {
        state_.LineTime = 0;
        SetProgLine(skipped + 1);
        if (skipped > 0)
            state_.LineTime = lineTimeAtKiln(skipped + 1);
    }
    state_.ProgState = Running;

    const StringGrid& grid = program_.grid();
    QString temps;
    QString times;
    const int end = program_.EndLine();
    for (int n = 1; n < end && n + 1 < grid.rows(); ++n) {
        temps += PadLeft5(grid.cell(1, n + 1)) + " ";
        times += PadLeft5(grid.cell(2, n + 1)) + " ";
    }
    const QString file = hooks_.ProgramFileName ? hooks_.ProgramFileName() : QString();
    log_.TLogLS("LogProgram", file + "\r\n" + temps + "\r\n" + times);
    if (skipped > 0)
        log_.TLogLS("LogSkippedLines", skippedText(skipped));
    log_.TLogLS("LogKilningProgramStart", Numbers::formatInt(state_.ProgLine) + ", T=" + tin());
    ShowState();
}

// A kiln that is still warm would be driven down to the first line's temperature and then
// heated again, or break down waiting for it. The lines at the start of the program that
// heat (or hold) on the way up and whose temperature the kiln has already passed are
// skipped; a line followed by cooling, and the last line before the end, are always run, so
// a program that deliberately cools keeps its lines.
int Executor::PassedHeatingLines() const
{
    const double kiln = state_.kilnTemp();
    const int end = program_.EndLine();
    int n = 1;
    while (n + 1 < end && program_.LineTemp(n) <= program_.LineTemp(n + 1) && kiln >= program_.LineTemp(n))
        ++n;
    return n - 1;
}

// The line time at which the line's ramp passes the kiln temperature, so that it goes on
// from where the kiln stands at the line's own rate.
double Executor::lineTimeAtKiln(int line) const
{
    return ResumePoint::of(program_.LineTemp(line - 1), program_.LineTemp(line), program_.LineMinutes(line), 0,
                           state_.kilnTemp())
        .lineTime;
}

QString Executor::skippedText(int skipped) const
{
    QStringList lines;
    for (int n = 1; n <= skipped; ++n)
        lines << Numbers::formatInt(n);
    return " " + lines.join(", ") + ", T=" + tin();
}

void Executor::StopButtonClick()
{
    SetProgLine(0);
    state_.LineTime = 0;
    state_.ProgState = Stopped;
    holdSafe();
    // The heater goes off now, not at the next cycle's power decision.
    state_.Pid.Power = 0;
    state_.Pid.Output = 0;
    log_.TLogLS("LogKilningProgramStop", "T=" + tin());
    ShowState();
}

void Executor::PauseButtonClick()
{
    state_.ProgState = Paused;
    state_.TargetTemp = state_.kilnTemp();
    log_.TLogLS("LogKilningProgramPause", Numbers::formatInt(state_.ProgLine) + ", T=" + tin());
    ShowState();
}

void Executor::PrevButtonClick()
{
    if (state_.ProgLine > 1)
        SetProgLine(state_.ProgLine - 1);
    state_.LineTime = 0;
    log_.TLogLS("LogKilningProgramPrev", " (" + Numbers::formatInt(state_.ProgLine) + "), T=" + tin());
    ShowState();
}

void Executor::NextButtonClick()
{
    if (state_.ProgLine < ProgramTable::kMaxLine)
        SetProgLine(state_.ProgLine + 1);
    state_.LineTime = 0;
    log_.TLogLS("LogKilningProgramNext", " (" + Numbers::formatInt(state_.ProgLine) + "), T=" + tin());
    ShowState();
}
