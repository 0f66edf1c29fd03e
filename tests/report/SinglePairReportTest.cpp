// The bookkeeping of the single-pair run and the texts of its result labels.

#include "report/SinglePairReport.h"
#include "engine/Bookkeeping.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cctype>
#include <map>
#include <string>
#include <vector>

namespace quillet {
namespace {

std::map<std::string, std::string> LabelMap(const SinglePairReport& report)
{
    std::map<std::string, std::string> m;
    for (const LabelText& l : report.Labels)
        m[l.Label] = l.Text;
    return m;
}

// --- Bookkeeping --------------------------------------------------------------

// Books a sequence of trade outcomes, one per week starting at `firstWeek`:
// 'T' take-profit, 'S' stop-loss, 'W' time-out win, 'L' time-out loss.
BacktestResult Book(const std::string& outcomes, int firstWeek)
{
    BacktestResult r;
    int week = firstWeek;
    for (const char o : outcomes) {
        RecordEntry(r);
        switch (o) {
        case 'T':
            RecordTakeProfit(r, week, 0, 0);
            break;
        case 'S':
            RecordStopLoss(r, week);
            break;
        case 'W':
            RecordTimeoutWin(r, 10);
            break;
        case 'L':
            RecordTimeoutLoss(r, 10);
            break;
        }
        RecordWeekEnd(r, 0);
        ++week;
    }
    return r;
}

struct SeriesCase {
    const char* outcomes;
    int firstWeek;
    int tpSeriesMax;
    int slSeriesMax;
    const char* tpLabel; // Label160
    const char* slLabel; // Label162
};

class SinglePairSeries : public ::testing::TestWithParam<SeriesCase> {};

TEST_P(SinglePairSeries, LongestRuns)
{
    const SeriesCase& c = GetParam();
    const BacktestResult r = Book(c.outcomes, c.firstWeek);
    EXPECT_EQ(r.TpSeriesMax, c.tpSeriesMax);
    EXPECT_EQ(r.SlSeriesMax, c.slSeriesMax);
    const auto labels = LabelMap(MakeSinglePairReport(BacktestParams{}, r));
    EXPECT_EQ(labels.at("Label160"), c.tpLabel);
    EXPECT_EQ(labels.at("Label162"), c.slLabel);
}

INSTANTIATE_TEST_SUITE_P(Cases, SinglePairSeries,
                         ::testing::Values(
                             // Alternating outcomes never make a run.
                             SeriesCase{"TSTS", 1, 0, 0, "-", "-"},
                             // A stop-loss before any take-profit continues a run nothing began.
                             SeriesCase{"STST", 1, 0, 1, "-", "1"},
                             // Time-outs are invisible to the runs.
                             SeriesCase{"TTWT", 1, 3, 0, "3", "-"}, SeriesCase{"TLT", 1, 2, 0, "2", "-"},
                             SeriesCase{"SSWLS", 1, 0, 3, "-", "3"},
                             // The longest run survives shorter later ones.
                             SeriesCase{"TTTSTT", 1, 3, 0, "3", "-"}, SeriesCase{"SSSTSS", 1, 0, 3, "-", "3"},
                             SeriesCase{"", 1, 0, 0, "-", "-"}, SeriesCase{"WL", 1, 0, 0, "-", "-"},
                             // Week 0 books no series but still sets what the last level was: its
                             // take-profit leaves TpSeries at 0, so the next one makes a run of 1;
                             // a stop-loss after it restarts the stop-loss run without counting.
                             SeriesCase{"TT", 0, 1, 0, "1", "-"}, SeriesCase{"TS", 0, 0, 0, "-", "-"},
                             SeriesCase{"S", 0, 0, 0, "-", "-"}, SeriesCase{"SS", 0, 0, 1, "-", "1"},
                             SeriesCase{"TTT", 0, 2, 0, "2", "-"}),
                         [](const auto& info) {
                             return test::ParamName(info.index, std::string(info.param.outcomes) +
                                                                    " from week " +
                                                                    std::to_string(info.param.firstWeek));
                         });

TEST(SinglePairBookkeeping, SeriesStateAfterTwoOfEach)
{
    const BacktestResult r = Book("TTSS", 1);
    EXPECT_EQ(r.TpSeriesMax, 2);
    EXPECT_EQ(r.SlSeriesMax, 2);
    EXPECT_EQ(r.TpSeries, 2);
    EXPECT_EQ(r.SlSeries, 2);
    EXPECT_FALSE(r.LastWasTakeProfit);
}

TEST(SinglePairBookkeeping, TakeProfitSumsHoursAndDrawdown)
{
    BacktestResult r;
    RecordTakeProfit(r, 3, 5, 40);
    RecordTakeProfit(r, 4, 12, 25);
    RecordTakeProfit(r, 0, 1, 70);
    EXPECT_EQ(r.TakeProfits, 3);
    EXPECT_EQ(r.HoursSum, 18);
    EXPECT_EQ(r.DrawdownSum, 135);
    EXPECT_EQ(r.DrawdownMax, 70);
    EXPECT_TRUE(r.LastWasTakeProfit);
}

TEST(SinglePairBookkeeping, TimeoutsSumTheirPoints)
{
    BacktestResult r;
    RecordTimeoutWin(r, 12);
    RecordTimeoutWin(r, 30);
    RecordTimeoutLoss(r, 7);
    EXPECT_EQ(r.TimeoutWins, 2);
    EXPECT_EQ(r.TimeoutWinPoints, 42);
    EXPECT_EQ(r.TimeoutLosses, 1);
    EXPECT_EQ(r.TimeoutLossPoints, 7);
    EXPECT_FALSE(r.LastWasTakeProfit);
    const auto labels = LabelMap(MakeSinglePairReport(BacktestParams{}, r));
    EXPECT_EQ(labels.at("Label95"), "2 (42)");
    EXPECT_EQ(labels.at("Label171"), "1 (7)");
}

TEST(SinglePairBookkeeping, HoursMinAndMaxFollowTheWeekEnds)
{
    struct Case {
        std::vector<int> offsets;
        int min, max;
    };
    const Case cases[] = {
        {{}, 100, 0},           // no week: the start values
        {{0, 30, 5}, 0, 30},    // a week before the first trade gives 0
        {{30, 5, 5}, 5, 30},    // a stop-loss at 30 counts as much as a take-profit at 5
        {{119, 101}, 100, 119}, // above the start value of the minimum
        {{100}, 100, 100},
    };
    for (const Case& c : cases) {
        BacktestResult r;
        for (const int k : c.offsets)
            RecordWeekEnd(r, k);
        EXPECT_EQ(r.HoursMin, c.min);
        EXPECT_EQ(r.HoursMax, c.max);
    }
}

// --- The labels ----------------------------------------------------------------

TEST(SinglePairReportTexts, FourteenLabelsInOrderAndTheClosingLine)
{
    const SinglePairReport report = MakeSinglePairReport(BacktestParams{}, BacktestResult{});
    std::vector<std::string> names;
    for (const LabelText& l : report.Labels)
        names.push_back(l.Label);
    const std::vector<std::string> expected = {"Label79", "Label64",  "Label71",  "Label75", "Label87",
                                               "Label92", "Label90",  "Label84",  "Label82", "Label157",
                                               "Label95", "Label171", "Label160", "Label162"};
    EXPECT_EQ(names, expected);
    EXPECT_EQ(report.ClosingLine, "^^^^^^^^^^^^^^^^^^^^Рассчёты^^^^^^^^^^^^^^^^^^^^^^^^^^^^");
}

struct LabelCase {
    const char* what;
    int takeProfitPoints, stopLossPoints;
    int entries, takeProfits, stopLosses;
    int hoursSum, drawdownSum;
    std::map<std::string, std::string> expected;
};

class SinglePairLabels : public ::testing::TestWithParam<LabelCase> {};

TEST_P(SinglePairLabels, Texts)
{
    const LabelCase& c = GetParam();
    BacktestParams p;
    p.TakeProfitPoints = c.takeProfitPoints;
    p.StopLossPoints = c.stopLossPoints;
    BacktestResult r;
    r.Entries = c.entries;
    r.TakeProfits = c.takeProfits;
    r.StopLosses = c.stopLosses;
    r.HoursSum = c.hoursSum;
    r.DrawdownSum = c.drawdownSum;
    const auto labels = LabelMap(MakeSinglePairReport(p, r));
    ASSERT_EQ(labels.size(), 14u);
    for (const auto& [label, text] : c.expected)
        EXPECT_EQ(labels.at(label), text) << label;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SinglePairLabels,
    ::testing::Values(
        LabelCase{"two of three",
                  50,
                  100,
                  3,
                  2,
                  1,
                  0,
                  0,
                  {{"Label79", "3"},
                   {"Label64", "2 (100 п)"},
                   {"Label71", "1 (100 п)"},
                   {"Label75", "67%"},
                   {"Label157", "1"}}},
        LabelCase{"every entry a take-profit",
                  50,
                  100,
                  4,
                  4,
                  0,
                  8,
                  20,
                  {{"Label75", "1E02%"}, {"Label157", "-"}, {"Label90", "2"}, {"Label84", "5"}}},
        LabelCase{"99.6 percent rounds to 1E02", 50, 100, 250, 249, 1, 0, 0, {{"Label75", "1E02%"}}},
        LabelCase{"profitability 7.5", 75, 10, 2, 1, 1, 0, 0, {{"Label157", "7,5"}, {"Label75", "50%"}}},
        LabelCase{"profitability 0.75", 75, 100, 2, 1, 1, 0, 0, {{"Label157", "0,75"}}},
        LabelCase{"profitability 150", 100, 2, 4, 3, 1, 0, 0, {{"Label157", "1,5E02"}, {"Label75", "75%"}}},
        // The figures without a defined value read "-".
        LabelCase{"no entry",
                  50,
                  100,
                  0,
                  0,
                  0,
                  0,
                  0,
                  {{"Label79", "0"},
                   {"Label64", "0 (0 п)"},
                   {"Label71", "0 (0 п)"},
                   {"Label75", "-"},
                   {"Label90", "-"},
                   {"Label84", "-"},
                   {"Label157", "-"},
                   {"Label82", "0"}}},
        LabelCase{"stop-losses only",
                  50,
                  100,
                  2,
                  0,
                  2,
                  0,
                  0,
                  {{"Label75", "0%"},
                   {"Label90", "-"},
                   {"Label84", "-"},
                   {"Label157", "0"},
                   {"Label71", "2 (200 п)"}}},
        LabelCase{"stop-loss of 0 points", 50, 0, 4, 1, 3, 0, 0, {{"Label157", "-"}, {"Label71", "3 (0 п)"}}},
        LabelCase{
            "take-profit of 0 points", 0, 100, 3, 2, 1, 0, 0, {{"Label157", "0"}, {"Label64", "2 (0 п)"}}},
        LabelCase{"both of 0 points", 0, 0, 3, 2, 1, 0, 0, {{"Label157", "-"}}},
        // The averages round to the nearest integer, halves to even.
        LabelCase{"averages 2.5 and 0.5", 50, 100, 2, 2, 0, 5, 1, {{"Label90", "2"}, {"Label84", "0"}}},
        LabelCase{"averages 3.5 and 1.5", 50, 100, 2, 2, 0, 7, 3, {{"Label90", "4"}, {"Label84", "2"}}},
        LabelCase{"average 4.67", 50, 100, 3, 3, 0, 14, 0, {{"Label90", "5"}}}),
    [](const auto& info) { return test::ParamName(info.param.what); });

TEST(SinglePairReportTexts, SeriesAndHoursLabels)
{
    BacktestResult r;
    r.HoursMin = 3;
    r.HoursMax = 44;
    r.DrawdownMax = 17;
    r.TpSeriesMax = 4;
    r.SlSeriesMax = 0;
    const auto labels = LabelMap(MakeSinglePairReport(BacktestParams{}, r));
    EXPECT_EQ(labels.at("Label87"), "3");
    EXPECT_EQ(labels.at("Label92"), "44");
    EXPECT_EQ(labels.at("Label82"), "17");
    EXPECT_EQ(labels.at("Label160"), "4");
    EXPECT_EQ(labels.at("Label162"), "-");
}

TEST(SinglePairReportTexts, EmptyRangeReportsTheStartValues)
{
    const auto labels = LabelMap(MakeSinglePairReport(BacktestParams{}, BacktestResult{}));
    EXPECT_EQ(labels.at("Label79"), "0");
    EXPECT_EQ(labels.at("Label87"), "100");
    EXPECT_EQ(labels.at("Label92"), "0");
    EXPECT_EQ(labels.at("Label90"), "-");
}

TEST(SinglePairProgressBar, SetUpFromTheRange)
{
    BacktestParams p;
    p.RangeRestricted = true;
    p.FirstWeek = 100;
    p.LastWeek = 200;
    ProgressSetup s = ProgressBarSetup(p);
    EXPECT_EQ(s.Min, 100);
    EXPECT_EQ(s.Max, 200);
    EXPECT_EQ(s.Position, 100);

    p.RangeRestricted = false;
    s = ProgressBarSetup(p);
    EXPECT_EQ(s.Min, 0);
    EXPECT_EQ(s.Max, 535);
    EXPECT_EQ(s.Position, 0);
}

} // namespace
} // namespace quillet
