#include "ui/MonteCarloBox.h"

#include "analysis/TradeStats.h"
#include "model/TradeCosts.h"
#include "report/FigureTexts.h"
#include "ui/Dialogs.h"
#include "ui/LongWork.h"
#include "ui_MonteCarloBox.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QValueAxis>

#include <algorithm>
#include <exception>

namespace quillet::ui {
namespace {

constexpr int kHistogramBins = 12;

QString Points(std::int64_t tenths)
{
    return QString::fromStdString(TenthsText(tenths));
}

QString PercentilesText(const Percentiles& p)
{
    return QStringLiteral("%1 / %2 / %3").arg(Points(p.P5), Points(p.P50), Points(p.P95));
}

} // namespace

std::vector<int> HistogramCounts(const std::vector<std::int64_t>& sorted, int bins)
{
    std::vector<int> counts(static_cast<std::size_t>(std::max(bins, 1)), 0);
    if (sorted.empty())
        return counts;
    const std::int64_t low = sorted.front();
    const std::int64_t span = sorted.back() - low + 1;
    for (const std::int64_t v : sorted)
        ++counts[static_cast<std::size_t>((v - low) * static_cast<std::int64_t>(counts.size()) / span)];
    return counts;
}

MonteCarloBox::MonteCarloBox(QWidget* parent) : QGroupBox(parent), ui(std::make_unique<Ui::MonteCarloBox>())
{
    ui->setupUi(this);
    chart_ = new QChart;
    chart_->legend()->hide();
    chart_->setMargins(QMargins(2, 2, 2, 2));
    ui->DrawdownHistogram->setChart(chart_);
    connect(ui->MonteCarloButton, &QPushButton::clicked, this, &MonteCarloBox::Calculate);
}

MonteCarloBox::~MonteCarloBox() = default;

int MonteCarloBox::Runs() const
{
    return ui->RunsSpin->value();
}

std::uint64_t MonteCarloBox::Seed() const
{
    return static_cast<std::uint64_t>(ui->SeedSpin->value());
}

void MonteCarloBox::SetTrades(std::vector<ClosedTrade> trades)
{
    trades_ = std::move(trades);
    ui->MonteCarloButton->setEnabled(!trades_.empty());
    ui->MonteCarloLabel->setText(trades_.empty() ? QStringLiteral("Нет сделок") : QString());
    DrawHistogram({});
}

QString MonteCarloBox::OutcomeText(const MonteCarloOutcome& mc)
{
    if (mc.Runs == 0)
        return QStringLiteral("Нет сделок");
    return QStringLiteral("%1 прогонов по %2 сделок, зерно %3\n"
                          "Итог, п (5% / 50% / 95%): %4\n"
                          "Макс. просадка, п (5% / 50% / 95%): %5\n"
                          "Прогонов с итогом ≤ 0: %6%")
        .arg(mc.Runs)
        .arg(mc.TradesPerRun)
        .arg(mc.Seed)
        .arg(PercentilesText(mc.FinalNet), PercentilesText(mc.MaxDrawdown),
             QString::fromStdString(RatioFigureText(mc.LossShare * 100, 1)));
}

void MonteCarloBox::ShowOutcome(const MonteCarloOutcome& outcome)
{
    ui->MonteCarloLabel->setText(OutcomeText(outcome));
    DrawHistogram(outcome.Drawdowns);
}

void MonteCarloBox::Calculate()
{
    if (trades_.empty())
        return;
    MonteCarloOutcome outcome;
    const int runs = Runs();
    const std::uint64_t seed = Seed();
    try {
        RunOffWindowThread(window(), QStringLiteral("MonteCarloProgress"), QStringLiteral("Монте-Карло..."),
                           [&](auto) { outcome = RunMonteCarlo(trades_, runs, seed); });
    } catch (const std::exception& e) {
        ShowError(this, QString::fromStdString(e.what()));
        return;
    }
    ShowOutcome(outcome);
}

void MonteCarloBox::DrawHistogram(const std::vector<std::int64_t>& drawdowns)
{
    chart_->removeAllSeries();
    for (QAbstractAxis* axis : chart_->axes())
        chart_->removeAxis(axis);
    if (drawdowns.empty())
        return;
    const std::vector<int> counts = HistogramCounts(drawdowns, kHistogramBins);
    auto* set = new QBarSet(QStringLiteral("Прогонов"));
    set->setColor(QColor(215, 40, 40, 160));
    QStringList labels;
    const std::int64_t low = drawdowns.front();
    const std::int64_t span = drawdowns.back() - low + 1;
    for (std::size_t b = 0; b < counts.size(); ++b) {
        *set << counts[b];
        // Each bar is labelled with the smallest drawdown it can hold.
        labels << QString::number(static_cast<double>(low + span * static_cast<std::int64_t>(b) /
                                                                static_cast<std::int64_t>(counts.size())) /
                                      10.0,
                                  'f', 0);
    }
    auto* series = new QBarSeries;
    series->setBarWidth(1.0);
    series->append(set);
    chart_->addSeries(series);
    auto* categories = new QBarCategoryAxis;
    categories->append(labels);
    categories->setLabelsAngle(-90);
    categories->setTitleText(QStringLiteral("Макс. просадка прогонов, п"));
    auto* values = new QValueAxis;
    values->setLabelFormat(QStringLiteral("%.0f"));
    chart_->addAxis(categories, Qt::AlignBottom);
    chart_->addAxis(values, Qt::AlignLeft);
    series->attachAxis(categories);
    series->attachAxis(values);
    values->applyNiceNumbers();
}

} // namespace quillet::ui
