// The demo instruments: written once per test process into a temporary
// directory, then loaded the way start-up loads them and examined as a
// trader would: are the weeks, days and hours where they belong, do the
// candles agree with one another, do the prices look like the pair?

#include "demo/DemoData.h"
#include "cli/CliTestSupport.h"
#include "model/Dates.h"
#include "model/Instrument.h"
#include "model/Numbers.h"
#include "rule/TradeRules.h"
#include "store/Files.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace quillet::cli {
namespace {

namespace fs = std::filesystem;
using demo::kDemoPairCount;
using test::ReadFile;
using test::TempDir;

const std::vector<std::string> kPairNames = {"AUDJPY", "AUDUSD", "EURJPY", "GBPUSD",
                                             "EURAUD", "EURUSD", "EURCAD"};

/// Day of the week of a day serial, 0 = Sunday ... 6 = Saturday (the
/// serial's day 1, 31 December 1899, was a Sunday).
int Weekday(double serial)
{
    return static_cast<int>(((static_cast<long long>(serial) - 1) % 7 + 7) % 7);
}

std::string TimeText(const Candle& c)
{
    return ShortStringText(c.Time);
}

/// Index of the hour in the trading week: Monday 00:00 is 0, Friday 23:00 is 119.
int HourOfWeek(const Candle& hour, double sunday)
{
    return (static_cast<int>(hour.Date - sunday) - 1) * 24 + std::stoi(TimeText(hour));
}

class DemoDataTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite()
    {
        tmp = new TempDir;
        // The command goes over the leftovers of an older demo, which it
        // replaces rather than extends.
        dir = tmp->file("demo");
        fs::create_directories(dir + "/quotes");
        test::WriteFile(dir + "/config", "OLDPAIR\r\n");
        test::WriteFile(dir + "/EURUSD.base", "short");
        test::WriteFile(dir + "/quotes/EURUSD_H1.csv", "2005.01.10,00:00,1.2,1.2,1.2,1.2,1\r\n");
        demo = new CliRun(RunCommand({"demo-data", dir}));
        if (demo->status != 0)
            return;
        for (int k = 0; k < kDemoPairCount; ++k)
            ReadBaseFile(Base(kPairNames[k]), kFirstSlot + k);
    }

    static void TearDownTestSuite()
    {
        delete demo;
        delete tmp;
    }

    void SetUp() override { ASSERT_EQ(demo->status, 0) << demo->err; }

    static std::string Base(const std::string& name) { return dir + "/" + name + ".base"; }
    static std::string Quotes(const std::string& name, const char* tf)
    {
        return dir + "/quotes/" + name + "_" + tf + ".csv";
    }
    // The pairs are loaded away from slot 1, which info reads into.
    static constexpr int kFirstSlot = 11;
    static const Instrument& Pair(int k) { return Table()[kFirstSlot + k]; }

    static TempDir* tmp;
    static std::string dir;
    static CliRun* demo;
};

TempDir* DemoDataTest::tmp = nullptr;
std::string DemoDataTest::dir;
CliRun* DemoDataTest::demo = nullptr;

TEST_F(DemoDataTest, WritesSevenFullBaseFilesTheirQuotesAndTheConfig)
{
    EXPECT_EQ(demo->err, "");
    EXPECT_EQ(ReadFile(dir + "/config"),
              "AUDJPY\r\nAUDUSD\r\nEURJPY\r\nGBPUSD\r\nEURAUD\r\nEURUSD\r\nEURCAD\r\n");
    EXPECT_EQ(ReadInstrumentList(dir + "/config"), kPairNames);
    for (const auto& name : kPairNames) {
        SCOPED_TRACE(name);
        EXPECT_EQ(fs::file_size(Base(name)), 9'360'152u);
        for (const char* tf : {"W1", "D1", "H1"})
            EXPECT_TRUE(fs::is_regular_file(Quotes(name, tf))) << tf;
        EXPECT_NE(demo->out.find(name + ": Week 537, Day "), std::string::npos) << demo->out;
    }
    EXPECT_NE(demo->out.find("Готово: " + dir + "/config\n"), std::string::npos) << demo->out;
    // Nothing else lands in the directory (no temporary files left behind).
    int entries = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir))
        ++entries;
    EXPECT_EQ(entries, 7 + 1 + 1);
    int quoteFiles = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir + "/quotes"))
        ++quoteFiles;
    EXPECT_EQ(quoteFiles, 21);
    // Each record carries its pair's name.
    for (int k = 0; k < kDemoPairCount; ++k) {
        EXPECT_EQ(ShortStringText(Pair(k).Name), kPairNames[k]);
        EXPECT_TRUE(InstrumentExists(Pair(k)));
    }
}

// Weekly candles are dated on the Sunday before their trading week; days and
// hours lie from Monday to Friday.
TEST_F(DemoDataTest, CandlesFollowTheTradingWeek)
{
    // 537 consecutive Sundays.
    for (int k = 0; k < kDemoPairCount; ++k) {
        SCOPED_TRACE(kPairNames[k]);
        const CandleSeries& week = Pair(k).Week;
        ASSERT_EQ(FirstEmptyIndex(week, 1), 538);
        EXPECT_EQ(week[1].Date, DateSerial(2005, 1, 9));
        EXPECT_EQ(week[536].Date, DateSerial(2015, 4, 12));
        EXPECT_EQ(week[537].Date, DateSerial(2015, 4, 19));
        for (int i = 1; i <= 537; ++i) {
            ASSERT_EQ(Weekday(week[i].Date), 0) << "week " << i;
            ASSERT_EQ(TimeText(week[i]), "00") << "week " << i;
            if (i > 1) {
                ASSERT_EQ(week[i].Date - week[i - 1].Date, 7.0) << "week " << i;
            }
        }
    }

    // Days on weekdays, in order.
    for (int k = 0; k < kDemoPairCount; ++k) {
        SCOPED_TRACE(kPairNames[k]);
        const CandleSeries& day = Pair(k).Day;
        const int end = FirstEmptyIndex(day, 1);
        // Five days a week, less the odd holiday and idle Monday.
        EXPECT_GT(end - 1, 537 * 5 - 60);
        EXPECT_LE(end - 1, 537 * 5);
        for (int i = 1; i < end; ++i) {
            const int wd = Weekday(day[i].Date);
            ASSERT_TRUE(wd >= 1 && wd <= 5) << "day " << i << ": " << FormatDate(day[i].Date, "dd.MM.yyyy");
            ASSERT_EQ(TimeText(day[i]), "00") << "day " << i;
            if (i > 1) {
                ASSERT_GT(day[i].Date, day[i - 1].Date) << "day " << i;
            }
        }
        // No quotes on Christmas Day or New Year's Day.
        for (int i = 1; i < end; ++i) {
            CivilDate d{};
            ASSERT_TRUE(DecodeDate(day[i].Date, d));
            EXPECT_FALSE((d.Month == 12 && d.Day == 25) || (d.Month == 1 && d.Day == 1)) << "day " << i;
        }
    }

    // Hours from Monday 00:00 to Friday 23:00, in order.
    for (int k = 0; k < kDemoPairCount; ++k) {
        SCOPED_TRACE(kPairNames[k]);
        const CandleSeries& hour = Pair(k).Hour;
        const int end = FirstEmptyIndex(hour, 1);
        // Under the 65000 a series holds, and only a few hundred hours short of 537 full weeks.
        EXPECT_LT(end - 1, 65000);
        EXPECT_LT(end - 1, 537 * 120);
        EXPECT_GT(end - 1, 537 * 120 - 1200);
        const std::regex twoDigits("([01][0-9]|2[0-3])");
        for (int i = 1; i < end; ++i) {
            const Candle& c = hour[i];
            const int wd = Weekday(c.Date);
            ASSERT_TRUE(wd >= 1 && wd <= 5) << "hour " << i;
            ASSERT_TRUE(std::regex_match(TimeText(c), twoDigits))
                << "hour " << i << ": '" << TimeText(c) << "'";
            if (i > 1) {
                const Candle& prev = hour[i - 1];
                const bool later =
                    c.Date > prev.Date || (c.Date == prev.Date && TimeText(c) > TimeText(prev));
                ASSERT_TRUE(later) << "hour " << i;
            }
        }
        EXPECT_EQ(hour[1].Date, DateSerial(2005, 1, 10));
        EXPECT_EQ(hour[end - 1].Date, DateSerial(2015, 4, 24));
        EXPECT_EQ(TimeText(hour[end - 1]), "23");
    }
}

TEST_F(DemoDataTest, DaysAndWeeksAreTheAggregatesOfTheirHours)
{
    for (int k = 0; k < kDemoPairCount; ++k) {
        SCOPED_TRACE(kPairNames[k]);
        const Instrument& inst = Pair(k);
        const int hourEnd = FirstEmptyIndex(inst.Hour, 1);
        const int dayEnd = FirstEmptyIndex(inst.Day, 1);
        int h = 1;
        int d = 1;
        for (int w = 1; w <= 537; ++w) {
            const Candle& week = inst.Week[w];
            ASSERT_LT(h, hourEnd) << "week " << w << " has no hours";
            ASSERT_GE(inst.Hour[h].Date, week.Date + 1) << "week " << w;
            ASSERT_EQ(inst.Hour[h].Open, week.Open) << "week " << w;
            double high = -HUGE_VAL, low = HUGE_VAL, close = 0;
            while (h < hourEnd && inst.Hour[h].Date <= week.Date + 5) {
                // The hours of one day, against that day's candle.
                ASSERT_LT(d, dayEnd) << "week " << w;
                const Candle& day = inst.Day[d];
                ASSERT_EQ(inst.Hour[h].Date, day.Date) << "day " << d;
                ASSERT_EQ(inst.Hour[h].Open, day.Open) << "day " << d;
                double dayHigh = -HUGE_VAL, dayLow = HUGE_VAL, dayClose = 0;
                for (; h < hourEnd && inst.Hour[h].Date == day.Date; ++h) {
                    dayHigh = std::max(dayHigh, inst.Hour[h].High);
                    dayLow = std::min(dayLow, inst.Hour[h].Low);
                    dayClose = inst.Hour[h].Close;
                }
                EXPECT_EQ(day.High, dayHigh) << "day " << d;
                EXPECT_EQ(day.Low, dayLow) << "day " << d;
                EXPECT_EQ(day.Close, dayClose) << "day " << d;
                high = std::max(high, dayHigh);
                low = std::min(low, dayLow);
                close = dayClose;
                ++d;
            }
            EXPECT_EQ(week.High, high) << "week " << w;
            EXPECT_EQ(week.Low, low) << "week " << w;
            EXPECT_EQ(week.Close, close) << "week " << w;
        }
        EXPECT_EQ(h, hourEnd) << "hours after the last week";
        EXPECT_EQ(d, dayEnd) << "days after the last week";
    }
}

TEST_F(DemoDataTest, SomeHoursAndSomeMondaysAreMissingAsInRealData)
{
    for (int k = 0; k < kDemoPairCount; ++k) {
        SCOPED_TRACE(kPairNames[k]);
        const Instrument& inst = Pair(k);
        const int hourEnd = FirstEmptyIndex(inst.Hour, 1);
        int weeksStartingLate = 0;
        int shortDays = 0;
        int h = 1;
        for (int w = 1; w <= 537; ++w) {
            const double sunday = inst.Week[w].Date;
            ASSERT_LT(h, hourEnd);
            const int first = HourOfWeek(inst.Hour[h], sunday);
            ASSERT_GE(first, 0) << "week " << w;
            if (first >= 24)
                ++weeksStartingLate;
            while (h < hourEnd && inst.Hour[h].Date <= sunday + 5) {
                const double date = inst.Hour[h].Date;
                int count = 0;
                for (; h < hourEnd && inst.Hour[h].Date == date; ++h) {
                    ASSERT_LT(HourOfWeek(inst.Hour[h], sunday), 120) << "hour " << h;
                    ++count;
                }
                if (count < 24)
                    ++shortDays;
            }
        }
        // A Monday without quotes now and then (the week's trading then starts on Tuesday) ...
        EXPECT_GE(weeksStartingLate, 2);
        EXPECT_LE(weeksStartingLate, 30);
        // ... and a few days with an hour or two missing.
        EXPECT_GE(shortDays, 20);
        EXPECT_LE(shortDays, 300);
        // The history ends with the last week's Friday 23:00.
        EXPECT_EQ(HourOfWeek(inst.Hour[hourEnd - 1], inst.Week[537].Date), 119);
    }
}

struct PriceBand {
    const char* name;
    double low, high;     // every price lies within
    double minSpanPoints; // the history travels at least this far
};

TEST_F(DemoDataTest, PricesStayWithinEachPairsRealisticBand)
{
    const PriceBand bands[] = {
        {"AUDJPY", 75.0, 110.0, 1500}, {"AUDUSD", 0.62, 1.10, 1500}, {"EURJPY", 105.0, 150.0, 1500},
        {"GBPUSD", 1.30, 1.65, 1500},  {"EURAUD", 1.20, 1.65, 1500}, {"EURUSD", 1.05, 1.60, 1500},
        {"EURCAD", 1.20, 1.65, 1500},
    };
    for (int k = 0; k < kDemoPairCount; ++k) {
        const PriceBand& band = bands[k];
        SCOPED_TRACE(band.name);
        ASSERT_EQ(kPairNames[k], band.name);
        const double m = PointMultiplier(band.name);
        const double decimals = m == 100 ? 1000 : 100000;
        double lowest = 1e9, highest = 0;
        for (const CandleSeries* series : {&Pair(k).Week, &Pair(k).Day, &Pair(k).Hour}) {
            const int end = FirstEmptyIndex(*series, 1);
            for (int i = 1; i < end; ++i) {
                const Candle& c = (*series)[i];
                ASSERT_GE(c.Low, band.low) << i;
                ASSERT_LE(c.High, band.high) << i;
                ASSERT_LE(c.Low, std::min(c.Open, c.Close)) << i;
                ASSERT_GE(c.High, std::max(c.Open, c.Close)) << i;
                for (double p : {c.Open, c.High, c.Low, c.Close})
                    ASSERT_NEAR(p * decimals, std::nearbyint(p * decimals), 1e-6)
                        << "more decimals than quoted: " << p;
                lowest = std::min(lowest, c.Low);
                highest = std::max(highest, c.High);
            }
        }
        EXPECT_GT((highest - lowest) * m, band.minSpanPoints);
    }
}

TEST_F(DemoDataTest, WeeklyBodiesOftenReachTheDefaultSignalSize)
{
    for (int k = 0; k < kDemoPairCount; ++k) {
        SCOPED_TRACE(kPairNames[k]);
        const double m = PointMultiplier(kPairNames[k]);
        int signals = 0;
        int bigWeeks = 0;
        for (int i = 1; i <= 537; ++i) {
            const Candle& w = Pair(k).Week[i];
            const auto body = RoundToInt32(std::fabs(PointDifference(w.Open, w.Close, m)));
            signals += body >= 85;
            bigWeeks += body >= 150;
        }
        // 20 to 40 per cent of the weeks are signals for the default rule;
        // a few are big enough for the widest setting too.
        EXPECT_GE(signals, 537 * 20 / 100);
        EXPECT_LE(signals, 537 * 40 / 100);
        EXPECT_GE(bigWeeks, 10);
    }
}

TEST_F(DemoDataTest, QuoteFilesAreBrokerStyleTextWithCrLf)
{
    const std::regex price5(R"(\d\.\d{5})");
    const std::regex price3(R"(\d{2,3}\.\d{3})");
    const std::regex dateText(R"(\d{4}\.\d{2}\.\d{2})");
    const std::regex timeText(R"(\d{2}:00)");
    for (int k = 0; k < kDemoPairCount; ++k) {
        const std::string& name = kPairNames[k];
        const std::regex& price = PointMultiplier(name) == 100 ? price3 : price5;
        for (const char* tf : {"W1", "D1", "H1"}) {
            SCOPED_TRACE(name + "_" + tf);
            const std::string text = ReadFile(Quotes(name, tf));
            ASSERT_GE(text.size(), 2u);
            ASSERT_EQ(text.substr(text.size() - 2), "\r\n");
            std::size_t lines = 0;
            for (std::size_t pos = 0; pos < text.size(); ++lines) {
                const std::size_t lf = text.find('\n', pos);
                ASSERT_NE(lf, std::string::npos);
                ASSERT_GT(lf, pos);
                ASSERT_EQ(text[lf - 1], '\r') << "line " << lines + 1;
                const std::string line = text.substr(pos, lf - 1 - pos);
                pos = lf + 1;
                // Only every few hundredth line is checked in full: the regexes are slow.
                if (lines % 97 != 0)
                    continue;
                std::vector<std::string> fields;
                std::stringstream s(line);
                for (std::string f; std::getline(s, f, ',');)
                    fields.push_back(f);
                ASSERT_EQ(fields.size(), 7u) << line;
                EXPECT_TRUE(std::regex_match(fields[0], dateText)) << line;
                EXPECT_TRUE(std::regex_match(fields[1], timeText)) << line;
                for (int i = 2; i <= 5; ++i)
                    EXPECT_TRUE(std::regex_match(fields[i], price)) << line;
                EXPECT_TRUE(std::regex_match(fields[6], std::regex(R"([1-9]\d*)"))) << line;
            }
            // One line per candle of the series built from the file.
            const CandleSeries& series = tf[0] == 'W'   ? Pair(k).Week
                                         : tf[0] == 'D' ? Pair(k).Day
                                                        : Pair(k).Hour;
            EXPECT_EQ(lines, static_cast<std::size_t>(FirstEmptyIndex(series, 1) - 1));
        }
    }

    // The first candles of the demo, pinned: a change in the generator, or a
    // machine on which it draws differently, shows up here.
    const auto firstLine = [](const std::string& path) {
        const std::string text = ReadFile(path);
        return text.substr(0, text.find('\n') + 1);
    };
    EXPECT_EQ(firstLine(Quotes("EURUSD", "W1")),
              "2005.01.09,00:00,1.34226,1.34319,1.33006,1.33022,21272\r\n");
    EXPECT_EQ(firstLine(Quotes("EURUSD", "H1")), "2005.01.10,00:00,1.34226,1.34278,1.34172,1.34182,189\r\n");
    EXPECT_EQ(firstLine(Quotes("AUDJPY", "W1")), "2005.01.09,00:00,80.574,81.234,80.330,81.092,19959\r\n");
    EXPECT_EQ(firstLine(Quotes("AUDJPY", "D1")), "2005.01.10,00:00,80.574,80.753,80.423,80.523,3576\r\n");
    // And every byte of every quote file, through a 64-bit FNV-1a digest.
    std::uint64_t digest = 14695981039346656037ull;
    for (const auto& name : kPairNames)
        for (const char* tf : {"W1", "D1", "H1"})
            for (const unsigned char byte : ReadFile(Quotes(name, tf)))
                digest = (digest ^ byte) * 1099511628211ull;
    EXPECT_EQ(digest, 0x2761195546204f2aull);
}

TEST_F(DemoDataTest, InfoDescribesADemoInstrument)
{
    // demo-data imported quotes in this process, so dates read "yyyy mm dd".
    const CliRun info = RunCommand({"info", Base("EURUSD")});
    ASSERT_EQ(info.status, 0) << info.err;
    const int days = FirstEmptyIndex(Pair(5).Day, 1) - 1;
    const int hours = FirstEmptyIndex(Pair(5).Hour, 1) - 1;
    EXPECT_EQ(info.out, "Инструмент: EURUSD\n"
                        "Week: 537 (2005 01 09 - 2015 04 19)\n"
                        "Day: " +
                            std::to_string(days) +
                            " (2005 01 10 - 2015 04 24)\n"
                            "Hour: " +
                            std::to_string(hours) + " (2005 01 10 - 2015 04 24)\n");
}

TEST_F(DemoDataTest, InfoInAFreshProcessShowsRegionalDates)
{
    const std::string outFile = tmp->file("info.txt");
    const std::string command =
        std::string("\"") + QUILLET_CLI_PATH + "\" info \"" + Base("AUDJPY") + "\" > \"" + outFile + "\"";
    ASSERT_EQ(std::system(command.c_str()), 0);
    const std::string out = ReadFile(outFile);
    EXPECT_EQ(out.substr(0, out.find("Day:")), "Инструмент: AUDJPY\nWeek: 537 (09.01.2005 - 19.04.2015)\n");
}

// Every run writes the very same bytes: the demo is the same on every run
// and every machine. The demo the build wrote for the tests, in a process of
// its own and into a folder it had to create, is the same as this one,
// written over an older demo.
TEST_F(DemoDataTest, EveryRunWritesTheSameBytes)
{
    const auto listFiles = [](const std::string& root) {
        std::vector<std::string> files;
        for (const auto& e : fs::recursive_directory_iterator(root))
            if (e.is_regular_file())
                files.push_back(fs::relative(e.path(), root).string());
        std::sort(files.begin(), files.end());
        return files;
    };
    const std::vector<std::string> files = listFiles(dir);
    ASSERT_EQ(files.size(), 7u + 21u + 1u);
    ASSERT_EQ(listFiles(test::DemoDir()), files);
    for (const auto& f : files)
        EXPECT_TRUE(ReadFile(dir + "/" + f) == ReadFile(test::DemoDir() + f)) << f << " differs";
}

TEST(DemoDataCommandTest, RefusesADirectoryItCannotCreate)
{
    TempDir tmp;
    test::WriteFile(tmp.file("plain"), "not a directory");
    const CliRun r = RunCommand({"demo-data", tmp.file("plain") + "/demo"});
    EXPECT_EQ(r.status, kFailure);
    EXPECT_NE(r.err.find("Не удаётся создать папку '" + tmp.file("plain") + "/demo/quotes'"),
              std::string::npos)
        << r.err;
    EXPECT_FALSE(fs::exists(tmp.file("plain") + "/demo"));
}

TEST(DemoDataCommandTest, WithoutADirectoryWritesInTheProgramsFolder)
{
    // Run from a build, the program's folder is the current one (an
    // installed program's is tested in DataFolderTest).
    TempDir tmp;
    const auto previous = fs::current_path();
    fs::current_path(tmp.path());
    const CliRun r = RunCommand({"demo-data"});
    fs::current_path(previous);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(test::ReadFile(tmp.file("config")), test::ReadFile(test::DemoDir() + "/config"));
    EXPECT_EQ(test::ReadFile(tmp.file("EURCAD.base")), test::ReadFile(test::DemoDir() + "/EURCAD.base"));
}

} // namespace
} // namespace quillet::cli
