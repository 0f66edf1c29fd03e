#include "model/Errors.h"

#include <cerrno>
#include <utility>

namespace quillet {

std::string FileErrorText(int errnoValue)
{
    switch (errnoValue) {
    case ENOENT:
    case ENOTDIR:
        return "File not found";
    case ENAMETOOLONG:
    case EINVAL:
    case EILSEQ:
        return "Invalid filename";
    case EMFILE:
    case ENFILE:
        return "Too many open files";
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case ETXTBSY:
        return "File access denied";
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return "Disk full";
    default:
        return "I/O error " + std::to_string(errnoValue);
    }
}

FileError::FileError(std::string path, const std::string& reason) : Error(reason), path_(std::move(path)) {}

std::string FileError::Named() const
{
    return "'" + path_ + "': " + what();
}

std::string NamedErrorText(const std::exception& e)
{
    if (const auto* file = dynamic_cast<const FileError*>(&e))
        return file->Named();
    return e.what();
}

void ThrowFileError(int errnoValue, const std::string& path)
{
    throw FileError(path, FileErrorText(errnoValue));
}

void ThrowInvalidDate(const std::string& text)
{
    throw Error("'" + text + "' is not a valid date");
}

void ThrowInvalidPrice(const std::string& text)
{
    throw Error("'" + text + "' is not a valid floating point value");
}

} // namespace quillet
