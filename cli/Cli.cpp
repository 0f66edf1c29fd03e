#include "cli/Commands.h"

#include "model/Errors.h"
#include "model/Instrument.h"
#include "store/SpreadFile.h"
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
    AddOverfitCommand(app, ctx);
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

// A spread within its range, or the word for the spread of each hour.
CLI::Validator SpreadWithin()
{
    const CLI::Validator tenths = TenthsWithin(0, kSpreadMaxTenths);
    return CLI::Validator(
        [tenths](std::string& text) -> std::string {
            if (text == kRecordedSpreadOption)
                return {};
            const std::string error = tenths(text);
            return error.empty() ? error : error + ", nor " + kRecordedSpreadOption;
        },
        "");
}

} // namespace

TradeCosts CostOptions::Costs() const
{
    TradeCosts c;
    c.SpreadRecorded = spread == kRecordedSpreadOption;
    c.SpreadTenths = ParseTenths(spread).value_or(0);
    c.CommissionTenths = ParseTenths(commission).value_or(0);
    c.SwapLongTenths = ParseTenths(swapLong).value_or(0);
    c.SwapShortTenths = ParseTenths(swapShort).value_or(0);
    return c;
}

const RecordedSpread* CostOptions::RecordedSpreadOf(const TradeCosts& costs, const std::string& file,
                                                    int slot) const
{
    if (!costs.SpreadRecorded)
        return nullptr;
    const RecordedSpread& recorded = quillet::Table().Spread(slot);
    if (!recorded.Empty())
        return &recorded;
    const std::string why = recorded.Problem().empty()
                                ? "no file '" + SpreadFilePath(file) +
                                      "' beside it (an hourly import with a <SPREAD> column writes one)"
                                : recorded.Problem();
    throw CLI::ValidationError(this->file ? "--costs" : "--spread",
                               "'" + file + "' has no recorded spread: " + why);
}

void AddCostOptions(CLI::App* cmd, CostOptions& costs)
{
    const auto given = [&costs](const std::string&) { costs.given = costs.fromOptions = true; };
    cmd->add_option("--spread", costs.spread,
                    "Spread in points (0.0 to 50.0), or recorded: each hour's from FILE's .spread beside it; "
                    "quotes are bid prices")
        ->type_name("P|recorded")
        ->check(SpreadWithin())
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
    cmd->add_option(
           "--costs", costs.file,
           "Costs of each instrument from FILE, a costs file as the window keeps it (NAME SPREAD "
           "COMMISSION SWAP-LONG SWAP-SHORT per line); an instrument without a line trades at zero costs")
        ->type_name("FILE")
        ->check(NonEmptyFileName())
        ->each([&costs](const std::string&) { costs.given = true; });
}

} // namespace quillet::cli
