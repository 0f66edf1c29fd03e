#include "store/Startup.h"

#include "model/Errors.h"
#include "store/Files.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <thread>

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
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

namespace {

std::string WithSeparator(std::string dir)
{
    if (dir.empty() || dir.back() != '/')
        dir += '/';
    return dir;
}

/// True when `exeDir` is a "bin/" whose "../share/metainfo/" holds the
/// program's metainfo, as an install puts it.
bool InstalledLayout(const std::string& exeDir)
{
    namespace fs = std::filesystem;
    const fs::path bin = fs::path(exeDir).parent_path(); // exeDir ends in a separator
    if (bin.filename() != "bin")
        return false;
    std::error_code ec;
    const fs::path metainfo =
        bin.parent_path() / "share" / "metainfo" / (std::string(kAppId) + ".metainfo.xml");
    return fs::is_regular_file(metainfo, ec);
}

/// The home folder from the user database, for a process started without HOME.
std::string HomeFromPasswd()
{
    const passwd* pw = ::getpwuid(::getuid());
    return pw && pw->pw_dir ? pw->pw_dir : "";
}

} // namespace

std::string ChooseDataDir(const std::string& exeDir, const std::string& portableDir, const char* xdgDataHome,
                          const char* home)
{
    if (!InstalledLayout(exeDir))
        return WithSeparator(portableDir);
    // Only an absolute XDG_DATA_HOME counts; a relative one is to be ignored.
    if (xdgDataHome && xdgDataHome[0] == '/')
        return WithSeparator(xdgDataHome) + kDataFolderName + "/";
    std::string homeDir = home && home[0] == '/' ? home : HomeFromPasswd();
    if (homeDir.empty())
        throw Error(
            "Не найдена домашняя папка пользователя (HOME не задан): некуда сохранять файлы программы");
    return WithSeparator(homeDir) + ".local/share/" + kDataFolderName + "/";
}

std::string DataDir(const std::string& portableDir)
{
    const std::string exeDir = ExeDir();
    if (!InstalledLayout(exeDir))
        return WithSeparator(portableDir);
    const std::string dir =
        ChooseDataDir(exeDir, portableDir, std::getenv("XDG_DATA_HOME"), std::getenv("HOME"));
    // Each missing folder of the path is made private to the user, as the
    // desktop's base-directory rules ask.
    std::filesystem::path made;
    for (const std::filesystem::path& part : std::filesystem::path(dir)) {
        made /= part;
        if (part.empty() || made == made.root_path())
            continue;
        if (::mkdir(made.c_str(), 0700) != 0 && errno != EEXIST)
            ThrowFileError(errno, made.string());
    }
    std::error_code ec;
    if (!std::filesystem::is_directory(dir, ec))
        ThrowFileError(ENOTDIR, dir);
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
