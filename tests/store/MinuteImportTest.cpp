// Minute files and the time shift. A minute file cut from an hourly file,
// each hour's candles keeping its open, high, low and close, must build the
// hourly file's very bytes, in every format and at every step; times moved
// by three hours and read back with a shift of minus three, the original's.
// Both on the demo EURUSD's first weeks (the shape of a broker's export) and
// on random hours. The faster paths under the import (a price read without
// building texts, a file read in pieces) against the plain ones.

#include "demo/DemoData.h"
#include "model/Dates.h"
#include "model/Errors.h"
#include "model/Numbers.h"
#include "store/Files.h"
#include "store/HourlyImport.h"
#include "store/QuoteImport.h"
#include "store/QuotePrice.h"
#include "store/TextLines.h"
#include "support/HourlyText.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>
#include <tuple>

namespace quillet {
namespace {

using test::HourlyText;
using test::HourQuote;

/// The demo EURUSD's first four weeks of hours, and 1500 random ones.
const std::vector<HourQuote>& Hours(bool demo)
{
    static const std::vector<HourQuote> kDemo = [] {
        std::vector<HourQuote> all =
            test::ParseQuoteLines(demo::GenerateDemoQuotes(demo::DemoPairs()[5]).Hour);
        all.resize(480);
        return all;
    }();
    static const std::vector<HourQuote> kRandom = test::RandomHours(1500, 33);
    return demo ? kDemo : kRandom;
}

std::unique_ptr<Instrument> Built(const std::string& text, int shift = 0)
{
    auto record = std::make_unique<Instrument>();
    BuildInstrumentFromQuotes(*record, "EURUSD", text, {{}, shift});
    return record;
}

bool SameBytes(const Instrument& a, const Instrument& b)
{
    return std::memcmp(&a, &b, sizeof(Instrument)) == 0;
}

class MinuteFileTest : public ::testing::TestWithParam<std::tuple<bool, HourlyFormat, int>> {};

TEST_P(MinuteFileTest, BuildsTheBytesOfTheHourlyFileItWasCutFrom)
{
    const auto [demo, format, step] = GetParam();
    const std::vector<HourQuote>& hours = Hours(demo);
    const auto hourly = Built(HourlyText(format, hours));
    const std::string minutes = HourlyText(format, test::SplitIntoMinutes(hours, step, step * 7 + demo));
    EXPECT_EQ(DetectQuoteShape(minutes).StepMinutes, step);
    EXPECT_TRUE(SameBytes(*Built(minutes), *hourly));
    // Times three hours later, read with a shift of minus three.
    EXPECT_TRUE(SameBytes(
        *Built(HourlyText(format, test::Shifted(test::SplitIntoMinutes(hours, step, 5), 3)), -3), *hourly));
}

// A minute export's spread column: the hour keeps its first candle's
// spread, whatever the later candles of the hour say.
TEST(MinuteFile, AnHourTakesTheSpreadOfItsFirstCandle)
{
    std::vector<HourQuote> hours = Hours(true);
    for (std::size_t i = 0; i < hours.size(); ++i)
        hours[i].Spread = std::to_string(i % 37 + 1);
    auto record = std::make_unique<Instrument>();
    const HourlySummary hourly =
        BuildInstrumentFromQuotes(*record, "EURUSD", HourlyText(HourlyFormat::TabBracketed, hours), {});
    std::vector<HourQuote> minutes = test::SplitIntoMinutes(hours, 5, 4);
    for (std::size_t i = 1; i < minutes.size(); ++i)
        if (minutes[i].Hour == minutes[i - 1].Hour && minutes[i].Day == minutes[i - 1].Day)
            minutes[i].Spread = "99";
    const HourlySummary folded =
        BuildInstrumentFromQuotes(*record, "EURUSD", HourlyText(HourlyFormat::TabBracketed, minutes), {});
    ASSERT_EQ(hourly.SpreadTenths.size(), hours.size());
    EXPECT_EQ(folded.SpreadTenths, hourly.SpreadTenths);
}

INSTANTIATE_TEST_SUITE_P(Steps, MinuteFileTest,
                         ::testing::Combine(::testing::Bool(), ::testing::ValuesIn(test::kHourlyFormats),
                                            ::testing::Values(1, 5, 10, 15, 30)));

TEST(QuoteShift, ShiftedHoursShiftedBackGiveTheOriginalBytes)
{
    const auto original = Built(HourlyText(HourlyFormat::QuoteLine, Hours(true)));
    for (const int shift : {-23, 23, 1})
        EXPECT_TRUE(
            SameBytes(*Built(HourlyText(HourlyFormat::QuoteLine, test::Shifted(Hours(true), shift)), -shift),
                      *original))
            << shift;
    // Another clock moves the weeks: the Sunday evening hours open the next one.
    EXPECT_FALSE(SameBytes(*Built(HourlyText(HourlyFormat::QuoteLine, Hours(true)), 2), *original));
}

TEST(QuoteShift, ThePeriodIsChosenInTheShiftedClock)
{
    // 23:00 on 3 January moves to 4 January, the first day kept.
    const std::vector<HourQuote> hours = {{2000, 1, 3, 22, "1", "1", "1", "1"},
                                          {2000, 1, 3, 23, "2", "2", "2", "2"}};
    auto record = std::make_unique<Instrument>();
    QuoteImportSettings settings{{DateSerial(2000, 1, 4), std::nullopt}, 1};
    EXPECT_EQ(
        BuildInstrumentFromQuotes(*record, "X", HourlyText(HourlyFormat::QuoteLine, hours), settings).Hours,
        1);
    EXPECT_EQ(record->Hour[1].Date, DateSerial(2000, 1, 4));
    EXPECT_EQ(record->Hour[1].Open, 2);
}

TEST(MinuteFile, TheFileReadInPiecesWritesTheHourlyFilesBytes)
{
    test::TempDir tmp;
    InstrumentTable table;
    const std::string minutes = tmp.file("m1.csv"), hourly = tmp.file("h1.csv");
    test::WriteFile(minutes,
                    HourlyText(HourlyFormat::DayFirstSeconds, test::SplitIntoMinutes(Hours(true), 1, 9)));
    test::WriteFile(hourly, HourlyText(HourlyFormat::DayFirstSeconds, Hours(true)));
    const HourlySummary s = MakeBaseFromQuoteFile(tmp.file("M.base"), "EURUSD", minutes, {}, {}, table);
    MakeBaseFromHourlyFile(tmp.file("H.base"), "EURUSD", hourly, {}, {}, table);
    EXPECT_EQ(s.StepMinutes, 1);
    EXPECT_EQ(s.Hours, 480);
    EXPECT_GT(s.Candles, 480 * 30);
    EXPECT_EQ(ReadQuoteFileShape(minutes).StepMinutes, 1);
    EXPECT_TRUE(test::ReadFile(tmp.file("M.base")) == test::ReadFile(tmp.file("H.base")));
}

TEST(MinuteFile, WorkStoppedOnTheWayWritesNothing)
{
    // The window stops an import by throwing from its progress step.
    struct Stopped {};
    test::TempDir tmp;
    InstrumentTable table;
    const std::string minutes = tmp.file("m1.csv"), base = tmp.file("M.base");
    test::WriteFile(minutes, HourlyText(HourlyFormat::QuoteLine, test::SplitIntoMinutes(Hours(false), 1, 2)));
    test::WriteFile(base, "an older file");
    int steps = 0;
    EXPECT_THROW(MakeBaseFromQuoteFile(
                     base, "X", minutes, {},
                     [&](std::size_t, std::size_t) {
                         if (++steps == 3)
                             throw Stopped{};
                     },
                     table),
                 Stopped);
    EXPECT_EQ(test::ReadFile(base), "an older file");
}

// ---------------------------------------------------------------------------
// The step from the first lines, and what is refused

struct ShapeCase {
    const char* title;
    std::string text;
    int step;          // 0: refused
    std::string error; // the start of the refusal
};

void PrintTo(const ShapeCase& c, std::ostream* os)
{
    *os << c.title;
}

std::string Lines(std::initializer_list<const char*> times)
{
    std::string text;
    for (const char* t : times)
        text += std::string("2010.10.07,") + t + ",1.3,1.4,1.2,1.3,5\r\n";
    return text;
}

class ShapeTest : public ::testing::TestWithParam<ShapeCase> {};

TEST_P(ShapeTest, TellsTheStepOrRefusesTheLine)
{
    const ShapeCase& c = GetParam();
    std::string error;
    try {
        if (c.step != 0) {
            EXPECT_EQ(DetectQuoteShape(c.text).StepMinutes, c.step);
        }
        auto record = std::make_unique<Instrument>();
        BuildInstrumentFromQuotes(*record, "X", c.text, {});
    } catch (const Error& e) {
        error = e.what();
    }
    EXPECT_EQ(error.substr(0, c.error.size()), c.error);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, ShapeTest,
    ::testing::Values(ShapeCase{"hourly", Lines({"13:00", "14:00", "16:00"}), 60, ""},
                      ShapeCase{"one_minute", Lines({"13:00", "13:01", "13:02", "13:04"}), 1, ""},
                      ShapeCase{"five_minutes_with_a_hole", Lines({"13:00", "13:05", "13:10", "13:30"}), 5,
                                ""},
                      ShapeCase{"thirty_minutes", Lines({"13:00", "13:30", "14:00"}), 30, ""},
                      ShapeCase{"one_odd_half_hour_is_an_hourly_files_fault", Lines({"13:00", "13:30"}), 60,
                                "Строка 2: время '13:30' не начало часа"},
                      ShapeCase{"two_minutes", Lines({"13:00", "13:02", "13:04"}), 0,
                                "Свечи в первых строках идут через 2 минуты"},
                      ShapeCase{"seconds_of_a_minute_candle",
                                "07.10.2010 13:00:00.000,1,1,1,1\n07.10.2010 13:01:00.000,1,1,1,1\n"
                                "07.10.2010 13:02:00.000,1,1,1,1\n07.10.2010 13:03:30.000,1,1,1,1\n",
                                1, "Строка 4: время '07.10.2010 13:03:30.000' не начало минуты"},
                      ShapeCase{"falling_minutes", Lines({"13:00", "13:01", "13:02", "13:01"}), 1,
                                "Строка 4: 2010-10-07 13:01 не позже 2010-10-07 13:02 в строке 3"},
                      ShapeCase{"bad_price_of_a_minute",
                                Lines({"13:00", "13:01", "13:02"}) + "2010.10.07,13:03,1.3,1.4,x,1.3,5", 1,
                                "Строка 4: неверная цена Low 'x'"}),
    [](const auto& info) { return std::string(info.param.title); });

TEST(QuoteShift, ABadShiftOrADateBeyondTheCalendarIsRefused)
{
    auto record = std::make_unique<Instrument>();
    const std::string text = "9999.12.31,23:00,1,1,1,1,1\n";
    EXPECT_THROW(BuildInstrumentFromQuotes(*record, "X", text, {{}, 24}), Error);
    try {
        BuildInstrumentFromQuotes(*record, "X", text, {{}, 1});
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()).rfind("Строка 1: со сдвигом времени", 0), 0u) << e.what();
    }
}

// ---------------------------------------------------------------------------
// The faster paths against the plain ones

TEST(QuotePrice, ReadsEveryFieldAsTheThreeFileImportDoes)
{
    std::mt19937_64 rng(7);
    const std::string alphabet = "0123456789.., -+eE";
    for (int i = 0; i < test::Scaled(200'000); ++i) {
        std::string field;
        if (i % 2 == 0) {
            // Mostly the plain form, of any length and any number of decimals.
            field = std::to_string(rng() % 100000000000ull);
            field.insert(rng() % (field.size() + 1), 1, rng() % 2 ? '.' : ',');
            if (rng() % 8 == 0)
                field = " " + field + "  ";
        } else {
            for (std::size_t n = rng() % 25; n > 0; --n)
                field += alphabet[rng() % alphabet.size()];
        }
        double plain = -1, fast = -2;
        bool plainThrew = false, fastThrew = false;
        try {
            plain = ParsePrice(PriceCell(field));
        } catch (const Error&) {
            plainThrew = true;
        }
        try {
            fast = ReadQuotePrice(field);
        } catch (const Error&) {
            fastThrew = true;
        }
        ASSERT_EQ(fastThrew, plainThrew) << "'" << field << "'";
        if (!plainThrew) {
            ASSERT_EQ(std::memcmp(&fast, &plain, sizeof(double)), 0) << "'" << field << "'";
        }
    }
}

TEST(TextLines, CutAFileInPiecesAsTheTextReaderCutsTheWholeText)
{
    test::TempDir tmp;
    std::mt19937_64 rng(11);
    const std::string pieces[] = {"\r\n", "\n", "\r", "ab", "1.3", "\x1A", " ", std::string(40, 'x')};
    for (int i = 0; i < test::Scaled(300); ++i) {
        std::string text;
        for (std::size_t n = rng() % 200; n > 0; --n)
            text += pieces[rng() % std::size(pieces)];
        test::WriteFile(tmp.file("t"), text);
        TextLines lines(tmp.file("t"), 1 + rng() % 16);
        TextLineReader plain(text);
        std::string_view a, b;
        for (;;) {
            const bool more = plain.Next(b);
            ASSERT_EQ(lines.Next(a), more) << i;
            if (!more)
                break;
            // A CR ending the whole text is dropped as the import always dropped it.
            if (plain.Position() == text.size() && text.back() != '\n' && !b.empty() && b.back() == '\r')
                b.remove_suffix(1);
            ASSERT_EQ(a, b) << i;
            ASSERT_EQ(lines.Number(), plain.Number());
        }
    }
}

} // namespace
} // namespace quillet
