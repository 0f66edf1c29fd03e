// The single-pair run: each weekly candle with a long enough body opens a
// position against it at the first hourly candle of the following week; the
// hourly candles then decide between take-profit, stop-loss and time-out.

#include "backtest/SinglePair.h"

#include "backtest/TradeRules.h"
#include "store/Cp1251.h"
#include "store/Dates.h"
#include "store/Errors.h"
#include "store/Numbers.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string>

namespace quillet {
namespace {

// Weeks are read at fixed indices without looking at the end of the weekly
// series; an index outside the array reads as an empty candle.
const Candle kEmptyCandle{};

const Candle& CandleAt(const CandleSeries& series, long long index)
{
    if (index < 0 || index > kLastCandleIndex)
        return kEmptyCandle;
    return series[static_cast<int>(index)];
}

std::string DateText(double serial)
{
    return FormatDate(serial);
}

std::string TimeText(const Candle& c)
{
    return ShortStringText(c.Time);
}

// The index of the first hourly candle on one of the seven days of the week
// after a signal week, or `hourEnd` when there is none before the end mark.
int FindEntryCandle(const CandleSeries& hour, int hourEnd, double signalDate)
{
    // Whole days are compared: the integral parts of the two values.
    std::array<double, 7> days{};
    for (int d = 0; d < 7; ++d)
        days[d] = std::trunc(signalDate + (8 + d));
    const double first = *std::min_element(days.begin(), days.end());
    const double last = *std::max_element(days.begin(), days.end());
    for (int c = 1; c < hourEnd; ++c) {
        // The integral part lies within one day of the value: most candles
        // are ruled out without computing it.
        const double date = hour[c].Date;
        if (date < first - 1 || date > last + 1)
            continue;
        const double day = std::trunc(date);
        if (day < first || day > last)
            continue;
        if (std::find(days.begin(), days.end(), day) != days.end())
            return c;
    }
    return hourEnd;
}

// The adverse excursion of a candle from the entry price, in points.
std::int32_t AdverseExcursion(const Trade& t, const Candle& c, long double m)
{
    const long double entry = t.EntryPrice;
    if (t.Direction == TradeDirection::Sell)
        return RoundToInt32((static_cast<long double>(c.High) - entry) * m);
    return RoundToInt32((entry - static_cast<long double>(c.Low)) * m);
}

} // namespace

void RunSinglePairBacktest(const BacktestParams& params, BacktestResult& result, const WorkLog& log,
                           const ProgressStep& progress, const Notify& notify, const InstrumentTable& table)
{
    if (params.Slot < 0 || params.Slot > kLastSlot)
        throw Error("Slot " + std::to_string(params.Slot) + " is outside the instrument table");
    const Instrument& inst = table[params.Slot];
    const bool logging = params.LogEnabled && static_cast<bool>(log);
    const WorkLog noLog;
    const WorkLog& bookLog = logging ? log : noLog;
    auto write = [&](const std::string& line) {
        if (logging)
            log(line);
    };
    auto tell = [&](const std::string& text) {
        if (notify)
            notify(text);
    };

    if (logging) {
        write("-------------------------------------------------------------");
        write("----------------------Условия-------------------------");
        const std::string pair = "Инструмент               " + ShortStringText(inst.Name);
        write(std::string(Utf8Prefix(pair, 31)));
        write("Сигнальная свеча     " + std::to_string(params.SignalMinPoints));
        write("Stop Loss                   " + std::to_string(params.StopLossPoints));
        write("Take Proft                   " + std::to_string(params.TakeProfitPoints));
        if (params.RangeRestricted)
            write("Временные рамки    " + DateText(CandleAt(inst.Week, params.FirstWeek).Date) + " - " +
                  DateText(CandleAt(inst.Week, params.LastWeek).Date));
        else
            write("Временные рамки   Нет");
        write("-------------------------------------------------------------");
        write("vvvvvvvvvvvvvvvvvvvvРассчётыvvvvvvvvvvvvvvvvvvvvvvvvvvvv");
    }

    const long double m = PointMultiplier(params.PairName);
    // The hourly data ends here for the whole run; nothing at or past this
    // index is ever read.
    const int hourEnd = FirstEmptyIndex(inst.Hour, 1);

    // The offset counter outlives the week: weeks without a trade book the
    // exit offset of the latest trade (0 before the first one).
    int k = 0;

    // Only the indices the weekly array holds are walked.
    const long long firstWeek = std::max(params.FirstWeek, 0);
    const long long lastWeek = std::min(params.LastWeek, kLastCandleIndex);
    for (long long i = firstWeek; i <= lastWeek; ++i) {
        if (progress)
            progress();
        const Candle& w = CandleAt(inst.Week, i);
        const long double signedBody = PointDifference(w.Open, w.Close, static_cast<double>(m));
        const std::int32_t body = RoundToInt32(std::fabs(signedBody));
        if (logging)
            write("Берём недельную свечу от " + DateText(w.Date) + " (неделя с " + DateText(w.Date + 1) +
                  " по " + DateText(w.Date + 5) + ")");

        const bool signal = body >= params.SignalMinPoints && CandleExists(CandleAt(inst.Week, i + 8));
        if (!signal) {
            if (logging)
                write("Тело свечи - " + std::to_string(body) + ", нам надо больше или равно " +
                      std::to_string(params.SignalMinPoints) + " ... пропускаем.");
            RecordWeekEnd(result, k);
            continue;
        }
        if (logging)
            write("Тело свечи - " + std::to_string(body) + ", нам надо больше или равно " +
                  std::to_string(params.SignalMinPoints) + ", берём!");

        const int c = FindEntryCandle(inst.Hour, hourEnd, w.Date);
        if (c >= hourEnd) {
            // The hourly data ends before the week after the signal.
            write("На следующей неделе нет часовых свечей ... пропускаем.");
            RecordWeekEnd(result, k);
            continue;
        }
        if (logging)
            write("Начинаем просмотр часовых свечей с понедельника (" + DateText(inst.Hour[c].Date) + ")");

        Trade t;
        t.EntryIndex = c;
        if (signedBody > 0) {
            t.Direction = TradeDirection::Sell;
            write(
                "Недельная свеча была бычьей (открытие ниже закрытия, т.е. цена росла) и мы открываем сделку "
                "на продажу");
        } else {
            t.Direction = TradeDirection::Buy;
            write("Недельная свеча была медвежьей (открытие выше закрытия, т.е. цена падала) и мы открываем "
                  "сделку на покупку");
        }
        RecordEntry(result);
        k = 0;

        const bool sell = t.Direction == TradeDirection::Sell;
        t.EntryPrice = inst.Hour[c].Open;
        const long double entry = t.EntryPrice;
        const long double tpOffset = static_cast<long double>(params.TakeProfitPoints) / m;
        const long double slOffset = static_cast<long double>(params.StopLossPoints) / m;
        t.TakeProfitLevel = static_cast<double>(sell ? entry - tpOffset : entry + tpOffset);
        t.StopLossLevel = static_cast<double>(sell ? entry + slOffset : entry - slOffset);
        if (logging)
            write("Открытие первой часовой свечи было по цене " + FormatPrice(t.EntryPrice) +
                  ", поэтому входим в позицию c TP = " + FormatPrice(t.TakeProfitLevel) +
                  " и SL = " + FormatPrice(t.StopLossLevel));
        t.Drawdown = 0;

        // The hourly walk: stops at a level, at the holding limit, or where
        // the hourly data runs out.
        std::string_view outcome;
        bool ranOut = false;
        for (;;) {
            const Candle& h = inst.Hour[c + k];
            outcome = ClassifyBar(h.High, h.Low, t.TakeProfitLevel, t.StopLossLevel);
            if (outcome != kNoOutcome || k == params.HoldLimit)
                break;
            if (logging)
                write("Свеча от " + DateText(h.Date) + " " + TimeText(h) + " с минимумом " +
                      FormatPrice(h.Low) + " и максимумом " + FormatPrice(h.High) +
                      " всё в пределах SL и TP");
            if (c + k + 1 >= hourEnd) {
                ranOut = true;
                break;
            }
            ++k;
            const std::int32_t excursion = AdverseExcursion(t, inst.Hour[c + k], m);
            if (excursion > t.Drawdown)
                t.Drawdown = excursion;
        }
        t.Offset = k;

        const Candle& last = inst.Hour[c + k];
        if (ranOut || k == params.HoldLimit) {
            if (ranOut)
                tell(sell ? "Закрываем позицию, т.к. нету больше свечей для анализа "
                          : "Закрываем позицию, т.к. нету больше свечей для анализа");
            else
                write("Закрываем позицию по тайм-ауту");
            const double x = last.Close;
            const long double close = x;
            if ((sell && t.EntryPrice > x) || (!sell && t.EntryPrice < x)) {
                const std::int32_t g = RoundToInt32((sell ? entry - close : close - entry) * m);
                if (logging)
                    write("Закрылись в + " + std::to_string(g) + " пунктов");
                RecordTimeoutWin(result, g);
            } else if (t.EntryPrice == x) {
                tell("А вот и пасхалочка. Закрыли точно в цену открытия, без всяких потерь, просто редки "
                     "случай, "
                     "ничего страшного.");
            } else {
                const std::int32_t l = RoundToInt32((sell ? close - entry : entry - close) * m);
                if (logging)
                    write("Закрылись в - " + std::to_string(l) + " пунктов");
                RecordTimeoutLoss(result, l);
            }
        } else if (outcome == kTakeProfit) {
            if (logging) {
                if (sell)
                    write("Минимум (" + FormatPrice(last.Low) + ") часовой (" + TimeText(last) +
                          ") свечи от " + DateText(last.Date) + " опустился ниже TP (" +
                          FormatPrice(t.TakeProfitLevel) + "). ПРОФИТ");
                else
                    write("Максимум (" + FormatPrice(last.High) + ") часовой (" + TimeText(last) +
                          ") свечи от " + DateText(last.Date) + " поднялся выше TP (" +
                          FormatPrice(t.TakeProfitLevel) + "). ПРОФИТ");
            }
            RecordTakeProfit(result, static_cast<int>(i), k, t.Drawdown, bookLog);
        } else {
            if (logging) {
                if (sell)
                    write("Максимум (" + FormatPrice(last.High) + ") часовой (" + TimeText(last) +
                          ") свечи от " + DateText(last.Date) + " поднялся выше SL (" +
                          FormatPrice(t.StopLossLevel) + "). Лось..");
                else
                    write("Минимум (" + FormatPrice(last.Low) + ") часовой (" + TimeText(last) +
                          ") свечи от " + DateText(last.Date) + " опустился ниже SL (" +
                          FormatPrice(t.StopLossLevel) + "). Лось..");
            }
            RecordStopLoss(result, static_cast<int>(i), bookLog);
        }
        RecordWeekEnd(result, k);
    }
}

} // namespace quillet
