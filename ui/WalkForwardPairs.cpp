// The page "Форвард-анализ" after an analysis over several instruments: the
// windows with the worst instrument's out-of-sample net beside the total,
// and the joined account of all the instruments' trades by week.

#include "model/Dates.h"
#include "model/TradeCosts.h"
#include "report/Catalogue.h"
#include "report/FigureTexts.h"
#include "report/PairsTexts.h"
#include "report/SweepTexts.h"
#include "ui/CellTexts.h"
#include "ui/MonteCarloBox.h"
#include "ui/WalkForwardPage.h"
#include "ui_WalkForwardPage.h"

#include <QTableWidgetItem>

namespace quillet::ui {
namespace {

std::vector<std::string> NamesOf(const MultiWalkForwardParams& p)
{
    std::vector<std::string> names;
    for (const PairSetup& pair : p.Sweep.Pairs)
        names.push_back(pair.Name);
    return names;
}

} // namespace

void WalkForwardPage::ShowPairs()
{
    const WalkForwardShown& s = *shown_;
    const MultiWalkForwardParams& p = *s.PairsParams;
    const MultiWalkForwardOutcome& out = s.PairsOutcome;
    QStringList names;
    for (const std::string& name : NamesOf(p))
        names << Text(name);
    QString summary =
        QStringLiteral(
            "%1 инструментов (%2): недели %3–%4, в выборке %5, вне выборки %6, %7 окно; выбор по «%8»")
            .arg(names.size())
            .arg(names.join(QStringLiteral(", ")))
            .arg(p.Sweep.Weeks.First)
            .arg(p.Sweep.Weeks.Last)
            .arg(p.InSample)
            .arg(p.OutOfSample)
            .arg(p.Anchored ? QStringLiteral("нарастающее") : QStringLiteral("скользящее"),
                 Text(std::string(PairsMetricCaption(p.Sweep.Metric))));
    if (p.Plateau)
        summary += QStringLiteral(", плато ±%1/%2/%3")
                       .arg(p.Plateau->Signal)
                       .arg(p.Plateau->StopLoss)
                       .arg(p.Plateau->TakeProfit) +
                   (p.Sweep.Grid.Hold ? QStringLiteral("/%1").arg(p.Plateau->Hold) : QString());
    summary += QStringLiteral("; издержки у каждого инструмента свои; окон %1").arg(out.Windows.size());
    if (out.Stopped)
        summary += QStringLiteral(" (остановлено)");
    ui->SummaryLabel->setText(summary);

    const NetFolder f = JoinedTradeStats(out, names.size()).All;
    ui->FiguresLabel->setText(
        QStringLiteral("Все инструменты, счёт по неделям\nСделок: %1\nПункты: %2\n"
                       "Профит-фактор: %3\nМатожидание, п: %4\nДоля прибыльных: %5\n"
                       "Макс. просадка, п: %6\nФактор восстановления: %7\nSQN (по пунктам): %8")
            .arg(f.Trades)
            .arg(Text(TenthsText(f.NetTenths)), RatioCell(ProfitFactor(f)), RatioCell(Expectancy(f), 1),
                 RatioCell(WinRate(f)), Text(TenthsText(f.MaxDrawdownTenths)), RatioCell(RecoveryFactor(f)),
                 RatioCell(Sqn(f))));
    QString efficiency = QStringLiteral("Эффективность: %1").arg(RatioCell(out.Efficiency));
    if (out.EfficiencyMissing != EfficiencyGap::None)
        efficiency +=
            QStringLiteral(" (%1)").arg(Text(std::string(EfficiencyGapText(out.EfficiencyMissing))));
    ui->EfficiencyLabel->setText(efficiency);
    FillPairsTable();
    std::vector<std::size_t> starts;
    for (const MultiWalkForwardWindow& w : out.Windows)
        starts.push_back(w.FirstTrade);
    DrawCurve(out.Trades, starts);
    MonteCarloBox* mc = ui->WalkForwardMonteCarlo;
    mc->SetTrades(out.Trades);
    if (s.MonteCarlo)
        mc->ShowOutcome(*s.MonteCarlo);
}

void WalkForwardPage::FillPairsTable()
{
    const WalkForwardShown& s = *shown_;
    const MultiWalkForwardOutcome& out = s.PairsOutcome;
    const std::vector<std::string> names = NamesOf(*s.PairsParams);
    QTableWidget* t = ui->WindowsTable;
    t->clearContents();
    t->clearSpans();
    QStringList headings = Headings();
    headings << QStringLiteral("Худший (пров.)");
    t->setColumnCount(static_cast<int>(headings.size()));
    t->setHorizontalHeaderLabels(headings);
    t->setRowCount(static_cast<int>(out.Windows.size()));
    for (int row = 0; row < t->rowCount(); ++row) {
        const MultiWalkForwardWindow& w = out.Windows[static_cast<std::size_t>(row)];
        const auto& d = s.Dates[static_cast<std::size_t>(row)];
        QStringList cells = {QString::number(row + 1),
                             DateText(d[0]) + QStringLiteral(" – ") + DateText(d[1]),
                             DateText(d[2]) + QStringLiteral(" – ") + DateText(d[3])};
        if (w.Chosen)
            cells << QString::number(w.Signal) << QString::number(w.StopLoss) << QString::number(w.TakeProfit)
                  << (w.Hold ? QString::number(*w.Hold) : QStringLiteral("-"))
                  << Text(MetricText(NameOf(s.PairsParams->Sweep.Metric).Like, w.InSampleMetric))
                  << Text(TenthsText(w.OutOfSampleNetTenths)) << QString::number(w.OutOfSample.All.Trades)
                  << RatioCell(ProfitFactor(w.OutOfSample.All)) << Text(WorstPairText(w.OutOfSample, names));
        else
            cells << Text(std::string(NoChoiceText(w.NoChoiceReason)));
        for (int c = 0; c < cells.size(); ++c) {
            auto* item = new QTableWidgetItem(cells[c]);
            item->setTextAlignment((c >= 3 ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
            t->setItem(row, c, item);
        }
        if (!w.Chosen)
            t->setSpan(row, 3, 1, t->columnCount() - 3);
    }
    t->resizeColumnsToContents();
}

} // namespace quillet::ui
