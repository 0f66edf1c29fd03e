// backtest: the single-pair run over one ".base" file, with the options of
// the window's controls, printed as the window's captions or as JSON.

#include "cli/Commands.h"
#include "cli/MonteCarloOutput.h"
#include "cli/ReportOutput.h"
#include "cli/SweepOptions.h"
#include "cli/TradesOutput.h"

#include "analysis/TradeStats.h"
#include "engine/BacktestParams.h"
#include "engine/SinglePair.h"
#include "model/ControlRanges.h"
#include "model/Dates.h"
#include "model/Errors.h"
#include "model/Instrument.h"
#include "model/TradeCosts.h"
#include "report/Catalogue.h"
#include "report/DataCheckTexts.h"
#include "report/FigureTexts.h"
#include "report/HtmlReport.h"
#include "report/ReportCaptions.h"
#include "report/SinglePairReport.h"
#include "report/SinglePairRun.h"
#include "report/SweepTexts.h"
#include "store/Files.h"

#include <nlohmann/json.hpp>

#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace quillet::cli {
namespace {

struct Options {
    std::string file;
    int signal = kSignalControl.Default;
    int stopLoss = kStopLossControl.Default;
    int takeProfit = kTakeProfitControl.Default;
    std::optional<int> hold;
    std::vector<int> range;
    bool log = false;
    bool json = false;
    std::optional<std::string> trades; // where the trade list goes as CSV; "-" for standard output
    std::optional<std::string> report; // where the HTML report goes
    CostOptions costs;
    MonteCarloOptions monteCarlo;
};

void CheckRange(const std::vector<int>& range)
{
    if (range.empty())
        return;
    if (const std::string error = WeekRangeError(range[0], range[1]); !error.empty())
        throw CLI::ValidationError("--range", error);
}

const std::string& LabelValue(const SinglePairReport& report, const char* label)
{
    for (const LabelText& l : report.Labels)
        if (l.Label == label)
            return l.Text;
    static const std::string none;
    return none;
}

// The costs and the figures after them, below the captions.
void PrintFigures(const TradeCosts& costs, const TradeStats& stats, std::ostream& out)
{
    out << TradeCostsCaption(costs) << '\n';
    for (const FigureText& figure : FigureTexts(stats))
        out << FigureCaption(figure) << ": " << figure.Value << '\n';
    for (const YearFigures& y : stats.ByYear)
        out << "  " << y.Year << ": сделок " << y.Trades << ", прибыльных " << y.Wins << ", итог "
            << TenthsText(y.NetTenths) << " пп, просадка " << TenthsText(y.MaxDrawdownTenths) << " пп\n";
}

// The options stand for the page's controls, with the file as its only pair.
BacktestParams ParamsOf(const Options& opts, const Instrument& inst, std::ostream& err)
{
    SinglePairControls controls;
    controls.Slot = 1;
    controls.PairName = ShortStringText(inst.Name);
    controls.SignalPosition = opts.signal;
    controls.StopLossPosition = opts.stopLoss;
    controls.TakeProfitPosition = opts.takeProfit;
    controls.HoldLimited = opts.hold.has_value();
    controls.HoldPosition = opts.hold.value_or(kHoldControl.Max);
    controls.RangeRestricted = !opts.range.empty();
    if (controls.RangeRestricted) {
        controls.FirstWeekPosition = opts.range[0];
        controls.LastWeekPosition = opts.range[1];
    }
    controls.LogEnabled = opts.log;
    BacktestParams params = ParamsFromControls(controls);
    params.Costs = opts.costs.CostsOf(params.PairName, err);
    params.Spread = opts.costs.RecordedSpreadOf(params.Costs, opts.file, 1);
    try {
        CheckCosts(params, inst);
    } catch (const Error& e) {
        throw CLI::ValidationError(opts.costs.file ? "--costs" : "--spread", e.what());
    }
    return params;
}

// What a run left: its totals, log lines, notices, progress steps and trades.
struct RunRecord {
    BacktestResult Result;
    std::vector<std::string> Log;
    std::vector<std::string> Notices;
    int Progress = 0;
    std::vector<ClosedTrade> Trades;
    DataCheck Data; // of the weeks the run used
};

RunRecord Run(const BacktestParams& params, const Instrument& inst)
{
    RunRecord run;
    TradeCollector collect(run.Trades);
    RunSinglePairBacktest(
        params, inst, run.Result, [&run](const std::string& line) { run.Log.push_back(line); },
        [&run] { ++run.Progress; }, [&run](const std::string& text) { run.Notices.push_back(text); },
        collect);
    return run;
}

void PrintJson(const Options& opts, const BacktestParams& params, const RunRecord& run,
               const SinglePairReport& report, const std::optional<MonteCarloOutcome>& mc, std::ostream& out)
{
    nlohmann::ordered_json labels = nlohmann::ordered_json::object();
    for (const LabelText& l : report.Labels)
        labels[l.Label] = l.Text;
    nlohmann::ordered_json doc = {
        {"pair", params.PairName}, {"result", ResultJson(run.Result)}, {"labels", labels},
        {"log", run.Log},          {"notices", run.Notices},           {"progress", run.Progress},
    };
    doc["trades"] = TradesJson(run.Trades, opts.costs.given, params.Costs.SpreadRecorded);
    if (opts.costs.given) {
        doc["costs"] = CostsJson(params.Costs);
        doc["stats"] = StatsJson(ComputeTradeStats(run.Trades));
    }
    if (mc)
        doc["monte_carlo"] = MonteCarloJson(*mc);
    if (const std::string line = DataCheckLine(run.Data); !line.empty())
        doc["data_check"] = {{"line", line},
                             {"hours_present", run.Data.PresentHours},
                             {"hours_expected", run.Data.ExpectedHours},
                             {"thin_weeks", run.Data.ThinWeeks.size()},
                             {"spikes_in_wicks", run.Data.WickSpikes()}};
    out << doc.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << '\n';
}

// The page's captions and values, then the figures, the log and the notices.
void PrintPlain(const Options& opts, const BacktestParams& params, const RunRecord& run,
                const SinglePairReport& report, const std::optional<MonteCarloOutcome>& mc, std::ostream& out)
{
    out << "Инструмент: " << params.PairName << '\n';
    for (const CaptionLine& line : kCaptionLines) {
        if (line.Indented)
            out << "  ";
        out << line.Caption;
        if (line.Label)
            out << ": " << LabelValue(report, line.Label);
        out << '\n';
    }
    if (opts.costs.given)
        PrintFigures(params.Costs, ComputeTradeStats(run.Trades), out);
    // Said only when the weeks used have holes or spikes.
    if (const std::string line = DataCheckLine(run.Data); !line.empty())
        out << line << '\n';
    for (const std::string& line : run.Log)
        out << line << '\n';
    for (const std::string& text : run.Notices)
        out << text << '\n';
    if (mc)
        PrintMonteCarlo(out, *mc);
}

// Only one of --json, --trades - and --report - may write to standard output.
void CheckStandardOutput(const Options& opts)
{
    if (opts.trades == "-" && opts.json)
        throw CLI::ValidationError("--trades", "- and --json cannot both write to standard output");
    if (opts.report == "-" && (opts.json || opts.trades == "-"))
        throw CLI::ValidationError("--report", "- cannot share standard output with --json or --trades -");
}

void RunBacktest(const Options& opts, Context& ctx)
{
    CheckRange(opts.range);
    CheckStandardOutput(opts);
    // A stop signal ends the command between its steps, never in the middle
    // of a file: the old one stays whole and the temporary one goes.
    const InterruptGuard interrupts;
    // A fresh process has imported nothing, so dates show in the start-up
    // format; slot 1 holds nothing but the file.
    SetActiveDateFormat(kRegionalDateFormat);
    LoadInstrumentForRun(opts.file, 1);
    const Instrument& inst = Table()[1];
    const BacktestParams params = ParamsOf(opts, inst, ctx.err);

    RunRecord run = Run(params, inst);
    run.Data = RunDataCheck(inst, params.FirstWeek, params.LastWeek);
    const SinglePairReport report = MakeSinglePairReport(params, run.Result);
    if (params.LogEnabled)
        run.Log.push_back(report.ClosingLine);
    const std::optional<MonteCarloOutcome> mc = MonteCarloOf(opts.monteCarlo, run.Trades);

    // The report is a file of its own, whatever goes to standard output;
    // "-" puts it alone there.
    if (opts.report &&
        (!WriteFileOrSay(*opts.report,
                         MakeBacktestReport(params, run.Result, run.Trades, inst, mc ? &*mc : nullptr).Html(),
                         ctx) ||
         *opts.report == "-"))
        return;

    // Then the trade list: a file that cannot be written fails the command, and "-" puts the list alone on
    // standard output.
    if (opts.trades) {
        if (!WriteTradesCsv(*opts.trades, run.Trades, ctx, opts.costs.given, params.Costs.SpreadRecorded) ||
            *opts.trades == "-")
            return;
    }
    if (StoppedBySignal(ctx))
        return;
    if (opts.json)
        PrintJson(opts, params, run, report, mc, ctx.out);
    else
        PrintPlain(opts, params, run, report, mc, ctx.out);
}

} // namespace

void AddBacktestCommand(CLI::App& app, Context& ctx)
{
    auto opts = std::make_shared<Options>();
    CLI::App* cmd =
        app.add_subcommand("backtest", "Run the single-pair backtest over one .base file (slot 1)");
    cmd->add_option("FILE", opts->file, "The .base file; its instrument name decides the point size")
        ->required();
    cmd->add_option("--signal", opts->signal, "Smallest weekly body that signals, in points")
        ->check(CLI::Range(kSignalControl.Min, kSignalControl.Max))
        ->capture_default_str();
    cmd->add_option("--sl", opts->stopLoss, "Stop-loss distance, in points")
        ->check(CLI::Range(kStopLossControl.Min, kStopLossControl.Max))
        ->capture_default_str();
    cmd->add_option("--tp", opts->takeProfit, "Take-profit distance, in points")
        ->check(CLI::Range(kTakeProfitControl.Min, kTakeProfitControl.Max))
        ->capture_default_str();
    cmd->add_option("--hold", opts->hold,
                    "Hold a position over at most H hourly candles (" + RangeText(kHoldControl, "..") +
                        "; default: " + std::to_string(kHoldControl.Max) + ")")
        ->check(CLI::Range(kHoldControl.Min, kHoldControl.Max));
    cmd->add_option("--range", opts->range,
                    "Analyse weeks FIRST (" + RangeText(kFirstWeekControl, "..") + ") to LAST (" +
                        RangeText(kLastWeekControl, "..") + ") only")
        ->expected(2)
        ->type_name("FIRST LAST");
    cmd->add_flag("--log", opts->log, "Write the work log");
    cmd->add_flag("--json", opts->json,
                  "Print one JSON object: pair, result, labels, log, notices, progress, trades (and costs "
                  "and stats with a cost option)");
    cmd->add_option("--trades", opts->trades,
                    "Write the trade list as CSV to FILE (- for standard output, in place of the report)")
        ->type_name("FILE")
        ->check(NonEmptyFileName());
    AddCostOptions(cmd, opts->costs);
    cmd->add_option("--report", opts->report,
                    "Write the report as one HTML file to FILE (- for standard output, in place of the rest)")
        ->type_name("FILE")
        ->check(NonEmptyFileName());
    AddMonteCarloOptions(cmd, opts->monteCarlo);
    cmd->callback([opts, &ctx] { RunBacktest(*opts, ctx); });
}

} // namespace quillet::cli
