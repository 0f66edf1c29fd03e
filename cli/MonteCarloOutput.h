#pragma once
// The Monte Carlo of a command's trade list: its options, its JSON object
// and its plain lines.

#include "analysis/MonteCarlo.h"
#include "engine/ClosedTrade.h"

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <cstdint>
#include <optional>
#include <ostream>
#include <vector>

namespace quillet::cli {

struct MonteCarloOptions {
    std::optional<int> runs;
    std::uint64_t seed = kMonteCarloSeedDefault;
};

/// --monte-carlo N and --seed S (which needs --monte-carlo).
void AddMonteCarloOptions(CLI::App* cmd, MonteCarloOptions& opts);

/// A seed written as a whole number from 0 to 2^64 - 1, digits only; nothing
/// for any other text.
std::optional<std::uint64_t> ParseSeed(const std::string& text);

/// The runs the options ask for over the trades; nothing without --monte-carlo.
std::optional<MonteCarloOutcome> MonteCarloOf(const MonteCarloOptions& opts,
                                              const std::vector<ClosedTrade>& trades);

/// runs, seed, trades, final_net and max_drawdown (p5, p50, p95 in points)
/// and loss_share.
nlohmann::ordered_json MonteCarloJson(const MonteCarloOutcome& mc);

/// The same as lines of text.
void PrintMonteCarlo(std::ostream& os, const MonteCarloOutcome& mc);

} // namespace quillet::cli
