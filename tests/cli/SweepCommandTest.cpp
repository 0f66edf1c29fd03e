// quillet-cli sweep over the demo EURUSD: its CSV rows against backtest
// --json for the same parameters, its JSON, refused values, a CSV that
// cannot be written, and Ctrl-C in the middle of a sweep.

#include "cli/CliTestSupport.h"

#include "demo/DemoData.h"
#include "engine/Sweep.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace quillet::cli {
namespace {

namespace fs = std::filesystem;
using json = nlohmann::ordered_json;

std::vector<std::string> Keys(const json& object)
{
    std::vector<std::string> keys;
    for (auto it = object.begin(); it != object.end(); ++it)
        keys.push_back(it.key());
    return keys;
}

std::vector<std::string> Split(const std::string& line, char sep = ',')
{
    std::vector<std::string> cells;
    std::stringstream s(line);
    std::string cell;
    while (std::getline(s, cell, sep))
        cells.push_back(cell);
    if (!line.empty() && line.back() == sep)
        cells.emplace_back();
    return cells;
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::stringstream s(text);
    std::string line;
    while (std::getline(s, line))
        lines.push_back(line);
    return lines;
}

const std::vector<std::string> kResultFields = {
    "Entries",           "TakeProfits", "StopLosses", "TimeoutWins", "TimeoutWinPoints", "TimeoutLosses",
    "TimeoutLossPoints", "HoursSum",    "HoursMin",   "HoursMax",    "DrawdownSum",      "DrawdownMax",
    "TpSeries",          "TpSeriesMax", "SlSeries",   "SlSeriesMax", "LastWasTakeProfit"};

class SweepCommand : public ::testing::Test {
  protected:
  public:
    static std::string EurUsd() { return test::DemoDir() + "EURUSD.base"; }

  protected:
    std::string File(const std::string& name) const { return dir_.file(name); }

    test::TempDir dir_;
};

// --- CSV rows against backtest --json -------------------------------------------

struct SubGrid {
    const char* Label;
    std::vector<std::string> Args;
    std::size_t Rows;
};

void PrintTo(const SubGrid& g, std::ostream* os)
{
    *os << g.Label;
}

class SweepCsv : public SweepCommand, public ::testing::WithParamInterface<SubGrid> {};

TEST_P(SweepCsv, EveryRowEqualsBacktestJsonForItsParameters)
{
    const std::string csv = File("grid.csv");
    std::vector<std::string> args = {"sweep", EurUsd(), "--csv", csv, "--json", "--threads", "2"};
    args.insert(args.end(), GetParam().Args.begin(), GetParam().Args.end());
    const CliRun sweep = RunCommand(args);
    ASSERT_EQ(sweep.status, 0) << sweep.err;

    const std::vector<std::string> lines = Lines(test::ReadFile(csv));
    ASSERT_EQ(lines.size(), GetParam().Rows + 1);
    std::string header = "signal,sl,tp,hold";
    for (const std::string& f : kResultFields)
        header += "," + f;
    EXPECT_EQ(lines[0], header + ",net,profitability,tp_share");

    // The range of the sweep, as backtest takes it.
    std::vector<std::string> range;
    for (std::size_t n = 0; n + 2 < GetParam().Args.size(); ++n)
        if (GetParam().Args[n] == "--range")
            range = {"--range", GetParam().Args[n + 1], GetParam().Args[n + 2]};

    int traded = 0;
    std::set<std::string> combinations; // each combination of the grid once
    for (std::size_t n = 1; n < lines.size(); ++n) {
        const std::vector<std::string> cells = Split(lines[n]);
        ASSERT_EQ(cells.size(), 4 + kResultFields.size() + 3) << lines[n];
        combinations.insert(cells[0] + "/" + cells[1] + "/" + cells[2] + "/" + cells[3]);
        std::vector<std::string> backtest = {"backtest", EurUsd(), "--json", "--signal", cells[0],
                                             "--sl",     cells[1], "--tp",   cells[2]};
        if (cells[3] != "off") {
            backtest.push_back("--hold");
            backtest.push_back(cells[3]);
        }
        backtest.insert(backtest.end(), range.begin(), range.end());
        const CliRun run = RunCommand(backtest);
        ASSERT_EQ(run.status, 0) << run.err;
        const json result = json::parse(run.out)["result"];
        for (std::size_t f = 0; f < kResultFields.size(); ++f)
            EXPECT_EQ(cells[4 + f], result[kResultFields[f]].dump())
                << kResultFields[f] << " in " << lines[n];

        // The figures, from the run's totals as the report forms them.
        const long long tp = std::stoll(cells[2]), sl = std::stoll(cells[1]);
        const long long net =
            result["TakeProfits"].get<long long>() * tp - result["StopLosses"].get<long long>() * sl +
            result["TimeoutWinPoints"].get<long long>() - result["TimeoutLossPoints"].get<long long>();
        EXPECT_EQ(cells[21], std::to_string(net)) << lines[n];
        const long long lost = sl * result["StopLosses"].get<long long>();
        if (lost == 0) {
            EXPECT_EQ(cells[22], "") << lines[n];
        } else {
            const long double won = static_cast<long double>(tp * result["TakeProfits"].get<long long>());
            EXPECT_EQ(std::stod(cells[22]), static_cast<double>(won / lost)) << lines[n];
        }
        const long long entries = result["Entries"].get<long long>();
        if (entries == 0) {
            EXPECT_EQ(cells[23], "") << lines[n];
        } else {
            const long double share =
                result["TakeProfits"].get<long long>() / (static_cast<long double>(entries) / 100.0L);
            EXPECT_EQ(std::stod(cells[23]), static_cast<double>(share)) << lines[n];
        }
        traded += entries > 0 ? 1 : 0;
    }
    EXPECT_GT(traded, 0);
    EXPECT_EQ(combinations.size(), GetParam().Rows);
}

INSTANTIATE_TEST_SUITE_P(
    SubGrids, SweepCsv,
    ::testing::Values(SubGrid{"HoldAxisAndRange",
                              {"--signal", "100:103", "--sl", "48:50", "--tp", "29:31", "--hold", "47:48",
                               "--range", "10", "300"},
                              4 * 3 * 3 * 2},
                      SubGrid{
                          "SmallestValuesWholeRange", {"--signal", "50:51", "--sl", "0:1", "--tp", "0:1"}, 8},
                      SubGrid{"LargestValuesShortHolds",
                              {"--signal", "300:301", "--sl", "149:150", "--tp", "99:100", "--hold", "1:2"},
                              16},
                      SubGrid{"WeekZeroToFortyNoHold",
                              {"--signal", "85:87", "--sl", "100", "--tp", "50", "--range", "0", "40"},
                              3}),
    [](const ::testing::TestParamInfo<SubGrid>& info) { return std::string(info.param.Label); });

// --- JSON -------------------------------------------------------------------------

TEST_F(SweepCommand, JsonHasTheDocumentedShape)
{
    const CliRun run =
        RunCommand({"sweep", EurUsd(),        "--json", "--signal", "80:120",       "--sl", "40:60", "--tp",
                    "20:40", "--range",       "0",      "300",      "--forward",    "301",  "535",   "--top",
                    "7",     "--min-entries", "20",     "--metric", "profitability"});
    ASSERT_EQ(run.status, 0) << run.err;
    const json doc = json::parse(run.out);
    EXPECT_EQ(Keys(doc), (std::vector<std::string>{"pair", "grid", "metric", "top"}));
    EXPECT_EQ(doc["pair"], "EURUSD");
    EXPECT_EQ(doc["metric"], "profitability");
    EXPECT_EQ(doc["grid"]["signal"], json::array({80, 120}));
    EXPECT_EQ(doc["grid"]["hold"], "off");
    EXPECT_EQ(doc["grid"]["forward"], json::array({301, 535}));
    EXPECT_EQ(doc["grid"]["combinations"], 41 * 21 * 21);
    const json& top = doc["top"];
    ASSERT_EQ(top.size(), 7u);
    double previous = 1e300;
    for (const json& row : top) {
        EXPECT_EQ(Keys(row), (std::vector<std::string>{"signal", "sl", "tp", "hold", "result", "net",
                                                       "profitability", "tp_share", "forward"}));
        EXPECT_EQ(Keys(row["result"]), kResultFields);
        EXPECT_TRUE(row["hold"].is_null());
        EXPECT_GE(row["result"]["Entries"].get<int>(), 20);
        EXPECT_LE(row["profitability"].get<double>(), previous) << "best first";
        previous = row["profitability"].get<double>();
        EXPECT_EQ(Keys(row["forward"]),
                  (std::vector<std::string>{"result", "net", "profitability", "tp_share"}));

        // The forward figures are the run over the forward weeks.
        const CliRun forward =
            RunCommand({"backtest", EurUsd(), "--json", "--signal", row["signal"].dump(), "--sl",
                        row["sl"].dump(), "--tp", row["tp"].dump(), "--range", "301", "535"});
        EXPECT_EQ(row["forward"]["result"], json::parse(forward.out)["result"]);
    }
}

TEST_F(SweepCommand, PlainOutputListsTheBestRows)
{
    const CliRun run = RunCommand({"sweep", EurUsd(), "--signal", "85:90", "--sl", "100", "--tp", "50",
                                   "--hold", "48", "--top", "3", "--min-entries", "0"});
    ASSERT_EQ(run.status, 0) << run.err;
    const std::vector<std::string> lines = Lines(run.out);
    ASSERT_EQ(lines.size(), 4u + 3u);
    EXPECT_EQ(lines[0], "Инструмент: EURUSD");
    EXPECT_NE(lines[1].find("удержание 48..48"), std::string::npos) << lines[1];
    EXPECT_NE(lines[2].find("комбинаций: 6"), std::string::npos) << lines[2];
    EXPECT_EQ(run.err, "EURUSD: 6 комбинаций\n") << "no progress bar off a terminal";
}

TEST_F(SweepCommand, ForwardWeeksInsideTheSweptWeeksAreWarnedOf)
{
    const std::vector<std::string> grid = {"sweep", EurUsd(), "--signal", "85", "--sl", "100", "--tp", "50"};
    std::vector<std::string> overlapping = grid;
    overlapping.insert(overlapping.end(), {"--forward", "400", "535"}); // the swept weeks are 0..535
    const CliRun run = RunCommand(overlapping);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.err.find("Предупреждение: Недели 400–535 входят и в подбор, и в проверку"),
              std::string::npos)
        << run.err;
    std::vector<std::string> apart = grid;
    apart.insert(apart.end(), {"--range", "0", "399", "--forward", "400", "535"});
    EXPECT_EQ(RunCommand(apart).err, "EURUSD: 1 комбинаций\n");
}

// --- Refusals ---------------------------------------------------------------------

struct Refused {
    const char* Label;
    std::vector<std::string> Args;
    const char* Option;
    const char* Command = "sweep"; // or overfit, which takes the sweep's options
};

void PrintTo(const Refused& r, std::ostream* os)
{
    *os << r.Label;
}

class SweepRefuses : public SweepCommand, public ::testing::WithParamInterface<Refused> {};

TEST_P(SweepRefuses, WithStatusTwoNamingTheOption)
{
    std::vector<std::string> args = {GetParam().Command, EurUsd()};
    args.insert(args.end(), GetParam().Args.begin(), GetParam().Args.end());
    const CliRun run = RunCommand(args);
    EXPECT_EQ(run.status, kUsageError);
    EXPECT_NE(run.err.find(GetParam().Option), std::string::npos) << run.err;
    EXPECT_TRUE(run.out.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Values, SweepRefuses,
    ::testing::Values(
        Refused{"SignalBelow50", {"--signal", "49:100"}, "--signal"},
        Refused{"SignalAbove500", {"--signal", "100:501"}, "--signal"},
        Refused{"SignalBackwards", {"--signal", "200:100"}, "--signal"},
        Refused{"SignalNotARange", {"--signal", "abc"}, "--signal"},
        Refused{"StopLossAbove150", {"--sl", "0:151"}, "--sl"},
        Refused{"NegativeTakeProfit", {"--tp", "-1:5"}, "--tp"},
        Refused{"TakeProfitAbove100", {"--tp", "101"}, "--tp"},
        Refused{"HoldZero", {"--hold", "0:5"}, "--hold"},
        Refused{"HoldAbove120", {"--hold", "1:121"}, "--hold"},
        Refused{"HoldWord", {"--hold", "on"}, "--hold"},
        Refused{"RangeLastAbove535", {"--range", "0", "536"}, "--range"},
        Refused{"RangeLastZero", {"--range", "0", "0"}, "--range"},
        Refused{"ForwardFirstAbove535", {"--forward", "536", "536"}, "--forward"},
        Refused{"RangeBackwards", {"--range", "300", "100"}, "--range: FIRST 300 is after"},
        Refused{"ForwardBackwards", {"--forward", "300", "100"}, "--forward: FIRST 300 is after"},
        Refused{"UnknownMetric", {"--metric", "sharpe"}, "--metric"},
        Refused{"NegativeMinEntries", {"--min-entries", "-1"}, "--min-entries"},
        Refused{"NegativeTop", {"--top", "-1"}, "--top"}, Refused{"TopZero", {"--top", "0"}, "--top"},
        Refused{"EmptyCsvName", {"--csv", ""}, "--csv"},
        Refused{"CsvDashBesideJson", {"--csv", "-", "--json"}, "--csv"},
        Refused{"TooManyThreads", {"--threads", "257"}, "--threads"},
        Refused{"OverfitOddBlocks", {"--blocks", "5"}, "--blocks", "overfit"},
        Refused{"OverfitTooManyBlocks", {"--blocks", "18"}, "--blocks", "overfit"},
        Refused{"OverfitFewerWeeksThanBlocks", {"--range", "10", "18"}, "--blocks", "overfit"},
        Refused{"OverfitUnknownMeasure", {"--measure", "sortino"}, "--measure", "overfit"},
        Refused{"OverfitRowWithoutTakeProfit", {"--row", "85:100"}, "--row", "overfit"},
        Refused{"OverfitRowOffTheGrid", {"--row", "85:100:50", "--tp", "0:40"}, "--row", "overfit"},
        Refused{"OverfitRowWithAHoldButNoAxis", {"--row", "85:100:50:3"}, "--row", "overfit"},
        Refused{"OverfitRowWithoutTheHoldAxis", {"--row", "85:100:50", "--hold", "1:3"}, "--row", "overfit"},
        Refused{
            "OverfitRowStopLossWithinSpread", {"--row", "85:2:50", "--spread", "2.0"}, "--row", "overfit"},
        Refused{"OverfitBadRadius", {"--plateau", "1:2"}, "--plateau", "overfit"}),
    [](const ::testing::TestParamInfo<Refused>& info) { return std::string(info.param.Label); });

// Stop-losses within the spread trade nothing: the sweep counts what it ran
// and says how many it left out, on standard error, in the heading and in
// the JSON; without a spread nothing is left out and nothing is said.
TEST_F(SweepCommand, CombinationsLeftOutByTheSpreadAreCountedApart)
{
    const std::vector<std::string> grid = {"sweep", EurUsd(), "--signal", "80:81",
                                           "--sl",  "0:3",    "--tp",     "10:11"};
    std::vector<std::string> atSpread = grid, json = grid;
    atSpread.insert(atSpread.end(), {"--spread", "1.5"});
    json.insert(json.end(), {"--spread", "1.5", "--json"});
    const CliRun plain = RunCommand(atSpread);
    ASSERT_EQ(plain.status, 0) << plain.err;
    EXPECT_NE(plain.err.find("EURUSD: 8 комбинаций (ещё 8 не считались: стоп-лосс не больше спреда)"),
              std::string::npos)
        << plain.err;
    EXPECT_NE(plain.out.find("; комбинаций: 8 (ещё 8 не считались: стоп-лосс не больше спреда);"),
              std::string::npos)
        << plain.out;
    const auto doc = nlohmann::json::parse(RunCommand(json).out);
    EXPECT_EQ(doc["grid"]["combinations"], 8);
    EXPECT_EQ(doc["grid"]["left_out"], 8);
    std::vector<std::string> free = grid;
    free.push_back("--json");
    const auto none = nlohmann::json::parse(RunCommand(free).out);
    EXPECT_EQ(none["grid"]["combinations"], 16);
    EXPECT_FALSE(none["grid"].contains("left_out"));
}

TEST_F(SweepCommand, ValuesAtTheBoundsAreAccepted)
{
    const CliRun run =
        RunCommand({"sweep",  EurUsd(), "--signal",      "500", "--sl",      "150",       "--tp", "100",
                    "--hold", "120",    "--range",       "535", "535",       "--forward", "0",    "1",
                    "--top",  "1",      "--min-entries", "0",   "--threads", "1"});
    EXPECT_EQ(run.status, 0) << run.err;
}

TEST_F(SweepCommand, AMissingBaseFileFails)
{
    const CliRun run = RunCommand({"sweep", File("nowhere.base"), "--signal", "85"});
    EXPECT_EQ(run.status, kFailure);
    EXPECT_FALSE(run.err.empty());
}

TEST_F(SweepCommand, ACsvThatCannotBeWrittenIsAFailureWithItsName)
{
    const std::string csv = File("no such dir") + "/grid.csv";
    const CliRun run =
        RunCommand({"sweep", EurUsd(), "--signal", "85", "--sl", "100", "--tp", "50", "--csv", csv});
    EXPECT_EQ(run.status, kFailure);
    EXPECT_NE(run.err.find("'" + csv + "'"), std::string::npos) << run.err;

    fs::create_directory(File("a directory"));
    const CliRun onDir = RunCommand(
        {"sweep", EurUsd(), "--signal", "85", "--sl", "100", "--tp", "50", "--csv", File("a directory")});
    EXPECT_EQ(onDir.status, kFailure);
    EXPECT_TRUE(fs::is_directory(File("a directory")));
}

// --- The output files: --csv of sweep and --trades of backtest alike --------------

// Where an output file goes. Both commands write through the store's one
// atomic writer, so each place behaves the same for both.
enum class Place { Link, Pipe, ReadOnly, Mode0640, LongName, Dash };
const char* const kPlaceNames[] = {"Link", "Pipe", "ReadOnly", "Mode0640", "LongName", "Dash"};

struct OutputCommand {
    const char* Label;
    std::vector<std::string> Args; // the base file follows the first, FILE the last
    const char* Header;            // the CSV's first line starts so
};

const OutputCommand kOutputCommands[] = {
    {"sweep", {"sweep", "--signal", "85", "--sl", "100", "--tp", "50", "--csv"}, "signal,sl,tp,hold,"},
    {"backtest", {"backtest", "--trades"}, "week,"},
};

class OutputFile : public SweepCommand,
                   public ::testing::WithParamInterface<std::tuple<OutputCommand, Place>> {};

TEST_P(OutputFile, BehavesAsTheStoresWriterDoes)
{
    const auto& [command, place] = GetParam();
    const std::string out = File("out.csv");
    std::string path = out;
    std::string base = EurUsd();
    switch (place) {
    case Place::Link:
        test::WriteFile(File("real.csv"), "old\n");
        fs::create_symlink("real.csv", out);
        break;
    case Place::Pipe:
        ASSERT_EQ(::mkfifo(out.c_str(), 0666), 0);
        break;
    case Place::ReadOnly:
    case Place::Mode0640:
        test::WriteFile(out, "old\n");
        fs::permissions(out, fs::perms(place == Place::ReadOnly ? 0444 : 0640));
        break;
    case Place::LongName:
        path = File(std::string(255, 'c'));
        break;
    case Place::Dash:
        path = "-";
        break;
    }
    std::optional<test::UnprivilegedFileAccess> user;
    if (place == Place::ReadOnly) {
        // Permission bits hold for root only as an ordinary user, who reads a
        // copy of the base (the shared demo folder is private).
        base = File("EURUSD.base");
        fs::copy_file(EurUsd(), base);
        fs::permissions(dir_.path(), fs::perms::all);
        user.emplace();
        if (!user->Active())
            GTEST_SKIP() << "cannot act as an ordinary user here";
    }
    std::vector<std::string> args = {command.Args.front(), base};
    args.insert(args.end(), command.Args.begin() + 1, command.Args.end());
    args.push_back(path);
    const CliRun run = RunCommand(args);
    user.reset();

    if (place == Place::Pipe || place == Place::ReadOnly) {
        EXPECT_EQ(run.status, kFailure);
        EXPECT_NE(run.err.find("'" + path + "': File access denied"), std::string::npos) << run.err;
    } else {
        EXPECT_EQ(run.status, 0) << run.err;
        const std::string written = path == "-" ? run.out : test::ReadFile(path);
        EXPECT_EQ(written.rfind(command.Header, 0), 0u) << "the CSV alone: " << written.substr(0, 80);
    }
    if (place == Place::Link || place == Place::Pipe) {
        EXPECT_EQ(fs::symlink_status(out).type(),
                  place == Place::Link ? fs::file_type::symlink : fs::file_type::fifo);
    }
    if (place == Place::ReadOnly || place == Place::Mode0640) {
        EXPECT_EQ(test::ReadFile(out) == "old\n", place == Place::ReadOnly);
        EXPECT_EQ(fs::status(out).permissions(), fs::perms(place == Place::ReadOnly ? 0444 : 0640));
    }
    EXPECT_FALSE(fs::exists("-")) << "a file named - in the current folder";
    for (const auto& entry : fs::directory_iterator(dir_.path()))
        EXPECT_NE(entry.path().filename().string().front(), '.') << "left behind: " << entry.path();
}

INSTANTIATE_TEST_SUITE_P(Places, OutputFile,
                         ::testing::Combine(::testing::ValuesIn(kOutputCommands),
                                            ::testing::Values(Place::Link, Place::Pipe, Place::ReadOnly,
                                                              Place::Mode0640, Place::LongName, Place::Dash)),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param).Label) + "_" +
                                    kPlaceNames[static_cast<int>(std::get<1>(info.param))];
                         });

// --- Errors name their file ---------------------------------------------------------

// A base file that cannot be used, given to each command that reads one:
// the error is the file's reason after its quoted name.
struct BadBase {
    const char* Label;
    std::function<std::string(const test::TempDir& dir)> Prepare; // returns FILE
    const char* Reason;
};

void PrintTo(const BadBase& b, std::ostream* os)
{
    *os << b.Label;
}

class BadBaseFile : public SweepCommand,
                    public ::testing::WithParamInterface<std::tuple<const char*, BadBase>> {};

TEST_P(BadBaseFile, IsNamedInTheError)
{
    const auto& [command, bad] = GetParam();
    const std::string path = bad.Prepare(dir_);
    const CliRun run = RunCommand({command, path});
    EXPECT_EQ(run.status, kFailure);
    EXPECT_EQ(run.err, "'" + path + "': " + bad.Reason + "\n");
    EXPECT_EQ(run.out, "");
}

const BadBase kBadBases[] = {
    {"Missing", [](const test::TempDir& dir) { return dir.file("EURUSD.base"); }, "File not found"},
    {"Folder",
     [](const test::TempDir& dir) {
         fs::create_directory(dir.file("EURUSD.base"));
         return dir.file("EURUSD.base");
     },
     "File access denied"},
    {"Short",
     [](const test::TempDir& dir) {
         test::WriteFile(dir.file("EURUSD.base"), test::ReadFile(SweepCommand::EurUsd()).substr(0, 1000));
         return dir.file("EURUSD.base");
     },
     "Read beyond end of file"},
    {"Longer",
     [](const test::TempDir& dir) {
         test::WriteFile(dir.file("EURUSD.base"), test::ReadFile(SweepCommand::EurUsd()) + "x");
         return dir.file("EURUSD.base");
     },
     "файл длиннее одной записи инструмента (9360152 байт): это не файл базы"},
    {"LinkLoop",
     [](const test::TempDir& dir) {
         fs::create_symlink("b.base", dir.file("a.base"));
         fs::create_symlink("a.base", dir.file("b.base"));
         return dir.file("a.base");
     },
     "I/O error 40"},
};

INSTANTIATE_TEST_SUITE_P(Files, BadBaseFile,
                         ::testing::Combine(::testing::Values("backtest", "sweep", "info"),
                                            ::testing::ValuesIn(kBadBases)),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param)) + "_" +
                                    std::get<1>(info.param).Label;
                         });

// --- Ctrl-C -------------------------------------------------------------------------

TEST_F(SweepCommand, CtrlCStopsCleanlyAndKeepsTheOldCsv)
{
    const std::string csv = File("grid.csv");
    test::WriteFile(csv, "an older sweep\n");
    const std::string errFile = File("stderr.txt");

    // The whole four-axis grid: far longer than the test waits.
    const pid_t pid = SpawnCli({"sweep", EurUsd(), "--hold", "1:120", "--csv", csv}, errFile);
    ASSERT_GT(pid, 0);

    // The first line on standard error comes once the handler is in place.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (test::ReadFile(errFile).find("комбинаций") == std::string::npos &&
           std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    ASSERT_EQ(::kill(pid, SIGINT), 0);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);

    ASSERT_TRUE(WIFEXITED(status)) << "ended by a signal instead of stopping";
    EXPECT_EQ(WEXITSTATUS(status), 130);
    EXPECT_NE(test::ReadFile(errFile).find("Прервано"), std::string::npos) << test::ReadFile(errFile);
    EXPECT_EQ(test::ReadFile(csv), "an older sweep\n");
    for (const auto& entry : fs::directory_iterator(dir_.path()))
        EXPECT_TRUE(entry.path().filename() == "grid.csv" || entry.path().filename() == "stderr.txt")
            << "left behind: " << entry.path();
}

// A signal once the sweep has written rows of the CSV: the rows go to the
// file as the sweep folds them, so the message says how far it came and
// that the file was not written; the old file stays and the temporary one
// goes, for SIGTERM and SIGHUP as for Ctrl-C.
class SignalDuringCsv : public SweepCommand, public ::testing::WithParamInterface<int> {};

TEST_P(SignalDuringCsv, LeavesTheOldFileAndNoTemporaryOne)
{
    const std::string csv = File("grid.csv");
    test::WriteFile(csv, "an older sweep\n");
    const std::string errFile = File("stderr.txt");

    // The whole four-axis grid: rows from the first columns on, and far
    // longer than the test waits.
    const pid_t pid =
        SpawnCli({"sweep", EurUsd(), "--threads", "2", "--hold", "1:120", "--csv", csv}, errFile);
    ASSERT_GT(pid, 0);

    // The rows have begun once the temporary file beside the old one holds
    // some.
    auto writing = [&] {
        std::error_code ec;
        for (const auto& entry : fs::directory_iterator(dir_.path()))
            if (entry.path().filename() != "grid.csv" && entry.path().filename() != "stderr.txt" &&
                fs::file_size(entry.path(), ec) > 0)
                return true;
        return false;
    };
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!writing() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    ASSERT_EQ(::kill(pid, GetParam()), 0);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);

    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status) << " instead of stopping";
    EXPECT_EQ(WEXITSTATUS(status), 128 + GetParam());
    const std::string err = test::ReadFile(errFile);
    EXPECT_NE(err.find("Прервано: просчитано "), std::string::npos) << err;
    EXPECT_NE(err.find(" комбинаций, файл CSV не записан"), std::string::npos) << err;
    EXPECT_EQ(test::ReadFile(csv), "an older sweep\n");
    for (const auto& entry : fs::directory_iterator(dir_.path()))
        EXPECT_TRUE(entry.path().filename() == "grid.csv" || entry.path().filename() == "stderr.txt")
            << "left behind: " << entry.path();
}

INSTANTIATE_TEST_SUITE_P(Signals, SignalDuringCsv, ::testing::Values(SIGINT, SIGTERM, SIGHUP),
                         [](const auto& info) { return std::string(sigabbrev_np(info.param)); });

} // namespace
} // namespace quillet::cli
