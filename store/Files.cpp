#include "store/Files.h"

#include "store/Cp1251.h"
#include "store/Errors.h"

#include <cerrno>
#include <climits>
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

// The folder part of a path, with its trailing separator ("" for a bare name).
std::string FolderOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// A fresh name in `folder`. It is kept short: a name derived from the target
// would fail on a target name near the file system's limit, which the target
// itself does not exceed.
std::string TemporaryNameIn(const std::string& folder)
{
    static std::mt19937 rng{std::random_device{}()};
    char name[16];
    std::snprintf(name, sizeof name, ".~%08x", static_cast<unsigned>(rng()));
    return folder + name;
}

// The file a write to `path` lands in: a symbolic link is followed to its
// target, also a dangling one, which the write then creates as opening it
// would have. A relative target counts from the link's folder.
std::string FollowLinks(std::string path)
{
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return path;
        char target[PATH_MAX];
        const ssize_t n = ::readlink(path.c_str(), target, sizeof target);
        if (n < 0)
            ThrowFileError(errno);
        if (n == 0)
            ThrowFileError(ENOENT);
        if (static_cast<std::size_t>(n) >= sizeof target)
            ThrowFileError(ENAMETOOLONG);
        const std::string next(target, static_cast<std::size_t>(n));
        path = next.front() == '/' ? next : FolderOf(path) + next;
    }
    ThrowFileError(ELOOP);
}

// Replacing a file takes only a writable folder, so ask the file itself, as
// a plain write that opens it would: a file without write permission, or on
// a read-only file system, is refused. Opening for writing changes nothing.
void CheckMayWrite(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        ThrowFileError(errno);
    ::close(fd);
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

} // namespace

void CheckInstrumentName(std::string_view name)
{
    const char* reason = nullptr;
    if (name.find('\0') != std::string_view::npos)
        reason = "имя содержит нулевой символ";
    else if (name.empty())
        reason = "имя пустое";
    else if (name == "." || name == "..")
        reason = "такое имя обозначает папку";
    else if (name.find('/') != std::string_view::npos)
        reason = "имя содержит \"/\", и файл базы оказался бы в другой папке";
    else if (name.find('\\') != std::string_view::npos)
        reason = "имя содержит \"\\\", и файл базы оказался бы в другой папке";
    if (!reason)
        return;
    // A zero character would cut the message short wherever it is shown.
    std::string shown;
    for (const char c : name)
        shown += c == '\0' ? std::string("\\0") : std::string(1, c);
    throw Error("Недопустимое имя инструмента '" + shown + "': " + reason);
}

std::string BaseFilePath(const std::string& dir, std::string_view name)
{
    CheckInstrumentName(name);
    return dir + std::string(name) + ".base";
}

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

    // The new file takes the place of the link's target; the link stays.
    const std::string target = FollowLinks(path);
    struct stat old {};
    const bool replacing = ::stat(target.c_str(), &old) == 0;
    if (replacing) {
        if (S_ISDIR(old.st_mode))
            ThrowFileError(EISDIR);
        // A device or pipe is never replaced by a plain file.
        if (!S_ISREG(old.st_mode))
            ThrowFileError(EACCES);
        CheckMayWrite(target);
    }

    std::string temp;
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < 8; ++attempt) {
        temp = TemporaryNameIn(FolderOf(target));
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0)
        ThrowFileError(errno);
    FileHandle file(fd);
    try {
        if (replacing) {
            // Keep the permissions and, where allowed, the owner of the file
            // being replaced. A hard link to it is not carried over: its other
            // names keep the old contents.
            if (::fchown(fd, old.st_uid, old.st_gid) != 0) {
                // Only root may give a file away; the new file stays ours.
            }
            if (::fchmod(fd, old.st_mode & 07777) != 0)
                ThrowFileError(errno);
        }
        WriteFully(fd, data, size);
        if (::fsync(fd) != 0)
            ThrowFileError(errno);
        if (const int err = file.Close())
            ThrowFileError(err);
        if (::rename(temp.c_str(), target.c_str()) != 0)
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

} // namespace quillet
