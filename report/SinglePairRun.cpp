// The single-pair run with its readers: the progress, the work log, the
// bookkeeping and whoever else reads along.

#include "report/SinglePairRun.h"

#include "engine/Bookkeeping.h"
#include "engine/SinglePair.h"

namespace quillet {
namespace {

// The readers of a run, in the order each event reaches them: the progress
// step (a week counts before it is examined), the log, the bookkeeping, and
// whoever else reads along.
class RunReaders final : public TradeEventReader {
  public:
    RunReaders(const ProgressStep& progress, WorkLogWriter& log, Bookkeeping& book, TradeEventReader* also)
        : progress_(progress), log_(log), book_(book), also_(also)
    {
    }

    void OnWeekExamined(const WeekExamined& e) override
    {
        if (progress_)
            progress_();
        log_.OnWeekExamined(e);
        if (also_)
            also_->OnWeekExamined(e);
    }
    void OnEntrySearched(const EntrySearched& e) override
    {
        log_.OnEntrySearched(e);
        if (also_)
            also_->OnEntrySearched(e);
    }
    void OnPositionOpened(const PositionOpened& e) override
    {
        log_.OnPositionOpened(e);
        book_.OnPositionOpened(e);
        if (also_)
            also_->OnPositionOpened(e);
    }
    void OnCandleExamined(const CandleExamined& e) override
    {
        log_.OnCandleExamined(e);
        if (also_)
            also_->OnCandleExamined(e);
    }
    void OnPositionClosed(const PositionClosed& e) override
    {
        log_.OnPositionClosed(e);
        book_.OnPositionClosed(e);
        if (also_)
            also_->OnPositionClosed(e);
    }
    void OnWeekEnded(const WeekEnded& e) override
    {
        book_.OnWeekEnded(e);
        if (also_)
            also_->OnWeekEnded(e);
    }

  private:
    const ProgressStep& progress_;
    WorkLogWriter& log_;
    Bookkeeping& book_;
    TradeEventReader* also_;
};

void Run(const BacktestParams& params, const Instrument& instrument, BacktestResult& result,
         const WorkLog& log, const ProgressStep& progress, const Notify& notify, TradeEventReader* also)
{
    CheckCosts(params, instrument);
    WorkLogWriter writer(params, instrument, log, notify);
    Bookkeeping book(result);
    RunReaders readers(progress, writer, book, also);
    writer.WriteHeader();
    WalkSinglePair(params, instrument, readers);
}

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

void RunSinglePairBacktest(const BacktestParams& params, const Instrument& instrument, BacktestResult& result,
                           const WorkLog& log, const ProgressStep& progress, const Notify& notify)
{
    Run(params, instrument, result, log, progress, notify, nullptr);
}

void RunSinglePairBacktest(const BacktestParams& params, const Instrument& instrument, BacktestResult& result,
                           const WorkLog& log, const ProgressStep& progress, const Notify& notify,
                           TradeEventReader& also)
{
    Run(params, instrument, result, log, progress, notify, &also);
}

TradeList RunSinglePairTradeList(const BacktestParams& params, const Instrument& instrument,
                                 BacktestResult& result, const WorkLog& log, const ProgressStep& progress,
                                 const Notify& notify)
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
    RunSinglePairBacktest(params, instrument, result, counted, step, notify, reader);
    return list;
}

} // namespace quillet
