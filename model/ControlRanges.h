#pragma once
// The ranges and start values of the rule's parameters, as every front end
// offers them (the window's .ui files keep their own copy, which a test holds
// equal to these), and the check of a range of weeks.

#include <string>
#include <string_view>

namespace quillet {

/// A control's range (both ends included) and its start value.
struct ControlRange {
    int Min = 0;
    int Max = 0;
    int Default = 0;

    constexpr bool Contains(int value) const { return value >= Min && value <= Max; }
};

// The single-pair page's bars, in points, hours and week indices. The signal
// bar offers 85..150 until its range switch widens it to the full range.
inline constexpr ControlRange kSignalControl{50, 500, 85};
inline constexpr ControlRange kNarrowSignalControl{85, 150, 85};
inline constexpr ControlRange kStopLossControl{0, 150, 100};
inline constexpr ControlRange kTakeProfitControl{0, 100, 50};
inline constexpr ControlRange kHoldControl{1, 120, 48};
inline constexpr ControlRange kFirstWeekControl{0, 535, 1};
inline constexpr ControlRange kLastWeekControl{1, 535, 535};

// The sweep's own controls: the fewest entries a best row needs, how many
// best rows are kept (the window offers 1..1000 of them) and the worker
// threads (0: one per core).
inline constexpr ControlRange kMinEntriesControl{0, 100000, 30};
inline constexpr ControlRange kBestRowsOption{1, 100000, 20};
inline constexpr ControlRange kBestRowsControl{1, 1000, 20};
inline constexpr ControlRange kThreadsOption{0, 256, 0};

/// A control's range as text, its ends joined by `between` ("0..535", "0:150").
std::string RangeText(const ControlRange& control, std::string_view between);

/// Why FIRST and LAST are no week range of the run ("FIRST 536 not in range
/// 0 to 535"), or empty when they are one.
std::string WeekRangeError(int first, int last);

} // namespace quillet
