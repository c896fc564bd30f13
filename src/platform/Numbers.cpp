#include "Numbers.h"

#include "LocaleFacts.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace Numbers {

// Numbers are read and written in ASCII with a point and converted here, never through
// the C library: the application object sets its locale from the environment, and
// strtod/printf would then expect and write the system's separator themselves.

bool parseDecimal(const QString& text, double& value)
{
    const QChar sep = LocaleFacts::current().decimalSeparator;
    const QString s = text.trimmed();
    const auto isDigit = [&s](int i) { return s[i] >= '0' && s[i] <= '9'; };
    int i = 0;
    const int n = s.size();
    QByteArray ascii;
    ascii.reserve(n + 1);
    if (i < n && (s[i] == '+' || s[i] == '-')) {
        if (s[i] == '-')
            ascii.append('-');
        ++i;
    }
    int digits = 0;
    while (i < n && isDigit(i)) {
        ascii.append(char(s[i++].unicode()));
        ++digits;
    }
    if (i < n && s[i] == sep) {
        ascii.append('.');
        ++i;
        while (i < n && isDigit(i)) {
            ascii.append(char(s[i++].unicode()));
            ++digits;
        }
    }
    if (digits == 0)
        return false;
    if (i < n && (s[i] == 'e' || s[i] == 'E')) {
        ascii.append('e');
        ++i;
        if (i < n && (s[i] == '+' || s[i] == '-'))
            ascii.append(char(s[i++].unicode()));
        int expDigits = 0;
        while (i < n && isDigit(i)) {
            ascii.append(char(s[i++].unicode()));
            ++expDigits;
        }
        if (expDigits == 0)
            return false;
    }
    if (i != n)
        return false;
    const char* const first = ascii.constData();
    const char* const last = first + ascii.size();
    double v = 0;
    std::from_chars_result r = std::from_chars(first, last, v, std::chars_format::general);
    if (r.ec == std::errc::result_out_of_range) {
        // Too small reads as 0; too large stays out of range below.
        long double wide = 0;
        r = std::from_chars(first, last, wide, std::chars_format::general);
        v = double(wide);
    }
    if (r.ec != std::errc() || r.ptr != last || !std::isfinite(v))
        return false;
    value = v;
    return true;
}

double parseDecimalOr(const QString& text, double fallback)
{
    double v = 0;
    return parseDecimal(text, v) ? v : fallback;
}

bool parseWhole(const QString& text, int& value)
{
    int i = 0;
    const int n = text.size();
    while (i < n && text[i] == ' ')
        ++i;
    bool negative = false;
    if (i < n && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    if (i == n)
        return false;
    long long v = 0;
    for (; i < n; ++i) {
        const QChar c = text[i];
        if (c < '0' || c > '9')
            return false;
        v = v * 10 + (c.unicode() - '0');
        if (v > 2147483648LL)
            return false;
    }
    if (negative)
        v = -v;
    if (v > std::numeric_limits<int>::max() || v < std::numeric_limits<int>::min())
        return false;
    value = int(v);
    return true;
}

int parseWholeOr(const QString& text, int fallback)
{
    int v = 0;
    return parseWhole(text, v) ? v : fallback;
}

namespace {

QString localised(QString s)
{
    const QChar sep = LocaleFacts::current().decimalSeparator;
    if (sep != '.')
        s.replace('.', sep);
    return s;
}

// |value| in ASCII by std::to_chars in the given format and precision.
std::string ascii(double value, std::chars_format format, int precision)
{
    // Fixed notation of the largest double has 309 integer digits.
    std::string buf(330 + std::max(precision, 0), '\0');
    const auto [end, ec] = std::to_chars(buf.data(), buf.data() + buf.size(), std::fabs(value), format, precision);
    buf.resize(ec == std::errc() ? std::size_t(end - buf.data()) : 0);
    return buf;
}

// Significant digits and decimal exponent of |value| rounded to `precision` digits.
void decompose(double value, int precision, QByteArray& digits, int& exponent)
{
    const std::string sci = ascii(value, std::chars_format::scientific, precision - 1);
    const std::size_t e = sci.find('e');
    digits.clear();
    for (std::size_t i = 0; i < e && i < sci.size(); ++i)
        if (sci[i] >= '0' && sci[i] <= '9')
            digits.append(sci[i]);
    exponent = 0;
    if (e != std::string::npos) {
        const char* p = sci.data() + e + 1;
        if (*p == '+')
            ++p;
        std::from_chars(p, sci.data() + sci.size(), exponent);
    }
    while (digits.size() > 1 && digits.endsWith('0'))
        digits.chop(1);
}

// |value| in fixed notation with `decimals` digits after a point, rounded once at the last
// digit kept: the `decimals`-th decimal or the `precision`-th significant digit, whichever
// comes first; the decimals past that are 0. Empty when the integer part needs more than
// `precision` digits.
std::string fixedDigits(double value, int precision, int decimals)
{
    int kept = decimals;
    if (value != 0) {
        // The exponent of the value itself, unrounded (17 digits tell every double apart).
        QByteArray digits;
        int exponent = 0;
        decompose(value, 17, digits, exponent);
        kept = std::min(decimals, precision - 1 - exponent);
        if (kept < 0)
            return {};
    }
    std::string out = ascii(value, std::chars_format::fixed, kept);
    const std::size_t point = out.find('.');
    if (int(point == std::string::npos ? out.size() : point) > precision)
        return {};  // rounding carried into one more integer digit
    if (kept < decimals) {
        if (kept == 0)
            out += '.';
        out.append(std::size_t(decimals - kept), '0');
    }
    return out;
}

// The sign for a fixed-notation text: none when every digit shown is 0.
QString sign(double value, const std::string& digits)
{
    if (value >= 0 || digits.find_first_of("123456789") == std::string::npos)
        return QString();
    return "-";
}

}  // namespace

QString formatGeneral(double value, int precision)
{
    if (std::isnan(value))
        return "NAN";
    if (std::isinf(value))
        return value > 0 ? "INF" : "-INF";
    if (value == 0)
        return "0";
    QByteArray digits;
    int exponent = 0;
    decompose(value, precision, digits, exponent);
    QString out = value < 0 ? "-" : "";
    const bool fixed = exponent < precision && std::fabs(value) >= 1e-5;
    if (fixed) {
        if (exponent < 0) {
            out += "0.";
            out += QString(-exponent - 1, '0');
            out += QString::fromLatin1(digits);
        } else {
            const int intDigits = exponent + 1;
            QString d = QString::fromLatin1(digits);
            if (d.size() <= intDigits) {
                out += d + QString(intDigits - d.size(), '0');
            } else {
                out += d.left(intDigits) + "." + d.mid(intDigits);
            }
        }
    } else {
        QString d = QString::fromLatin1(digits);
        out += d.left(1);
        if (d.size() > 1)
            out += "." + d.mid(1);
        out += "E" + QString::number(exponent);
    }
    return localised(out);
}

QString formatFixed(double value, int precision, int decimals)
{
    if (!std::isfinite(value))
        return formatGeneral(value, precision);
    const std::string digits = fixedDigits(value, precision, decimals);
    if (digits.empty())
        return formatGeneral(value, precision);
    return localised(sign(value, digits) + QString::fromLatin1(digits.data(), qsizetype(digits.size())));
}

QString formatThousands(double value, int decimals)
{
    constexpr int kPrecision = 15;
    if (!std::isfinite(value))
        return formatGeneral(value);
    const std::string digits = fixedDigits(value, kPrecision, decimals);
    if (digits.empty())
        return formatGeneral(value, kPrecision);
    const QString s = QString::fromLatin1(digits.data(), qsizetype(digits.size()));
    const int dot = s.indexOf('.');
    const QString intPart = dot < 0 ? s : s.left(dot);
    const QString frac = dot < 0 ? QString() : s.mid(dot + 1);
    const LocaleFacts& lf = LocaleFacts::current();
    QString out = sign(value, digits);
    for (int i = 0; i < intPart.size(); ++i) {
        if (i > 0 && (intPart.size() - i) % 3 == 0)
            out += lf.thousandSeparator;
        out += intPart[i];
    }
    if (!frac.isEmpty())
        out += lf.decimalSeparator + frac;
    return out;
}

QString formatPortable(double value)
{
    char buf[32];
    const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value);
    return ec == std::errc() ? QString::fromLatin1(buf, qsizetype(end - buf)) : QString();
}

bool parsePortable(const QString& text, double& value)
{
    const QByteArray ascii = text.toLatin1();
    if (ascii.isEmpty() || text.size() != ascii.size() || ascii.front() == '+')
        return false;
    const char* const first = ascii.constData();
    const char* const last = first + ascii.size();
    double v = 0;
    const auto [ptr, ec] = std::from_chars(first, last, v, std::chars_format::general);
    if (ec != std::errc() || ptr != last || !std::isfinite(v))
        return false;
    value = v;
    return true;
}

int roundHalfEven(double value)
{
    const double r = std::nearbyint(value);
    if (r >= double(std::numeric_limits<int>::max()))
        return std::numeric_limits<int>::max();
    if (r <= double(std::numeric_limits<int>::min()))
        return std::numeric_limits<int>::min();
    return int(r);
}

}  // namespace Numbers
