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

// Where make-base --add-to-config puts its files, XDG_DATA_HOME naming
// tmp/xdg (or a plain file, where no folder can be made) and the current
// folder being tmp/work. The rule itself, HOME included, is tested in the
// core; here the built program follows it.
struct FolderCase {
    const char* Name;
    bool Installed;    // bin/ beside share/metainfo with the program's metainfo
    const char* Dir;   // --dir, or nullptr
    const char* Xdg;   // XDG_DATA_HOME below tmp
    const char* Lands; // the folder below tmp that holds the files; nullptr: refused
};

class DataFolder : public ::testing::TestWithParam<FolderCase> {};

TEST_P(DataFolder, MakeBaseWritesWhereTheRuleSays)
{
    const FolderCase& c = GetParam();
    TempDir tmp;
    WriteFile(tmp.file("w1.csv"), kWeek);
    WriteFile(tmp.file("d1.csv"), kDay);
    WriteFile(tmp.file("h1.csv"), kHour);
    WriteFile(tmp.file("blocked"), "a file where the folder would go");
    fs::create_directories(tmp.path() / "work");
    fs::create_directories(tmp.path() / "mine");

    // quillet-cli copied into PREFIX/bin, as a package (or an unpacked
    // archive without the metainfo) leaves it.
    const fs::path bin = tmp.path() / "usr" / "bin";
    fs::create_directories(bin);
    fs::copy_file(QUILLET_CLI_PATH, bin / "quillet-cli");
    fs::permissions(bin / "quillet-cli", fs::perms::owner_all);
    if (c.Installed) {
        const fs::path share = tmp.path() / "usr" / "share" / "metainfo";
        fs::create_directories(share);
        std::string metainfo = kAppId;
        metainfo += ".metainfo.xml";
        WriteFile((share / metainfo).string(), "<component/>");
    }
    const std::string cli = (bin / "quillet-cli").string();
    const ScopedEnv xdg("XDG_DATA_HOME", tmp.file(c.Xdg));
    const auto run = [&](std::vector<std::string> args) {
        const auto previous = fs::current_path();
        fs::current_path(tmp.path() / "work");
        const pid_t pid = SpawnCli(args, "/dev/null", cli);
        fs::current_path(previous);
        int status = 0;
        ::waitpid(pid, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    std::vector<std::string> args = {"make-base",        "TEST01",           tmp.file("w1.csv"),
                                     tmp.file("d1.csv"), tmp.file("h1.csv"), "--add-to-config"};
    if (c.Dir)
        args.insert(args.end(), {"--dir", tmp.file(c.Dir)});

    if (!c.Lands) {
        EXPECT_EQ(run(args), kFailure);
        EXPECT_EQ(ReadFile(tmp.file("blocked")), "a file where the folder would go");
        return;
    }
    ASSERT_EQ(run(args), 0);
    const fs::path folder = tmp.path() / c.Lands;
    EXPECT_EQ(ReadFile((folder / "config").string()), "TEST01\r\n");
    EXPECT_TRUE(fs::exists(folder / "TEST01.base"));
    EXPECT_FALSE(fs::exists(bin / "TEST01.base")) << "nothing beside the executable";
    const bool inXdg = std::string(c.Lands).rfind(c.Xdg, 0) == 0;
    EXPECT_EQ(fs::exists(tmp.path() / c.Xdg), inXdg);
    if (inXdg) {
        // Made for the user alone; portfolio finds the list there too.
        struct stat st {};
        ASSERT_EQ(::stat(folder.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0700u);
        EXPECT_EQ(run({"portfolio", "--json"}), 0);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, DataFolder,
    ::testing::Values(FolderCase{"installed_writes_under_xdg_data_home", true, nullptr, "xdg",
                                 "xdg/quillet-tester"},
                      FolderCase{"a_folder_given_wins_when_installed", true, "mine", "xdg", "mine"},
                      FolderCase{"portable_writes_in_the_current_folder", false, nullptr, "xdg", "work"},
                      FolderCase{"installed_folder_that_cannot_be_made", true, nullptr, "blocked", nullptr}),
    [](const ::testing::TestParamInfo<FolderCase>& info) { return std::string(info.param.Name); });

} // namespace
} // namespace quillet::cli
