#include "ui/WalkForwardPage.h"

#include "analysis/TradeStats.h"
#include "model/Dates.h"
#include "model/TradeCosts.h"
#include "report/Catalogue.h"
#include "report/FigureTexts.h"
#include "report/SweepTexts.h"
#include "ui/CellTexts.h"
#include "ui/ChartTicks.h"
#include "ui/MonteCarloBox.h"
#include "ui_WalkForwardPage.h"

#include <QChart>
#include <QHeaderView>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QTabWidget>
#include <QTableWidgetItem>
#include <QValueAxis>

#include <algorithm>
#include <cmath>

namespace quillet::ui {
namespace {

// Ticks on each axis of the curve, few enough for the window's first size.
constexpr int kMostCurveTicks = 6;

} // namespace

WalkForwardPage::WalkForwardPage(QWidget* parent)
    : QWidget(parent), ui(std::make_unique<Ui::WalkForwardPage>())
{
    ui->setupUi(this);
    QTableWidget* t = ui->WindowsTable;
    t->setEditTriggers(QAbstractItemView::NoEditTriggers);
    t->setSelectionBehavior(QAbstractItemView::SelectRows);
    t->verticalHeader()->hide();
    t->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    t->setColumnCount(static_cast<int>(Headings().size()));
    t->setHorizontalHeaderLabels(Headings());
    connect(t, &QTableWidget::cellDoubleClicked, this, [this](int row, int) { ChooseRow(row); });

    chart_ = new QChart;
    chart_->legend()->setAlignment(Qt::AlignBottom);
    chart_->setTitle(QStringLiteral("Вне выборки: итого, п (после издержек)"));
    ui->WalkForwardChart->setChart(chart_);
    ui->WalkForwardChart->setRenderHint(QPainter::Antialiasing);
}

WalkForwardPage::~WalkForwardPage() = default;

QStringList WalkForwardPage::Headings()
{
    return {QStringLiteral("Окно"),   QStringLiteral("Выборка"),      QStringLiteral("Проверка"),
            QStringLiteral("Сигнал"), QStringLiteral("SL"),           QStringLiteral("TP"),
            QStringLiteral("Удерж."), QStringLiteral("Метрика"),      QStringLiteral("Пункты (пров.)"),
            QStringLiteral("Входы"),  QStringLiteral("Профит-фактор")};
}

void WalkForwardPage::Show(std::shared_ptr<const WalkForwardShown> shown)
{
    shown_ = std::move(shown);
    if (shown_->PairsParams) {
        ShowPairs();
        return;
    }
    const WalkForwardShown& s = *shown_;
    const WalkForwardParams& p = s.Params;
    QString summary = QStringLiteral("%1: недели %2–%3, в выборке %4, вне выборки %5, %6 окно; выбор по «%7»")
                          .arg(Text(p.Sweep.PairName))
                          .arg(p.Sweep.Weeks.First)
                          .arg(p.Sweep.Weeks.Last)
                          .arg(p.InSample)
                          .arg(p.OutOfSample)
                          .arg(p.Anchored ? QStringLiteral("нарастающее") : QStringLiteral("скользящее"),
                               Text(std::string(MetricCaption(p.Sweep.Metric))));
    if (p.Plateau)
        summary += QStringLiteral(", плато ±%1/%2/%3")
                       .arg(p.Plateau->Signal)
                       .arg(p.Plateau->StopLoss)
                       .arg(p.Plateau->TakeProfit) +
                   (p.Sweep.Grid.Hold ? QStringLiteral("/%1").arg(p.Plateau->Hold) : QString());
    summary += QStringLiteral("; %1; окон %2")
                   .arg(Text(TradeCostsCaption(p.Sweep.Costs)))
                   .arg(s.Outcome.Windows.size());
    if (s.Outcome.Stopped)
        summary += QStringLiteral(" (остановлено)");
    ui->SummaryLabel->setText(summary);

    const TradeStats stats = ComputeTradeStats(s.Outcome.Trades);
    const NetFolder& f = stats.All;
    ui->FiguresLabel->setText(QStringLiteral("Сделок: %1\nПункты: %2\nПрофит-фактор: %3\nМатожидание, п: %4\n"
                                             "Доля прибыльных: %5\nМакс. просадка, п: %6\n"
                                             "Фактор восстановления: %7\nSQN (по пунктам): %8")
                                  .arg(f.Trades)
                                  .arg(Text(TenthsText(f.NetTenths)), RatioCell(ProfitFactor(f)),
                                       RatioCell(Expectancy(f), 1), RatioCell(WinRate(f)),
                                       Text(TenthsText(f.MaxDrawdownTenths)), RatioCell(RecoveryFactor(f)),
                                       RatioCell(Sqn(f))));
    QString efficiency = QStringLiteral("Эффективность: %1").arg(RatioCell(s.Outcome.Efficiency));
    if (s.Outcome.EfficiencyMissing != EfficiencyGap::None)
        efficiency +=
            QStringLiteral(" (%1)").arg(Text(std::string(EfficiencyGapText(s.Outcome.EfficiencyMissing))));
    ui->EfficiencyLabel->setText(efficiency);
    FillTable();
    std::vector<std::size_t> starts;
    for (const WalkForwardWindow& w : s.Outcome.Windows)
        starts.push_back(w.FirstTrade);
    DrawCurve(s.Outcome.Trades, starts);
    MonteCarloBox* mc = ui->WalkForwardMonteCarlo;
    mc->SetTrades(s.Outcome.Trades);
    if (s.MonteCarlo)
        mc->ShowOutcome(*s.MonteCarlo);
    else if (!s.Outcome.Trades.empty())
        mc->ShowNote(
            QStringLiteral("Анализ остановлен до Монте-Карло: «Рассчитать» рассчитает его по сделкам "
                           "просчитанных окон"));
}

void WalkForwardPage::FillTable()
{
    const WalkForwardShown& s = *shown_;
    QTableWidget* t = ui->WindowsTable;
    // A row spanned for an earlier analysis would cover this one's cells.
    t->clearSpans();
    t->clearContents();
    // Back to the columns of one instrument after an analysis of several.
    if (t->columnCount() != static_cast<int>(Headings().size())) {
        t->clearSpans();
        t->setColumnCount(static_cast<int>(Headings().size()));
        t->setHorizontalHeaderLabels(Headings());
    }
    t->setRowCount(static_cast<int>(s.Outcome.Windows.size()));
    for (int row = 0; row < t->rowCount(); ++row) {
        const WalkForwardWindow& w = s.Outcome.Windows[static_cast<std::size_t>(row)];
        const auto& d = s.Dates[static_cast<std::size_t>(row)];
        QStringList cells = {QString::number(row + 1),
                             DateText(d[0]) + QStringLiteral(" – ") + DateText(d[1]),
                             DateText(d[2]) + QStringLiteral(" – ") + DateText(d[3])};
        if (w.Chosen) {
            NetFolder f;
            for (std::size_t i = 0; i < w.TradeCount; ++i)
                f.Add(s.Outcome.Trades[w.FirstTrade + i].NetTenths);
            cells << QString::number(w.Signal) << QString::number(w.StopLoss) << QString::number(w.TakeProfit)
                  << (w.Hold ? QString::number(*w.Hold) : QStringLiteral("-"))
                  << Text(MetricText(s.Params.Sweep.Metric, w.InSampleMetric))
                  << Text(TenthsText(w.OutOfSampleNetTenths)) << QString::number(w.OutOfSampleResult.Entries)
                  << (w.TradeCount == 0 ? QStringLiteral("нет сделок") : RatioCell(ProfitFactor(f)));
        } else {
            cells << Text(std::string(NoChoiceText(w.NoChoiceReason)));
        }
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

void WalkForwardPage::DrawCurve(const std::vector<ClosedTrade>& trades,
                                const std::vector<std::size_t>& windowStarts)
{
    chart_->removeAllSeries();
    for (QAbstractAxis* axis : chart_->axes())
        chart_->removeAxis(axis);
    auto* equity = new QLineSeries;
    equity->setName(QStringLiteral("Итого, п"));
    equity->setPen(QPen(QColor(0, 90, 170), 2));
    std::int64_t sum = 0, low = 0, high = 0;
    equity->append(0, 0);
    for (std::size_t i = 0; i < trades.size(); ++i) {
        sum += trades[i].NetTenths;
        low = std::min(low, sum);
        high = std::max(high, sum);
        equity->append(static_cast<double>(i + 1), sum / 10.0);
    }
    auto* x = new QValueAxis;
    x->setTitleText(QStringLiteral("Сделка"));
    SetWholeTicks(x, 0, static_cast<double>(trades.size()), kMostCurveTicks);
    auto* y = new QValueAxis;
    const double pad = std::max(1.0, (high - low) / 10.0 * 0.05);
    SetWholeTicks(y, std::floor(low / 10.0 - pad), std::ceil(high / 10.0 + pad), kMostCurveTicks);
    chart_->addAxis(x, Qt::AlignBottom);
    chart_->addAxis(y, Qt::AlignLeft);
    // Each window's first out-of-sample trade, as a vertical line.
    bool named = false;
    for (const std::size_t first : windowStarts) {
        auto* border = new QLineSeries;
        border->setPen(QPen(QColor(120, 120, 120), 1, Qt::DashLine));
        border->append(static_cast<double>(first), y->min());
        border->append(static_cast<double>(first), y->max());
        if (!named) {
            border->setName(QStringLiteral("Начало окна"));
            named = true;
        }
        chart_->addSeries(border);
        border->attachAxis(x);
        border->attachAxis(y);
    }
    // One legend entry for the borders.
    const auto markers = chart_->legend()->markers();
    for (std::size_t i = 1; i < static_cast<std::size_t>(markers.size()); ++i)
        markers[static_cast<qsizetype>(i)]->setVisible(false);
    chart_->addSeries(equity);
    equity->attachAxis(x);
    equity->attachAxis(y);
}

void WalkForwardPage::ChooseRow(int row)
{
    if (!shown_ || row < 0 || row >= static_cast<int>(shown_->WindowsDone()))
        return;
    if (shown_->PairsParams) {
        // Over several instruments: the window's worst one.
        const MultiWalkForwardWindow& w = shown_->PairsOutcome.Windows[static_cast<std::size_t>(row)];
        if (!w.Chosen)
            return;
        ChosenCombination c;
        c.Slot = shown_->PairSlots[static_cast<std::size_t>(std::max(w.OutOfSample.WorstPair(), 0))];
        c.Signal = w.Signal;
        c.StopLoss = w.StopLoss;
        c.TakeProfit = w.TakeProfit;
        c.Hold = w.Hold.value_or(0);
        c.Weeks = w.Span.OutOfSample;
        emit CombinationChosen(c);
        return;
    }
    const WalkForwardWindow& w = shown_->Outcome.Windows[static_cast<std::size_t>(row)];
    if (!w.Chosen)
        return;
    ChosenCombination c;
    c.Slot = shown_->Slot;
    c.Signal = w.Signal;
    c.StopLoss = w.StopLoss;
    c.TakeProfit = w.TakeProfit;
    c.Hold = w.Hold.value_or(0);
    c.Weeks = w.Span.OutOfSample;
    emit CombinationChosen(c);
}

WalkForwardPage* AddWalkForwardPage(QTabWidget* pages)
{
    auto* page = new WalkForwardPage;
    page->setObjectName(QStringLiteral("WalkForwardPage"));
    pages->addTab(page, QStringLiteral("Форвард-анализ"));
    return page;
}

} // namespace quillet::ui
