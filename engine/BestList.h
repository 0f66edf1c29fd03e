#pragma once
// How a sweep ranks its combinations for the best rows, in one place for the
// sweep over one instrument and the sweep over several: a higher metric key
// first (SQN compared exactly from its sums), then the smaller signal,
// stop-loss, take-profit and holding limit, so the order never depends on how
// the work was shared out.

#include "engine/NetFolder.h"
#include "engine/SweepMetric.h"

#include <algorithm>
#include <cstddef>
#include <optional>
#include <tuple>
#include <utility>
#include <vector>

namespace quillet {

/// A combination of the grid as the sweep orders it; Hold is the
/// holding-limit position, 0 without a hold axis.
struct GridPoint {
    int Signal = 0;
    int StopLoss = 0;
    int TakeProfit = 0;
    int Hold = 0;
};

/// The sweep's order of combinations that tie on the metric: the smaller
/// signal, then stop-loss, take-profit and holding limit, first. Whatever
/// ranks combinations as the sweep does breaks its ties with this.
inline bool TiesBefore(const GridPoint& a, const GridPoint& b)
{
    return std::tie(a.Signal, a.StopLoss, a.TakeProfit, a.Hold) <
           std::tie(b.Signal, b.StopLoss, b.TakeProfit, b.Hold);
}

/// A combination's place in the ranking: its metric's key, higher is better,
/// and, ranked by SQN, the sums its key is compared exactly from.
struct Ranked {
    long double Key = 0;
    GridPoint Point;
    std::optional<NetFolder> Sqn;
};

/// Whether `a` ranks before `b` (given as its key, SQN sums and point).
inline bool RanksBefore(long double keyA, const NetFolder* sqnA, const GridPoint& a, const Ranked& b)
{
    if (const int order = CompareRankKeys(keyA, sqnA, b.Key, b.Sqn ? &*b.Sqn : nullptr); order != 0)
        return order > 0;
    return TiesBefore(a, b.Point);
}

inline bool RanksBefore(const Ranked& a, const Ranked& b)
{
    return RanksBefore(a.Key, a.Sqn ? &*a.Sqn : nullptr, a.Point, b);
}

/// The best `limit` candidates seen, the worst of them at the front of a
/// heap. A Candidate holds its place as a member `Rank` (a Ranked).
template <class Candidate> class BestList {
  public:
    explicit BestList(int limit) : limit_(static_cast<std::size_t>(std::max(limit, 0))) {}

    /// True when a candidate with this key (and SQN sums) and point would be kept.
    bool Admits(long double key, const NetFolder* sqn, const GridPoint& point) const
    {
        if (heap_.size() < limit_)
            return true;
        return limit_ > 0 && RanksBefore(key, sqn, point, heap_.front().Rank);
    }
    void Add(Candidate c)
    {
        if (heap_.size() == limit_) {
            std::pop_heap(heap_.begin(), heap_.end(), Before);
            heap_.back() = std::move(c);
        } else {
            heap_.push_back(std::move(c));
        }
        std::push_heap(heap_.begin(), heap_.end(), Before);
    }
    std::vector<Candidate>& Items() { return heap_; }

    /// The order of the best rows, best first.
    static bool Before(const Candidate& a, const Candidate& b) { return RanksBefore(a.Rank, b.Rank); }

  private:
    std::size_t limit_;
    std::vector<Candidate> heap_;
};

} // namespace quillet
