#include "report/TradePicture.h"

#include "report/TradeCsv.h"

#include <algorithm>
#include <cmath>

namespace quillet {
namespace {

PictureCandle Picture(const CandleSeries& series, int index)
{
    const Candle& c = series[index];
    const std::string time = ShortStringText(c.Time);
    return {index, c.Date, std::max(HourOfTimeText(time), 0), c.Open, c.High, c.Low, c.Close};
}

} // namespace

TradePicture MakeTradePicture(const ClosedTrade& trade, const Instrument& instrument)
{
    TradePicture p;
    p.Direction = trade.Direction;
    p.Exit = trade.Exit;
    p.EntryPrice = trade.EntryPrice;
    p.ExitPrice = trade.ExitPrice;
    p.TakeProfitLevel = trade.TakeProfitLevel;
    p.StopLossLevel = trade.StopLossLevel;
    p.HoursHeld = trade.HoursHeld;
    p.Points = trade.Points;
    p.SignalBodyPoints = trade.Body;

    // The entry is looked for on the seven days from trunc(signal + 8): the
    // week's hours are the candles on those days.
    const int hourEnd = FirstEmptyIndex(instrument.Hour, 1);
    const double weekEnd = std::trunc(trade.WeekDate + 15);
    const int first = std::clamp(trade.EntryIndex, 1, hourEnd);
    int last = first;
    while (last < hourEnd && last - first < kPictureMaxHours &&
           (last <= trade.ExitIndex || std::trunc(instrument.Hour[last].Date) < weekEnd))
        ++last;
    p.Hours.reserve(static_cast<std::size_t>(last - first));
    for (int i = first; i < last; ++i)
        p.Hours.push_back(Picture(instrument.Hour, i));
    p.EntryAt = 0;
    p.ExitAt = std::clamp(trade.ExitIndex - first, 0, std::max(last - first - 1, 0));

    const int weekEndIndex = FirstEmptyIndex(instrument.Week, 1);
    const int from = std::max(trade.Week - kPictureWeeksBefore, 0);
    const int to = std::min(trade.Week + kPictureWeeksAfter, weekEndIndex - 1);
    for (int i = from; i <= to; ++i) {
        if (!CandleExists(instrument.Week[i]))
            continue;
        if (i == trade.Week)
            p.SignalAt = static_cast<int>(p.Weeks.size());
        p.Weeks.push_back(Picture(instrument.Week, i));
    }
    return p;
}

} // namespace quillet
