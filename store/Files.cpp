#include "store/Files.h"

#include "model/Cp1251.h"
#include "model/Errors.h"
#include "store/SpreadFile.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <utility>

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
        ThrowFileError(EINVAL, path);
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        ThrowFileError(errno, path);
    return fd;
}

// Reads up to `size` bytes; returns how many arrived before the end of the file.
std::size_t ReadFully(int fd, void* buffer, std::size_t size, const std::string& path)
{
    auto* p = static_cast<char*>(buffer);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::read(fd, p + done, size - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            ThrowFileError(errno, path);
        }
        if (n == 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    return done;
}

void WriteFully(int fd, const void* data, std::size_t size, const std::string& path)
{
    const auto* p = static_cast<const char*>(data);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(fd, p + done, size - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            ThrowFileError(errno, path);
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
// would have. A relative target counts from the link's folder. Errors name
// `path`, the name the user gave.
std::string FollowLinks(const std::string& path)
{
    std::string at = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(at.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return at;
        char target[PATH_MAX];
        const ssize_t n = ::readlink(at.c_str(), target, sizeof target);
        if (n < 0)
            ThrowFileError(errno, path);
        if (n == 0)
            ThrowFileError(ENOENT, path);
        if (static_cast<std::size_t>(n) >= sizeof target)
            ThrowFileError(ENAMETOOLONG, path);
        const std::string next(target, static_cast<std::size_t>(n));
        at = next.front() == '/' ? next : FolderOf(at) + next;
    }
    ThrowFileError(ELOOP, path);
}

// Replacing a file takes only a writable folder, so ask the file itself, as
// a plain write that opens it would: a file without write permission, or on
// a read-only file system, is refused. Opening for writing changes nothing.
void CheckMayWrite(const std::string& target, const std::string& path)
{
    const int fd = ::open(target.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        ThrowFileError(errno, path);
    ::close(fd);
}

std::string ReadWholeFile(const std::string& path)
{
    FileHandle file(OpenForReading(path));
    std::string bytes;
    char chunk[65536];
    for (;;) {
        const std::size_t n = ReadFully(file.get(), chunk, sizeof chunk, path);
        bytes.append(chunk, n);
        if (n < sizeof chunk)
            break;
    }
    return bytes;
}

// A name as an error quotes it: control characters, which would break the
// message or cut it short, are written as escapes.
std::string ShownName(std::string_view name)
{
    std::string shown;
    for (const char c : name) {
        const auto code = static_cast<unsigned char>(c);
        if (code == 0) {
            shown += "\\0";
        } else if (code < 0x20 || code == 0x7F) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\x%02X", code);
            shown += escape;
        } else {
            shown += c;
        }
    }
    return shown;
}

bool HasControlCharacter(std::string_view name)
{
    return std::any_of(name.begin(), name.end(), [](char c) {
        const auto code = static_cast<unsigned char>(c);
        return code < 0x20 || code == 0x7F;
    });
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
    else if (HasControlCharacter(name))
        reason = "имя содержит управляющий символ, и в config оно стало бы другим";
    // "config" and the record keep names in code page 1251; a name it cannot
    // hold would come back as "?" and never find its file again.
    else if (Cp1251ToUtf8(Utf8ToCp1251(name)) != name)
        reason = "имя содержит символ, которого нет в кодовой странице 1251 (в config и в записи он стал "
                 "бы \"?\")";
    if (!reason)
        return;
    throw Error("Недопустимое имя инструмента '" + ShownName(name) + "': " + reason);
}

std::string BaseFilePath(const std::string& dir, std::string_view name)
{
    CheckInstrumentName(name);
    return dir + std::string(name) + ".base";
}

void ReadBaseFile(const std::string& path, int slot, InstrumentTable& table)
{
    table.SetSpread(slot, {});
    FileHandle file(OpenForReading(path));
    const std::size_t got = ReadFully(file.get(), &table[slot], kInstrumentSize, path);
    if (got < kInstrumentSize)
        throw FileError(path, kReadBeyondEnd);
    LoadSpreadBeside(path, slot, table);
}

void ReadWholeBaseFile(const std::string& path, int slot, InstrumentTable& table)
{
    table.Clear(slot);
    FileHandle file(OpenForReading(path));
    const std::size_t got = ReadFully(file.get(), &table[slot], kInstrumentSize, path);
    char more = 0;
    const bool longer = got == kInstrumentSize && ReadFully(file.get(), &more, 1, path) == 1;
    if (got == kInstrumentSize && !longer) {
        LoadSpreadBeside(path, slot, table);
        return;
    }
    table.Clear(slot);
    if (longer)
        throw FileError(path, "файл длиннее одной записи инструмента (" + std::to_string(kInstrumentSize) +
                                  " байт): это не файл базы");
    throw FileError(path, kReadBeyondEnd);
}

void LoadInstrumentForRun(const std::string& path, int slot, InstrumentTable& table)
{
    ReadWholeBaseFile(path, slot, table);
    if (!InstrumentExists(table[slot])) {
        table.Clear(slot);
        throw FileError(path, "нет недельных свечей, такой инструмент нельзя выбрать");
    }
}

void WriteBaseFile(const std::string& path, const Instrument& record)
{
    WriteFileAtomically(path, &record, sizeof record);
}

AtomicFileWriter::AtomicFileWriter(std::string path) : path_(std::move(path))
{
    if (path_.empty() || path_.find('\0') != std::string::npos)
        ThrowFileError(EINVAL, path_);

    // The new file takes the place of the link's target; the link stays.
    target_ = FollowLinks(path_);
    struct stat old {};
    const bool replacing = ::stat(target_.c_str(), &old) == 0;
    if (replacing) {
        if (S_ISDIR(old.st_mode))
            ThrowFileError(EISDIR, path_);
        // A device or pipe is never replaced by a plain file.
        if (!S_ISREG(old.st_mode))
            ThrowFileError(EACCES, path_);
        CheckMayWrite(target_, path_);
    }

    for (int attempt = 0; fd_ < 0 && attempt < 8; ++attempt) {
        temp_ = TemporaryNameIn(FolderOf(target_));
        fd_ = ::open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd_ < 0 && errno != EEXIST)
            break;
    }
    if (fd_ < 0)
        ThrowFileError(errno, path_);
    if (replacing) {
        // Keep the permissions and, where allowed, the owner of the file
        // being replaced. A hard link to it is not carried over: its other
        // names keep the old contents.
        if (::fchown(fd_, old.st_uid, old.st_gid) != 0) {
            // Only root may give a file away; the new file stays ours.
        }
        if (::fchmod(fd_, old.st_mode & 07777) != 0) {
            const int err = errno;
            ::close(fd_);
            ::unlink(temp_.c_str());
            ThrowFileError(err, path_);
        }
    }
}

AtomicFileWriter::~AtomicFileWriter()
{
    if (fd_ >= 0)
        ::close(fd_);
    if (!committed_ && !temp_.empty())
        ::unlink(temp_.c_str());
}

void AtomicFileWriter::Write(std::string_view bytes)
{
    Write(bytes.data(), bytes.size());
}

void AtomicFileWriter::Write(const void* data, std::size_t size)
{
    WriteFully(fd_, data, size, path_);
}

void AtomicFileWriter::Commit()
{
    if (::fsync(fd_) != 0)
        ThrowFileError(errno, path_);
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0)
        ThrowFileError(errno, path_);
    if (::rename(temp_.c_str(), target_.c_str()) != 0)
        ThrowFileError(errno, path_);
    committed_ = true;
}

void WriteFileAtomically(const std::string& path, const void* data, std::size_t size)
{
    AtomicFileWriter file(path);
    file.Write(data, size);
    file.Commit();
}

bool TextLineReader::Next(std::string_view& line)
{
    if (pos_ >= text_.size() || text_[pos_] == '\x1A')
        return false;
    std::size_t end = text_.find('\n', pos_);
    const std::size_t next = end == std::string_view::npos ? text_.size() : end + 1;
    if (end == std::string_view::npos)
        end = text_.size();
    else if (end > pos_ && text_[end - 1] == '\r')
        --end;
    line = text_.substr(pos_, end - pos_);
    pos_ = next;
    ++number_;
    return true;
}

std::vector<std::string> ReadTextLines(const std::string& path)
{
    const std::string bytes = ReadWholeFile(path);
    std::vector<std::string> lines;
    TextLineReader reader(bytes);
    for (std::string_view line; reader.Next(line);)
        lines.push_back(Cp1251ToUtf8(line));
    return lines;
}

std::string ReadFileBytes(const std::string& path)
{
    return ReadWholeFile(path);
}

FileChunks::FileChunks(const std::string& path) : path_(path), fd_(OpenForReading(path))
{
    struct stat st {};
    if (::fstat(fd_, &st) != 0) {
        const int error = errno;
        ::close(fd_);
        ThrowFileError(error, path_);
    }
    size_ = S_ISREG(st.st_mode) ? static_cast<std::uint64_t>(st.st_size) : 0;
}

FileChunks::~FileChunks()
{
    ::close(fd_);
}

std::size_t FileChunks::Read(char* buffer, std::size_t size)
{
    return ReadFully(fd_, buffer, size, path_);
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
