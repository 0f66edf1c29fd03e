#include "store/Startup.h"
#include "store/Errors.h"
#include "store/Files.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

namespace quillet {
namespace {

using test::ReadFile;
using test::SetCandle;
using test::TempDir;
using test::WriteFile;

// Writes NAME.base holding one weekly candle, so the instrument exists.
void WriteInstrument(const TempDir& dir, const std::string& name, bool withWeek = true)
{
    auto inst = std::make_unique<Instrument>();
    std::memset(inst.get(), 0, sizeof(Instrument));
    SetShortString(inst->Name, name);
    if (withWeek)
        SetCandle(inst->Week[1], 38361, "00", 1, 1, 1, 1);
    SetCandle(inst->Hour[1], 38362, "00", 1, 1, 1, 1);
    WriteBaseFile(dir.file(name + ".base"), *inst);
}

TEST(ExeDir, IsTheExecutablesDirectoryWithSeparator)
{
    const std::string dir = ExeDir();
    ASSERT_FALSE(dir.empty());
    EXPECT_EQ(dir.back(), '/');
    EXPECT_EQ(dir.front(), '/');
}

TEST(LoadInstruments, MissingConfigIsAFirstStart)
{
    TempDir tmp;
    InstrumentTable table;
    std::vector<std::string> names{"stale"};
    int loaded = 0;
    LoadInstruments(
        tmp.dir(), names, [&] { ++loaded; }, table);
    EXPECT_TRUE(names.empty());
    EXPECT_EQ(loaded, 0);
    EXPECT_TRUE(LoadedInstrumentNames(table).empty());
}

TEST(LoadInstruments, ListedFilesGoToSlotsInOrder)
{
    TempDir tmp;
    for (const char* n : {"AUDJPY", "EURUSD", "GBPUSD"})
        WriteInstrument(tmp, n);
    WriteFile(tmp.file("config"), "EURUSD\r\nAUDJPY\r\nEURUSD\r\nGBPUSD");
    InstrumentTable table;
    std::vector<std::string> names;
    int loaded = 0;
    LoadInstruments(
        tmp.dir(), names, [&] { ++loaded; }, table);
    EXPECT_EQ(loaded, 4);
    EXPECT_EQ(names, (std::vector<std::string>{"EURUSD", "AUDJPY", "EURUSD", "GBPUSD"}));
    EXPECT_EQ(LoadedInstrumentNames(table), names) << "the same name twice fills two slots";
}

TEST(LoadInstruments, AFailingFileStopsLoadingButKeepsTheList)
{
    TempDir tmp;
    WriteInstrument(tmp, "AUDJPY");
    WriteInstrument(tmp, "GBPUSD");
    WriteFile(tmp.file("config"), "AUDJPY\r\nMISSING\r\nGBPUSD\r\n");
    InstrumentTable table;
    std::vector<std::string> names;
    int loaded = 0;
    try {
        LoadInstruments(
            tmp.dir(), names, [&] { ++loaded; }, table);
        FAIL();
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "File not found");
    }
    EXPECT_EQ(loaded, 1);
    EXPECT_EQ(names, (std::vector<std::string>{"AUDJPY", "MISSING", "GBPUSD"}));
    EXPECT_EQ(LoadedInstrumentNames(table), std::vector<std::string>{"AUDJPY"});
    EXPECT_FALSE(InstrumentExists(table[3])) << "nothing after the failure is loaded";
}

TEST(LoadInstruments, AnInstrumentWithoutWeeksHidesTheRest)
{
    TempDir tmp;
    WriteInstrument(tmp, "AUDJPY");
    WriteInstrument(tmp, "NOWEEK", false);
    WriteInstrument(tmp, "GBPUSD");
    WriteFile(tmp.file("config"), "AUDJPY\r\nNOWEEK\r\nGBPUSD\r\n");
    InstrumentTable table;
    std::vector<std::string> names;
    LoadInstruments(tmp.dir(), names, {}, table);
    EXPECT_EQ(LoadedInstrumentNames(table), std::vector<std::string>{"AUDJPY"});
    EXPECT_TRUE(InstrumentExists(table[3])) << "loaded, only not listed";
}

TEST(LoadInstruments, MoreThanThirtyNamesLoadThirtyAndKeepAll)
{
    TempDir tmp;
    std::string config;
    for (int i = 0; i < 35; ++i) {
        const std::string name = "P" + std::to_string(100 + i);
        WriteInstrument(tmp, name);
        config += name + "\r\n";
    }
    WriteFile(tmp.file("config"), config);
    InstrumentTable table;
    std::vector<std::string> names;
    int loaded = 0;
    LoadInstruments(
        tmp.dir(), names, [&] { ++loaded; }, table);
    EXPECT_EQ(loaded, 30);
    EXPECT_EQ(names.size(), 35u);
    EXPECT_EQ(names.back(), "P134");
    EXPECT_EQ(LoadedInstrumentNames(table).size(), 30u);
    EXPECT_EQ(ShortStringText(table[30].Name), "P129");
    EXPECT_EQ(table[0].Name.Length, 0) << "the scratch slot is not touched";

    SaveInstrumentList(tmp.dir(), names);
    EXPECT_EQ(ReadFile(tmp.file("config")), config) << "closing loses no name";
}

TEST(LoadInstruments, BlankLineLooksForDotBase)
{
    TempDir tmp;
    WriteInstrument(tmp, "AUDJPY");
    WriteFile(tmp.file("config"), "AUDJPY\r\n\r\n");
    InstrumentTable table;
    std::vector<std::string> names;
    EXPECT_THROW(LoadInstruments(tmp.dir(), names, {}, table), Error);
    EXPECT_EQ(names, (std::vector<std::string>{"AUDJPY", ""}));
}

} // namespace
} // namespace quillet
