#pragma once
#include <QString>
#include <optional>

class QLineEdit;

// Temperatures are held in degrees Celsius and shown in one of five scales.
class TemperatureScale {
public:
    static constexpr double kZeroSnap = 0.0001;
    static constexpr double kBadNumber = -987654321.0;

    int TempScale = 0;  // 0 °C, 1 °F, 2 K, 3 °Ra, 4 °R

    static QString unitText(int scale);
    // The scale whose unit text this is (surrounding spaces aside); none for another text.
    static std::optional<TemperatureScale> ofUnit(const QString& unit);
    QString Deg() const { return unitText(TempScale); }
    double TX(double celsius) const;
    double ST(const QString& text) const;
    double Celsius(double value) const;  // the inverse of TX
    QString TermS(double celsius) const;
    QString TermSdeg(double celsius) const { return TermS(celsius) + " " + Deg(); }
};

// Makes a number typed with either separator readable under the system's separator: the
// first "." and then the first "," become the system's decimal separator.
QString NormalizeDecimal(const QString& text);

// Reads a numeric setting from an edit field. A field that holds no number turns red and
// the caller's default is returned; a valid one turns lime. Without a field (a part built
// without it) the default is returned.
double EditValue(QLineEdit* field, double fallback);
