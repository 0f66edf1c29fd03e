#include "engine/CombinedAccount.h"

#include <algorithm>

namespace quillet {

int CombinedFigures::WorstPair() const
{
    if (PairNetTenths.empty())
        return -1;
    return static_cast<int>(std::min_element(PairNetTenths.begin(), PairNetTenths.end()) -
                            PairNetTenths.begin());
}

std::int64_t CombinedFigures::WorstNetTenths() const
{
    const int worst = WorstPair();
    return worst < 0 ? 0 : PairNetTenths[static_cast<std::size_t>(worst)];
}

int CombinedFigures::ProfitablePairs() const
{
    return static_cast<int>(
        std::count_if(PairNetTenths.begin(), PairNetTenths.end(), [](std::int64_t net) { return net > 0; }));
}

CombinedFigures CombineWeekNets(const std::vector<std::vector<WeekNet>>& pairs)
{
    CombinedFigures f;
    std::vector<WeekNet> all;
    for (const std::vector<WeekNet>& trades : pairs) {
        std::int64_t net = 0;
        for (const WeekNet& t : trades) {
            net += t.NetTenths;
            all.push_back(t);
        }
        f.PairNetTenths.push_back(net);
        f.PairEntries.push_back(static_cast<std::int64_t>(trades.size()));
    }
    std::stable_sort(all.begin(), all.end(),
                     [](const WeekNet& a, const WeekNet& b) { return a.Week < b.Week; });
    // The sums trade by trade; the drawdown only at the end of each week.
    NetFolder& a = f.All;
    for (std::size_t i = 0; i < all.size(); ++i) {
        const std::int64_t net = all[i].NetTenths;
        ++a.Trades;
        a.NetTenths += net;
        a.SquaresTenths += static_cast<long double>(net) * static_cast<long double>(net);
        if (net > 0) {
            a.GrossProfitTenths += net;
            ++a.Wins;
        } else if (net < 0) {
            a.GrossLossTenths -= net;
            ++a.Losses;
        }
        if (i + 1 == all.size() || all[i + 1].Week != all[i].Week)
            FollowDrawdown(a.NetTenths, a.Peak, a.MaxDrawdownTenths);
    }
    return f;
}

CombinedFigures CombineTrades(const std::vector<std::vector<ClosedTrade>>& pairs)
{
    std::vector<std::vector<WeekNet>> nets(pairs.size());
    for (std::size_t k = 0; k < pairs.size(); ++k)
        for (const ClosedTrade& t : pairs[k])
            nets[k].push_back({t.Week, t.NetTenths});
    return CombineWeekNets(nets);
}

std::vector<ClosedTrade> JoinByWeek(const std::vector<std::vector<ClosedTrade>>& pairs,
                                    std::vector<int>* pairOf)
{
    struct At {
        int Week, Pair;
        std::size_t Index;
    };
    std::vector<At> order;
    for (std::size_t k = 0; k < pairs.size(); ++k)
        for (std::size_t i = 0; i < pairs[k].size(); ++i)
            order.push_back({pairs[k][i].Week, static_cast<int>(k), i});
    std::stable_sort(order.begin(), order.end(), [](const At& a, const At& b) { return a.Week < b.Week; });
    std::vector<ClosedTrade> joined;
    joined.reserve(order.size());
    if (pairOf)
        pairOf->clear();
    for (const At& at : order) {
        joined.push_back(pairs[static_cast<std::size_t>(at.Pair)][at.Index]);
        if (pairOf)
            pairOf->push_back(at.Pair);
    }
    return joined;
}

} // namespace quillet
