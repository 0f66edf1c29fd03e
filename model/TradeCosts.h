#pragma once
// What a trade costs besides the price move: the spread, a commission per
// trade and the overnight swap, each in tenths of a point, and their text
// forms with one decimal.

#include <optional>
#include <string>
#include <string_view>

namespace quillet {

/// The costs of one instrument, in tenths of a point. All zero: the plain
/// rule, every result exactly as without costs.
struct TradeCosts {
    int SpreadTenths = 0;     // 0..500: ask above bid
    int CommissionTenths = 0; // 0..500: paid once per trade
    int SwapLongTenths = 0;   // -500..500: per night held by a buy; negative is a charge
    int SwapShortTenths = 0;  // -500..500: per night held by a sell
    /// The spread of each hour as the quotes recorded it (RecordedSpread)
    /// instead of SpreadTenths, which is then 0.
    bool SpreadRecorded = false;

    bool IsZero() const
    {
        return SpreadTenths == 0 && CommissionTenths == 0 && SwapLongTenths == 0 && SwapShortTenths == 0 &&
               !SpreadRecorded;
    }
    friend bool operator==(const TradeCosts&, const TradeCosts&) = default;
};

// The ranges of the four costs, in tenths.
inline constexpr int kSpreadMaxTenths = 500;
inline constexpr int kCommissionMaxTenths = 500;
inline constexpr int kSwapLimitTenths = 500;

/// The four costs, in the order of TradeCosts.
enum class CostKind { Spread, Commission, SwapLong, SwapShort };

/// A cost outside its range: which one, its value and the range, in tenths.
struct CostRangeFault {
    CostKind Kind;
    int Tenths;
    int LowestTenths;
    int HighestTenths;
};

/// The first cost outside its range, or nothing when all are within.
std::optional<CostRangeFault> TradeCostsFault(const TradeCosts& costs);

/// Why the costs are out of their ranges, in the command line's words, or
/// empty when they are not.
std::string TradeCostsError(const TradeCosts& costs);

/// Tenths of a point as points with one decimal and `separator` ("1,2",
/// "-0,3", "0,0").
std::string TenthsText(long long tenths, char separator = ',');

/// Points with at most one decimal ("1.2", "1,2", "-0.5", "3") as tenths;
/// nothing for any other text.
std::optional<int> ParseTenths(std::string_view text);

} // namespace quillet
