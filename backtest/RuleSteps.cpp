#include "backtest/RuleSteps.h"

#include "backtest/TradeRules.h"

#include <cmath>

namespace quillet {

long double SignedBody(const Candle& week, long double m)
{
    return PointDifference(week.Open, week.Close, static_cast<double>(m));
}

SignalTest TestSignal(const CandleSeries& weeks, int week, long double signedBody, int signalMinPoints)
{
    SignalTest t;
    t.Body = RoundToInt32(std::fabs(signedBody));
    if (t.Body < signalMinPoints)
        t.Verdict = WeekVerdict::BodyTooShort;
    else if (!CandleExists(CandleOrEmpty(weeks, static_cast<long long>(week) + kLaterWeeksNeeded)))
        t.Verdict = WeekVerdict::NoLaterWeeks;
    else
        t.Verdict = WeekVerdict::Signal;
    return t;
}

TradeLevels FormLevels(TradeDirection direction, double entryPrice, int takeProfitPoints, int stopLossPoints,
                       long double m)
{
    TradeLevels levels;
    levels.EntryPrice = entryPrice;
    levels.TakeProfitLevel = TakeProfitLevel(direction, entryPrice, takeProfitPoints, m);
    levels.StopLossLevel = StopLossLevel(direction, entryPrice, stopLossPoints, m);
    return levels;
}

} // namespace quillet
