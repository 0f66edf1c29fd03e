// The indexed entry search against the plain scans of the two runs: the same
// candle for every signal date, on ordinary, random and broken hourly series,
// whatever order the searches come in.

#include "rule/EntryIndex.h"
#include "support/PlainEntryScans.h"

#include "support/RandomPair.h"
#include "support/SyntheticPair.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace quillet {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// Compares both searches for every signal date, in the given order, on one
// index per rule (built once, as a run builds it).
void ExpectSameEntries(const CandleSeries& hour, const std::vector<double>& signalDates)
{
    const int hourEnd = FirstEmptyIndex(hour, 1);
    EntryIndex single(hour, 1, hourEnd);
    EntryIndex portfolio(hour, 0, hourEnd);
    for (const double date : signalDates) {
        EXPECT_EQ(single.SinglePairEntry(date), PlainSinglePairEntry(hour, hourEnd, date))
            << "single pair, signal date " << date;
        EXPECT_EQ(portfolio.PortfolioEntry(date), PlainPortfolioEntry(hour, date))
            << "all pairs, signal date " << date;
    }
}

// The signal dates a run would search for, and dates around and between them.
std::vector<double> DatesAround(const Instrument& inst, std::mt19937_64& rng)
{
    std::vector<double> dates;
    for (int w = 0; w <= FirstEmptyIndex(inst.Week, 1) + 2; ++w) {
        dates.push_back(inst.Week[w].Date);
        dates.push_back(inst.Week[w].Date + std::uniform_real_distribution<double>(-3, 3)(rng));
    }
    for (const double odd : {kNaN, kInf, -kInf, -0.0, -0.5, -7.5, -10.5, 1e17, -1e17, 0.999})
        dates.push_back(odd);
    return dates;
}

struct RandomCase {
    const char* Label;
    test::RandomPairShape Shape;
};

void PrintTo(const RandomCase& c, std::ostream* os)
{
    *os << c.Label;
}

class EntryIndexOnRandomPairs : public ::testing::TestWithParam<RandomCase> {};

TEST_P(EntryIndexOnRandomPairs, FindsThePlainScansCandleInAnyOrder)
{
    auto table = std::make_unique<InstrumentTable>();
    MakeRandomPair((*table)[1], GetParam().Shape);
    const Instrument& inst = (*table)[1];
    std::mt19937_64 rng(GetParam().Shape.Seed);
    std::vector<double> dates = DatesAround(inst, rng);

    ExpectSameEntries(inst.Hour, dates); // in week order, as the runs search
    std::shuffle(dates.begin(), dates.end(), rng);
    ExpectSameEntries(inst.Hour, dates);
    std::reverse(dates.begin(), dates.end());
    ExpectSameEntries(inst.Hour, dates);
}

test::RandomPairShape RandomShape(std::uint64_t seed, bool corrupt, bool endsMidTrade)
{
    test::RandomPairShape s;
    s.Seed = seed;
    s.Weeks = 70;
    s.Corrupt = corrupt;
    s.EndsMidTrade = endsMidTrade;
    s.WeekZero = corrupt;
    return s;
}

INSTANTIATE_TEST_SUITE_P(Shapes, EntryIndexOnRandomPairs,
                         ::testing::Values(RandomCase{"Ordinary", RandomShape(31, false, false)},
                                           RandomCase{"EndsEarly", RandomShape(32, false, true)},
                                           RandomCase{"Corrupt", RandomShape(33, true, false)},
                                           RandomCase{"CorruptAgain", RandomShape(34, true, true)},
                                           RandomCase{"CorruptThird", RandomShape(35, true, false)}),
                         [](const ::testing::TestParamInfo<RandomCase>& info) {
                             return std::string(info.param.Label);
                         });

// --- Odd hourly series, built date by date ------------------------------------

struct OddSeries {
    const char* Label;
    std::vector<double> HourDates; // from index 0; index 0 is only read by the all-pairs rule
    std::vector<double> SignalDates;
};

void PrintTo(const OddSeries& c, std::ostream* os)
{
    *os << c.Label;
}

class EntryIndexOnOddSeries : public ::testing::TestWithParam<OddSeries> {};

TEST_P(EntryIndexOnOddSeries, FindsThePlainScansCandle)
{
    auto hour = std::make_unique<CandleSeries>(); // zero-filled: every candle absent
    const OddSeries& c = GetParam();
    for (std::size_t i = 0; i < c.HourDates.size(); ++i)
        test::SetCandle((*hour)[static_cast<int>(i)], c.HourDates[i], "00", 1, 1, 1, 1);
    std::vector<double> dates = c.SignalDates;
    ExpectSameEntries(*hour, dates);
    std::reverse(dates.begin(), dates.end());
    ExpectSameEntries(*hour, dates);
}

// Signal dates from `from` to `to` in steps of a quarter day.
std::vector<double> Sweep(double from, double to)
{
    std::vector<double> d;
    for (double x = from; x <= to; x += 0.25)
        d.push_back(x);
    for (const double odd : {kNaN, kInf, -kInf, -0.0})
        d.push_back(odd);
    return d;
}

std::vector<double> Days(double first, int count, double step, int perDay = 3)
{
    std::vector<double> d{0}; // index 0 of a generated base: empty
    for (int n = 0; n < count; ++n)
        for (int h = 0; h < perDay; ++h)
            d.push_back(first + n * step + h / 24.0);
    return d;
}

INSTANTIATE_TEST_SUITE_P(
    Series, EntryIndexOnOddSeries,
    ::testing::Values(
        OddSeries{"RisingDays", Days(1000, 40, 1), Sweep(980, 1045)},
        OddSeries{"FallingDays", Days(1040, 40, -1), Sweep(980, 1045)},
        OddSeries{"DaysComeBackLater",
                  [] {
                      auto d = Days(1000, 20, 1);
                      auto again = Days(1005, 10, 1); // days 1005..1014 once more, later in the series
                      d.insert(d.end(), again.begin() + 1, again.end());
                      return d;
                  }(),
                  Sweep(985, 1025)},
        OddSeries{"NegativeDatesAroundZero", Days(-15.5, 30, 0.5, 2), Sweep(-30, 10)},
        OddSeries{"NaNAndInfiniteDates",
                  {0, kNaN, 1008.5, kInf, kNaN, 1009.2, -kInf, 1010, kNaN, kInf, 1011},
                  [] {
                      auto d = Sweep(995, 1005);
                      d.push_back(kInf);
                      d.push_back(-kInf);
                      return d;
                  }()},
        OddSeries{"IndexZeroOnlyCountsForAllPairs", {1010.5, 1020, 1021}, Sweep(995, 1015)},
        OddSeries{"HugeDatesBeyondWholeDays",
                  {0, 1e17, 1e17 + 16, 1e17 + 32, 9.007199254740993e15, 9.007199254740996e15},
                  {1e17, 1e17 - 8, 1e17 + 8, 9.007199254740984e15, 9.007199254740988e15, 1e300, -1e300}},
        OddSeries{"NoHourlyData", {}, Sweep(0, 10)}, OddSeries{"OnlyIndexZero", {1010}, Sweep(995, 1005)},
        OddSeries{"ShuffledHours",
                  [] {
                      auto d = Days(2000, 30, 1, 5);
                      std::mt19937_64 rng(5);
                      std::shuffle(d.begin() + 1, d.end(), rng);
                      return d;
                  }(),
                  Sweep(1985, 2035)}),
    [](const ::testing::TestParamInfo<OddSeries>& info) { return std::string(info.param.Label); });

TEST(EntryIndex, AFullSeriesIsSearchedToItsLastCandle)
{
    // Every slot filled up to index 65000: the end mark is 65001, and only
    // the very last candle lies in the wanted week.
    auto hour = std::make_unique<CandleSeries>();
    for (int i = 0; i <= kLastCandleIndex; ++i)
        test::SetCandle((*hour)[i], 100 + i / 1000, "00", 1, 1, 1, 1);
    test::SetCandle((*hour)[kLastCandleIndex], 5000, "00", 1, 1, 1, 1);
    const int end = FirstEmptyIndex(*hour, 1);
    ASSERT_EQ(end, kLastCandleIndex + 1);
    EntryIndex single(*hour, 1, end);
    EntryIndex portfolio(*hour, 0, end);
    EXPECT_EQ(single.SinglePairEntry(4990), kLastCandleIndex);
    EXPECT_EQ(portfolio.PortfolioEntry(4990), kLastCandleIndex);
    EXPECT_EQ(single.SinglePairEntry(4999), end) << "no candle after the last";
    EXPECT_EQ(portfolio.PortfolioEntry(4999), -1);
    EXPECT_EQ(single.SinglePairEntry(100), PlainSinglePairEntry(*hour, end, 100));
}

TEST(EntryIndex, MondayMissingEntersOnTuesday)
{
    // The week after the signal has no Monday: both rules enter on Tuesday.
    // The single-pair week runs to Sunday, the all-pairs week to Friday.
    auto hour = std::make_unique<CandleSeries>();
    const double sunday = test::FirstSunday();
    test::SetCandle((*hour)[1], sunday + 2, "00", 1, 1, 1, 1);   // Tuesday of the signal week
    test::SetCandle((*hour)[2], sunday + 9, "05", 1, 1, 1, 1);   // Tuesday after
    test::SetCandle((*hour)[3], sunday + 9.5, "12", 1, 1, 1, 1); // later that Tuesday
    test::SetCandle((*hour)[4], sunday + 20, "00", 1, 1, 1, 1);  // a Saturday, a week on
    const int end = FirstEmptyIndex(*hour, 1);
    EntryIndex single(*hour, 1, end);
    EntryIndex portfolio(*hour, 0, end);
    EXPECT_EQ(single.SinglePairEntry(sunday), 2);
    EXPECT_EQ(portfolio.PortfolioEntry(sunday), 2);
    EXPECT_EQ(single.SinglePairEntry(sunday + 7), 4) << "Saturday belongs to the single-pair week";
    EXPECT_EQ(portfolio.PortfolioEntry(sunday + 7), -1) << "Saturday is beyond the all-pairs week";
}

} // namespace
} // namespace quillet
