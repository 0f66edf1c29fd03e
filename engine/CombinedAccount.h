#pragma once
// Several instruments traded together with one set of parameters: each
// instrument's net, and the combined weekly account, in which every week's
// nets of all the instruments are added (a trade counts in its signal week).
// Its drawdown is the largest fall of the cumulative weekly net below its
// running maximum, which starts at 0; the profit factor and SQN are those
// of all the instruments' trades together.

#include "engine/ClosedTrade.h"
#include "engine/NetFolder.h"
#include "model/Units.h"

#include <cstdint>
#include <vector>

namespace quillet {

/// One trade as the combined account books it: its signal week and net.
struct WeekNet {
    int Week = 0;
    Tenths NetTenths = 0;
};

/// The figures of several instruments traded together.
struct CombinedFigures {
    /// Per instrument, in the order given: its net after costs and entries.
    std::vector<std::int64_t> PairNetTenths;
    std::vector<std::int64_t> PairEntries;
    /// The sums of every trade of every instrument (trades, net, squares,
    /// gross profit and loss, wins, losses); its peak and maximum drawdown
    /// are those of the weekly account. The losing streaks are not kept:
    /// trades of one week have no order across instruments.
    NetFolder All;

    /// The instrument with the lowest net (the first of equals); -1 without any.
    int WorstPair() const;
    std::int64_t WorstNetTenths() const;
    /// Instruments whose net is above 0.
    int ProfitablePairs() const;
};

/// The combined figures of each instrument's trades in week order.
CombinedFigures CombineWeekNets(const std::vector<std::vector<WeekNet>>& pairs);

/// The same for each instrument's closed trades.
CombinedFigures CombineTrades(const std::vector<std::vector<ClosedTrade>>& pairs);

/// The trades of all instruments in one list, by signal week and, within a
/// week, in the order of the instruments; `pairOf` (when given) receives the
/// instrument of each.
std::vector<ClosedTrade> JoinByWeek(const std::vector<std::vector<ClosedTrade>>& pairs,
                                    std::vector<int>* pairOf = nullptr);

} // namespace quillet
