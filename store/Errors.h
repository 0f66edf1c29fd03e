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

/// The text of a file error for an errno value ("File not found", "Disk full", ...).
std::string FileErrorText(int errnoValue);

/// Throws the file error for an errno value.
[[noreturn]] void ThrowFileError(int errnoValue);

/// "'%s' is not a valid date" with the offending text.
[[noreturn]] void ThrowInvalidDate(const std::string& text);

/// "'%s' is not a valid floating point value" with the offending text.
[[noreturn]] void ThrowInvalidPrice(const std::string& text);

/// Text of a short read of a binary record.
inline constexpr const char* kReadBeyondEnd = "Read beyond end of file";

} // namespace quillet
