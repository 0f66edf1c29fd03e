#include "store/Startup.h"

#include "store/Errors.h"
#include "store/Files.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <system_error>
#include <thread>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

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

ConfigLock::ConfigLock(const std::string& dir, std::chrono::milliseconds wait)
{
    const std::string lockPath = dir + "config.lock";
    fd_ = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    // A lock file made by another user may be one we can only read; flock
    // takes any open file.
    if (fd_ < 0 && errno == EACCES)
        fd_ = ::open(lockPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0)
        ThrowFileError(errno, lockPath);
    const auto deadline = std::chrono::steady_clock::now() + wait;
    while (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
        const int err = errno;
        if (err == EINTR)
            continue;
        if (err != EWOULDBLOCK || std::chrono::steady_clock::now() >= deadline) {
            ::close(fd_);
            if (err != EWOULDBLOCK)
                ThrowFileError(err, lockPath);
            throw FileError(dir + "config", "список инструментов меняет другая программа дольше " +
                                                std::to_string(wait.count()) + " мс; config не изменён");
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

ConfigLock::~ConfigLock()
{
    ::close(fd_); // closing releases the lock
}

void SaveInstrumentList(const std::string& dir, const std::vector<std::string>& names)
{
    const ConfigLock lock(dir);
    WriteInstrumentList(dir + "config", names);
}

void AppendToInstrumentList(const std::string& dir, const std::string& name)
{
    const ConfigLock lock(dir);
    std::vector<std::string> names = ReadStartupList(dir);
    names.push_back(name);
    WriteInstrumentList(dir + "config", names);
}

} // namespace quillet
