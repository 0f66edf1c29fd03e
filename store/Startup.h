#pragma once
// Bringing the instrument table up from "config" and the ".base" files it
// names, and writing the list back at shut-down.

#include "model/Instrument.h"

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace quillet {

/// The directory of the running executable, with a trailing separator.
std::string ExeDir();

/// The id of the program in the desktop's menus and software centres; it
/// names the launcher, the icon and the metainfo file.
inline constexpr const char* kAppId = "io.github.quillet.QuilletTester";

/// The folder under the user's data folder that an installed program keeps
/// its files in.
inline constexpr const char* kDataFolderName = "quillet-tester";

/// The folder of "config" and the ".base" files, with a trailing separator.
/// A program whose executable lies in `exeDir`, a "bin/" beside a "share/"
/// holding its installed metainfo, is installed and keeps its files in
/// `xdgDataHome` + "/quillet-tester/" (`home` + "/.local/share/quillet-tester/"
/// when `xdgDataHome` is unset, empty or relative); any other is portable and
/// keeps them in `portableDir`. Nothing is made here.
// A "costs" file, when there is one, belongs in the same folder.
std::string ChooseDataDir(const std::string& exeDir, const std::string& portableDir, const char* xdgDataHome,
                          const char* home);

/// The folder of "config" and the ".base" files for this process: the rule
/// of ChooseDataDir over ExeDir() and the environment. The window's portable
/// folder is the executable's; the command line's is the current one. An
/// installed program's folder is made (mode 0700) when missing; a FileError
/// naming it is thrown when it cannot be.
std::string DataDir(const std::string& portableDir = ExeDir());

/// The names of dir + "config". A missing file is a first start: an empty
/// list, no error. A file that is there but cannot be read throws its file
/// error, so that the caller knows the list it holds is not the user's.
std::vector<std::string> ReadStartupList(const std::string& dir);

/// Loads dir + name + ".base" of entry k into slot k + 1 for the first 30
/// entries, calling `fileLoaded` after each file. A file error ends the
/// loading at that file and is thrown; the slots before it stay loaded.
void LoadListedInstruments(const std::string& dir, const std::vector<std::string>& names,
                           const std::function<void()>& fileLoaded = {}, InstrumentTable& table = Table());

/// Reads dir + "config" into `names` (a missing file is a first start: an
/// empty list, no error), then loads dir + name + ".base" of entry k into
/// slot k + 1 for the first 30 entries, calling `fileLoaded` after each
/// file. Every name stays in `names`, also those beyond slot 30. A file
/// error ends the loading at that file and is thrown; `names` is complete
/// and the slots before the failing one are loaded.
void LoadInstruments(const std::string& dir, std::vector<std::string>& names,
                     const std::function<void()>& fileLoaded = {}, InstrumentTable& table = Table());

/// How long a writer of "config" waits for another one before it gives up.
inline constexpr std::chrono::milliseconds kConfigLockWait{5000};

/// Holds the advisory lock (flock) on dir + "config.lock" that every
/// read-modify-write of dir + "config" takes, in the window and the command
/// line alike, so that writers in several processes follow one another. A
/// writer that finds the lock held waits up to `wait` and then throws a
/// FileError about "config"; a folder where the lock file cannot be made
/// throws the file error of the lock file.
class ConfigLock {
  public:
    explicit ConfigLock(const std::string& dir, std::chrono::milliseconds wait = kConfigLockWait);
    ~ConfigLock();
    ConfigLock(const ConfigLock&) = delete;
    ConfigLock& operator=(const ConfigLock&) = delete;

  private:
    int fd_ = -1;
};

/// Writes the instrument list as dir + "config", under the config lock.
void SaveInstrumentList(const std::string& dir, const std::vector<std::string>& names);

/// Adds a name at the end of the list in dir + "config" (a missing file
/// starts a list), reading and writing it under the config lock.
void AppendToInstrumentList(const std::string& dir, const std::string& name);

} // namespace quillet
