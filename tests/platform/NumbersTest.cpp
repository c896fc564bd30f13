#include "DateTime.h"
#include "LocaleFacts.h"
#include "Numbers.h"

#include <gtest/gtest.h>

namespace {
LocaleFacts withSeparator(QChar decimal)
{
    LocaleFacts f;
    f.decimalSeparator = decimal;
    f.thousandSeparator = decimal == ',' ? QChar(' ') : QChar(',');
    return f;
}
}  // namespace

TEST(Numbers, DecimalReaderAcceptsOnlyTheSystemSeparator)
{
    ScopedLocaleFacts point(withSeparator('.'));
    double v = 0;
    EXPECT_TRUE(Numbers::parseDecimal(" -1.5e2 ", v));
    EXPECT_DOUBLE_EQ(v, -150);
    EXPECT_FALSE(Numbers::parseDecimal("1,5", v));
    EXPECT_FALSE(Numbers::parseDecimal("", v));
    EXPECT_FALSE(Numbers::parseDecimal("1.2.3", v));
    EXPECT_FALSE(Numbers::parseDecimal("1 000", v));
    EXPECT_FALSE(Numbers::parseDecimal("abc", v));
    EXPECT_FALSE(Numbers::parseDecimal("1e", v));
    {
        ScopedLocaleFacts comma(withSeparator(','));
        EXPECT_TRUE(Numbers::parseDecimal("0,003", v));
        EXPECT_DOUBLE_EQ(v, 0.003);
        EXPECT_FALSE(Numbers::parseDecimal("0.003", v));
    }
}

TEST(Numbers, WholeReaderRejectsFractionsAndOverflow)
{
    int v = 0;
    EXPECT_TRUE(Numbers::parseWhole("  42", v));
    EXPECT_EQ(v, 42);
    EXPECT_TRUE(Numbers::parseWhole("-2147483648", v));
    EXPECT_EQ(v, -2147483647 - 1);
    EXPECT_FALSE(Numbers::parseWhole("2147483648", v));
    EXPECT_FALSE(Numbers::parseWhole("1.5", v));
    EXPECT_FALSE(Numbers::parseWhole("", v));
    EXPECT_FALSE(Numbers::parseWhole("12 ", v));
    EXPECT_EQ(Numbers::parseWholeOr("abc", 7), 7);
}

TEST(Numbers, WritersFollowTheSystemSeparators)
{
    ScopedLocaleFacts point(withSeparator('.'));
    EXPECT_EQ(Numbers::formatFixed(1234.56, 5, 1), "1234.6");
    EXPECT_EQ(Numbers::formatFixed(20, 5, 1), "20.0");
    EXPECT_EQ(Numbers::formatFixed(-3.04, 5, 1), "-3.0");
    EXPECT_EQ(Numbers::formatFixed(12345.67, 5, 1), "12346.0");
    EXPECT_EQ(Numbers::formatFixed(-0.04, 5, 1), "0.0");
    EXPECT_EQ(Numbers::formatGeneral(0.1 + 0.2), "0.3");
    EXPECT_EQ(Numbers::formatGeneral(47), "47");
    EXPECT_EQ(Numbers::formatGeneral(0.000001), "1E-6");
    EXPECT_EQ(Numbers::formatGeneral(0.024, 3), "0.024");
    EXPECT_EQ(Numbers::formatGeneral(0.02 * 1.2 * 1.2, 3), "0.0288");
    EXPECT_EQ(Numbers::formatGeneral(1 / 1.2, 3), "0.833");
    EXPECT_EQ(Numbers::formatGeneral(1e20), "1E20");
    EXPECT_EQ(Numbers::formatThousands(1234567.891, 2), "1,234,567.89");
    EXPECT_EQ(Numbers::formatThousands(0.3, 3), "0.300");
    ScopedLocaleFacts comma(withSeparator(','));
    EXPECT_EQ(Numbers::formatFixed(1000, 5, 1), "1000,0");
    EXPECT_EQ(Numbers::formatGeneral(0.0288, 3), "0,0288");
    EXPECT_EQ(Numbers::formatThousands(12345.5, 1), "12 345,5");
}

TEST(Numbers, RoundingIsHalfToEven)
{
    EXPECT_EQ(Numbers::roundHalfEven(50.5), 50);
    EXPECT_EQ(Numbers::roundHalfEven(51.5), 52);
    EXPECT_EQ(Numbers::roundHalfEven(12.5), 12);
    EXPECT_EQ(Numbers::roundHalfEven(-0.5), 0);
    EXPECT_EQ(Numbers::roundHalfEven(666.6667), 667);
}

TEST(DateTimeNumbers, RoundTripAndFormats)
{
    const QDateTime dt(QDate(2024, 3, 15), QTime(12, 34, 56));
    const double d = DateTime::fromQDateTime(dt);
    EXPECT_EQ(DateTime::toQDateTime(d), dt);
    EXPECT_EQ(DateTime::stamp(d), "24.03.15 12:34:56");
    EXPECT_EQ(DateTime::fileStamp(d), "24-03-15 12-34-56");
    EXPECT_EQ(DateTime::hms(25.0 / 24), "01:00:00");  // hours wrap after a day
    EXPECT_EQ(DateTime::fromQDateTime(QDateTime(QDate(1899, 12, 30), QTime(6, 0))), 0.25);
    LocaleFacts dots;
    dots.timeSeparator = '.';
    dots.longTimeFormat = "H.mm.ss";
    ScopedLocaleFacts scoped(dots);
    EXPECT_EQ(DateTime::stamp(d), "24.03.15 12.34.56");
    EXPECT_EQ(DateTime::longTime(d), "12.34.56");
}
