#pragma once
// A trade on its candles, beside the trade table: the hourly candles of its
// week with the entry, the take-profit and stop-loss levels, the exit and the
// hours held, and under them the weekly candles around the signal week. It
// draws a TradePicture, the value the report draws too.

#include "report/TradePicture.h"

#include <QWidget>

class QAreaSeries;
class QCandlestickSeries;
class QChart;
class QChartView;
class QDateTimeAxis;
class QLineSeries;
class QScatterSeries;
class QValueAxis;

namespace quillet::ui {

class TradeChart : public QWidget {
    Q_OBJECT
  public:
    explicit TradeChart(QWidget* parent = nullptr);

    /// Draws the trade; `title` heads the hourly chart.
    void ShowPicture(const TradePicture& picture, const QString& title);
    /// Empties both charts.
    void Clear();

    QChart* HoursChart() const { return hours_; }
    QChart* WeeksChart() const { return weeks_; }

  private:
    QChart* hours_ = nullptr;
    QCandlestickSeries* hourCandles_ = nullptr;
    QAreaSeries* held_ = nullptr;
    QLineSeries* takeProfit_ = nullptr;
    QLineSeries* stopLoss_ = nullptr;
    QScatterSeries* entry_ = nullptr;
    QScatterSeries* exit_ = nullptr;
    QDateTimeAxis* hourTime_ = nullptr;
    QValueAxis* hourPrice_ = nullptr;

    QChart* weeks_ = nullptr;
    QCandlestickSeries* weekCandles_ = nullptr;
    QDateTimeAxis* weekTime_ = nullptr;
    QValueAxis* weekPrice_ = nullptr;
};

/// A candle's moment on the charts' time axes, in milliseconds.
qint64 PictureMoment(const PictureCandle& candle);

} // namespace quillet::ui
