// The check of the quotes against hand-made files: three weeks of every
// trading hour from Sunday 22:00 to Friday 22:00, each hour ten points wide,
// and then one fault at a time (a hole, a thin week, Saturday hours, a spike
// in its wick or in its body, a flat run, a weekly candle that disagrees
// with its hours). And the demo instruments, whose checks hold nothing a
// run's figures would mention.

#include "analysis/DataCheck.h"
#include "model/Dates.h"
#include "report/DataCheckTexts.h"
#include "store/HourlyImport.h"
#include "support/HourlyText.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace quillet {
namespace {

using test::HourQuote;

std::string Price(int ticks)
{
    return "1." + std::to_string(100000 + ticks).substr(1);
}

/// Three weeks of trading hours from Sunday 2 January 2000, 22:00.
std::vector<HourQuote> TradingHours()
{
    std::vector<HourQuote> hours;
    for (int week = 0; week < 3; ++week)
        for (int h = 22; h < 5 * 24 + 22; ++h) {
            CivilDate c{};
            DecodeDate(DateSerial(2000, 1, 2) + 7 * week + h / 24, c);
            const int i = static_cast<int>(hours.size());
            const int open = 30000 + i % 5 * 10, close = 30000 + (i + 1) % 5 * 10;
            hours.push_back({c.Year, c.Month, c.Day, h % 24, Price(open), Price(open + 50), Price(open - 50),
                             Price(close)});
        }
    return hours;
}

struct Expected {
    std::int64_t share = 1000; // per mille
    int gap = 0;
    std::string gapFrom = "";
    std::size_t thin = 0, saturday = 0, spikes = 0, wickSpikes = 0, flats = 0, disagreements = 0;
    std::string where = ""; // the time of the first Saturday hour, spike or flat run
};

struct FaultCase {
    const char* title;
    std::function<void(std::vector<HourQuote>&)> fault;
    std::function<void(Instrument&)> afterImport;
    Expected expected;
};

void PrintTo(const FaultCase& c, std::ostream* os)
{
    *os << c.title;
}

std::string Stamp(const HourStamp& s)
{
    return FormatDate(s.Date, "yyyy-mm-dd") + ' ' + std::to_string(s.Hour);
}

class FaultTest : public ::testing::TestWithParam<FaultCase> {};

TEST_P(FaultTest, TheCheckFindsWhatWasDone)
{
    const FaultCase& c = GetParam();
    std::vector<HourQuote> hours = TradingHours();
    if (c.fault)
        c.fault(hours);
    auto record = std::make_unique<Instrument>();
    BuildInstrumentFromHourly(*record, "EURUSD", test::HourlyText(HourlyFormat::QuoteLine, hours));
    if (c.afterImport)
        c.afterImport(*record);
    const DataCheck check = CheckQuoteData(*record);
    const Expected& e = c.expected;
    EXPECT_EQ(check.Weeks, 3);
    EXPECT_EQ(check.SharePerMille(), e.share);
    EXPECT_EQ(check.LongestGap.Hours, e.gap);
    if (e.gap > 0) {
        EXPECT_EQ(Stamp(check.LongestGap.First), e.gapFrom);
    }
    EXPECT_EQ(check.ThinWeeks.size(), e.thin);
    EXPECT_EQ(check.SaturdayHours.size(), e.saturday);
    EXPECT_EQ(check.Spikes.size(), e.spikes);
    EXPECT_EQ(check.WickSpikes(), e.wickSpikes);
    EXPECT_EQ(check.FlatRuns.size(), e.flats);
    EXPECT_EQ(check.Disagreements.size(), e.disagreements);
    EXPECT_EQ(check.WeeksCompared, 1); // the first and the last week may be cut
    EXPECT_EQ(check.WorthMentioning(), e.thin > 0 || e.wickSpikes > 0);
    std::string where;
    if (!check.SaturdayHours.empty())
        where = Stamp(check.SaturdayHours[0]);
    if (!check.Spikes.empty())
        where = Stamp(check.Spikes[0].At);
    if (!check.FlatRuns.empty())
        where = Stamp(check.FlatRuns[0].First) + " x" + std::to_string(check.FlatRuns[0].Hours);
    EXPECT_EQ(where, e.where);
}

// Hour i of the file is hour i - 2 of Monday 3 January 2000 and so on.
void Erase(std::vector<HourQuote>& h, int from, int count)
{
    h.erase(h.begin() + from, h.begin() + from + count);
}

INSTANTIATE_TEST_SUITE_P(
    Files, FaultTest,
    ::testing::Values(FaultCase{"clean", {}, {}, {}},
                      FaultCase{"four_hours_missing_on_a_tuesday",
                                [](auto& h) { Erase(h, 120 + 2 + 24 + 10, 4); },
                                {},
                                {.share = 989, .gap = 4, .gapFrom = "2000-01-11 10"}},
                      // Monday to Wednesday of the second week: 48 of its 120 hours are left.
                      FaultCase{"a_thin_week",
                                [](auto& h) { Erase(h, 120 + 2, 72); },
                                {},
                                {.share = 800, .gap = 72, .gapFrom = "2000-01-10 0", .thin = 1}},
                      FaultCase{"hours_on_a_saturday",
                                [](auto& h) {
                                    h.insert(h.begin() + 240,
                                             {{2000, 1, 15, 9, "1.3", "1.3005", "1.2995", "1.3"},
                                              {2000, 1, 15, 10, "1.3", "1.3005", "1.2995", "1.3"}});
                                },
                                {},
                                {.saturday = 2, .where = "2000-01-15 9"}},
                      FaultCase{"a_bad_tick_in_a_wick",
                                [](auto& h) { h[150].High = "1.31500"; },
                                {},
                                {.spikes = 1, .wickSpikes = 1, .where = "2000-01-11 4"}},
                      FaultCase{"a_wide_body_is_a_move",
                                [](auto& h) {
                                    h[150] = {2000, 1, 11, 4, "1.30000", "1.31250", "1.29950", "1.31200"};
                                },
                                {},
                                {.spikes = 1, .where = "2000-01-11 4"}},
                      FaultCase{"thirty_hours_of_one_close",
                                [](auto& h) {
                                    for (int i = 31; i < 61; ++i)
                                        h[i].Open = h[i].High = h[i].Low = h[i].Close = "1.30000";
                                },
                                {},
                                {.flats = 1, .where = "2000-01-04 5 x30"}},
                      FaultCase{"a_weekly_high_three_points_off",
                                {},
                                [](Instrument& r) {
                                    r.Week[2].High += 0.0003;
                                    r.Day[8].Low += 0.00001; // a tenth of a point is within what is allowed
                                },
                                {.disagreements = 1}}),
    [](const auto& info) { return std::string(info.param.title); });

TEST(DataCheck, ARunSeesOnlyItsWeeksAndTheWeekAfter)
{
    std::vector<HourQuote> hours = TradingHours();
    hours[10].High = "1.31500"; // a bad tick in the first week
    auto record = std::make_unique<Instrument>();
    BuildInstrumentFromHourly(*record, "EURUSD", test::HourlyText(HourlyFormat::QuoteLine, hours));
    EXPECT_EQ(RunDataCheck(*record, 0, 535).WickSpikes(), 1u);
    EXPECT_EQ(RunDataCheck(*record, 0, 1).WickSpikes(), 1u);
    const DataCheck later = RunDataCheck(*record, 2, 3);
    EXPECT_EQ(later.WickSpikes(), 0u);
    EXPECT_EQ(later.Weeks, 2);
    EXPECT_EQ(DataCheckLine(later), "");
    EXPECT_EQ(DataCheckLine(RunDataCheck(*record, 0, 535)), "Данные: 100,0% часов, 1 выброс");
}

TEST(DataCheck, TheDemoInstrumentsGiveARunNothingToMention)
{
    const InstrumentTable& demo = test::DemoTable();
    for (int slot = 1; slot <= 7; ++slot) {
        const DataCheck check = RunDataCheck(demo[slot], 0, 535);
        EXPECT_FALSE(check.WorthMentioning()) << ShortStringText(demo[slot].Name);
        // Their clock runs Monday 00:00 to Friday 24:00: the Sunday evening is never there.
        EXPECT_LT(check.SharePerMille(), 984);
        EXPECT_TRUE(CheckQuoteData(demo[slot]).Disagreements.empty());
    }
}

} // namespace
} // namespace quillet
