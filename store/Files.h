#pragma once
// The ".base" and "config" files and the plain text files the program reads.

#include "model/Instrument.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quillet {

/// Throws an error quoting the name when it cannot name a file inside its
/// folder (empty, "." or "..", or holding "/" or a backslash) or cannot be
/// kept as it is in "config" and in the record: a character that code page
/// 1251 has no code for, or a control character (codes below 32, and 127).
void CheckInstrumentName(std::string_view name);

/// The path of an instrument's ".base" file in `dir` (which ends in a
/// separator): dir + name + ".base", once CheckInstrumentName accepts the name.
std::string BaseFilePath(const std::string& dir, std::string_view name);

/// Reads the first 9,360,152 bytes of the file over the whole slot with one
/// transfer, and the spread file beside it into the table (LoadSpreadBeside).
/// A shorter file leaves the bytes it had in the slot and throws
/// "Read beyond end of file"; other failures throw their file error. Every
/// file error here and below is a FileError naming its file.
void ReadBaseFile(const std::string& path, int slot, InstrumentTable& table = Table());

/// Reads a ".base" file that must be exactly one record (and the spread
/// beside it): a longer file is refused as a shorter one is, and the slot is
/// left empty on refusal.
void ReadWholeBaseFile(const std::string& path, int slot, InstrumentTable& table = Table());

/// Loads the ".base" file a command runs over: ReadWholeBaseFile, and the
/// record must hold an instrument the window could pick (weekly candles).
void LoadInstrumentForRun(const std::string& path, int slot, InstrumentTable& table = Table());

/// Writes the record as the file at `path`, replacing an existing one only
/// once the new contents are safely on disk.
void WriteBaseFile(const std::string& path, const Instrument& record);

/// The lines of a text one by one, as every text file the program reads is
/// cut: a line ends at CR LF or LF, the last line needs no end, and a Ctrl-Z
/// where a line would begin ends the text.
class TextLineReader {
  public:
    explicit TextLineReader(std::string_view text) : text_(text) {}

    /// The next line, without its end; false after the last one.
    bool Next(std::string_view& line);
    /// The number of the line Next gave last, counting from 1.
    int Number() const { return number_; }
    /// The bytes read so far.
    std::size_t Position() const { return pos_; }

  private:
    std::string_view text_;
    std::size_t pos_ = 0;
    int number_ = 0;
};

/// Reads a text file line by line, cut as TextLineReader cuts it. The bytes
/// are code page 1251 and come back as UTF-8.
std::vector<std::string> ReadTextLines(const std::string& path);

/// The whole contents of a file, as bytes; failures throw their file error.
std::string ReadFileBytes(const std::string& path);

/// A file read front to back in pieces, for files too large to hold whole.
/// Failures throw the file error naming the file.
class FileChunks {
  public:
    explicit FileChunks(const std::string& path);
    ~FileChunks();
    FileChunks(const FileChunks&) = delete;
    FileChunks& operator=(const FileChunks&) = delete;

    /// Fills `buffer` with the next `size` bytes; fewer only at the end of
    /// the file (0 once it is reached).
    std::size_t Read(char* buffer, std::size_t size);
    /// The size of the file when it was opened.
    std::uint64_t Size() const { return size_; }

  private:
    std::string path_;
    int fd_ = -1;
    std::uint64_t size_ = 0;
};

/// The instrument names of a "config" file, one per line, unchanged.
std::vector<std::string> ReadInstrumentList(const std::string& path);

/// Writes the names as a "config" file, each followed by CR LF, in code page
/// 1251, replacing an existing file only once the new one is complete.
void WriteInstrumentList(const std::string& path, const std::vector<std::string>& names);

/// A file written whole or not at all, in pieces: the pieces fill a
/// temporary file in the target's folder, and Commit() flushes it to disk
/// and renames it over the target. A writer destroyed before Commit()
/// removes its temporary file and leaves the target as it was. The target
/// follows the rules of WriteFileAtomically, checked when the writer is made.
class AtomicFileWriter {
  public:
    explicit AtomicFileWriter(std::string path);
    ~AtomicFileWriter();
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    void Write(std::string_view bytes);
    void Write(const void* data, std::size_t size);
    void Commit();

  private:
    std::string path_;   // as the caller named it, for the errors
    std::string target_; // the file the rename replaces: the link's target for a link
    std::string temp_;
    int fd_ = -1;
    bool committed_ = false;
};

/// Writes bytes to `path` through a temporary file in the same directory
/// that is flushed to disk and then renamed over the old file, so a failure
/// (disk full, no permission) leaves the previous file whole. A symbolic
/// link is followed and its target replaced, so the link stays; an existing
/// file that may not be opened for writing is refused with "File access
/// denied" and left as it is. A file with several hard links is still
/// replaced by a new one: the other links keep the old contents.
void WriteFileAtomically(const std::string& path, const void* data, std::size_t size);

} // namespace quillet
