#pragma once
// How whole and how clean an instrument's quotes are: the trading hours
// present, the holes among them, hours on Saturdays, spikes, flat runs, and
// weekly and daily candles that disagree with their hours. Numbers only:
// their texts are the report's.

#include "model/Instrument.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace quillet {

/// The trading week, in the quotes' clock: from Sunday 22:00 to Friday 22:00.
inline constexpr int kSessionOpenHour = 22;
inline constexpr int kTradingHoursPerWeek = 120;
/// A spike's range is more than this many times the median range of its week.
inline constexpr int kSpikeFactor = 10;
/// A flat run: this many hourly candles or more in a row with one close.
inline constexpr int kFlatRunHours = 24;
/// A weekly or daily candle disagrees with its hours by more than this.
inline constexpr int kDisagreementTenths = 1;
/// The share of its trading hours below which a week is thin, unless asked otherwise.
inline constexpr double kDefaultMinWeekShare = 0.5;

/// One hour of the quotes: its date (a day serial) and its hour of the day.
struct HourStamp {
    double Date = 0;
    int Hour = 0;
};

/// Trading hours missing one after the other (the weekends between them skipped).
struct DataGap {
    HourStamp First, Last;
    int Hours = 0;
};

/// A calendar week, dated on its Sunday, with too few of its trading hours.
struct ThinWeek {
    double Sunday = 0;
    int Present = 0, Expected = 0;
};

/// An hourly candle far wider than its week's usual; ranges in tenths of a point.
struct DataSpike {
    HourStamp At;
    std::int64_t RangeTenths = 0;
    std::int64_t MedianTenths = 0;
    std::int64_t WickTenths = 0; // the longer of the parts beyond the open and the close
    /// The wick alone is that much wider than the week's usual: a price the
    /// market touched for a moment, the mark of a bad tick, where a wide
    /// body is a move the price made and kept.
    bool InWick = false;
};

/// Hourly candles in a row with one close.
struct FlatRun {
    HourStamp First, Last;
    int Hours = 0;
    double Close = 0;
};

enum class CandleField { Open, High, Low, Close };

/// A weekly or daily candle whose price differs from what its hours make.
struct CandleDisagreement {
    bool Weekly = false;
    double Date = 0;
    CandleField Field = CandleField::Open;
    double Candle = 0;    // the candle's price
    double FromHours = 0; // its hours' price
    std::int64_t Tenths = 0;
};

struct DataCheckOptions {
    /// A week with fewer than this share of its trading hours is thin.
    double MinWeekShare = kDefaultMinWeekShare;
    /// The calendar weeks looked at, by their Sundays (both included); open when absent.
    std::optional<double> FromSunday, ToSunday;
    /// Whether weekly and daily candles are compared with their hours.
    bool CompareCandles = true;
};

struct DataCheck {
    int Weeks = 0; // calendar weeks with quotes or trading hours expected
    double FirstSunday = 0, LastSunday = 0;
    /// Trading hours between the first hour and the last, and those present.
    std::int64_t ExpectedHours = 0, PresentHours = 0;
    DataGap LongestGap; // no hours: none missing
    std::vector<ThinWeek> ThinWeeks;
    std::vector<HourStamp> SaturdayHours;
    std::vector<DataSpike> Spikes;
    std::vector<FlatRun> FlatRuns;
    /// The candles whose hours are all there to compare (the first and the
    /// last of the hours may be cut short), and those that disagree.
    int WeeksCompared = 0, DaysCompared = 0;
    std::vector<CandleDisagreement> Disagreements;

    /// The share of the trading hours present, in thousandths (1000 when
    /// none were expected).
    std::int64_t SharePerMille() const;
    /// The spikes in their wicks.
    std::size_t WickSpikes() const;
    /// What the figures of a run mention: thin weeks or spikes in their wicks.
    bool WorthMentioning() const { return !ThinWeeks.empty() || WickSpikes() > 0; }
};

/// Checks the hours of an instrument (and, when asked, its weekly and daily
/// candles against them). An hour's week is the calendar week of the Sunday
/// on or before its date; hours whose time does not read are left out.
DataCheck CheckQuoteData(const Instrument& instrument, const DataCheckOptions& options = {});

/// The weeks a run over weekly candles first..last of the instrument uses:
/// those candles' calendar weeks and the week after the last, where its
/// trades run. Set on `options`, which is returned.
DataCheckOptions RunWeeks(const Instrument& instrument, int firstWeek, int lastWeek,
                          DataCheckOptions options = {});

} // namespace quillet
