// The spread each hour had, beside the ".base": the file's lines read or
// refused, written with its record and read back into the table, and the
// spread column of a trading platform's export kept by the hourly import. No
// real export is on this machine: the one below is made to its shape
// (tab-separated, CR LF, <SPREAD> last, in price steps) from the demo
// EURUSD's hourly quotes, with a spread that widens around midnight.

#include "store/SpreadFile.h"
#include "model/Dates.h"
#include "model/Errors.h"
#include "store/Files.h"
#include "store/HourlyImport.h"
#include "support/HourlyText.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace quillet {
namespace {

namespace fs = std::filesystem;

TEST(SpreadFile, LinesReadOrAreRefusedNamingTheLine)
{
    EXPECT_EQ(ParseSpread("# note\r\n12\r\n  0\t\r\n\r\n65535\r\n", 3),
              (std::vector<std::uint16_t>{12, 0, 65535}));
    const std::pair<const char*, const char*> refused[] = {
        {"1\n2\n", "в файле 2 значений спреда, а часовых свечей 3"},
        {"1\n65536\n3\n", "строка 2: '65536' не целое число десятых долей пункта от 0 до 65535"},
        {"1\n-3\n3\n", "строка 2: '-3'"},
        {"1.5\n2\n3\n", "строка 1: '1.5'"},
    };
    for (const auto& [text, error] : refused)
        try {
            ParseSpread(text, 3);
            ADD_FAILURE() << text;
        } catch (const Error& e) {
            EXPECT_NE(std::string(e.what()).find(error), std::string::npos) << e.what();
        }
}

TEST(SpreadFile, APlatformsExportKeepsEachHoursSpreadBesideTheSameRecord)
{
    test::TempDir dir;
    InstrumentTable table;
    std::vector<test::HourQuote> quotes =
        test::ParseQuoteLines(test::ReadFile(test::DemoDir() + "quotes/EURUSD_H1.csv"));
    for (const int decimals : {5, 4}) {
        SCOPED_TRACE(decimals);
        // A tenth of a point is a five-digit quote's step, a point a four-digit one's.
        std::vector<std::uint16_t> tenths;
        for (test::HourQuote& q : quotes) {
            for (std::string* p : {&q.Open, &q.High, &q.Low, &q.Close})
                p->resize(p->find('.') + 1 + static_cast<std::size_t>(decimals), '0');
            const int steps = q.Hour == 0 ? 6 : q.Hour >= 21 ? 3 : 1;
            q.Spread = std::to_string(decimals == 5 ? 10 * steps : steps);
            tenths.push_back(static_cast<std::uint16_t>(10 * steps));
        }
        test::WriteFile(dir.file("export.txt"), test::HourlyText(HourlyFormat::TabBracketed, quotes));
        test::WriteFile(dir.file("plain.txt"), test::HourlyText(HourlyFormat::QuoteLine, quotes));
        const HourlySummary s =
            MakeBaseFromHourlyFile(dir.file("EURUSD.base"), "EURUSD", dir.file("export.txt"), {}, {}, table);
        EXPECT_EQ(s.SpreadTenths, tenths);
        MakeBaseFromHourlyFile(dir.file("PLAIN.base"), "EURUSD", dir.file("plain.txt"), {}, {}, table);
        EXPECT_EQ(test::ReadFile(dir.file("EURUSD.base")), test::ReadFile(dir.file("PLAIN.base")));
        LoadInstrumentForRun(dir.file("EURUSD.base"), 1, table);
        EXPECT_EQ(table.Spread(1).At(s.Hours), tenths.back());
        EXPECT_TRUE(test::ReadFile(dir.file("EURUSD.spread"))
                        .ends_with("\r\n" + std::to_string(tenths.back()) + "\r\n"));

        // A period keeps its own hours' spreads.
        const HourlySummary cut =
            BuildInstrumentFromHourly(table.ScratchSlot(), "EURUSD", test::ReadFile(dir.file("export.txt")),
                                      {DateSerial(2005, 1, 11), DateSerial(2005, 1, 11)});
        EXPECT_EQ(cut.SpreadTenths, std::vector<std::uint16_t>(tenths.begin() + 24, tenths.begin() + 48));
    }
    // One that does not fit its record is no spread, and says why; quotes
    // without a spread take it away.
    test::WriteFile(dir.file("EURUSD.spread"), "1\r\n2\r\n");
    ReadBaseFile(dir.file("EURUSD.base"), 2, table);
    EXPECT_NE(table.Spread(2).Problem().find("не подходит к EURUSD.base: в файле 2 значений"),
              std::string::npos);
    MakeBaseFromHourlyFile(dir.file("EURUSD.base"), "EURUSD", dir.file("plain.txt"), {}, {}, table);
    EXPECT_FALSE(fs::exists(dir.file("EURUSD.spread")));

    // A column that is no spread is not kept, and the import says so.
    quotes.resize(100);
    quotes[41].Spread = "n/a";
    const HourlySummary s = BuildInstrumentFromHourly(table.ScratchSlot(), "EURUSD",
                                                      test::HourlyText(HourlyFormat::TabBracketed, quotes));
    EXPECT_EQ(s.Hours, 100);
    EXPECT_TRUE(s.SpreadTenths.empty());
    EXPECT_EQ(s.SpreadNote, "столбец <SPREAD> не сохранён: Строка 43: спред не целое число шагов цены");
}

} // namespace
} // namespace quillet
