#include "report/WorkLog.h"

#include "model/Cp1251.h"
#include "model/Dates.h"
#include "model/Numbers.h"
#include "rule/Arithmetic32.h"

#include <string>

namespace quillet {
namespace {

std::string TimeText(const Candle& c)
{
    return ShortStringText(c.Time);
}

// "Тело свечи - 120, нам надо больше или равно 85" and its ending.
std::string BodyLine(std::int32_t body, int signalMin, const char* ending)
{
    return "Тело свечи - " + std::to_string(body) + ", нам надо больше или равно " +
           std::to_string(signalMin) + ending;
}

} // namespace

WorkLogWriter::WorkLogWriter(const BacktestParams& params, const Instrument& instrument, const WorkLog& log,
                             const Notify& notify)
    : params_(params), instrument_(instrument), log_(log), notify_(notify),
      logging_(params.LogEnabled && static_cast<bool>(log))
{
}

void WorkLogWriter::Tell(const std::string& text) const
{
    if (notify_)
        notify_(text);
}

void WorkLogWriter::WriteHeader()
{
    if (!logging_)
        return;
    Write("-------------------------------------------------------------");
    Write("----------------------Условия-------------------------");
    // A stored name has at most six characters; the line is cut all the same.
    const std::string pair = "Инструмент               " + ShortStringText(instrument_.Name);
    Write(std::string(Utf8Prefix(pair, 31)));
    Write("Сигнальная свеча     " + std::to_string(params_.SignalMinPoints));
    Write("Stop Loss                   " + std::to_string(params_.StopLossPoints));
    Write("Take Proft                   " + std::to_string(params_.TakeProfitPoints));
    if (params_.RangeRestricted)
        Write("Временные рамки    " + FormatDate(CandleOrEmpty(instrument_.Week, params_.FirstWeek).Date) +
              " - " + FormatDate(CandleOrEmpty(instrument_.Week, params_.LastWeek).Date));
    else
        Write("Временные рамки   Нет");
    Write("-------------------------------------------------------------");
    Write("vvvvvvvvvvvvvvvvvvvvРассчётыvvvvvvvvvvvvvvvvvvvvvvvvvvvv");
}

void WorkLogWriter::OnWeekExamined(const WeekExamined& e)
{
    if (!logging_)
        return;
    // The weekly candle is dated on the Sunday before its trading week.
    Write("Берём недельную свечу от " + FormatDate(e.Date) + " (неделя с " + FormatDate(e.Date + 1) + " по " +
          FormatDate(e.Date + 5) + ")");
    // A body too short and a week too near the end read alike.
    if (e.Verdict == WeekVerdict::Signal)
        Write(BodyLine(e.Body, params_.SignalMinPoints, ", берём!"));
    else
        Write(BodyLine(e.Body, params_.SignalMinPoints, " ... пропускаем."));
}

void WorkLogWriter::OnEntrySearched(const EntrySearched& e)
{
    if (!logging_)
        return;
    if (e.Entry)
        Write("Начинаем просмотр часовых свечей с понедельника (" + FormatDate(e.Entry->Date) + ")");
    else
        Write("На следующей неделе нет часовых свечей ... пропускаем.");
}

void WorkLogWriter::OnPositionOpened(const PositionOpened& e)
{
    if (!logging_)
        return;
    if (e.Direction == TradeDirection::Sell)
        Write(
            "Недельная свеча была бычьей (открытие ниже закрытия, т.е. цена росла) и мы открываем сделку на "
            "продажу");
    else
        Write(
            "Недельная свеча была медвежьей (открытие выше закрытия, т.е. цена падала) и мы открываем сделку "
            "на покупку");
    Write("Открытие первой часовой свечи было по цене " + FormatPrice(e.Levels.EntryPrice) +
          ", поэтому входим в позицию c TP = " + FormatPrice(e.Levels.TakeProfitLevel) +
          " и SL = " + FormatPrice(e.Levels.StopLossLevel));
}

void WorkLogWriter::OnCandleExamined(const CandleExamined& e)
{
    // Only a candle the position survives gets a line.
    if (!logging_ || e.Touched != BarOutcome::None || e.AtHoldLimit)
        return;
    const Candle& h = *e.Hour;
    Write("Свеча от " + FormatDate(h.Date) + " " + TimeText(h) + " с минимумом " + FormatPrice(h.Low) +
          " и максимумом " + FormatPrice(h.High) + " всё в пределах SL и TP");
}

void WorkLogWriter::OnPositionClosed(const PositionClosed& e)
{
    const bool sell = e.Direction == TradeDirection::Sell;
    switch (e.Kind) {
    case ExitKind::TimeOut:
        if (logging_)
            Write("Закрываем позицию по тайм-ауту");
        WriteTimeoutBalance(e);
        break;
    case ExitKind::OutOfCandles:
        // Shown in place of the time-out line; the sell's text ends in a blank.
        Tell(sell ? "Закрываем позицию, т.к. нету больше свечей для анализа "
                  : "Закрываем позицию, т.к. нету больше свечей для анализа");
        WriteTimeoutBalance(e);
        break;
    case ExitKind::TakeProfit:
    case ExitKind::StopLoss:
        WriteLevelReached(e);
        break;
    }
}

void WorkLogWriter::WriteTimeoutBalance(const PositionClosed& e) const
{
    switch (e.Result) {
    case TradeResult::Gained:
        if (logging_)
            Write("Закрылись в + " + std::to_string(e.Points) + " пунктов");
        break;
    case TradeResult::Lost:
        if (logging_)
            Write("Закрылись в - " + std::to_string(-static_cast<std::int64_t>(e.Points)) + " пунктов");
        break;
    case TradeResult::Even:
        Tell("А вот и пасхалочка. Закрыли точно в цену открытия, без всяких потерь, просто редки случай, "
             "ничего страшного.");
        break;
    }
}

void WorkLogWriter::WriteLevelReached(const PositionClosed& e)
{
    if (!logging_)
        return;
    const bool takeProfit = e.Kind == ExitKind::TakeProfit;
    // The log quotes the counts and runs as the bookkeeping books them.
    std::int32_t& count = takeProfit ? takeProfits_ : stopLosses_;
    const std::int32_t before = count;
    count = Add32(count, 1);
    const bool continued = series_.Step(takeProfit, e.Week);

    const Candle& h = *e.Exit;
    const bool sell = e.Direction == TradeDirection::Sell;
    // A sell's take-profit and a buy's stop-loss lie below the entry: the
    // candle's Low reached them; otherwise its High did.
    const bool low = sell == takeProfit;
    const std::string extreme = low ? "Минимум (" + FormatPrice(h.Low) : "Максимум (" + FormatPrice(h.High);
    const char* crossed = low ? " опустился ниже " : " поднялся выше ";
    const std::string level = takeProfit ? "TP (" + FormatPrice(e.Levels.TakeProfitLevel) + "). ПРОФИТ"
                                         : "SL (" + FormatPrice(e.Levels.StopLossLevel) + "). Лось..";
    Write(extreme + ") часовой (" + TimeText(h) + ") свечи от " + FormatDate(h.Date) + crossed + level);

    const char* kind = takeProfit ? "TP" : "SL";
    Write(std::string("Увеличиваем общее количество ") + kind + ". Было " + std::to_string(before) +
          ", стало " + std::to_string(count));
    if (continued)
        Write(std::string("В предыдущей сделке тоже был ") + kind + ", увеличиваем текущую серию");
}

std::string WorkLogClosingLine()
{
    return "^^^^^^^^^^^^^^^^^^^^Рассчёты^^^^^^^^^^^^^^^^^^^^^^^^^^^^";
}

} // namespace quillet
