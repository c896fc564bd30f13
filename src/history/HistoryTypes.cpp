#include "HistoryTypes.h"

namespace {

struct Name {
    Outcome outcome;
    const char* name;
};
constexpr Name kNames[] = {{Outcome::Open, ""},
                           {Outcome::Finished, "Finished"},
                           {Outcome::Stopped, "Stopped"},
                           {Outcome::BreakDown, "BreakDown"},
                           {Outcome::Interrupted, "Interrupted"}};

}  // namespace

QString outcomeName(Outcome o)
{
    for (const Name& n : kNames)
        if (n.outcome == o)
            return QString::fromLatin1(n.name);
    return {};
}

Outcome outcomeFromName(const QString& name)
{
    for (const Name& n : kNames)
        if (name == QLatin1String(n.name))
            return n.outcome;
    return Outcome::Open;
}
