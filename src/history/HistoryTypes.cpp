#include "HistoryTypes.h"

namespace {

struct Name {
    Outcome outcome;
    const char* name;     // as the file keeps it
    const char* textKey;  // what the window shows
};
constexpr Name kNames[] = {{Outcome::Open, "", "HistoryRunning"},
                           {Outcome::Finished, "Finished", "HistoryFinished"},
                           {Outcome::Stopped, "Stopped", "HistoryStopped"},
                           {Outcome::BreakDown, "BreakDown", "HistoryBreakDown"},
                           {Outcome::Interrupted, "Interrupted", "HistoryInterrupted"}};

}  // namespace

QString outcomeName(Outcome o)
{
    for (const Name& n : kNames)
        if (n.outcome == o)
            return QString::fromLatin1(n.name);
    return {};
}

const char* outcomeTextKey(Outcome o)
{
    for (const Name& n : kNames)
        if (n.outcome == o)
            return n.textKey;
    return "";
}

Outcome outcomeFromName(const QString& name)
{
    for (const Name& n : kNames)
        if (name == QLatin1String(n.name))
            return n.outcome;
    return Outcome::Open;
}
