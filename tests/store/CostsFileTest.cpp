// The costs file: what its lines read as, which lines are refused and why,
// and a table written and read back unchanged.

#include "store/CostsFile.h"
#include "model/Errors.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace quillet {
namespace {

using test::TempDir;

struct CostsCase {
    const char* text;
    const char* name;    // the instrument looked up
    TradeCosts expected; // its costs as read
    const char* error;   // a part of why a line was left out, or nullptr
};

class CostsFileRead : public ::testing::TestWithParam<CostsCase> {};

TEST_P(CostsFileRead, ReadsTheValidLinesAndSaysWhichOneNot)
{
    const CostsCase& c = GetParam();
    const CostsFileLines read = ParseCostsLines(c.text);
    EXPECT_EQ(read.Table.Of(c.name), c.expected);
    if (!c.error) {
        EXPECT_TRUE(read.Ignored.empty()) << read.Ignored.front();
        EXPECT_EQ(ParseCosts(c.text), read.Table);
        return;
    }
    ASSERT_EQ(read.Ignored.size(), 1u);
    EXPECT_NE(read.Ignored[0].find(c.error), std::string::npos) << read.Ignored[0];
    // Read strictly, the line left out is the error.
    try {
        ParseCosts(c.text);
        FAIL() << "read: " << c.text;
    } catch (const Error& e) {
        EXPECT_EQ(e.what(), read.Ignored[0]);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Lines, CostsFileRead,
    ::testing::Values(
        CostsCase{"EURUSD 1.2 0.7 -0.3 0.1\n", "EURUSD", {12, 7, -3, 1}, nullptr},
        CostsCase{"# note\r\n\r\nAUDJPY\t2 0 -50 50.0", "AUDJPY", {20, 0, -500, 500}, nullptr},
        CostsCase{"MY PAIR 0.5 0.5 0.5 0.5\n", "MY PAIR", {5, 5, 5, 5}, nullptr},
        CostsCase{"EURUSD 1.2 0.7 -0.3 0.1\n", "GBPUSD", {}, nullptr},
        CostsCase{"EURUSD recorded 0.7 -0.3 0.1\n", "EURUSD", {0, 7, -3, 1, true}, nullptr},
        CostsCase{"EURUSD 0 recorded 0 0\n", "", {}, "строка 1: комиссия 'recorded'"},
        // The fields are counted before any of them is read as a cost.
        CostsCase{
            "GBPUSD 1 0 0 0\nEURUSD 1.2 garbage\n", "GBPUSD", {10, 0, 0, 0}, "строка 2: полей 3, нужно 5"},
        CostsCase{"EURUSD 1 2 3\nGBPUSD 1 0 0 0\n", "GBPUSD", {10, 0, 0, 0}, "строка 1: полей 4, нужно 5"},
        CostsCase{"# a\nEURUSD x 0 0 0\n", "EURUSD", {}, "строка 2: спред 'x' не число"},
        CostsCase{"EURUSD 0 0.25 0 0\n", "", {}, "строка 1: комиссия '0.25'"},
        CostsCase{"EURUSD 0 0 garbage 0\n", "", {}, "строка 1: своп покупки 'garbage'"},
        CostsCase{
            "EURUSD 50.1 0 0 0\n", "", {}, "строка 1: EURUSD: спред 50.1 п вне пределов от 0.0 до 50.0 п"},
        CostsCase{
            "EURUSD 0 0 0 -50.1\n", "", {}, "строка 1: EURUSD: своп продажи -50.1 п вне пределов от -50.0"},
        CostsCase{"EURUSD 1 0 0 0\nEURUSD 2 0 0 0\n",
                  "EURUSD",
                  {10, 0, 0, 0},
                  "строка 2: инструмент EURUSD уже указан в строке 1"}));

TEST(CostsFile, EveryLineLeftOutIsSaid)
{
    const CostsFileLines read = ParseCostsLines("A 1\nB 1 0 0 0\nC 1 0 0 x\nB 2 0 0 0\nD 2 0 0 0\n");
    ASSERT_EQ(read.Ignored.size(), 3u);
    EXPECT_EQ(read.Ignored[0].rfind("строка 1: ", 0), 0u);
    EXPECT_EQ(read.Ignored[1].rfind("строка 3: ", 0), 0u);
    EXPECT_EQ(read.Ignored[2].rfind("строка 4: ", 0), 0u);
    EXPECT_EQ(read.Table.Entries().size(), 2u);
    EXPECT_EQ(read.Table.Of("D").SpreadTenths, 20);
}

TEST(CostsFile, MissingFileIsAllZeroAndWrittenTableReadsBack)
{
    TempDir dir;
    EXPECT_EQ(ReadCostsFile(dir.dir()), CostsTable());

    CostsTable table;
    table.Set("EURUSD", {12, 7, -3, 1});
    table.Set("Рубль", {500, 500, -500, 500});
    table.Set("ZERO", {});
    WriteCostsFile(dir.dir(), table);
    EXPECT_EQ(ReadCostsFile(dir.dir()), table);
    EXPECT_EQ(test::ReadFile(dir.file(kCostsFileName)).find("recorded"), std::string::npos);
    table.Set("BYHOUR", {0, 7, 0, 0, true});
    WriteCostsFile(dir.dir(), table);
    EXPECT_EQ(ReadCostsFile(dir.dir()), table);
    EXPECT_NE(test::ReadFile(dir.file(kCostsFileName)).find("\r\nBYHOUR recorded 0.7 0.0 0.0\r\n"),
              std::string::npos);
    // The file is the program's plain text: code page 1251, CR LF.
    EXPECT_NE(test::ReadFile(dir.file(kCostsFileName))
                  .find("\r\nEURUSD 1.2 0.7 -0.3 0.1\r\n\xD0\xF3\xE1\xEB\xFC 50.0"),
              std::string::npos);

    table.Set("#X", {});
    EXPECT_THROW(WriteCostsFile(dir.dir(), table), Error);
}

TEST(CostsFile, MalformedOrUnreadableFileIsAnErrorNamingIt)
{
    TempDir dir;
    test::WriteFile(dir.file(kCostsFileName), "EURUSD 1 2\r\n");
    try {
        ReadCostsFile(dir.dir());
        FAIL();
    } catch (const Error& e) {
        EXPECT_EQ(
            std::string(e.what()).rfind("Файл издержек '" + dir.file(kCostsFileName) + "', строка 1: ", 0),
            0u)
            << e.what();
    }
    EXPECT_EQ(ReadCostsFileLines(dir.dir()).Ignored, ParseCostsLines("EURUSD 1 2\n").Ignored);
    std::filesystem::remove(dir.file(kCostsFileName));
    EXPECT_EQ(ReadCostsFileLines(dir.dir()).Table, CostsTable());
    std::filesystem::create_directory(dir.file(kCostsFileName));
    EXPECT_THROW(ReadCostsFile(dir.dir()), FileError);
    EXPECT_THROW(ReadCostsFileLines(dir.dir()), FileError);
}

} // namespace
} // namespace quillet
