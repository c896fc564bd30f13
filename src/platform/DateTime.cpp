#include "DateTime.h"

#include "LocaleFacts.h"

#include <algorithm>
#include <cmath>

namespace DateTime {

namespace {
const QDate kEpoch(1899, 12, 30);

QString two(int v) { return QString::number(v).rightJustified(2, '0'); }
}  // namespace

double fromQDateTime(const QDateTime& dt)
{
    const QDateTime local = dt.toLocalTime();
    const double days = double(kEpoch.daysTo(local.date()));
    const double ms = double(local.time().msecsSinceStartOfDay());
    return days + ms / 86400000.0;
}

bool plausible(double days) { return std::isfinite(days) && days >= kEarliest && days <= kLatest; }

QDateTime toQDateTime(double days)
{
    // Far beyond any date a program meets; the conversions below stay within their types.
    constexpr double kFarthest = 1e6;
    if (!std::isfinite(days) || std::fabs(days) > kFarthest)
        return QDateTime();
    const double whole = std::floor(days);
    qint64 ms = qint64(std::llround((days - whole) * 86400000.0));
    qint64 dayCount = qint64(whole);
    if (ms >= 86400000) {
        ms -= 86400000;
        ++dayCount;
    }
    return QDateTime(kEpoch.addDays(dayCount), QTime::fromMSecsSinceStartOfDay(int(ms)));
}

QTime timeOfDay(double days)
{
    if (!std::isfinite(days))
        return QTime(0, 0);
    const double frac = days - std::floor(days);
    qint64 ms = qint64(std::llround(frac * 86400000.0));
    if (ms >= 86400000)
        ms = 0;
    return QTime::fromMSecsSinceStartOfDay(int(ms));
}

QString stamp(double days)
{
    const QDateTime dt = toQDateTime(days);
    const QChar sep = LocaleFacts::current().timeSeparator;
    const QDate d = dt.date();
    const QTime t = dt.time();
    return two(d.year() % 100) + "." + two(d.month()) + "." + two(d.day()) + " " + two(t.hour()) + sep +
           two(t.minute()) + sep + two(t.second());
}

QString fileStamp(double days)
{
    const QDateTime dt = toQDateTime(days);
    const QDate d = dt.date();
    const QTime t = dt.time();
    return two(d.year() % 100) + "-" + two(d.month()) + "-" + two(d.day()) + " " + two(t.hour()) + "-" +
           two(t.minute()) + "-" + two(t.second());
}

QString hms(double days)
{
    const QTime t = timeOfDay(days);
    const QChar sep = LocaleFacts::current().timeSeparator;
    return two(t.hour()) + sep + two(t.minute()) + sep + two(t.second());
}

QString longTime(double days) { return timeOfDay(days).toString(LocaleFacts::current().longTimeFormat); }

QString signedLongTime(double days) { return days < 0 ? "-" + longTime(-days) : longTime(days); }

QString hm(double days)
{
    const QTime t = toQDateTime(days).time();
    return two(t.hour()) + LocaleFacts::current().timeSeparator + two(t.minute());
}

QString span(double days, bool withSeconds)
{
    const QChar sep = LocaleFacts::current().timeSeparator;
    // Capped where the whole numbers below still hold it (a million days).
    const double length = std::isfinite(days) ? std::clamp(days, 0.0, 1e6) : 0.0;
    if (!withSeconds) {
        const long long minutes = std::llround(length * 1440);
        return QString::number(minutes / 60) + sep + two(int(minutes % 60));
    }
    // A hair below a whole second is that second: the sum of 2-second steps is never exact.
    const long long seconds = std::llround(std::ceil(length * 86400 - 1e-6));
    return QString::number(seconds / 3600) + sep + two(int(seconds / 60 % 60)) + sep + two(int(seconds % 60));
}

}  // namespace DateTime
