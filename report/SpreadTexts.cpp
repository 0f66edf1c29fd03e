#include "report/SpreadTexts.h"

#include "model/Dates.h"
#include "model/TradeCosts.h"
#include "report/TradeColumns.h"
#include "rule/CostModel.h"

namespace quillet {

std::string NoRecordedSpreadMessage(std::string_view pair, const RecordedSpread& spread)
{
    const std::string name(pair);
    std::string text = "У инструмента " + name + " нет спреда по истории: ";
    if (!spread.Problem().empty())
        return text + spread.Problem();
    return text + "рядом с " + name + ".base нет файла " + name +
           ".spread (его пишет импорт часового файла со столбцом <SPREAD>)";
}

std::string EntrySpreadMessage(int stopLossPoints, const SpreadRefusal& refusal, const Instrument& instrument)
{
    const Candle& entry = instrument.Hour[refusal.EntryIndex];
    return "Stop Loss (" + std::to_string(stopLossPoints) + " п) должен быть больше спреда по истории (" +
           TenthsText(refusal.Spread) + " п при входе " +
           CandleMoment(entry.Date, ShortStringText(entry.Time), ActiveDateFormat()) + ", неделя " +
           std::to_string(refusal.Week) + ")";
}

std::string RecordedSpreadMessage(const BacktestParams& params, const Instrument& instrument)
{
    if (!params.Costs.SpreadRecorded)
        return {};
    static const RecordedSpread kNone;
    if (!RecordedSpreadError(params.Costs, params.Spread, FirstEmptyIndex(instrument.Hour, 1) - 1).empty())
        return NoRecordedSpreadMessage(params.PairName, params.Spread ? *params.Spread : kNone);
    if (const auto refusal = FirstEntryWithinSpread(params, instrument))
        return EntrySpreadMessage(params.StopLossPoints, *refusal, instrument);
    return {};
}

} // namespace quillet
