#include "cli/Commands.h"

#include "model/Errors.h"
#include "store/Startup.h"

#include <ostream>

namespace quillet::cli {

std::string WithTrailingSlash(std::string dir)
{
    if (dir.empty())
        return "./";
    if (dir.back() != '/')
        dir += '/';
    return dir;
}

std::string FolderOrDefault(const CLI::Option* option, const std::string& given)
{
    if (option->count() > 0)
        return WithTrailingSlash(given);
    return DataDir("./");
}

CLI::Validator NonEmptyFileName()
{
    return CLI::Validator(
        [](std::string& text) -> std::string {
            return text.empty() ? "FILE must not be empty" : std::string();
        },
        "");
}

int RunCli(int argc, const char* const* argv, std::ostream& out, std::ostream& err)
{
    Context ctx{out, err};
    CLI::App app{"Quillet_tester companion: build instrument bases, make demo data, run backtests"};
    app.require_subcommand(1);
    AddMakeBaseCommand(app, ctx);
    AddInfoCommand(app, ctx);
    AddDemoDataCommand(app, ctx);
    AddBacktestCommand(app, ctx);
    AddPortfolioCommand(app, ctx);
    AddSweepCommand(app, ctx);
    AddWalkForwardCommand(app, ctx);
    AddCheckCommand(app, ctx);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        const int code = e.get_exit_code();
        if (code == 0) {
            out << app.help();
            return 0;
        }
        err << e.what() << '\n';
        return kUsageError;
    } catch (const Error& e) {
        err << NamedErrorText(e) << '\n';
        return kFailure;
    }
    return ctx.exitCode;
}

} // namespace quillet::cli

namespace quillet::cli {
namespace {

// Points with one decimal within [lowest, highest] tenths.
CLI::Validator TenthsWithin(int lowest, int highest)
{
    return CLI::Validator(
        [lowest, highest](std::string& text) -> std::string {
            const std::optional<int> tenths = ParseTenths(text);
            if (!tenths)
                return "'" + text + "' is not a number of points with at most one decimal";
            if (*tenths < lowest || *tenths > highest)
                return text + " not within " + TenthsText(lowest, '.') + " to " + TenthsText(highest, '.');
            return {};
        },
        "POINTS");
}

} // namespace

TradeCosts CostOptions::Costs() const
{
    TradeCosts c;
    c.SpreadTenths = ParseTenths(spread).value_or(0);
    c.CommissionTenths = ParseTenths(commission).value_or(0);
    c.SwapLongTenths = ParseTenths(swapLong).value_or(0);
    c.SwapShortTenths = ParseTenths(swapShort).value_or(0);
    return c;
}

void AddCostOptions(CLI::App* cmd, CostOptions& costs)
{
    const auto given = [&costs](const std::string&) { costs.given = true; };
    cmd->add_option("--spread", costs.spread, "Spread in points (0.0 to 50.0); quotes are bid prices")
        ->check(TenthsWithin(0, kSpreadMaxTenths))
        ->each(given)
        ->capture_default_str();
    cmd->add_option("--commission", costs.commission, "Commission per trade in points (0.0 to 50.0)")
        ->check(TenthsWithin(0, kCommissionMaxTenths))
        ->each(given)
        ->capture_default_str();
    cmd->add_option("--swap-long", costs.swapLong,
                    "Swap per night held by a buy in points (-50.0 to 50.0; negative is a charge)")
        ->check(TenthsWithin(-kSwapLimitTenths, kSwapLimitTenths))
        ->each(given)
        ->capture_default_str();
    cmd->add_option("--swap-short", costs.swapShort,
                    "Swap per night held by a sell in points (-50.0 to 50.0; negative is a charge)")
        ->check(TenthsWithin(-kSwapLimitTenths, kSwapLimitTenths))
        ->each(given)
        ->capture_default_str();
}

} // namespace quillet::cli
