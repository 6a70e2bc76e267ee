#include "geometry/number_text.h"
#include "geometry/error.h"
#include "support/comma_locale.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace tesk::geometry {
namespace {

TEST(CleanLine, TabsAndRunsOfBlanksBecomeSingleSeparators) {
    EXPECT_EQ(CleanAndSplit("1  2\t3"), (std::vector<std::string>{"1", "2", "3"}));
    EXPECT_EQ(CleanLine("  \t a \t\t  b   \r\n"), "a b");
    EXPECT_EQ(CleanLine(std::string(120, ' ') + "x" + std::string(99, ' ') + "y"), "x y");
    EXPECT_TRUE(CleanAndSplit(" \t \r").empty());
    EXPECT_EQ(CleanLine("交点 JD1"), "交点 JD1") << "multi-byte text passes through";
}

TEST(NumericValue, TakesTheLeadingNumberAndIgnoresBlanks) {
    EXPECT_EQ(NumericValue("1234.567"), 1234.567);
    EXPECT_EQ(NumericValue("  12.5abc"), 12.5);
    EXPECT_EQ(NumericValue("1 2 3.5"), 123.5) << "blanks are ignored wherever they stand";
    EXPECT_EQ(NumericValue("-7.25"), -7.25);
    EXPECT_EQ(NumericValue("+3"), 3.0);
    EXPECT_EQ(NumericValue("1.2.3"), 1.2);
    EXPECT_EQ(NumericValue(".5"), 0.5);
    EXPECT_EQ(NumericValue("abc"), 0.0);
    EXPECT_EQ(NumericValue(""), 0.0);
    EXPECT_EQ(NumericValue("-"), 0.0);
    // Exponents as in the strict fields, so that a skew distance reads the same in Compute and
    // in the stake-out, which takes every item as a whole number.
    EXPECT_EQ(NumericValue("1e3"), 1000.0);
    EXPECT_EQ(NumericValue("-2.5E-1x"), -0.25);
    EXPECT_EQ(NumericValue("3e"), 3.0);
    EXPECT_EQ(NumericValue("3e+"), 3.0);
    EXPECT_EQ(NumericValue("3.5.e2"), 3.5);
    EXPECT_EQ(NumericValue("1" + std::string(400, '0')), std::numeric_limits<double>::infinity())
        << "never a silent 0";
    EXPECT_EQ(NumericValue("-1e999"), -std::numeric_limits<double>::infinity());
    EXPECT_EQ(NumericValue("1e-999"), 0.0);
}

TEST(QuoteForMessage, CutsLongFieldsByCharactersAndShowsNul) {
    struct Row {
        std::string Field;
        std::string Quoted;
    };
    const Row rows[] = {
        {"12a", "\"12a\""},
        {std::string(40, 'x'), "\"" + std::string(40, 'x') + "\""},
        {std::string(41, 'x'), "\"" + std::string(40, 'x') + "…\""},
        {std::string(15'000'000, '9'), "\"" + std::string(40, '9') + "…\""},
        {[] { std::string t; for (int i = 0; i < 45; ++i) t += "桩"; return t; }(),
         [] { std::string t = "\""; for (int i = 0; i < 40; ++i) t += "桩"; return t + "…\""; }()},
        {std::string("a\0b", 3), "\"a\\0b\""},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(QuoteForMessage(row.Field), row.Quoted) << row.Field.size();
    }
}

TEST(RuntimeErrorMessage, ANulByteDoesNotEndTheMessage) {
    const RuntimeError e(ErrorCode::Format, std::string("field \"1\0.5\" is not a number", 28));
    EXPECT_EQ(std::string(e.what()), "field \"1\\0.5\" is not a number");
}

TEST(NumberForMessage, HugeValuesInScientificForm) {
    EXPECT_EQ(NumberForMessage(1234.5), "1234.5");
    EXPECT_EQ(NumberForMessage(1e300), "1e+300");
    EXPECT_EQ(NumberForMessage(-1e-320), "-1e-320");
    EXPECT_EQ(NumberForMessage(std::numeric_limits<double>::infinity()), "inf");
}

TEST(ParseNumber, AcceptsWholeNumbersOnly) {
    EXPECT_EQ(ParseNumber("3.25"), 3.25);
    EXPECT_EQ(ParseNumber("-0.5"), -0.5);
    EXPECT_EQ(ParseNumber("+12"), 12.0);
    EXPECT_EQ(ParseNumber(".5"), 0.5);
    EXPECT_EQ(ParseNumber("5."), 5.0);
    EXPECT_EQ(ParseNumber("1e3"), 1000.0);
    for (const char* bad : {"", "-", "12a", "a12", "1,5", "inf", "nan", "-inf", "1e999", "++1"}) {
        EXPECT_FALSE(ParseNumber(bad).has_value()) << bad;
    }
}

TEST(Formatting, FixedAndShortestFormsDoNotDependOnTheLocale) {
    // A comma-decimal locale must not change what is read or written.
    const testing::CommaDecimalLocale commaLocale;
    EXPECT_EQ(FormatFixed(1234.56789, 4), "1234.5679");
    EXPECT_EQ(FormatFixed(-0.00001, 4), "0.0000");
    EXPECT_EQ(FormatFixed(-0.6, 0), "-1") << "only values that round to zero lose the sign";
    EXPECT_EQ(FormatFixed(2.0, 3), "2.000");
    EXPECT_EQ(FormatShortest(1000.0), "1000");
    EXPECT_EQ(FormatShortest(1100.25), "1100.25");
    EXPECT_EQ(FormatShortest(0.1), "0.1");
    EXPECT_EQ(FormatShortest(-0.0), "0");
    EXPECT_EQ(FormatShortest(1e21), "1000000000000000000000");
    EXPECT_EQ(NumericValue("3.5"), 3.5);
    EXPECT_EQ(ParseNumber("3.5"), 3.5);
    if (!commaLocale.Active()) {
        GTEST_SKIP() << "no decimal-comma locale installed: checked in the C locale only";
    }
}

TEST(EscapeControlCharacters, ControlsBecomeVisibleAndEverythingElseStays) {
    const struct {
        std::string raw;
        std::string shown;
    } rows[] = {
        {"B15060", "B15060"},
        {"\x1b[31mB15060", "\\x1b[31mB15060"},
        {std::string("a\0b", 3), "a\\x00b"},
        {"a\tb\r\n", "a\\x09b\\x0d\\x0a"},
        {"del\x7f", "del\\x7f"},
        {"c1\xc2\x9b"
         "1m",
         "c1\\u009b1m"},
        {"\xc2\xb0 \xe6\xa1\xa9 \xc2\xa0", "\xc2\xb0 \xe6\xa1\xa9 \xc2\xa0"}, // ° 桩 no-break space
        {"\xc2", "\xc2"},                                                     // cut UTF-8 kept
        {"\\x1b", "\\x1b"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(EscapeControlCharacters(row.raw), row.shown) << row.shown;
    }
}

} // namespace
} // namespace tesk::geometry
