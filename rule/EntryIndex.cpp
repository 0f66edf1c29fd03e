#include "rule/EntryIndex.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace quillet {
namespace {

bool LessDay(const std::pair<double, int>& entry, double day)
{
    return entry.first < day;
}

} // namespace

EntryIndex::EntryIndex(const CandleSeries& hour, int first, int end)
    : hour_(hour), end_(std::max(end, first)), scanned_(first)
{
}

int EntryIndex::Lookup(double day) const
{
    auto find = [day](const std::vector<std::pair<double, int>>& days) {
        const auto it = std::lower_bound(days.begin(), days.end(), day, LessDay);
        return (it != days.end() && it->first == day) ? it->second : -1;
    };
    const int rising = find(rising_);
    return rising >= 0 ? rising : find(others_);
}

void EntryIndex::Record(double day, int index)
{
    if (rising_.empty() || day > rising_.back().first) {
        rising_.emplace_back(day, index);
        return;
    }
    if (Lookup(day) >= 0)
        return;
    const auto it = std::lower_bound(others_.begin(), others_.end(), day, LessDay);
    others_.insert(it, {day, index});
}

int EntryIndex::FirstOnDays(std::span<const double> days)
{
    // Any wanted day already indexed gives the answer: every earlier candle
    // has been indexed too.
    int best = std::numeric_limits<int>::max();
    for (const double d : days) {
        if (std::isnan(d))
            continue;
        const int at = Lookup(d);
        if (at >= 0)
            best = std::min(best, at);
    }
    if (best != std::numeric_limits<int>::max())
        return best;

    auto wanted = [days](double day) { return std::find(days.begin(), days.end(), day) != days.end(); };
    for (; scanned_ < end_; ++scanned_) {
        const double date = hour_[scanned_].Date;
        // Most candles share the day of the one before: a date within
        // [day, day + 1) of a day from 0 up has that day as integral part.
        if (haveLastDay_ && lastDay_ >= 0 && date >= lastDay_ && date < lastDay_ + 1)
            continue;
        const double day = std::trunc(date);
        if (std::isnan(day)) {
            haveLastDay_ = false;
            continue;
        }
        lastDay_ = day;
        haveLastDay_ = std::isfinite(lastDay_);
        Record(lastDay_, scanned_);
        if (wanted(lastDay_)) {
            // This candle is the first of its day, or Lookup would have found it.
            return scanned_++;
        }
    }
    return end_;
}

int EntryIndex::SinglePairEntry(double signalDate)
{
    std::array<double, 7> days{};
    for (int d = 0; d < 7; ++d)
        days[d] = std::trunc(signalDate + (8 + d));
    return FirstOnDays(days);
}

int EntryIndex::PortfolioEntry(double signalDate)
{
    // A day D qualifies when D - trunc(signalDate), in extended precision,
    // lies in 8..12. Both are whole numbers, so the difference is one of
    // 8..12 exactly, and D is the double equal to trunc(signalDate) + n.
    const long double signalDay = std::trunc(signalDate);
    std::array<double, 5> days{};
    std::size_t count = 0;
    for (int n = 8; n <= 12; ++n) {
        const long double candidate = signalDay + n;
        const double day = static_cast<double>(candidate);
        const long double after = static_cast<long double>(day) - signalDay;
        if (after >= kFirstPortfolioDay && after <= kLastPortfolioDay)
            days[count++] = day;
    }
    const int at = FirstOnDays(std::span<const double>(days.data(), count));
    return at < end_ ? at : -1;
}

} // namespace quillet
