// Files the program did not write: cut-off bases and odd instrument lists.

#include "model/Errors.h"
#include "model/Instrument.h"
#include "store/Files.h"
#include "store/Startup.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>

namespace quillet {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

// A base file cut at a length: the bytes it has land in the slot, the rest of
// the slot keeps what it held, and a short file says so.
class CutBaseFile : public ::testing::TestWithParam<std::size_t> {};

TEST_P(CutBaseFile, KeepsWhatWasReadAndReportsShortFiles)
{
    const std::size_t length = GetParam();
    TempDir tmp;
    std::string bytes(length, '\0');
    for (std::size_t i = 0; i < length; ++i)
        bytes[i] = static_cast<char>(1 + i % 251);
    WriteFile(tmp.file("cut.base"), bytes);

    InstrumentTable table;
    std::memset(&table[1], 0xEE, sizeof(Instrument));
    std::string error = "(none)";
    try {
        ReadBaseFile(tmp.file("cut.base"), 1, table);
    } catch (const Error& e) {
        error = e.what();
    }
    EXPECT_EQ(error, length < kInstrumentSize ? "Read beyond end of file" : "(none)");
    const auto* slot = reinterpret_cast<const unsigned char*>(&table[1]);
    EXPECT_EQ(std::memcmp(slot, bytes.data(), std::min(length, kInstrumentSize)), 0);
    if (length < kInstrumentSize) {
        EXPECT_EQ(slot[length], 0xEE);
        EXPECT_EQ(slot[kInstrumentSize - 1], 0xEE);
    }
    EXPECT_EQ(reinterpret_cast<const unsigned char*>(&table[2])[0], 0) << "nothing spills into slot 2";
    // Whatever was loaded, reading the names and series ends never fails.
    LoadedInstrumentNames(table);
    EXPECT_LE(FirstEmptyIndex(table[1].Hour, 1), 65001);
}

INSTANTIATE_TEST_SUITE_P(Lengths, CutBaseFile,
                         ::testing::Values(0, 7, 8, 56, 3'120'056, 9'360'151, 9'360'152, 9'360'153),
                         [](const auto& info) { return "bytes_" + std::to_string(info.param); });

TEST(HostileConfig, TenThousandNamesLoadThirtyAndKeepAll)
{
    TempDir tmp;
    std::string config;
    for (int i = 0; i < 10'000; ++i)
        config += "N" + std::to_string(i) + "\r\n";
    WriteFile(tmp.file("config"), config);
    InstrumentTable table;
    std::vector<std::string> names;
    try {
        LoadInstruments(tmp.dir(), names, {}, table);
        FAIL() << "no .base file exists";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "File not found");
    }
    ASSERT_EQ(names.size(), 10'000u);
    SaveInstrumentList(tmp.dir(), names);
    EXPECT_EQ(ReadFile(tmp.file("config")), config);
}

TEST(HostileConfig, AHundredThousandCharacterLineIsOneName)
{
    TempDir tmp;
    const std::string longName(100'000, 'A');
    WriteFile(tmp.file("config"), longName + "\r\nEURUSD\r\n");
    InstrumentTable table;
    std::vector<std::string> names;
    try {
        LoadInstruments(tmp.dir(), names, {}, table);
        FAIL();
    } catch (const Error& e) {
        // A file name that long cannot exist.
        EXPECT_STREQ(e.what(), "Invalid filename");
    }
    ASSERT_EQ(names.size(), 2u);
    EXPECT_EQ(names[0], longName);
    SaveInstrumentList(tmp.dir(), names);
    EXPECT_EQ(ReadFile(tmp.file("config")), longName + "\r\nEURUSD\r\n");
}

TEST(HostileConfig, HighBytesBecomeCyrillicAndRoundTrip)
{
    TempDir tmp;
    std::string line;
    for (int b = 0x80; b <= 0xFF; ++b)
        line += static_cast<char>(b);
    WriteFile(tmp.file("config"), line + "\r\n");
    const auto names = ReadInstrumentList(tmp.file("config"));
    ASSERT_EQ(names.size(), 1u);
    EXPECT_NE(names[0].find("АБВ"), std::string::npos);
    EXPECT_NE(names[0].find("эюя"), std::string::npos);
    WriteInstrumentList(tmp.file("config"), names);
    EXPECT_EQ(ReadFile(tmp.file("config")), line + "\r\n");
}

} // namespace
} // namespace quillet
