#pragma once
// Builds small instruments candle by candle for the backtest tests: weekly
// candles dated on the Sunday before their trading week, hourly candles on
// given days.

#include "store/Dates.h"
#include "store/Instrument.h"
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

} // namespace quillet::test
