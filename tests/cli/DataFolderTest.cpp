// The folder a command works in when none is given: the current one for a
// program run from its build, the user's data folder for an installed one.

#include "CliTestSupport.h"
#include "store/Startup.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <sys/wait.h>

namespace quillet::cli {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;

// One candle per timeframe: enough for make-base.
constexpr const char* kWeek = "2005.01.09,00:00,1.3050,1.3080,1.3040,1.3060,1\r\n";
constexpr const char* kDay = "2005.01.10,00:00,1.3050,1.3080,1.3040,1.3060,1\r\n";
constexpr const char* kHour = "2005.01.10,00:00,1.3050,1.3080,1.3040,1.3060,1\r\n";

/// Sets an environment variable (nullopt: unsets it) and puts the old value back.
class ScopedEnv {
  public:
    ScopedEnv(const char* name, const std::optional<std::string>& value) : name_(name)
    {
        if (const char* old = std::getenv(name))
            old_ = old;
        Set(value);
    }
    ~ScopedEnv() { Set(old_); }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

  private:
    void Set(const std::optional<std::string>& value)
    {
        if (value)
            ::setenv(name_, value->c_str(), 1);
        else
            ::unsetenv(name_);
    }
    const char* name_;
    std::optional<std::string> old_;
};

class DataFolderTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        WriteFile(tmp.file("w1.csv"), kWeek);
        WriteFile(tmp.file("d1.csv"), kDay);
        WriteFile(tmp.file("h1.csv"), kHour);
    }

    /// quillet-cli copied into PREFIX/bin, with the program's metainfo in
    /// PREFIX/share/metainfo when `installed`: the layout a package leaves.
    std::string PlaceCli(const std::string& prefix, bool installed)
    {
        const fs::path bin = tmp.path() / prefix / "bin";
        fs::create_directories(bin);
        fs::copy_file(QUILLET_CLI_PATH, bin / "quillet-cli");
        fs::permissions(bin / "quillet-cli", fs::perms::owner_all);
        if (installed) {
            const fs::path share = tmp.path() / prefix / "share" / "metainfo";
            fs::create_directories(share);
            std::string metainfo = kAppId;
            metainfo += ".metainfo.xml";
            WriteFile((share / metainfo).string(), "<component/>");
        }
        return (bin / "quillet-cli").string();
    }

    /// Runs the program at `cli` with `args` in its own process; its exit status.
    int Run(const std::string& cli, std::vector<std::string> args)
    {
        args.insert(args.begin(), cli);
        std::vector<char*> argv;
        for (std::string& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        pid_t pid = -1;
        if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
            return -1;
        int status = 0;
        ::waitpid(pid, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    std::vector<std::string> MakeBase() const
    {
        return {"make-base",        "TEST01",           tmp.file("w1.csv"),
                tmp.file("d1.csv"), tmp.file("h1.csv"), "--add-to-config"};
    }

    TempDir tmp;
};

TEST_F(DataFolderTest, InstalledProgramWritesUnderXdgDataHome)
{
    const std::string cli = PlaceCli("usr", true);
    const ScopedEnv xdg("XDG_DATA_HOME", tmp.file("xdg"));
    ASSERT_EQ(Run(cli, MakeBase()), 0);
    const fs::path folder = tmp.path() / "xdg" / "quillet-tester";
    EXPECT_TRUE(fs::exists(folder / "TEST01.base"));
    EXPECT_EQ(ReadFile((folder / "config").string()), "TEST01\r\n");
    // Made for the user alone, and nothing beside the executable.
    struct stat st {};
    ASSERT_EQ(::stat(folder.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    EXPECT_FALSE(fs::exists(tmp.path() / "usr" / "bin" / "TEST01.base"));
    // portfolio finds the list there too.
    EXPECT_EQ(Run(cli, {"portfolio", "--json"}), 0);
}

TEST_F(DataFolderTest, InstalledProgramWithoutXdgUsesHome)
{
    const std::string cli = PlaceCli("usr", true);
    const ScopedEnv xdg("XDG_DATA_HOME", std::nullopt);
    const ScopedEnv home("HOME", tmp.file("home"));
    ASSERT_EQ(Run(cli, MakeBase()), 0);
    EXPECT_TRUE(fs::exists(tmp.path() / "home" / ".local" / "share" / "quillet-tester" / "TEST01.base"));
}

TEST_F(DataFolderTest, AFolderGivenIsUsedEvenWhenInstalled)
{
    const std::string cli = PlaceCli("usr", true);
    const ScopedEnv xdg("XDG_DATA_HOME", tmp.file("xdg"));
    fs::create_directories(tmp.path() / "mine");
    std::vector<std::string> args = MakeBase();
    args.insert(args.end(), {"--dir", tmp.file("mine")});
    ASSERT_EQ(Run(cli, args), 0);
    EXPECT_TRUE(fs::exists(tmp.path() / "mine" / "TEST01.base"));
    EXPECT_FALSE(fs::exists(tmp.path() / "xdg"));
}

TEST_F(DataFolderTest, PortableProgramWritesInTheCurrentFolder)
{
    // A bin/ without the metainfo beside it is no install.
    const std::string cli = PlaceCli("opt", false);
    const ScopedEnv xdg("XDG_DATA_HOME", tmp.file("xdg"));
    fs::create_directories(tmp.path() / "work");
    const auto previous = fs::current_path();
    fs::current_path(tmp.path() / "work");
    const int status = Run(cli, MakeBase());
    fs::current_path(previous);
    ASSERT_EQ(status, 0);
    EXPECT_TRUE(fs::exists(tmp.path() / "work" / "TEST01.base"));
    EXPECT_EQ(ReadFile(tmp.file("work/config")), "TEST01\r\n");
    EXPECT_FALSE(fs::exists(tmp.path() / "xdg"));
}

TEST_F(DataFolderTest, InstalledFolderThatCannotBeMadeIsAnError)
{
    const std::string cli = PlaceCli("usr", true);
    WriteFile(tmp.file("blocked"), "a file where the folder would go");
    const ScopedEnv xdg("XDG_DATA_HOME", tmp.file("blocked"));
    EXPECT_EQ(Run(cli, MakeBase()), kFailure);
    EXPECT_EQ(ReadFile(tmp.file("blocked")), "a file where the folder would go");
}

} // namespace
} // namespace quillet::cli
