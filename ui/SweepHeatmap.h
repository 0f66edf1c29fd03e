#pragma once
// A heatmap of one metric over stop-loss (up) and take-profit (across),
// drawn from an image with one pixel per cell and scaled to the widget, with
// its axes in points and a colour scale beside it.

#include <QImage>
#include <QString>
#include <QWidget>

#include <functional>
#include <vector>

namespace quillet::ui {

class SweepHeatmap : public QWidget {
    Q_OBJECT
  public:
    explicit SweepHeatmap(QWidget* parent = nullptr);

    /// The values of a layer, row by row from the smallest stop-loss, each
    /// row from the smallest take-profit; NaN where a cell has no value.
    /// `diverging` centres the colours on 0 (white): red below, green above,
    /// each side scaled to its own extreme.
    void SetLayer(int stopLossFirst, int stopLossLast, int takeProfitFirst, int takeProfitLast,
                  std::vector<float> values, const QString& title, bool diverging, bool lowestIsBest = false);
    void Clear();

    /// The text of the tooltip over a cell.
    void SetTooltipText(std::function<QString(int stopLoss, int takeProfit)> text)
    {
        tooltip_ = std::move(text);
    }

    /// The cell under a point of the widget; false outside the map.
    bool CellAt(const QPoint& pos, int& stopLoss, int& takeProfit) const;
    /// The centre of a cell in widget coordinates.
    QPoint CellCentre(int stopLoss, int takeProfit) const;
    /// The colour a cell is drawn in.
    QColor CellColour(int stopLoss, int takeProfit) const;
    /// The lowest and highest value of the layer (NaN when it has none).
    float Lowest() const { return low_; }
    float Highest() const { return high_; }
    const QImage& Image() const { return image_; }

  signals:
    /// A cell was double-clicked.
    void CellActivated(int stopLoss, int takeProfit);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    bool event(QEvent* event) override;

  private:
    QRect MapRect() const;
    QRect ScaleRect() const;
    QColor ColourOf(float value) const;

    int slFirst_ = 0, slLast_ = -1, tpFirst_ = 0, tpLast_ = -1;
    std::vector<float> values_;
    QString title_;
    bool diverging_ = false;
    bool lowestIsBest_ = false; // the metric ranks its lowest value first
    float low_ = 0, high_ = 0;
    QImage image_;
    std::function<QString(int, int)> tooltip_;
};

} // namespace quillet::ui
