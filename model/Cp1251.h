#pragma once
// Single-byte code page 1251, the encoding of instrument names in ".base"
// and "config" files and of quote text files. Everything else in the program
// holds text as UTF-8.

#include <cstddef>
#include <string>
#include <string_view>

namespace quillet {

/// Decodes code page 1251 bytes to UTF-8. Every byte maps to one character.
std::string Cp1251ToUtf8(std::string_view bytes);

/// Encodes UTF-8 text to code page 1251; a character with no code there
/// (or a malformed sequence) becomes '?'.
std::string Utf8ToCp1251(std::string_view text);

/// The first `count` characters (code points) of a UTF-8 text, all of it when shorter.
std::string_view Utf8Prefix(std::string_view text, std::size_t count);

/// Number of characters (code points) of a UTF-8 text.
std::size_t Utf8Length(std::string_view text);

} // namespace quillet
