#include "model/Numbers.h"
#include "model/Errors.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>

namespace quillet {
namespace {

TEST(ParsePrice, ReadsCommaDecimals)
{
    EXPECT_EQ(ParsePrice("1,3050"), 1.305);
    EXPECT_EQ(ParsePrice("  1,3050  "), 1.305);
    EXPECT_EQ(ParsePrice("149,20"), 149.2);
    EXPECT_EQ(ParsePrice("-0,5"), -0.5);
    EXPECT_EQ(ParsePrice("+2"), 2);
    EXPECT_EQ(ParsePrice(",5"), 0.5);
    EXPECT_EQ(ParsePrice("5,"), 5);
    EXPECT_EQ(ParsePrice("1,5E2"), 150);
    EXPECT_EQ(ParsePrice("15e-1"), 1.5);
    EXPECT_EQ(ParsePrice("1,2345678901234567890"), 1.2345678901234567);
    EXPECT_EQ(ParsePrice("0,1"), 0.1) << "correctly rounded to the nearest double";
}

class InvalidPrice : public ::testing::TestWithParam<const char*> {};

TEST_P(InvalidPrice, IsRefusedWithTheTextQuoted)
{
    try {
        ParsePrice(GetParam());
        FAIL() << "accepted " << GetParam();
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()),
                  std::string("'") + GetParam() + "' is not a valid floating point value");
    }
}

INSTANTIATE_TEST_SUITE_P(Texts, InvalidPrice,
                         ::testing::Values("", "  ", "1.3050", "1,30,50", "1 3", ",", "-", "+,", "1e", "1e+",
                                           "e5", "0x10", "INF", "NAN", "1,5E400", "--1", "1,5 x"),
                         [](const auto& info) { return test::ParamName(info.index, info.param); });

TEST(FormatPrice, FifteenSignificantDigitsWithComma)
{
    EXPECT_EQ(FormatPrice(1.305), "1,305");
    EXPECT_EQ(FormatPrice(1.2), "1,2");
    EXPECT_EQ(FormatPrice(150), "150");
    EXPECT_EQ(FormatPrice(0), "0");
    EXPECT_EQ(FormatPrice(-0.5), "-0,5");
    EXPECT_EQ(FormatPrice(1.2085 - 0.005), "1,2035");
    EXPECT_EQ(FormatPrice(0.1 + 0.2), "0,3") << "rounded to 15 digits";
    EXPECT_EQ(FormatPrice(1.30500000000001), "1,30500000000001");
    EXPECT_EQ(FormatPrice(123456789012345.0), "123456789012345");
    EXPECT_EQ(FormatPrice(1e15), "1E15");
    EXPECT_EQ(FormatPrice(0.00001), "0,00001");
    EXPECT_EQ(FormatPrice(0.0000015), "1,5E-6");
    EXPECT_EQ(FormatPrice(std::numeric_limits<double>::quiet_NaN()), "NAN");
    EXPECT_EQ(FormatPrice(-std::numeric_limits<double>::infinity()), "-INF");
}

struct General2Case {
    long double value;
    const char* text;
};

class FormatGeneral2Test : public ::testing::TestWithParam<General2Case> {};

TEST_P(FormatGeneral2Test, TwoSignificantDigits)
{
    EXPECT_EQ(FormatGeneral2(GetParam().value), GetParam().text);
    EXPECT_EQ(FormatGeneral2(-GetParam().value),
              GetParam().value == 0 ? std::string("0") : std::string("-") + GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Values, FormatGeneral2Test,
    ::testing::Values(General2Case{12.5L, "13"}, General2Case{37.5L, "38"}, General2Case{56.338L, "56"},
                      General2Case{50, "50"}, General2Case{5.634L, "5,6"}, General2Case{0.05L, "0,05"},
                      General2Case{100, "1E02"}, General2Case{99.7L, "1E02"}, General2Case{99.6L, "1E02"},
                      General2Case{150, "1,5E02"}, General2Case{0.00001L, "1E-05"}, General2Case{0, "0"},
                      General2Case{7.5L, "7,5"}, General2Case{0.75L, "0,75"}, General2Case{1, "1"},
                      General2Case{200.0L / 3, "67"}, General2Case{0.5L, "0,5"}, General2Case{9.96L, "10"},
                      General2Case{0.001L, "0,001"}, General2Case{0.00099L, "0,00099"},
                      General2Case{0.000099L, "9,9E-05"}, General2Case{0.0001L, "0,0001"},
                      General2Case{0.0000995L, "0,0001"}, General2Case{0.056L, "0,056"},
                      General2Case{1234567, "1,2E06"}, General2Case{1e100L, "1E100"},
                      General2Case{5.05L, "5,1"}),
    [](const auto& info) { return test::ParamName(info.index, info.param.text); });

TEST(FormatGeneral2, RoundsFromEighteenDigitsFirst)
{
    // 0.0449999999999999999... rounds to 18 digits as 0.045000..., so the third digit is 5.
    EXPECT_EQ(FormatGeneral2(0.04499999999999999999L), "0,045");
    EXPECT_EQ(FormatGeneral2(0.0449999L), "0,045");
    EXPECT_EQ(FormatGeneral2(0.0444999L), "0,044");
}

TEST(FormatGeneral2, NonFiniteValues)
{
    EXPECT_EQ(FormatGeneral2(std::numeric_limits<long double>::quiet_NaN()), "NAN");
    EXPECT_EQ(FormatGeneral2(std::numeric_limits<long double>::infinity()), "INF");
}

TEST(Rounding, HalvesGoToEven)
{
    EXPECT_EQ(RoundHalfEven(0.5L), 0);
    EXPECT_EQ(RoundHalfEven(1.5L), 2);
    EXPECT_EQ(RoundHalfEven(2.5L), 2);
    EXPECT_EQ(RoundHalfEven(-2.5L), -2);
    EXPECT_EQ(RoundHalfEven(84.5000001L), 85);
    EXPECT_EQ(RoundToInt32(84.5L), 84);
    EXPECT_EQ(RoundToInt32(85.5L), 86);
    EXPECT_EQ(RoundToInt32(-0.5L), 0);
    EXPECT_EQ(RoundToInt32(1e30L), std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(RoundToInt32(-1e30L), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(RoundToInt32(std::numeric_limits<long double>::quiet_NaN()), 0);
}

TEST(TextForms, DoNotDependOnTheLocale)
{
    const char* old = std::setlocale(LC_ALL, nullptr);
    const std::string saved = old ? old : "C";
    if (!std::setlocale(LC_ALL, "ru_RU.UTF-8") && !std::setlocale(LC_ALL, "de_DE.UTF-8"))
        GTEST_SKIP() << "no locale with a comma separator installed";
    EXPECT_EQ(ParsePrice("1,3050"), 1.305);
    EXPECT_EQ(FormatPrice(1.305), "1,305");
    EXPECT_EQ(FormatGeneral2(7.5L), "7,5");
    std::setlocale(LC_ALL, saved.c_str());
}

} // namespace
} // namespace quillet
