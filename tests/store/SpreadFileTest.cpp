// The spread each hour had, beside the ".base": the file's lines read or
// refused, written with its record and read back into the table, and the
// spread column of an export from a trading platform kept by the hourly
// import. No real export is on this machine: the export below is made to its
// shape (tab-separated, CR LF, the <SPREAD> column last) from the demo
// EURUSD's hourly quotes, with a spread that widens around midnight and at
// the week's open as a broker's does.

#include "store/SpreadFile.h"
#include "model/Dates.h"
#include "model/Errors.h"
#include "store/Files.h"
#include "store/HourlyImport.h"
#include "support/HourlyText.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

namespace quillet {
namespace {

namespace fs = std::filesystem;

TEST(SpreadFile, LinesReadOrAreRefusedNamingTheLine)
{
    const struct {
        const char* Text;
        int Hours;
        std::vector<std::uint16_t> Tenths; // when read
        const char* Error;                 // a part of the refusal, or nullptr
    } rows[] = {
        {"# note\r\n12\r\n  0\t\r\n\r\n65535\r\n", 3, {12, 0, 65535}, nullptr},
        {"7", 1, {7}, nullptr},
        {"", 0, {}, nullptr},
        {"1\n2\n", 3, {}, "в файле 2 значений спреда, а часовых свечей 3"},
        {"1\n65536\n", 2, {}, "строка 2: '65536' не целое число"},
        {"1\n-3\n", 2, {}, "строка 2: '-3'"},
        {"1.5\n", 1, {}, "строка 1: '1.5'"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Text);
        if (!row.Error) {
            EXPECT_EQ(ParseSpread(row.Text, row.Hours), row.Tenths);
            continue;
        }
        try {
            ParseSpread(row.Text, row.Hours);
            ADD_FAILURE() << "read";
        } catch (const Error& e) {
            EXPECT_NE(std::string(e.what()).find(row.Error), std::string::npos) << e.what();
        }
    }
    EXPECT_EQ(SpreadFilePath("/d/EURUSD.base"), "/d/EURUSD.spread");
}

// A record with `hours` hourly candles, as little as the loading needs.
std::unique_ptr<InstrumentTable> WithHours(int hours)
{
    auto table = std::make_unique<InstrumentTable>();
    Instrument& r = table->ScratchSlot();
    StartRecord(r, "EURUSD");
    for (int h = 1; h <= 3; ++h)
        test::SetCandle(r.Week[h], 38000 + 7 * h, "00", 1, 1, 1, 1);
    for (int h = 1; h <= hours; ++h)
        test::SetCandle(r.Hour[h], 38000 + h / 24.0, "00", 1, 1, 1, 1);
    return table;
}

TEST(SpreadFile, WrittenWithItsRecordReadBackAndRemovedWithout)
{
    test::TempDir dir;
    const std::string base = dir.file("EURUSD.base"), spread = dir.file("EURUSD.spread");
    auto table = WithHours(4);
    WriteBaseAndSpread(base, table->ScratchSlot(), {3, 0, 120, 9});
    // The program's plain text: code page 1251, CR LF, a note first.
    EXPECT_EQ(test::ReadFile(spread).substr(test::ReadFile(spread).find("\r\n")),
              "\r\n3\r\n0\r\n120\r\n9\r\n");
    ReadWholeBaseFile(base, 1, *table);
    ASSERT_EQ(table->Spread(1).Hours(), 4);
    EXPECT_EQ(table->Spread(1).At(3), 120);
    table->Clear(1);
    EXPECT_TRUE(table->Spread(1).Empty());

    // A spread that does not fit its record is no spread, and says why.
    test::WriteFile(spread, "1\r\n2\r\n");
    LoadInstrumentForRun(base, 2, *table);
    EXPECT_TRUE(table->Spread(2).Empty());
    EXPECT_NE(table->Spread(2).Problem().find("'" + spread + "' не подходит к EURUSD.base"),
              std::string::npos)
        << table->Spread(2).Problem();

    // Quotes without a spread take an older one away; a missing one is no problem.
    WriteBaseAndSpread(base, table->ScratchSlot(), {});
    EXPECT_FALSE(fs::exists(spread));
    ReadBaseFile(base, 2, *table);
    EXPECT_TRUE(table->Spread(2).Empty());
    EXPECT_EQ(table->Spread(2).Problem(), "");
}

TEST(SpreadFile, ARefusedRecordLeavesBothFilesAsTheyWere)
{
    test::TempDir dir;
    const std::string base = dir.file("EURUSD.base"), spread = dir.file("EURUSD.spread");
    test::WriteFile(spread, "old");
    fs::create_directory(base); // a ".base" that cannot be replaced
    auto table = WithHours(2);
    EXPECT_THROW(WriteBaseAndSpread(base, table->ScratchSlot(), {1, 2}), FileError);
    EXPECT_EQ(test::ReadFile(spread), "old");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 2)
        << "no temporary file left";
}

// The platform's spread is in price steps: a tenth of a point for five- and
// three-digit quotes, a point for four- and two-digit ones.
std::string Steps(const std::string& price, int tenths)
{
    const std::size_t decimals = price.size() - price.find('.') - 1;
    return std::to_string(decimals % 2 == 1 ? tenths : tenths / 10);
}

// The spread a broker quotes at that hour, in tenths: wide at the week's
// open and around midnight, narrow through the sessions.
int BrokerSpread(const test::HourQuote& q, bool weekOpen)
{
    if (weekOpen)
        return 150 + 10 * (q.Day % 7);
    return q.Hour == 0 || q.Hour == 23 ? 40 : 10 + 10 * (q.Hour % 2);
}

class PlatformExport : public ::testing::Test {
  protected:
    void TearDown() override { SetActiveDateFormat(kRegionalDateFormat); }

    // The demo quotes, cut to `decimals` digits, with the broker's spread.
    std::vector<test::HourQuote> Quotes(int decimals, std::vector<std::uint16_t>& tenths) const
    {
        std::vector<test::HourQuote> quotes =
            test::ParseQuoteLines(test::ReadFile(test::DemoDir() + "quotes/EURUSD_H1.csv"));
        for (std::size_t i = 0; i < quotes.size(); ++i) {
            test::HourQuote& q = quotes[i];
            for (std::string* p : {&q.Open, &q.High, &q.Low, &q.Close})
                p->resize(p->find('.') + 1 + static_cast<std::size_t>(decimals), '0');
            const bool weekOpen =
                i == 0 || DateSerial(q.Year, q.Month, q.Day) >
                              DateSerial(quotes[i - 1].Year, quotes[i - 1].Month, quotes[i - 1].Day) + 1;
            const int spread = BrokerSpread(q, weekOpen);
            q.Spread = Steps(q.Open, spread);
            tenths.push_back(static_cast<std::uint16_t>(decimals % 2 == 1 ? spread : spread / 10 * 10));
        }
        return quotes;
    }
    test::TempDir dir;
    InstrumentTable table;
};

TEST_F(PlatformExport, KeepsEachHoursSpreadBesideTheSameRecord)
{
    for (const int decimals : {5, 4}) {
        SCOPED_TRACE(decimals);
        std::vector<std::uint16_t> tenths;
        const std::vector<test::HourQuote> quotes = Quotes(decimals, tenths);
        const std::string exported = dir.file("EURUSD_H1.txt"), plain = dir.file("plain.txt");
        test::WriteFile(exported, test::HourlyText(HourlyFormat::TabBracketed, quotes));
        test::WriteFile(plain, test::HourlyText(HourlyFormat::QuoteLine, quotes));
        const HourlySummary s =
            MakeBaseFromHourlyFile(dir.file("EURUSD.base"), "EURUSD", exported, {}, {}, table);
        MakeBaseFromHourlyFile(dir.file("PLAIN.base"), "EURUSD", plain, {}, {}, table);
        // The record is the one the same quotes give without a spread.
        EXPECT_EQ(test::ReadFile(dir.file("EURUSD.base")), test::ReadFile(dir.file("PLAIN.base")));
        EXPECT_EQ(s.SpreadTenths, tenths);
        EXPECT_FALSE(fs::exists(dir.file("PLAIN.spread")));
        ReadWholeBaseFile(dir.file("EURUSD.base"), 1, table);
        ASSERT_EQ(table.Spread(1).Hours(), static_cast<int>(tenths.size()));
        for (int h = 1; h <= table.Spread(1).Hours(); ++h)
            ASSERT_EQ(table.Spread(1).At(h), tenths[static_cast<std::size_t>(h) - 1]) << h;

        // A period keeps the spread of its own hours.
        const double from = DateSerial(2005, 2, 1), to = DateSerial(2005, 2, 28);
        std::vector<std::uint16_t> february;
        for (std::size_t i = 0; i < quotes.size(); ++i) {
            const double day = DateSerial(quotes[i].Year, quotes[i].Month, quotes[i].Day);
            if (day >= from && day <= to)
                february.push_back(tenths[i]);
        }
        const HourlySummary cut =
            BuildInstrumentFromHourly(table.ScratchSlot(), "EURUSD", test::ReadFile(exported), {from, to});
        EXPECT_EQ(cut.SpreadTenths, february);
    }
}

TEST_F(PlatformExport, ASpreadColumnThatIsNoSpreadIsLeftOutAndSaysWhy)
{
    std::vector<std::uint16_t> tenths;
    std::vector<test::HourQuote> quotes = Quotes(5, tenths);
    quotes.resize(100);
    quotes[41].Spread = "n/a";
    const std::string exported = dir.file("X.txt");
    test::WriteFile(dir.file("EURUSD.spread"), "an older spread");
    test::WriteFile(exported, test::HourlyText(HourlyFormat::TabBracketed, quotes));
    const HourlySummary s =
        MakeBaseFromHourlyFile(dir.file("EURUSD.base"), "EURUSD", exported, {}, {}, table);
    EXPECT_EQ(s.Hours, 100);
    EXPECT_TRUE(s.SpreadTenths.empty());
    EXPECT_EQ(s.SpreadNote, "столбец <SPREAD> не сохранён: Строка 43: спред не целое число шагов цены");
    EXPECT_FALSE(fs::exists(dir.file("EURUSD.spread")));
}

} // namespace
} // namespace quillet
