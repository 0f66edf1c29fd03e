// Files must stay where the user keeps them: an instrument name cannot lead
// out of its folder, a write goes through a symbolic link instead of
// replacing it, and a read-only file is refused instead of replaced.

#include "model/Errors.h"
#include "store/Files.h"
#include "store/Startup.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <sys/stat.h>

namespace quillet {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::TempDir;
using test::UnprivilegedFileAccess;
using test::WriteFile;

std::string ErrorOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const Error& e) {
        return e.what();
    }
    return "(no error)";
}

int FileCount(const fs::path& dir)
{
    int n = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir))
        ++n;
    return n;
}

// ---------------------------------------------------------------------------
// Names

struct NameCase {
    const char* title;
    std::string name;
    std::string shown; // the name as the message quotes it
};

class RefusedName : public ::testing::TestWithParam<NameCase> {};

TEST_P(RefusedName, IsRefusedWithTheNameQuoted)
{
    const std::string error = ErrorOf([] { BaseFilePath("/data/", GetParam().name); });
    EXPECT_EQ(error.rfind("Недопустимое имя инструмента '" + GetParam().shown + "': ", 0), 0u) << error;
}

INSTANTIATE_TEST_SUITE_P(
    Names, RefusedName,
    ::testing::Values(NameCase{"Empty", "", ""}, NameCase{"Dot", ".", "."}, NameCase{"DotDot", "..", ".."},
                      NameCase{"Parent", "../X", "../X"}, NameCase{"Absolute", "/tmp/X", "/tmp/X"},
                      NameCase{"Subfolder", "a/b", "a/b"}, NameCase{"TrailingSlash", "X/", "X/"},
                      NameCase{"Backslash", "a\\b", "a\\b"},
                      NameCase{"ZeroCharacter", std::string("AUD\0JPY", 7), "AUD\\0JPY"},
                      // Names "config" and the record cannot keep as they are.
                      NameCase{"OutsideCodePage1251", "日本円ドル", "日本円ドル"},
                      NameCase{"CodePage1251AndMore", "Евро€✓", "Евро€✓"},
                      NameCase{"LineFeed", "EUR\nUSD", "EUR\\x0AUSD"},
                      NameCase{"CarriageReturn", "EURUSD\r", "EURUSD\\x0D"},
                      NameCase{"LeadingCtrlZ",
                               "\x1A"
                               "EURUSD",
                               "\\x1AEURUSD"},
                      NameCase{"Tab", "EUR\tUSD", "EUR\\x09USD"}, NameCase{"Delete", "EUR\x7F", "EUR\\x7F"}),
    [](const auto& info) { return std::string(info.param.title); });

TEST(BaseFilePath, EveryOtherNameNamesAFileInTheFolder)
{
    for (const std::string name : {"AUDJPY", "EURUSDX", "...", ".hidden", " X ", "a.b", "Евро", "€№1", "~"})
        EXPECT_EQ(BaseFilePath("/data/", name), "/data/" + name + ".base");
}

// ---------------------------------------------------------------------------
// Symbolic links: the target is written, the link stays

class WriteThroughLink : public ::testing::Test {
  protected:
    TempDir home;      // where the program keeps its files
    TempDir elsewhere; // where the user keeps the real ones
};

TEST_F(WriteThroughLink, ConfigLinkGetsTheNewListThroughIt)
{
    WriteInstrumentList(elsewhere.file("config"), {"AUDJPY"});
    fs::create_symlink(elsewhere.file("config"), home.file("config"));
    SaveInstrumentList(home.dir(), {"AUDJPY", "EURUSD"});
    EXPECT_TRUE(fs::is_symlink(home.file("config")));
    EXPECT_EQ(ReadFile(elsewhere.file("config")), "AUDJPY\r\nEURUSD\r\n");
    EXPECT_EQ(FileCount(elsewhere.path()), 1) << "no temporary file is left beside the target";
    EXPECT_EQ(FileCount(home.path()), 2) << "the link and the lock file of config";
}

TEST_F(WriteThroughLink, RelativeLinksCountFromTheirOwnFolder)
{
    // config -> data/list -> real, that is data/real.
    fs::create_directory(home.path() / "data");
    WriteFile(home.file("data/real"), "OLD\r\n");
    fs::create_symlink("real", home.path() / "data" / "list");
    fs::create_symlink("data/list", home.path() / "config");
    SaveInstrumentList(home.dir(), {"NEW"});
    EXPECT_TRUE(fs::is_symlink(home.path() / "config"));
    EXPECT_TRUE(fs::is_symlink(home.path() / "data" / "list"));
    EXPECT_EQ(ReadFile(home.file("data/real")), "NEW\r\n");
}

TEST_F(WriteThroughLink, BaseFileLinkAndDanglingLink)
{
    auto record = std::make_unique<Instrument>();
    std::memset(record.get(), 0, sizeof(Instrument));
    SetShortString(record->Name, "AUDJPY");
    WriteFile(elsewhere.file("AUDJPY.base"), "old");
    fs::create_symlink(elsewhere.file("AUDJPY.base"), home.file("AUDJPY.base"));
    WriteBaseFile(home.file("AUDJPY.base"), *record);
    EXPECT_TRUE(fs::is_symlink(home.file("AUDJPY.base")));
    EXPECT_EQ(fs::file_size(elsewhere.file("AUDJPY.base")), kInstrumentSize);

    // A link to a file not yet there creates it, as opening the link would.
    fs::create_symlink(elsewhere.file("later"), home.file("config"));
    SaveInstrumentList(home.dir(), {"EURUSD"});
    EXPECT_TRUE(fs::is_symlink(home.file("config")));
    EXPECT_EQ(ReadFile(elsewhere.file("later")), "EURUSD\r\n");
}

TEST_F(WriteThroughLink, APipeIsNotReplacedByAFile)
{
    ASSERT_EQ(::mkfifo(elsewhere.file("pipe").c_str(), 0666), 0);
    fs::create_symlink(elsewhere.file("pipe"), home.file("config"));
    EXPECT_EQ(ErrorOf([&] { SaveInstrumentList(home.dir(), {"EURUSD"}); }), "File access denied");
    EXPECT_TRUE(fs::is_fifo(elsewhere.file("pipe")));
    EXPECT_EQ(FileCount(elsewhere.path()), 1);
}

// ---------------------------------------------------------------------------
// Permissions and long names

class Permissions : public ::testing::Test {
  protected:
    void SetUp() override
    {
        // The folder itself is writable by anyone: only the file may refuse.
        fs::permissions(tmp.path(), fs::perms::all);
        WriteInstrumentList(config, {"AUDJPY"});
        before = ReadFile(config);
    }

    TempDir tmp;
    std::string config = tmp.file("config");
    std::string before;
};

TEST_F(Permissions, ReadOnlyFileIsRefusedAndLeftAsItIs)
{
    fs::permissions(config, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    {
        UnprivilegedFileAccess user;
        if (!user.Active())
            GTEST_SKIP() << "cannot act as an ordinary user here";
        EXPECT_EQ(ErrorOf([&] { WriteInstrumentList(config, {"EURUSD"}); }), "File access denied");
    }
    EXPECT_EQ(ReadFile(config), before);
    EXPECT_EQ(FileCount(tmp.path()), 1);
    EXPECT_EQ(fs::status(config).permissions(), fs::perms(0444));
}

TEST_F(Permissions, WritableFileIsReplacedByTheSameUser)
{
    // The counterpart of the refusal: the same user writes a file that allows it.
    fs::permissions(config, fs::perms(0666));
    {
        UnprivilegedFileAccess user;
        if (!user.Active())
            GTEST_SKIP() << "cannot act as an ordinary user here";
        EXPECT_EQ(ErrorOf([&] { WriteInstrumentList(config, {"EURUSD"}); }), "(no error)");
    }
    EXPECT_EQ(ReadFile(config), "EURUSD\r\n");
    EXPECT_EQ(fs::status(config).permissions(), fs::perms(0666));
}

TEST(LongName, AnyNameTheFolderTakesCanBeWritten)
{
    // 255 bytes is the longest name most file systems take; the temporary
    // file beside it must not need more.
    TempDir tmp;
    const std::string path = tmp.file(std::string(255, 'c'));
    WriteInstrumentList(path, {"AUDJPY"});
    WriteInstrumentList(path, {"EURUSD"});
    EXPECT_EQ(ReadFile(path), "EURUSD\r\n");
    EXPECT_EQ(FileCount(tmp.path()), 1);
}

// ---------------------------------------------------------------------------
// The config lock: a second writer waits for the first, and gives up
// after a while (eight processes at once: the make-base tests).

// Both writers of config, the command line's append and the window's save
// on close, wait until the lock is free.
TEST(ConfigLock, EveryWriterWaitsForTheOneHoldingIt)
{
    const std::function<void(const std::string&)> writers[] = {
        [](const std::string& dir) { AppendToInstrumentList(dir, "EURUSD"); },
        [](const std::string& dir) {
            SaveInstrumentList(dir, {"AUDJPY", "EURUSD"});
        },
    };
    for (const auto& write : writers) {
        TempDir tmp;
        WriteInstrumentList(tmp.file("config"), {"AUDJPY"});
        auto held = std::make_unique<quillet::ConfigLock>(tmp.dir());
        std::atomic<bool> released{false};
        std::thread release([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            released = true;
            held.reset();
        });
        write(tmp.dir());
        EXPECT_TRUE(released.load()) << "written while the lock was held";
        release.join();
        EXPECT_EQ(ReadFile(tmp.file("config")), "AUDJPY\r\nEURUSD\r\n");
    }
}

TEST(ConfigLock, AWriterThatWaitsTooLongGivesUpNamingConfig)
{
    TempDir tmp;
    WriteInstrumentList(tmp.file("config"), {"AUDJPY"});
    const quillet::ConfigLock held(tmp.dir());
    try {
        const quillet::ConfigLock second(tmp.dir(), std::chrono::milliseconds(50));
        FAIL() << "the lock was taken twice";
    } catch (const FileError& e) {
        EXPECT_EQ(e.Named(),
                  "'" + tmp.file("config") +
                      "': список инструментов меняет другая программа дольше 50 мс; config не изменён");
    }
    EXPECT_EQ(ReadFile(tmp.file("config")), "AUDJPY\r\n");
}

} // namespace
} // namespace quillet
