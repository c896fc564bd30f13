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
}  // namespace

TEST(TemperatureScale, ConversionsAndZeroSnap)
{
    ScopedLocaleFacts point(separator('.'));
    EXPECT_DOUBLE_EQ(scale(2).TX(0), 273.15);
    EXPECT_DOUBLE_EQ(scale(3).TX(0), 491.67);
    EXPECT_DOUBLE_EQ(scale(1).TX(100), 212);
    EXPECT_DOUBLE_EQ(scale(4).TX(100), 80);
    EXPECT_EQ(scale(1).TX(-17.7778), 0.0);  // |-0.00004| snaps to exactly 0
    EXPECT_EQ(scale(9).TX(55), 55);         // unknown scale: unconverted
    EXPECT_NEAR(scale(3).ST("491.67"), 0, 1e-9);
    EXPECT_DOUBLE_EQ(scale(1).ST("212"), 100);
    EXPECT_DOUBLE_EQ(scale(4).ST("80"), 100);
    EXPECT_EQ(scale(0).ST("0.00001"), 0.0);
}

TEST(TemperatureScale, BadTextReadsAsZeroOnEveryScale)
{
    ScopedLocaleFacts point(separator('.'));
    for (int s = 0; s < 5; ++s) {
        EXPECT_EQ(scale(s).ST("abc"), 0.0) << s;
        EXPECT_EQ(scale(s).ST(""), 0.0) << s;
        EXPECT_EQ(scale(s).ST("-987654321"), 0.0) << s;  // the sentinel itself counts as bad
    }
    EXPECT_EQ(scale(0).ST("1,5"), 0.0);  // no separator normalisation here
}

TEST(TemperatureScale, TermSFormatsOneDecimalWithTheUnit)
{
    ScopedLocaleFacts point(separator('.'));
    EXPECT_EQ(scale(0).TermS(1234.56), "1234.6");
    EXPECT_EQ(scale(0).TermS(20), "20.0");
    EXPECT_EQ(scale(0).TermS(-3.04), "-3.0");
    EXPECT_EQ(scale(0).TermSdeg(1000), QString::fromUtf8("1000.0 °C"));
    EXPECT_EQ(scale(4).TermSdeg(100), QString::fromUtf8("80.0 °R"));
    EXPECT_EQ(scale(2).TermSdeg(0), "273.1 K");
    ScopedLocaleFacts comma(separator(','));
    EXPECT_EQ(scale(0).TermSdeg(1000), QString::fromUtf8("1000,0 °C"));
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
