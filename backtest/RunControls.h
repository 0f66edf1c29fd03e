#pragma once
// The controls that every front end offers for a run and a sweep, once: the
// ranges and defaults of the parameters, the names of the sweep's metrics,
// the texts of its ratios, the columns of its best rows and the check of a
// week range. The command line's options and the window's controls are made
// from these (the window's .ui files keep their own copy of the ranges, which
// a test holds equal to these).

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quillet {

struct SweepRow;

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

/// What the sweep ranks its combinations by.
enum class SweepMetric {
    Net,
    Profitability,
    TpShare,
    Entries,
    ProfitFactor,
    RecoveryFactor,
    Sqn,
    MaxDrawdown
};

/// A metric's name on the command line and its caption in the window.
struct MetricName {
    SweepMetric Metric;
    std::string_view Option;
    std::string_view Caption;
    bool LowestIsBest = false;
};

/// In the order of SweepMetric, which is the order of the window's box.
inline constexpr std::array<MetricName, 8> kMetricNames = {{
    {SweepMetric::Net, "net", "Пункты"},
    {SweepMetric::Profitability, "profitability", "Профитность"},
    {SweepMetric::TpShare, "tp-share", "Процент TP"},
    {SweepMetric::Entries, "entries", "Входы"},
    {SweepMetric::ProfitFactor, "profit-factor", "Профит-фактор"},
    {SweepMetric::RecoveryFactor, "recovery-factor", "Фактор восстановления"},
    {SweepMetric::Sqn, "sqn", "SQN"},
    {SweepMetric::MaxDrawdown, "max-drawdown", "Макс. просадка", true},
}};

inline const MetricName& NameOf(SweepMetric metric)
{
    return kMetricNames[static_cast<std::size_t>(metric)];
}

/// A ratio of the sweep's pages and tables, plainly with one decimal
/// ("1,3", "66,7", "100" with `suffix`), or "-" where it has no value (NaN).
std::string RatioText(long double value, const char* suffix = "");

/// A column of the best rows: its heading in the window, its heading in the
/// command line's table and its width there.
struct BestRowColumn {
    std::string_view Heading;
    std::string_view TableHeading;
    int Width;
};

/// Signal, levels, holding limit, then the run's figures.
inline constexpr std::array<BestRowColumn, 10> kBestRowColumns = {{
    {"Сигнал", "Сигнал", 6},
    {"Стоп-лосс", "SL", 3},
    {"Тейк-профит", "TP", 3},
    {"Удерж.", "Удерж.", 7},
    {"Входы", "Входы", 6},
    {"Выходов по TP", "TP", 4},
    {"Выходов по SL", "SL", 4},
    {"Пункты", "Пункты", 7},
    {"Профитность", "Профитность", 11},
    {"% TP", "%TP", 5},
}};

/// The figures of the forward check, after the columns above.
inline constexpr std::array<BestRowColumn, 4> kForwardColumns = {{
    {"Входы", "Входы", 5},
    {"Пункты", "Пункты", 7},
    {"Профитность", "Профитность", 11},
    {"% TP", "%TP", 5},
}};

/// The cells of one best row in the order of kBestRowColumns, then those of
/// kForwardColumns when the row has a forward check.
std::vector<std::string> BestRowCells(const SweepRow& row);

/// Why FIRST and LAST are no week range of the run ("FIRST 536 not in range
/// 0 to 535"), or empty when they are one.
std::string WeekRangeError(int first, int last);

/// The warning that the forward weeks FIRST..LAST share weeks with the swept
/// weeks, so that the forward figures on them are not independent of the
/// choice; empty when they share none.
std::string ForwardOverlapWarning(int sweptFirst, int sweptLast, int forwardFirst, int forwardLast);

} // namespace quillet
