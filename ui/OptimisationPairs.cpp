// The page "Оптимизация" over several instruments: the picker's last entry
// opens a checklist of the listed instruments; the sweep and the
// walk-forward analysis then run over all of them, each at its own costs,
// the heatmap shows the combined metric, the best rows the combined figures
// and, for the selected row, each instrument's.

#include "analysis/MultiWalkForward.h"
#include "model/Instrument.h"
#include "report/Catalogue.h"
#include "report/FigureTexts.h"
#include "report/PairsTexts.h"
#include "ui/Dialogs.h"
#include "ui/InstrumentCopy.h"
#include "ui/OptimisationPage.h"
#include "ui/WalkForwardRun.h"
#include "ui_OptimisationPage.h"

#include <QHeaderView>
#include <QTableWidgetItem>

#include <algorithm>

namespace quillet::ui {
namespace {

QString Text(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// What a sweep over several instruments hands back when it ends.
struct PairsFound {
    std::shared_ptr<const MultiSweepOutcome> Outcome;
    std::shared_ptr<const std::vector<SweepTable>> Tables;
};

void FillRows(QTableWidget* t, const QStringList& headings, const std::vector<std::vector<std::string>>& rows)
{
    t->clear();
    t->setColumnCount(static_cast<int>(headings.size()));
    t->setHorizontalHeaderLabels(headings);
    t->setRowCount(static_cast<int>(rows.size()));
    for (int row = 0; row < t->rowCount(); ++row) {
        const std::vector<std::string>& cells = rows[static_cast<std::size_t>(row)];
        for (int c = 0; c < static_cast<int>(cells.size()); ++c) {
            auto* item = new QTableWidgetItem(QString::fromStdString(cells[static_cast<std::size_t>(c)]));
            item->setTextAlignment(
                (c == 0 && t->objectName() == QLatin1String("PairsTable") ? Qt::AlignLeft : Qt::AlignRight) |
                Qt::AlignVCenter);
            t->setItem(row, c, item);
        }
    }
    t->resizeColumnsToContents();
}

} // namespace

bool OptimisationPage::PairsPicked() const
{
    return names_.size() >= 2 && ui->PairBox->currentIndex() == static_cast<int>(names_.size());
}

void OptimisationPage::PairActivated(int index)
{
    if (names_.size() < 2 || index != static_cast<int>(names_.size()))
        return;
    QList<int> checked;
    for (const int slot : pairSlots_)
        checked << slot - 1;
    const std::optional<QList<int>> chosen = Dialogs().ChooseInstruments(this, names_, checked);
    if (chosen && chosen->size() >= 2 && chosen->size() <= kMaxSweptPairs) {
        pairSlots_.clear();
        for (const int i : *chosen)
            pairSlots_.push_back(i + 1);
        ShowPeriod();
        return;
    }
    // Cancelled: the instruments checked before stay, or, with none, the
    // single instrument picked before comes back.
    if (pairSlots_.empty())
        ui->PairBox->setCurrentIndex(std::min(singleIndex_, static_cast<int>(names_.size()) - 1));
}

void OptimisationPage::ShowPairsControls()
{
    const bool pairs = PairsPicked();
    ui->MetricBox->setVisible(!pairs);
    ui->PairsMetricBox->setVisible(pairs);
    ui->MinTotalEntries->setVisible(pairs);
    ui->MinEntries->setToolTip(pairs ? QStringLiteral("Не меньше входов на каждом инструменте") : QString());
}

void OptimisationPage::ShowPairsPeriod()
{
    if (pairSlots_.empty()) {
        ui->PeriodLabel->setText(QStringLiteral("Отметьте инструменты"));
        ui->SweepCostsLabel->clear();
        return;
    }
    QStringList names, costs;
    for (const int slot : pairSlots_) {
        const QString name = names_[slot - 1];
        names << name;
        costs << name + QStringLiteral(": ") + Text(TradeCostsCaption(costs_.Of(name.toStdString())));
    }
    ui->PeriodLabel->setText(
        QStringLiteral("Инструменты (%1): %2").arg(names.size()).arg(names.join(QStringLiteral(", "))));
    ui->SweepCostsLabel->setText(costs.join(QLatin1Char('\n')));
}

bool OptimisationPage::ReadPairsParams(MultiSweepParams& params)
{
    if (pairSlots_.size() < 2) {
        ShowInfo(this, QStringLiteral("Отметьте не меньше двух инструментов"));
        return false;
    }
    SweepParams single;
    int slot = 0;
    if (!ReadParams(single, slot))
        return false;
    params.Grid = single.Grid;
    params.Weeks = single.Weeks;
    params.Forward = single.Forward;
    params.Metric = static_cast<PairsMetric>(ui->PairsMetricBox->currentIndex());
    params.MinEntries = single.MinEntries;
    params.MinTotalEntries = ui->MinTotalEntries->value();
    params.Top = single.Top;
    params.KeepHoldCells = single.KeepHoldCells;
    params.Pairs.clear();
    for (const int s : pairSlots_) {
        const std::string name = names_[s - 1].toStdString();
        // The sweep over several instruments meets each hour's spread only as one spread.
        if (costs_.Of(name).SpreadRecorded) {
            ShowError(this, names_[s - 1] + QStringLiteral(": спред по истории пока считается только для "
                                                           "одного инструмента"));
            return false;
        }
        params.Pairs.push_back({name, costs_.Of(name)});
    }
    return true;
}

void OptimisationPage::StartPairsSweep()
{
    MultiSweepParams params;
    if (!ReadPairsParams(params))
        return;
    // The sweep reads its own copies of the instruments.
    std::vector<std::shared_ptr<const Instrument>> copies;
    for (const int slot : pairSlots_)
        copies.push_back(CopyForRun(Table().At(slot)));
    SetRunning(true);
    ui->StatusLabel->setText(QStringLiteral("Подбор: %1 комбинаций на %2 инструментах")
                                 .arg(params.Grid.Combinations())
                                 .arg(params.Pairs.size()));
    sweep_->Start(
        [copies, params](std::stop_token stop, const BackgroundRun::Progress& progress) {
            std::vector<const Instrument*> instruments;
            for (const auto& c : copies)
                instruments.push_back(c.get());
            auto tables =
                std::make_shared<const std::vector<SweepTable>>(BuildPairTables(params, instruments));
            auto outcome =
                std::make_shared<const MultiSweepOutcome>(RunMultiSweep(params, *tables, stop, progress));
            return PairsFound{std::move(outcome), std::move(tables)};
        },
        [this, params, pairSlots = pairSlots_](RunEnd<PairsFound> end) {
            if (!end.Error.isEmpty() || !end.Value) {
                SweepParams none;
                none.Grid = params.Grid;
                Ended(none, 0, {std::nullopt, end.Error, end.Seconds});
                return;
            }
            pairsOutcome_ = end.Value->Outcome;
            pairsTables_ = end.Value->Tables;
            pairsParams_ = params;
            sweptSlots_ = pairSlots;
            SweepParams shown;
            shown.Grid = params.Grid;
            shown.Weeks = params.Weeks;
            shown.Forward = params.Forward;
            shown.Metric = NameOf(params.Metric).Like;
            const std::shared_ptr<const SweepOutcome> combined(pairsOutcome_, &pairsOutcome_->Combined);
            Finished({combined, nullptr, nullptr}, shown, 0, end.Seconds, true);
        });
}

void OptimisationPage::StartPairsWalkForward()
{
    MultiWalkForwardParams params;
    if (!ReadPairsParams(params.Sweep))
        return;
    const auto& u = *ui;
    params.InSample = u.InSampleWeeks->value();
    params.OutOfSample = u.OutOfSampleWeeks->value();
    params.Anchored = u.WindowMode->currentIndex() == 1;
    if (u.PlateauChecked->isChecked())
        params.Plateau = Radii();
    if (walkForward_->StartPairs(pairSlots_, std::move(params)))
        SetRunning(true);
}

void OptimisationPage::FillPairsTable()
{
    const MultiSweepOutcome& out = *pairsOutcome_;
    QStringList headings;
    for (const BestRowColumn& c : kPairsRowColumns)
        headings << Text(c.Heading);
    if (pairsParams_.Forward)
        for (const BestRowColumn& c : kPairsForwardColumns)
            headings << Text(c.Heading) + QStringLiteral(" (пров.)");
    std::vector<std::string> names;
    for (const PairSetup& p : pairsParams_.Pairs)
        names.push_back(p.Name);
    std::vector<std::vector<std::string>> rows;
    for (const MultiSweepRow& row : out.Best)
        rows.push_back(PairsRowCells(row, names));
    const QSignalBlocker quiet(ui->BestTable);
    FillRows(ui->BestTable, headings, rows);
    if (!rows.empty())
        ui->BestTable->setCurrentCell(0, 0);
    ShowPairsOfRow(rows.empty() ? -1 : 0);
}

void OptimisationPage::ShowPairsOfRow(int row)
{
    if (!pairsShown_)
        return;
    QTableWidget* t = ui->PairsTable;
    const int picked = std::max(t->currentRow(), 0);
    QStringList headings;
    for (const BestRowColumn& c : kPairFigureColumns)
        headings << Text(c.Heading);
    if (pairsParams_.Forward)
        headings << QStringLiteral("Пункты (пров.)");
    std::vector<std::vector<std::string>> rows;
    if (row >= 0 && row < static_cast<int>(pairsOutcome_->Best.size())) {
        const MultiSweepRow& r = pairsOutcome_->Best[static_cast<std::size_t>(row)];
        for (std::size_t k = 0; k < r.Pairs.size(); ++k) {
            rows.push_back(PairFigureCells(pairsParams_.Pairs[k].Name, r.Pairs[k]));
            if (k < r.ForwardPairs.size())
                rows.back().push_back(TenthsText(r.ForwardPairs[k].Figures.NetTenths));
        }
    }
    FillRows(t, headings, rows);
    if (!rows.empty())
        t->setCurrentCell(std::min(picked, static_cast<int>(rows.size()) - 1), 0);
}

int OptimisationPage::PickedSlot() const
{
    const int row = ui->PairsTable->currentRow();
    if (sweptSlots_.empty())
        return 0;
    return sweptSlots_[row >= 0 && row < static_cast<int>(sweptSlots_.size()) ? static_cast<std::size_t>(row)
                                                                              : 0];
}

QString OptimisationPage::PairsCellTooltip(int signal, int stopLoss, int takeProfit, int hold) const
{
    std::vector<PairFigures> pairs;
    CombinedFigures c;
    FoldCombination(*pairsTables_, signal, stopLoss, takeProfit,
                    hold > 0 ? std::optional<int>(hold) : std::nullopt, pairsParams_.Weeks, pairs, c);
    std::vector<std::string> names;
    for (const PairSetup& p : pairsParams_.Pairs)
        names.push_back(p.Name);
    return QStringLiteral(
               "\nвсе инструменты: входов %1, пункты %2, худший %3, прибыльных %4 из %5\n"
               "профит-фактор %6, фактор восстановления %7, SQN %8, макс. просадка %9 п (по неделям)")
        .arg(c.All.Trades)
        .arg(Text(TenthsText(c.All.NetTenths)), Text(WorstPairText(c, names)))
        .arg(c.ProfitablePairs())
        .arg(names.size())
        .arg(Text(RatioFigureText(ProfitFactor(c.All))), Text(RatioFigureText(RecoveryFactor(c.All))),
             Text(RatioFigureText(Sqn(c.All))), Text(TenthsText(c.All.MaxDrawdownTenths)));
}

} // namespace quillet::ui
