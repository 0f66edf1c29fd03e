#include "ui/OptimisationPage.h"

#include "analysis/WalkForward.h"
#include "model/ControlRanges.h"
#include "model/Dates.h"
#include "model/Instrument.h"
#include "model/Numbers.h"
#include "report/Catalogue.h"
#include "report/FigureTexts.h"
#include "report/PairsTexts.h"
#include "report/SpreadTexts.h"
#include "report/SweepTexts.h"
#include "ui/Dialogs.h"
#include "ui/LongWork.h"
#include "ui/OverfitDialog.h"
#include "ui/WalkForwardRun.h"
#include "ui_OptimisationPage.h"

#include <QHeaderView>
#include <QTableWidgetItem>

#include <algorithm>
#include <cmath>
#include <exception>
#include <limits>
#include <stop_token>

namespace quillet::ui {
namespace {

QString Text(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The metric box lists the metrics in the order of SweepMetric.
QString MetricName(SweepMetric m)
{
    return Text(MetricCaption(m));
}

QString Ratio(long double value, const char* suffix = "")
{
    return QString::fromStdString(RatioText(value, suffix));
}

// A figure of the sweep as a ratio of the figures (NaN: none).
quillet::Ratio RatioOf(long double value)
{
    return std::isnan(value) ? quillet::Ratio() : quillet::Ratio(value);
}

QString FiguresText(const BacktestResult& r, const SweepFigures& f)
{
    return QStringLiteral("входов %1, выходов по TP %2, по SL %3, тайм-аут %4/%5\nпункты %6, профитность %7, "
                          "TP %8")
        .arg(r.Entries)
        .arg(r.TakeProfits)
        .arg(r.StopLosses)
        .arg(r.TimeoutWins)
        .arg(r.TimeoutLosses)
        .arg(f.Net)
        .arg(Ratio(f.Profitability), Ratio(f.TpShare, "%"));
}

} // namespace

OptimisationPage::OptimisationPage(QWidget* parent)
    : QWidget(parent), ui(std::make_unique<Ui::OptimisationPage>())
{
    ui->setupUi(this);
    auto& u = *ui;
    for (const quillet::MetricName& m : kMetricNames)
        u.MetricBox->addItem(MetricName(m.Metric));
    for (const PairsMetricName& m : kPairsMetricNames)
        u.PairsMetricBox->addItem(Text(PairsMetricCaption(m.Metric)));
    u.PairsTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    u.PairsTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    u.PairsTable->setSelectionMode(QAbstractItemView::SingleSelection);
    u.PairsTable->verticalHeader()->hide();
    u.PairsTable->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    u.BestTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    u.BestTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    u.BestTable->verticalHeader()->hide();
    u.BestTable->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);

    connect(u.StartButton, &QPushButton::clicked, this, &OptimisationPage::StartSweep);
    connect(u.StopButton, &QPushButton::clicked, this, &OptimisationPage::StopSweep);
    connect(u.HoldLimited, &QCheckBox::toggled, this, [this](bool on) {
        ui->HoldFrom->setEnabled(on);
        ui->HoldTo->setEnabled(on);
    });
    connect(u.ForwardChecked, &QCheckBox::toggled, this, [this](bool on) {
        ui->ForwardFrom->setEnabled(on);
        ui->ForwardTo->setEnabled(on);
    });
    for (QSpinBox* week : {u.WeekFrom, u.WeekTo, u.ForwardFrom, u.ForwardTo})
        connect(week, &QSpinBox::valueChanged, this, &OptimisationPage::ShowForwardOverlap);
    connect(u.ForwardChecked, &QCheckBox::toggled, this, &OptimisationPage::ShowForwardOverlap);
    connect(u.PairBox, &QComboBox::currentIndexChanged, this, &OptimisationPage::ShowPeriod);
    connect(u.PairBox, &QComboBox::activated, this, &OptimisationPage::PairActivated);
    connect(u.BestTable, &QTableWidget::currentCellChanged, this, [this](int row) { ShowPairsOfRow(row); });
    connect(u.PairsTable, &QTableWidget::cellDoubleClicked, this, [this](int, int) {
        if (const int row = ui->BestTable->currentRow(); row >= 0)
            ChooseRow(row);
    });
    connect(u.SignalSlider, &QSlider::valueChanged, this, &OptimisationPage::ShowLayer);
    connect(u.BestBySignal, &QCheckBox::toggled, this, &OptimisationPage::ShowLayer);
    connect(u.Heatmap, &SweepHeatmap::CellActivated, this, &OptimisationPage::ChooseCell);
    connect(u.BestTable, &QTableWidget::cellDoubleClicked, this, [this](int row, int) { ChooseRow(row); });
    u.Heatmap->SetTooltipText([this](int sl, int tp) { return CellTooltip(sl, tp); });
    sweep_ = std::make_unique<BackgroundRun>(u.SweepProgress);

    // The analysis shares the sweep's progress bar, status and Stop button.
    walkForward_ = std::make_unique<WalkForwardRun>(this, u.SweepProgress, u.StatusLabel);
    connect(u.WalkForwardButton, &QPushButton::clicked, this, &OptimisationPage::StartWalkForward);
    connect(walkForward_.get(), &WalkForwardRun::Ended, this, [this] { SetRunning(false); });
    connect(walkForward_.get(), &WalkForwardRun::Found, this, &OptimisationPage::WalkForwardEnded);
    const auto radiiEnabled = [this](bool on) {
        for (QSpinBox* r : {ui->PlateauSignal, ui->PlateauStopLoss, ui->PlateauTakeProfit, ui->PlateauHold})
            r->setEnabled(on);
    };
    radiiEnabled(false);
    connect(u.PlateauChecked, &QCheckBox::toggled, this, radiiEnabled);
    connect(u.OverfitButton, &QPushButton::clicked, this, &OptimisationPage::ShowOverfit);
    connect(u.BestTable, &QTableWidget::currentCellChanged, this, [this](int row) {
        if (overfit_ && outcome_ && row >= 0 && row < static_cast<int>(outcome_->Best.size())) {
            const SweepRow& r = outcome_->Best[static_cast<std::size_t>(row)];
            overfit_->SetRow(GridPoint{r.Signal, r.StopLoss, r.TakeProfit, r.Hold.value_or(0)});
        }
    });
    connect(u.ShowPlateau, &QCheckBox::toggled, this, [this] {
        UpdatePlateauCells();
        ShowLayer();
    });
}

void OptimisationPage::ShowForwardOverlap()
{
    // Weeks in both ranges make the forward figures partly in-sample.
    auto& u = *ui;
    const std::string warning = u.ForwardChecked->isChecked()
                                    ? ForwardOverlapWarning(u.WeekFrom->value(), u.WeekTo->value(),
                                                            u.ForwardFrom->value(), u.ForwardTo->value())
                                    : std::string();
    u.ForwardOverlapLabel->setVisible(!warning.empty());
    u.ForwardOverlapLabel->setText(QString::fromStdString(warning));
}

// The runs stop and are waited for as they go; a sweep stops between two
// columns of the grid, within microseconds.
OptimisationPage::~OptimisationPage() = default;

void OptimisationPage::SetInstruments(const QStringList& names)
{
    // The instrument chosen stays chosen while the list grows under it.
    QComboBox* box = ui->PairBox;
    const int chosen = box->currentIndex();
    const QString chosenName = box->currentText();
    const QSignalBlocker quiet(box);
    const bool pairs = PairsPicked() && names == names_;
    box->clear();
    box->addItems(names);
    // Several instruments to sweep at once need two to choose from.
    if (names.size() >= 2)
        box->addItem(PairsItemText());
    if (names != names_)
        pairSlots_.clear();
    names_ = names;
    if (pairs)
        box->setCurrentIndex(static_cast<int>(names.size()));
    else if (chosen >= 0 && chosen < names.size() && names[chosen] == chosenName)
        box->setCurrentIndex(chosen);
    else
        box->setCurrentIndex(names.isEmpty() ? -1 : 0);
    ShowPeriod();
}

void OptimisationPage::SetCosts(const CostsTable& costs)
{
    costs_ = costs;
    ShowPeriod();
}

void OptimisationPage::ShowPeriod()
{
    // The instrument's weeks, and where the runs stop when it holds more
    // weeks than a run walks; and the costs its runs pay.
    ShowPairsControls();
    if (PairsPicked()) {
        ShowPairsPeriod();
        return;
    }
    singleIndex_ = std::max(ui->PairBox->currentIndex(), 0);
    const int slot = ui->PairBox->currentIndex() + 1;
    ui->SweepCostsLabel->setText(slot < 1 ? QString()
                                          : QString::fromStdString(TradeCostsCaption(
                                                costs_.Of(ui->PairBox->currentText().toStdString()))));
    if (slot < 1 || slot > kLastSlot) {
        ui->PeriodLabel->clear();
        return;
    }
    const CandleSeries& weeks = Table()[slot].Week;
    const int last = FirstEmptyIndex(weeks, 1) - 1;
    if (last < 1) {
        ui->PeriodLabel->clear();
        return;
    }
    QString text = QStringLiteral("Котировки: %1 – %2, недель %3")
                       .arg(Text(FormatDate(weeks[1].Date)), Text(FormatDate(weeks[last].Date)))
                       .arg(last);
    if (last > kLastWeekControl.Max)
        text += QStringLiteral("; анализируются недели до %1 (неделя %2)")
                    .arg(Text(FormatDate(weeks[kLastWeekControl.Max].Date)))
                    .arg(kLastWeekControl.Max);
    ui->PeriodLabel->setText(text);
}

bool OptimisationPage::ReadParams(SweepParams& params, int& slot)
{
    auto& u = *ui;
    slot = u.PairBox->currentIndex() + 1;
    if (slot < 1) {
        ShowInfo(this, QStringLiteral("Выберите инструмент"));
        return false;
    }
    struct Axis {
        QSpinBox* From;
        QSpinBox* To;
        const char* Name;
    };
    for (const Axis& a :
         {Axis{u.SignalFrom, u.SignalTo, "Сигнальная свеча"}, Axis{u.StopLossFrom, u.StopLossTo, "Стоп-лосс"},
          Axis{u.TakeProfitFrom, u.TakeProfitTo, "Тейк-профит"}, Axis{u.HoldFrom, u.HoldTo, "Удержание"},
          Axis{u.WeekFrom, u.WeekTo, "Недели"}, Axis{u.ForwardFrom, u.ForwardTo, "Проверка на неделях"}})
        if (a.From->isEnabled() && a.From->value() > a.To->value()) {
            ShowError(this, QString::fromUtf8(a.Name) + QStringLiteral(": начало больше конца"));
            return false;
        }
    params.PairName = u.PairBox->currentText().toStdString();
    params.Grid.Signal = {u.SignalFrom->value(), u.SignalTo->value()};
    params.Grid.StopLoss = {u.StopLossFrom->value(), u.StopLossTo->value()};
    params.Grid.TakeProfit = {u.TakeProfitFrom->value(), u.TakeProfitTo->value()};
    params.Grid.Hold.reset();
    if (u.HoldLimited->isChecked())
        params.Grid.Hold = AxisRange{u.HoldFrom->value(), u.HoldTo->value()};
    params.Weeks = {u.WeekFrom->value(), u.WeekTo->value()};
    params.Forward.reset();
    if (u.ForwardChecked->isChecked())
        params.Forward = WeekRange{u.ForwardFrom->value(), u.ForwardTo->value()};
    params.Metric = static_cast<SweepMetric>(u.MetricBox->currentIndex());
    params.Costs = costs_.Of(params.PairName);
    params.MinEntries = u.MinEntries->value();
    params.Top = u.TopRows->value();
    // The heatmap's plateau scores need the metric of every combination.
    params.KeepHoldCells = u.ShowPlateau->isChecked() && params.Grid.Combinations() <= kPlateauCellLimit;
    return true;
}

void OptimisationPage::StartSweep()
{
    if (running_)
        return;
    if (PairsPicked()) {
        StartPairsSweep();
        return;
    }
    SweepParams params;
    int slot = 0;
    if (!ReadParams(params, slot))
        return;

    // The sweep reads its own copy of the instrument, so nothing the window
    // does to the table meanwhile can reach it.
    auto inst = std::make_shared<const Instrument>(Table().At(slot));
    auto spread = std::make_shared<const RecordedSpread>(Table().Spread(slot));
    if (params.Costs.SpreadRecorded) {
        if (spread->Empty()) {
            ShowError(this, QString::fromStdString(NoRecordedSpreadMessage(params.PairName, *spread)));
            return;
        }
        params.Spread = spread.get();
    }
    SetRunning(true);
    ui->StatusLabel->setText(QStringLiteral("Подбор: %1 комбинаций").arg(params.Grid.Combinations()));
    sweep_->Start(
        [inst, spread, params](std::stop_token stop, const BackgroundRun::Progress& progress) {
            auto table = std::make_shared<const SweepTable>(*inst, params.PairName, params.Grid,
                                                            SweptWeeks(params), params.Costs, params.Spread);
            auto outcome = std::make_shared<const SweepOutcome>(RunSweep(params, *table, stop, progress));
            return SweepFound{std::move(outcome), std::move(table), spread};
        },
        [this, params, slot](RunEnd<SweepFound> end) { Ended(params, slot, std::move(end)); });
}

void OptimisationPage::StopSweep()
{
    if (!running_)
        return;
    sweep_->Cancel();
    walkForward_->Stop();
    ui->StatusLabel->setText(QStringLiteral("Останавливаем..."));
}

void OptimisationPage::SetRunning(bool running)
{
    running_ = running;
    ui->StartButton->setEnabled(!running);
    ui->WalkForwardButton->setEnabled(!running);
    ui->StopButton->setEnabled(running);
    ui->OverfitButton->setEnabled(!running && table_ && outcome_ && !outcome_->Stopped);
}

void OptimisationPage::Ended(const SweepParams& params, int slot, RunEnd<SweepFound> end)
{
    if (!end.Error.isEmpty()) {
        Failed(end.Error);
    } else if (end.Value) {
        Finished(*end.Value, params, slot, end.Seconds);
    } else {
        // Stopped before the task ever ran: nothing was swept.
        SetRunning(false);
        ui->StatusLabel->setText(
            QStringLiteral("Остановлено: просчитано 0 из %1 комбинаций").arg(params.Grid.Combinations()));
        emit SweepEnded();
    }
}

void OptimisationPage::Finished(const SweepFound& found, const SweepParams& params, int slot, double seconds,
                                bool pairs)
{
    SetRunning(false);
    pairsShown_ = pairs;
    ui->PairsCaption->setVisible(pairs);
    ui->PairsTable->setVisible(pairs);
    outcome_ = found.Outcome;
    table_ = found.Table;
    spread_ = found.Spread;
    params_ = params;
    slot_ = slot;
    SetRunning(false);
    if (overfit_)
        overfit_->SetSweep(table_, params_, Radii());

    const SweepOutcome& out = *outcome_;
    // The last progress report may not have arrived as a signal yet.
    const std::int64_t total = out.Grid.Combinations();
    const std::int64_t done = out.Combinations + out.LeftOut;
    if (total > 0)
        ui->SweepProgress->setValue(static_cast<int>(done * ui->SweepProgress->maximum() / total));
    QString status =
        out.Stopped ? QStringLiteral("Остановлено: просчитано %1 из %2 комбинаций").arg(done).arg(total)
                    : QStringLiteral("Готово: %1 комбинаций за %2 с")
                          .arg(out.Combinations)
                          .arg(QString::number(seconds, 'f', 1).replace(QLatin1Char('.'), QLatin1Char(',')));
    // Stop-losses within the spread are not swept: say how many were left out.
    if (!out.Stopped && out.LeftOut > 0)
        status += QStringLiteral(" (%1)").arg(QString::fromStdString(LeftOutText(out.LeftOut)));
    ui->StatusLabel->setText(status);

    // The slider runs over the signal values swept; it starts at the best row's.
    QSlider* slider = ui->SignalSlider;
    const QSignalBlocker quiet(slider);
    slider->setRange(out.Grid.Signal.First, out.Grid.Signal.Last);
    if (pairs)
        slider->setValue(pairsOutcome_->Best.empty() ? out.Grid.Signal.First
                                                     : pairsOutcome_->Best.front().Signal);
    else
        slider->setValue(out.Best.empty() ? out.Grid.Signal.First : out.Best.front().Signal);
    slider->setEnabled(true);
    UpdatePlateauCells();
    ShowLayer();
    FillTable();
    emit SweepEnded();
}

void OptimisationPage::Failed(const QString& text)
{
    SetRunning(false);
    ui->StatusLabel->setText(QString());
    ShowError(this, text);
    emit SweepEnded();
}

void OptimisationPage::ShowLayer()
{
    if (!outcome_)
        return;
    const SweepOutcome& out = *outcome_;
    const SweepGrid& g = out.Grid;
    const bool best = ui->BestBySignal->isChecked();
    const bool lowestBest = NameOf(out.Metric).LowestIsBest;
    ui->SignalSlider->setEnabled(!best);
    const int signal = ui->SignalSlider->value();
    // The slider's value means nothing while each cell takes its best signal.
    ui->SignalLabel->setText(best ? QStringLiteral("все значения") : QStringLiteral("%1 п").arg(signal));

    const int slCount = g.StopLoss.Count();
    const int tpCount = g.TakeProfit.Count();
    std::vector<float> values(static_cast<std::size_t>(slCount) * tpCount,
                              std::numeric_limits<float>::quiet_NaN());
    layerSignals_.assign(values.size(), 0);
    for (int s = 0; s < slCount; ++s)
        for (int t = 0; t < tpCount; ++t) {
            const int sl = g.StopLoss.First + s, tp = g.TakeProfit.First + t;
            const std::size_t at = static_cast<std::size_t>(s) * tpCount + t;
            if (!best) {
                values[at] = ShownCell(signal, sl, tp);
                layerSignals_[at] = signal;
                continue;
            }
            // The best over the signal values with enough entries; the
            // smallest such signal value on a tie.
            for (int j = 0; j < g.Signal.Count(); ++j) {
                if (out.EntriesBySignal[j] < out.MinEntries)
                    continue;
                const float v = ShownCell(g.Signal.First + j, sl, tp);
                if (!std::isnan(v) &&
                    (std::isnan(values[at]) || (lowestBest ? v < values[at] : v > values[at]))) {
                    values[at] = v;
                    layerSignals_[at] = g.Signal.First + j;
                }
            }
        }

    QString title = pairsShown_ ? Text(PairsMetricCaption(pairsOutcome_->Metric)) : MetricName(out.Metric);
    if (!plateauCells_.empty()) {
        const PlateauRadii r = Radii();
        title = QStringLiteral("Оценка плато ±%1/%2/%3").arg(r.Signal).arg(r.StopLoss).arg(r.TakeProfit) +
                (g.Hold ? QStringLiteral("/%1").arg(r.Hold) : QString()) + QStringLiteral(": ") + title;
    } else if (!plateauProblem_.isEmpty()) {
        title += QStringLiteral(" (оценка плато недоступна: %1)").arg(plateauProblem_);
    }
    if (best) {
        title += QStringLiteral(", лучшее по сигналу");
    } else {
        const int entries = out.EntriesBySignal[signal - g.Signal.First];
        title += QStringLiteral(", сигнальная свеча %1 п, входов %2").arg(signal).arg(entries);
        if (entries < out.MinEntries)
            title += QStringLiteral(" (мало)");
    }
    if (g.Hold)
        title += QStringLiteral(", лучшее удержание");
    ui->Heatmap->SetLayer(g.StopLoss.First, g.StopLoss.Last, g.TakeProfit.First, g.TakeProfit.Last,
                          std::move(values), title, out.Metric == SweepMetric::Net, lowestBest);
}

float OptimisationPage::ShownCell(int signal, int stopLoss, int takeProfit) const
{
    const SweepOutcome& out = *outcome_;
    return plateauCells_.empty() ? out.Cell(signal, stopLoss, takeProfit)
                                 : plateauCells_[out.CellIndex(signal, stopLoss, takeProfit)];
}

PlateauRadii OptimisationPage::Radii() const
{
    return {ui->PlateauSignal->value(), ui->PlateauStopLoss->value(), ui->PlateauTakeProfit->value(),
            ui->PlateauHold->value()};
}

void OptimisationPage::UpdatePlateauCells()
{
    plateauCells_.clear();
    plateauProblem_.clear();
    if (!outcome_ || !ui->ShowPlateau->isChecked())
        return;
    const SweepOutcome& out = *outcome_;
    if (out.HoldCells.empty()) {
        plateauProblem_ = QStringLiteral("подберите заново с отмеченной оценкой плато");
        return;
    }
    std::vector<float> cells;
    const PlateauRadii radii = Radii();
    try {
        RunOffWindowThread(this, QStringLiteral("PlateauProgress"), QStringLiteral("Оценка плато..."),
                           [&](const auto&) { cells = PlateauCells(out, radii); });
    } catch (const std::exception& e) {
        plateauProblem_ = QString::fromStdString(e.what());
        return;
    }
    plateauCells_ = std::move(cells);
}

void OptimisationPage::StartWalkForward()
{
    if (running_)
        return;
    if (PairsPicked()) {
        StartPairsWalkForward();
        return;
    }
    WalkForwardParams params;
    int slot = 0;
    if (!ReadParams(params.Sweep, slot))
        return;
    const auto& u = *ui;
    params.InSample = u.InSampleWeeks->value();
    params.OutOfSample = u.OutOfSampleWeeks->value();
    params.Anchored = u.WindowMode->currentIndex() == 1;
    if (u.PlateauChecked->isChecked())
        params.Plateau = Radii();
    if (walkForward_->Start(slot, std::move(params)))
        SetRunning(true);
}

int OptimisationPage::ShownSignal(int stopLoss, int takeProfit) const
{
    if (!outcome_)
        return 0;
    const SweepGrid& g = outcome_->Grid;
    if (!g.StopLoss.Contains(stopLoss) || !g.TakeProfit.Contains(takeProfit))
        return 0;
    return layerSignals_[static_cast<std::size_t>(stopLoss - g.StopLoss.First) * g.TakeProfit.Count() +
                         (takeProfit - g.TakeProfit.First)];
}

int OptimisationPage::HoldOfCell(int signal, int stopLoss, int takeProfit) const
{
    const SweepOutcome& out = *outcome_;
    return out.Grid.Hold ? out.CellHold[out.CellIndex(signal, stopLoss, takeProfit)] : 0;
}

QString OptimisationPage::CellTooltip(int stopLoss, int takeProfit) const
{
    const int signal = ShownSignal(stopLoss, takeProfit);
    if (signal == 0 || (!table_ && !pairsShown_))
        return QStringLiteral("Стоп-лосс %1 п, тейк-профит %2 п: нет значения").arg(stopLoss).arg(takeProfit);
    const int hold = HoldOfCell(signal, stopLoss, takeProfit);
    QString text = QStringLiteral("Сигнальная свеча %1 п, стоп-лосс %2 п, тейк-профит %3 п")
                       .arg(signal)
                       .arg(stopLoss)
                       .arg(takeProfit);
    if (hold > 0)
        text += QStringLiteral(", удержание %1 ч").arg(hold);
    if (std::isnan(outcome_->Cell(signal, stopLoss, takeProfit)))
        return text + QStringLiteral("\nнет значения");
    if (pairsShown_)
        return text + PairsCellTooltip(signal, stopLoss, takeProfit, hold);
    // The full figures of the cell, folded again from the sweep's table.
    NetFolder nets;
    const BacktestResult r = table_->FoldOne(
        signal, stopLoss, takeProfit, hold > 0 ? HoldLimitOf(hold) : kNoHoldLimit, params_.Weeks, &nets);
    const SweepFigures f = FiguresOf(r, stopLoss, takeProfit, &nets);
    text += QLatin1Char('\n') + FiguresText(r, f);
    // The net after costs, and the figure the sweep ranked by when it is
    // none of the above.
    if (!params_.Costs.IsZero())
        text += QStringLiteral(", после издержек %1 п").arg(Text(TenthsText(f.NetTenths)));
    switch (outcome_->Metric) {
    case SweepMetric::ProfitFactor:
    case SweepMetric::RecoveryFactor:
    case SweepMetric::Sqn:
        text += QStringLiteral("\n%1 %2").arg(
            MetricName(outcome_->Metric), Text(RatioFigureText(RatioOf(MetricValue(outcome_->Metric, f)))));
        break;
    case SweepMetric::MaxDrawdown:
        text += QStringLiteral("\n%1 %2 п")
                    .arg(MetricName(outcome_->Metric), Text(TenthsText(f.MaxDrawdownTenths)));
        break;
    default:
        break;
    }
    return text;
}

void OptimisationPage::FillTable()
{
    if (pairsShown_) {
        FillPairsTable();
        return;
    }
    const SweepOutcome& out = *outcome_;
    QTableWidget* t = ui->BestTable;
    QStringList headings;
    for (const BestRowColumn& c : kBestRowColumns)
        headings << Text(c.Heading);
    if (params_.Forward)
        for (const BestRowColumn& c : kForwardColumns)
            headings << Text(c.Heading) + QStringLiteral(" (пров.)");
    t->clear();
    t->setColumnCount(static_cast<int>(headings.size()));
    t->setHorizontalHeaderLabels(headings);
    t->setRowCount(static_cast<int>(out.Best.size()));
    for (int row = 0; row < t->rowCount(); ++row) {
        QStringList cells;
        for (const std::string& cell : BestRowCells(out.Best[static_cast<std::size_t>(row)]))
            cells << QString::fromStdString(cell);
        for (int c = 0; c < cells.size(); ++c) {
            auto* item = new QTableWidgetItem(cells[c]);
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            t->setItem(row, c, item);
        }
    }
    t->resizeColumnsToContents();
}

void OptimisationPage::Choose(int signal, int stopLoss, int takeProfit, int hold)
{
    ChosenCombination c;
    c.Slot = pairsShown_ ? PickedSlot() : slot_;
    c.Signal = signal;
    c.StopLoss = stopLoss;
    c.TakeProfit = takeProfit;
    c.Hold = hold;
    c.Weeks = params_.Weeks;
    emit CombinationChosen(c);
}

void OptimisationPage::ChooseCell(int stopLoss, int takeProfit)
{
    const int signal = ShownSignal(stopLoss, takeProfit);
    if (signal == 0 || std::isnan(outcome_->Cell(signal, stopLoss, takeProfit)))
        return;
    Choose(signal, stopLoss, takeProfit, HoldOfCell(signal, stopLoss, takeProfit));
}

void OptimisationPage::ChooseRow(int row)
{
    if (pairsShown_) {
        if (row >= 0 && row < static_cast<int>(pairsOutcome_->Best.size())) {
            const MultiSweepRow& r = pairsOutcome_->Best[static_cast<std::size_t>(row)];
            Choose(r.Signal, r.StopLoss, r.TakeProfit, r.Hold.value_or(0));
        }
        return;
    }
    if (!outcome_ || row < 0 || row >= static_cast<int>(outcome_->Best.size()))
        return;
    const SweepRow& r = outcome_->Best[static_cast<std::size_t>(row)];
    Choose(r.Signal, r.StopLoss, r.TakeProfit, r.Hold.value_or(0));
}

void OptimisationPage::ShowOverfit()
{
    if (!table_ || !outcome_)
        return;
    if (!overfit_) {
        overfit_ = new OverfitDialog(this);
        overfit_->SetSweep(table_, params_, Radii());
    }
    overfit_->SetPlateauRadii(Radii());
    const int row = std::max(ui->BestTable->currentRow(), 0);
    if (row < static_cast<int>(outcome_->Best.size())) {
        const SweepRow& r = outcome_->Best[static_cast<std::size_t>(row)];
        overfit_->SetRow(GridPoint{r.Signal, r.StopLoss, r.TakeProfit, r.Hold.value_or(0)});
    }
    overfit_->show();
    overfit_->raise();
    overfit_->activateWindow();
}

} // namespace quillet::ui
