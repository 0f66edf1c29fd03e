#pragma once
// One trade as a picture to look at: the hourly candles of the week it was
// walked in, where it entered and left, the levels its candles were compared
// with, and the weekly candles around the week that signalled it. A plain
// value, so the window's chart and the report draw the same thing.

#include "engine/ClosedTrade.h"
#include "model/Instrument.h"

#include <cstdint>
#include <string>
#include <vector>

namespace quillet {

/// A candle of the picture: its day serial, its hour (0 when the time text
/// names none) and its prices.
struct PictureCandle {
    int Index = 0; // in its series
    double Date = 0;
    int Hour = 0;
    double Open = 0;
    double High = 0;
    double Low = 0;
    double Close = 0;
};

/// The weekly candles drawn before and after the signal week.
inline constexpr int kPictureWeeksBefore = 8;
inline constexpr int kPictureWeeksAfter = 2;
/// At most this many hourly candles are drawn: a week of hours and then some.
inline constexpr int kPictureMaxHours = 240;

struct TradePicture {
    TradeDirection Direction = TradeDirection::Buy;
    ExitKind Exit = ExitKind::TakeProfit;

    /// The hourly candles from the entry candle to the last one of the
    /// entry's week (the seven days after the signal week that the entry is
    /// looked for in), and at least to the exit candle.
    std::vector<PictureCandle> Hours;
    int EntryAt = 0; // the entry candle in Hours
    int ExitAt = 0;  // the exit candle in Hours
    double EntryPrice = 0;
    double ExitPrice = 0;
    double TakeProfitLevel = 0; // bid levels, as the candles were compared with them
    double StopLossLevel = 0;
    int HoursHeld = 0;
    std::int32_t Points = 0;

    /// The weekly candles from eight before the signal week to two after it,
    /// as far as the series has them.
    std::vector<PictureCandle> Weeks;
    int SignalAt = 0;                  // the signal candle in Weeks
    std::int32_t SignalBodyPoints = 0; // its body, points
};

/// The picture of a trade of a run over `instrument`.
TradePicture MakeTradePicture(const ClosedTrade& trade, const Instrument& instrument);

} // namespace quillet
