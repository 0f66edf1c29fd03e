#pragma once
// Ticks that stay readable on the small charts of the window's first size:
// few of them, at whole numbers or midnights, so that no label is cut short
// or repeats its neighbour.

#include <QDateTime>

class QDateTimeAxis;
class QValueAxis;

namespace quillet::ui {

/// The step of whole-number ticks over [low, high]: the smallest of 1, 2 or
/// 5 times a power of ten that puts at most `maxTicks` multiples of itself
/// within the range (a range shorter than 1 counts as 1).
double WholeTickStep(double low, double high, int maxTicks);

/// Shows [low, high] on `axis` with ticks at the multiples of
/// WholeTickStep, labelled as whole numbers.
void SetWholeTicks(QValueAxis* axis, double low, double high, int maxTicks);

/// Shows the days from `from`'s midnight to at least `to` on `axis`, with at
/// most `maxTicks` ticks, each at a midnight a whole number of days apart.
/// Returns the end of the range shown.
QDateTime SetDayTicks(QDateTimeAxis* axis, const QDateTime& from, const QDateTime& to, int maxTicks);

} // namespace quillet::ui
