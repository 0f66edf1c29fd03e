// The Monte Carlo on the command line.

#include "cli/MonteCarloOutput.h"

#include "cli/TradesOutput.h"
#include "model/TradeCosts.h"
#include "report/FigureTexts.h"

#include <charconv>
#include <string>

namespace quillet::cli {
namespace {

nlohmann::ordered_json PercentilesJson(const Percentiles& p)
{
    return {{"p5", TenthsJson(p.P5)}, {"p50", TenthsJson(p.P50)}, {"p95", TenthsJson(p.P95)}};
}

std::string PercentilesText(const Percentiles& p)
{
    return TenthsText(p.P5) + " / " + TenthsText(p.P50) + " / " + TenthsText(p.P95);
}

} // namespace

void AddMonteCarloOptions(CLI::App* cmd, MonteCarloOptions& opts)
{
    cmd->add_option("--monte-carlo", opts.runs,
                    "Also draw the trades again with replacement N times (" +
                        std::to_string(kMonteCarloRunsDefault) + " is usual) and print the percentiles")
        ->type_name("N")
        ->check(CLI::Range(1, kMonteCarloRunsMax));
    CLI::Option* runs = cmd->get_option("--monte-carlo");
    // Read as text: CLI11 would wrap a negative seed and clamp one beyond 64 bits.
    cmd->add_option_function<std::string>(
           "--seed", [&opts](const std::string& text) { opts.seed = *ParseSeed(text); },
           "Seed of the Monte Carlo's draws, 0 to 18446744073709551615 (default: " +
               std::to_string(kMonteCarloSeedDefault) + ")")
        ->type_name("S")
        ->needs(runs)
        ->check(CLI::Validator(
            [](std::string& text) -> std::string {
                return ParseSeed(text) ? std::string()
                                       : "'" + text + "' is not a seed from 0 to 18446744073709551615";
            },
            ""));
}

std::optional<std::uint64_t> ParseSeed(const std::string& text)
{
    std::uint64_t seed = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), seed);
    if (text.empty() || text.front() == '-' || text.front() == '+' || ec != std::errc() ||
        end != text.data() + text.size())
        return std::nullopt;
    return seed;
}

std::optional<MonteCarloOutcome> MonteCarloOf(const MonteCarloOptions& opts,
                                              const std::vector<ClosedTrade>& trades)
{
    if (!opts.runs)
        return std::nullopt;
    return RunMonteCarlo(trades, *opts.runs, opts.seed);
}

nlohmann::ordered_json MonteCarloJson(const MonteCarloOutcome& mc)
{
    nlohmann::ordered_json doc = {{"runs", mc.Runs}, {"seed", mc.Seed}, {"trades", mc.TradesPerRun}};
    if (mc.Runs == 0) {
        doc["final_net"] = nullptr;
        doc["max_drawdown"] = nullptr;
        doc["loss_share"] = nullptr;
        return doc;
    }
    doc["final_net"] = PercentilesJson(mc.FinalNet);
    doc["max_drawdown"] = PercentilesJson(mc.MaxDrawdown);
    doc["loss_share"] = static_cast<double>(mc.LossShare);
    return doc;
}

void PrintMonteCarlo(std::ostream& os, const MonteCarloOutcome& mc)
{
    os << "Монте-Карло: " << mc.Runs << " прогонов по " << mc.TradesPerRun << " сделок, зерно " << mc.Seed
       << '\n';
    if (mc.Runs == 0) {
        os << "  нет сделок\n";
        return;
    }
    os << "  итог, п (5% / 50% / 95%): " << PercentilesText(mc.FinalNet) << '\n';
    os << "  макс. просадка, п (5% / 50% / 95%): " << PercentilesText(mc.MaxDrawdown) << '\n';
    os << "  прогонов с итогом <= 0: " << RatioFigureText(mc.LossShare * 100, 1) << "%\n";
}

} // namespace quillet::cli
