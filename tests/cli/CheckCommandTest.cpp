// check, make-base --hourly with minute files and --shift, info on a minute
// file, and the line backtest adds when the weeks it used have holes or
// spikes. The demo EURUSD's hours stand for a broker's export.

#include "cli/CliTestSupport.h"
#include "demo/DemoData.h"
#include "support/HourlyText.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <filesystem>

namespace quillet::cli {
namespace {

using test::HourlyText;
using test::HourQuote;
using test::ReadFile;
using test::WriteFile;
namespace fs = std::filesystem;

const std::vector<HourQuote>& DemoHours()
{
    static const std::vector<HourQuote> hours =
        test::ParseQuoteLines(demo::GenerateDemoQuotes(demo::DemoPairs()[5]).Hour);
    return hours;
}

class CheckCommandTest : public ::testing::Test {
  protected:
    test::TempDir tmp;
    std::string dir = tmp.path().string();
};

TEST_F(CheckCommandTest, AMinuteFileShiftedBuildsTheShiftedHourlyFilesBase)
{
    const std::vector<HourQuote> hours(DemoHours().begin(), DemoHours().begin() + 600);
    WriteFile(tmp.file("m5.csv"),
              HourlyText(HourlyFormat::TabBracketed, test::SplitIntoMinutes(hours, 5, 3)));
    WriteFile(tmp.file("h1.csv"), HourlyText(HourlyFormat::TabBracketed, hours));
    const CliRun info = RunCommand({"info", tmp.file("m5.csv")});
    EXPECT_EQ(info.out, "Формат " + HourlyFormatDescription(HourlyFormat::TabBracketed) + "\nШаг: 5 минут\n");

    const CliRun m =
        RunCommand({"make-base", "MIN5", "--hourly", tmp.file("m5.csv"), "--shift", "-2", "--dir", dir});
    ASSERT_EQ(m.status, 0) << m.err;
    const std::string out = m.out.substr(m.out.find('\n') + 1);
    EXPECT_EQ(out.substr(0, out.find("Week")),
              "Шаг: 5 минут, свечей в файле " + std::to_string(test::SplitIntoMinutes(hours, 5, 3).size()) +
                  ", сложены в часовые\nСдвиг времени: -2 ч\n");
    fs::create_directory(tmp.file("h"));
    ASSERT_EQ(RunCommand({"make-base", "MIN5", "--hourly", tmp.file("h1.csv"), "--shift", "-2", "--dir",
                          tmp.file("h")})
                  .status,
              0);
    EXPECT_TRUE(ReadFile(tmp.file("MIN5.base")) == ReadFile(tmp.file("h/MIN5.base")));
}

TEST_F(CheckCommandTest, BadOptionsAreRefusedBeforeAnyOutput)
{
    WriteFile(tmp.file("h1.csv"),
              HourlyText(HourlyFormat::QuoteLine, {DemoHours().begin(), DemoHours().begin() + 5}));
    const std::string base = test::DemoDir() + "/EURUSD.base";
    for (const std::vector<std::string>& args : {std::vector<std::string>{"check", base, "--shift", "3"},
                                                 {"check", tmp.file("h1.csv"), "--shift", "24"},
                                                 {"check", tmp.file("h1.csv"), "--min-share", "0"},
                                                 {"make-base", "X", "--shift", "1", "--dir", dir},
                                                 {"check", base, "--range", "9", "3"}}) {
        const CliRun r = RunCommand(args);
        EXPECT_EQ(r.status, 2) << args[2];
        EXPECT_EQ(r.out, "");
    }
    EXPECT_EQ(RunCommand({"check", tmp.file("none.csv")}).status, 1);
}

TEST_F(CheckCommandTest, HolesAndABadTickAreCheckedAndMentionedOnceByTheRun)
{
    // Monday to Wednesday of the week of 2 March 2008 lost, and a bad tick in the week after.
    std::vector<HourQuote> hours = DemoHours();
    std::erase_if(
        hours, [](const HourQuote& h) { return h.Year == 2008 && h.Month == 3 && h.Day >= 3 && h.Day <= 5; });
    const auto tick = std::find_if(hours.begin(), hours.end(), [](const HourQuote& h) {
        return h.Year == 2008 && h.Month == 3 && h.Day == 12;
    });
    tick->High = "1.70000";
    WriteFile(tmp.file("EURUSD.csv"), HourlyText(HourlyFormat::DateTimeComma, hours));
    const CliRun check = RunCommand({"check", tmp.file("EURUSD.csv")});
    ASSERT_EQ(check.status, 0) << check.err;
    EXPECT_NE(check.out.find("Недель, где меньше 50,0% часов: 1\n  неделя 2008-03-02: "), std::string::npos)
        << check.out;
    EXPECT_NE(check.out.find("котировок): 1\n"), std::string::npos) << check.out;
    EXPECT_NE(check.out.find(", в тени\n"), std::string::npos);

    ASSERT_EQ(RunCommand({"make-base", "EURUSD", "--hourly", tmp.file("EURUSD.csv"), "--dir", dir}).status,
              0);
    const std::string base = tmp.file("EURUSD.base");
    const CliRun run = RunCommand({"backtest", base});
    const std::size_t at = run.out.find("\nДанные: ");
    ASSERT_NE(at, std::string::npos) << run.out;
    const std::string line = run.out.substr(at + 1, run.out.find('\n', at + 1) - at - 1);
    EXPECT_TRUE(line.ends_with("% часов, 1 выброс")) << line;
    EXPECT_EQ(run.out.find("Данные: ", at + 2), std::string::npos) << "said once";
    const auto json = nlohmann::json::parse(RunCommand({"backtest", base, "--json"}).out);
    EXPECT_EQ(json["data_check"]["thin_weeks"], 1);
    EXPECT_EQ(json["data_check"]["spikes_in_wicks"], 1);
    // Weeks that end before the damage hear nothing of it, nor do the demo's.
    EXPECT_EQ(RunCommand({"backtest", test::DemoDir() + "/EURUSD.base"}).out.find("Данные"),
              std::string::npos);
    EXPECT_EQ(RunCommand({"backtest", base, "--range", "10", "100"}).out.find("Данные"), std::string::npos);
}

} // namespace
} // namespace quillet::cli
