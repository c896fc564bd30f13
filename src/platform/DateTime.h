#pragma once
#include <QDateTime>
#include <QString>

// Date-times are doubles: days since 1899-12-30 00:00 local time, the fraction being the
// time of day. Durations are days too (one second = 1/86400).
namespace DateTime {

constexpr double kSecond = 1.0 / 86400.0;
constexpr double kMinute = 1.0 / 1440.0;

// The date-times a stored value may hold, 1980-01-01 to 2200-01-01: anything outside is a
// damaged value, not a time this program wrote.
constexpr double kEarliest = 29221;
constexpr double kLatest = 109575;
bool plausible(double days);

double fromQDateTime(const QDateTime& dt);
// Not a number or beyond a million days either way: an invalid QDateTime (shown as zeros).
QDateTime toQDateTime(double days);

// The time of day of a date-time (or a duration), ignoring whole days.
QTime timeOfDay(double days);

// "yy.mm.dd hh:nn:ss", the ":" being the system's time separator.
QString stamp(double days);
// "yy-mm-dd hh-nn-ss", for file names.
QString fileStamp(double days);
// "hh:nn:ss" with the system's time separator; hours wrap after 24.
QString hms(double days);
// The system's long time format; hours wrap after 24.
QString longTime(double days);
// A duration in the long time format, with a minus sign in front when it is negative.
QString signedLongTime(double days);
// "hh:nn" with the system's time separator: a clock time to the minute.
QString hm(double days);
// A length of time as "h:nn" (to the nearest minute) or "h:nn:ss" (whole seconds, rounded
// up, so that a countdown shows 0:00:00 only when it has run out); hours do not wrap and a
// negative length counts as 0.
QString span(double days, bool withSeconds);

}  // namespace DateTime
