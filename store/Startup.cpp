#include "store/Startup.h"

#include "store/Files.h"

#include <algorithm>
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

std::vector<std::string> ReadStartupList(const std::string& dir)
{
    const std::string configPath = dir + "config";
    std::error_code ec;
    // Only a file that is not there is a first start; one that cannot be
    // reached or read is an error, not an empty list.
    if (std::filesystem::symlink_status(configPath, ec).type() == std::filesystem::file_type::not_found)
        return {};
    return ReadInstrumentList(configPath);
}

void LoadListedInstruments(const std::string& dir, const std::vector<std::string>& names,
                           const std::function<void()>& fileLoaded, InstrumentTable& table)
{
    const std::size_t count = std::min<std::size_t>(names.size(), kLastSlot);
    for (std::size_t k = 0; k < count; ++k) {
        ReadBaseFile(dir + names[k] + ".base", static_cast<int>(k) + 1, table);
        if (fileLoaded)
            fileLoaded();
    }
}

void LoadInstruments(const std::string& dir, std::vector<std::string>& names,
                     const std::function<void()>& fileLoaded, InstrumentTable& table)
{
    names.clear();
    names = ReadStartupList(dir);
    LoadListedInstruments(dir, names, fileLoaded, table);
}

void SaveInstrumentList(const std::string& dir, const std::vector<std::string>& names)
{
    WriteInstrumentList(dir + "config", names);
}

} // namespace quillet
