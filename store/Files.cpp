#include "store/Files.h"

#include "store/Cp1251.h"
#include "store/Errors.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillet {
namespace {

// Closes a descriptor on every path out of a function.
class FileHandle {
public:
    explicit FileHandle(int fd) : fd_(fd) {}
    ~FileHandle()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    int get() const { return fd_; }

    // Closes now and reports the error close() may still raise (NFS, quotas).
    int Close()
    {
        const int rc = ::close(fd_);
        fd_ = -1;
        return rc == 0 ? 0 : errno;
    }

private:
    int fd_;
};

int OpenForReading(const std::string& path)
{
    if (path.empty() || path.find('\0') != std::string::npos)
        throw Error(FileErrorText(EINVAL));
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        ThrowFileError(errno);
    return fd;
}

// Reads up to `size` bytes; returns how many arrived before the end of the file.
std::size_t ReadFully(int fd, void* buffer, std::size_t size)
{
    auto* p = static_cast<char*>(buffer);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::read(fd, p + done, size - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            ThrowFileError(errno);
        }
        if (n == 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    return done;
}

void WriteFully(int fd, const void* data, std::size_t size)
{
    const auto* p = static_cast<const char*>(data);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(fd, p + done, size - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            ThrowFileError(errno);
        }
        done += static_cast<std::size_t>(n);
    }
}

std::string TemporaryNameFor(const std::string& path)
{
    static std::mt19937_64 rng{std::random_device{}()};
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, ".%016llx.tmp", static_cast<unsigned long long>(rng()));
    return path + suffix;
}

std::string ReadWholeFile(const std::string& path)
{
    FileHandle file(OpenForReading(path));
    std::string bytes;
    char chunk[65536];
    for (;;) {
        const std::size_t n = ReadFully(file.get(), chunk, sizeof chunk);
        bytes.append(chunk, n);
        if (n < sizeof chunk)
            break;
    }
    return bytes;
}

}  // namespace

void ReadBaseFile(const std::string& path, int slot, InstrumentTable& table)
{
    FileHandle file(OpenForReading(path));
    const std::size_t got = ReadFully(file.get(), &table[slot], kInstrumentSize);
    if (got < kInstrumentSize)
        throw Error(kReadBeyondEnd);
}

void WriteBaseFile(const std::string& path, const Instrument& record)
{
    WriteFileAtomically(path, &record, sizeof record);
}

void WriteFileAtomically(const std::string& path, const void* data, std::size_t size)
{
    if (path.empty() || path.find('\0') != std::string::npos)
        throw Error(FileErrorText(EINVAL));

    // Keep the permissions of the file being replaced.
    mode_t mode = 0666;
    struct stat old{};
    if (::stat(path.c_str(), &old) == 0) {
        if (S_ISDIR(old.st_mode))
            ThrowFileError(EISDIR);
        mode = old.st_mode & 07777;
    }

    const std::string temp = TemporaryNameFor(path);
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd < 0)
        ThrowFileError(errno);
    FileHandle file(fd);
    try {
        WriteFully(fd, data, size);
        if (::fsync(fd) != 0)
            ThrowFileError(errno);
        if (const int err = file.Close())
            ThrowFileError(err);
        if (::rename(temp.c_str(), path.c_str()) != 0)
            ThrowFileError(errno);
    } catch (...) {
        ::unlink(temp.c_str());
        throw;
    }
}

std::vector<std::string> ReadTextLines(const std::string& path)
{
    const std::string bytes = ReadWholeFile(path);
    std::vector<std::string> lines;
    std::size_t pos = 0;
    while (pos < bytes.size() && bytes[pos] != '\x1A') {
        std::size_t end = bytes.find('\n', pos);
        const std::size_t next = end == std::string::npos ? bytes.size() : end + 1;
        if (end == std::string::npos)
            end = bytes.size();
        else if (end > pos && bytes[end - 1] == '\r')
            --end;
        lines.push_back(Cp1251ToUtf8(std::string_view(bytes).substr(pos, end - pos)));
        pos = next;
    }
    return lines;
}

std::string ReadFileBytes(const std::string& path)
{
    return ReadWholeFile(path);
}

std::vector<std::string> ReadInstrumentList(const std::string& path)
{
    return ReadTextLines(path);
}

void WriteInstrumentList(const std::string& path, const std::vector<std::string>& names)
{
    std::string bytes;
    for (const auto& name : names) {
        bytes += Utf8ToCp1251(name);
        bytes += "\r\n";
    }
    WriteFileAtomically(path, bytes.data(), bytes.size());
}

}  // namespace quillet
