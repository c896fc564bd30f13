#include "FiringForecast.h"

#include "DateTime.h"
#include "Executor.h"
#include "Numbers.h"
#include "ProgramTable.h"
#include "Simulator.h"
#include "Widgets.h"

#include <QLabel>
#include <QLineEdit>

FiringForecast::FiringForecast(KilnState& state, const ProgramTable& program, const MessageSource& texts,
                               EventLogWriter& log, FiringForecastView view, std::function<QString()> countdown,
                               std::function<QString()> notice)
    : state_(state),
      program_(program),
      texts_(texts),
      log_(log),
      view_(view),
      countdown_(std::move(countdown)),
      notice_(std::move(notice))
{
}

void FiringForecast::ShowForecast()
{
    record();
    judge();
    Show();
}

// Only fresh readings: a lost cycle repeats the last one.
void FiringForecast::record()
{
    if (state_.LinkOk)
        history_.add(state_.steadyTime(), state_.kilnTemp(), state_.Pid.Power);
}

double FiringForecast::dev() const { return EditValue(view_.DEV, Executor::kDefaultDev); }

ReachInput FiringForecast::reachInput() const
{
    ReachInput in;
    in.kilnTemp = state_.kilnTemp();
    in.outsideTemp = state_.outsideTemp();
    in.lineTemp = program_.LineTemp(state_.ProgLine);
    in.dev = dev();
    in.elapsedMinutes = state_.LineTime * 1440;
    in.minutesToBreakdown = program_.LineMinutes(state_.ProgLine) +
                            EditValue(view_.IMPOSSIBLE, Executor::kDefaultImpossible) - in.elapsedMinutes;
    in.rate = history_.ratePerMinute();
    in.meanPower = history_.meanPower();
    in.model = SimulatorView{view_.MODEL_P, view_.MODEL_I, view_.MODEL_R}.factors();
    return in;
}

// Only a line that runs or waits can end in the unreachable-temperature breakdown.
void FiringForecast::judge()
{
    const bool judged = state_.ProgState == Running || state_.ProgState == Waiting;
    if (!judged || program_.LineTemp(state_.ProgLine) == 0) {
        if (!programActive(state_.ProgState))
            warning_.reset();
        return;
    }
    const ReachInput in = reachInput();
    if (warning_.Follow(state_.ProgLine, state_.steadyTime() * 1440, ReachWarning::Unreachable(in)))
        log_.TLogLS("LogReachWarning", " " + Numbers::formatInt(state_.ProgLine) + ", T=" +
                                           state_.Temps.TermSdeg(in.kilnTemp) + " -> " +
                                           state_.Temps.TermSdeg(in.lineTemp));
}

EndForecast FiringForecast::forecast() const
{
    ForecastInput in;
    in.line = state_.ProgLine;
    in.elapsedMinutes = state_.LineTime * 1440;
    in.kilnTemp = state_.kilnTemp();
    in.dev = dev();
    in.rate = history_.ratePerMinute();
    return EndForecast::of(program_, in);
}

QString FiringForecast::forecastText(const EndForecast& f) const
{
    // Named in the wall clock as it reads now.
    const double end = state_.CycleTime + f.minutes * DateTime::kMinute;
    if (f.waitUnknown)
        return texts_.LS("ForecastEndAfter") + DateTime::hm(end) + texts_.LS("ForecastWaitUnknown");
    return texts_.LS("ForecastEnd") + DateTime::hm(end) + texts_.LS("ForecastLeft") +
           DateTime::span(f.minutes * DateTime::kMinute, false);
}

void FiringForecast::Show()
{
    if (!view_.ProgramForecast)
        return;
    const QString countdown = countdown_ ? countdown_() : QString();
    QString text;
    if (!countdown.isEmpty())
        text = countdown;
    else if (programActive(state_.ProgState) && state_.ProgLine > 0)
        text = forecastText(forecast());
    const QString notice = notice_ ? notice_() : QString();
    if (!notice.isEmpty())
        text = text.isEmpty() ? notice : notice + "  " + text;
    view_.ProgramForecast->setText(text);
    // Without a text the panel's line above stands centred, as it always did.
    view_.ProgramForecast->setVisible(!text.isEmpty());
    const bool red = !notice.isEmpty() || (warning_.standing() && countdown.isEmpty());
    Colors::setTextColor(view_.ProgramForecast, red ? Colors::Red : Colors::plainText());
}
