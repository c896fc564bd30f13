#include "LocaleFacts.h"
#include "TemperatureText.h"
#include "Widgets.h"

#include <QLineEdit>
#include <gtest/gtest.h>

namespace {
TemperatureScale scale(int s)
{
    TemperatureScale t;
    t.TempScale = s;
    return t;
}
LocaleFacts separator(QChar c)
{
    LocaleFacts f;
    f.decimalSeparator = c;
    return f;
}

// A number text written with "." as it reads under the current separator.
QString local(const char* pointForm)
{
    return QString(pointForm).replace('.', LocaleFacts::current().decimalSeparator);
}
const QChar kSeparators[] = {'.', ','};
}  // namespace

TEST(TemperatureScale, ConversionsAndZeroSnap)
{
    EXPECT_DOUBLE_EQ(scale(2).TX(0), 273.15);
    EXPECT_DOUBLE_EQ(scale(3).TX(0), 491.67);
    EXPECT_DOUBLE_EQ(scale(1).TX(100), 212);
    EXPECT_DOUBLE_EQ(scale(4).TX(100), 80);
    EXPECT_EQ(scale(1).TX(-17.7778), 0.0);  // |-0.00004| snaps to exactly 0
    EXPECT_EQ(scale(9).TX(55), 55);         // unknown scale: unconverted
    for (QChar sep : kSeparators) {
        ScopedLocaleFacts facts(separator(sep));
        EXPECT_NEAR(scale(3).ST(local("491.67")), 0, 1e-9);
        EXPECT_DOUBLE_EQ(scale(1).ST("212"), 100);
        EXPECT_DOUBLE_EQ(scale(4).ST("80"), 100);
        EXPECT_DOUBLE_EQ(scale(2).ST(local("0.15")), -273);
        EXPECT_EQ(scale(0).ST(local("0.00001")), 0.0);
    }
}

TEST(TemperatureScale, BadTextReadsAsZeroOnEveryScale)
{
    for (QChar sep : kSeparators) {
        ScopedLocaleFacts facts(separator(sep));
        for (int s = 0; s < 5; ++s) {
            EXPECT_EQ(scale(s).ST("abc"), 0.0) << s;
            EXPECT_EQ(scale(s).ST(""), 0.0) << s;
            EXPECT_EQ(scale(s).ST("-987654321"), 0.0) << s;  // the sentinel itself counts as bad
        }
        // No separator normalisation here: the other separator is no number.
        EXPECT_EQ(scale(0).ST(sep == '.' ? "1,5" : "1.5"), 0.0);
    }
}

TEST(TemperatureScale, TermSFormatsOneDecimalWithTheUnit)
{
    struct Case {
        int scale;
        double celsius;
        const char* text;
    };
    const Case cases[] = {
        {0, 1234.56, "1234.6"}, {0, 20, "20.0"},         {0, -3.04, "-3.0"},   {0, 20.04999, "20.0"},  // rounded once
        {0, 999.94999, "999.9"}, {0, 12345.67, "12346.0"}, {4, 100, "80.0"}, {2, 0, "273.1"},
    };
    for (QChar sep : kSeparators) {
        ScopedLocaleFacts facts(separator(sep));
        for (const Case& c : cases)
            EXPECT_EQ(scale(c.scale).TermS(c.celsius), local(c.text)) << c.celsius;
        EXPECT_EQ(scale(0).TermSdeg(1000), local("1000.0") + QString::fromUtf8(" °C"));
        EXPECT_EQ(scale(4).TermSdeg(100), local("80.0") + QString::fromUtf8(" °R"));
    }
}

TEST(NormalizeDecimal, EitherSeparatorBecomesTheSystems)
{
    {
        ScopedLocaleFacts comma(separator(','));
        EXPECT_EQ(NormalizeDecimal("1.5"), "1,5");
        EXPECT_EQ(NormalizeDecimal("1.000,5"), "1,000,5");
    }
    ScopedLocaleFacts point(separator('.'));
    EXPECT_EQ(NormalizeDecimal("1,5"), "1.5");
    EXPECT_EQ(NormalizeDecimal("1.5"), "1.5");
}

TEST(EditValue, ReadsEitherSeparatorAndMarksValidity)
{
    QLineEdit field;
    for (QChar sep : {QChar('.'), QChar(',')}) {
        ScopedLocaleFacts facts(separator(sep));
        for (const char* text : {"0,003", "0.003"}) {
            field.setText(text);
            EXPECT_DOUBLE_EQ(EditValue(&field, 7), 0.003) << text;
            EXPECT_EQ(Colors::background(&field), Colors::Lime);
        }
        for (const char* text : {"", "abc", "1.000,5", "-987654321"}) {
            field.setText(text);
            EXPECT_EQ(EditValue(&field, 7), 7) << text;
            EXPECT_EQ(Colors::background(&field), Colors::Red);
            EXPECT_EQ(field.text(), text);  // left as typed
        }
    }
}
