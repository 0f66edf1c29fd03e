#pragma once
// Bringing the instrument table up from "config" and the ".base" files it
// names, and writing the list back at shut-down.

#include "store/Instrument.h"

#include <functional>
#include <string>
#include <vector>

namespace quillet {

/// The directory of the running executable, with a trailing separator.
std::string ExeDir();

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

/// Writes the instrument list as dir + "config".
void SaveInstrumentList(const std::string& dir, const std::vector<std::string>& names);

} // namespace quillet
