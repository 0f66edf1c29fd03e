#include "model/Cp1251.h"

#include <array>
#include <cstdint>

namespace quillet {
namespace {

// Code points of bytes 0x80..0xBF; 0xC0..0xFF are U+0410..U+044F in order.
// 0x98 has no character in the code page and is kept as U+0098 so that every
// byte survives a round trip.
constexpr std::array<char16_t, 64> kHigh = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409, 0x2039, 0x040A,
    0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x0098, 0x2122,
    0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6,
    0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407, 0x00B0, 0x00B1, 0x0406, 0x0456,
    0x0491, 0x00B5, 0x00B6, 0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
};

char32_t DecodeByte(unsigned char b)
{
    if (b < 0x80)
        return b;
    if (b >= 0xC0)
        return 0x0410 + (b - 0xC0);
    return kHigh[b - 0x80];
}

int EncodeCodePoint(char32_t cp)
{
    if (cp < 0x80)
        return static_cast<int>(cp);
    if (cp >= 0x0410 && cp <= 0x044F)
        return static_cast<int>(0xC0 + (cp - 0x0410));
    for (std::size_t i = 0; i < kHigh.size(); ++i)
        if (kHigh[i] == cp)
            return static_cast<int>(0x80 + i);
    return -1;
}

void AppendUtf8(std::string& out, char32_t cp)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Length of the UTF-8 sequence that starts with byte b (1 for a stray byte).
std::size_t SequenceLength(unsigned char b)
{
    if (b >= 0xF0 && b < 0xF8)
        return 4;
    if (b >= 0xE0)
        return b < 0xF0 ? 3 : 1;
    if (b >= 0xC0)
        return 2;
    return 1;
}

// Decodes one UTF-8 character at text[pos]; returns -1 for a malformed one.
// Advances pos past it (at least one byte).
long DecodeUtf8(std::string_view text, std::size_t& pos)
{
    const auto lead = static_cast<unsigned char>(text[pos]);
    const std::size_t len = SequenceLength(lead);
    if (len == 1) {
        ++pos;
        return lead < 0x80 ? lead : -1;
    }
    if (pos + len > text.size()) {
        ++pos;
        return -1;
    }
    char32_t cp = lead & (0x7F >> len);
    for (std::size_t i = 1; i < len; ++i) {
        const auto c = static_cast<unsigned char>(text[pos + i]);
        if ((c & 0xC0) != 0x80) {
            ++pos;
            return -1;
        }
        cp = (cp << 6) | (c & 0x3F);
    }
    pos += len;
    return static_cast<long>(cp);
}

} // namespace

std::string Cp1251ToUtf8(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size());
    for (const char c : bytes)
        AppendUtf8(out, DecodeByte(static_cast<unsigned char>(c)));
    return out;
}

std::string Utf8ToCp1251(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    std::size_t pos = 0;
    while (pos < text.size()) {
        const long cp = DecodeUtf8(text, pos);
        const int b = cp < 0 ? -1 : EncodeCodePoint(static_cast<char32_t>(cp));
        out += b < 0 ? '?' : static_cast<char>(b);
    }
    return out;
}

std::string_view Utf8Prefix(std::string_view text, std::size_t count)
{
    std::size_t pos = 0;
    for (std::size_t n = 0; n < count && pos < text.size(); ++n)
        DecodeUtf8(text, pos);
    return text.substr(0, pos);
}

std::size_t Utf8Length(std::string_view text)
{
    std::size_t pos = 0;
    std::size_t n = 0;
    while (pos < text.size()) {
        DecodeUtf8(text, pos);
        ++n;
    }
    return n;
}

} // namespace quillet
