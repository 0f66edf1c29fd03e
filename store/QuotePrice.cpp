#include "store/QuotePrice.h"

#include "model/Numbers.h"
#include "store/QuoteImport.h"

#include <cstdint>

namespace quillet {
namespace {

constexpr double kPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                   1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
constexpr int kMaxExactPower = 22;
constexpr std::uint64_t kMaxExactInteger = std::uint64_t{1} << 53;
constexpr int kMaxDigits = 19; // any 19 digits fit 64 bits

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

/// Digits, optionally a separator and more digits: the value as an integer
/// and the count of digits after the separator. False for any other form.
bool ReadPlainDecimal(std::string_view s, std::uint64_t& digits, int& decimals)
{
    std::size_t i = 0;
    int count = 0;
    digits = 0;
    for (; i < s.size() && IsDigit(s[i]); ++i, ++count)
        digits = digits * 10 + static_cast<unsigned>(s[i] - '0');
    if (count == 0)
        return false;
    decimals = 0;
    if (i < s.size() && (s[i] == '.' || s[i] == ',')) {
        for (++i; i < s.size() && IsDigit(s[i]); ++i, ++decimals)
            digits = digits * 10 + static_cast<unsigned>(s[i] - '0');
        if (decimals == 0)
            return false;
    }
    return i == s.size() && count + decimals <= kMaxDigits;
}

} // namespace

double ReadQuotePrice(std::string_view field)
{
    std::string_view s = field;
    while (!s.empty() && s.front() == ' ')
        s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ')
        s.remove_suffix(1);
    std::uint64_t digits = 0;
    int decimals = 0;
    // An integer below 2^53 and a power of ten up to 10^22 are both exact
    // doubles, so their quotient is the correctly rounded value of the
    // decimal text, which is what the full conversion gives.
    if (ReadPlainDecimal(s, digits, decimals) && digits <= kMaxExactInteger && decimals <= kMaxExactPower)
        return static_cast<double>(digits) / kPowersOfTen[decimals];
    return ParsePrice(PriceCell(field));
}

} // namespace quillet
