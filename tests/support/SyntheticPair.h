#pragma once
// Builds small instruments candle by candle for the backtest tests: weekly
// candles dated on the Sunday before their trading week, hourly candles on
// given days.

#include "model/Dates.h"
#include "model/Instrument.h"
#include "support/TestSupport.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>

namespace quillet::test {

class SyntheticPair {
  public:
    /// Empties `inst` and names it.
    SyntheticPair(Instrument& inst, std::string_view name) : inst_(inst)
    {
        std::memset(&inst_, 0, sizeof inst_); // 9 MB: never a temporary on the stack
        SetShortString(inst_.Name, name);
    }

    /// Appends a weekly candle (index 1, 2, ...) and returns its index.
    int Week(double sunday, double open, double close)
    {
        const int i = nextWeek_++;
        SetCandle(inst_.Week[i], sunday, "00", open, std::max(open, close), std::min(open, close), close);
        return i;
    }

    /// Appends `count` flat weekly candles, a week apart after the last one.
    void FlatWeeks(int count, double price = 1.0)
    {
        for (int n = 0; n < count; ++n)
            Week(inst_.Week[nextWeek_ - 1].Date + 7, price, price);
    }

    /// Appends an hourly candle and returns its index.
    int Hour(double date, std::string_view time, double open, double high, double low, double close)
    {
        const int i = nextHour_++;
        SetCandle(inst_.Hour[i], date, time, open, high, low, close);
        return i;
    }

    /// Appends `count` hourly candles on `date` that stay within [low, high],
    /// opening and closing at `price`; times "00", "01", ...
    void QuietHours(double date, int count, double price, double high, double low, int firstHour = 0)
    {
        for (int n = 0; n < count; ++n) {
            const int h = (firstHour + n) % 24;
            const std::string time = (h < 10 ? "0" : "") + std::to_string(h);
            Hour(date + (firstHour + n) / 24, time, price, high, low, price);
        }
    }

    int NextWeekIndex() const { return nextWeek_; }
    int NextHourIndex() const { return nextHour_; }
    Instrument& Record() { return inst_; }

  private:
    Instrument& inst_;
    int nextWeek_ = 1;
    int nextHour_ = 1;
};

/// The Sunday 2 January 2005, a convenient first week.
inline double FirstSunday()
{
    return DateSerial(2005, 1, 2);
}

/// The holding limit the five-week account is told with.
inline constexpr int kFiveWeekHoldLimit = 3;

/// A small account of five weeks (indices 1 to 5) whose every trade is
/// checked by hand, run with the holding limit above and the default
/// signal, stop-loss and take-profit (85, 100, 50) on EURUSD.
inline void FiveWeekAccount(SyntheticPair& pair)
{
    // Week 1 (Sunday 2 Jan 2005) rises 120 points: a signal, so we sell on
    // Monday 10 Jan at 1.3100 with TP 1.3050 and SL 1.3200. The first two
    // hours stay inside (the second climbs to 1.3160: 60 points against us),
    // the third dips to 1.3045 and takes the profit at offset 2.
    pair.Week(FirstSunday(), 1.3000, 1.3120);
    // Week 2 falls 40 points: too short.
    pair.Week(FirstSunday() + 7, 1.3120, 1.3080);
    // Week 3 falls 90 points: we buy. Monday 24 Jan has no hourly data, so
    // the entry is Tuesday 25 Jan at 1.2950 (TP 1.3000, SL 1.2850); the
    // second hour drops to 1.2840 and stops us out at offset 1.
    pair.Week(FirstSunday() + 14, 1.3080, 1.2990);
    // Week 4 rises exactly 85 points, the minimum: we sell on Monday 31 Jan
    // at 1.3070 (TP 1.3020, SL 1.3170). The holding limit is 3: the fourth
    // hour would reach the take-profit, but the time-out comes first and
    // closes at 1.3040, 30 points in our favour.
    pair.Week(FirstSunday() + 21, 1.2990, 1.3075);
    // Week 5 falls 75 points: too short.
    pair.Week(FirstSunday() + 28, 1.3075, 1.3000);
    pair.FlatWeeks(8, 1.3000);

    const double jan10 = DateSerial(2005, 1, 10);
    pair.Hour(jan10, "00", 1.3100, 1.3130, 1.3080, 1.3110);
    pair.Hour(jan10, "01", 1.3110, 1.3160, 1.3070, 1.3090);
    pair.Hour(jan10, "02", 1.3090, 1.3110, 1.3045, 1.3060);
    pair.Hour(jan10, "03", 1.3060, 1.3070, 1.3040, 1.3050);
    const double jan25 = DateSerial(2005, 1, 25);
    pair.Hour(jan25, "00", 1.2950, 1.2960, 1.2940, 1.2945);
    pair.Hour(jan25, "01", 1.2945, 1.2955, 1.2840, 1.2850);
    const double jan31 = DateSerial(2005, 1, 31);
    pair.Hour(jan31, "00", 1.3070, 1.3080, 1.3060, 1.3065);
    pair.Hour(jan31, "01", 1.3065, 1.3095, 1.3050, 1.3080);
    pair.Hour(jan31, "02", 1.3080, 1.3085, 1.3030, 1.3050);
    pair.Hour(jan31, "03", 1.3050, 1.3060, 1.3010, 1.3040);
    pair.Hour(jan31, "04", 1.3040, 1.3050, 1.3000, 1.3010);
}

} // namespace quillet::test
