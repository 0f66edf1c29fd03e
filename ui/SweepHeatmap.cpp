#include "ui/SweepHeatmap.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace quillet::ui {
namespace {

// Margins around the map for the axes, and the colour scale's width.
constexpr int kLeft = 52, kBottom = 40, kTop = 22, kRight = 86, kScaleWidth = 16;

const QColor kNoValue(205, 205, 205);

QColor Blend(const QColor& a, const QColor& b, double t)
{
    return QColor::fromRgbF(static_cast<float>(a.redF() + (b.redF() - a.redF()) * t),
                            static_cast<float>(a.greenF() + (b.greenF() - a.greenF()) * t),
                            static_cast<float>(a.blueF() + (b.blueF() - a.blueF()) * t));
}

// Dark blue through green to yellow: readable in grey too.
QColor Sequential(double t)
{
    static const std::array<QColor, 5> stops = {QColor(68, 1, 84), QColor(59, 82, 139), QColor(33, 145, 140),
                                                QColor(94, 201, 98), QColor(253, 231, 37)};
    t = std::clamp(t, 0.0, 1.0) * (stops.size() - 1);
    const auto i = std::min(static_cast<std::size_t>(t), stops.size() - 2);
    return Blend(stops[i], stops[i + 1], t - static_cast<double>(i));
}

// Red for losses, white at 0, green for gains; t runs from -1 to 1.
QColor Diverging(double t)
{
    t = std::clamp(t, -1.0, 1.0);
    return t < 0 ? Blend(QColor(255, 255, 255), QColor(200, 30, 40), -t)
                 : Blend(QColor(255, 255, 255), QColor(20, 140, 70), t);
}

// A few round tick values from `first` to `last`.
std::vector<int> Ticks(int first, int last)
{
    const int span = std::max(last - first, 1);
    int step = 1;
    for (const int s : {1, 2, 5, 10, 20, 25, 50, 100})
        if (span / s <= 8) {
            step = s;
            break;
        }
    std::vector<int> ticks;
    for (int v = (first + step - 1) / step * step; v <= last; v += step)
        ticks.push_back(v);
    return ticks;
}

QString Number(float v)
{
    return QString::number(static_cast<double>(v), 'g', 4).replace(QLatin1Char('.'), QLatin1Char(','));
}

} // namespace

SweepHeatmap::SweepHeatmap(QWidget* parent) : QWidget(parent)
{
    setMinimumSize(320, 240);
    setMouseTracking(true);
}

void SweepHeatmap::SetLayer(int stopLossFirst, int stopLossLast, int takeProfitFirst, int takeProfitLast,
                            std::vector<float> values, const QString& title, bool diverging,
                            bool lowestIsBest)
{
    slFirst_ = stopLossFirst;
    slLast_ = stopLossLast;
    tpFirst_ = takeProfitFirst;
    tpLast_ = takeProfitLast;
    values_ = std::move(values);
    title_ = title;
    diverging_ = diverging;
    lowestIsBest_ = lowestIsBest;

    low_ = std::numeric_limits<float>::quiet_NaN();
    high_ = low_;
    for (const float v : values_)
        if (!std::isnan(v)) {
            low_ = std::isnan(low_) ? v : std::min(low_, v);
            high_ = std::isnan(high_) ? v : std::max(high_, v);
        }

    // One pixel per cell; the largest stop-loss is the top row.
    const int columns = tpLast_ - tpFirst_ + 1;
    const int rows = slLast_ - slFirst_ + 1;
    image_ = QImage(columns, rows, QImage::Format_RGB32);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c)
            image_.setPixelColor(c, rows - 1 - r,
                                 ColourOf(values_[static_cast<std::size_t>(r) * columns + c]));
    update();
}

void SweepHeatmap::Clear()
{
    values_.clear();
    image_ = QImage();
    slLast_ = slFirst_ - 1;
    update();
}

QColor SweepHeatmap::ColourOf(float v) const
{
    if (std::isnan(v))
        return kNoValue;
    if (diverging_) {
        // Each side of 0 runs to its own extreme, so the best gain is full
        // green however deep the worst loss goes, and the other way round.
        if (v > 0)
            return Diverging(high_ > 0 ? v / high_ : 0.0);
        if (v < 0)
            return Diverging(low_ < 0 ? -(v / low_) : 0.0);
        return Diverging(0.0);
    }
    // The best end of the scale is the full colour, whichever end that is.
    if (lowestIsBest_)
        return Sequential(high_ > low_ ? (high_ - v) / (high_ - low_) : 1.0);
    return Sequential(high_ > low_ ? (v - low_) / (high_ - low_) : 1.0);
}

QRect SweepHeatmap::MapRect() const
{
    return QRect(kLeft, kTop, std::max(width() - kLeft - kRight, 1), std::max(height() - kTop - kBottom, 1));
}

QRect SweepHeatmap::ScaleRect() const
{
    const QRect map = MapRect();
    return QRect(map.right() + 14, map.top(), kScaleWidth, map.height());
}

bool SweepHeatmap::CellAt(const QPoint& pos, int& stopLoss, int& takeProfit) const
{
    if (image_.isNull())
        return false;
    const QRect map = MapRect();
    if (!map.contains(pos))
        return false;
    const int column = (pos.x() - map.left()) * image_.width() / map.width();
    const int row = (map.bottom() - pos.y()) * image_.height() / map.height();
    takeProfit = tpFirst_ + std::clamp(column, 0, image_.width() - 1);
    stopLoss = slFirst_ + std::clamp(row, 0, image_.height() - 1);
    return true;
}

QPoint SweepHeatmap::CellCentre(int stopLoss, int takeProfit) const
{
    const QRect map = MapRect();
    const double w = static_cast<double>(map.width()) / std::max(image_.width(), 1);
    const double h = static_cast<double>(map.height()) / std::max(image_.height(), 1);
    return QPoint(map.left() + static_cast<int>((takeProfit - tpFirst_ + 0.5) * w),
                  map.bottom() - static_cast<int>((stopLoss - slFirst_ + 0.5) * h));
}

QColor SweepHeatmap::CellColour(int stopLoss, int takeProfit) const
{
    return image_.pixelColor(takeProfit - tpFirst_, image_.height() - 1 - (stopLoss - slFirst_));
}

void SweepHeatmap::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Window));
    const QRect map = MapRect();
    if (image_.isNull()) {
        p.drawText(rect(), Qt::AlignCenter, QStringLiteral("Нажмите «Подобрать»"));
        return;
    }
    p.drawImage(map, image_);
    p.drawRect(map.adjusted(0, 0, -1, -1));
    p.drawText(QRect(map.left(), 0, map.width(), kTop), Qt::AlignCenter, title_);

    // Axes in points: take-profit across, stop-loss up.
    const QFontMetrics fm(font());
    for (const int tp : Ticks(tpFirst_, tpLast_)) {
        const int x = CellCentre(slFirst_, tp).x();
        p.drawLine(x, map.bottom() + 1, x, map.bottom() + 4);
        const QString t = QString::number(tp);
        p.drawText(x - fm.horizontalAdvance(t) / 2, map.bottom() + 4 + fm.ascent(), t);
    }
    p.drawText(QRect(map.left(), map.bottom() + 18, map.width(), kBottom - 18), Qt::AlignCenter,
               QStringLiteral("Тейк-профит, п"));
    for (const int sl : Ticks(slFirst_, slLast_)) {
        const int y = CellCentre(sl, tpFirst_).y();
        p.drawLine(map.left() - 4, y, map.left() - 1, y);
        const QString t = QString::number(sl);
        p.drawText(map.left() - 6 - fm.horizontalAdvance(t), y + fm.ascent() / 2, t);
    }
    p.save();
    p.translate(12, map.center().y());
    p.rotate(-90);
    p.drawText(QRect(-map.height() / 2, -10, map.height(), 20), Qt::AlignCenter,
               QStringLiteral("Стоп-лосс, п"));
    p.restore();

    // The colour scale, from the lowest value at the bottom to the highest;
    // a row that crosses 0 is drawn white.
    const QRect scale = ScaleRect();
    for (int y = 0; y < scale.height(); ++y) {
        const double t = 1.0 - static_cast<double>(y) / std::max(scale.height() - 1, 1);
        const float v = std::isnan(low_) ? 0.0f : static_cast<float>(low_ + (high_ - low_) * t);
        p.setPen(ColourOf(v));
        p.drawLine(scale.left(), scale.top() + y, scale.right(), scale.top() + y);
    }
    p.setPen(palette().color(QPalette::WindowText));
    p.drawRect(scale.adjusted(0, 0, -1, -1));
    if (!std::isnan(low_)) {
        p.drawText(scale.right() + 4, scale.top() + fm.ascent(), Number(high_));
        p.drawText(scale.right() + 4, scale.bottom(), Number(low_));
    }
    if (diverging_) {
        // Where white is: 0 marked on the scale when it lies inside, and
        // said under it in any case.
        if (!std::isnan(low_) && low_ < 0 && high_ > 0) {
            const int y =
                scale.top() + static_cast<int>(std::lround((high_ / (high_ - low_)) * (scale.height() - 1)));
            p.drawLine(scale.left() - 3, y, scale.right() + 3, y);
            if (y - scale.top() > fm.height() && scale.bottom() - y > fm.height())
                p.drawText(scale.right() + 4, y + fm.ascent() / 2, QStringLiteral("0"));
        }
        p.drawText(QRect(scale.left(), scale.bottom() + 4, width() - scale.left(), fm.height()),
                   Qt::AlignLeft, QStringLiteral("белый = 0"));
    }
}

void SweepHeatmap::mouseDoubleClickEvent(QMouseEvent* event)
{
    int sl = 0, tp = 0;
    if (CellAt(event->position().toPoint(), sl, tp))
        emit CellActivated(sl, tp);
}

bool SweepHeatmap::event(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        int sl = 0, tp = 0;
        if (tooltip_ && CellAt(help->pos(), sl, tp))
            QToolTip::showText(help->globalPos(), tooltip_(sl, tp), this);
        else
            QToolTip::hideText();
        return true;
    }
    return QWidget::event(event);
}

} // namespace quillet::ui
