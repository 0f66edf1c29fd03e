#pragma once
// Several random instruments at random costs, for the tests of the sweep and
// the walk-forward analysis over several instruments.

#include "engine/MultiSweep.h"
#include "support/RandomPair.h"

#include <memory>
#include <random>
#include <vector>

namespace quillet::test {

struct Market {
    std::unique_ptr<InstrumentTable> Table = std::make_unique<InstrumentTable>();
    std::vector<const Instrument*> Instruments;
    std::vector<PairSetup> Pairs;
};

// Up to four random instruments, yen and others, each at its own costs;
// a spread up to 3 points leaves the smallest stop-losses out on some.
inline Market MakeMarket(std::mt19937_64& rng, int count)
{
    static const char* const kNames[] = {"EURUSD", "GBPJPY", "AUDUSD", "EURJPY"};
    auto pick = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    Market m;
    for (int k = 0; k < count; ++k) {
        RandomPairShape shape;
        shape.Name = kNames[k];
        shape.Seed = rng();
        shape.Weeks = pick(30, 70);
        if (shape.Name.find("JPY") != std::string::npos) {
            shape.Point = 0.01;
            shape.Start = 150;
        }
        MakeRandomPair((*m.Table)[k + 1], shape);
        m.Instruments.push_back(&(*m.Table)[k + 1]);
        const TradeCosts costs = pick(0, 3) == 0
                                     ? TradeCosts{}
                                     : TradeCosts{pick(0, 30), pick(0, 20), pick(-30, 30), pick(-30, 30)};
        m.Pairs.push_back({shape.Name, costs});
    }
    return m;
}

} // namespace quillet::test
