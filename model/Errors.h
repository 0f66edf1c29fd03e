#pragma once
// The one error type of the program: its text is what the user is shown.

#include <stdexcept>
#include <string>

namespace quillet {

/// An error that ends the running command; what() is the user-facing text.
class Error : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

/// An error about one file. what() is the reason alone, as the window shows
/// it ("File not found"); Path() is the file, which the command line names.
class FileError : public Error {
  public:
    FileError(std::string path, const std::string& reason);
    const std::string& Path() const { return path_; }
    /// The reason after the quoted file name: "'/data/EURUSD.base': File not found".
    std::string Named() const;

  private:
    std::string path_;
};

/// The text an error shows on the command line: a file error after the
/// quoted name of its file, any other error as it is.
std::string NamedErrorText(const std::exception& e);

/// The text of a file error for an errno value ("File not found", "Disk full", ...).
std::string FileErrorText(int errnoValue);

/// Throws the file error for an errno value, about the file at `path`.
[[noreturn]] void ThrowFileError(int errnoValue, const std::string& path);

/// "'%s' is not a valid date" with the offending text.
[[noreturn]] void ThrowInvalidDate(const std::string& text);

/// "'%s' is not a valid floating point value" with the offending text.
[[noreturn]] void ThrowInvalidPrice(const std::string& text);

/// Text of a short read of a binary record.
inline constexpr const char* kReadBeyondEnd = "Read beyond end of file";

} // namespace quillet
