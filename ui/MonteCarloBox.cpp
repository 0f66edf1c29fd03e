#include "ui/MonteCarloBox.h"

#include "analysis/TradeStats.h"
#include "model/TradeCosts.h"
#include "report/FigureTexts.h"
#include "ui/ChartTicks.h"
#include "ui/Dialogs.h"
#include "ui/LongWork.h"
#include "ui_MonteCarloBox.h"

#include <QAreaSeries>
#include <QChart>
#include <QLineSeries>
#include <QValueAxis>

#include <algorithm>
#include <exception>

namespace quillet::ui {
namespace {

// Ticks that fit the box at the window's first size.
constexpr int kMostDrawdownTicks = 5;
constexpr int kMostCountTicks = 3;

QString Points(std::int64_t tenths)
{
    return QString::fromStdString(TenthsText(tenths));
}

QString PercentilesText(const Percentiles& p)
{
    return QStringLiteral("%1 / %2 / %3").arg(Points(p.P5), Points(p.P50), Points(p.P95));
}

} // namespace

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
    const auto bins = static_cast<std::int64_t>(counts.size());
    const std::int64_t low = drawdowns.front();
    const std::int64_t span = drawdowns.back() - low + 1;
    // Bin b holds the drawdowns from its edge, in points, to the next bin's.
    const auto edge = [&](std::int64_t b) { return static_cast<double>(low + span * b / bins) / 10.0; };
    // The bars as one outline over drawdown points, so that the axis below
    // is a scale with a few round ticks rather than a label per bar.
    auto* outline = new QLineSeries;
    for (std::int64_t b = 0; b < bins; ++b) {
        const int count = counts[static_cast<std::size_t>(b)];
        outline->append({{edge(b), 0},
                         {edge(b), static_cast<double>(count)},
                         {edge(b + 1), static_cast<double>(count)},
                         {edge(b + 1), 0}});
    }
    auto* bars = new QAreaSeries(outline);
    outline->setParent(bars);
    bars->setName(QStringLiteral("Прогонов"));
    bars->setColor(QColor(215, 40, 40, 160));
    bars->setBorderColor(QColor(160, 20, 20));
    chart_->addSeries(bars);
    auto* x = new QValueAxis;
    x->setTitleText(QStringLiteral("Макс. просадка прогонов, п"));
    SetWholeTicks(x, edge(0), edge(bins), kMostDrawdownTicks);
    auto* y = new QValueAxis;
    SetWholeTicks(y, 0, *std::max_element(counts.begin(), counts.end()), kMostCountTicks);
    chart_->addAxis(x, Qt::AlignBottom);
    chart_->addAxis(y, Qt::AlignLeft);
    bars->attachAxis(x);
    bars->attachAxis(y);
}

void MonteCarloBox::ShowNote(const QString& text)
{
    ui->MonteCarloLabel->setText(text);
}

} // namespace quillet::ui
