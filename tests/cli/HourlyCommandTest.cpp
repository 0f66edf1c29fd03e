// make-base --hourly and info on hourly files. The demo pairs give real-sized
// histories whose weekly and daily files the demo generator aggregated on its
// own; the hourly import of their hours, in every format, must build the same
// bytes as the three-file import of those files. AUDJPY (three decimals) and
// EURUSD (five) stand for the seven.

#include "cli/CliTestSupport.h"
#include "demo/DemoData.h"
#include "model/Dates.h"
#include "model/Instrument.h"
#include "store/Files.h"
#include "store/HourlyImport.h"
#include "support/HourlyText.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace quillet::cli {
namespace {

namespace fs = std::filesystem;
using demo::DemoPair;
using demo::DemoPairs;
using demo::DemoQuotes;
using demo::GenerateDemoQuotes;
using test::HourlyText;
using test::HourQuote;
using test::ReadFile;
using test::TempDir;
using test::TextStyle;
using test::WriteFile;

std::string FormatName(HourlyFormat f)
{
    static const char* const kNames[] = {"quote_line", "date_time_comma", "tab_bracketed",
                                         "semicolon_compact", "day_first_seconds"};
    return kNames[static_cast<int>(f) - 1];
}

/// One demo pair: its quote files and the .base the three-file form built.
struct DemoPairFiles {
    std::string Base;
    std::vector<HourQuote> Hours;
    int Weeks, Days;
};

class DemoPairsTest : public ::testing::TestWithParam<std::tuple<int, HourlyFormat>> {
  protected:
    static void TearDownTestSuite()
    {
        pairs_.clear();
        tmp_.reset();
    }

    static const DemoPairFiles& Pair(int index)
    {
        if (!tmp_)
            tmp_ = std::make_unique<TempDir>();
        auto it = pairs_.find(index);
        if (it != pairs_.end())
            return it->second;
        const DemoPair& pair = DemoPairs()[index];
        const std::string name(pair.Name);
        const DemoQuotes q = GenerateDemoQuotes(pair);
        const std::string week = tmp_->file(name + "_W1.csv"), day = tmp_->file(name + "_D1.csv"),
                          hour = tmp_->file(name + "_H1.csv");
        WriteFile(week, q.Week);
        WriteFile(day, q.Day);
        WriteFile(hour, q.Hour);
        const CliRun r = RunCommand({"make-base", name, week, day, hour, "--dir", tmp_->path().string()});
        EXPECT_EQ(r.status, 0) << r.err;
        DemoPairFiles files{ReadFile(tmp_->file(name + ".base")), test::ParseQuoteLines(q.Hour), q.WeekCount,
                            q.DayCount};
        return pairs_.emplace(index, std::move(files)).first->second;
    }

    TempDir out;

  private:
    static inline std::unique_ptr<TempDir> tmp_;
    static inline std::map<int, DemoPairFiles> pairs_;
};

TEST_P(DemoPairsTest, EveryFormatBuildsTheBytesOfTheThreeFileImport)
{
    const auto [index, format] = GetParam();
    const DemoPairFiles& ref = Pair(index);
    const std::string name(DemoPairs()[index].Name);
    // Line ends and byte-order marks vary with the format; none may matter.
    const TextStyle style{static_cast<int>(format) % 2 ? "\r\n" : "\n", format == HourlyFormat::TabBracketed,
                          format == HourlyFormat::DayFirstSeconds};
    const std::string hourly = out.file("hourly.txt");
    WriteFile(hourly, HourlyText(format, ref.Hours, style));

    const CliRun r = RunCommand({"make-base", name, "--hourly", hourly, "--dir", out.path().string()});
    ASSERT_EQ(r.status, 0) << r.err;
    // The tab-separated export keeps its spread column beside the record.
    const std::string spread =
        format == HourlyFormat::TabBracketed ? "Спред по истории: " + out.dir() + name + ".spread\n" : "";
    EXPECT_EQ(r.out, "Формат " + HourlyFormatDescription(format) + "\nWeek " + std::to_string(ref.Weeks) +
                         ", Day " + std::to_string(ref.Days) + ", Hour " + std::to_string(ref.Hours.size()) +
                         "\n" + spread + "Готово: " + out.dir() + name + ".base\n");
    const std::string built = ReadFile(out.file(name + ".base"));
    ASSERT_EQ(built.size(), kInstrumentSize);
    ASSERT_TRUE(built == ref.Base) << "the bytes differ";
}

INSTANTIATE_TEST_SUITE_P(Demo, DemoPairsTest,
                         ::testing::Combine(::testing::Values(0, 5),
                                            ::testing::ValuesIn(test::kHourlyFormats)),
                         [](const auto& info) {
                             return std::string(DemoPairs()[std::get<0>(info.param)].Name) + "_" +
                                    FormatName(std::get<1>(info.param));
                         });

// ---------------------------------------------------------------------------

/// `count` hours around the clock from Monday 3 January 2000, Sundays and
/// Saturdays included, with prices that wander by a few points an hour.
std::vector<HourQuote> RoundTheClock(int count)
{
    std::vector<HourQuote> hours;
    hours.reserve(static_cast<std::size_t>(count));
    const double first = DateSerial(2000, 1, 3);
    int ticks = 120000;
    for (int i = 0; i < count; ++i) {
        CivilDate c{};
        DecodeDate(first + i / 24, c);
        const int next = ticks + (i * 7919 % 61) - 30;
        const auto price = [](int t) {
            char buf[16];
            std::snprintf(buf, sizeof buf, "%d.%05d", t / 100000, t % 100000);
            return std::string(buf);
        };
        hours.push_back({c.Year, c.Month, c.Day, i % 24, price(ticks), price(std::max(ticks, next) + 17),
                         price(std::min(ticks, next) - 11), price(next)});
        ticks = next;
    }
    return hours;
}

class HourlyCommandTest : public ::testing::Test {
  protected:
    CliRun Hourly(const std::string& name, std::vector<std::string> extra = {})
    {
        std::vector<std::string> args = {"make-base", name, "--hourly", hourly, "--dir", dir};
        args.insert(args.end(), extra.begin(), extra.end());
        return RunCommand(args);
    }

    TempDir tmp;
    std::string dir = tmp.path().string();
    std::string hourly = tmp.file("hourly.csv");
};

/// A series as quote lines, prices written so that they read back exactly.
std::string SeriesAsQuoteLines(const CandleSeries& series)
{
    std::string text;
    for (int i = 1; CandleExists(series[i]); ++i) {
        const Candle& c = series[i];
        char prices[128];
        std::snprintf(prices, sizeof prices, "%.17g,%.17g,%.17g,%.17g", c.Open, c.High, c.Low, c.Close);
        text += FormatDate(c.Date, "yyyy.mm.dd") + ',' + ShortStringText(c.Time) + ":00," + prices + ",0\r\n";
    }
    return text;
}

TEST_F(HourlyCommandTest, TheThreeFilesOfTheCandlesItDerivesImportToTheSameBytes)
{
    WriteFile(hourly, HourlyText(HourlyFormat::QuoteLine, RoundTheClock(3000)));
    ASSERT_EQ(Hourly("CLOCK1").status, 0);
    const std::string fromHourly = ReadFile(tmp.file("CLOCK1.base"));

    ReadBaseFile(tmp.file("CLOCK1.base"), 2);
    const Instrument& inst = Table()[2];
    ASSERT_EQ(FirstEmptyIndex(inst.Week, 1) - 1, 18) << "Monday 3 January to Saturday 6 May";
    const std::string week = tmp.file("w.csv"), day = tmp.file("d.csv"), hour = tmp.file("h.csv");
    WriteFile(week, SeriesAsQuoteLines(inst.Week));
    WriteFile(day, SeriesAsQuoteLines(inst.Day));
    WriteFile(hour, SeriesAsQuoteLines(inst.Hour));
    fs::create_directory(tmp.file("three"));
    const CliRun r = RunCommand({"make-base", "CLOCK1", week, day, hour, "--dir", tmp.file("three")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(ReadFile(tmp.file("three/CLOCK1.base")) == fromHourly);
}

TEST_F(HourlyCommandTest, AddToConfigAppendsTheName)
{
    WriteFile(hourly, HourlyText(HourlyFormat::SemicolonCompact, RoundTheClock(48)));
    WriteFile(tmp.file("config"), "AUDJPY\r\n");
    const CliRun r = Hourly("NEWONE", {"--add-to-config"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadFile(tmp.file("config")), "AUDJPY\r\nNEWONE\r\n");
}

TEST_F(HourlyCommandTest, FromAndToChooseThePeriod)
{
    WriteFile(hourly, HourlyText(HourlyFormat::QuoteLine, RoundTheClock(24 * 20)));
    const CliRun r = Hourly("PART", {"--from", "2000-01-05", "--to", "2000-01-09"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("Week 2, Day 5, Hour 120\n"), std::string::npos) << r.out;
    ReadBaseFile(tmp.file("PART.base"), 2);
    EXPECT_EQ(Table()[2].Hour[1].Date, DateSerial(2000, 1, 5));
    EXPECT_EQ(Table()[2].Week[2].Date, DateSerial(2000, 1, 9)) << "Sunday the 9th opens the second week";
}

TEST_F(HourlyCommandTest, TheHourTheLimitSuggestsFits)
{
    WriteFile(hourly, HourlyText(HourlyFormat::QuoteLine, RoundTheClock(65'001)));
    const CliRun refused = Hourly("BIG");
    ASSERT_EQ(refused.status, kFailure);
    const std::string hint = "--from 2000-01-04";
    ASSERT_NE(refused.err.find(hint), std::string::npos) << refused.err;
    const CliRun built = Hourly("BIG", {"--from", "2000-01-04"});
    ASSERT_EQ(built.status, 0) << built.err;
    EXPECT_NE(built.out.find("Hour 64977\n"), std::string::npos) << built.out;
}

// Refusals end the command with exit status 1 and the error; no ".base" is
// written, an older one of the name stays whole and "config" is not touched.
struct RefusedCase {
    const char* title;
    std::string text;
    std::string error;
};

void PrintTo(const RefusedCase& c, std::ostream* os)
{
    *os << c.title;
}

class HourlyRefusedTest : public HourlyCommandTest, public ::testing::WithParamInterface<RefusedCase> {};

TEST_P(HourlyRefusedTest, ExitsWithTheErrorAndWritesNothing)
{
    const RefusedCase& c = GetParam();
    WriteFile(hourly, c.text);
    WriteFile(tmp.file("config"), "AUDJPY\r\n");
    WriteFile(tmp.file("OLDONE.base"), "an older file");

    const CliRun r = Hourly("NEWONE", {"--add-to-config"});
    EXPECT_EQ(r.status, kFailure);
    EXPECT_EQ(r.err, "'" + hourly + "': " + c.error + "\n");
    EXPECT_EQ(r.out, "");
    EXPECT_FALSE(fs::exists(tmp.file("NEWONE.base")));
    EXPECT_EQ(ReadFile(tmp.file("config")), "AUDJPY\r\n");

    const CliRun again = Hourly("OLDONE", {"--add-to-config"});
    EXPECT_EQ(again.status, kFailure);
    EXPECT_EQ(ReadFile(tmp.file("OLDONE.base")), "an older file");
    EXPECT_EQ(ReadFile(tmp.file("config")), "AUDJPY\r\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(tmp.path()), fs::directory_iterator()), 3)
        << "the hourly file, config and the older base, nothing else";
}

const std::string kHour13 = "2010.10.07,13:00,1.39672,1.39781,1.39624,1.39708,2304\r\n";
const std::string kHour14 = "2010.10.07,14:00,1.39708,1.39800,1.39600,1.39700,2000\r\n";

INSTANTIATE_TEST_SUITE_P(
    Files, HourlyRefusedTest,
    ::testing::Values(
        RefusedCase{"unknown_format", "Time;Bid;Ask\r\n2010-10-07 13:00;1.3;1.4\r\n",
                    "Неизвестный формат часового файла, первая строка: 'Time;Bid;Ask'. Известные форматы:\n" +
                        HourlyFormatList()},
        RefusedCase{"falling_dates", kHour14 + kHour13,
                    "Строка 2: 2010-10-07 13:00 не позже 2010-10-07 14:00 в строке 1: дата и время должны "
                    "возрастать"},
        RefusedCase{"bad_price",
                    "<DATE>\t<TIME>\t<OPEN>\t<HIGH>\t<LOW>\t<CLOSE>\n2010.10.07\t13:00:00\t1.3\t1.4\t"
                    "1,2.5\t1.3\n",
                    "Строка 2: неверная цена Low '1,2.5'"},
        RefusedCase{
            "hours_beyond_the_limit", HourlyText(HourlyFormat::QuoteLine, RoundTheClock(65'001)),
            "В файле 65001 часовых свечей, а в базе помещается не более 65000. Последние 65000 свечей "
            "начинаются 2000-01-03 01:00; с 2000-01-04 помещаются все. Период, который помещается: "
            "--from 2000-01-04"},
        RefusedCase{"empty_file", "",
                    "В файле нет ни одной строки котировок. Известные форматы часовых файлов:\n" +
                        HourlyFormatList()}),
    [](const auto& info) { return std::string(info.param.title); });

TEST_F(HourlyCommandTest, ABadNameIsRefusedBeforeTheFileIsRead)
{
    const CliRun r = Hourly("EUR/USD");
    EXPECT_EQ(r.status, kFailure);
    EXPECT_EQ(r.err.rfind("Недопустимое имя инструмента 'EUR/USD'", 0), 0u) << r.err;
}

struct UsageCase {
    const char* title;
    std::vector<std::string> args;
    const char* mentioned; // a text the error must hold
};

void PrintTo(const UsageCase& c, std::ostream* os)
{
    *os << c.title;
}

class HourlyUsageTest : public HourlyCommandTest, public ::testing::WithParamInterface<UsageCase> {};

TEST_P(HourlyUsageTest, IsAUsageErrorThatWritesNothing)
{
    WriteFile(hourly, kHour13);
    std::vector<std::string> args = GetParam().args;
    for (auto& a : args)
        if (a == "HOURLY")
            a = hourly;
    args.insert(args.end(), {"--dir", dir});
    const CliRun r = RunCommand(args);
    EXPECT_EQ(r.status, kUsageError);
    EXPECT_NE(r.err.find(GetParam().mentioned), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(tmp.file("NEWONE.base")));
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, HourlyUsageTest,
    ::testing::Values(
        UsageCase{
            "hourly_and_three_files", {"make-base", "NEWONE", "HOURLY", "--hourly", "HOURLY"}, "excludes"},
        UsageCase{"from_without_hourly",
                  {"make-base", "NEWONE", "w", "d", "h", "--from", "2010-10-07"},
                  "--hourly"},
        UsageCase{"from_not_iso",
                  {"make-base", "NEWONE", "--hourly", "HOURLY", "--from", "07.10.2010"},
                  "'07.10.2010' is not a date yyyy-mm-dd"},
        UsageCase{"to_not_a_day",
                  {"make-base", "NEWONE", "--hourly", "HOURLY", "--to", "2010-02-30"},
                  "'2010-02-30' is not a date yyyy-mm-dd"},
        UsageCase{"from_after_to",
                  {"make-base", "NEWONE", "--hourly", "HOURLY", "--from", "2010-10-08", "--to", "2010-10-07"},
                  "is after --to"},
        UsageCase{"no_files_at_all", {"make-base", "NEWONE"}, "WEEK_FILE is required"}),
    [](const auto& info) { return std::string(info.param.title); });

TEST(HourlyHelp, StatesTheDateFormatAndTheFileFormats)
{
    const CliRun r = RunCommand({"make-base", "--help"});
    ASSERT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("--from DATE"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("(yyyy-mm-dd)"), std::string::npos) << r.out;
    for (const HourlyFormat f : test::kHourlyFormats)
        EXPECT_NE(r.out.find(HourlyFormatDescription(f)), std::string::npos) << FormatName(f);
}

// ---------------------------------------------------------------------------
// info on text files

class InfoFormatTest : public HourlyCommandTest, public ::testing::WithParamInterface<HourlyFormat> {};

TEST_P(InfoFormatTest, NamesTheFormatItWouldRead)
{
    WriteFile(hourly, HourlyText(GetParam(), RoundTheClock(3), {"\n", true, true}));
    const CliRun r = RunCommand({"info", hourly});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "Формат " + HourlyFormatDescription(GetParam()) + "\n");
}

INSTANTIATE_TEST_SUITE_P(Formats, InfoFormatTest, ::testing::ValuesIn(test::kHourlyFormats),
                         [](const auto& info) { return FormatName(info.param); });

TEST_F(HourlyCommandTest, InfoOnAnUnknownTextQuotesItsFirstLine)
{
    WriteFile(hourly, "Time;Bid\r\n");
    const CliRun r = RunCommand({"info", hourly});
    EXPECT_EQ(r.status, kFailure);
    EXPECT_EQ(
        r.err.rfind("'" + hourly + "': Неизвестный формат часового файла, первая строка: 'Time;Bid'", 0), 0u)
        << r.err;
    EXPECT_EQ(r.out, "");
}

TEST_F(HourlyCommandTest, InfoStillDescribesABaseFileUnderAnotherName)
{
    WriteFile(hourly, HourlyText(HourlyFormat::QuoteLine, RoundTheClock(30)));
    ASSERT_EQ(Hourly("KEEP01").status, 0);
    fs::rename(tmp.file("KEEP01.base"), tmp.file("KEEP01.bak"));
    const CliRun r = RunCommand({"info", tmp.file("KEEP01.bak")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.rfind("Инструмент: KEEP01\nWeek: 1 (", 0), 0u) << r.out;
}

} // namespace
} // namespace quillet::cli
