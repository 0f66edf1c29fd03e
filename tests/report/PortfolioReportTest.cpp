// The label texts of the all-pairs page, from result records and from a run
// over five instruments.

#include "report/PortfolioReport.h"
#include "engine/Portfolio.h"
#include "model/Dates.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace quillet {
namespace {

std::map<std::string, std::string> ByLabel(const std::vector<LabelText>& labels)
{
    std::map<std::string, std::string> m;
    for (const LabelText& l : labels)
        m[l.Label] = l.Text;
    return m;
}

std::vector<std::string> Names(const std::vector<LabelText>& labels)
{
    std::vector<std::string> names;
    for (const LabelText& l : labels)
        names.push_back(l.Label);
    return names;
}

TEST(PortfolioReport, LabelsComeInPageOrder)
{
    const std::vector<std::string> expected = {"Label148", "Label142", "Label144", "Label146", "Label154",
                                               "Label150", "Label152", "Label158", "Label167", "Label169",
                                               "Label133", "Label134", "Label135", "Label136", "Label137",
                                               "Label138", "Label139"};
    // Every label is written, whatever the result holds.
    EXPECT_EQ(Names(MakePortfolioReport({}, PortfolioResult{})), expected);
    PortfolioResult busy;
    busy.Entries = 9;
    busy.TakeProfits = 4;
    busy.StopLosses = 5;
    busy.Pairs[0] = {9, 4};
    EXPECT_EQ(Names(MakePortfolioReport({}, busy)), expected);
}

TEST(PortfolioReport, TotalsOfATypicalRun)
{
    // Three counted trades: two profits after 3 and 4 hours with drawdowns of
    // 15 and 30 points, one loss; TP 50 and SL 100 points.
    PortfolioResult r;
    r.Entries = 3;
    r.TakeProfits = 2;
    r.StopLosses = 1;
    r.HoursSum = 7;
    r.DrawdownSum = 45;
    r.DrawdownMax = 30;
    r.TpSeriesMax = 2;
    r.SlSeriesMax = 0;
    r.Pairs[0] = {2, 1};
    r.Pairs[3] = {1, 1};

    const auto t = ByLabel(MakePortfolioReport({85, 100, 50}, r));
    EXPECT_EQ(t.at("Label148"), "3");
    EXPECT_EQ(t.at("Label142"), "2");
    EXPECT_EQ(t.at("Label144"), "1");
    EXPECT_EQ(t.at("Label146"), "67%");
    EXPECT_EQ(t.at("Label154"), "4") << "7 / 2 = 3.5 rounds to the even 4";
    EXPECT_EQ(t.at("Label150"), "22") << "45 / 2 = 22.5 rounds to the even 22";
    EXPECT_EQ(t.at("Label152"), "30");
    EXPECT_EQ(t.at("Label158"), "1") << "100 points won over 100 lost";
    EXPECT_EQ(t.at("Label167"), "2");
    EXPECT_EQ(t.at("Label169"), "-");
    EXPECT_EQ(t.at("Label133"), "2 (50%)");
    EXPECT_EQ(t.at("Label134"), "0 (-)");
    EXPECT_EQ(t.at("Label136"), "1 (1E02%)");
}

// Figures without a value read "-" instead of dividing by zero.
struct UndefinedCase {
    const char* story;
    std::int32_t entries, takeProfits, stopLosses, stopLossPoints;
    std::map<std::string, std::string> expected;
};

class PortfolioReportUndefined : public ::testing::TestWithParam<UndefinedCase> {};

TEST_P(PortfolioReportUndefined, FiguresWithoutAValueReadDash)
{
    const UndefinedCase& c = GetParam();
    PortfolioResult r;
    r.Entries = c.entries;
    r.TakeProfits = c.takeProfits;
    r.StopLosses = c.stopLosses;
    r.HoursSum = 3 * c.takeProfits;
    r.DrawdownSum = 10 * c.takeProfits;
    r.DrawdownMax = c.takeProfits > 0 ? 10 : 0;
    PortfolioParams params;
    params.StopLossPoints = c.stopLossPoints;
    const auto t = ByLabel(MakePortfolioReport(params, r));
    for (const auto& [label, text] : c.expected)
        EXPECT_EQ(t.at(label), text) << c.story << ", " << label;
}

INSTANTIATE_TEST_SUITE_P(
    Results, PortfolioReportUndefined,
    ::testing::Values(
        UndefinedCase{"no trade counted",
                      0,
                      0,
                      0,
                      100,
                      {{"Label148", "0"},
                       {"Label146", "-"},
                       {"Label154", "-"},
                       {"Label150", "-"},
                       {"Label152", "0"},
                       {"Label158", "-"},
                       {"Label167", "-"},
                       {"Label169", "-"}}},
        UndefinedCase{"only take-profits",
                      4,
                      4,
                      0,
                      100,
                      {{"Label146", "1E02%"}, {"Label154", "3"}, {"Label150", "10"}, {"Label158", "-"}}},
        UndefinedCase{
            "only stop-losses",
            4,
            0,
            4,
            100,
            {{"Label146", "0%"}, {"Label154", "-"}, {"Label150", "-"}, {"Label152", "0"}, {"Label158", "0"}}},
        UndefinedCase{
            "stop-loss at 0 points", 4, 2, 2, 0, {{"Label146", "50%"}, {"Label154", "3"}, {"Label158", "-"}}},
        UndefinedCase{"one of each", 2, 1, 1, 100, {{"Label158", "0,5"}}}),
    [](const auto& info) { return test::ParamName(info.param.story); });

struct RowCase {
    std::int32_t entries, takeProfits;
    const char* text;
};

class PortfolioReportRow : public ::testing::TestWithParam<RowCase> {};

TEST_P(PortfolioReportRow, EntriesAndTakeProfitShare)
{
    const RowCase& c = GetParam();
    // The same pair in every row position, so each row is read from its own slot.
    for (int row = 0; row < kPortfolioPairCount; ++row) {
        PortfolioResult r;
        r.Pairs[row] = {c.entries, c.takeProfits};
        const auto labels = MakePortfolioReport({}, r);
        EXPECT_EQ(ByLabel(labels).at("Label" + std::to_string(133 + row)), c.text) << "row " << row + 1;
        for (int other = 0; other < kPortfolioPairCount; ++other) {
            if (other != row) {
                EXPECT_EQ(ByLabel(labels).at("Label" + std::to_string(133 + other)), "0 (-)");
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, PortfolioReportRow,
                         ::testing::Values(RowCase{3, 2, "3 (67%)"}, RowCase{20, 1, "20 (5%)"},
                                           RowCase{30, 1, "30 (3,3%)"}, RowCase{12, 7, "12 (58%)"},
                                           RowCase{4, 4, "4 (1E02%)"}, RowCase{8, 0, "8 (0%)"},
                                           RowCase{0, 0, "0 (-)"}, RowCase{1000, 1, "1000 (0,1%)"}),
                         [](const auto& info) {
                             return test::ParamName("entries " + std::to_string(info.param.entries) + " tp " +
                                                    std::to_string(info.param.takeProfits));
                         });

TEST(PortfolioReport, FiveInstrumentsLoaded)
{
    // Five dollar pairs in slots 1 to 5; slots 6 and 7 are empty. In week s
    // only slot s moves, 100 points up, and its Monday hour after that week
    // reaches 1.1950 from 1.2000 (a profit) for slots 1 to 4, and 1.2100 (a
    // loss) for slot 5.
    InstrumentTable table;
    const double firstSunday = DateSerial(2005, 1, 9);
    for (int slot = 1; slot <= 5; ++slot) {
        SetShortString(table[slot].Name, "PAIR" + std::to_string(slot));
        const double sunday = firstSunday + 7.0 * slot;
        test::SetCandle(table[slot].Week[slot], sunday, "00", 1.3000, 1.3100, 1.3000, 1.3100);
        if (slot < 5)
            test::SetCandle(table[slot].Hour[1], sunday + 8, "00", 1.2000, 1.2010, 1.1940, 1.1950);
        else
            test::SetCandle(table[slot].Hour[1], sunday + 8, "00", 1.2000, 1.2110, 1.1990, 1.2100);
    }
    const PortfolioParams params;
    const PortfolioResult r = RunPortfolioBacktest(params, {}, table);
    const auto t = ByLabel(MakePortfolioReport(params, r));

    EXPECT_EQ(t.at("Label148"), "5");
    EXPECT_EQ(t.at("Label142"), "4");
    EXPECT_EQ(t.at("Label144"), "1");
    EXPECT_EQ(t.at("Label146"), "80%");
    EXPECT_EQ(t.at("Label154"), "0");
    EXPECT_EQ(t.at("Label158"), "2") << "200 points won over 100 lost";
    EXPECT_EQ(t.at("Label167"), "4");
    EXPECT_EQ(t.at("Label169"), "-");
    for (int label = 133; label <= 136; ++label)
        EXPECT_EQ(t.at("Label" + std::to_string(label)), "1 (1E02%)");
    EXPECT_EQ(t.at("Label137"), "1 (0%)");
    EXPECT_EQ(t.at("Label138"), "0 (-)");
    EXPECT_EQ(t.at("Label139"), "0 (-)");
}

} // namespace
} // namespace quillet
