#include "engine/NetFolder.h"

#include <cmath>
#include <limits>

namespace quillet {
namespace {

Ratio Quotient(long double numerator, long double divisor)
{
    if (divisor == 0)
        return std::nullopt;
    return numerator / divisor;
}

using U128 = unsigned __int128;

// A 256-bit product of two 128-bit numbers, as its high and low halves.
struct U256 {
    U128 High, Low;
};

U256 Multiply(U128 a, U128 b)
{
    const U128 mask = std::numeric_limits<std::uint64_t>::max();
    const U128 a0 = a & mask, a1 = a >> 64, b0 = b & mask, b1 = b >> 64;
    const U128 low = a0 * b0, middleA = a1 * b0, middleB = a0 * b1, high = a1 * b1;
    // The middle terms and the carries of the low half into the high one.
    const U128 middle = (low >> 64) + (middleA & mask) + (middleB & mask);
    return {high + (middleA >> 64) + (middleB >> 64) + (middle >> 64), (middle << 64) | (low & mask)};
}

// SQN squared as a fraction of exact integers: net^2 (n - 1) / (n squares -
// net^2); false when the sums lie beyond what the integers hold exactly
// (corrupt quotes only).
bool SquaredSqn(const NetFolder& f, U128& numerator, U128& divisor)
{
    constexpr std::int64_t kNetLimit = std::int64_t{1} << 40;
    constexpr std::int64_t kTradesLimit = std::int64_t{1} << 24;
    constexpr long double kSquaresLimit = 18446744073709551615.0L; // 2^64 - 1
    if (f.NetTenths <= -kNetLimit || f.NetTenths >= kNetLimit || f.Trades >= kTradesLimit ||
        !(f.SquaresTenths >= 0 && f.SquaresTenths <= kSquaresLimit))
        return false;
    const U128 net = static_cast<U128>(f.NetTenths < 0 ? -f.NetTenths : f.NetTenths);
    const U128 squares = static_cast<U128>(static_cast<std::uint64_t>(f.SquaresTenths));
    const U128 trades = static_cast<U128>(f.Trades);
    numerator = net * net * (trades - 1);
    const U128 spread = trades * squares;
    if (spread <= net * net)
        return false;
    divisor = spread - net * net;
    return true;
}

} // namespace

int CompareSqn(const NetFolder& a, const NetFolder& b)
{
    const int signA = (a.NetTenths > 0) - (a.NetTenths < 0);
    const int signB = (b.NetTenths > 0) - (b.NetTenths < 0);
    if (signA != signB)
        return signA < signB ? -1 : 1;
    U128 numeratorA = 0, divisorA = 1, numeratorB = 0, divisorB = 1;
    if (signA == 0)
        return 0;
    if (!SquaredSqn(a, numeratorA, divisorA) || !SquaredSqn(b, numeratorB, divisorB)) {
        const long double sqnA = Sqn(a).value_or(0), sqnB = Sqn(b).value_or(0);
        return (sqnA > sqnB) - (sqnA < sqnB);
    }
    // The squares' order, turned round for losses.
    const U256 left = Multiply(numeratorA, divisorB), right = Multiply(numeratorB, divisorA);
    const int squares = left.High != right.High ? (left.High > right.High ? 1 : -1)
                        : left.Low != right.Low ? (left.Low > right.Low ? 1 : -1)
                                                : 0;
    return signA > 0 ? squares : -squares;
}

void NetFolder::Add(std::int64_t net)
{
    ++Trades;
    NetTenths += net;
    SquaresTenths += static_cast<long double>(net) * static_cast<long double>(net);
    if (net > 0) {
        GrossProfitTenths += net;
        ++Wins;
    } else if (net < 0) {
        GrossLossTenths -= net;
        ++Losses;
    }
    LosingStreak = net < 0 ? LosingStreak + 1 : 0;
    LongestLosingStreak = std::max(LongestLosingStreak, LosingStreak);
    FollowDrawdown(NetTenths, Peak, MaxDrawdownTenths);
}

Ratio ProfitFactor(const NetFolder& f)
{
    return Quotient(f.GrossProfitTenths, f.GrossLossTenths);
}

Ratio Expectancy(const NetFolder& f)
{
    return Quotient(f.NetTenths, 10.0L * f.Trades);
}

Ratio WinRate(const NetFolder& f)
{
    return Quotient(f.Wins, f.Trades);
}

Ratio AverageWin(const NetFolder& f)
{
    return Quotient(f.GrossProfitTenths, 10.0L * f.Wins);
}

Ratio AverageLoss(const NetFolder& f)
{
    return Quotient(f.GrossLossTenths, 10.0L * f.Losses);
}

Ratio RecoveryFactor(const NetFolder& f)
{
    return Quotient(f.NetTenths, f.MaxDrawdownTenths);
}

Ratio Sqn(const NetFolder& f)
{
    if (f.Trades < 2)
        return std::nullopt;
    // n * (sum of squares) - sum^2 is n^2 times the population variance:
    // exact in extended precision for any real account, and 0 exactly when
    // every net is the same.
    const long double net = static_cast<long double>(f.NetTenths);
    const long double spread = static_cast<long double>(f.Trades) * f.SquaresTenths - net * net;
    if (spread <= 0)
        return std::nullopt;
    return static_cast<long double>(f.NetTenths) * std::sqrt(static_cast<long double>(f.Trades - 1)) /
           std::sqrt(spread);
}

} // namespace quillet
