#include "model/TradeCosts.h"

#include <cstdlib>

namespace quillet {
std::optional<CostRangeFault> TradeCostsFault(const TradeCosts& c)
{
    const CostRangeFault ranges[] = {
        {CostKind::Spread, c.SpreadTenths, 0, kSpreadMaxTenths},
        {CostKind::Commission, c.CommissionTenths, 0, kCommissionMaxTenths},
        {CostKind::SwapLong, c.SwapLongTenths, -kSwapLimitTenths, kSwapLimitTenths},
        {CostKind::SwapShort, c.SwapShortTenths, -kSwapLimitTenths, kSwapLimitTenths},
    };
    for (const CostRangeFault& r : ranges)
        if (r.Tenths < r.LowestTenths || r.Tenths > r.HighestTenths)
            return r;
    return std::nullopt;
}

std::string TradeCostsError(const TradeCosts& c)
{
    static constexpr const char* kNames[] = {"Spread", "Commission", "Long swap", "Short swap"};
    const std::optional<CostRangeFault> f = TradeCostsFault(c);
    if (!f)
        return {};
    return std::string(kNames[static_cast<int>(f->Kind)]) + " " + TenthsText(f->Tenths, '.') +
           " is outside " + TenthsText(f->LowestTenths, '.') + " to " + TenthsText(f->HighestTenths, '.') +
           " points";
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
