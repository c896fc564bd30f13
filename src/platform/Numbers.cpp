#include "Numbers.h"

#include "LocaleFacts.h"

#include <cmath>
#include <cstdio>
#include <limits>

namespace Numbers {

bool parseDecimal(const QString& text, double& value)
{
    const QChar sep = LocaleFacts::current().decimalSeparator;
    const QString s = text.trimmed();
    int i = 0;
    const int n = s.size();
    QByteArray ascii;
    ascii.reserve(n + 1);
    if (i < n && (s[i] == '+' || s[i] == '-'))
        ascii.append(char(s[i++].unicode()));
    int digits = 0;
    while (i < n && s[i].isDigit() && s[i].unicode() < 128) {
        ascii.append(char(s[i++].unicode()));
        ++digits;
    }
    if (i < n && s[i] == sep) {
        ascii.append('.');
        ++i;
        while (i < n && s[i].isDigit() && s[i].unicode() < 128) {
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
        while (i < n && s[i].isDigit() && s[i].unicode() < 128) {
            ascii.append(char(s[i++].unicode()));
            ++expDigits;
        }
        if (expDigits == 0)
            return false;
    }
    if (i != n)
        return false;
    char* end = nullptr;
    const double v = std::strtod(ascii.constData(), &end);
    if (!std::isfinite(v))
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

// Significant digits and decimal exponent of |value| rounded to `precision` digits.
void decompose(double value, int precision, QByteArray& digits, int& exponent)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*e", precision - 1, std::fabs(value));
    const char* p = buf;
    digits.clear();
    while (*p && *p != 'e') {
        if (*p >= '0' && *p <= '9')
            digits.append(*p);
        ++p;
    }
    exponent = (*p == 'e') ? std::atoi(p + 1) : 0;
    while (digits.size() > 1 && digits.endsWith('0'))
        digits.chop(1);
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
    QByteArray digits;
    int exponent = 0;
    if (value != 0) {
        decompose(value, precision, digits, exponent);
        if (exponent + 1 > precision)
            return formatGeneral(value, precision);
    }
    // Keep only `precision` significant digits, then print with the fixed decimals.
    const double rounded = value == 0 ? 0.0 : std::strtod(QByteArray("0." + digits + "e" + QByteArray::number(exponent + 1)).constData(), nullptr);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, rounded);
    QString out = QString::fromLatin1(buf);
    bool allZero = true;
    for (QChar c : out)
        if (c.isDigit() && c != '0')
            allZero = false;
    if (allZero && out.startsWith('-'))
        out.remove(0, 1);
    if (value < 0 && !allZero && !out.startsWith('-'))
        out.prepend('-');
    return localised(out);
}

QString formatThousands(double value, int decimals)
{
    if (!std::isfinite(value))
        return formatGeneral(value);
    char buf[128];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, std::fabs(value));
    QString s = QString::fromLatin1(buf);
    const int dot = s.indexOf('.');
    QString intPart = dot < 0 ? s : s.left(dot);
    const QString frac = dot < 0 ? QString() : s.mid(dot + 1);
    const LocaleFacts& lf = LocaleFacts::current();
    QString grouped;
    for (int i = 0; i < intPart.size(); ++i) {
        if (i > 0 && (intPart.size() - i) % 3 == 0)
            grouped += lf.thousandSeparator;
        grouped += intPart[i];
    }
    bool allZero = true;
    for (QChar c : s)
        if (c.isDigit() && c != '0')
            allZero = false;
    QString out = (value < 0 && !allZero) ? "-" : "";
    out += grouped;
    if (!frac.isEmpty())
        out += lf.decimalSeparator + frac;
    return out;
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
