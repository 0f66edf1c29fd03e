// The Monte Carlo of a trade list.

#include "analysis/MonteCarlo.h"

#include "engine/NetFolder.h"
#include "model/Errors.h"

#include <algorithm>
#include <string>

namespace quillet {

std::int64_t NearestRank(const std::vector<std::int64_t>& sorted, int percent)
{
    if (sorted.empty())
        return 0;
    const auto n = static_cast<std::int64_t>(sorted.size());
    const std::int64_t rank = (static_cast<std::int64_t>(percent) * n + 99) / 100; // ceil(p * N / 100)
    return sorted[static_cast<std::size_t>(std::clamp<std::int64_t>(rank - 1, 0, n - 1))];
}

MonteCarloOutcome RunMonteCarlo(const std::vector<ClosedTrade>& trades, int runs, std::uint64_t seed)
{
    if (runs < 1 || runs > kMonteCarloRunsMax)
        throw Error("Monte Carlo runs " + std::to_string(runs) + " not in range 1 to " +
                    std::to_string(kMonteCarloRunsMax));
    MonteCarloOutcome out;
    out.Seed = seed;
    out.TradesPerRun = static_cast<int>(trades.size());
    if (trades.empty())
        return out;
    out.Runs = runs;

    std::vector<std::int64_t> nets(trades.size());
    for (std::size_t i = 0; i < trades.size(); ++i)
        nets[i] = trades[i].NetTenths;
    const std::uint64_t count = nets.size();

    SplitMix64 random(seed);
    std::vector<std::int64_t> finals(static_cast<std::size_t>(runs));
    out.Drawdowns.resize(static_cast<std::size_t>(runs));
    std::int64_t losing = 0;
    for (std::size_t run = 0; run < finals.size(); ++run) {
        std::int64_t net = 0, peak = 0, deepest = 0;
        for (std::uint64_t t = 0; t < count; ++t) {
            net += nets[random.Next() % count];
            FollowDrawdown(net, peak, deepest);
        }
        finals[run] = net;
        out.Drawdowns[run] = deepest;
        losing += net <= 0 ? 1 : 0;
    }
    std::sort(finals.begin(), finals.end());
    std::sort(out.Drawdowns.begin(), out.Drawdowns.end());
    out.FinalNet = {NearestRank(finals, 5), NearestRank(finals, 50), NearestRank(finals, 95)};
    out.MaxDrawdown = {NearestRank(out.Drawdowns, 5), NearestRank(out.Drawdowns, 50),
                       NearestRank(out.Drawdowns, 95)};
    out.LossShare = static_cast<long double>(losing) / runs;
    return out;
}

std::vector<int> HistogramCounts(const std::vector<std::int64_t>& sorted, int bins)
{
    std::vector<int> counts(static_cast<std::size_t>(std::max(bins, 1)), 0);
    if (sorted.empty())
        return counts;
    const std::int64_t low = sorted.front();
    const std::int64_t span = sorted.back() - low + 1;
    for (const std::int64_t v : sorted)
        ++counts[static_cast<std::size_t>((v - low) * static_cast<std::int64_t>(counts.size()) / span)];
    return counts;
}

} // namespace quillet
