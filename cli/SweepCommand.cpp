// sweep: the single-pair run over every combination of a grid of the page's
// parameters, with the best rows on standard output (as a table or JSON) and
// optionally every combination as CSV.

#include "cli/Commands.h"
#include "cli/PairsCommands.h"
#include "cli/SweepOptions.h"
#include "cli/TradesOutput.h"

#include "engine/Parallel.h"
#include "engine/ResultFields.h"
#include "engine/Sweep.h"
#include "model/ControlRanges.h"
#include "model/Errors.h"
#include "model/Instrument.h"
#include "model/Numbers.h"
#include "model/TradeCosts.h"
#include "report/Catalogue.h"
#include "report/SweepTexts.h"
#include "store/Files.h"

#include <nlohmann/json.hpp>

#include <atomic>
#include <charconv>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <functional>
#include <iostream>
#include <iterator>
#include <map>
#include <memory>
#include <optional>
#include <ostream>
#include <stop_token>
#include <string>
#include <vector>

#include <unistd.h>

namespace quillet::cli {
namespace {

using Options = SweepCommandOptions;

// --- The CSV ------------------------------------------------------------------------

void Append(std::string& out, long long value)
{
    char buf[24];
    const auto end = std::to_chars(buf, buf + sizeof buf, value).ptr;
    out.append(buf, end);
}

// A ratio as a decimal with "." (the CSV's own separator is ","), exact
// enough to read back the same double; empty where it has no value.
void AppendRatio(std::string& out, long double value)
{
    if (std::isnan(value))
        return;
    char buf[40];
    const auto end = std::to_chars(buf, buf + sizeof buf, static_cast<double>(value)).ptr;
    out.append(buf, end);
}

// Everything of a row after its signal value: the signal values of one
// group share it, so it is formed once per group.
void AppendRowTail(std::string& out, const SweptColumn& c, const BacktestResult& r, std::int64_t costTenths,
                   bool withCosts)
{
    out += ',';
    Append(out, c.StopLoss);
    out += ',';
    Append(out, c.TakeProfit);
    out += ',';
    if (c.Hold)
        Append(out, *c.Hold);
    else
        out += "off";
    for (const ResultField& field : kResultFields) {
        out += ',';
        if (field.Flag)
            out += r.*field.Flag ? "true" : "false";
        else
            Append(out, r.*field.Count);
    }
    out += ',';
    const SweepFigures f = FiguresOf(r, c.StopLoss, c.TakeProfit);
    Append(out, f.Net);
    out += ',';
    AppendRatio(out, f.Profitability);
    out += ',';
    AppendRatio(out, f.TpShare);
    if (withCosts) {
        out += ',';
        out += TenthsText(f.Net * 10 - costTenths, '.');
    }
    out += '\n';
}

// The rows of one column of the grid, by signal value; a stop-loss within
// the spread (the one, or an entry's recorded one) is no combination to
// trade and has none.
void AppendColumnRows(std::string& out, const SweptColumn& c, int firstSignal, bool withCosts)
{
    if (!c.Folded)
        return;
    const SweepTable::Column& col = *c.Folded;
    std::string tail;
    for (int g = col.FirstClearedGroup; g < col.GroupCount(); ++g) {
        tail.clear();
        AppendRowTail(tail, c, col.Group(g), col.CostTenths[static_cast<std::size_t>(g)], withCosts);
        for (int lane = col.FirstLaneOfGroup[g]; lane < col.FirstLaneOfGroup[g + 1]; ++lane) {
            Append(out, firstSignal + lane);
            out += tail;
        }
    }
}

std::string CsvHeader(bool withCosts)
{
    std::string header = "signal,sl,tp,hold";
    for (const ResultField& field : kResultFields)
        header += "," + std::string(field.Name);
    header += withCosts ? ",net,profitability,tp_share,net_after_costs\n" : ",net,profitability,tp_share\n";
    return header;
}

// --- Output ----------------------------------------------------------------------

// A ratio as a JSON number, null where it has no value.
nlohmann::ordered_json Ratio(long double value)
{
    if (std::isnan(value))
        return nullptr;
    return static_cast<double>(value);
}

nlohmann::ordered_json AxisJson(const AxisRange& a)
{
    return nlohmann::ordered_json::array({a.First, a.Last});
}

// The figures after costs of a row or its forward check.
void AddCostFigures(nlohmann::ordered_json& doc, const SweepFigures& f)
{
    doc["net_after_costs"] = TenthsJson(f.NetTenths);
    doc["profit_factor"] = Ratio(f.ProfitFactor);
    doc["recovery_factor"] = Ratio(f.RecoveryFactor);
    doc["sqn"] = Ratio(f.Sqn);
    doc["max_drawdown"] = TenthsJson(f.MaxDrawdownTenths);
}

void PrintJson(const SweepParams& params, const SweepOutcome& out, bool withCosts, std::ostream& os)
{
    using json = nlohmann::ordered_json;
    const SweepGrid& g = params.Grid;
    json grid = {
        {"signal", AxisJson(g.Signal)},
        {"sl", AxisJson(g.StopLoss)},
        {"tp", AxisJson(g.TakeProfit)},
        {"hold", g.Hold ? AxisJson(*g.Hold) : json("off")},
        {"range", json::array({params.Weeks.First, params.Weeks.Last})},
        {"forward",
         params.Forward ? json::array({params.Forward->First, params.Forward->Last}) : json(nullptr)},
        {"min_entries", params.MinEntries},
        {"combinations", out.Combinations},
    };
    if (out.LeftOut > 0)
        grid["left_out"] = out.LeftOut;
    json top = json::array();
    for (const SweepRow& row : out.Best) {
        json forward = nullptr;
        if (row.Forward)
            forward = {
                {"result", ResultJson(*row.Forward)},
                {"net", row.ForwardFigures->Net},
                {"profitability", Ratio(row.ForwardFigures->Profitability)},
                {"tp_share", Ratio(row.ForwardFigures->TpShare)},
            };
        if (row.Forward && withCosts)
            AddCostFigures(forward, *row.ForwardFigures);
        top.push_back({
            {"signal", row.Signal},
            {"sl", row.StopLoss},
            {"tp", row.TakeProfit},
            {"hold", row.Hold ? json(*row.Hold) : json(nullptr)},
            {"result", ResultJson(row.Result)},
            {"net", row.Figures.Net},
            {"profitability", Ratio(row.Figures.Profitability)},
            {"tp_share", Ratio(row.Figures.TpShare)},
            {"forward", forward},
        });
        if (withCosts)
            AddCostFigures(top.back(), row.Figures);
    }
    json doc = {
        {"pair", params.PairName}, {"grid", grid}, {"metric", NameOf(params.Metric).Option}, {"top", top}};
    if (withCosts)
        doc["costs"] = CostsJson(params.Costs);
    os << doc.dump(2, ' ', false, json::error_handler_t::replace) << '\n';
}

void PrintTable(const SweepParams& params, const SweepOutcome& out, bool withCosts, std::ostream& os)
{
    const SweepGrid& g = params.Grid;
    auto axis = [](const AxisRange& a) { return std::to_string(a.First) + ".." + std::to_string(a.Last); };
    os << "Инструмент: " << params.PairName << '\n';
    os << "Сигнальная свеча " << axis(g.Signal) << ", Stop Loss " << axis(g.StopLoss) << ", Take Profit "
       << axis(g.TakeProfit) << ", удержание " << (g.Hold ? axis(*g.Hold) : std::string("без ограничения"))
       << '\n';
    os << "Недели " << params.Weeks.First << ".." << params.Weeks.Last;
    if (params.Forward)
        os << ", проверка на неделях " << params.Forward->First << ".." << params.Forward->Last;
    os << "; комбинаций: " << out.Combinations;
    if (out.LeftOut > 0)
        os << " (" << LeftOutText(out.LeftOut) << ')';
    os << "; не меньше " << params.MinEntries << " входов\n";
    if (withCosts)
        os << TradeCostsCaption(params.Costs) << '\n';
    std::vector<BestTableLine> rows;
    for (const SweepRow& row : out.Best)
        rows.push_back({BestRowCells(row), {}, row.Forward.has_value()});
    PrintBestTable(os, kBestRowColumns, kForwardColumns, {}, params.Forward.has_value(), rows);
}

// --- The command -----------------------------------------------------------------

SweepParams SweepParamsOf(const Options& opts, const Instrument& inst, std::ostream& err)
{
    SweepParams params;
    params.PairName = ShortStringText(inst.Name);
    FillSweepParams(opts, params);
    params.Metric = opts.grid.SingleMetric();
    params.Costs = opts.costs.CostsOf(params.PairName, err);
    params.Spread = opts.costs.RecordedSpreadOf(params.Costs, opts.pairs.files[0], 1);
    return params;
}

// The grid's size, and a warning when the forward weeks are swept too.
void SayWhatIsSwept(const SweepParams& params, std::ostream& err)
{
    const std::int64_t leftOut = LeftOutCombinations(params.Grid, params.Costs);
    err << params.PairName << ": " << params.Grid.Combinations() - leftOut << " комбинаций";
    if (leftOut > 0)
        err << " (" << LeftOutText(leftOut) << ')';
    err << '\n';
    if (params.Forward) {
        const std::string overlap = ForwardOverlapWarning(params.Weeks.First, params.Weeks.Last,
                                                          params.Forward->First, params.Forward->Last);
        if (!overlap.empty())
            err << "Предупреждение: " << overlap << "\n";
    }
    err << std::flush;
}

// Every combination to `write` as the sweep folds it: the rows of a column
// are formed on the worker that folded it.
SweepStream CsvRows(const SweepParams& params, bool withCosts, std::function<void(std::string_view)> write)
{
    const int firstSignal = params.Grid.Signal.First;
    return {[firstSignal, withCosts](const SweptColumn& column, std::string& bytes) {
                AppendColumnRows(bytes, column, firstSignal, withCosts);
            },
            std::move(write)};
}

void RunSweepCommand(const Options& opts, Context& ctx)
{
    CheckPairsOptions(opts.pairs);
    if (opts.pairs.Several())
        return RunPairsSweep(opts, ctx);
    opts.grid.SingleMetric(); // a metric of several instruments is refused before anything is read
    CheckWeeks(opts.range, "--range");
    CheckWeeks(opts.forward, "--forward");
    if (opts.csv == "-" && opts.json)
        throw CLI::ValidationError("--csv", "- and --json cannot both write to standard output");
    const InterruptGuard interrupts;

    LoadInstrumentForRun(opts.pairs.files[0], 1);
    // The CSV file is opened before the sweep, so that a place it cannot
    // be written fails at once; until it is complete it is a temporary file
    // beside the old one, removed when the command ends without it.
    const bool csvToOut = opts.csv == "-";
    std::optional<AtomicFileWriter> csvFile;
    if (opts.csv && !csvToOut)
        csvFile.emplace(*opts.csv);
    const Instrument& inst = Table()[1];
    const SweepParams params = SweepParamsOf(opts, inst, ctx.err);
    const bool withCosts = opts.costs.given;

    const bool terminal = StandardErrorIsATerminal(ctx.err);
    SayWhatIsSwept(params, ctx.err);
    std::optional<SweepStream> rows;
    if (opts.csv) {
        rows = CsvRows(params, withCosts, [&](std::string_view bytes) {
            if (csvFile)
                csvFile->Write(bytes);
            else
                ctx.out << bytes;
        });
        rows->Write(CsvHeader(withCosts));
    }
    std::stop_source stop;
    ProgressBar bar(ctx.err, terminal, "Подбор");
    const SweepOutcome out = RunSweep(
        params, inst, stop.get_token(),
        [&](std::int64_t done, std::int64_t total) {
            if (Interrupted())
                stop.request_stop();
            bar.Show(done, total);
        },
        rows ? &*rows : nullptr);
    bar.Finish();
    if (SaySweepStopped(out.Stopped, out.Combinations + out.LeftOut, params.Grid.Combinations(),
                        csvFile.has_value(), csvToOut, ctx))
        return;
    if (csvFile)
        csvFile->Commit();
    // "-" puts the CSV alone on standard output, in place of the best rows.
    if (csvToOut)
        return;
    if (opts.json)
        PrintJson(params, out, withCosts, ctx.out);
    else
        PrintTable(params, out, withCosts, ctx.out);
}

} // namespace

void AddSweepCommand(CLI::App& app, Context& ctx)
{
    auto opts = std::make_shared<Options>();
    CLI::App* cmd = app.add_subcommand("sweep", "Run the single-pair backtest over every combination of a "
                                                "grid of parameters (one instrument, or several together)");
    AddPairsOptions(cmd, opts->pairs);
    AddGridOptions(cmd, opts->grid, "Fewer entries keep a combination out of the best rows");
    cmd->add_option("--range", opts->range,
                    "Sweep weeks FIRST (" + RangeText(kFirstWeekControl, "..") + ") to LAST (" +
                        RangeText(kLastWeekControl, "..") + ") only (default: " +
                        RangeText({kFirstWeekControl.Min, kLastWeekControl.Max}, " ") + ")")
        ->expected(2)
        ->type_name("FIRST LAST");
    cmd->add_option("--forward", opts->forward, "Also run the best rows on weeks FIRST to LAST")
        ->expected(2)
        ->type_name("FIRST LAST");
    cmd->add_option("--top", opts->top, "Number of best rows")
        ->check(CLI::Range(kBestRowsOption.Min, kBestRowsOption.Max))
        ->capture_default_str();
    cmd->add_option("--csv", opts->csv,
                    "Write every combination to FILE (rows by sl, tp, hold, then signal; - for standard "
                    "output, in place of the best rows)")
        ->type_name("FILE")
        ->check(NonEmptyFileName());
    cmd->add_flag("--json", opts->json, "Print one JSON object: pair, grid, metric, top");
    AddThreadsOption(cmd, opts->grid);
    AddCostOptions(cmd, opts->costs);
    cmd->callback([opts, &ctx] { RunSweepCommand(*opts, ctx); });
}

} // namespace quillet::cli
