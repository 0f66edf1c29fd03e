// quillet-cli portfolio: loading DIR/config as start-up does, the parameter
// ranges of the page's track bars, the page's captions and the JSON form.

#include "cli/CliTestSupport.h"
#include "engine/Portfolio.h"
#include "model/Dates.h"
#include "model/Instrument.h"
#include "store/Files.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace quillet::cli {
namespace {

using nlohmann::json;
using test::SetCandle;
using test::TempDir;

const double kFirstSunday = DateSerial(2005, 1, 9);

// One dollar pair whose week `week` moves `points` points from 1.3000 and
// whose first hour on the Monday after opens at 1.2000 and reaches either
// 1.1940 (a sell's take-profit at 50 points) or 1.2110 (its stop-loss at 100).
struct PairStory {
    std::string name;
    int week;
    double points;
    bool takesProfit;
};

void WritePair(const std::string& dir, const PairStory& s)
{
    auto inst = std::make_unique<Instrument>(); // 9 MB, zeroed
    SetShortString(inst->Name, s.name);
    const double sunday = kFirstSunday + 7.0 * s.week;
    // Weekly candle 1 exists so that the instrument counts as loaded.
    SetCandle(inst->Week[1], kFirstSunday + 7, "00", 1.3, 1.3, 1.3, 1.3);
    SetCandle(inst->Week[s.week], sunday, "00", 1.3000, 1.3000 + s.points / 10000, 1.3000,
              1.3000 + s.points / 10000);
    if (s.takesProfit)
        SetCandle(inst->Hour[1], sunday + 8, "00", 1.2000, 1.2010, 1.1940, 1.1950);
    else
        SetCandle(inst->Hour[1], sunday + 8, "00", 1.2000, 1.2110, 1.1990, 1.2100);
    WriteBaseFile(dir + s.name + ".base", *inst);
}

void WriteInstruments(const TempDir& dir, const std::vector<PairStory>& pairs)
{
    std::vector<std::string> names;
    for (const PairStory& p : pairs) {
        WritePair(dir.dir(), p);
        names.push_back(p.name);
    }
    WriteInstrumentList(dir.file("config"), names);
}

json RunJson(std::vector<std::string> args)
{
    args.insert(args.begin(), "portfolio");
    args.push_back("--json");
    const CliRun run = RunCommand(args);
    EXPECT_EQ(run.status, 0) << run.err;
    return json::parse(run.out);
}

// Two pairs: EURUSD rises 120 points in week 1 and takes its profit; GBPUSD
// rises 100 points in week 2 and is stopped out.
const std::vector<PairStory> kTwoPairs = {{"EURUSD", 1, 120, true}, {"GBPUSD", 2, 100, false}};

TEST(PortfolioCommand, JsonHoldsResultLabelsAndProgress)
{
    TempDir dir;
    WriteInstruments(dir, kTwoPairs);
    const json doc = RunJson({dir.path().string()});

    const json& r = doc.at("result");
    EXPECT_EQ(r.at("Entries"), 2);
    EXPECT_EQ(r.at("TakeProfits"), 1);
    EXPECT_EQ(r.at("StopLosses"), 1);
    EXPECT_EQ(r.at("HoursSum"), 0);
    EXPECT_EQ(r.at("DrawdownSum"), 0);
    EXPECT_EQ(r.at("DrawdownMax"), 0);
    EXPECT_EQ(r.at("TpSeriesMax"), 0);
    EXPECT_EQ(r.at("SlSeriesMax"), 0);
    ASSERT_EQ(r.at("Pairs").size(), 7u);
    EXPECT_EQ(r.at("Pairs")[0], (json{{"Entries", 1}, {"TakeProfits", 1}}));
    EXPECT_EQ(r.at("Pairs")[1], (json{{"Entries", 1}, {"TakeProfits", 0}}));
    for (int slot = 3; slot <= 7; ++slot)
        EXPECT_EQ(r.at("Pairs")[slot - 1], (json{{"Entries", 0}, {"TakeProfits", 0}}));

    const json& labels = doc.at("labels");
    EXPECT_EQ(labels.size(), 17u);
    EXPECT_EQ(labels.at("Label148"), "2");
    EXPECT_EQ(labels.at("Label146"), "50%");
    EXPECT_EQ(labels.at("Label158"), "0,5");
    EXPECT_EQ(labels.at("Label133"), "1 (1E02%)");
    EXPECT_EQ(labels.at("Label134"), "1 (0%)");
    EXPECT_EQ(labels.at("Label139"), "0 (-)");
    EXPECT_EQ(doc.at("progress"), 536);
}

TEST(PortfolioCommand, PlainOutputShowsThePageInRussian)
{
    TempDir dir;
    WriteInstruments(dir, kTwoPairs);
    const CliRun run = RunCommand({"portfolio", dir.path().string()});
    ASSERT_EQ(run.status, 0) << run.err;
    for (const char* line :
         {"Минимальная длина свечи: 85 п\n", "Stop Loss: 100 п\n", "Take Profit: 50 п\n",
          "Количество входов: 2\n", "Количество ТР: 1\n", "Количество SL: 1\n",
          "Общий процент ТР   (%): 50%\n", "Среднее кол-во часов: 0\n", "\"Профитность\": 0,5\n",
          "Максимальная серия TP: -\n", "Максимальная серия SL: -\n", "По парам\n", "  AUDJPY: 1 (1E02%)\n",
          "  AUDUSD: 1 (0%)\n", "  GPBUSD: 0 (-)\n", "* входы(%ТР)\n"})
        EXPECT_NE(run.out.find(line), std::string::npos) << line << "in\n" << run.out;
}

TEST(PortfolioCommand, OptionsReachTheRun)
{
    TempDir dir;
    WriteInstruments(dir, kTwoPairs);
    const std::string d = dir.path().string();
    // 110 points: only EURUSD's 120-point week is long enough.
    EXPECT_EQ(RunJson({d, "--signal", "110"}).at("result").at("Entries"), 1);
    // Without a stop-loss distance the loss has no value to divide by.
    const json noStop = RunJson({d, "--sl", "0"});
    EXPECT_EQ(noStop.at("labels").at("Label158"), "-");
    // A 120-point take-profit: EURUSD's hour (down to 1.1940) no longer
    // reaches 1.1880, and it runs out of hours; GBPUSD is still stopped out.
    const json wideTarget = RunJson({d, "--tp", "120"});
    EXPECT_EQ(wideTarget.at("result").at("Entries"), 1);
    EXPECT_EQ(wideTarget.at("result").at("StopLosses"), 1);
    EXPECT_EQ(wideTarget.at("labels").at("Label158"), "0");
}

struct RangeCase {
    std::vector<std::string> args;
    int status;
};

class PortfolioCommandRange : public ::testing::TestWithParam<RangeCase> {};

TEST_P(PortfolioCommandRange, TrackBarRanges)
{
    static TempDir dir;
    static bool written = false;
    if (!written) {
        WriteInstruments(dir, kTwoPairs);
        written = true;
    }
    std::vector<std::string> args = {"portfolio", dir.path().string()};
    args.insert(args.end(), GetParam().args.begin(), GetParam().args.end());
    const CliRun run = RunCommand(args);
    EXPECT_EQ(run.status, GetParam().status) << run.err;
    if (GetParam().status == kUsageError) {
        EXPECT_TRUE(run.out.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, PortfolioCommandRange,
    ::testing::Values(RangeCase{{"--signal", "84"}, kUsageError}, RangeCase{{"--signal", "85"}, 0},
                      RangeCase{{"--signal", "300"}, 0}, RangeCase{{"--signal", "301"}, kUsageError},
                      RangeCase{{"--sl", "-1"}, kUsageError}, RangeCase{{"--sl", "0"}, 0},
                      RangeCase{{"--sl", "200"}, 0}, RangeCase{{"--sl", "201"}, kUsageError},
                      RangeCase{{"--tp", "0"}, kUsageError}, RangeCase{{"--tp", "1"}, 0},
                      RangeCase{{"--tp", "200"}, 0}, RangeCase{{"--tp", "201"}, kUsageError},
                      RangeCase{{"--tp", "x"}, kUsageError}),
    [](const auto& info) {
        std::string text;
        for (const auto& a : info.param.args)
            text += (a.size() > 1 && a[0] == '-' && a[1] != '-' ? "minus " + a.substr(1) : a) + " ";
        return test::ParamName(text);
    });

TEST(PortfolioCommand, DirectoryDefaultsToTheCurrentOne)
{
    TempDir dir;
    WriteInstruments(dir, kTwoPairs);
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    const CliRun run = RunCommand({"portfolio", "--json"});
    std::filesystem::current_path(previous);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(json::parse(run.out).at("result").at("Entries"), 2);
}

TEST(PortfolioCommand, EveryRunStartsFromEmptySlots)
{
    // Seven pairs, each with a profit in its own week; then a directory with
    // only the first of them. The second run must not see the other six.
    TempDir seven, one;
    std::vector<PairStory> pairs;
    for (int slot = 1; slot <= 7; ++slot)
        pairs.push_back({"PAIR" + std::to_string(slot), slot, 100, true});
    WriteInstruments(seven, pairs);
    WriteInstruments(one, {pairs[0]});

    EXPECT_EQ(RunJson({seven.path().string()}).at("result").at("Entries"), 7);
    const json doc = RunJson({one.path().string()});
    EXPECT_EQ(doc.at("result").at("Entries"), 1);
    EXPECT_EQ(doc.at("labels").at("Label134"), "0 (-)");
}

TEST(PortfolioCommand, MissingFilesAreReportedByName)
{
    TempDir dir;
    const CliRun noConfig = RunCommand({"portfolio", dir.path().string()});
    EXPECT_EQ(noConfig.status, kFailure);
    EXPECT_NE(noConfig.err.find("config': File not found"), std::string::npos) << noConfig.err;
    EXPECT_TRUE(noConfig.out.empty());

    WriteInstruments(dir, kTwoPairs);
    WriteInstrumentList(dir.file("config"), {"EURUSD", "NZDUSD", "GBPUSD"});
    const CliRun noBase = RunCommand({"portfolio", dir.path().string()});
    EXPECT_EQ(noBase.status, kFailure);
    EXPECT_NE(noBase.err.find("NZDUSD.base': File not found"), std::string::npos) << noBase.err;
    EXPECT_TRUE(noBase.out.empty());

    // A config that cannot be read as a list names itself.
    std::filesystem::remove(dir.file("config"));
    std::filesystem::create_directory(dir.file("config"));
    const CliRun badConfig = RunCommand({"portfolio", dir.path().string()});
    EXPECT_EQ(badConfig.status, kFailure);
    EXPECT_NE(badConfig.err.find("config': "), std::string::npos) << badConfig.err;
}

TEST(PortfolioCommand, RunsOnTheDemoInstruments)
{
    TempDir dir;
    ASSERT_EQ(RunCommand({"demo-data", dir.path().string()}).status, 0);
    const json doc = RunJson({dir.path().string()});
    const json& r = doc.at("result");
    const json& labels = doc.at("labels");

    // Seven pairs with ten years of history trade most weeks; every counted
    // trade ended at one level or the other, and the rows add up to the totals.
    EXPECT_GT(r.at("Entries").get<int>(), 100);
    EXPECT_LE(r.at("Entries").get<int>(), kPortfolioWeekCount);
    EXPECT_EQ(r.at("Entries").get<int>(), r.at("TakeProfits").get<int>() + r.at("StopLosses").get<int>());
    int entries = 0, takeProfits = 0;
    for (const json& pair : r.at("Pairs")) {
        entries += pair.at("Entries").get<int>();
        takeProfits += pair.at("TakeProfits").get<int>();
    }
    EXPECT_EQ(entries, r.at("Entries").get<int>());
    EXPECT_EQ(takeProfits, r.at("TakeProfits").get<int>());
    EXPECT_LE(r.at("DrawdownMax").get<int>(), 100) << "a profit is taken before the 100-point stop";
    EXPECT_EQ(labels.at("Label148"), std::to_string(r.at("Entries").get<int>()));
    EXPECT_EQ(labels.at("Label152"), std::to_string(r.at("DrawdownMax").get<int>()));
    EXPECT_EQ(doc.at("progress"), 536);
}

} // namespace
} // namespace quillet::cli
