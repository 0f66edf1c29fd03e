#include "model/TradeCosts.h"

#include <cstdlib>

namespace quillet {
namespace {

std::string RangeError(const char* what, int tenths, int lowest, int highest)
{
    if (tenths >= lowest && tenths <= highest)
        return {};
    return std::string(what) + " " + TenthsText(tenths, '.') + " is outside " + TenthsText(lowest, '.') +
           " to " + TenthsText(highest, '.') + " points";
}

} // namespace

std::string TradeCostsError(const TradeCosts& c)
{
    for (const std::string& e :
         {RangeError("Spread", c.SpreadTenths, 0, kSpreadMaxTenths),
          RangeError("Commission", c.CommissionTenths, 0, kCommissionMaxTenths),
          RangeError("Long swap", c.SwapLongTenths, -kSwapLimitTenths, kSwapLimitTenths),
          RangeError("Short swap", c.SwapShortTenths, -kSwapLimitTenths, kSwapLimitTenths)})
        if (!e.empty())
            return e;
    return {};
}

std::string TenthsText(long long tenths, char separator)
{
    const unsigned long long magnitude =
        tenths < 0 ? 0ULL - static_cast<unsigned long long>(tenths) : static_cast<unsigned long long>(tenths);
    std::string text = tenths < 0 ? "-" : "";
    text += std::to_string(magnitude / 10);
    text += separator;
    text += static_cast<char>('0' + magnitude % 10);
    return text;
}

std::optional<int> ParseTenths(std::string_view text)
{
    std::size_t pos = 0;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '-' || text[pos] == '+'))
        negative = text[pos++] == '-';
    long long whole = 0;
    std::size_t digits = 0;
    for (; pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; ++pos, ++digits) {
        if (digits >= 8)
            return std::nullopt;
        whole = whole * 10 + (text[pos] - '0');
    }
    int tenth = 0;
    if (pos < text.size() && (text[pos] == '.' || text[pos] == ',')) {
        ++pos;
        if (pos + 1 != text.size() || text[pos] < '0' || text[pos] > '9')
            return std::nullopt;
        tenth = text[pos++] - '0';
    }
    if (digits == 0 || pos != text.size())
        return std::nullopt;
    const long long value = whole * 10 + tenth;
    return static_cast<int>(negative ? -value : value);
}

} // namespace quillet
