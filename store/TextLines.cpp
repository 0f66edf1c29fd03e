#include "store/TextLines.h"

#include <cstring>

namespace quillet {

TextLines::TextLines(std::string_view text) : data_(text.data()), end_(text.size()), size_(text.size()) {}

TextLines::TextLines(const std::string& path, std::size_t chunkSize)
    : file_(std::make_unique<FileChunks>(path)), chunkSize_(chunkSize), atEnd_(false), size_(file_->Size())
{
    buffer_.resize(chunkSize_);
    data_ = buffer_.data();
}

bool TextLines::Refill()
{
    if (atEnd_)
        return false;
    // What is left moves to the front; a line longer than the buffer grows it.
    const std::size_t left = end_ - pos_;
    if (left > 0 && pos_ > 0)
        std::memmove(buffer_.data(), buffer_.data() + pos_, left);
    pos_ = 0;
    end_ = left;
    if (buffer_.size() - end_ < chunkSize_ / 2 + 1)
        buffer_.resize(buffer_.size() * 2);
    data_ = buffer_.data();
    const std::size_t want = buffer_.size() - end_;
    const std::size_t got = file_->Read(buffer_.data() + end_, want);
    end_ += got;
    atEnd_ = got < want;
    return got > 0;
}

void TextLines::Ensure(std::size_t count)
{
    while (end_ - pos_ < count && Refill()) {
    }
}

bool TextLines::SkipByteOrderMark()
{
    constexpr std::string_view kMark = "\xEF\xBB\xBF";
    Ensure(kMark.size());
    if (std::string_view(data_ + pos_, end_ - pos_).substr(0, kMark.size()) != kMark)
        return false;
    pos_ += kMark.size();
    consumed_ += kMark.size();
    return true;
}

bool TextLines::Next(std::string_view& line)
{
    Ensure(1);
    if (stopped_ || pos_ == end_ || data_[pos_] == '\x1A') {
        stopped_ = true;
        return false;
    }
    std::size_t searched = pos_;
    for (;;) {
        const void* lf = std::memchr(data_ + searched, '\n', end_ - searched);
        if (lf || atEnd_) {
            const std::size_t stop =
                lf ? static_cast<std::size_t>(static_cast<const char*>(lf) - data_) : end_;
            std::size_t length = stop - pos_;
            line = std::string_view(data_ + pos_, length);
            if (!line.empty() && line.back() == '\r')
                line.remove_suffix(1);
            const std::size_t next = lf ? stop + 1 : stop;
            consumed_ += next - pos_;
            pos_ = next;
            ++number_;
            return true;
        }
        // The line goes on past the bytes at hand; the search goes on after
        // what was searched, wherever the refill moved it.
        const std::size_t offset = end_ - pos_;
        Refill();
        searched = pos_ + offset;
    }
}

} // namespace quillet
