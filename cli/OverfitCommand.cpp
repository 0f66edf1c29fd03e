// overfit: is the sweep's best combination better than luck? The
// probability of backtest overfitting over every way of halving the blocks
// of weeks, with the probability of loss, the degradation and a histogram
// of the logits, and the deflated Sharpe ratio of the best row; as text or JSON.

#include "cli/Commands.h"
#include "cli/PlateauOption.h"
#include "cli/SweepOptions.h"
#include "cli/TradesOutput.h"

#include "analysis/DeflatedSharpe.h"
#include "analysis/Overfit.h"
#include "model/Instrument.h"
#include "report/Catalogue.h"
#include "report/OverfitTexts.h"
#include "store/Files.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace quillet::cli {
namespace {

using json = nlohmann::ordered_json;

struct Options {
    std::string file;
    GridOptions grid;
    CostOptions costs;
    std::vector<int> range;
    int blocks = kOverfitBlocksControl.Default;
    OverfitMeasure measure = OverfitMeasure::Net;
    std::optional<std::string> plateau; // "" for the default radii
    std::optional<std::string> row;
    bool json = false;
};

// "S:SL:TP" or "S:SL:TP:H".
std::optional<GridPoint> ParseRow(const std::string& text)
{
    std::vector<int> values;
    std::size_t from = 0;
    while (from <= text.size()) {
        const std::size_t colon = std::min(text.find(':', from), text.size());
        const std::optional<AxisRange> v = ParseAxis(text.substr(from, colon - from));
        if (!v || v->First != v->Last)
            return std::nullopt;
        values.push_back(v->First);
        from = colon + 1;
    }
    if (values.size() != 3 && values.size() != 4)
        return std::nullopt;
    return GridPoint{values[0], values[1], values[2], values.size() == 4 ? values[3] : 0};
}

json Number(long double value)
{
    return std::isfinite(value) ? json(static_cast<double>(value)) : json(nullptr);
}

json PointJson(const GridPoint& p, bool withHold)
{
    return {{"signal", p.Signal},
            {"sl", p.StopLoss},
            {"tp", p.TakeProfit},
            {"hold", withHold ? json(p.Hold) : json(nullptr)}};
}

json ChoiceJson(const OverfitChoice& c, bool withHold)
{
    return {{"chosen", PointJson(c.Chosen, withHold)},
            {"in_sample", Number(c.InSample)},
            {"out_of_sample", Number(c.OutOfSample)},
            {"out_of_sample_net", TenthsJson(c.OutOfSampleNetTenths)},
            {"rank", c.Rank},
            {"lambda", Number(c.Lambda)},
            {"overfit", c.Overfit}};
}

std::vector<long double> Lambdas(const OverfitOutcome& out, bool plateau)
{
    std::vector<long double> lambdas;
    for (const OverfitSplit& s : out.Splits)
        if (const OverfitChoice* c = plateau ? (s.Plateau ? &*s.Plateau : nullptr) : &s.Best)
            lambdas.push_back(c->Lambda);
    return lambdas;
}

json SummaryJson(const OverfitOutcome& out, bool plateau)
{
    const OverfitSummary& s = plateau ? *out.Plateau : out.Best;
    json bins = json::array();
    for (const HistogramBin& b : LambdaHistogram(Lambdas(out, plateau)))
        bins.push_back({{"from", b.From}, {"to", b.To}, {"count", b.Count}});
    return {{"splits", s.Splits},
            {"pbo", s.Pbo},
            {"loss_probability", s.LossProbability},
            {"degradation",
             {{"slope", s.Slope ? Number(*s.Slope) : json(nullptr)},
              {"intercept", s.Intercept ? Number(*s.Intercept) : json(nullptr)}}},
            {"histogram", bins}};
}

json DeflatedJson(const DeflatedSharpe& d, bool withHold)
{
    return {{"row", PointJson(d.Row, withHold)},
            {"sr", Number(d.Sharpe)},
            {"sr0", Number(d.ExpectedMax)},
            {"dsr", Number(d.Probability)},
            {"trials", d.Spread.Trials},
            {"variance", Number(d.Spread.Variance)},
            {"skewness", Number(d.Skewness)},
            {"kurtosis", Number(d.Kurtosis)},
            {"weeks", d.Weeks},
            {"note", kTrialsNote}};
}

void PrintJson(const OverfitParams& params, const OverfitOutcome& out, const std::optional<DeflatedSharpe>& d,
               bool withCosts, std::ostream& os)
{
    const SweepParams& sp = params.Sweep;
    const SweepGrid& g = sp.Grid;
    const bool withHold = g.Hold.has_value();
    auto axis = [](const AxisRange& a) { return json::array({a.First, a.Last}); };
    json plateau = nullptr;
    if (params.Plateau)
        plateau = {{"signal", params.Plateau->Signal},
                   {"sl", params.Plateau->StopLoss},
                   {"tp", params.Plateau->TakeProfit},
                   {"hold", withHold ? json(params.Plateau->Hold) : json(nullptr)}};
    json blocks = json::array();
    for (const WeekRange& b : out.Blocks)
        blocks.push_back({b.First, b.Last});
    json splits = json::array();
    for (const OverfitSplit& s : out.Splits) {
        json inSample = json::array();
        for (int b = 0; b < params.Blocks; ++b)
            if ((s.InSampleBlocks >> b & 1u) != 0)
                inSample.push_back(b);
        json split = {{"in_sample_blocks", inSample}, {"best", ChoiceJson(s.Best, withHold)}};
        if (params.Plateau)
            split["plateau"] = s.Plateau ? ChoiceJson(*s.Plateau, withHold) : json(nullptr);
        splits.push_back(std::move(split));
    }
    json doc = {{"pair", sp.PairName},
                {"grid",
                 {{"signal", axis(g.Signal)},
                  {"sl", axis(g.StopLoss)},
                  {"tp", axis(g.TakeProfit)},
                  {"hold", withHold ? axis(*g.Hold) : json("off")},
                  {"range", {sp.Weeks.First, sp.Weeks.Last}},
                  {"min_entries", sp.MinEntries},
                  {"combinations", g.Combinations()}}},
                {"metric", NameOf(sp.Metric).Option},
                {"blocks", params.Blocks},
                {"measure", params.Measure == OverfitMeasure::Net ? "net" : "sharpe"},
                {"plateau", plateau},
                {"weeks", out.Weeks},
                {"block_weeks", blocks},
                {"combinations", out.Combinations},
                {"distinct", out.Distinct},
                {"sum_bytes", out.SumBytes},
                {"best", SummaryJson(out, false)}};
    doc["plateau_choice"] = params.Plateau ? SummaryJson(out, true) : json(nullptr);
    doc["deflated_sharpe"] = d ? DeflatedJson(*d, withHold) : json(nullptr);
    doc["splits"] = splits;
    if (withCosts)
        doc["costs"] = CostsJson(sp.Costs);
    os << doc.dump(2, ' ', false, json::error_handler_t::replace) << '\n';
}

void PrintSummary(const OverfitOutcome& out, bool plateau, std::ostream& os)
{
    for (const OverfitLine& line : SummaryLines(plateau ? *out.Plateau : out.Best, out.Measure))
        os << "  " << line.Caption << ": " << line.Value << '\n';
    const std::vector<HistogramBin> bins = LambdaHistogram(Lambdas(out, plateau));
    int most = 1;
    for (const HistogramBin& b : bins)
        most = std::max(most, b.Count);
    os << "  Гистограмма λ = ln(ω / (1 − ω)):\n";
    for (const HistogramBin& b : bins)
        os << "  " << PadLeft(BinText(b), 16) << ' ' << PadLeft(std::to_string(b.Count), 6) << ' '
           << std::string(static_cast<std::size_t>((b.Count * 40 + most - 1) / most), '#') << '\n';
}

void PrintText(const OverfitParams& params, const OverfitOutcome& out, const std::optional<DeflatedSharpe>& d,
               bool withCosts, std::ostream& os)
{
    const SweepParams& sp = params.Sweep;
    const SweepGrid& g = sp.Grid;
    auto axis = [](const AxisRange& a) { return std::to_string(a.First) + ".." + std::to_string(a.Last); };
    os << "Инструмент: " << sp.PairName << '\n';
    os << "Сигнальная свеча " << axis(g.Signal) << ", Stop Loss " << axis(g.StopLoss) << ", Take Profit "
       << axis(g.TakeProfit) << ", удержание " << (g.Hold ? axis(*g.Hold) : std::string("без ограничения"))
       << '\n';
    if (withCosts)
        os << TradeCostsCaption(sp.Costs) << '\n';
    os << "Недели " << sp.Weeks.First << ".." << sp.Weeks.Last << " (T = " << out.Weeks << "), блоков "
       << params.Blocks << ", разбиений " << out.Splits.size() << "; мера: " << MeasureCaption(params.Measure)
       << "; не меньше " << sp.MinEntries << " входов\n";
    os << "Комбинаций: допущено N = " << out.Combinations << " из " << g.Combinations()
       << ", различных по неделям " << out.Distinct << "; суммы по блокам "
       << SignificantText(static_cast<long double>(out.SumBytes) / (1 << 20), 3) << " МБ\n";
    os << "Выбор лучшей ячейки:\n";
    PrintSummary(out, false, os);
    if (params.Plateau) {
        os << "Выбор по плато ±" << params.Plateau->Signal << '/' << params.Plateau->StopLoss << '/'
           << params.Plateau->TakeProfit << (g.Hold ? "/" + std::to_string(params.Plateau->Hold) : "")
           << ":\n";
        PrintSummary(out, true, os);
    }
    if (!d)
        return;
    os << "Дефлированный коэффициент Шарпа (" << CombinationText(d->Row, g.Hold.has_value()) << "):\n";
    for (const OverfitLine& line : DeflatedLines(*d))
        os << "  " << line.Caption << ": " << line.Value << '\n';
    os << "  " << kTrialsNote << '\n';
}

OverfitParams ParamsOf(const Options& opts)
{
    CheckWeeks(opts.range, "--range");
    OverfitParams params;
    SweepParams& sp = params.Sweep;
    sp.Grid = opts.grid.Grid();
    if (!opts.range.empty())
        sp.Weeks = {opts.range[0], opts.range[1]};
    sp.Metric = opts.grid.SingleMetric();
    sp.MinEntries = opts.grid.minEntries;
    sp.Threads = opts.grid.threads;
    sp.Top = 1;
    params.Blocks = opts.blocks;
    params.Measure = opts.measure;
    params.Plateau = PlateauFor(opts.plateau, sp.Grid);
    if (const std::string error = OverfitError(sp.Weeks, params.Blocks); !error.empty())
        throw CLI::ValidationError("--blocks", error);
    return params;
}

// The row whose deflated Sharpe ratio is shown: the one given, on the grid.
std::optional<GridPoint> RowOf(const Options& opts, const SweepGrid& g, const CostModel& costs)
{
    if (!opts.row)
        return std::nullopt;
    const GridPoint p = *ParseRow(*opts.row);
    const bool holdGiven = std::count(opts.row->begin(), opts.row->end(), ':') == 3;
    if (!g.Signal.Contains(p.Signal) || !g.StopLoss.Contains(p.StopLoss) ||
        !g.TakeProfit.Contains(p.TakeProfit) || holdGiven != g.Hold.has_value() ||
        (g.Hold && !g.Hold->Contains(p.Hold)))
        throw CLI::ValidationError("--row",
                                   "'" + *opts.row + "' is not a combination of the grid" +
                                       (g.Hold ? " (with a holding limit)" : " (without a holding limit)"));
    if (!costs.StopLossClearsSpread(p.StopLoss))
        throw CLI::ValidationError("--row",
                                   "stop-loss " + std::to_string(p.StopLoss) + " is within the spread");
    return p;
}

void RunOverfitCommand(const Options& opts, Context& ctx)
{
    const OverfitParams checked = ParamsOf(opts);
    const InterruptGuard interrupts;
    LoadInstrumentForRun(opts.file, 1);
    const Instrument& inst = Table()[1];
    OverfitParams params = checked;
    params.Sweep.PairName = ShortStringText(inst.Name);
    // The costs are the options' or the pair's line of --costs FILE.
    params.Sweep.Costs = opts.costs.CostsOf(params.Sweep.PairName, ctx.err);
    params.Sweep.Spread = opts.costs.RecordedSpreadOf(params.Sweep.Costs, opts.file, 1);
    const std::optional<GridPoint> row = RowOf(opts, params.Sweep.Grid, CostModel(params.Sweep.Costs, 1));
    const SweepParams& sp = params.Sweep;
    ctx.err << sp.PairName << ": " << sp.Grid.Combinations() << " комбинаций, "
            << OverfitSplits(params.Blocks).size() << " разбиений\n"
            << std::flush;
    const SweepTable table(inst, sp.PairName, sp.Grid, sp.Weeks, sp.Costs, sp.Spread);
    std::stop_source stop;
    ProgressBar bar(ctx.err, StandardErrorIsATerminal(ctx.err), "Переобучение");
    const OverfitOutcome out =
        RunOverfit(params, table, stop.get_token(), [&](std::int64_t done, std::int64_t total) {
            if (Interrupted())
                stop.request_stop();
            bar.Show(done, total);
        });
    bar.Finish();
    if (out.Stopped) {
        ctx.err << "Прервано\n";
        ctx.exitCode = InterruptedStatus();
        return;
    }
    std::optional<GridPoint> shown = row;
    if (!shown) {
        const SweepOutcome best = RunSweep(sp, table);
        if (!best.Best.empty()) {
            const SweepRow& r = best.Best.front();
            shown = GridPoint{r.Signal, r.StopLoss, r.TakeProfit, r.Hold.value_or(0)};
        }
    }
    std::optional<DeflatedSharpe> deflated;
    if (shown)
        deflated = DeflateSharpe(table, sp.Weeks, *shown, out.Spread);
    if (opts.json)
        PrintJson(params, out, deflated, opts.costs.given, ctx.out);
    else
        PrintText(params, out, deflated, opts.costs.given, ctx.out);
}

} // namespace

void AddOverfitCommand(CLI::App& app, Context& ctx)
{
    auto opts = std::make_shared<Options>();
    CLI::App* cmd = app.add_subcommand(
        "overfit",
        "How likely the grid's best combination is overfit: PBO over halves of the weeks, deflated Sharpe");
    cmd->add_option("FILE", opts->file, "The .base file; its instrument name decides the point size")
        ->required();
    cmd->add_option("--range", opts->range,
                    "Weeks FIRST (" + RangeText(kFirstWeekControl, "..") + ") to LAST (" +
                        RangeText(kLastWeekControl, "..") + ") analysed (default: " +
                        RangeText({kFirstWeekControl.Min, kLastWeekControl.Max}, " ") + ")")
        ->expected(2)
        ->type_name("FIRST LAST");
    cmd->add_option("--blocks", opts->blocks,
                    "Blocks of consecutive weeks, even, 4 to 16; half of them in sample")
        ->check(CLI::Range(kOverfitBlocksControl.Min, kOverfitBlocksControl.Max))
        ->capture_default_str();
    const std::map<std::string, OverfitMeasure> measures = {{"net", OverfitMeasure::Net},
                                                            {"sharpe", OverfitMeasure::Sharpe}};
    cmd->add_option("--measure", opts->measure,
                    "In- and out-of-sample performance: net points or weekly Sharpe ratio")
        ->type_name("net|sharpe")
        ->transform(CLI::CheckedTransformer(measures).description(""))
        ->default_str("net");
    cmd->add_option(
           "--plateau", opts->plateau,
           "Also choose by the best plateau of the measure within +-R steps (default 5 on every axis)")
        ->expected(0, 1)
        ->type_name("[R|Rs:Rsl:Rtp[:Rh]]")
        ->check(RadiiValidator());
    cmd->add_option("--row", opts->row,
                    "The combination whose deflated Sharpe ratio is shown (default: the best row)")
        ->type_name("S:SL:TP[:H]")
        ->check(CLI::Validator(
            [](std::string& text) -> std::string {
                return ParseRow(text) ? std::string() : "'" + text + "' is no combination S:SL:TP[:H]";
            },
            ""));
    AddGridOptions(cmd, opts->grid,
                   "Fewer entries leave a combination out of N; --metric ranks the best row");
    AddCostOptions(cmd, opts->costs);
    cmd->add_flag("--json", opts->json, "Print one JSON object with every figure and each split");
    AddThreadsOption(cmd, opts->grid);
    cmd->callback([opts, &ctx] { RunOverfitCommand(*opts, ctx); });
}

} // namespace quillet::cli
