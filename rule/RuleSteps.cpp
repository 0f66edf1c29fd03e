#include "rule/RuleSteps.h"

#include "rule/TradeRules.h"

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

TradeLevels FormLevels(TradeDirection direction, double open, int takeProfitPoints, int stopLossPoints,
                       long double m, int spreadTenths)
{
    TradeLevels levels;
    levels.EntryPrice = FillPrice(direction, open, spreadTenths, m);
    levels.TakeProfitLevel = TakeProfitLevel(direction, levels.EntryPrice, takeProfitPoints, m, spreadTenths);
    levels.StopLossLevel = StopLossLevel(direction, levels.EntryPrice, stopLossPoints, m, spreadTenths);
    return levels;
}

} // namespace quillet
