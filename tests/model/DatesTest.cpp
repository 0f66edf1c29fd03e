#include "model/Dates.h"
#include "model/Errors.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>

namespace quillet {
namespace {

constexpr double k9Jan2005 = 38361; // days since 30 December 1899

int ThisYear()
{
    using namespace std::chrono;
    return static_cast<int>(year_month_day{floor<days>(system_clock::now())}.year());
}

// Restores the start-up date format after each test.
class DateText : public ::testing::Test {
  protected:
    void TearDown() override { SetActiveDateFormat(kRegionalDateFormat); }
};

TEST_F(DateText, SerialsCountDaysFrom30December1899)
{
    EXPECT_EQ(DateSerial(1899, 12, 30), 0);
    EXPECT_EQ(DateSerial(1900, 1, 1), 2);
    EXPECT_EQ(DateSerial(2005, 1, 9), k9Jan2005);
    EXPECT_EQ(DateSerial(2015, 4, 12), 42106);
}

TEST_F(DateText, FormatFollowsTheActiveFormat)
{
    EXPECT_EQ(ActiveDateFormat(), "dd.MM.yyyy");
    EXPECT_EQ(FormatDate(k9Jan2005), "09.01.2005");
    SetActiveDateFormat(kImportDateFormat);
    EXPECT_EQ(FormatDate(k9Jan2005), "2005 01 09");
    EXPECT_EQ(FormatDate(k9Jan2005 + 0.75), "2005 01 09") << "the time of day is dropped";
    EXPECT_EQ(FormatDate(0), "1899 12 30");
}

TEST_F(DateText, FormatOfAnImpossibleSerialShowsQuestionMarks)
{
    EXPECT_EQ(FormatDate(1e300), "??.??.????");
    EXPECT_EQ(FormatDate(std::numeric_limits<double>::quiet_NaN()), "??.??.????");
    EXPECT_EQ(FormatDate(-693594), "??.??.????");
    EXPECT_EQ(FormatDate(-693593), "01.01.0001");
    EXPECT_EQ(FormatDate(2958465), "31.12.9999");
}

TEST_F(DateText, ParseUnderTheStartFormatIsDayFirst)
{
    EXPECT_EQ(ParseDate("9.01.2005"), k9Jan2005);
    EXPECT_EQ(ParseDate("09.01.2005"), k9Jan2005);
    EXPECT_EQ(ParseDate(" 9 . 1 .2005"), k9Jan2005) << "blanks before numbers and separators";
    EXPECT_EQ(ParseDate("9.1.2005."), k9Jan2005) << "one trailing separator";
    EXPECT_EQ(ParseDate("9.1.2005.  "), k9Jan2005);
    EXPECT_EQ(ParseDate("12.04.2015"), 42106);
    EXPECT_EQ(ParseDate("29.02.2004"), DateSerial(2004, 2, 29));
    EXPECT_EQ(ParseDate("9.1"), DateSerial(ThisYear(), 1, 9)) << "day and month of this year";
}

TEST_F(DateText, ParseUnderImportFormatIsYearFirstWithDots)
{
    SetActiveDateFormat(kImportDateFormat);
    EXPECT_EQ(ParseDate("2005.01.09"), k9Jan2005);
    EXPECT_EQ(ParseDate("2005.1.9"), k9Jan2005);
    EXPECT_EQ(ParseDate("1.9"), DateSerial(ThisYear(), 1, 9)) << "month and day of this year";
    EXPECT_THROW(ParseDate("2005 01 09"), Error);
    EXPECT_THROW(ParseDate("09.01.2005"), Error) << "year 9 has no month 1 day 2005";
}

TEST_F(DateText, MonthFirstFormat)
{
    EXPECT_EQ(ParseDate("1.9.2005", "M/d/yyyy"), k9Jan2005);
    EXPECT_EQ(ParseDate("1.9", "MM.dd.yyyy"), DateSerial(ThisYear(), 1, 9));
}

TEST_F(DateText, ShortYearsFallInTheCenturyAroundNow)
{
    const int start = ThisYear() - 50;
    for (int yy = 0; yy < 100; ++yy) {
        const double serial = ParseDate("1.1." + std::to_string(yy));
        CivilDate d{};
        ASSERT_TRUE(DecodeDate(serial, d));
        EXPECT_EQ(d.Year % 100, yy);
        EXPECT_GE(d.Year, start);
        EXPECT_LT(d.Year, start + 100);
    }
    EXPECT_EQ(ParseDate("1.1.0005"), DateSerial(5, 1, 1)) << "four digits are taken as written";
}

class InvalidDate : public DateText, public ::testing::WithParamInterface<const char*> {};

TEST_P(InvalidDate, IsRefusedWithTheTextQuoted)
{
    try {
        ParseDate(GetParam());
        FAIL() << "accepted " << GetParam();
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()), std::string("'") + GetParam() + "' is not a valid date");
    }
}

INSTANTIATE_TEST_SUITE_P(StartFormat, InvalidDate,
                         ::testing::Values("", " ", "9", "9.", "9.01.", "9.01.2005..", "9.01.2005x",
                                           "31.04.2005", "29.02.2005", "0.01.2005", "1.13.2005", "1.0.2005",
                                           "1.1.0000", "1.1.10000", "1.1.99999999999999", "-9.01.2005",
                                           "9/01/2005", "9.01.2005 1", "2005-01-09", "п»ї09.01.2005"),
                         [](const auto& info) { return test::ParamName(info.index, info.param); });

TEST_F(DateText, EveryDateRoundTripsUnderBothFormats)
{
    for (const auto format : {kRegionalDateFormat, kImportDateFormat}) {
        SetActiveDateFormat(format);
        for (double serial = -693593; serial <= 2958465; serial += 1) {
            std::string text = FormatDate(serial);
            if (format == kImportDateFormat)
                for (auto& c : text)
                    if (c == ' ')
                        c = '.'; // the separator ParseDate reads
            ASSERT_EQ(ParseDate(text), serial) << text;
        }
    }
}

} // namespace
} // namespace quillet
