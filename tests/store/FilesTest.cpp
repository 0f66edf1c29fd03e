#include "store/Files.h"
#include "model/Errors.h"
#include "model/Instrument.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <memory>

namespace quillet {
namespace {

using test::ReadFile;
using test::SetCandle;
using test::TempDir;
using test::WriteFile;

std::unique_ptr<Instrument> EmptyRecord()
{
    auto inst = std::make_unique<Instrument>();
    std::memset(inst.get(), 0, sizeof(Instrument));
    return inst;
}

double ReadDoubleAt(const std::string& bytes, std::size_t offset)
{
    double v;
    std::memcpy(&v, bytes.data() + offset, sizeof v);
    return v;
}

std::string ErrorOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const Error& e) {
        return e.what();
    }
    return "(no error)";
}

TEST(BaseFile, ByteLayoutOfTheRecord)
{
    TempDir tmp;
    auto inst = EmptyRecord();
    SetShortString(inst->Name, "EURUSD");
    SetCandle(inst->Week[1], 38361, "00:00", 1.1, 1.2, 1.0, 1.15);
    SetCandle(inst->Day[1], 38362, "13", 2.1, 2.2, 2.0, 2.15);
    SetCandle(inst->Hour[1], 38362, "7", 3.1, 3.2, 3.0, 3.15);
    SetCandle(inst->Hour[65000], 40000, "23", 4.1, 4.2, 4.0, 4.15);
    WriteBaseFile(tmp.file("x.base"), *inst);

    const std::string bytes = ReadFile(tmp.file("x.base"));
    ASSERT_EQ(bytes.size(), 9'360'152u);
    EXPECT_EQ(bytes.substr(0, 8), std::string("\x06"
                                              "EURUSD\0",
                                              8));
    // Candle 1 of each series: date, time, then open, high, low, close.
    EXPECT_EQ(ReadDoubleAt(bytes, 56), 38361);
    EXPECT_EQ(bytes.substr(64, 8), std::string("\x05"
                                               "00:00\0\0",
                                               8));
    EXPECT_EQ(ReadDoubleAt(bytes, 72), 1.1);
    EXPECT_EQ(ReadDoubleAt(bytes, 80), 1.2);
    EXPECT_EQ(ReadDoubleAt(bytes, 88), 1.0);
    EXPECT_EQ(ReadDoubleAt(bytes, 96), 1.15);
    EXPECT_EQ(ReadDoubleAt(bytes, 3'120'104), 38362);
    EXPECT_EQ(bytes.substr(3'120'112, 3), std::string("\x02"
                                                      "13",
                                                      3));
    EXPECT_EQ(ReadDoubleAt(bytes, 3'120'104 + 40), 2.15);
    EXPECT_EQ(ReadDoubleAt(bytes, 6'240'152), 38362);
    EXPECT_EQ(ReadDoubleAt(bytes, 6'240'152 + 16), 3.1);
    // The last candle of Hour ends the file.
    EXPECT_EQ(ReadDoubleAt(bytes, 9'360'152 - 8), 4.15);
    // Candle 0 and the candle after the data are zero bytes.
    EXPECT_EQ(bytes.substr(8, 48), std::string(48, '\0'));
    EXPECT_EQ(bytes.substr(56 + 48, 48), std::string(48, '\0'));
}

TEST(BaseFile, WriteThenReadRestoresTheRecord)
{
    TempDir tmp;
    auto inst = EmptyRecord();
    SetShortString(inst->Name, "GBPJPY");
    for (int i = 1; i <= 600; ++i)
        SetCandle(inst->Hour[i], 38362 + i / 24, "12", 150 + i * 0.001, 151, 149, 150.5);
    WriteBaseFile(tmp.file("GBPJPY.base"), *inst);

    InstrumentTable table;
    ReadBaseFile(tmp.file("GBPJPY.base"), 5, table);
    EXPECT_EQ(std::memcmp(&table[5], inst.get(), sizeof(Instrument)), 0);
    EXPECT_EQ(FirstEmptyIndex(table[5].Hour, 1), 601);
    EXPECT_FALSE(InstrumentExists(table[4]));
}

TEST(BaseFile, ShortFileKeepsTheBytesReadAndReportsIt)
{
    TempDir tmp;
    InstrumentTable table;
    std::memset(&table[2], 0x5A, sizeof(Instrument)); // a slot that already holds something
    std::string record("\x06"
                       "ABCDEF\0",
                       8);
    record.append(48, '\x11');
    WriteFile(tmp.file("short.base"), record);

    EXPECT_EQ(ErrorOf([&] { ReadBaseFile(tmp.file("short.base"), 2, table); }), "Read beyond end of file");
    const auto* bytes = reinterpret_cast<const unsigned char*>(&table[2]);
    EXPECT_EQ(ShortStringText(table[2].Name), "ABCDEF");
    EXPECT_EQ(bytes[8], 0x11);
    EXPECT_EQ(bytes[55], 0x11);
    EXPECT_EQ(bytes[56], 0x5A) << "the rest of the slot is unchanged";
    EXPECT_EQ(bytes[kInstrumentSize - 1], 0x5A);
}

TEST(BaseFile, LongerFileLoadsItsFirstRecord)
{
    TempDir tmp;
    std::string bytes(kInstrumentSize, '\0');
    bytes[0] = 3;
    bytes[1] = 'A';
    bytes[2] = 'B';
    bytes[3] = 'C';
    bytes += std::string(1000, '\x7F');
    WriteFile(tmp.file("long.base"), bytes);
    InstrumentTable table;
    ReadBaseFile(tmp.file("long.base"), 1, table);
    EXPECT_EQ(ShortStringText(table[1].Name), "ABC");
    EXPECT_EQ(reinterpret_cast<const unsigned char*>(&table[2])[0], 0) << "nothing spills into the next slot";
}

TEST(BaseFile, FileErrorsCarryTheirTexts)
{
    TempDir tmp;
    InstrumentTable table;
    EXPECT_EQ(ErrorOf([&] { ReadBaseFile(tmp.file("missing.base"), 1, table); }), "File not found");
    EXPECT_EQ(ErrorOf([&] { ReadBaseFile(tmp.file("nodir/x.base"), 1, table); }), "File not found");
    EXPECT_EQ(ErrorOf([&] { ReadBaseFile("", 1, table); }), "Invalid filename");
    EXPECT_EQ(ErrorOf([&] { ReadBaseFile(tmp.file(std::string(5000, 'n')), 1, table); }), "Invalid filename");
    auto inst = EmptyRecord();
    EXPECT_EQ(ErrorOf([&] { WriteBaseFile(tmp.file("nodir/x.base"), *inst); }), "File not found");
    EXPECT_EQ(ErrorOf([&] { WriteBaseFile(tmp.dir(), *inst); }), "File access denied");
}

TEST(BaseFile, ReadOnlyFileCanBeLoaded)
{
    TempDir tmp;
    auto inst = EmptyRecord();
    SetShortString(inst->Name, "AUDUSD");
    SetCandle(inst->Week[1], 38361, "00", 0.7, 0.8, 0.6, 0.75);
    WriteBaseFile(tmp.file("ro.base"), *inst);
    std::filesystem::permissions(tmp.file("ro.base"), std::filesystem::perms::owner_read);
    InstrumentTable table;
    ReadBaseFile(tmp.file("ro.base"), 1, table);
    EXPECT_EQ(LoadedInstrumentNames(table), std::vector<std::string>{"AUDUSD"});
}

TEST(BaseFile, RewriteReplacesWholeFileAndLeavesNoTemporary)
{
    TempDir tmp;
    auto inst = EmptyRecord();
    SetShortString(inst->Name, "OLD");
    WriteBaseFile(tmp.file("p.base"), *inst);
    std::filesystem::permissions(tmp.file("p.base"), std::filesystem::perms(0640));
    SetShortString(inst->Name, "NEW");
    WriteBaseFile(tmp.file("p.base"), *inst);
    EXPECT_EQ(ReadFile(tmp.file("p.base")).substr(0, 4), std::string("\x03"
                                                                     "NEW",
                                                                     4));
    EXPECT_EQ(std::filesystem::status(tmp.file("p.base")).permissions(), std::filesystem::perms(0640))
        << "the replaced file keeps its permissions";
    int files = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(tmp.path()))
        ++files;
    EXPECT_EQ(files, 1);
}

struct ListCase {
    const char* title;
    std::string bytes;
    std::vector<std::string> names;
};

class InstrumentListRead : public ::testing::TestWithParam<ListCase> {};

TEST_P(InstrumentListRead, LinesBecomeNamesUnchanged)
{
    TempDir tmp;
    WriteFile(tmp.file("config"), GetParam().bytes);
    EXPECT_EQ(ReadInstrumentList(tmp.file("config")), GetParam().names);
}

INSTANTIATE_TEST_SUITE_P(
    LineEnds, InstrumentListRead,
    ::testing::Values(ListCase{"crlf", "AUDJPY\r\nEURUSD\r\n", {"AUDJPY", "EURUSD"}},
                      ListCase{"lf", "AUDJPY\nEURUSD\n", {"AUDJPY", "EURUSD"}},
                      ListCase{"no_final_end", "AUDJPY\r\nEURUSD", {"AUDJPY", "EURUSD"}},
                      ListCase{"empty_lines", "AUDJPY\r\n\r\nEURUSD\r\n\n", {"AUDJPY", "", "EURUSD", ""}},
                      ListCase{"trailing_blanks_kept", "AUDJPY  \r\n", {"AUDJPY  "}},
                      ListCase{"ctrl_z_ends_file",
                               "AUDJPY\r\n\x1A"
                               "EURUSD\r\n",
                               {"AUDJPY"}},
                      ListCase{"ctrl_z_inside_line_is_data",
                               "AB\x1A"
                               "C\r\n",
                               {"AB\x1A"
                                "C"}},
                      ListCase{"lone_cr_is_data", "A\rB\n", {"A\rB"}}, ListCase{"empty_file", "", {}},
                      ListCase{"cp1251", "\xC5\xC2\xD0\xCE\r\n", {"ЕВРО"}}),
    [](const auto& info) { return std::string(info.param.title); });

TEST(InstrumentList, WritesCrLfInCp1251AndRoundTrips)
{
    TempDir tmp;
    const std::vector<std::string> names{"AUDJPY", "", "ЕВРО", "EURUSD  "};
    WriteInstrumentList(tmp.file("config"), names);
    EXPECT_EQ(ReadFile(tmp.file("config")), "AUDJPY\r\n\r\n\xC5\xC2\xD0\xCE\r\nEURUSD  \r\n");
    EXPECT_EQ(ReadInstrumentList(tmp.file("config")), names);
    WriteInstrumentList(tmp.file("config"), {});
    EXPECT_EQ(ReadFile(tmp.file("config")), "");
}

TEST(InstrumentList, EveryByteSurvivesARoundTrip)
{
    TempDir tmp;
    std::string all;
    for (int b = 0x20; b <= 0xFF; ++b)
        all += static_cast<char>(b);
    WriteFile(tmp.file("config"), all + "\r\n");
    const auto names = ReadInstrumentList(tmp.file("config"));
    ASSERT_EQ(names.size(), 1u);
    WriteInstrumentList(tmp.file("config2"), names);
    EXPECT_EQ(ReadFile(tmp.file("config2")), all + "\r\n");
}

} // namespace
} // namespace quillet
