#include "DateTime.h"
#include "LocaleFacts.h"
#include "Numbers.h"

#include <clocale>
#include <gtest/gtest.h>
#include <string>

namespace {
LocaleFacts withSeparator(QChar decimal)
{
    LocaleFacts f;
    f.decimalSeparator = decimal;
    f.thousandSeparator = decimal == ',' ? QChar(' ') : QChar(',');
    return f;
}

// A number text written with "." and "," as it reads under the current facts.
QString local(const char* pointForm)
{
    const LocaleFacts& f = LocaleFacts::current();
    QString s = pointForm;
    for (QChar& c : s)
        c = c == '.' ? f.decimalSeparator : c == ',' ? f.thousandSeparator : c;
    return s;
}

void expectReads()
{
    struct Case {
        const char* text;
        bool ok;
        double value;
    };
    const Case cases[] = {
        {" -1.5e2 ", true, -150}, {"+0.003", true, 0.003}, {"1.5", true, 1.5},  {"2.", true, 2},
        {".5", true, 0.5},        {"1E-400", true, 0},     {"1e400", false, 0}, {"", false, 0},
        {"1.2.3", false, 0},      {"1,000", false, 0},     {"abc", false, 0},   {"1e", false, 0},
        {"1.5x", false, 0},       {"- 1", false, 0},       {"inf", false, 0},   {"0x10", false, 0},
    };
    for (const Case& c : cases) {
        const QString text = local(c.text);
        double v = -1;
        EXPECT_EQ(Numbers::parseDecimal(text, v), c.ok) << text.toStdString();
        if (c.ok) {
            EXPECT_DOUBLE_EQ(v, c.value) << text.toStdString();
        }
    }
    // Only the system's separator counts.
    const QString other = LocaleFacts::current().decimalSeparator == '.' ? "1,5" : "1.5";
    EXPECT_EQ(Numbers::parseDecimalOr(other, 7), 7);
}

void expectWrites()
{
    struct Fixed {
        double value;
        int precision, decimals;
        const char* text;
    };
    const Fixed fixed[] = {
        {1234.56, 5, 1, "1234.6"},   {20, 5, 1, "20.0"},       {-3.04, 5, 1, "-3.0"},
        {12345.67, 5, 1, "12346.0"}, {-0.04, 5, 1, "0.0"},     {20.04999, 5, 1, "20.0"},  // rounded once
        {999.94999, 5, 1, "999.9"},  {99999.96, 5, 1, "1E5"},  {0.000123456789, 5, 10, "0.0001234600"},
    };
    for (const Fixed& c : fixed)
        EXPECT_EQ(Numbers::formatFixed(c.value, c.precision, c.decimals), local(c.text)) << c.value;
    struct General {
        double value;
        int precision;
        const char* text;
    };
    const General general[] = {
        {0.1 + 0.2, 15, "0.3"},  {47, 15, "47"},   {0.000001, 15, "1E-6"}, {-1.5e-6, 15, "-1.5E-6"},
        {0.024, 3, "0.024"},     {1 / 1.2, 3, "0.833"},  {0.02 * 1.2 * 1.2, 3, "0.0288"}, {1e20, 15, "1E20"},
    };
    for (const General& c : general)
        EXPECT_EQ(Numbers::formatGeneral(c.value, c.precision), local(c.text)) << c.value;
    struct Thousands {
        double value;
        int decimals;
        const char* text;
    };
    const Thousands thousands[] = {
        {1234567.891, 2, "1,234,567.89"}, {0.3, 3, "0.300"}, {-1234.5, 1, "-1,234.5"}, {-0.0001, 3, "0.000"},
        {1234567890123.4567, 4, "1,234,567,890,123.4600"},  // 15 significant digits
        {1e15, 2, "1E15"},
    };
    for (const Thousands& c : thousands)
        EXPECT_EQ(Numbers::formatThousands(c.value, c.decimals), local(c.text)) << c.value;
}

const QChar kSeparators[] = {'.', ','};
}  // namespace

TEST(Numbers, DecimalReaderAcceptsOnlyTheSystemSeparator)
{
    for (QChar sep : kSeparators) {
        ScopedLocaleFacts facts(withSeparator(sep));
        expectReads();
    }
}

TEST(Numbers, WritersFollowTheSystemSeparators)
{
    for (QChar sep : kSeparators) {
        ScopedLocaleFacts facts(withSeparator(sep));
        expectWrites();
    }
}

// The application object sets the C library's locale from the environment; under a comma
// locale strtod and printf would read and write "," whatever the system facts say.
TEST(Numbers, IndependentOfTheCLibraryLocale)
{
    const std::string saved = std::setlocale(LC_NUMERIC, nullptr);
    struct Restore {
        std::string name;
        ~Restore() { std::setlocale(LC_NUMERIC, name.c_str()); }
    } restore{saved};
    const char* set = nullptr;
    for (const char* name : {"de_DE.UTF-8", "ru_RU.UTF-8"})
        if ((set = std::setlocale(LC_NUMERIC, name)))
            break;
    if (!set)
        GTEST_SKIP() << "neither de_DE.UTF-8 nor ru_RU.UTF-8 is available (make them with localedef and LOCPATH)";
    ASSERT_STREQ(std::localeconv()->decimal_point, ",");
    for (QChar sep : kSeparators) {
        ScopedLocaleFacts facts(withSeparator(sep));
        expectReads();
        expectWrites();
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
