#pragma once
#include <QString>

// Number readers and writers. Every number the program shows or reads goes through here,
// so the system's decimal and thousands separators are honoured in one place.
namespace Numbers {

// Strict decimal reader: optional blanks around, optional sign, digits with at most one
// decimal separator (the system's), optional exponent. No thousands separators.
bool parseDecimal(const QString& text, double& value);
double parseDecimalOr(const QString& text, double fallback);

// Whole decimal number in 32-bit range: optional leading blanks, optional sign, digits.
bool parseWhole(const QString& text, int& value);
int parseWholeOr(const QString& text, int fallback);

// General form with the given number of significant digits: fixed notation while the
// integer part has no more digits than that and the magnitude is at least 1e-5,
// otherwise exponent form ("1.5E-6"). Trailing zeros are dropped. System separator.
QString formatGeneral(double value, int precision = 15);

// Fixed notation with `decimals` digits after the separator and at most `precision`
// significant digits (further digits print as 0), rounded once at the last digit kept;
// values needing more than `precision` integer digits fall back to the general form.
QString formatFixed(double value, int precision, int decimals);

// formatFixed at 15 significant digits with thousands separators (the system's).
QString formatThousands(double value, int decimals);

// Decimal text of an integer.
inline QString formatInt(long long value) { return QString::number(value); }

// The shortest text that reads back as the same double, always with a point and whatever
// the system's separator: for files the program alone reads back. Finite values only.
QString formatPortable(double value);
// Reads what formatPortable wrote (no blanks, no other separator); false for anything else
// and for values that are not finite.
bool parsePortable(const QString& text, double& value);

// Round to the nearest integer, halves to even.
int roundHalfEven(double value);

}  // namespace Numbers
