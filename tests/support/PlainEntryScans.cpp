#include "support/PlainEntryScans.h"

#include "rule/EntryIndex.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace quillet {

int PlainSinglePairEntry(const CandleSeries& hour, int hourEnd, double signalDate)
{
    // Whole days are compared: the integral parts of the two values.
    std::array<double, 7> days{};
    for (int d = 0; d < 7; ++d)
        days[d] = std::trunc(signalDate + (8 + d));
    const double first = *std::min_element(days.begin(), days.end());
    const double last = *std::max_element(days.begin(), days.end());
    for (int c = 1; c < hourEnd; ++c) {
        const double date = hour[c].Date;
        if (date < first - 1 || date > last + 1)
            continue;
        const double day = std::trunc(date);
        if (day < first || day > last)
            continue;
        if (std::find(days.begin(), days.end(), day) != days.end())
            return c;
    }
    return hourEnd;
}

int PlainPortfolioEntry(const CandleSeries& hour, double signalDate)
{
    const long double signalDay = std::trunc(signalDate);
    const int end = std::min(FirstEmptyIndex(hour, 1), kLastCandleIndex + 1);
    for (int e = 0; e < end; ++e) {
        const long double daysAfter = std::trunc(hour[e].Date) - signalDay;
        if (daysAfter >= kFirstPortfolioDay && daysAfter <= kLastPortfolioDay)
            return e;
    }
    return -1;
}

} // namespace quillet
