// The Monte Carlo of a trade list against a plain reference with the same
// seed, and splitmix64 against its published first outputs.

#include "analysis/MonteCarlo.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

namespace quillet {
namespace {

TEST(MonteCarlo, SplitMix64GivesItsPublishedSequence)
{
    SplitMix64 random(0);
    EXPECT_EQ(random.Next(), 0xE220A8397B1DCDAFULL);
    EXPECT_EQ(random.Next(), 0x6E789E6AA1B965F4ULL);
    EXPECT_EQ(random.Next(), 0x06C45D188009454FULL);
}

// Written out plainly: the generator, the runs and the percentiles.
struct Reference {
    std::vector<long long> Finals, Drawdowns;
    long long Losing = 0;
};

Reference PlainRuns(const std::vector<long long>& nets, int runs, std::uint64_t seed)
{
    Reference ref;
    std::uint64_t state = seed;
    for (int run = 0; run < runs; ++run) {
        long long sum = 0, high = 0, worst = 0;
        for (std::size_t t = 0; t < nets.size(); ++t) {
            state += 0x9E3779B97F4A7C15ULL;
            std::uint64_t z = state;
            z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
            z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
            z ^= z >> 31;
            sum += nets[z % nets.size()];
            if (sum > high)
                high = sum;
            if (high - sum > worst)
                worst = high - sum;
        }
        ref.Finals.push_back(sum);
        ref.Drawdowns.push_back(worst);
        if (sum <= 0)
            ++ref.Losing;
    }
    std::sort(ref.Finals.begin(), ref.Finals.end());
    std::sort(ref.Drawdowns.begin(), ref.Drawdowns.end());
    return ref;
}

long long PlainRank(const std::vector<long long>& sorted, int p)
{
    return sorted[static_cast<std::size_t>(std::ceil(p * static_cast<double>(sorted.size()) / 100.0)) - 1];
}

TEST(MonteCarlo, MatchesThePlainReferenceWithTheSameSeed)
{
    std::mt19937 rng(23);
    for (const int tradeCount : {1, 7, 300}) {
        std::vector<ClosedTrade> trades(static_cast<std::size_t>(tradeCount));
        std::vector<long long> nets;
        for (ClosedTrade& t : trades) {
            t.NetTenths = std::uniform_int_distribution<int>(-900, 1000)(rng);
            nets.push_back(t.NetTenths);
        }
        for (const int runs : {1, 19, 1000}) {
            const std::uint64_t seed = rng();
            const MonteCarloOutcome got = RunMonteCarlo(trades, runs, seed);
            const Reference want = PlainRuns(nets, runs, seed);
            SCOPED_TRACE(testing::Message() << tradeCount << " trades, " << runs << " runs");
            EXPECT_EQ(got.Runs, runs);
            EXPECT_EQ(got.FinalNet.P5, PlainRank(want.Finals, 5));
            EXPECT_EQ(got.FinalNet.P50, PlainRank(want.Finals, 50));
            EXPECT_EQ(got.FinalNet.P95, PlainRank(want.Finals, 95));
            EXPECT_EQ(got.MaxDrawdown.P5, PlainRank(want.Drawdowns, 5));
            EXPECT_EQ(got.MaxDrawdown.P50, PlainRank(want.Drawdowns, 50));
            EXPECT_EQ(got.MaxDrawdown.P95, PlainRank(want.Drawdowns, 95));
            EXPECT_EQ(got.LossShare, static_cast<long double>(want.Losing) / runs);
            EXPECT_EQ(std::vector<long long>(got.Drawdowns.begin(), got.Drawdowns.end()), want.Drawdowns);
        }
    }
}

TEST(MonteCarlo, AnEmptyListHasNoRuns)
{
    const MonteCarloOutcome out = RunMonteCarlo({}, 100, 1);
    EXPECT_EQ(out.Runs, 0);
    EXPECT_TRUE(out.Drawdowns.empty());
}

} // namespace
} // namespace quillet
