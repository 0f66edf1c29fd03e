#include "ui/ChartTicks.h"

#include <QDateTimeAxis>
#include <QValueAxis>

#include <algorithm>
#include <cmath>

namespace quillet::ui {

double WholeTickStep(double low, double high, int maxTicks)
{
    high = std::max(high, low + 1);
    maxTicks = std::max(maxTicks, 2);
    for (double scale = 1;; scale *= 10)
        for (const double m : {1.0, 2.0, 5.0}) {
            const double step = m * scale;
            if (std::floor(high / step) - std::ceil(low / step) + 1 <= maxTicks)
                return step;
        }
}

void SetWholeTicks(QValueAxis* axis, double low, double high, int maxTicks)
{
    high = std::max(high, low + 1);
    axis->setRange(low, high);
    axis->setTickType(QValueAxis::TicksDynamic);
    axis->setTickAnchor(0);
    axis->setTickInterval(WholeTickStep(low, high, maxTicks));
    axis->setLabelFormat(QStringLiteral("%.0f"));
}

QDateTime SetDayTicks(QDateTimeAxis* axis, const QDateTime& from, const QDateTime& to, int maxTicks)
{
    const QDateTime start = from.date().startOfDay();
    qint64 days = std::max<qint64>(1, start.daysTo(to));
    if (start.addDays(days) < to)
        ++days;
    const qint64 intervals = std::max(maxTicks, 2) - 1;
    const qint64 step = (days + intervals - 1) / intervals;
    const qint64 used = (days + step - 1) / step;
    const QDateTime end = start.addDays(step * used);
    axis->setRange(start, end);
    axis->setTickCount(static_cast<int>(used) + 1);
    return end;
}

} // namespace quillet::ui
