#pragma once
// Random instruments for the tests that compare a fast path with the plain
// run: weekly candles with bodies around the signal sizes, and hourly
// candles on the trading days after them, with the awkward parts of real and
// of broken data switched on one by one.

#include "support/SyntheticPair.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <utility>

namespace quillet::test {

struct RandomPairShape {
    std::string Name = "EURUSD";
    std::uint64_t Seed = 1;
    int Weeks = 60;
    /// Prices are whole points (1/10000, or 1/100 for yen pairs), so closes
    /// land on entry prices and levels on highs and lows.
    double Point = 0.0001;
    double Start = 1.2;
    int HourlySigmaPoints = 12;
    /// A candle at week index 0, which books no series.
    bool WeekZero = false;
    /// Mondays without hourly data, so some entries are on a Tuesday.
    bool MissingMondays = true;
    /// Gaps between days, so a level can be jumped over.
    bool Gaps = true;
    /// The hourly data stops in the middle of a trade.
    bool EndsMidTrade = false;
    /// NaN and inverted candles, out-of-order dates, absurd prices.
    bool Corrupt = false;
};

/// Fills `inst` (emptied first) with a random instrument of the given shape.
inline void MakeRandomPair(Instrument& inst, const RandomPairShape& shape)
{
    SyntheticPair pair(inst, shape.Name);
    std::mt19937_64 rng(shape.Seed);
    auto uniform = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    auto chance = [&rng](double p) { return std::bernoulli_distribution(p)(rng); };
    std::normal_distribution<double> normal(0.0, 1.0);
    auto price = [&shape](long long points) { return static_cast<double>(points) * shape.Point; };

    const long long startPoints = std::llround(shape.Start / shape.Point);
    long long level = startPoints;
    const double firstSunday = FirstSunday();
    if (shape.WeekZero) {
        // Week 0 falls 140 points: with eight candles after it, a signal.
        SetCandle(inst.Week[0], firstSunday - 7, "00", price(level + 140), price(level + 150),
                  price(level - 10), price(level));
    }

    // Hourly candles: the trading week of weekly candle w runs Monday
    // (Sunday + 1) to Friday; the week before candle 1 belongs to week 0.
    const int tradingWeeks = shape.Weeks + 1;
    // The last eight weekly candles give no signal, so the data ends in a
    // week that an earlier signal can still trade.
    const int stopAt = shape.EndsMidTrade ? uniform(tradingWeeks / 2, tradingWeeks - 10) : tradingWeeks;
    for (int w = 0; w < tradingWeeks; ++w) {
        const double sunday = firstSunday + 7.0 * (w - 1);
        for (int day = 1; day <= 5; ++day) {
            if (day == 1 && shape.MissingMondays && chance(0.15))
                continue;
            if (shape.Gaps && chance(0.3))
                level += static_cast<long long>(normal(rng) * shape.HourlySigmaPoints * 4);
            const int hours = (w == stopAt && day == 3) ? uniform(1, 20) : 24;
            for (int h = 0; h < hours; ++h) {
                if (shape.Gaps && chance(0.03))
                    continue; // a missing hour
                const long long open = level;
                const long long close = open + static_cast<long long>(normal(rng) * shape.HourlySigmaPoints);
                const long long high = std::max(open, close) + uniform(0, shape.HourlySigmaPoints);
                const long long low = std::min(open, close) - uniform(0, shape.HourlySigmaPoints);
                const std::string time = (h < 10 ? "0" : "") + std::to_string(h);
                pair.Hour(sunday + day, time, price(open), price(high), price(low), price(close));
                level = close;
                if (shape.Gaps && chance(0.02))
                    level = close + static_cast<long long>(normal(rng) * shape.HourlySigmaPoints * 3);
            }
            if (w == stopAt && day == 3)
                break;
        }
        if (w == stopAt)
            break;
    }

    // Weekly candles 1..Weeks: bodies spread over the signal sizes; each
    // candle opens where the previous one closed.
    long long weekOpen = startPoints;
    for (int w = 1; w <= shape.Weeks; ++w) {
        const int body = chance(0.5) ? uniform(0, 120) : uniform(40, 520);
        const long long close = weekOpen + (chance(0.5) ? body : -body);
        pair.Week(firstSunday + 7.0 * (w - 1), price(weekOpen), price(close));
        weekOpen = close;
    }

    if (shape.Corrupt) {
        const int hourEnd = pair.NextHourIndex();
        for (int n = 0; n < hourEnd / 40; ++n) {
            Candle& c = inst.Hour[uniform(1, hourEnd - 1)];
            switch (uniform(0, 5)) {
            case 0:
                c.Close = std::numeric_limits<double>::quiet_NaN();
                break;
            case 1:
                c.High = std::numeric_limits<double>::quiet_NaN();
                break;
            case 2:
                std::swap(c.High, c.Low);
                break;
            case 3:
                c.High = 1e12; // an absurd spike: drawdowns at the 32-bit bound
                break;
            case 4:
                std::swap(c, inst.Hour[uniform(1, hourEnd - 1)]); // out of order
                break;
            default:
                c.Date += uniform(-9, 9);
                break;
            }
        }
        inst.Week[uniform(1, shape.Weeks)].Close = std::numeric_limits<double>::quiet_NaN();
        inst.Week[uniform(1, shape.Weeks)].Date = std::numeric_limits<double>::quiet_NaN();
    }
}

} // namespace quillet::test
