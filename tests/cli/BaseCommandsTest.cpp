// make-base and info on small hand-written quote files: a two-week history
// of a made-up pair, TEST01, with three days and four hours.

#include "cli/CliTestSupport.h"
#include "model/Dates.h"
#include "model/Instrument.h"
#include "store/Files.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <sys/wait.h>

namespace quillet::cli {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;

/// Runs the built program in a shell; its standard output lands in `outFile`.
int RunProgram(const std::string& arguments, const std::string& outFile)
{
    const std::string command =
        std::string("\"") + QUILLET_CLI_PATH + "\" " + arguments + " > \"" + outFile + "\" 2>&1";
    return std::system(command.c_str());
}

// The week rises 10 points and then falls 50; its days and hours are a
// small sample with a volume column, as broker files have them.
constexpr const char* kWeekQuotes = "2005.01.09,00:00,1.3050,1.3080,1.3040,1.3060,1234\r\n"
                                    "2005.01.16,00:00,1.3060,1.3100,1.3000,1.3010,999\r\n";
constexpr const char* kDayQuotes = "2005.01.10,00:00,1.3050,1.3070,1.3040,1.3055,400\r\n"
                                   "2005.01.11,00:00,1.3055,1.3080,1.3050,1.3070,400\r\n"
                                   "2005.01.12,00:00,1.3070,1.3075,1.3045,1.3060,434\r\n";
constexpr const char* kHourQuotes =
    "2005.01.10,00:00,1.3050,1.3052,1.3048,1.3051,10\r\n"
    "2005.01.10,01:00,1.3051,1.3060,1.3050,1.3058,12\r\n"
    "2005.01.10,13:00,1.3058,1.3070,1.3040,1.3045,30\r\n"
    "2005.01.10,14:00,1.3045,1.3056,1.3044,1.3055,11\n"; // a last line with LF only

class MakeBaseTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        WriteFile(week, kWeekQuotes);
        WriteFile(day, kDayQuotes);
        WriteFile(hour, kHourQuotes);
    }

    CliRun MakeBase(const std::string& name, std::vector<std::string> extra = {})
    {
        std::vector<std::string> args = {"make-base", name, week, day, hour, "--dir", dir};
        args.insert(args.end(), extra.begin(), extra.end());
        return RunCommand(args);
    }

    TempDir tmp;
    std::string dir = tmp.path().string();
    std::string week = tmp.file("w1.csv");
    std::string day = tmp.file("d1.csv");
    std::string hour = tmp.file("h1.csv");
};

TEST_F(MakeBaseTest, WritesTheRecordIntoDir)
{
    const CliRun r = MakeBase("TEST01");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "Готово: " + dir + "/TEST01.base\n");
    EXPECT_EQ(r.err, "");
    const std::string base = tmp.file("TEST01.base");
    ASSERT_EQ(fs::file_size(base), 9'360'152u);
    EXPECT_FALSE(fs::exists(tmp.file("config"))) << "no --add-to-config, no list";

    ReadBaseFile(base, 2);
    const Instrument& inst = Table()[2];
    EXPECT_EQ(ShortStringText(inst.Name), "TEST01");
    EXPECT_EQ(FirstEmptyIndex(inst.Week, 1), 3);
    EXPECT_EQ(FirstEmptyIndex(inst.Day, 1), 4);
    EXPECT_EQ(FirstEmptyIndex(inst.Hour, 1), 5);
    EXPECT_EQ(inst.Week[0].Date, 0.0) << "candle 0 stays empty";
    EXPECT_FALSE(CandleExists(inst.Week[0]));

    const Candle& w1 = inst.Week[1];
    EXPECT_EQ(w1.Date, DateSerial(2005, 1, 9));
    EXPECT_EQ(ShortStringText(w1.Time), "00");
    EXPECT_EQ(w1.Open, 1.305);
    EXPECT_EQ(w1.High, 1.308);
    EXPECT_EQ(w1.Low, 1.304);
    EXPECT_EQ(w1.Close, 1.306);
    EXPECT_EQ(inst.Week[2].Close, 1.301);
    EXPECT_EQ(inst.Day[3].Date, DateSerial(2005, 1, 12));
    EXPECT_EQ(ShortStringText(inst.Hour[3].Time), "13");
    EXPECT_EQ(inst.Hour[4].Close, 1.3055);
}

// A --dir that is not there yet is made with its parents, as demo-data
// makes its own; one that cannot be made is named.
TEST_F(MakeBaseTest, AMissingDirIsMade)
{
    const std::string nested = tmp.file("new/deeper");
    const CliRun made =
        RunCommand({"make-base", "TEST01", week, day, hour, "--dir", nested, "--add-to-config"});
    ASSERT_EQ(made.status, 0) << made.err;
    EXPECT_EQ(fs::file_size(nested + "/TEST01.base"), 9'360'152u);
    EXPECT_EQ(ReadFile(nested + "/config"), "TEST01\r\n");
    WriteFile(tmp.file("plain"), "a file, not a folder");
    const CliRun refused =
        RunCommand({"make-base", "TEST01", week, day, hour, "--dir", tmp.file("plain/sub")});
    EXPECT_EQ(refused.status, kFailure);
    EXPECT_NE(refused.err.find("Не удаётся создать папку '" + tmp.file("plain/sub")), std::string::npos)
        << refused.err;
}

TEST_F(MakeBaseTest, AddToConfigAppendsToAnExistingList)
{
    WriteFile(tmp.file("config"), "AUDJPY\r\nEURUSD"); // no line end after the last name
    const CliRun r = MakeBase("TEST01", {"--add-to-config"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadFile(tmp.file("config")), "AUDJPY\r\nEURUSD\r\nTEST01\r\n");
    EXPECT_TRUE(fs::exists(tmp.file("TEST01.base")));
}

TEST_F(MakeBaseTest, AddToConfigStartsAListWhenThereIsNone)
{
    const CliRun r = MakeBase("TEST01", {"--add-to-config"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadFile(tmp.file("config")), "TEST01\r\n");
}

TEST_F(MakeBaseTest, ALongNameNamesTheFileWhileTheRecordKeepsSixCharacters)
{
    const CliRun r = MakeBase("EURUSDX", {"--add-to-config"});
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_TRUE(fs::exists(tmp.file("EURUSDX.base")));
    ReadBaseFile(tmp.file("EURUSDX.base"), 2);
    EXPECT_EQ(ShortStringText(Table()[2].Name), "EURUSD");
    EXPECT_EQ(ReadFile(tmp.file("config")), "EURUSDX\r\n");
}

TEST_F(MakeBaseTest, WithoutDirWritesIntoTheCurrentDirectory)
{
    const std::string work = tmp.file("work");
    fs::create_directory(work);
    const std::string args = "make-base TEST02 \"" + week + "\" \"" + day + "\" \"" + hour + "\"";
    const std::string command =
        "cd \"" + work + "\" && \"" + QUILLET_CLI_PATH + "\" " + args + " > /dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
    EXPECT_EQ(fs::file_size(work + "/TEST02.base"), 9'360'152u);
}

TEST_F(MakeBaseTest, AMissingQuoteFileIsAFileError)
{
    // The error says which of the three files is missing.
    hour = tmp.file("nowhere.csv");
    const CliRun r = MakeBase("TEST01");
    EXPECT_EQ(r.status, kFailure);
    EXPECT_EQ(r.err, "'" + hour + "': File not found\n");
    EXPECT_FALSE(fs::exists(tmp.file("TEST01.base")));
}

TEST_F(MakeBaseTest, MissingArgumentsAreAUsageError)
{
    const CliRun r = RunCommand({"make-base", "TEST01", week, day});
    EXPECT_EQ(r.status, kUsageError);
    EXPECT_NE(r.err.find("HOUR_FILE"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(tmp.file("TEST01.base")));
}

// A refused cell: the first one in the order week, day, hour, then row by
// row and cell by cell, ends the command with its conversion error. No
// ".base" is written, an older one stays as it was, and the list is not touched.
struct RefusedCase {
    const char* title;
    std::string week, day, hour;
    const char* file; // the one of the three that the error names
    const char* error;
};

void PrintTo(const RefusedCase& c, std::ostream* os)
{
    *os << c.title;
}

class RefusedCellTest : public MakeBaseTest, public ::testing::WithParamInterface<RefusedCase> {};

TEST_P(RefusedCellTest, GivesTheConversionErrorAndWritesNothing)
{
    const RefusedCase& c = GetParam();
    WriteFile(week, c.week);
    WriteFile(day, c.day);
    WriteFile(hour, c.hour);
    WriteFile(tmp.file("config"), "AUDJPY\r\n");
    WriteFile(tmp.file("OLDONE.base"), "an older file");

    const CliRun r = MakeBase("TEST01", {"--add-to-config"});
    EXPECT_EQ(r.status, kFailure);
    EXPECT_EQ(r.err, "'" + tmp.file(c.file) + "': " + c.error + "\n");
    EXPECT_EQ(r.out, "");
    EXPECT_FALSE(fs::exists(tmp.file("TEST01.base")));
    EXPECT_EQ(ReadFile(tmp.file("config")), "AUDJPY\r\n");

    // The same refusal leaves an older file of the same name whole.
    const CliRun again = MakeBase("OLDONE", {"--add-to-config"});
    EXPECT_EQ(again.status, kFailure);
    EXPECT_EQ(ReadFile(tmp.file("OLDONE.base")), "an older file");
    EXPECT_EQ(ReadFile(tmp.file("config")), "AUDJPY\r\n");
}

const std::string kBadPriceRow = "2005.01.10,00:00,1.3050,1.30x,1.3040,1.3060,5\r\n";
const std::string kBadDateRow = "2005-01-10,00:00,1.3050,1.3080,1.3040,1.3060,5\r\n";

INSTANTIATE_TEST_SUITE_P(
    Cells, RefusedCellTest,
    ::testing::Values(
        RefusedCase{"price_with_a_stray_letter", kWeekQuotes, kDayQuotes, kHourQuotes + kBadPriceRow,
                    "h1.csv", "Строка 5: '1,30x' is not a valid floating point value"},
        RefusedCase{"date_with_dashes", kWeekQuotes, kBadDateRow, kHourQuotes, "d1.csv",
                    "Строка 1: '2005-01-10' is not a valid date"},
        RefusedCase{"day_grid_before_hour_grid", kWeekQuotes, kDayQuotes + kBadPriceRow, kBadDateRow,
                    "d1.csv", "Строка 4: '1,30x' is not a valid floating point value"},
        RefusedCase{"week_grid_first", std::string(kWeekQuotes) + "2005.01.23,00:00,1.3,1.3,1.3,x,1\r\n",
                    kBadDateRow, kBadDateRow, "w1.csv", "Строка 3: 'x' is not a valid floating point value"},
        RefusedCase{"date_before_prices_in_a_row", kWeekQuotes,
                    "2005.13.10,00:00,1.3050,1.30x,1.3040,1.3060,5\r\n", kHourQuotes, "d1.csv",
                    "Строка 1: '2005.13.10' is not a valid date"},
        RefusedCase{"earlier_row_first", kWeekQuotes, kDayQuotes,
                    "2005.01.10,00:00,1,2,y,4,5\r\n" + kBadDateRow, "h1.csv",
                    "Строка 1: 'y' is not a valid floating point value"},
        RefusedCase{"five_commas_leave_close_empty", kWeekQuotes,
                    "2005.01.10,00:00,1.3050,1.3080,1.3040,1.3060\r\n", kHourQuotes, "d1.csv",
                    "Строка 1: '' is not a valid floating point value"},
        RefusedCase{"an_empty_line", kWeekQuotes, kDayQuotes, std::string(kHourQuotes) + "\r\n" + kHourQuotes,
                    "h1.csv", "Строка 5: '' is not a valid date"},
        RefusedCase{"blanks_between_date_numbers", "2005 01 09,00:00,1,1,1,1,1\r\n", kDayQuotes, kHourQuotes,
                    "w1.csv", "Строка 1: '2005 01 09' is not a valid date"}),
    [](const auto& info) { return std::string(info.param.title); });

// A name that would put the file outside --dir is refused before anything
// is read or written: no ".base" anywhere, the list as it was.
struct EscapingName {
    const char* title;
    std::string name; // "@" stands for the temporary folder's path
};

class EscapingNameTest : public MakeBaseTest, public ::testing::WithParamInterface<EscapingName> {
  protected:
    // Every file below the temporary folder, with its contents.
    std::vector<std::pair<std::string, std::string>> Files() const
    {
        std::vector<std::pair<std::string, std::string>> files;
        for (const auto& e : fs::recursive_directory_iterator(tmp.path()))
            files.emplace_back(e.path().string(),
                               e.is_regular_file() ? ReadFile(e.path().string()) : "(folder)");
        std::sort(files.begin(), files.end());
        return files;
    }
};

TEST_P(EscapingNameTest, IsRefusedAndNothingIsWritten)
{
    std::string name = GetParam().name;
    if (name.front() == '@')
        name = dir + name.substr(1);
    // --dir is a folder below the temporary one, so "../X" would land inside it.
    const std::string inner = tmp.file("inner");
    fs::create_directories(inner + "/a");    // so that "a/b" would find its folder
    fs::create_directories(tmp.file("abs")); // and so would the absolute name
    WriteFile(inner + "/config", "AUDJPY\r\n");
    const auto before = Files();

    const CliRun r = RunCommand({"make-base", name, week, day, hour, "--dir", inner, "--add-to-config"});
    EXPECT_EQ(r.status, kFailure);
    EXPECT_EQ(r.err.rfind("Недопустимое имя инструмента '" + name + "': ", 0), 0u) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(Files(), before);
}

INSTANTIATE_TEST_SUITE_P(Names, EscapingNameTest,
                         ::testing::Values(EscapingName{"OutsideCodePage1251", "日本円ドル"},
                                           EscapingName{"Parent", "../X"},
                                           EscapingName{"Absolute", "@/abs/X"},
                                           EscapingName{"Subfolder", "a/b"}, EscapingName{"Dot", "."},
                                           EscapingName{"DotDot", ".."}),
                         [](const auto& info) { return std::string(info.param.title); });

// --add-to-config from several processes at once: each waits for the
// others' turn at "config", so every name is listed.
TEST_F(MakeBaseTest, ParallelAddToConfigFromEightProcessesListsEveryName)
{
    WriteFile(tmp.file("config"), "AUDJPY\r\n");
    constexpr int kProcesses = 8;
    std::vector<pid_t> children;
    for (int p = 0; p < kProcesses; ++p) {
        const pid_t pid = SpawnCli(
            {"make-base", "PAR" + std::to_string(p), week, day, hour, "--dir", dir, "--add-to-config"});
        ASSERT_GT(pid, 0);
        children.push_back(pid);
    }
    for (const pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    std::vector<std::string> names = ReadInstrumentList(tmp.file("config"));
    ASSERT_FALSE(names.empty());
    EXPECT_EQ(names.front(), "AUDJPY");
    std::sort(names.begin() + 1, names.end());
    std::vector<std::string> expected = {"AUDJPY"};
    for (int p = 0; p < kProcesses; ++p) {
        expected.push_back("PAR" + std::to_string(p));
        EXPECT_TRUE(fs::exists(tmp.file("PAR" + std::to_string(p) + ".base")));
    }
    EXPECT_EQ(names, expected);
}

// The ".base" is written but "config" cannot be (here a folder stands in
// its place): the error says what was done and what was not, naming both.
TEST_F(MakeBaseTest, ABaseWrittenWhileConfigIsNotSaysSoNamingBoth)
{
    fs::create_directory(tmp.file("config"));
    const CliRun r = MakeBase("TEST01", {"--add-to-config"});
    EXPECT_EQ(r.status, kFailure);
    EXPECT_EQ(r.err, "'" + tmp.file("TEST01.base") + "' записан; '" + tmp.file("config") +
                         "' не изменён: File access denied\n");
    EXPECT_EQ(fs::file_size(tmp.file("TEST01.base")), kInstrumentSize);
    EXPECT_TRUE(fs::is_directory(tmp.file("config")));
}

class InfoTest : public MakeBaseTest {
  protected:
    void SetUp() override
    {
        MakeBaseTest::SetUp();
        const CliRun r = MakeBase("TEST01");
        ASSERT_EQ(r.status, 0) << r.err;
    }
};

TEST_F(InfoTest, PrintsTheNameAndEachSeriesWithItsDates)
{
    // Once quotes have been imported in a run, dates read "yyyy mm dd".
    const CliRun r = RunCommand({"info", tmp.file("TEST01.base")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "Инструмент: TEST01\n"
                     "Week: 2 (2005 01 09 - 2005 01 16)\n"
                     "Day: 3 (2005 01 10 - 2005 01 12)\n"
                     "Hour: 4 (2005 01 10 - 2005 01 10)\n");
}

TEST_F(InfoTest, AFreshRunShowsRegionalDates)
{
    const std::string outFile = tmp.file("info.txt");
    ASSERT_EQ(RunProgram("info \"" + tmp.file("TEST01.base") + "\"", outFile), 0);
    EXPECT_EQ(ReadFile(outFile), "Инструмент: TEST01\n"
                                 "Week: 2 (09.01.2005 - 16.01.2005)\n"
                                 "Day: 3 (10.01.2005 - 12.01.2005)\n"
                                 "Hour: 4 (10.01.2005 - 10.01.2005)\n");
}

TEST_F(InfoTest, AnEmptySeriesHasNoDates)
{
    WriteFile(hour, "");
    ASSERT_EQ(MakeBase("NOHOUR").status, 0);
    const CliRun r = RunCommand({"info", tmp.file("NOHOUR.base")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("Day: 3 ("), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\nHour: 0\n"), std::string::npos) << r.out;
}

TEST_F(InfoTest, FileErrorsEndTheCommand)
{
    const CliRun missing = RunCommand({"info", tmp.file("NOSUCH.base")});
    EXPECT_EQ(missing.status, kFailure);
    EXPECT_EQ(missing.err, "'" + tmp.file("NOSUCH.base") + "': File not found\n");
    EXPECT_EQ(missing.out, "");

    const std::string whole = ReadFile(tmp.file("TEST01.base"));
    WriteFile(tmp.file("SHORT.base"), whole.substr(0, 1000));
    const CliRun shortFile = RunCommand({"info", tmp.file("SHORT.base")});
    EXPECT_EQ(shortFile.status, kFailure);
    EXPECT_EQ(shortFile.err, "'" + tmp.file("SHORT.base") + "': Read beyond end of file\n");
    EXPECT_EQ(shortFile.out, "");
}

} // namespace
} // namespace quillet::cli
