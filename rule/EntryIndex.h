#pragma once
// The entry candle of a signal week, found through an index of the hourly
// series by calendar day instead of a scan from the first candle for every
// week. The index grows only as far as the searches need it, so a whole run
// reads each hourly candle's date at most once, and it gives exactly the
// candle the plain scans below give, whatever the dates hold (out of order,
// NaN, infinite, negative).

#include "model/Instrument.h"

#include <span>
#include <utility>
#include <vector>

namespace quillet {

/// The all-pairs rule enters on a candle 8 to 12 days after the signal
/// candle, the days compared in extended precision.
inline constexpr long double kFirstPortfolioDay = 8;
inline constexpr long double kLastPortfolioDay = 12;

/// The first candle of each calendar day of hour[first .. end - 1]; a day is
/// the integral part of a candle's Date, compared as the plain scans compare
/// it (0 and -0 are one day; a NaN day is none).
class EntryIndex {
  public:
    /// Nothing is read yet; nothing at or past `end` is ever read.
    EntryIndex(const CandleSeries& hour, int first, int end);

    /// The first candle from `first` whose day is one of `days`, or End()
    /// when none is.
    int FirstOnDays(std::span<const double> days);

    /// The single-pair run's entry candle: the first from index 1 on one of
    /// the seven days trunc(signalDate + 8) .. trunc(signalDate + 14), or
    /// End(). Build the index with first 1 and end the hourly end mark.
    int SinglePairEntry(double signalDate);

    /// The all-pairs run's entry candle: the first from index 0 whose day
    /// lies 8 to 12 days after trunc(signalDate), or -1. Build the index with
    /// first 0 and end FirstEmptyIndex(hour, 1).
    int PortfolioEntry(double signalDate);

    int End() const { return end_; }

  private:
    int Lookup(double day) const;
    void Record(double day, int index);

    const CandleSeries& hour_;
    int end_;
    int scanned_;        // candles [first_, scanned_) are indexed
    double lastDay_ = 0; // the day of candle scanned_ - 1, when it has one
    bool haveLastDay_ = false;
    // Days while they keep rising, as real data does, in order; and the few
    // that came after a later day, sorted. Each day is in one of the two.
    // Both are searched with < and ==, under which 0 and -0 are one day.
    std::vector<std::pair<double, int>> rising_;
    std::vector<std::pair<double, int>> others_;
};

} // namespace quillet
