#include "TemperatureText.h"

#include "LocaleFacts.h"
#include "Numbers.h"
#include "Widgets.h"

#include <QLineEdit>
#include <cmath>

namespace {
double snap(double v) { return std::fabs(v) < TemperatureScale::kZeroSnap ? 0.0 : v; }
}  // namespace

QString TemperatureScale::unitText(int scale)
{
    switch (scale) {
    case 0: return QString::fromUtf8("°C");
    case 1: return QString::fromUtf8("°F");
    case 2: return "K";
    case 3: return QString::fromUtf8("°Ra");
    case 4: return QString::fromUtf8("°R");
    default: return QString();
    }
}

std::optional<TemperatureScale> TemperatureScale::ofUnit(const QString& unit)
{
    for (int scale = 0; scale <= 4; ++scale)
        if (unit.trimmed() == unitText(scale)) {
            TemperatureScale s;
            s.TempScale = scale;
            return s;
        }
    return std::nullopt;
}

double TemperatureScale::TX(double t) const
{
    double v = t;
    switch (TempScale) {
    case 1: v = t * 1.8 + 32; break;
    case 2: v = t + 273.15; break;
    case 3: v = t * 1.8 + 32 + 459.67; break;
    case 4: v = t * 0.8; break;
    default: break;
    }
    return snap(v);
}

double TemperatureScale::ST(const QString& text) const
{
    const double v = snap(Numbers::parseDecimalOr(text, kBadNumber));
    if (v == kBadNumber)
        return 0;
    return Celsius(v);
}

double TemperatureScale::Celsius(double v) const
{
    switch (TempScale) {
    case 1: return (v - 32) / 1.8;
    case 2: return v - 273.15;
    case 3: return (v - 459.67 - 32) / 1.8;
    case 4: return v * 1.25;
    default: return v;
    }
}

QString TemperatureScale::TermS(double t) const { return Numbers::formatFixed(TX(t), 5, 1); }

QString NormalizeDecimal(const QString& text)
{
    const QChar sep = LocaleFacts::current().decimalSeparator;
    QString s = text;
    const int dot = s.indexOf('.');
    if (dot >= 0)
        s[dot] = sep;
    const int comma = s.indexOf(',');
    if (comma >= 0)
        s[comma] = sep;
    return s;
}

double EditValue(QLineEdit* field, double fallback)
{
    if (!field)
        return fallback;
    const double v = Numbers::parseDecimalOr(NormalizeDecimal(field->text()), TemperatureScale::kBadNumber);
    if (v == TemperatureScale::kBadNumber) {
        Colors::setBackground(field, Colors::Red);
        return fallback;
    }
    Colors::setBackground(field, Colors::Lime);
    return v;
}
