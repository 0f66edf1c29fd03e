// quillet-cli sweep and walkforward over several demo pairs, each at the
// costs of a costs file: every instrument's figures in a row are those of
// its own sweep and backtest at those costs, the combined figures those of
// the plain combined account of the backtests' trades, the CSV's rows the
// JSON's; and --costs for one pair is the cost options with its line.

#include "cli/CliTestSupport.h"

#include "support/PlainCombined.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cmath>
#include <sstream>
#include <string>

namespace quillet::cli {
namespace {

using json = nlohmann::ordered_json;

const char* const kCosts = "# the demo pairs' costs\nEURUSD 1.2 0.7 -0.3 0.1\nAUDJPY 1.5 0.5 0.2 -0.4\n"
                           "GBPUSD 0.9 0 -1.1 0.6\n";

class PairsCommand : public ::testing::Test {
  protected:
    static void SetUpTestSuite()
    {
        dir_ = new test::TempDir;
        test::WriteFile(dir_->file("costs.txt"), kCosts);
    }
    static void TearDownTestSuite() { delete dir_; }
    static std::string Costs() { return dir_->file("costs.txt"); }
    static std::string Base(const std::string& name) { return test::DemoDir() + name + ".base"; }
    static std::vector<std::string> Pairs() { return {"EURUSD", "AUDJPY", "EURCAD"}; }
    static inline test::TempDir* dir_ = nullptr;
};

// The words of a text, as the shell splits them.
std::vector<std::string> Words(const std::string& text)
{
    std::istringstream in(text);
    std::vector<std::string> words;
    for (std::string w; in >> w;)
        words.push_back(w);
    return words;
}

// A backtest's trades at the file's costs, as the combined account reads them.
std::vector<ClosedTrade> BacktestTrades(const json& doc)
{
    std::vector<ClosedTrade> trades;
    for (const json& t : doc["trades"]) {
        ClosedTrade c;
        c.Week = t["week"].get<int>();
        c.NetTenths = static_cast<std::int32_t>(std::lround(t["net_points"].get<double>() * 10));
        trades.push_back(c);
    }
    return trades;
}

CliRun Backtest(const std::string& base, const json& row, const std::vector<std::string>& more)
{
    std::vector<std::string> args = {"backtest", base,
                                     "--signal", std::to_string(row["signal"].get<int>()),
                                     "--sl",     std::to_string(row["sl"].get<int>()),
                                     "--tp",     std::to_string(row["tp"].get<int>()),
                                     "--json"};
    args.insert(args.end(), more.begin(), more.end());
    return RunCommand(args);
}

TEST_F(PairsCommand, EachPairIsItsOwnSweepAndBacktestAndTheCombinedFiguresArePlain)
{
    std::vector<std::string> args = Words(
        "sweep --signal 60:140 --sl 5:40 --tp 10:60 --top 3 --metric max-drawdown --min-entries 10 --json");
    args.push_back("--costs");
    args.push_back(Costs());
    for (std::size_t k = 0; k < Pairs().size(); ++k)
        args.insert(args.begin() + 1 + static_cast<std::ptrdiff_t>(k), Base(Pairs()[k]));
    const CliRun run = RunCommand(args);
    ASSERT_EQ(run.status, 0) << run.err;
    const json doc = json::parse(run.out);
    ASSERT_EQ(doc["top"].size(), 3u);
    // The file lists EURUSD and AUDJPY but not EURCAD, which trades without costs.
    EXPECT_EQ(doc["pairs"][2]["pair"], "EURCAD");
    EXPECT_EQ(doc["pairs"][2]["costs_listed"], false);
    EXPECT_EQ(doc["pairs"][0]["costs"]["spread"], 1.2);
    for (const json& row : doc["top"]) {
        std::vector<std::vector<ClosedTrade>> trades;
        for (std::size_t k = 0; k < row["pairs"].size(); ++k) {
            const json& pair = row["pairs"][k];
            const std::string name = pair["pair"];
            const std::string s = std::to_string(row["signal"].get<int>());
            const std::string sl = std::to_string(row["sl"].get<int>());
            const std::string tp = std::to_string(row["tp"].get<int>());
            const CliRun one =
                RunCommand({"sweep", Base(name), "--signal", s + ":" + s, "--sl", sl + ":" + sl, "--tp",
                            tp + ":" + tp, "--min-entries", "0", "--costs", Costs(), "--json"});
            ASSERT_EQ(one.status, 0) << one.err;
            const json single = json::parse(one.out)["top"][0];
            EXPECT_EQ(pair["result"], single["result"]) << name;
            EXPECT_EQ(pair["net"], single["net_after_costs"]) << name;
            EXPECT_EQ(pair["profit_factor"], single["profit_factor"]) << name;
            EXPECT_EQ(pair["max_drawdown"], single["max_drawdown"]) << name;
            const CliRun bt = Backtest(Base(name), row, {"--costs", Costs()});
            ASSERT_EQ(bt.status, 0) << bt.err;
            const json backtest = json::parse(bt.out);
            EXPECT_EQ(pair["net"], backtest["stats"]["net"]) << name;
            trades.push_back(BacktestTrades(backtest));
        }
        const test::PlainCombined plain = test::PlainCombine(trades);
        EXPECT_EQ(row["entries"], plain.Trades);
        EXPECT_DOUBLE_EQ(row["net"].get<double>(), plain.Net / 10.0);
        EXPECT_DOUBLE_EQ(row["max_drawdown"].get<double>(), plain.WeeklyDrawdown / 10.0);
        EXPECT_EQ(row["profit_factor"].get<double>(),
                  static_cast<double>(static_cast<long double>(plain.GrossProfit) / plain.GrossLoss));
        double worst = row["pairs"][0]["net"];
        for (const json& pair : row["pairs"])
            worst = std::min(worst, pair["net"].get<double>());
        EXPECT_EQ(row["worst_pair"]["net"].get<double>(), worst);
    }
}

TEST_F(PairsCommand, CsvHasEveryTradedCombinationInGridOrderWithTheJsonsFigures)
{
    const std::vector<std::string> grid = {"--signal", "70:90", "--sl",    "0:3",
                                           "--tp",     "20:22", "--costs", Costs()};
    std::vector<std::string> args = {"sweep", Base("EURUSD"), Base("AUDJPY"), "--csv", "-"};
    args.insert(args.end(), grid.begin(), grid.end());
    const CliRun csv = RunCommand(args);
    ASSERT_EQ(csv.status, 0) << csv.err;
    std::istringstream lines(csv.out);
    std::string header, line;
    std::getline(lines, header);
    EXPECT_EQ(header, "signal,sl,tp,hold,entries,net,worst_pair,worst_net,profitable_pairs,profit_factor,"
                      "recovery_factor,sqn,max_drawdown,net_EURUSD,net_AUDJPY");
    std::vector<std::string> rows;
    while (std::getline(lines, line))
        rows.push_back(line);
    // A stop-loss up to the spread (1.5 points on AUDJPY) trades nothing: 2 and 3 of 0..3 are left.
    ASSERT_EQ(rows.size(), 21u * 2 * 3);
    EXPECT_EQ(rows.front().substr(0, 12), "70,2,20,off,");
    EXPECT_EQ(rows.back().substr(0, 12), "90,3,22,off,");
    args = {"sweep", Base("EURUSD"), Base("AUDJPY"), "--json", "--top", "1", "--min-entries", "0"};
    args.insert(args.end(), grid.begin(), grid.end());
    const json best = json::parse(RunCommand(args).out)["top"][0];
    std::ostringstream start;
    start << best["signal"] << ',' << best["sl"] << ',' << best["tp"] << ",off," << best["entries"] << ',';
    const auto at = std::find_if(rows.begin(), rows.end(),
                                 [&](const std::string& r) { return r.rfind(start.str(), 0) == 0; });
    ASSERT_NE(at, rows.end()) << start.str();
    std::vector<double> fields;
    std::istringstream cells(*at);
    for (std::string cell; std::getline(cells, cell, ',');)
        fields.push_back(cell == "EURUSD" || cell == "AUDJPY" || cell == "off" ? 0.0 : std::stod(cell));
    ASSERT_EQ(fields.size(), 15u);
    EXPECT_EQ(fields[5], best["net"].get<double>());
    EXPECT_EQ(fields[12], best["max_drawdown"].get<double>());
    EXPECT_EQ(fields[13], best["pairs"][0]["net"].get<double>());
    EXPECT_EQ(fields[14], best["pairs"][1]["net"].get<double>());
}

TEST_F(PairsCommand, ConfigTradesAtItsFoldersCostsAndWalkForwardTradesEachPairAsItsBacktest)
{
    test::TempDir folder;
    test::CopyDemoData(folder.dir());
    test::WriteFile(folder.file("costs"), kCosts);
    const std::vector<std::string> grid =
        Words("--signal 60:120 --sl 5:30 --tp 10:50 --in-sample 150 --out-of-sample "
              "120 --metric worst-pair --min-entries 5 --min-total-entries 60");
    std::vector<std::string> args = {"walkforward", "--config", folder.dir(), "--json"};
    args.insert(args.end(), grid.begin(), grid.end());
    const CliRun run = RunCommand(args);
    ASSERT_EQ(run.status, 0) << run.err;
    const json doc = json::parse(run.out);
    ASSERT_EQ(doc["pairs"].size(), 7u);
    EXPECT_EQ(doc["grid"]["min_total_entries"], 60);
    std::vector<std::vector<ClosedTrade>> all(7);
    int traded = 0;
    for (const json& w : doc["windows"]) {
        if (w["chosen"].is_null())
            continue;
        ++traded;
        for (std::size_t k = 0; k < 7; ++k) {
            const std::string name = doc["pairs"][k]["pair"];
            const CliRun bt = Backtest(folder.dir() + name + ".base", w["chosen"],
                                       {"--costs", folder.file("costs"), "--range",
                                        std::to_string(w["out_of_sample"]["weeks"][0].get<int>()),
                                        std::to_string(w["out_of_sample"]["weeks"][1].get<int>())});
            ASSERT_EQ(bt.status, 0) << bt.err;
            const json backtest = json::parse(bt.out);
            EXPECT_EQ(w["pairs"][k]["out_of_sample_result"], backtest["result"]) << name;
            const std::vector<ClosedTrade> trades = BacktestTrades(backtest);
            all[k].insert(all[k].end(), trades.begin(), trades.end());
        }
    }
    EXPECT_GT(traded, 0);
    const test::PlainCombined plain = test::PlainCombine(all);
    EXPECT_EQ(doc["stats"]["trades"], plain.Trades);
    EXPECT_DOUBLE_EQ(doc["stats"]["net"].get<double>(), plain.Net / 10.0);
    EXPECT_DOUBLE_EQ(doc["stats"]["max_drawdown"].get<double>(), plain.WeeklyDrawdown / 10.0);
    ASSERT_EQ(doc["trades"].size(), static_cast<std::size_t>(plain.Trades));
    EXPECT_TRUE(doc["trades"][0].contains("pair"));
    // The trade list: each trade after its instrument, the net summed over all of them.
    args[3] = "--trades";
    args.insert(args.begin() + 4, "-");
    const CliRun csv = RunCommand(args);
    std::istringstream lines(csv.out);
    std::string line;
    std::getline(lines, line);
    EXPECT_EQ(line.rfind("pair,week,signal_date,", 0), 0u) << line;
    std::size_t rows = 0;
    std::string last;
    while (std::getline(lines, line)) {
        ++rows;
        EXPECT_EQ(line.substr(0, line.find(',')), doc["trades"][rows - 1]["pair"].get<std::string>());
        last = line;
    }
    EXPECT_EQ(rows, doc["trades"].size());
    EXPECT_EQ(std::stod(last.substr(last.rfind(',') + 1)), plain.Net / 10.0);
}

// One pair with --costs is the run with its line's costs as options; a pair
// the file has no line for trades at zero costs and is told so.
TEST_F(PairsCommand, CostsFileForOnePairIsItsLineAsOptions)
{
    for (const std::string command : {"backtest", "sweep"}) {
        std::vector<std::string> extra = {"--json"};
        if (command == "sweep")
            extra = {"--json", "--signal", "70:90", "--sl", "10:20", "--tp", "10:20"};
        std::vector<std::string> byFile = {command, Base("GBPUSD"), "--costs", Costs()};
        std::vector<std::string> byOptions = {command,       Base("GBPUSD"), "--spread",     "0.9",
                                              "--swap-long", "-1.1",         "--swap-short", "0.6"};
        byFile.insert(byFile.end(), extra.begin(), extra.end());
        byOptions.insert(byOptions.end(), extra.begin(), extra.end());
        const CliRun a = RunCommand(byFile), b = RunCommand(byOptions);
        ASSERT_EQ(a.status, 0) << a.err;
        EXPECT_EQ(a.out, b.out) << command;
        std::vector<std::string> unlisted = {command, Base("EURCAD"), "--costs", Costs()};
        unlisted.insert(unlisted.end(), extra.begin(), extra.end());
        const CliRun c = RunCommand(unlisted);
        ASSERT_EQ(c.status, 0) << c.err;
        EXPECT_NE(c.err.find("EURCAD: в файле издержек"), std::string::npos) << c.err;
        EXPECT_EQ(json::parse(c.out)["costs"]["spread"], 0.0);
    }
}

struct Refused {
    const char* Label;
    std::vector<std::string> Args;
    int Status;
    const char* Says;
};

void PrintTo(const Refused& r, std::ostream* os)
{
    *os << r.Label;
}

class PairsRefuses : public PairsCommand, public ::testing::WithParamInterface<Refused> {};

TEST_P(PairsRefuses, BeforeAnyOutput)
{
    std::vector<std::string> args = GetParam().Args;
    if (args.back() == "@31")
        args.back() = "@EURUSD", args.insert(args.end(), 30, "@EURUSD");
    for (std::string& a : args) {
        if (a == "@EURUSD" || a == "@AUDJPY")
            a = Base(a.substr(1));
        if (a == "@costs")
            a = Costs();
        if (a == "@demo")
            a = test::DemoDir();
    }
    const CliRun run = RunCommand(args);
    EXPECT_EQ(run.status, GetParam().Status);
    EXPECT_NE(run.err.find(GetParam().Says), std::string::npos) << run.err;
    EXPECT_TRUE(run.out.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Options, PairsRefuses,
    ::testing::Values(
        Refused{"NoFile", {"sweep"}, kUsageError, "FILE is required"},
        Refused{"ConfigBesideAFile", {"sweep", "@EURUSD", "--config", "@demo"}, kUsageError, "--config"},
        Refused{"TotalMinimumOfOnePair",
                {"sweep", "@EURUSD", "--min-total-entries", "5"},
                kUsageError,
                "--min-total-entries"},
        Refused{"WorstPairOfOnePair",
                {"walkforward", "@EURUSD", "--metric", "worst-pair"},
                kUsageError,
                "--metric"},
        Refused{"ProfitabilityOfSeveral",
                {"sweep", "@EURUSD", "@AUDJPY", "--metric", "profitability"},
                kUsageError,
                "--metric"},
        Refused{"CostsFileBesideASpread",
                {"backtest", "@EURUSD", "--costs", "@costs", "--spread", "1"},
                kUsageError,
                "--costs"},
        Refused{"ReportOfSeveral",
                {"walkforward", "@EURUSD", "@AUDJPY", "--report", "x.html"},
                kUsageError,
                "--report"},
        Refused{"ThirtyOneFiles", {"sweep", "@31"}, kUsageError, "at most 30"},
        Refused{"ThePairTwice", {"sweep", "@EURUSD", "@EURUSD"}, kFailure, "is given twice"},
        Refused{"AMissingCostsFile",
                {"sweep", "@EURUSD", "@AUDJPY", "--costs", "/nonexistent/costs"},
                kFailure,
                "/nonexistent/costs"}),
    [](const ::testing::TestParamInfo<Refused>& info) { return std::string(info.param.Label); });

} // namespace
} // namespace quillet::cli
