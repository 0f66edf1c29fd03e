#include "ui/TradeChart.h"

#include "model/Dates.h"
#include "model/Numbers.h"
#include "ui/ChartTicks.h"

#include <QAreaSeries>
#include <QCandlestickSeries>
#include <QCandlestickSet>
#include <QChart>
#include <QChartView>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QLocale>
#include <QPen>
#include <QScatterSeries>
#include <QSplitter>
#include <QVBoxLayout>
#include <QValueAxis>

#include <algorithm>
#include <initializer_list>

namespace quillet::ui {
namespace {

constexpr qint64 kHourMs = 3'600'000;
// Days on the hourly chart's axis: "dd.MM" labels that fit the chart at the
// window's first size.
constexpr int kMostDayTicks = 4;

QChartView* NewView(QChart* chart, QWidget* parent)
{
    auto* view = new QChartView(chart, parent);
    view->setRenderHint(QPainter::Antialiasing);
    return view;
}

QCandlestickSeries* NewCandles(QChart* chart)
{
    auto* s = new QCandlestickSeries(chart);
    s->setIncreasingColor(QColor(46, 139, 87));
    s->setDecreasingColor(QColor(192, 57, 43));
    s->setBodyWidth(0.7);
    return s;
}

QLineSeries* NewLevel(QChart* chart, const QString& name, const QColor& colour)
{
    auto* s = new QLineSeries(chart);
    s->setName(name);
    s->setPen(QPen(colour, 1.5, Qt::DashLine));
    return s;
}

QScatterSeries* NewMark(QChart* chart, const QString& name, const QColor& colour,
                        QScatterSeries::MarkerShape shape)
{
    auto* s = new QScatterSeries(chart);
    s->setName(name);
    s->setColor(colour);
    s->setMarkerShape(shape);
    s->setMarkerSize(11);
    return s;
}

void Attach(QChart* chart, std::initializer_list<QAbstractSeries*> series, QAbstractAxis* x, QAbstractAxis* y)
{
    chart->addAxis(x, Qt::AlignBottom);
    chart->addAxis(y, Qt::AlignLeft);
    for (QAbstractSeries* s : series) {
        chart->addSeries(s);
        s->attachAxis(x);
        s->attachAxis(y);
    }
}

// The candles at their moments shifted by `shift`.
QList<QCandlestickSet*> Sets(const std::vector<PictureCandle>& candles, qint64 shift)
{
    QList<QCandlestickSet*> sets;
    sets.reserve(static_cast<qsizetype>(candles.size()));
    for (const PictureCandle& c : candles)
        sets.append(new QCandlestickSet(c.Open, c.High, c.Low, c.Close,
                                        static_cast<qreal>(PictureMoment(c) + shift)));
    return sets;
}

// A little room around the prices, so the levels do not sit on the frame.
void SetPriceRange(QValueAxis* axis, double low, double high)
{
    const double pad = std::max((high - low) * 0.06, 1e-9);
    axis->setRange(low - pad, high + pad);
}

} // namespace

qint64 PictureMoment(const PictureCandle& candle)
{
    CivilDate c{};
    if (!DecodeDate(candle.Date, c))
        return 0;
    return QDateTime(QDate(c.Year, c.Month, c.Day), QTime(candle.Hour, 0)).toMSecsSinceEpoch();
}

TradeChart::TradeChart(QWidget* parent) : QWidget(parent)
{
    hours_ = new QChart;
    hours_->legend()->setAlignment(Qt::AlignBottom);
    hourCandles_ = NewCandles(hours_);
    hourCandles_->setName(QStringLiteral("Часовые свечи"));
    held_ = new QAreaSeries(new QLineSeries(hours_), new QLineSeries(hours_));
    held_->setParent(hours_);
    held_->setName(QStringLiteral("В сделке"));
    held_->setBrush(QColor(255, 214, 90, 70));
    held_->setPen(Qt::NoPen);
    takeProfit_ = NewLevel(hours_, QStringLiteral("TP"), QColor(46, 139, 87));
    stopLoss_ = NewLevel(hours_, QStringLiteral("SL"), QColor(192, 57, 43));
    entry_ = NewMark(hours_, QStringLiteral("Вход"), QColor(0, 90, 170), QScatterSeries::MarkerShapeTriangle);
    exit_ =
        NewMark(hours_, QStringLiteral("Выход"), QColor(30, 30, 30), QScatterSeries::MarkerShapeRectangle);
    hourTime_ = new QDateTimeAxis(hours_);
    hourTime_->setFormat(QStringLiteral("dd.MM"));
    hourPrice_ = new QValueAxis(hours_);
    Attach(hours_, {held_, hourCandles_, takeProfit_, stopLoss_, entry_, exit_}, hourTime_, hourPrice_);
    // The legend names the levels and the marks; the candles and the hours
    // held need no name, and six entries would not fit the chart.
    for (QAbstractSeries* unnamed : std::initializer_list<QAbstractSeries*>{held_, hourCandles_})
        for (QLegendMarker* marker : hours_->legend()->markers(unnamed))
            marker->setVisible(false);

    weeks_ = new QChart;
    weeks_->legend()->hide();
    weekCandles_ = NewCandles(weeks_);
    weekTime_ = new QDateTimeAxis(weeks_);
    weekTime_->setFormat(QStringLiteral("dd.MM"));
    weekTime_->setTickCount(3);
    weekPrice_ = new QValueAxis(weeks_);
    Attach(weeks_, {weekCandles_}, weekTime_, weekPrice_);

    // Prices with the program's decimal comma.
    for (QChart* chart : {hours_, weeks_}) {
        chart->setLocalizeNumbers(true);
        chart->setLocale(QLocale(QLocale::Russian, QLocale::Russia));
    }

    auto* split = new QSplitter(Qt::Horizontal, this);
    split->addWidget(NewView(hours_, split));
    split->addWidget(NewView(weeks_, split));
    split->widget(1)->setMinimumWidth(200);
    split->setSizes({700, 300});
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(split);
    Clear();
}

void TradeChart::Clear()
{
    hourCandles_->clear();
    weekCandles_->clear();
    for (QXYSeries* s : std::initializer_list<QXYSeries*>{held_->upperSeries(), held_->lowerSeries(),
                                                          takeProfit_, stopLoss_, entry_, exit_})
        s->clear();
    hours_->setTitle(QStringLiteral("Выберите сделку в таблице"));
    weeks_->setTitle({});
    for (QAbstractAxis* axis :
         std::initializer_list<QAbstractAxis*>{hourTime_, hourPrice_, weekTime_, weekPrice_})
        axis->setVisible(false);
}

void TradeChart::ShowPicture(const TradePicture& p, const QString& title)
{
    if (p.Hours.empty()) {
        Clear();
        return;
    }
    hours_->setTitle(title);
    hourCandles_->clear();
    // An hour's candle stands in the middle of its hour.
    hourCandles_->append(Sets(p.Hours, kHourMs / 2));

    const qint64 first = PictureMoment(p.Hours.front());
    const qint64 last = PictureMoment(p.Hours.back());
    const qint64 entryAt = PictureMoment(p.Hours[static_cast<std::size_t>(p.EntryAt)]);
    const qint64 exitAt = PictureMoment(p.Hours[static_cast<std::size_t>(p.ExitAt)]);
    double low = std::min({p.TakeProfitLevel, p.StopLossLevel, p.EntryPrice, p.ExitPrice});
    double high = std::max({p.TakeProfitLevel, p.StopLossLevel, p.EntryPrice, p.ExitPrice});
    for (const PictureCandle& c : p.Hours) {
        low = std::min(low, c.Low);
        high = std::max(high, c.High);
    }
    // Whole days, the ticks at midnights.
    const QDateTime from = QDateTime::fromMSecsSinceEpoch(first).date().startOfDay();
    const QDateTime to = SetDayTicks(
        hourTime_, from, QDateTime::fromMSecsSinceEpoch(last).date().addDays(1).startOfDay(), kMostDayTicks);
    const qreal left = static_cast<qreal>(from.toMSecsSinceEpoch());
    const qreal right = static_cast<qreal>(to.toMSecsSinceEpoch());
    takeProfit_->replace({{left, p.TakeProfitLevel}, {right, p.TakeProfitLevel}});
    stopLoss_->replace({{left, p.StopLossLevel}, {right, p.StopLossLevel}});
    entry_->replace({{static_cast<qreal>(entryAt + kHourMs / 2), p.EntryPrice}});
    exit_->replace({{static_cast<qreal>(exitAt + kHourMs / 2), p.ExitPrice}});
    // The hours held: from the start of the entry's hour to the end of the exit's.
    const qreal heldFrom = static_cast<qreal>(entryAt);
    const qreal heldTo = static_cast<qreal>(exitAt + kHourMs);
    held_->upperSeries()->replace({{heldFrom, high * 2}, {heldTo, high * 2}});
    held_->lowerSeries()->replace({{heldFrom, low - (high - low)}, {heldTo, low - (high - low)}});
    SetPriceRange(hourPrice_, low, high);

    weekCandles_->clear();
    weekCandles_->append(Sets(p.Weeks, 0));
    weeks_->setTitle({});
    if (!p.Weeks.empty()) {
        double wLow = p.Weeks.front().Low;
        double wHigh = p.Weeks.front().High;
        for (const PictureCandle& c : p.Weeks) {
            wLow = std::min(wLow, c.Low);
            wHigh = std::max(wHigh, c.High);
        }
        // The signal candle stands out in the weekly candles.
        QCandlestickSet* signal = weekCandles_->sets().at(p.SignalAt);
        signal->setPen(QPen(QColor(0, 90, 170), 2.5));
        const qint64 day = 24 * kHourMs;
        weekTime_->setRange(QDateTime::fromMSecsSinceEpoch(PictureMoment(p.Weeks.front()) - 4 * day),
                            QDateTime::fromMSecsSinceEpoch(PictureMoment(p.Weeks.back()) + 4 * day));
        SetPriceRange(weekPrice_, wLow, wHigh);
        weeks_->setTitle(QStringLiteral("Сигнал: тело %1 п").arg(p.SignalBodyPoints));
    }
    for (QAbstractAxis* axis :
         std::initializer_list<QAbstractAxis*>{hourTime_, hourPrice_, weekTime_, weekPrice_})
        axis->setVisible(true);
}

} // namespace quillet::ui
