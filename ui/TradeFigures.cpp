#include "ui/TradeFigures.h"

#include "ui_TradeFigures.h"

#include <QBarCategoryAxis>
#include <QBarSet>
#include <QChart>
#include <QHeaderView>
#include <QLabel>
#include <QStackedBarSeries>
#include <QTableWidgetItem>
#include <QValueAxis>

#include <algorithm>
#include <cmath>

namespace quillet::ui {
namespace {

QString Text(const std::string& utf8)
{
    return QString::fromStdString(utf8);
}

/// A figure with its unit, or "-" alone.
QString WithUnit(const std::string& figure, const char* unit)
{
    return figure == "-" ? Text(figure) : Text(figure) + QString::fromUtf8(unit);
}

} // namespace

std::vector<FigureLine> FigureLines(const TradeStats& stats)
{
    std::vector<FigureLine> lines;
    for (const FigureText& figure : FigureTexts(stats)) {
        // The label's name from the figure's key: "max_drawdown" -> "FigureMaxDrawdown".
        QString name = QStringLiteral("Figure");
        for (const QString& word : QString::fromLatin1(figure.Key).split(QLatin1Char('_')))
            name += word.left(1).toUpper() + word.mid(1);
        const char* unit = std::string_view(figure.Unit) == "пп" ? " п" : *figure.Unit ? " ч" : "";
        lines.push_back({name, figure.Short, WithUnit(figure.Value, unit)});
    }
    return lines;
}

TradeFigures::TradeFigures(QWidget* parent) : QWidget(parent), ui(std::make_unique<Ui::TradeFigures>())
{
    ui->setupUi(this);
    ui->FiguresDataLabel->hide(); // until a run's quotes have holes or spikes
    // Two columns of figures, each a caption and its value.
    const std::vector<FigureLine> lines = FigureLines(TradeStats{});
    const int rows = static_cast<int>(lines.size() + 1) / 2;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const int row = static_cast<int>(i) % rows;
        const int column = static_cast<int>(i) / rows * 2;
        auto* caption = new QLabel(QString::fromUtf8(lines[i].Caption), this);
        auto* value = new QLabel(this);
        value->setObjectName(lines[i].Name);
        value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        QFont bold = value->font();
        bold.setBold(true);
        value->setFont(bold);
        ui->FiguresGrid->addWidget(caption, row, column);
        ui->FiguresGrid->addWidget(value, row, column + 1);
        values_.push_back(value);
    }
    ui->FiguresGrid->setColumnMinimumWidth(1, fontMetrics().horizontalAdvance(QStringLiteral("-00000,0 п")));
    ui->FiguresGrid->setColumnMinimumWidth(3, fontMetrics().horizontalAdvance(QStringLiteral("-00000,0 п")));

    ui->YearsTable->verticalHeader()->hide();
    ui->YearsTable->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    ui->YearsTable->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);

    // Years that ended up in one colour, those that ended down in another,
    // stacked so that each year has one bar.
    chart_ = new QChart;
    chart_->legend()->hide();
    chart_->setMargins(QMargins(2, 2, 2, 2));
    auto* bars = new QStackedBarSeries(chart_);
    bars->setName(QStringLiteral("Пункты по годам"));
    gains_ = new QBarSet(QStringLiteral("Прибыльные годы"));
    gains_->setColor(QColor(40, 150, 70));
    losses_ = new QBarSet(QStringLiteral("Убыточные годы"));
    losses_->setColor(QColor(210, 50, 50));
    bars->append(gains_);
    bars->append(losses_);
    chart_->addSeries(bars);
    yearAxis_ = new QBarCategoryAxis(chart_);

    pointAxis_ = new QValueAxis(chart_);
    pointAxis_->setLabelFormat(QStringLiteral("%.0f"));
    chart_->addAxis(yearAxis_, Qt::AlignBottom);
    chart_->addAxis(pointAxis_, Qt::AlignLeft);
    bars->attachAxis(yearAxis_);
    bars->attachAxis(pointAxis_);
    ui->YearsChart->setChart(chart_);
    ui->YearsChart->setRenderHint(QPainter::Antialiasing);
}

TradeFigures::~TradeFigures() = default;

void TradeFigures::ShowDataLine(const QString& line)
{
    ui->FiguresDataLabel->setText(line);
    ui->FiguresDataLabel->setVisible(!line.isEmpty());
}

void TradeFigures::Show(const std::vector<ClosedTrade>& trades, const TradeCosts& costs)
{
    ui->TradeCostsLabel->setText(Text(TradeCostsCaption(costs)));
    const TradeStats stats = ComputeTradeStats(trades);
    const std::vector<FigureLine> lines = FigureLines(stats);
    for (std::size_t i = 0; i < lines.size(); ++i)
        values_[i]->setText(lines[i].Text);

    years_ = stats.ByYear;
    QTableWidget* t = ui->YearsTable;
    t->setRowCount(static_cast<int>(years_.size()));
    for (int row = 0; row < t->rowCount(); ++row) {
        const YearFigures& y = years_[static_cast<std::size_t>(row)];
        const QString cells[] = {QString::number(y.Year), QString::number(y.Trades), QString::number(y.Wins),
                                 Text(TenthsText(y.NetTenths)), Text(TenthsText(y.MaxDrawdownTenths))};
        for (int c = 0; c < 5; ++c) {
            auto* item = new QTableWidgetItem(cells[c]);
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            t->setItem(row, c, item);
        }
    }
    DrawYears();
}

void TradeFigures::DrawYears()
{
    QStringList years;
    QList<qreal> up;
    QList<qreal> down;
    double low = 0;
    double high = 0;
    for (const YearFigures& y : years_) {
        const double points = static_cast<double>(y.NetTenths) / 10;
        // Two digits, so that a decade of years fits under narrow bars.
        years << QStringLiteral("’%1").arg(y.Year % 100, 2, 10, QLatin1Char('0'));
        up << std::max(points, 0.0);
        down << std::min(points, 0.0);
        low = std::min(low, points);
        high = std::max(high, points);
    }
    gains_->remove(0, gains_->count());
    losses_->remove(0, losses_->count());
    gains_->append(up);
    losses_->append(down);
    yearAxis_->clear();
    yearAxis_->append(years);
    // Some room above and below the bars, and 0 always on the axis.
    const double margin = std::max((high - low) * 0.08, 1.0);
    pointAxis_->setRange(low < 0 ? low - margin : 0, high > 0 ? high + margin : 0 + margin);
    pointAxis_->applyNiceNumbers();
}

} // namespace quillet::ui
