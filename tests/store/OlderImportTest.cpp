// The older import of seven instruments from "<name><series>.csv" files
// into slots 1 to 7, and the save of those slots as one file.

#include "store/OlderImport.h"
#include "model/Dates.h"
#include "model/Errors.h"
#include "store/Files.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace quillet {
namespace {

using test::ReadFile;
using test::SetCandle;
using test::TempDir;
using test::WriteFile;

const std::vector<std::string> kSevenPairs{"AUDJPY", "AUDUSD", "EURJPY", "GBPUSD",
                                           "EURAUD", "EURUSD", "EURCAD"};

// A quote line as the older files hold them: dates year first, "." in prices.
std::string QuoteLine(const std::string& date, const std::string& time, const std::string& price)
{
    return date + "," + time + "," + price + "," + price + "," + price + "," + price + ",100";
}

class OlderImportTest : public ::testing::Test {
  protected:
    void TearDown() override { SetActiveDateFormat(kRegionalDateFormat); }

    // Writes the three series files of one name, each with `lines` lines of
    // consecutive days from 9 January 2005 and prices counting up from 1.0001.
    void WriteSeries(const std::string& name, int lines)
    {
        for (int j = 1; j <= 3; ++j) {
            std::string text;
            for (int n = 0; n < lines; ++n) {
                const std::string date = FormatDate(DateSerial(2005, 1, 9) + n, kImportDateFormat);
                // "2005 01 09" -> "2005.01.09"
                std::string dotted = date;
                std::replace(dotted.begin(), dotted.end(), ' ', '.');
                text += QuoteLine(dotted, "1" + std::to_string(j) + ":00", "1.000" + std::to_string(n % 10)) +
                        "\r\n";
            }
            WriteFile(OlderQuoteFileName(dir.dir(), name, j), text);
        }
    }

    void WriteAllSeven(int lines)
    {
        for (const std::string& name : kSevenPairs)
            WriteSeries(name, lines);
    }

    std::string ErrorOf(const std::vector<std::string>& names)
    {
        try {
            ImportOlderInstruments(dir.dir(), names, table);
        } catch (const Error& e) {
            return e.what();
        }
        return "(no error)";
    }

    TempDir dir;
    InstrumentTable table;
};

TEST(OlderQuoteFileNameTest, NameThenSeriesDigitThenCsv)
{
    EXPECT_EQ(OlderQuoteFileName("/q/33/", "AUDJPY", 1), "/q/33/AUDJPY1.csv");
    EXPECT_EQ(OlderQuoteFileName("/q/33/", "AUDJPY", 2), "/q/33/AUDJPY2.csv");
    EXPECT_EQ(OlderQuoteFileName("/q/33/", "EURUSD", 3), "/q/33/EURUSD3.csv");
    EXPECT_EQ(OlderQuoteFileName("/q/", "", 3), "/q/3.csv");
}

TEST_F(OlderImportTest, LinesBecomeCandlesFromIndexZero)
{
    WriteAllSeven(3);
    WriteFile(OlderQuoteFileName(dir.dir(), "AUDJPY", 2), QuoteLine("2005.01.10", "13:00", "95.125") + "\n" +
                                                              QuoteLine("2005.01.11", "7", "95.5") + "\n");
    ASSERT_EQ(ErrorOf(kSevenPairs), "(no error)");

    EXPECT_EQ(ActiveDateFormat(), kImportDateFormat);
    for (int slot = 1; slot <= 7; ++slot)
        EXPECT_EQ(ShortStringText(table[slot].Name), kSevenPairs[slot - 1]);

    const CandleSeries& day = table[1].Day;
    EXPECT_EQ(day[0].Date, DateSerial(2005, 1, 10));
    EXPECT_EQ(ShortStringText(day[0].Time), "13");
    EXPECT_EQ(day[0].Open, 95.125);
    EXPECT_EQ(day[0].High, 95.125);
    EXPECT_EQ(day[0].Low, 95.125);
    EXPECT_EQ(day[0].Close, 95.125);
    EXPECT_EQ(ShortStringText(day[1].Time), "7");
    EXPECT_EQ(day[1].Close, 95.5);
    EXPECT_FALSE(CandleExists(day[2]));
    EXPECT_EQ(FirstEmptyIndex(day, 1), 2); // the number of candles of a series from index 0

    const CandleSeries& hour = table[7].Hour;
    EXPECT_EQ(hour[2].Date, DateSerial(2005, 1, 11));
    EXPECT_EQ(ShortStringText(hour[2].Time), "13");
    EXPECT_EQ(hour[2].Open, 1.0002);
    EXPECT_EQ(FirstEmptyIndex(hour, 1), 3);
    // The weekly series starts at index 0, so the instrument exists.
    EXPECT_TRUE(InstrumentExists(table[7]));
    EXPECT_FALSE(CandleExists(table[8].Week[0]));
}

TEST_F(OlderImportTest, NameIsCutToSixCharacters)
{
    WriteAllSeven(2);
    std::vector<std::string> names = kSevenPairs;
    names[2] = "EURJPYX";
    for (int j = 1; j <= 3; ++j)
        WriteFile(OlderQuoteFileName(dir.dir(), "EURJPYX", j),
                  ReadFile(OlderQuoteFileName(dir.dir(), "EURJPY", j)));
    ASSERT_EQ(ErrorOf(names), "(no error)");
    EXPECT_EQ(ShortStringText(table[3].Name), "EURJPY");
}

TEST_F(OlderImportTest, MissingNamesReadAsEmpty)
{
    // Two names for seven slots: slots 3 to 7 read "1.csv", "2.csv", "3.csv".
    WriteSeries("AUDJPY", 2);
    WriteSeries("AUDUSD", 2);
    WriteSeries("", 4);
    ASSERT_EQ(ErrorOf({"AUDJPY", "AUDUSD"}), "(no error)");
    EXPECT_EQ(ShortStringText(table[2].Name), "AUDUSD");
    for (int slot = 3; slot <= 7; ++slot) {
        EXPECT_EQ(table[slot].Name.Length, 0) << slot;
        EXPECT_EQ(FirstEmptyIndex(table[slot].Hour, 1), 4) << slot;
    }
}

TEST_F(OlderImportTest, ANameLeadingOutOfTheFolderIsRefusedBeforeAnythingIsRead)
{
    // "../EVIL" would read EVIL1.csv from the folder above.
    WriteAllSeven(2);
    const std::string inner = (dir.path() / "quotes").string() + "/";
    std::filesystem::create_directory(inner);
    for (int j = 1; j <= 3; ++j)
        std::filesystem::copy_file(OlderQuoteFileName(dir.dir(), "AUDJPY", j),
                                   OlderQuoteFileName(inner, "AUDJPY", j));
    std::vector<std::string> names = kSevenPairs;
    names[1] = "../EVIL";
    WriteSeries("EVIL", 2);
    SetActiveDateFormat(kRegionalDateFormat);

    try {
        ImportOlderInstruments(inner, names, table);
        FAIL() << "the name was accepted";
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()).rfind("Недопустимое имя инструмента '../EVIL': ", 0), 0u) << e.what();
    }
    EXPECT_FALSE(CandleExists(table[1].Week[0])) << "slot 1 comes before the refused name and stays empty";
    EXPECT_EQ(ActiveDateFormat(), std::string(kRegionalDateFormat));
}

TEST_F(OlderImportTest, MissingFileNamesItAndKeepsWhatWasFilled)
{
    WriteAllSeven(2);
    std::filesystem::remove(OlderQuoteFileName(dir.dir(), "AUDUSD", 2));
    SetCandle(table[2].Day[0], 1.0, "99", 9, 9, 9, 9);

    EXPECT_EQ(ErrorOf(kSevenPairs),
              "Cannot open file \"" + OlderQuoteFileName(dir.dir(), "AUDUSD", 2) + "\". File not found");
    // Slot 1 whole and the weekly series of slot 2 were read before.
    EXPECT_EQ(FirstEmptyIndex(table[1].Hour, 1), 2);
    EXPECT_EQ(ShortStringText(table[2].Name), "AUDUSD");
    EXPECT_EQ(FirstEmptyIndex(table[2].Week, 1), 2);
    EXPECT_EQ(ShortStringText(table[2].Day[0].Time), "99");
    EXPECT_FALSE(CandleExists(table[2].Hour[0]));
    EXPECT_FALSE(CandleExists(table[3].Week[0]));
}

TEST_F(OlderImportTest, ALongerSeriesKeepsItsLaterCandles)
{
    for (int i = 0; i < 5; ++i)
        SetCandle(table[4].Week[i], 100.0 + i, "00", 2, 2, 2, 2);
    WriteAllSeven(2);
    ASSERT_EQ(ErrorOf(kSevenPairs), "(no error)");
    EXPECT_EQ(table[4].Week[1].Date, DateSerial(2005, 1, 10));
    EXPECT_EQ(table[4].Week[2].Date, 102.0);
    EXPECT_EQ(table[4].Week[4].Date, 104.0);
    EXPECT_EQ(FirstEmptyIndex(table[4].Week, 1), 5);
}

TEST_F(OlderImportTest, FileFillingCandle65000IsTakenWhole)
{
    WriteAllSeven(1);
    WriteSeries("AUDJPY", kSeriesCapacity); // lines 0 .. 65000
    ASSERT_EQ(ErrorOf(kSevenPairs), "(no error)");
    EXPECT_TRUE(CandleExists(table[1].Hour[kLastCandleIndex]));
    EXPECT_EQ(FirstEmptyIndex(table[1].Hour, 1), kSeriesCapacity);
    // The slot after it is untouched by the long series.
    EXPECT_EQ(ShortStringText(table[2].Name), "AUDUSD");
    EXPECT_EQ(FirstEmptyIndex(table[2].Week, 1), 1);
}

TEST_F(OlderImportTest, FileLongerThanASeriesIsRefusedBeforeAnyLineIsStored)
{
    WriteAllSeven(1);
    WriteSeries("AUDUSD", kSeriesCapacity + 1);
    SetCandle(table[2].Week[0], 7.0, "77", 7, 7, 7, 7);
    // A neighbour's first candle lies right after candle 65000 of a series.
    SetCandle(table[2].Day[0], 8.0, "88", 8, 8, 8, 8);

    EXPECT_EQ(ErrorOf(kSevenPairs), "Слишком много строк в файле \"" +
                                        OlderQuoteFileName(dir.dir(), "AUDUSD", 1) +
                                        "\": 65002, в серию помещается не более 65001 (свечи 0-65000)");
    EXPECT_EQ(ShortStringText(table[2].Week[0].Time), "77");
    EXPECT_FALSE(CandleExists(table[2].Week[1]));
    EXPECT_EQ(ShortStringText(table[2].Day[0].Time), "88");
    EXPECT_EQ(table[2].Name.Length, 0);
    EXPECT_EQ(ShortStringText(table[1].Name), "AUDJPY"); // slot 1 was read before
}

TEST_F(OlderImportTest, RefusedPriceEndsTheImportAtItsLine)
{
    WriteAllSeven(2);
    SetCandle(table[1].Week[1], 5.0, "55", 5, 5, 5, 5);
    WriteFile(OlderQuoteFileName(dir.dir(), "AUDJPY", 1), QuoteLine("2005.01.09", "00:00", "1.5") + "\n" +
                                                              "2005.01.16,00:00,1.5,1.6x,1.4,1.5\n" +
                                                              QuoteLine("2005.01.23", "00:00", "1.5") + "\n");
    EXPECT_EQ(ErrorOf(kSevenPairs), "'1,6x' is not a valid floating point value");
    EXPECT_EQ(table[1].Week[0].Close, 1.5);
    // The refused line's candle keeps every field it had.
    EXPECT_EQ(table[1].Week[1].Date, 5.0);
    EXPECT_EQ(ShortStringText(table[1].Week[1].Time), "55");
    EXPECT_EQ(table[1].Week[1].Open, 5.0);
    EXPECT_FALSE(CandleExists(table[1].Week[2]));
    EXPECT_FALSE(CandleExists(table[1].Day[0]));
}

TEST_F(OlderImportTest, DatesAreReadYearFirst)
{
    WriteAllSeven(1);
    WriteFile(OlderQuoteFileName(dir.dir(), "AUDJPY", 1), QuoteLine("09.01.2005", "00:00", "1.5") + "\n");
    EXPECT_EQ(ErrorOf(kSevenPairs), "'09.01.2005' is not a valid date");
}

TEST_F(OlderImportTest, EmptyLineIsRefusedAsADate)
{
    WriteAllSeven(1);
    WriteFile(OlderQuoteFileName(dir.dir(), "AUDJPY", 3), QuoteLine("2005.01.09", "00:00", "1.5") + "\n\n" +
                                                              QuoteLine("2005.01.10", "00:00", "1.5") + "\n");
    EXPECT_EQ(ErrorOf(kSevenPairs), "'' is not a valid date");
    EXPECT_TRUE(CandleExists(table[1].Hour[0]));
    EXPECT_FALSE(CandleExists(table[1].Hour[1]));
}

TEST_F(OlderImportTest, ToolsFileHoldsSlotsOneToSevenBackToBack)
{
    for (int slot = 0; slot <= 8; ++slot) {
        SetShortString(table[slot].Name, "P" + std::to_string(slot));
        SetCandle(table[slot].Hour[kLastCandleIndex], slot, "0" + std::to_string(slot), slot, slot, slot,
                  slot);
    }
    const std::string path = dir.file("tools.base");
    WriteFile(path, "an older, shorter file");
    WriteOlderToolsFile(path, table);

    const std::string bytes = ReadFile(path);
    ASSERT_EQ(bytes.size(), std::size_t(65'521'064));
    for (int k = 0; k < 7; ++k) {
        SCOPED_TRACE(k);
        EXPECT_EQ(std::memcmp(bytes.data() + k * kInstrumentSize, &table[k + 1], kInstrumentSize), 0);
    }
}

TEST_F(OlderImportTest, FailedToolsWriteKeepsTheOldFile)
{
    const std::string missing = dir.file("gone/tools.base");
    try {
        WriteOlderToolsFile(missing, table);
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "File not found");
    }
    // A directory in the way: the error is reported and nothing is left behind.
    std::filesystem::create_directory(dir.file("tools.base"));
    EXPECT_THROW(WriteOlderToolsFile(dir.file("tools.base"), table), Error);
    EXPECT_TRUE(std::filesystem::is_directory(dir.file("tools.base")));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

} // namespace
} // namespace quillet
