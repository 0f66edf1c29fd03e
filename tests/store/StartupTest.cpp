#include "store/Startup.h"
#include "model/Errors.h"
#include "store/Files.h"
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

// Where the files live, for an executable in a folder of the layout:
// a build or any folder of its own keeps them beside itself; an install
// (bin/ beside a share/ holding the metainfo) in the user's data folder.
struct DataDirCase {
    const char* title;
    const char* exeFolder;   // under the temporary root
    bool metainfo;           // share/metainfo/<id>.metainfo.xml beside that bin/
    const char* xdgDataHome; // "@" stands for the temporary root; nullptr: unset
    const char* home;
    const char* expected; // "@" as above; "" means the executable's folder
};

std::string Rooted(const char* text, const std::string& root)
{
    std::string s(text);
    if (!s.empty() && s[0] == '@')
        s = root + s.substr(1);
    return s;
}

class ChooseDataDirTest : public ::testing::TestWithParam<DataDirCase> {};

TEST_P(ChooseDataDirTest, PortableOrInstalled)
{
    const DataDirCase& c = GetParam();
    TempDir tmp;
    const std::string root = tmp.path().string();
    const std::string exeDir = root + "/" + c.exeFolder + "/";
    std::filesystem::create_directories(exeDir);
    if (c.metainfo) {
        const auto share = std::filesystem::path(exeDir).parent_path().parent_path() / "share" / "metainfo";
        std::filesystem::create_directories(share);
        WriteFile((share / (std::string(kAppId) + ".metainfo.xml")).string(), "<component/>");
    }
    const std::string xdg = c.xdgDataHome ? Rooted(c.xdgDataHome, root) : "";
    const std::string home = Rooted(c.home, root);
    const std::string expected = *c.expected ? Rooted(c.expected, root) : exeDir;
    EXPECT_EQ(ChooseDataDir(exeDir, exeDir, c.xdgDataHome ? xdg.c_str() : nullptr, home.c_str()), expected);
    // The command line's portable folder is its current one; an install
    // decides alike for both.
    const std::string cliExpected = *c.expected ? expected : std::string("./");
    EXPECT_EQ(ChooseDataDir(exeDir, "./", c.xdgDataHome ? xdg.c_str() : nullptr, home.c_str()), cliExpected);
    // Choosing makes nothing.
    EXPECT_FALSE(std::filesystem::exists(root + "/xdg"));
    EXPECT_FALSE(std::filesystem::exists(root + "/home/.local"));
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, ChooseDataDirTest,
    ::testing::Values(
        DataDirCase{"BuildFolder", "build/app", false, nullptr, "@/home", ""},
        DataDirCase{"BuildFolderIgnoresXdg", "build/app", false, "@/xdg", "@/home", ""},
        DataDirCase{"BinWithoutShare", "opt/bin", false, "@/xdg", "@/home", ""},
        DataDirCase{"InstalledWithXdg", "usr/bin", true, "@/xdg", "@/home", "@/xdg/quillet-tester/"},
        DataDirCase{"InstalledXdgWithSlash", "usr/bin", true, "@/xdg/", "@/home", "@/xdg/quillet-tester/"},
        DataDirCase{"InstalledXdgUnset", "usr/bin", true, nullptr, "@/home",
                    "@/home/.local/share/quillet-tester/"},
        DataDirCase{"InstalledXdgEmpty", "usr/bin", true, "", "@/home",
                    "@/home/.local/share/quillet-tester/"},
        DataDirCase{"InstalledXdgRelative", "usr/bin", true, "xdg", "@/home",
                    "@/home/.local/share/quillet-tester/"},
        DataDirCase{"InstalledUnderLocal", "usr/local/bin", true, nullptr, "@/home",
                    "@/home/.local/share/quillet-tester/"},
        DataDirCase{"MetainfoBesideAFolderNotBin", "usr/app", true, "@/xdg", "@/home", ""}),
    [](const ::testing::TestParamInfo<DataDirCase>& info) { return std::string(info.param.title); });

TEST(ChooseDataDir, AnotherProgramsMetainfoIsNoInstall)
{
    TempDir tmp;
    std::filesystem::create_directories(tmp.path() / "bin");
    std::filesystem::create_directories(tmp.path() / "share" / "metainfo");
    WriteFile(tmp.file("share/metainfo/org.example.Other.metainfo.xml"), "<component/>");
    const std::string exeDir = tmp.file("bin") + "/";
    EXPECT_EQ(ChooseDataDir(exeDir, exeDir, "/xdg", "/home/u"), exeDir);
}

TEST(DataDir, TheBuildIsPortable)
{
    // The tests run from the build folder: the files stay beside them.
    EXPECT_EQ(DataDir(), ExeDir());
    EXPECT_EQ(DataDir("/some/folder"), "/some/folder/");
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
