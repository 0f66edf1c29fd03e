// Writes that fail half-way (disk full, read-only file system) must leave the
// previous file whole. The test mounts a small tmpfs of its own, which needs
// root and mount rights; elsewhere it is skipped with the reason.

#include "model/Errors.h"
#include "model/Instrument.h"
#include "store/Files.h"
#include "store/OlderImport.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <memory>

#include <sys/mount.h>

namespace quillet {
namespace {

using test::ReadFile;
using test::TempDir;

class SmallFileSystem : public ::testing::Test {
  protected:
    void Mount(const char* size)
    {
        const std::string options = std::string("size=") + size;
        if (::mount("tmpfs", tmp.path().c_str(), "tmpfs", 0, options.c_str()) != 0)
            GTEST_SKIP() << "cannot mount a tmpfs here (" << std::strerror(errno) << "); fault tests skipped";
        mounted = true;
    }
    void MakeReadOnly()
    {
        ASSERT_EQ(::mount("tmpfs", tmp.path().c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, nullptr), 0)
            << std::strerror(errno);
    }
    void FillUp()
    {
        // Fill every free byte, then check that really nothing is left.
        const std::string block(4096, 'x');
        std::FILE* f = std::fopen(tmp.file("filler").c_str(), "wb");
        ASSERT_NE(f, nullptr);
        std::setvbuf(f, nullptr, _IONBF, 0);
        while (std::fwrite(block.data(), 1, block.size(), f) == block.size()) {
        }
        std::fwrite(block.data(), 1, 1, f);
        std::fclose(f);
    }
    void TearDown() override
    {
        if (mounted)
            ::umount2(tmp.path().c_str(), MNT_DETACH);
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
    int FileCount()
    {
        int n = 0;
        for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(tmp.path()))
            ++n;
        return n;
    }

    TempDir tmp;
    bool mounted = false;
};

TEST_F(SmallFileSystem, ConfigOnAFullDiskKeepsTheOldList)
{
    Mount("64k");
    if (!mounted)
        return;
    const std::vector<std::string> old{"AUDJPY", "EURUSD"};
    WriteInstrumentList(tmp.file("config"), old);
    FillUp();
    std::vector<std::string> many(5000, "GBPUSD");
    EXPECT_EQ(ErrorOf([&] { WriteInstrumentList(tmp.file("config"), many); }), "Disk full");
    EXPECT_EQ(ReadInstrumentList(tmp.file("config")), old);
    EXPECT_EQ(FileCount(), 2) << "no temporary file is left behind";
}

TEST_F(SmallFileSystem, BaseFileOnAFullDiskKeepsTheOldFile)
{
    Mount("12m");
    if (!mounted)
        return;
    auto inst = std::make_unique<Instrument>();
    std::memset(inst.get(), 0, sizeof(Instrument));
    SetShortString(inst->Name, "OLD");
    WriteBaseFile(tmp.file("P.base"), *inst);
    const std::string before = ReadFile(tmp.file("P.base"));

    SetShortString(inst->Name, "NEW");
    EXPECT_EQ(ErrorOf([&] { WriteBaseFile(tmp.file("P.base"), *inst); }), "Disk full");
    EXPECT_EQ(ReadFile(tmp.file("P.base")), before);
    EXPECT_EQ(FileCount(), 1);
}

TEST_F(SmallFileSystem, ToolsFileOnAFullDiskKeepsTheOldFile)
{
    Mount("16m");
    if (!mounted)
        return;
    test::WriteFile(tmp.file("tools.base"), "the previous save");
    InstrumentTable table;
    SetShortString(table[1].Name, "AUDJPY");
    // Seven records need 65 MB; the file system holds 16.
    EXPECT_EQ(ErrorOf([&] { WriteOlderToolsFile(tmp.file("tools.base"), table); }), "Disk full");
    EXPECT_EQ(ReadFile(tmp.file("tools.base")), "the previous save");
    EXPECT_EQ(FileCount(), 1);
}

TEST_F(SmallFileSystem, ReadOnlyFileSystemRefusesAndKeepsTheFile)
{
    Mount("64k");
    if (!mounted)
        return;
    WriteInstrumentList(tmp.file("config"), {"AUDJPY"});
    MakeReadOnly();
    EXPECT_EQ(ErrorOf([&] { WriteInstrumentList(tmp.file("config"), {"EURUSD"}); }), "File access denied");
    EXPECT_EQ(ReadInstrumentList(tmp.file("config")), std::vector<std::string>{"AUDJPY"});
    // Reading needs no write access.
    EXPECT_EQ(ReadInstrumentList(tmp.file("config")).size(), 1u);
}

} // namespace
} // namespace quillet
