// The chunk loops of the splits. The net's loops run four units side by side
// in a vector register (SSE2, which every x86-64 has); the Sharpe ratio's
// compare a rounded key first and the exact products only where two keys
// are too close to tell apart.

#include "analysis/OverfitKernels.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace quillet {
namespace {

using Lanes = std::int32_t __attribute__((vector_size(16)));
constexpr std::size_t kLaneWidth = 4;

Lanes Load(const std::int32_t* p)
{
    Lanes v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

void Store(std::int32_t* p, Lanes v)
{
    std::memcpy(p, &v, sizeof v);
}

Lanes Select(Lanes mask, Lanes a, Lanes b)
{
    return (a & mask) | (b & ~mask);
}

Lanes Splat(std::int32_t x)
{
    return Lanes{x, x, x, x};
}

constexpr double kNoRatio = -std::numeric_limits<double>::infinity();

// n^2 times the population variance; 0 or less: the ratio has no value.
std::int64_t Spread(const PerformanceSums& s)
{
    return s.Weeks < 2 ? 0 : s.Weeks * s.Squares - s.Sum * s.Sum;
}

// sum |sum| / spread: rises with the Sharpe ratio for a given number of
// weeks; within a few units of the last place of the exact value.
double SharpeKey(std::int64_t sum, std::int64_t spread)
{
    if (spread <= 0)
        return kNoRatio;
    const double s = static_cast<double>(sum);
    return s * std::fabs(s) / static_cast<double>(spread);
}

// Two keys this close may be of ratios in either order.
bool TooClose(double a, double b)
{
    return std::fabs(a - b) <= 1e-12 * std::max(std::fabs(a), std::fabs(b));
}

int CompareKeys(double ka, const PerformanceSums& a, double kb, const PerformanceSums& b)
{
    if (ka == kNoRatio || kb == kNoRatio)
        return (ka != kNoRatio) - (kb != kNoRatio);
    if (!TooClose(ka, kb))
        return ka < kb ? -1 : 1;
    return CompareSharpe(a, b);
}

// The vectors of a chunk moved by `add` less `sub` (when given) and counted
// below and equal to the first threshold, and to the second when Both;
// returns where the vectors end.
template <bool Both>
std::size_t CountLanes(std::int32_t* v, const std::int32_t* add, const std::int32_t* sub, std::size_t count,
                       const std::array<std::int32_t, 2>& threshold, std::array<RankCounts, 2>& counts)
{
    const Lanes first = Splat(threshold[0]), second = Splat(threshold[1]);
    Lanes below0 = Splat(0), equal0 = Splat(0), below1 = Splat(0), equal1 = Splat(0);
    std::size_t k = 0;
    for (; k + kLaneWidth <= count; k += kLaneWidth) {
        Lanes x = Load(v + k);
        if (add) {
            x += Load(add + k) - Load(sub + k);
            Store(v + k, x);
        }
        below0 -= x < first;
        equal0 -= x == first;
        if constexpr (Both) {
            below1 -= x < second;
            equal1 -= x == second;
        }
    }
    for (std::size_t lane = 0; lane < kLaneWidth; ++lane) {
        counts[0].Below += below0[lane];
        counts[0].Equal += equal0[lane];
        counts[1].Below += below1[lane];
        counts[1].Equal += equal1[lane];
    }
    return k;
}

} // namespace

int CompareSharpe(const PerformanceSums& a, const PerformanceSums& b)
{
    const std::int64_t da = Spread(a), db = Spread(b);
    if (da <= 0 || db <= 0)
        return (da > 0) - (db > 0);
    const int sa = (a.Sum > 0) - (a.Sum < 0), sb = (b.Sum > 0) - (b.Sum < 0);
    if (sa != sb)
        return sa < sb ? -1 : 1;
    // sign(s) s^2 / d rises with s / sqrt(d): compare s_a^2 d_b with s_b^2 d_a.
    using Wide = unsigned __int128;
    const Wide lhs =
        static_cast<Wide>(static_cast<std::uint64_t>(a.Sum * a.Sum)) * static_cast<std::uint64_t>(db);
    const Wide rhs =
        static_cast<Wide>(static_cast<std::uint64_t>(b.Sum * b.Sum)) * static_cast<std::uint64_t>(da);
    const int magnitude = (lhs > rhs) - (lhs < rhs);
    return sa >= 0 ? magnitude : -magnitude;
}

void ChunkScan::Start(std::uint32_t mask, std::vector<std::int32_t>& running,
                      std::vector<std::int64_t>* squares) const
{
    running.assign(Count, 0);
    if (squares)
        squares->assign(Count, 0);
    for (int b = 0; b < Sums.BlockCount(); ++b) {
        if ((mask >> b & 1u) == 0)
            continue;
        const std::int32_t* s = Sums.Sums(b) + First;
        for (std::size_t k = 0; k < Count; ++k)
            running[k] += s[k];
        if (squares) {
            const std::int64_t* q = Sums.Squares(b) + First;
            for (std::size_t k = 0; k < Count; ++k)
                (*squares)[k] += q[k];
        }
    }
}

Candidate ChunkScan::BestNet(std::uint32_t mask, int in, int out, int weeks,
                             std::vector<std::int32_t>& running) const
{
    const bool fresh = in < 0;
    if (fresh)
        Start(mask, running, nullptr);
    std::int32_t* v = running.data();
    const std::int32_t* add = fresh ? nullptr : Sums.Sums(in) + First;
    const std::int32_t* sub = fresh ? nullptr : Sums.Sums(out) + First;
    // Each lane keeps its first position of its largest value.
    Lanes best = Splat(std::numeric_limits<std::int32_t>::min());
    Lanes bestAt = Splat(0);
    Lanes at = {0, 1, 2, 3};
    std::size_t k = 0;
    for (; k + kLaneWidth <= Count; k += kLaneWidth) {
        Lanes x = Load(v + k);
        if (!fresh) {
            x += Load(add + k) - Load(sub + k);
            Store(v + k, x);
        }
        const Lanes higher = x > best;
        best = Select(higher, x, best);
        bestAt = Select(higher, at, bestAt);
        at += Splat(kLaneWidth);
    }
    std::int32_t top = std::numeric_limits<std::int32_t>::min();
    std::int64_t topAt = -1;
    for (std::size_t lane = 0; lane < kLaneWidth; ++lane)
        if (best[lane] > top || (best[lane] == top && topAt >= 0 && bestAt[lane] < topAt)) {
            top = best[lane];
            topAt = bestAt[lane];
        }
    for (; k < Count; ++k) {
        if (!fresh)
            v[k] += add[k] - sub[k];
        if (v[k] > top || topAt < 0) {
            top = v[k];
            topAt = static_cast<std::int64_t>(k);
        }
    }
    return {static_cast<std::int64_t>(First) + topAt, {top, 0, weeks}};
}

Candidate ChunkScan::BestSharpe(std::uint32_t mask, int in, int out, int weeks,
                                std::vector<std::int32_t>& running, std::vector<std::int64_t>& squares) const
{
    const bool fresh = in < 0;
    if (fresh)
        Start(mask, running, &squares);
    const std::int32_t* add = fresh ? nullptr : Sums.Sums(in) + First;
    const std::int32_t* sub = fresh ? nullptr : Sums.Sums(out) + First;
    const std::int64_t* addSquares = fresh ? nullptr : Sums.Squares(in) + First;
    const std::int64_t* subSquares = fresh ? nullptr : Sums.Squares(out) + First;
    Candidate best;
    double bestKey = kNoRatio;
    for (std::size_t k = 0; k < Count; ++k) {
        if (!fresh) {
            running[k] += add[k] - sub[k];
            squares[k] += addSquares[k] - subSquares[k];
        }
        const PerformanceSums s{running[k], squares[k], weeks};
        const std::int64_t spread = Spread(s);
        // A ratio without value never passes one found before it.
        if (spread <= 0) {
            if (best.Unit < 0)
                best = {static_cast<std::int64_t>(First + k), s};
            continue;
        }
        // Clearly below the best so far: neither the key's division nor
        // the exact comparison is needed.
        const double sum = static_cast<double>(s.Sum);
        const double numerator = sum * std::fabs(sum), denominator = static_cast<double>(spread);
        if (bestKey != kNoRatio && numerator < bestKey * denominator &&
            !TooClose(numerator, bestKey * denominator))
            continue;
        const double key = numerator / denominator;
        if (best.Unit < 0 || CompareKeys(key, s, bestKey, best.Sums) > 0) {
            best = {static_cast<std::int64_t>(First + k), s};
            bestKey = key;
        }
    }
    return best;
}

std::array<RankCounts, 2> ChunkScan::CountNet(std::uint32_t mask, int in, int out,
                                              const std::array<const PerformanceSums*, 2>& against,
                                              std::vector<std::int32_t>& running) const
{
    const bool fresh = in < 0;
    if (fresh)
        Start(mask, running, nullptr);
    std::int32_t* v = running.data();
    const std::int32_t* add = fresh ? nullptr : Sums.Sums(in) + First;
    const std::int32_t* sub = fresh ? nullptr : Sums.Sums(out) + First;
    // A missing choice is compared with a value no sum reaches, and not counted.
    std::array<std::int32_t, 2> threshold{};
    for (std::size_t t = 0; t < 2; ++t)
        threshold[t] = against[t] ? static_cast<std::int32_t>(against[t]->Sum)
                                  : std::numeric_limits<std::int32_t>::min();
    std::array<RankCounts, 2> counts;
    const std::size_t k = against[1] ? CountLanes<true>(v, add, sub, Count, threshold, counts)
                                     : CountLanes<false>(v, add, sub, Count, threshold, counts);
    for (std::size_t j = k; j < Count; ++j) {
        if (!fresh)
            v[j] += add[j] - sub[j];
        for (std::size_t t = 0; t < 2; ++t) {
            counts[t].Below += v[j] < threshold[t] ? 1 : 0;
            counts[t].Equal += v[j] == threshold[t] ? 1 : 0;
        }
    }
    for (std::size_t t = 0; t < 2; ++t)
        if (!against[t])
            counts[t] = {};
    return counts;
}

std::array<RankCounts, 2> ChunkScan::CountSharpe(std::uint32_t mask, int in, int out, int weeks,
                                                 const std::array<const PerformanceSums*, 2>& against,
                                                 std::vector<std::int32_t>& running,
                                                 std::vector<std::int64_t>& squares) const
{
    const bool fresh = in < 0;
    if (fresh)
        Start(mask, running, &squares);
    const std::int32_t* add = fresh ? nullptr : Sums.Sums(in) + First;
    const std::int32_t* sub = fresh ? nullptr : Sums.Sums(out) + First;
    const std::int64_t* addSquares = fresh ? nullptr : Sums.Squares(in) + First;
    const std::int64_t* subSquares = fresh ? nullptr : Sums.Squares(out) + First;
    std::array<double, 2> keys{};
    for (std::size_t t = 0; t < 2; ++t)
        if (against[t])
            keys[t] = SharpeKey(against[t]->Sum, Spread(*against[t]));
    std::array<RankCounts, 2> counts;
    for (std::size_t k = 0; k < Count; ++k) {
        if (!fresh) {
            running[k] += add[k] - sub[k];
            squares[k] += addSquares[k] - subSquares[k];
        }
        const PerformanceSums s{running[k], squares[k], weeks};
        const std::int64_t spread = Spread(s);
        const double sum = static_cast<double>(s.Sum);
        const double numerator = sum * std::fabs(sum), denominator = static_cast<double>(spread);
        for (std::size_t t = 0; t < 2; ++t) {
            if (!against[t])
                continue;
            // Against the choice's key times this spread: no division.
            int order = 0;
            if (keys[t] == kNoRatio || spread <= 0) {
                order = (spread > 0) - (keys[t] != kNoRatio);
            } else if (const double bar = keys[t] * denominator; !TooClose(numerator, bar)) {
                order = numerator < bar ? -1 : 1;
            } else {
                order = CompareSharpe(s, *against[t]);
            }
            counts[t].Below += order < 0 ? 1 : 0;
            counts[t].Equal += order == 0 ? 1 : 0;
        }
    }
    return counts;
}

} // namespace quillet
