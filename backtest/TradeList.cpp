#include "backtest/TradeList.h"

#include <algorithm>

namespace quillet {
namespace {

// Collects the trades and notes, for each, the log line its week began at.
// The progress step comes before a week's first line is written, so the
// count of lines at that step is where the week begins.
class TradeListReader final : public TradeEventReader {
  public:
    TradeListReader(TradeList& list, const int& weekFirstLine)
        : list_(list), collect_(list.Trades), weekFirstLine_(weekFirstLine)
    {
    }

    void OnWeekExamined(const WeekExamined& e) override
    {
        collect_.OnWeekExamined(e);
        openFirstLine_ = weekFirstLine_;
    }
    void OnPositionOpened(const PositionOpened& e) override { collect_.OnPositionOpened(e); }
    void OnPositionClosed(const PositionClosed& e) override
    {
        collect_.OnPositionClosed(e);
        list_.FirstLogLines.push_back(openFirstLine_);
    }

  private:
    TradeList& list_;
    TradeCollector collect_;
    const int& weekFirstLine_;
    int openFirstLine_ = -1;
};

} // namespace

TradeList RunSinglePairTradeList(const BacktestParams& params, BacktestResult& result, const WorkLog& log,
                                 const ProgressStep& progress, const Notify& notify,
                                 const InstrumentTable& table)
{
    const bool logged = params.LogEnabled && static_cast<bool>(log);
    int lines = 0;
    int weekFirstLine = -1;
    WorkLog counted;
    if (logged)
        counted = [&](const std::string& line) {
            ++lines;
            log(line);
        };
    const ProgressStep step = [&] {
        if (logged)
            weekFirstLine = lines;
        if (progress)
            progress();
    };

    TradeList list;
    TradeListReader reader(list, weekFirstLine);
    RunSinglePairBacktest(params, result, counted, step, notify, reader, table);
    return list;
}

namespace {

template <typename Amount> EquityCurve MakeCurve(const std::vector<ClosedTrade>& trades, Amount amount)
{
    EquityCurve curve;
    curve.Cumulative.reserve(trades.size());
    curve.RunningMax.reserve(trades.size());
    std::int64_t sum = 0;
    std::int64_t peak = 0;
    int peakAt = -1;
    for (std::size_t i = 0; i < trades.size(); ++i) {
        const int at = static_cast<int>(i);
        sum += amount(trades[i]);
        if (sum >= peak) {
            // Standing at the maximum again moves the start of a later fall.
            peak = sum;
            peakAt = at;
        } else if (peak - sum > curve.DeepestDrawdown) {
            curve.DeepestDrawdown = peak - sum;
            curve.DrawdownPeak = peakAt;
            curve.DrawdownTrough = at;
        }
        curve.Cumulative.push_back(sum);
        curve.RunningMax.push_back(peak);
    }
    curve.Total = sum;
    return curve;
}

} // namespace

EquityCurve MakeEquityCurve(const std::vector<ClosedTrade>& trades)
{
    return MakeCurve(trades, [](const ClosedTrade& t) { return t.Points; });
}

EquityCurve MakeNetEquityCurve(const std::vector<ClosedTrade>& trades)
{
    return MakeCurve(trades, [](const ClosedTrade& t) { return t.NetTenths; });
}

} // namespace quillet
