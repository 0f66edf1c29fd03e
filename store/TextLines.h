#pragma once
// The lines of a text that may be far larger than memory should hold: read
// from a file piece by piece, or taken from a text already in memory, and
// cut as TextLineReader cuts every text file.

#include "store/Files.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace quillet {

class TextLines {
  public:
    /// How much of a file is read at a time.
    static constexpr std::size_t kChunkSize = 1 << 20;

    /// The lines of a text in memory; nothing is copied.
    explicit TextLines(std::string_view text);
    /// The lines of a file, `chunkSize` bytes read at a time: memory holds
    /// one piece, or the longest line when that is longer.
    explicit TextLines(const std::string& path, std::size_t chunkSize = kChunkSize);

    /// Steps over a UTF-8 byte-order mark at the very start; true when there
    /// was one. Only before the first Next.
    bool SkipByteOrderMark();

    /// The next line without its end (LF or CR LF; a CR that ends the text
    /// is dropped too). It stays valid until the next call. False after the
    /// last line, and from a Ctrl-Z where a line would begin.
    bool Next(std::string_view& line);

    /// The number of the line Next gave last, counting from 1.
    int Number() const { return number_; }
    /// The bytes of the text consumed so far, and all of them.
    std::uint64_t Position() const { return consumed_; }
    std::uint64_t Size() const { return size_; }

  private:
    /// Reads more of the file behind what is left; false at its end.
    bool Refill();
    /// At least `count` bytes ahead, or as many as the text still has.
    void Ensure(std::size_t count);

    std::unique_ptr<FileChunks> file_;
    std::vector<char> buffer_;
    const char* data_ = nullptr; // the bytes at hand: [pos_, end_)
    std::size_t pos_ = 0;
    std::size_t end_ = 0;
    std::size_t chunkSize_ = kChunkSize;
    bool atEnd_ = true; // nothing more to read
    bool stopped_ = false;
    int number_ = 0;
    std::uint64_t consumed_ = 0;
    std::uint64_t size_ = 0;
};

} // namespace quillet
