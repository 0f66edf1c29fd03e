#include "store/QuoteImport.h"
#include "model/Dates.h"
#include "model/Errors.h"
#include "store/Files.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <memory>

namespace quillet {
namespace {

using test::TempDir;
using test::WriteFile;

struct SplitCase {
    const char* title;
    const char* line;
    QuoteCells cells;
};

class SplitQuoteLineTest : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitQuoteLineTest, CellsAreTheTextsBeforeTheFirstSixCommas)
{
    EXPECT_EQ(SplitQuoteLine(GetParam().line), GetParam().cells);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, SplitQuoteLineTest,
    ::testing::Values(SplitCase{"full_line_with_volume",
                                "2005.01.09,00:00,1.3050,1.3080,1.3040,1.3060,1234",
                                {"2005.01.09", "00:00", "1,3050", "1,3080", "1,3040", "1,3060"}},
                      SplitCase{"five_commas_leave_close_empty",
                                "2005.01.09,00:00,1.3050,1.3080,1.3040,1.3060",
                                {"2005.01.09", "00:00", "1,3050", "1,3080", "1,3040", ""}},
                      SplitCase{"six_commas_exactly", "a,b,c,d,e,f,", {"a", "b", "c", "d", "e", "f"}},
                      SplitCase{"rest_after_sixth_comma_ignored",
                                "a,b,1.5,2.5,3.5,4.5,x,y,z",
                                {"a", "b", "1,5", "2,5", "3,5", "4,5"}},
                      SplitCase{"no_comma", "2005.01.09", {"", "", "", "", "", ""}},
                      SplitCase{"one_comma", "2005.01.09,00:00", {"2005.01.09", "", "", "", "", ""}},
                      SplitCase{"empty_line", "", {"", "", "", "", "", ""}},
                      SplitCase{"date_and_time_keep_dots",
                                "2005.01.09,0.5,1,2,3,4,",
                                {"2005.01.09", "0.5", "1", "2", "3", "4"}},
                      SplitCase{"no_trimming",
                                " 2005.01.09 , 13:00 , 1.1 ,,,,",
                                {" 2005.01.09 ", " 13:00 ", " 1,1 ", "", "", ""}},
                      SplitCase{"several_dots", "d,t,1.2.3,..,x,y,", {"d", "t", "1,2,3", ",,", "x", "y"}}),
    [](const auto& info) { return std::string(info.param.title); });

QuoteCells Row(const char* date, const char* time = "00:00", const char* price = "1,5")
{
    return {date, time, price, price, price, price};
}

class BuildInstrumentTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        record = std::make_unique<Instrument>();
        std::memset(record.get(), 0xAB, sizeof(Instrument)); // leftovers of a previous generation
    }
    void TearDown() override { SetActiveDateFormat(kRegionalDateFormat); }

    std::string ErrorOf(std::string_view name, const QuoteRows& w, const QuoteRows& d, const QuoteRows& h)
    {
        try {
            BuildInstrument(*record, name, w, d, h);
        } catch (const Error& e) {
            return e.what();
        }
        return "(no error)";
    }

    std::unique_ptr<Instrument> record;
};

TEST_F(BuildInstrumentTest, RowsBecomeCandlesFromIndexOne)
{
    const QuoteRows week({Row("2005.01.09"), Row("2005.01.16")});
    const QuoteRows day({Row("2005.01.10", "13:00", "1,305")});
    const QuoteRows hour({Row("2005.01.10", "7"), Row("2005.01.10", "")});
    BuildInstrument(*record, "EURUSDX", week, day, hour);

    EXPECT_EQ(ActiveDateFormat(), "yyyy mm dd");
    EXPECT_EQ(ShortStringText(record->Name), "EURUSD");
    EXPECT_EQ(record->Name.Chars[6], 0) << "bytes after the name are zero";
    EXPECT_EQ(record->Week[1].Date, DateSerial(2005, 1, 9));
    EXPECT_EQ(record->Week[2].Date, DateSerial(2005, 1, 16));
    EXPECT_EQ(FirstEmptyIndex(record->Week, 1), 3);
    EXPECT_EQ(ShortStringText(record->Day[1].Time), "13");
    EXPECT_EQ(record->Day[1].Open, 1.305);
    EXPECT_EQ(record->Day[1].Close, 1.305);
    EXPECT_EQ(ShortStringText(record->Hour[1].Time), "7");
    // An empty time cell stores an empty Time, which ends the series there.
    EXPECT_FALSE(CandleExists(record->Hour[2]));
    EXPECT_EQ(record->Hour[2].Date, DateSerial(2005, 1, 10));
    EXPECT_EQ(FirstEmptyIndex(record->Hour, 1), 2);
    // Everything else is zero: candle 0 and the candles after the rows.
    const std::string zeros(sizeof(Candle), '\0');
    EXPECT_EQ(std::memcmp(&record->Week[0], zeros.data(), sizeof(Candle)), 0);
    EXPECT_EQ(std::memcmp(&record->Week[3], zeros.data(), sizeof(Candle)), 0);
    EXPECT_EQ(std::memcmp(&record->Hour[65000], zeros.data(), sizeof(Candle)), 0);
    EXPECT_EQ(record->Day[1].Time.Chars[2], 0);
}

TEST_F(BuildInstrumentTest, FirstRefusedCellInTableRowColumnOrder)
{
    const QuoteRows goodWeek({Row("2005.01.09")});
    // Week row 1 is fine; its row 2 has a bad close, which comes before the
    // day table's bad date.
    QuoteCells badClose = Row("2005.01.16");
    badClose[5] = "1.5";
    QuoteCells badOpen = Row("2005.01.16");
    badOpen[2] = "x";
    EXPECT_EQ(ErrorOf("EURUSD", QuoteRows({Row("2005.01.09"), badClose}), QuoteRows({Row("bad")}), goodWeek),
              "'1.5' is not a valid floating point value");
    EXPECT_EQ(ErrorOf("EURUSD", QuoteRows({badOpen}), QuoteRows({Row("bad")}), goodWeek),
              "'x' is not a valid floating point value")
        << "open comes before close in a row";
    EXPECT_EQ(ErrorOf("EURUSD", goodWeek, QuoteRows({Row("2005 01 10")}), QuoteRows({Row("zz")})),
              "'2005 01 10' is not a valid date");
    // A grid that was never imported holds one empty row: its empty date is refused.
    EXPECT_EQ(ErrorOf("EURUSD", goodWeek, goodWeek, QuoteRows({QuoteCells{}})), "'' is not a valid date");
    EXPECT_EQ(ErrorOf("EURUSD",
                      QuoteRows({Row("\xD0\xBF\xC2\xBB\xD1\x97"
                                     "2005.01.09")}),
                      goodWeek, goodWeek),
              "'п»ї2005.01.09' is not a valid date")
        << "a byte-order mark read as code page 1251";
}

TEST_F(BuildInstrumentTest, EmptyTablesGiveEmptySeries)
{
    BuildInstrument(*record, "", QuoteRows(), QuoteRows(), QuoteRows());
    EXPECT_FALSE(InstrumentExists(*record));
    EXPECT_EQ(record->Name.Length, 0);
    EXPECT_EQ(FirstEmptyIndex(record->Hour, 1), 1);
}

TEST_F(BuildInstrumentTest, SecondShorterBuildLeavesNothingOfTheFirst)
{
    std::vector<QuoteCells> many;
    for (int i = 0; i < 50; ++i)
        many.push_back(Row("2005.01.09"));
    BuildInstrument(*record, "AUDJPY", QuoteRows(many), QuoteRows(many), QuoteRows(many));
    BuildInstrument(*record, "NZD", QuoteRows({Row("2005.01.09")}), QuoteRows(), QuoteRows());
    EXPECT_EQ(ShortStringText(record->Name), "NZD");
    EXPECT_EQ(record->Name.Chars[3], 0);
    EXPECT_EQ(FirstEmptyIndex(record->Week, 1), 2);
    EXPECT_EQ(record->Week[2].Date, 0);
    EXPECT_EQ(FirstEmptyIndex(record->Day, 1), 1);
}

TEST_F(BuildInstrumentTest, MoreRowsThanTheSeriesHoldsAreRefusedUpFront)
{
    std::vector<QuoteCells> rows(65001, Row("2005.01.09"));
    rows.back()[0] = "bad date, never reached";
    const std::string error = ErrorOf("EURUSD", QuoteRows({Row("2005.01.09")}), QuoteRows(), QuoteRows(rows));
    EXPECT_NE(error.find("Hour"), std::string::npos) << error;
    EXPECT_NE(error.find("65000"), std::string::npos) << error;
    EXPECT_EQ(static_cast<unsigned char>(record->Name.Length), 0xAB) << "nothing converted";

    rows.pop_back(); // exactly 65000 rows fit
    BuildInstrument(*record, "EURUSD", QuoteRows({Row("2005.01.09")}), QuoteRows(), QuoteRows(rows));
    EXPECT_EQ(FirstEmptyIndex(record->Hour, 1), 65001);
}

TEST(QuoteFile, EveryLineBecomesARow)
{
    TempDir tmp;
    WriteFile(tmp.file("q.csv"), "2005.01.09,00:00,1.3050,1.3080,1.3040,1.3060,1234\r\n\r\nx\n\x1A"
                                 "ignored");
    const QuoteRows rows = ReadQuoteFile(tmp.file("q.csv"));
    ASSERT_EQ(rows.RowCount(), 3u);
    EXPECT_EQ(rows.Cell(1, 2), "1,3050");
    EXPECT_EQ(rows.Cell(2, 0), "");
    EXPECT_EQ(rows.Cell(3, 0), "");
    WriteFile(tmp.file("empty.csv"), "");
    EXPECT_EQ(ReadQuoteFile(tmp.file("empty.csv")).RowCount(), 0u);
}

TEST(MakeBase, BuildsTheFileOrWritesNothing)
{
    TempDir tmp;
    InstrumentTable table;
    SetActiveDateFormat(kRegionalDateFormat);
    WriteFile(tmp.file("w.csv"), "2005.01.09,00:00,1.3050,1.3080,1.3040,1.3060,1\r\n");
    WriteFile(tmp.file("d.csv"), "2005.01.10,00:00,1.3050,1.3080,1.3040,1.3060,1\r\n");
    WriteFile(tmp.file("h.csv"), "2005.01.10,00:00,1.3050,1.3080,1.3040,1.3060,1\r\n"
                                 "2005.01.10,01:00,1.3060,1.3090,1.3050,1.3070,1\r\n");
    MakeBaseFromQuoteFiles(tmp.file("EURUSD.base"), "EURUSD", tmp.file("w.csv"), tmp.file("d.csv"),
                           tmp.file("h.csv"), table);
    EXPECT_EQ(std::filesystem::file_size(tmp.file("EURUSD.base")), kInstrumentSize);
    ReadBaseFile(tmp.file("EURUSD.base"), 1, table);
    EXPECT_EQ(FirstEmptyIndex(table[1].Hour, 1), 3);
    EXPECT_EQ(table[1].Hour[2].Close, 1.307);

    WriteFile(tmp.file("bad.csv"), "2005.01.10,00:00,1.3050,1.3080,oops,1.3060,1\r\n");
    try {
        MakeBaseFromQuoteFiles(tmp.file("BAD.base"), "BAD", tmp.file("w.csv"), tmp.file("d.csv"),
                               tmp.file("bad.csv"), table);
        FAIL();
    } catch (const FileError& e) {
        // The refusal names the file of the three and the line of the cell.
        EXPECT_EQ(e.Named(),
                  "'" + tmp.file("bad.csv") + "': Строка 1: 'oops' is not a valid floating point value");
    }
    EXPECT_FALSE(std::filesystem::exists(tmp.file("BAD.base")));
    SetActiveDateFormat(kRegionalDateFormat);
}

} // namespace
} // namespace quillet
