#include "ui/WalkForwardRun.h"

#include "analysis/MonteCarlo.h"
#include "analysis/Plateau.h"
#include "model/Instrument.h"
#include "report/Catalogue.h"
#include "report/SpreadTexts.h"
#include "ui/Dialogs.h"
#include "ui/InstrumentCopy.h"
#include "ui/WalkForwardPage.h"

#include <QLabel>
#include <QProgressBar>

namespace quillet::ui {
namespace {

// The windows over the weeks of the range that the instrument has.
std::size_t WindowCount(const WalkForwardParams& p, const CandleSeries& weeks)
{
    return WalkForwardSpans(ClipToWeeklyData(p.Sweep.Weeks, weeks), p.InSample, p.OutOfSample, p.Anchored)
        .size();
}

// The dates of the weeks in which `weeks` trade: a signal week's trade opens
// in the week after it, whose date the single-pair page's pickers show too.
std::array<double, 2> TradedDates(const CandleSeries& candles, WeekRange weeks)
{
    return WeekRangeDates(candles, {weeks.First + 1, weeks.Last + 1});
}

// The analysis, its windows' dates and the Monte Carlo of its trades, on
// the worker thread.
WalkForwardShown Analyse(int slot, const WalkForwardParams& params, const Instrument& inst,
                         std::stop_token stop, const BackgroundRun::Progress& progress)
{
    WalkForwardShown s;
    s.Slot = slot;
    s.Params = params;
    s.Outcome = RunWalkForward(params, inst, stop, progress);
    // The spread lived with the run; what is shown keeps only the costs.
    s.Params.Sweep.Spread = nullptr;
    for (const WalkForwardWindow& w : s.Outcome.Windows) {
        const auto in = TradedDates(inst.Week, w.Span.InSample);
        const auto outOfSample = TradedDates(inst.Week, w.Span.OutOfSample);
        s.Dates.push_back({in[0], in[1], outOfSample[0], outOfSample[1]});
    }
    if (!s.Outcome.Trades.empty() && !stop.stop_requested())
        s.MonteCarlo = RunMonteCarlo(s.Outcome.Trades, kMonteCarloRunsDefault, kMonteCarloSeedDefault);
    return s;
}

// The same over several instruments: the windows' dates are those of the first.
WalkForwardShown AnalysePairs(const std::vector<int>& pairSlots, const MultiWalkForwardParams& params,
                              const std::vector<std::shared_ptr<const Instrument>>& copies,
                              std::stop_token stop, const BackgroundRun::Progress& progress)
{
    WalkForwardShown s;
    s.Slot = pairSlots.front();
    s.PairSlots = pairSlots;
    s.PairsParams = params;
    std::vector<const Instrument*> instruments;
    for (const auto& c : copies)
        instruments.push_back(c.get());
    s.PairsOutcome = RunMultiWalkForward(params, instruments, stop, progress);
    for (const MultiWalkForwardWindow& w : s.PairsOutcome.Windows) {
        const auto in = TradedDates(instruments.front()->Week, w.Span.InSample);
        const auto outOfSample = TradedDates(instruments.front()->Week, w.Span.OutOfSample);
        s.Dates.push_back({in[0], in[1], outOfSample[0], outOfSample[1]});
    }
    if (!s.PairsOutcome.Trades.empty() && !stop.stop_requested())
        s.MonteCarlo = RunMonteCarlo(s.PairsOutcome.Trades, kMonteCarloRunsDefault, kMonteCarloSeedDefault);
    return s;
}

} // namespace

WalkForwardRun::WalkForwardRun(QWidget* owner, QProgressBar* progress, QLabel* status)
    : owner_(owner), progress_(progress), status_(status), run_(progress)
{
}

WalkForwardRun::~WalkForwardRun() = default;

bool WalkForwardRun::Refused(WeekRange weeks, int inSample, bool plateau, std::int64_t combinations)
{
    if (weeks.First + inSample > weeks.Last) {
        ShowError(owner_,
                  QStringLiteral("Недели %1–%2: после %3 недель выборки не остаётся недель для проверки")
                      .arg(weeks.First)
                      .arg(weeks.Last)
                      .arg(inSample));
        return true;
    }
    if (plateau && combinations > kPlateauCellLimit) {
        ShowError(owner_,
                  QStringLiteral("Выбор по плато возможен для сетки не больше %1 комбинаций, в этой %2")
                      .arg(kPlateauCellLimit)
                      .arg(combinations));
        return true;
    }
    return false;
}

bool WalkForwardRun::Start(int slot, WalkForwardParams params)
{
    if (Running())
        return false;
    // Each window is checked on the weeks after it, and its choice needs no
    // heatmap, so the sweep's forward weeks and hold cells are not asked for.
    params.Sweep.Forward.reset();
    params.Sweep.KeepHoldCells = false;
    if (Refused(params.Sweep.Weeks, params.InSample, params.Plateau.has_value(),
                params.Sweep.Grid.Combinations()))
        return false;

    // The analysis reads its own copy of the instrument and its spread, so
    // nothing the window does to the table meanwhile can reach it.
    auto inst = std::make_shared<const Instrument>(Table().At(slot));
    auto spread = std::make_shared<const RecordedSpread>(Table().Spread(slot));
    if (params.Sweep.Costs.SpreadRecorded) {
        if (spread->Empty()) {
            ShowError(owner_,
                      QString::fromStdString(NoRecordedSpreadMessage(params.Sweep.PairName, *spread)));
            return false;
        }
        params.Sweep.Spread = spread.get();
    }
    const WeekRange used = ClipToWeeklyData(params.Sweep.Weeks, inst->Week);
    if (used.Last != params.Sweep.Weeks.Last &&
        !WalkForwardError(used, params.InSample, params.OutOfSample).empty()) {
        ShowError(owner_, QString::fromStdString(ClippedRangeText(params.Sweep.Weeks, used)) +
                              QStringLiteral(": после %1 недель выборки не остаётся недель для проверки")
                                  .arg(params.InSample));
        return false;
    }
    const std::size_t windows = WindowCount(params, inst->Week);
    QString status = QStringLiteral("Форвард-анализ: окон %1 по %2 комбинаций")
                         .arg(windows)
                         .arg(params.Sweep.Grid.Combinations());
    if (used.Last != params.Sweep.Weeks.Last)
        status += QStringLiteral("; ") + QString::fromStdString(ClippedRangeText(params.Sweep.Weeks, used));
    status_->setText(status);
    return run_.Start(
        [inst, spread, slot, params](std::stop_token stop, const BackgroundRun::Progress& progress) {
            return Analyse(slot, params, *inst, stop, progress);
        },
        [this, windows](RunEnd<WalkForwardShown> end) { Finished(windows, std::move(end)); });
}

bool WalkForwardRun::StartPairs(const std::vector<int>& pairSlots, MultiWalkForwardParams params)
{
    if (Running())
        return false;
    params.Sweep.Forward.reset();
    params.Sweep.KeepHoldCells = false;
    const MultiSweepParams& sp = params.Sweep;
    if (Refused(sp.Weeks, params.InSample, params.Plateau.has_value(), sp.Grid.Combinations()))
        return false;
    std::vector<std::shared_ptr<const Instrument>> copies;
    for (const int slot : pairSlots)
        copies.push_back(CopyForRun(Table().At(slot)));
    const std::size_t windows =
        WalkForwardSpans(sp.Weeks, params.InSample, params.OutOfSample, params.Anchored).size();
    status_->setText(QStringLiteral("Форвард-анализ: %1 инструментов, окон %2 по %3 комбинаций")
                         .arg(pairSlots.size())
                         .arg(windows)
                         .arg(sp.Grid.Combinations()));
    return run_.Start(
        [copies, pairSlots, params](std::stop_token stop, const BackgroundRun::Progress& progress) {
            return AnalysePairs(pairSlots, params, copies, stop, progress);
        },
        [this, windows](RunEnd<WalkForwardShown> end) { Finished(windows, std::move(end)); });
}

void WalkForwardRun::Stop()
{
    run_.Cancel();
}

void WalkForwardRun::Finished(std::size_t windows, RunEnd<WalkForwardShown> end)
{
    emit Ended();
    if (!end.Error.isEmpty()) {
        status_->setText(QString());
        ShowError(owner_, end.Error);
        return;
    }
    if (!end.Value || end.Value->WindowsDone() == 0) {
        // Stopped before the first window was done.
        status_->setText(QStringLiteral("Остановлено: просчитано окон 0 из %1").arg(windows));
        return;
    }
    auto shown = std::make_shared<WalkForwardShown>(std::move(*end.Value));
    shown->Seconds = end.Seconds;
    const std::size_t done = shown->WindowsDone();
    // The last progress report may not have arrived as a signal yet.
    progress_->setValue(static_cast<int>(done * static_cast<std::size_t>(progress_->maximum()) / windows));
    status_->setText(
        done < windows
            ? QStringLiteral("Остановлено: просчитано окон %1 из %2").arg(done).arg(windows)
            : QStringLiteral("Форвард-анализ готов: окон %1 за %2 с")
                  .arg(windows)
                  .arg(QString::number(shown->Seconds, 'f', 1).replace(QLatin1Char('.'), QLatin1Char(','))));
    emit Found(shown);
}

} // namespace quillet::ui
