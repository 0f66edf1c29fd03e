#include "store/Startup.h"

#include "store/Files.h"

#include <filesystem>
#include <system_error>

namespace quillet {

std::string ExeDir()
{
    std::error_code ec;
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec)
        exe = std::filesystem::current_path() / "program";
    std::string dir = exe.parent_path().string();
    if (dir.empty() || dir.back() != '/')
        dir += '/';
    return dir;
}

void LoadInstruments(const std::string& dir, std::vector<std::string>& names,
                     const std::function<void()>& fileLoaded, InstrumentTable& table)
{
    names.clear();
    const std::string configPath = dir + "config";
    std::error_code ec;
    if (!std::filesystem::exists(configPath, ec) && !std::filesystem::is_symlink(configPath, ec))
        return;  // first start: nothing listed yet
    names = ReadInstrumentList(configPath);
    const std::size_t count = std::min<std::size_t>(names.size(), kLastSlot);
    for (std::size_t k = 0; k < count; ++k) {
        ReadBaseFile(dir + names[k] + ".base", static_cast<int>(k) + 1, table);
        if (fileLoaded)
            fileLoaded();
    }
}

void SaveInstrumentList(const std::string& dir, const std::vector<std::string>& names)
{
    WriteInstrumentList(dir + "config", names);
}

}  // namespace quillet
