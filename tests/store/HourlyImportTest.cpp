// An instrument from one hourly file. The story: a made-up pair whose hours
// run from a Saturday evening in January 2005 over a Sunday opening, a busy
// Monday and a quiet Friday and Saturday into the next Sunday, then jump to
// the leap day of 2008 and the Sunday after it. Its weeks and days are worked
// out by hand below and imported the three-file way; the hourly import must
// give the very same bytes, from every format.

#include "store/HourlyImport.h"
#include "model/Dates.h"
#include "model/Errors.h"
#include "store/Files.h"
#include "store/QuoteImport.h"
#include "support/HourlyText.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <memory>
#include <sstream>

namespace quillet {
namespace {

namespace fs = std::filesystem;
using test::HourlyText;
using test::HourQuote;
using test::TextStyle;

const std::vector<HourQuote> kStoryHours = {
    {2005, 1, 8, 22, "1.3000", "1.3010", "1.2990", "1.3005"},  // Saturday: the week of 2 January
    {2005, 1, 9, 22, "1.3050", "1.3080", "1.3040", "1.3060"},  // Sunday evening opens the week of 9 January
    {2005, 1, 9, 23, "1.3060", "1.30905", "1.3055", "1.3070"}, //
    {2005, 1, 10, 0, "1.3070", "1.3075", "1.3020", "1.3030"},  // Monday
    {2005, 1, 10, 1, "1.3030", "1.3100", "1.3025", "1.3095"},  // the week's high
    {2005, 1, 10, 13, "1.3095", "1.3096", "1.3001", "1.3002"}, //
    {2005, 1, 14, 23, "1.3002", "1.3012", "1.2999", "1.3010"}, // Friday: the week's low
    {2005, 1, 15, 0, "1.3010", "1.3011", "1.3009", "1.3011"},  // Saturday still closes that week
    {2005, 1, 16, 0, "1.3011", "1.3020", "1.3000", "1.3015"},  // Sunday midnight: a new week
    {2008, 2, 29, 10, "101.25", "101.50", "100.9", "101.3"},   // leap day, a Friday: week of 24 February
    {2008, 3, 2, 9, "101.3", "101.4", "101.2", "101.35"},      // Sunday: week of 2 March
};

// The same quotes as three files, the weeks and days worked out by hand.
constexpr const char* kStoryWeeks = "2005.01.02,00:00,1.3000,1.3010,1.2990,1.3005,0\r\n"
                                    "2005.01.09,00:00,1.3050,1.3100,1.2999,1.3011,0\r\n"
                                    "2005.01.16,00:00,1.3011,1.3020,1.3000,1.3015,0\r\n"
                                    "2008.02.24,00:00,101.25,101.50,100.9,101.3,0\r\n"
                                    "2008.03.02,00:00,101.3,101.4,101.2,101.35,0\r\n";
constexpr const char* kStoryDays = "2005.01.08,00:00,1.3000,1.3010,1.2990,1.3005,0\r\n"
                                   "2005.01.09,00:00,1.3050,1.30905,1.3040,1.3070,0\r\n"
                                   "2005.01.10,00:00,1.3070,1.3100,1.3001,1.3002,0\r\n"
                                   "2005.01.14,00:00,1.3002,1.3012,1.2999,1.3010,0\r\n"
                                   "2005.01.15,00:00,1.3010,1.3011,1.3009,1.3011,0\r\n"
                                   "2005.01.16,00:00,1.3011,1.3020,1.3000,1.3015,0\r\n"
                                   "2008.02.29,00:00,101.25,101.50,100.9,101.3,0\r\n"
                                   "2008.03.02,00:00,101.3,101.4,101.2,101.35,0\r\n";

QuoteRows Rows(std::string_view text)
{
    QuoteRows rows;
    std::istringstream in{std::string(text)};
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        rows.Add(SplitQuoteLine(line));
    }
    return rows;
}

/// The story imported the three-file way.
const Instrument& ThreeFileStory()
{
    static const std::unique_ptr<Instrument> record = [] {
        auto r = std::make_unique<Instrument>();
        BuildInstrument(*r, "STORY1", Rows(kStoryWeeks), Rows(kStoryDays),
                        Rows(HourlyText(HourlyFormat::QuoteLine, kStoryHours)));
        SetActiveDateFormat(kRegionalDateFormat);
        return r;
    }();
    return *record;
}

bool SameBytes(const Instrument& a, const Instrument& b)
{
    return std::memcmp(&a, &b, sizeof(Instrument)) == 0;
}

/// A record full of leftovers, to show what an import replaces and what a refusal leaves.
std::unique_ptr<Instrument> Leftovers()
{
    auto r = std::make_unique<Instrument>();
    std::memset(r.get(), 0xAB, sizeof(Instrument));
    return r;
}

std::string FormatName(HourlyFormat f)
{
    static const char* const kNames[] = {"quote_line", "date_time_comma", "tab_bracketed",
                                         "semicolon_compact", "day_first_seconds"};
    return kNames[static_cast<int>(f) - 1];
}

// ---------------------------------------------------------------------------
// Every format, every line style: the bytes of the three-file import.

struct StyleCase {
    const char* title;
    TextStyle style;
};

void PrintTo(const StyleCase& c, std::ostream* os)
{
    *os << c.title;
}

const StyleCase kStyles[] = {
    {"crlf", {"\r\n", false, false}},
    {"lf_with_bom", {"\n", true, false}},
    {"crlf_bom_and_blank_lines", {"\r\n", true, true}},
};

class FormatsGiveTheSameBytes : public ::testing::TestWithParam<std::tuple<HourlyFormat, StyleCase>> {};

TEST_P(FormatsGiveTheSameBytes, AsTheThreeFileImportOfTheWeeksAndDaysWorkedOutByHand)
{
    const auto& [format, style] = GetParam();
    const std::string text = HourlyText(format, kStoryHours, style.style);
    EXPECT_EQ(DetectHourlyFormat(text), format);

    auto record = Leftovers();
    const HourlySummary summary = BuildInstrumentFromHourly(*record, "STORY1", text);
    EXPECT_EQ(summary.Format, format);
    EXPECT_EQ(summary.Weeks, 5);
    EXPECT_EQ(summary.Days, 8);
    EXPECT_EQ(summary.Hours, 11);
    ASSERT_TRUE(SameBytes(*record, ThreeFileStory()));
}

INSTANTIATE_TEST_SUITE_P(Story, FormatsGiveTheSameBytes,
                         ::testing::Combine(::testing::ValuesIn(test::kHourlyFormats),
                                            ::testing::ValuesIn(kStyles)),
                         [](const auto& info) {
                             return FormatName(std::get<0>(info.param)) + "_" + std::get<1>(info.param).title;
                         });

TEST(HourlyImport, StoresTheCandlesAsTheStoryTellsThem)
{
    // A few cells read back, so a fault shared by both imports still shows.
    const Instrument& r = ThreeFileStory();
    auto hourly = Leftovers();
    BuildInstrumentFromHourly(*hourly, "STORY1", HourlyText(HourlyFormat::TabBracketed, kStoryHours));
    EXPECT_EQ(ShortStringText(hourly->Name), "STORY1");
    EXPECT_EQ(hourly->Week[1].Date, DateSerial(2005, 1, 2));
    EXPECT_EQ(hourly->Week[2].Date, DateSerial(2005, 1, 9));
    EXPECT_EQ(hourly->Week[2].High, 1.31);
    EXPECT_EQ(hourly->Week[2].Low, 1.2999);
    EXPECT_EQ(hourly->Week[4].Date, DateSerial(2008, 2, 24));
    EXPECT_EQ(ShortStringText(hourly->Week[4].Time), "00");
    EXPECT_EQ(hourly->Day[2].High, 1.30905);
    EXPECT_EQ(ShortStringText(hourly->Hour[1].Time), "22");
    EXPECT_EQ(ShortStringText(hourly->Hour[4].Time), "00");
    EXPECT_EQ(hourly->Hour[11].Close, 101.35);
    EXPECT_EQ(FirstEmptyIndex(hourly->Week, 1), 6);
    EXPECT_EQ(FirstEmptyIndex(hourly->Day, 1), 9);
    EXPECT_EQ(FirstEmptyIndex(hourly->Hour, 1), 12);
    EXPECT_FALSE(CandleExists(hourly->Hour[0]));
    EXPECT_EQ(hourly->Hour[12].Close, 0.0) << "after the last hour every byte is zero";
    EXPECT_EQ(r.Week[2].High, hourly->Week[2].High);
}

TEST(HourlyImport, TheRecordKeepsSixCharactersOfTheName)
{
    auto record = Leftovers();
    BuildInstrumentFromHourly(*record, "EURUSDX", HourlyText(HourlyFormat::QuoteLine, kStoryHours));
    EXPECT_EQ(ShortStringText(record->Name), "EURUSD");
}

// Every day of the week, in four years: a weekly candle is dated on the
// Sunday on or before its hours.
TEST(HourlyImport, EachHourJoinsTheWeekOfTheSundayOnOrBeforeIt)
{
    std::vector<HourQuote> hours;
    const double first = DateSerial(2007, 12, 30); // a Sunday
    for (int d = 0; d < 4 * 366; ++d) {
        CivilDate c{};
        DecodeDate(first + d, c);
        hours.push_back({c.Year, c.Month, c.Day, 12, "1.5", "1.6", "1.4", "1.55"});
    }
    auto record = Leftovers();
    const HourlySummary s =
        BuildInstrumentFromHourly(*record, "WEEKS", HourlyText(HourlyFormat::QuoteLine, hours));
    ASSERT_EQ(s.Weeks, (4 * 366 + 6) / 7);
    for (int w = 1; w <= s.Weeks; ++w)
        ASSERT_EQ(record->Week[w].Date, first + 7.0 * (w - 1)) << "week " << w;
}

// ---------------------------------------------------------------------------
// Detection from the first lines

struct DetectCase {
    const char* title;
    std::string text;
    HourlyFormat format;
};

void PrintTo(const DetectCase& c, std::ostream* os)
{
    *os << c.title;
}

class DetectTest : public ::testing::TestWithParam<DetectCase> {};

TEST_P(DetectTest, NamesTheFormat)
{
    EXPECT_EQ(DetectHourlyFormat(GetParam().text), GetParam().format);
}

INSTANTIATE_TEST_SUITE_P(
    FirstLines, DetectTest,
    ::testing::Values(
        DetectCase{"quote_line", "2010.10.07,13:00,1.39672,1.39781,1.39624,1.39708,2304\r\n",
                   HourlyFormat::QuoteLine},
        DetectCase{"quote_line_one_digit_hour", "2010.10.07,9:00,1,1,1,1,1", HourlyFormat::QuoteLine},
        DetectCase{"quote_line_bad_month_still_its_shape", "2010.13.07,13:00,1,1,1,1",
                   HourlyFormat::QuoteLine},
        DetectCase{"heading_date_open", "Date,Open,High,Low,Close,Volume\n2010.10.07 13:00,1,1,1,1,1\n",
                   HourlyFormat::DateTimeComma},
        DetectCase{"heading_in_lower_case_with_blanks", " date , open,high,low,close\n",
                   HourlyFormat::DateTimeComma},
        DetectCase{"date_time_without_heading", "2010.10.07 13:00,1,1,1,1,1", HourlyFormat::DateTimeComma},
        DetectCase{"bracketed_heading",
                   "<DATE>\t<TIME>\t<OPEN>\t<HIGH>\t<LOW>\t<CLOSE>\t<TICKVOL>\t<VOL>\t<SPREAD>\r\n",
                   HourlyFormat::TabBracketed},
        DetectCase{"tabs_without_heading", "2010.10.07\t13:00:00\t1\t1\t1\t1", HourlyFormat::TabBracketed},
        DetectCase{"semicolons", "20101007 130000;1.39672;1.39781;1.39624;1.39708;0",
                   HourlyFormat::SemicolonCompact},
        DetectCase{"semicolons_without_seconds", "20101007 1300;1;1;1;1", HourlyFormat::SemicolonCompact},
        DetectCase{"gmt_time_heading", "Gmt time,Open,High,Low,Close,Volume\r\n",
                   HourlyFormat::DayFirstSeconds},
        DetectCase{"day_first_without_heading", "07.10.2010 13:00:00.000,1,1,1,1,1",
                   HourlyFormat::DayFirstSeconds},
        DetectCase{"bom_then_blank_lines", "\xEF\xBB\xBF\r\n \t\r\n\n20101007 130000;1;1;1;1;0",
                   HourlyFormat::SemicolonCompact}),
    [](const auto& info) { return std::string(info.param.title); });

struct UnknownCase {
    const char* title;
    std::string text;
    std::string quoted; // what the error must quote; empty for a file without lines
};

void PrintTo(const UnknownCase& c, std::ostream* os)
{
    *os << c.title;
}

class UnknownFormatTest : public ::testing::TestWithParam<UnknownCase> {};

TEST_P(UnknownFormatTest, QuotesTheFirstLineAndListsTheFormats)
{
    const UnknownCase& c = GetParam();
    std::string message;
    try {
        DetectHourlyFormat(c.text);
    } catch (const Error& e) {
        message = e.what();
    }
    ASSERT_FALSE(message.empty()) << "no error";
    if (c.quoted.empty())
        EXPECT_NE(message.find("нет ни одной строки"), std::string::npos) << message;
    else
        EXPECT_NE(message.find("первая строка: '" + c.quoted + "'"), std::string::npos) << message;
    EXPECT_NE(message.find(HourlyFormatList()), std::string::npos) << message;
    for (const HourlyFormat f : test::kHourlyFormats)
        EXPECT_NE(message.find(HourlyFormatDescription(f)), std::string::npos) << FormatName(f);
}

INSTANTIATE_TEST_SUITE_P(
    FirstLines, UnknownFormatTest,
    ::testing::Values(
        UnknownCase{"iso_dates", "2010-10-07,13:00,1,1,1,1,1\r\n", "2010-10-07,13:00,1,1,1,1,1"},
        UnknownCase{"other_heading", "\n\nTime,Open,High,Low,Close\n2010.10.07,13:00,1,1,1,1",
                    "Time,Open,High,Low,Close"},
        UnknownCase{"two_digit_year", "10.10.07,13:00,1,1,1,1", "10.10.07,13:00,1,1,1,1"},
        UnknownCase{"code_page_1251_heading", "\xC4\xE0\xF2\xE0,\xC2\xF0\xE5\xEC\xFF", "Дата,Время"},
        UnknownCase{"utf8_after_bom", "\xEF\xBB\xBF\xD0\x94\xD0\xB0\xD1\x82\xD0\xB0;x", "Дата;x"},
        UnknownCase{"binary_bytes_shown_as_question_marks",
                    std::string("AB\0\x01"
                                "CD",
                                6),
                    "AB??CD"},
        UnknownCase{"long_line_cut", std::string(300, 'x'), std::string(120, 'x') + "..."},
        UnknownCase{"empty_file", "", ""}, UnknownCase{"blank_lines_only", "\r\n  \r\n\t\n", ""}),
    [](const auto& info) { return std::string(info.param.title); });

// ---------------------------------------------------------------------------
// Refusals: the first line that fails, by its number in the file (heading and
// blank lines counted), with the text of the field at fault.

struct RefusalCase {
    const char* title;
    std::string text;
    std::string error;
};

void PrintTo(const RefusalCase& c, std::ostream* os)
{
    *os << c.title;
}

class RefusalTest : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(RefusalTest, NamesTheLineAndLeavesTheRecordAlone)
{
    auto record = Leftovers();
    const auto before = Leftovers();
    std::string message = "(no error)";
    try {
        BuildInstrumentFromHourly(*record, "TEST01", GetParam().text);
    } catch (const Error& e) {
        message = e.what();
    }
    EXPECT_EQ(message, GetParam().error);
    EXPECT_TRUE(SameBytes(*record, *before));
}

const std::string kGood1 = "2010.10.07,13:00,1.39672,1.39781,1.39624,1.39708,2304\r\n";
const std::string kGood2 = "2010.10.07,14:00,1.39708,1.39800,1.39600,1.39700,2000\r\n";

INSTANTIATE_TEST_SUITE_P(
    Lines, RefusalTest,
    ::testing::Values(
        RefusalCase{"falling_date", kGood1 + kGood2 + "2010.10.06,23:00,1,1,1,1,1\r\n",
                    "Строка 3: 2010-10-06 23:00 не позже 2010-10-07 14:00 в строке 2: дата и время должны "
                    "возрастать"},
        RefusalCase{"same_hour_twice", kGood1 + "\r\n" + kGood1,
                    "Строка 3: 2010-10-07 13:00 не позже 2010-10-07 13:00 в строке 1: дата и время должны "
                    "возрастать"},
        RefusalCase{"bad_price_after_heading_and_blank_line",
                    "Date,Open,High,Low,Close,Volume\r\n2010.10.07 13:00,1.3,1.4,1.2,1.3,5\r\n\r\n"
                    "2010.10.07 14:00,1.3,1.30x,1.2,1.3,5\r\n",
                    "Строка 4: неверная цена High '1.30x'"},
        RefusalCase{"price_with_a_comma_in_a_comma_file", "2010.10.07,13:00,1,1,1,,1",
                    "Строка 1: неверная цена Close ''"},
        RefusalCase{"bad_calendar_date", kGood1 + "2010.02.30,13:00,1,1,1,1,1",
                    "Строка 2: неверная дата '2010.02.30'"},
        RefusalCase{"date_of_another_shape", kGood1 + "2010-10-08,13:00,1,1,1,1,1",
                    "Строка 2: неверная дата '2010-10-08'"},
        RefusalCase{"hour_24", kGood1 + "2010.10.08,24:00,1,1,1,1,1", "Строка 2: неверное время '24:00'"},
        RefusalCase{"half_hour", kGood1 + "2010.10.07,13:30,1,1,1,1,1",
                    "Строка 2: время '13:30' не начало часа: нужны часовые свечи"},
        RefusalCase{"seconds_in_a_day_first_line", "07.10.2010 13:00:01.000,1,1,1,1,1",
                    "Строка 1: время '07.10.2010 13:00:01.000' не начало часа: нужны часовые свечи"},
        RefusalCase{"day_first_invalid_day",
                    "Gmt time,Open,High,Low,Close,Volume\n31.04.2010 13:00:00.000,1,1,1,1",
                    "Строка 2: неверная дата '31.04.2010 13:00:00.000'"},
        RefusalCase{"all_zero_date", "00000000 130000;1;1;1;1;0",
                    "Строка 1: неверная дата '00000000 130000'"},
        RefusalCase{"bad_date_after_good_hours_of_another_day", kGood1 + "2010.10.00,13:00,1,1,1,1,1",
                    "Строка 2: неверная дата '2010.10.00'"},
        RefusalCase{"compact_date_invalid_month", "20101307 130000;1;1;1;1;0",
                    "Строка 1: неверная дата '20101307 130000'"},
        RefusalCase{"too_few_fields", kGood1 + "2010.10.07,14:00,1,1,1",
                    "Строка 2: не хватает полей (нужно не меньше 6): '2010.10.07,14:00,1,1,1'"},
        RefusalCase{"a_second_heading",
                    "Gmt time,Open,High,Low,Close\n07.10.2010 13:00:00.000,1,1,1,1\n"
                    "Gmt time,Open,High,Low,Close\n",
                    "Строка 3: неверная дата 'Gmt time'"},
        RefusalCase{"heading_only", "<DATE>\t<TIME>\t<OPEN>\t<HIGH>\t<LOW>\t<CLOSE>\r\n",
                    "В файле нет часовых свечей"},
        // Prices written with a decimal comma in a comma-separated file
        // shift the columns: the field count gives them away, or else the
        // candle its fields would make.
        RefusalCase{"decimal_commas_after_a_good_line",
                    kGood1 + "2010.10.07,14:00,1,39707,1,39959,1,39685,1,3988,3022\r\n",
                    "Строка 2: полей 11, а в первой строке 7 (цены с десятичной запятой?): "
                    "'2010.10.07,14:00,1,39707,1,39959,1,39685,1,3988,3022'"},
        RefusalCase{
            "decimal_commas_under_a_heading",
            "Date,Open,High,Low,Close,Volume\r\n2010.10.07 14:00,1,39707,1,39959,1,39685,1,3988,3022\r\n",
            "Строка 2: полей 10, а в заголовке 6 (цены с десятичной запятой?): "
            "'2010.10.07 14:00,1,39707,1,39959,1,39685,1,3988,3022'"},
        RefusalCase{"decimal_commas_from_the_first_line",
                    "2010.10.07,14:00,1,39707,1,39959,1,39685,1,3988,3022\r\n",
                    "Строка 1: цена High '39707' ниже цены Close '39959'"},
        RefusalCase{"a_field_more_than_the_first_line",
                    kGood1 + kGood2.substr(0, kGood2.size() - 2) + ",7\r\n",
                    "Строка 2: полей 8, а в первой строке 7 (цены с десятичной запятой?): "
                    "'2010.10.07,14:00,1.39708,1.39800,1.39600,1.39700,2000,7'"},
        RefusalCase{"zero_price", "2010.10.07,13:00,1.3,1.4,0,1.35,5",
                    "Строка 1: цена Low '0' не больше нуля"},
        RefusalCase{"negative_price", kGood1 + "2010.10.07,14:00,-1.3,1.4,1.2,1.35,5",
                    "Строка 2: цена Open '-1.3' не больше нуля"},
        RefusalCase{"high_below_open", "2010.10.07,13:00,1.5,1.4,1.2,1.3,5",
                    "Строка 1: цена High '1.4' ниже цены Open '1.5'"},
        RefusalCase{"high_below_low", "2010.10.07,13:00,1.3,1.35,1.4,1.32,5",
                    "Строка 1: цена High '1.35' ниже цены Low '1.4'"},
        RefusalCase{"high_below_close", "20101007 130000;1.3;1.4;1.2;1.45;0",
                    "Строка 1: цена High '1.4' ниже цены Close '1.45'"},
        RefusalCase{"low_above_open", "2010.10.07,13:00,1.3,1.4,1.35,1.36,5",
                    "Строка 1: цена Low '1.35' выше цены Open '1.3'"},
        RefusalCase{"low_above_close", "2010.10.07,13:00,1.3,1.4,1.25,1.2,5",
                    "Строка 1: цена Low '1.25' выше цены Close '1.2'"}),
    [](const auto& info) { return std::string(info.param.title); });

// ---------------------------------------------------------------------------
// The 65000-hour limit and the period

/// `count` hours, 24 a day from Monday 3 January 2000.
std::string ManyHours(int count)
{
    std::vector<HourQuote> hours;
    hours.reserve(static_cast<std::size_t>(count));
    const double first = DateSerial(2000, 1, 3);
    for (int i = 0; i < count; ++i) {
        CivilDate c{};
        DecodeDate(first + i / 24, c);
        hours.push_back({c.Year, c.Month, c.Day, i % 24, "1.1", "1.2", "1.0", "1.15"});
    }
    return HourlyText(HourlyFormat::QuoteLine, hours);
}

class LimitTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { text_ = new std::string(ManyHours(65'001)); }
    static void TearDownTestSuite() { delete text_; }
    static const std::string& Text() { return *text_; }

    std::unique_ptr<Instrument> record = Leftovers();

  private:
    static std::string* text_;
};

std::string* LimitTest::text_ = nullptr;

TEST_F(LimitTest, SixtyFiveThousandAndOneHoursAreRefusedWithTheDateTheLastOnesStartOn)
{
    // 65001 hours from 3 January 2000: the last 65000 start at hour 1 of that
    // day, so only from the next day on do all of them fit.
    const auto before = Leftovers();
    try {
        BuildInstrumentFromHourly(*record, "BIG", Text());
        FAIL() << "no error";
    } catch (const TooManyHoursError& e) {
        EXPECT_EQ(e.Hours, 65'001u);
        EXPECT_EQ(e.LastStartDate, DateSerial(2000, 1, 3));
        EXPECT_EQ(e.LastStartHour, 1);
        EXPECT_EQ(e.FittingFrom, DateSerial(2000, 1, 4));
        EXPECT_STREQ(e.what(),
                     "В файле 65001 часовых свечей, а в базе помещается не более 65000. Последние 65000 "
                     "свечей начинаются 2000-01-03 01:00; с 2000-01-04 помещаются все.");
    }
    EXPECT_TRUE(SameBytes(*record, *before));
}

TEST_F(LimitTest, APeriodThatFitsIsBuilt)
{
    HourlyPeriod period;
    period.From = DateSerial(2000, 1, 4);
    const HourlySummary s = BuildInstrumentFromHourly(*record, "BIG", Text(), period);
    EXPECT_EQ(s.Hours, 65'001 - 24);
    EXPECT_EQ(record->Hour[1].Date, DateSerial(2000, 1, 4));
    EXPECT_EQ(FirstEmptyIndex(record->Hour, 1), 65'001 - 24 + 1);
    EXPECT_EQ(record->Week[1].Date, DateSerial(2000, 1, 2)) << "the Sunday before the first hour kept";
}

TEST_F(LimitTest, APeriodThatStillDoesNotFitIsRefusedAgain)
{
    HourlyPeriod period;
    period.From = DateSerial(2000, 1, 3); // the day the last 65000 start on, but not at its first hour
    try {
        BuildInstrumentFromHourly(*record, "BIG", Text(), period);
        FAIL() << "no error";
    } catch (const TooManyHoursError& e) {
        EXPECT_EQ(e.Hours, 65'001u);
        EXPECT_EQ(std::string(e.what()).rfind("В выбранном периоде 65001 часовых свечей", 0), 0u) << e.what();
    }
}

TEST_F(LimitTest, ToAloneCanChooseThePeriod)
{
    HourlyPeriod period;
    period.To = DateSerial(2000, 1, 3);
    const HourlySummary s = BuildInstrumentFromHourly(*record, "BIG", Text(), period);
    EXPECT_EQ(s.Hours, 24);
    EXPECT_EQ(s.Days, 1);
    EXPECT_EQ(s.Weeks, 1);
}

TEST_F(LimitTest, SixtyFiveThousandHoursFillTheSeries)
{
    // Cut the file to exactly 65000 lines: every index from 1 to 65000 is used.
    const std::string text = Text().substr(0, Text().rfind('\n', Text().size() - 2) + 1);
    const HourlySummary s = BuildInstrumentFromHourly(*record, "FULL", text);
    EXPECT_EQ(s.Hours, 65'000);
    EXPECT_EQ(FirstEmptyIndex(record->Hour, 1), 65'001);
}

TEST_F(LimitTest, AnEmptyPeriodIsRefused)
{
    HourlyPeriod period;
    period.From = DateSerial(2020, 1, 1);
    try {
        BuildInstrumentFromHourly(*record, "BIG", Text(), period);
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "В выбранном периоде нет часовых свечей");
    }
}

TEST_F(LimitTest, ProgressRisesToTheWholeText)
{
    std::vector<std::pair<std::size_t, std::size_t>> calls;
    HourlyPeriod period;
    period.From = DateSerial(2000, 1, 4);
    BuildInstrumentFromHourly(*record, "BIG", Text(), period,
                              [&](std::size_t done, std::size_t total) { calls.emplace_back(done, total); });
    ASSERT_GE(calls.size(), 10u);
    for (std::size_t i = 1; i < calls.size(); ++i)
        ASSERT_LT(calls[i - 1].first, calls[i].first);
    EXPECT_EQ(calls.back().first, Text().size());
    EXPECT_EQ(calls.back().second, Text().size());
}

// ---------------------------------------------------------------------------
// The file and its path

class HourlyFileTest : public ::testing::Test {
  protected:
    void TearDown() override { SetActiveDateFormat(kRegionalDateFormat); }
    test::TempDir tmp;
    InstrumentTable table;
};

TEST_F(HourlyFileTest, WritesTheRecordAndSwitchesTheDateFormat)
{
    const std::string hourly = tmp.file("h1.txt");
    test::WriteFile(hourly, HourlyText(HourlyFormat::DayFirstSeconds, kStoryHours));
    const std::string base = tmp.file("STORY1.base");
    const HourlySummary s = MakeBaseFromHourlyFile(base, "STORY1", hourly, {}, {}, table);
    EXPECT_EQ(s.Format, HourlyFormat::DayFirstSeconds);
    EXPECT_EQ(ActiveDateFormat(), kImportDateFormat);
    ReadBaseFile(base, 1, table);
    EXPECT_TRUE(SameBytes(table[1], ThreeFileStory()));
}

TEST_F(HourlyFileTest, ARefusalKeepsAnOlderFileWhole)
{
    const std::string hourly = tmp.file("h1.txt");
    test::WriteFile(hourly, kGood2 + kGood1);
    test::WriteFile(tmp.file("OLD.base"), "an older file");
    try {
        MakeBaseFromHourlyFile(tmp.file("OLD.base"), "OLD", hourly, {}, {}, table);
        FAIL() << "no error";
    } catch (const FileError& e) {
        EXPECT_EQ(e.Path(), hourly) << "the refusal names the hourly file";
    }
    EXPECT_EQ(test::ReadFile(tmp.file("OLD.base")), "an older file");
    EXPECT_EQ(std::distance(fs::directory_iterator(tmp.path()), fs::directory_iterator()), 2)
        << "no temporary file left";
}

TEST_F(HourlyFileTest, AMissingFileIsAFileError)
{
    try {
        MakeBaseFromHourlyFile(tmp.file("X.base"), "X", tmp.file("nowhere.csv"), {}, {}, table);
        FAIL() << "no error";
    } catch (const FileError& e) {
        EXPECT_EQ(e.Named(), "'" + tmp.file("nowhere.csv") + "': File not found");
    }
    EXPECT_FALSE(fs::exists(tmp.file("X.base")));
}

} // namespace
} // namespace quillet
