// walkforward: the sweep's choice tested on the weeks after the ones it was
// made on, window by window, with the joined out-of-sample trades' figures
// and the efficiency; as a table or JSON, the trades optionally as CSV.

#include "cli/Commands.h"
#include "cli/MonteCarloOutput.h"
#include "cli/PairsCommands.h"
#include "cli/PlateauOption.h"
#include "cli/ReportOutput.h"
#include "cli/SweepOptions.h"
#include "cli/TradesOutput.h"
#include "cli/WalkForwardOutput.h"

#include "analysis/TradeStats.h"
#include "analysis/WalkForward.h"
#include "model/Dates.h"
#include "model/Instrument.h"
#include "report/Catalogue.h"
#include "report/FigureTexts.h"
#include "report/HtmlReport.h"
#include "report/SweepTexts.h"
#include "store/Files.h"

#include <nlohmann/json.hpp>

#include <charconv>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace quillet::cli {
namespace {

using Options = WalkForwardCommandOptions;

std::vector<ClosedTrade> WindowTrades(const WalkForwardOutcome& out, const WalkForwardWindow& w)
{
    const auto first = out.Trades.begin() + static_cast<std::ptrdiff_t>(w.FirstTrade);
    return {first, first + static_cast<std::ptrdiff_t>(w.TradeCount)};
}

nlohmann::ordered_json MetricJson(long double value)
{
    if (std::isnan(value))
        return nullptr;
    return static_cast<double>(value);
}

void PrintJson(const WalkForwardParams& params, const Instrument& inst, const WalkForwardOutcome& out,
               const std::optional<MonteCarloOutcome>& mc, std::ostream& os)
{
    using json = nlohmann::ordered_json;
    const SweepParams& sp = params.Sweep;
    const SweepGrid& g = sp.Grid;
    auto axis = [](const AxisRange& a) { return json::array({a.First, a.Last}); };
    json plateau = nullptr;
    if (params.Plateau)
        plateau = {{"signal", params.Plateau->Signal},
                   {"sl", params.Plateau->StopLoss},
                   {"tp", params.Plateau->TakeProfit},
                   {"hold", g.Hold ? json(params.Plateau->Hold) : json(nullptr)}};
    const json setup = {
        {"signal", axis(g.Signal)},
        {"sl", axis(g.StopLoss)},
        {"tp", axis(g.TakeProfit)},
        {"hold", g.Hold ? axis(*g.Hold) : json("off")},
        {"range", {out.Weeks.First, out.Weeks.Last}},
        {"in_sample", params.InSample},
        {"out_of_sample", params.OutOfSample},
        {"anchored", params.Anchored},
        {"plateau", plateau},
        {"min_entries", sp.MinEntries},
    };
    json windows = json::array();
    for (const WalkForwardWindow& w : out.Windows) {
        json row = {{"in_sample", SpanJson(inst, w.Span.InSample)},
                    {"out_of_sample", SpanJson(inst, w.Span.OutOfSample)}};
        if (!w.Chosen) {
            // The keys of a window that chose, with nets of 0 and no figures.
            row["chosen"] = nullptr;
            row["no_choice"] = NoChoiceName(w.NoChoiceReason);
            for (const char* key : {"in_sample_metric", "plateau_score", "in_sample_result"})
                row[key] = nullptr;
            row["in_sample_net"] = TenthsJson(0);
            row["out_of_sample_result"] = nullptr;
            row["out_of_sample_net"] = TenthsJson(0);
            row["out_of_sample_stats"] = nullptr;
        } else {
            row["chosen"] = {{"signal", w.Signal},
                             {"sl", w.StopLoss},
                             {"tp", w.TakeProfit},
                             {"hold", w.Hold ? json(*w.Hold) : json(nullptr)}};
            row["in_sample_metric"] = MetricJson(w.InSampleMetric);
            row["plateau_score"] = w.PlateauScore ? json(*w.PlateauScore) : json(nullptr);
            row["in_sample_result"] = ResultJson(w.InSampleResult);
            row["in_sample_net"] = TenthsJson(w.InSampleNetTenths);
            row["out_of_sample_result"] = ResultJson(w.OutOfSampleResult);
            row["out_of_sample_net"] = TenthsJson(w.OutOfSampleNetTenths);
            row["out_of_sample_stats"] = StatsJson(ComputeTradeStats(WindowTrades(out, w)));
        }
        windows.push_back(std::move(row));
    }
    json grid = setup;
    if (out.RangeClipped)
        grid["range_asked"] = {sp.Weeks.First, sp.Weeks.Last};
    json doc = {{"pair", sp.PairName},
                {"grid", grid},
                {"metric", NameOf(sp.Metric).Option},
                {"costs", CostsJson(sp.Costs)},
                {"windows", windows},
                {"trades", TradesJson(out.Trades, true, sp.Costs.SpreadRecorded)},
                {"stats", StatsJson(ComputeTradeStats(out.Trades))},
                {"efficiency", out.Efficiency ? json(static_cast<double>(*out.Efficiency)) : json(nullptr)}};
    AddEfficiencyAndMonteCarlo(doc, out.EfficiencyMissing, mc);
    os << doc.dump(2, ' ', false, json::error_handler_t::replace) << '\n';
}

void PrintTable(const WalkForwardParams& params, const Instrument& inst, const WalkForwardOutcome& out,
                const std::optional<MonteCarloOutcome>& mc, std::ostream& os)
{
    const SweepParams& sp = params.Sweep;
    os << "Инструмент: " << sp.PairName << '\n';
    os << "Недели " << WeeksText(out.Weeks) << ": в выборке " << params.InSample << ", вне выборки "
       << params.OutOfSample << ", " << (params.Anchored ? "нарастающее" : "скользящее") << " окно; выбор по "
       << MetricCaption(sp.Metric);
    if (params.Plateau)
        os << ", плато ±" << params.Plateau->Signal << '/' << params.Plateau->StopLoss << '/'
           << params.Plateau->TakeProfit << (sp.Grid.Hold ? "/" + std::to_string(params.Plateau->Hold) : "");
    os << "; не меньше " << sp.MinEntries << " входов\n";
    const std::vector<std::pair<std::string, int>> columns = {
        {"Окно", 4}, {"Выборка", 9}, {"Проверка", 9}, {"С", 10},     {"По", 10},   {"Сигнал", 6}, {"SL", 3},
        {"TP", 3},   {"Удерж.", 6},  {"Метрика", 9},  {"Пункты", 8}, {"Входы", 5}, {"ПФ", 5},
    };
    auto line = [&](const std::vector<std::string>& cells) {
        for (std::size_t n = 0; n < cells.size(); ++n)
            os << (n == 0 ? "" : " ") << PadLeft(cells[n], columns[n].second);
        os << '\n';
    };
    std::vector<std::string> headings;
    for (const auto& c : columns)
        headings.push_back(c.first);
    line(headings);
    for (std::size_t k = 0; k < out.Windows.size(); ++k) {
        const WalkForwardWindow& w = out.Windows[k];
        std::vector<std::string> cells = {
            std::to_string(k + 1), WeeksText(w.Span.InSample), WeeksText(w.Span.OutOfSample),
            WeekDate(inst, w.Span.OutOfSample, 0), WeekDate(inst, w.Span.OutOfSample, 1)};
        if (!w.Chosen) {
            line(cells);
            os << "     " << NoChoiceText(w.NoChoiceReason) << '\n';
            continue;
        }
        const NetFolder f = ComputeTradeStats(WindowTrades(out, w)).All;
        cells.insert(cells.end(),
                     {std::to_string(w.Signal), std::to_string(w.StopLoss), std::to_string(w.TakeProfit),
                      w.Hold ? std::to_string(*w.Hold) : "-", MetricText(sp.Metric, w.InSampleMetric),
                      TenthsText(w.OutOfSampleNetTenths), std::to_string(w.OutOfSampleResult.Entries),
                      RatioFigureText(ProfitFactor(f))});
        line(cells);
    }
    const TradeStats stats = ComputeTradeStats(out.Trades);
    const NetFolder& f = stats.All;
    os << "Вне выборки: сделок " << f.Trades << ", пункты " << TenthsText(f.NetTenths) << ", профит-фактор "
       << RatioFigureText(ProfitFactor(f)) << ", матожидание " << RatioFigureText(Expectancy(f), 1)
       << ", макс. просадка " << TenthsText(f.MaxDrawdownTenths) << ", фактор восстановления "
       << RatioFigureText(RecoveryFactor(f)) << ", SQN (по пунктам) " << RatioFigureText(Sqn(f)) << '\n';
    PrintEfficiencyAndMonteCarlo(os, out.Efficiency, out.EfficiencyMissing, mc);
}

void RunWalkForwardCommand(const Options& opts, Context& ctx)
{
    CheckPairsOptions(opts.pairs);
    if (opts.pairs.Several())
        return RunPairsWalkForward(opts, PlateauFor(opts.plateau, opts.grid.Grid()), ctx);
    opts.grid.SingleMetric(); // a metric of several instruments is refused before anything is read
    CheckWeeks(opts.range, "--range");
    if (opts.trades == "-" && opts.json)
        throw CLI::ValidationError("--trades", "- and --json cannot both write to standard output");
    if (opts.report == "-" && (opts.json || opts.trades == "-"))
        throw CLI::ValidationError("--report", "- cannot share standard output with --json or --trades -");
    WalkForwardParams params;
    params.Plateau = PlateauFor(opts.plateau, opts.grid.Grid());
    FillWalkForwardParams(opts, params);
    SweepParams& sp = params.Sweep;
    sp.Metric = opts.grid.SingleMetric();
    const InterruptGuard interrupts;

    SetActiveDateFormat(kRegionalDateFormat);
    LoadInstrumentForRun(opts.pairs.files[0], 1);
    const Instrument& inst = Table()[1];
    sp.PairName = ShortStringText(inst.Name);
    sp.Costs = opts.costs.CostsOf(sp.PairName, ctx.err);
    sp.Spread = opts.costs.RecordedSpreadOf(sp.Costs, opts.pairs.files[0], 1);

    // Windows over weeks past the data would trade nothing.
    const WeekRange used = ClipToWeeklyData(sp.Weeks, inst.Week);
    if (used.Last != sp.Weeks.Last) {
        if (const std::string error = WalkForwardError(used, params.InSample, params.OutOfSample);
            !error.empty())
            throw CLI::ValidationError("--range", ClippedRangeText(sp.Weeks, used) + ": " + error);
        ctx.err << sp.PairName << ": " << ClippedRangeText(sp.Weeks, used) << '\n';
    }
    const auto spans = WalkForwardSpans(used, params.InSample, params.OutOfSample, params.Anchored);
    ctx.err << sp.PairName << ": " << spans.size() << " окон по " << sp.Grid.Combinations() << " комбинаций\n"
            << std::flush;
    std::stop_source stop;
    ProgressBar bar(ctx.err, StandardErrorIsATerminal(ctx.err), "Форвард-анализ");
    const WalkForwardOutcome out =
        RunWalkForward(params, Table()[1], stop.get_token(), [&](std::int64_t done, std::int64_t total) {
            if (Interrupted())
                stop.request_stop();
            bar.Show(done, total);
        });
    bar.Finish();
    if (out.Stopped) {
        ctx.err << "Прервано: просчитано окон " << out.Windows.size() << " из " << spans.size() << '\n';
        ctx.exitCode = InterruptedStatus();
        return;
    }
    const std::optional<MonteCarloOutcome> mc = MonteCarloOf(opts.monteCarlo, out.Trades);
    if (opts.report &&
        (!WriteFileOrSay(*opts.report, MakeWalkForwardReport(params, out, inst, mc ? &*mc : nullptr).Html(),
                         ctx) ||
         *opts.report == "-"))
        return;
    if (opts.trades) {
        if (!WriteTradesCsv(*opts.trades, out.Trades, ctx, true, sp.Costs.SpreadRecorded) ||
            *opts.trades == "-")
            return;
    }
    if (StoppedBySignal(ctx))
        return;
    if (opts.json)
        PrintJson(params, inst, out, mc, ctx.out);
    else
        PrintTable(params, inst, out, mc, ctx.out);
}

} // namespace

void AddWalkForwardCommand(CLI::App& app, Context& ctx)
{
    auto opts = std::make_shared<Options>();
    CLI::App* cmd =
        app.add_subcommand("walkforward", "Choose on in-sample weeks, trade the weeks after them, window by "
                                          "window (one instrument, or several together)");
    AddPairsOptions(cmd, opts->pairs);
    cmd->add_option("--in-sample", opts->inSample, "Weeks each choice is made on")
        ->check(CLI::Range(kInSampleControl.Min, kInSampleControl.Max))
        ->capture_default_str();
    cmd->add_option("--out-of-sample", opts->outOfSample, "Weeks each choice is then traded on")
        ->check(CLI::Range(kOutOfSampleControl.Min, kOutOfSampleControl.Max))
        ->capture_default_str();
    cmd->add_option("--range", opts->range,
                    "Cut weeks FIRST (" + RangeText(kFirstWeekControl, "..") + ") to LAST (" +
                        RangeText(kLastWeekControl, "..") + ") into windows (default: " +
                        RangeText({kFirstWeekControl.Min, kLastWeekControl.Max}, " ") + ")")
        ->expected(2)
        ->type_name("FIRST LAST");
    cmd->add_flag("--anchored", opts->anchored, "Every in-sample window starts at the range's first week");
    cmd->add_option("--plateau", opts->plateau,
                    "Choose the best plateau: the mean metric within +-R steps (default 5 on every axis)")
        ->expected(0, 1)
        ->type_name("[R|Rs:Rsl:Rtp[:Rh]]")
        ->check(RadiiValidator());
    AddGridOptions(cmd, opts->grid, "Fewer entries keep a combination from being chosen");
    AddCostOptions(cmd, opts->costs);
    cmd->add_flag("--json", opts->json,
                  "Print one JSON object: pair, grid, metric, costs, windows, trades, stats, efficiency");
    cmd->add_option(
           "--trades", opts->trades,
           "Write the out-of-sample trades as CSV to FILE (- for standard output, in place of the report)")
        ->type_name("FILE")
        ->check(NonEmptyFileName());
    cmd->add_option(
           "--report", opts->report,
           "Write the analysis as one self-contained HTML file (windows, figures, curve, Monte Carlo, "
           "trades; - for standard output, in place of the rest)")
        ->type_name("FILE.html")
        ->check(NonEmptyFileName());
    AddMonteCarloOptions(cmd, opts->monteCarlo);
    AddThreadsOption(cmd, opts->grid);
    cmd->callback([opts, &ctx] { RunWalkForwardCommand(*opts, ctx); });
}

} // namespace quillet::cli
