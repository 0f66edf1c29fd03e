#pragma once
// The ".base" and "config" files and the plain text files the program reads.

#include "store/Instrument.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace quillet {

/// Throws an error quoting the name when it cannot name a file inside its
/// folder: empty, "." or "..", or holding "/", a backslash or a zero character.
void CheckInstrumentName(std::string_view name);

/// The path of an instrument's ".base" file in `dir` (which ends in a
/// separator): dir + name + ".base", once CheckInstrumentName accepts the name.
std::string BaseFilePath(const std::string& dir, std::string_view name);

/// Reads the first 9,360,152 bytes of the file over the whole slot with one
/// transfer. A shorter file leaves the bytes it had in the slot and throws
/// "Read beyond end of file"; other failures throw their file error.
void ReadBaseFile(const std::string& path, int slot, InstrumentTable& table = Table());

/// Writes the record as the file at `path`, replacing an existing one only
/// once the new contents are safely on disk.
void WriteBaseFile(const std::string& path, const Instrument& record);

/// Reads a text file line by line: a line ends at CR LF or LF, the last line
/// needs no end, and a Ctrl-Z where a line would begin ends the file. The
/// bytes are code page 1251 and come back as UTF-8.
std::vector<std::string> ReadTextLines(const std::string& path);

/// The whole contents of a file, as bytes; failures throw their file error.
std::string ReadFileBytes(const std::string& path);

/// The instrument names of a "config" file, one per line, unchanged.
std::vector<std::string> ReadInstrumentList(const std::string& path);

/// Writes the names as a "config" file, each followed by CR LF, in code page
/// 1251, replacing an existing file only once the new one is complete.
void WriteInstrumentList(const std::string& path, const std::vector<std::string>& names);

/// Writes bytes to `path` through a temporary file in the same directory
/// that is flushed to disk and then renamed over the old file, so a failure
/// (disk full, no permission) leaves the previous file whole. A symbolic
/// link is followed and its target replaced, so the link stays; an existing
/// file that may not be opened for writing is refused with "File access
/// denied" and left as it is. A file with several hard links is still
/// replaced by a new one: the other links keep the old contents.
void WriteFileAtomically(const std::string& path, const void* data, std::size_t size);

} // namespace quillet
