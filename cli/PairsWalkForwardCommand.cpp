// walkforward over several instruments: each window's choice on the
// combined in-sample metric, every instrument traded out of sample, the
// joined account's figures and the efficiency; as a table or JSON, the
// trades optionally as CSV with their instrument.

#include "cli/PairsCommands.h"
#include "cli/ReportOutput.h"
#include "cli/TradesOutput.h"
#include "cli/WalkForwardOutput.h"

#include "analysis/MultiWalkForward.h"
#include "model/Dates.h"
#include "report/Catalogue.h"
#include "report/FigureTexts.h"
#include "report/PairsTexts.h"
#include "report/SweepTexts.h"
#include "store/Files.h"

#include <nlohmann/json.hpp>

namespace quillet::cli {
namespace {

using json = nlohmann::ordered_json;

json WindowJson(const MultiWalkForwardWindow& w, const LoadedPairs& loaded)
{
    const Instrument& first = *loaded.Instruments.front();
    json row = {{"in_sample", SpanJson(first, w.Span.InSample)},
                {"out_of_sample", SpanJson(first, w.Span.OutOfSample)}};
    if (!w.Chosen) {
        // The keys of a window that chose, with nets of 0 and no figures.
        row["chosen"] = nullptr;
        row["no_choice"] = NoChoiceName(w.NoChoiceReason);
        for (const char* key : {"in_sample_metric", "plateau_score"})
            row[key] = nullptr;
        row["in_sample_net"] = TenthsJson(0);
        row["out_of_sample_net"] = TenthsJson(0);
        row["out_of_sample_entries"] = 0;
        row["worst_pair"] = nullptr;
        row["pairs"] = json::array();
        return row;
    }
    row["chosen"] = {{"signal", w.Signal},
                     {"sl", w.StopLoss},
                     {"tp", w.TakeProfit},
                     {"hold", w.Hold ? json(*w.Hold) : json(nullptr)}};
    row["in_sample_metric"] =
        std::isnan(w.InSampleMetric) ? json(nullptr) : json(static_cast<double>(w.InSampleMetric));
    row["plateau_score"] = w.PlateauScore ? json(*w.PlateauScore) : json(nullptr);
    row["in_sample_net"] = TenthsJson(w.InSampleNetTenths);
    row["out_of_sample_net"] = TenthsJson(w.OutOfSampleNetTenths);
    row["out_of_sample_entries"] = w.OutOfSample.All.Trades;
    const int worst = w.OutOfSample.WorstPair();
    row["worst_pair"] = {{"pair", loaded.Pairs[static_cast<std::size_t>(worst)].Name},
                         {"net", TenthsJson(w.OutOfSample.WorstNetTenths())}};
    json pairs = json::array();
    for (std::size_t k = 0; k < w.Pairs.size(); ++k)
        pairs.push_back({{"pair", loaded.Pairs[k].Name},
                         {"in_sample_net", TenthsJson(w.Pairs[k].InSampleNetTenths)},
                         {"in_sample_result", ResultJson(w.Pairs[k].InSampleResult)},
                         {"out_of_sample_net", TenthsJson(w.Pairs[k].OutOfSampleNetTenths)},
                         {"out_of_sample_result", ResultJson(w.Pairs[k].OutOfSampleResult)}});
    row["pairs"] = pairs;
    return row;
}

json SetupJson(const MultiWalkForwardParams& params, const MultiWalkForwardOutcome& out)
{
    const MultiSweepParams& sp = params.Sweep;
    const SweepGrid& g = sp.Grid;
    auto axis = [](const AxisRange& a) { return json::array({a.First, a.Last}); };
    json plateau = nullptr;
    if (params.Plateau)
        plateau = {{"signal", params.Plateau->Signal},
                   {"sl", params.Plateau->StopLoss},
                   {"tp", params.Plateau->TakeProfit},
                   {"hold", g.Hold ? json(params.Plateau->Hold) : json(nullptr)}};
    return {{"signal", axis(g.Signal)},
            {"sl", axis(g.StopLoss)},
            {"tp", axis(g.TakeProfit)},
            {"hold", g.Hold ? axis(*g.Hold) : json("off")},
            {"range", {out.Weeks.First, out.Weeks.Last}},
            {"in_sample", params.InSample},
            {"out_of_sample", params.OutOfSample},
            {"anchored", params.Anchored},
            {"plateau", plateau},
            {"min_entries", sp.MinEntries},
            {"min_total_entries", sp.MinTotalEntries}};
}

void PrintJson(const MultiWalkForwardParams& params, const LoadedPairs& loaded,
               const MultiWalkForwardOutcome& out, const std::optional<MonteCarloOutcome>& mc,
               std::ostream& os)
{
    json pairs = json::array();
    for (std::size_t k = 0; k < loaded.Pairs.size(); ++k)
        pairs.push_back({{"pair", loaded.Pairs[k].Name},
                         {"costs", CostsJson(loaded.Pairs[k].Costs)},
                         {"costs_listed", static_cast<bool>(loaded.Listed[k])},
                         {"out_of_sample_net", TenthsJson(out.Account.PairNetTenths[k])},
                         {"out_of_sample_entries", out.Account.PairEntries[k]}});
    json windows = json::array();
    for (const MultiWalkForwardWindow& w : out.Windows)
        windows.push_back(WindowJson(w, loaded));
    json trades = TradesJson(out.Trades, true);
    for (std::size_t i = 0; i < trades.size(); ++i) {
        json row = {{"pair", loaded.Pairs[static_cast<std::size_t>(out.TradePair[i])].Name}};
        row.update(trades[i]);
        trades[i] = std::move(row);
    }
    json doc = {{"pairs", pairs},
                {"grid", SetupJson(params, out)},
                {"metric", NameOf(params.Sweep.Metric).Option},
                {"windows", windows},
                {"trades", trades},
                {"stats", StatsJson(JoinedTradeStats(out, loaded.Pairs.size()))},
                {"efficiency", out.Efficiency ? json(static_cast<double>(*out.Efficiency)) : json(nullptr)}};
    if (out.RangeClipped)
        doc["grid"]["range_asked"] = {params.Sweep.Weeks.First, params.Sweep.Weeks.Last};
    AddEfficiencyAndMonteCarlo(doc, out.EfficiencyMissing, mc);
    os << doc.dump(2, ' ', false, json::error_handler_t::replace) << '\n';
}

void PrintWindows(PairsMetric metric, const LoadedPairs& loaded, const MultiWalkForwardOutcome& out,
                  std::ostream& os)
{
    const std::vector<std::pair<std::string, int>> columns = {
        {"Окно", 4},   {"Выборка", 9},         {"Проверка", 9}, {"С", 10},
        {"По", 10},    {"Сигнал", 6},          {"SL", 3},       {"TP", 3},
        {"Удерж.", 6}, {"Метрика", 9},         {"Пункты", 9},   {"Входы", 5},
        {"ПФ", 5},     {"Худший (пров.)", 16},
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
    const Instrument& first = *loaded.Instruments.front();
    for (std::size_t k = 0; k < out.Windows.size(); ++k) {
        const MultiWalkForwardWindow& w = out.Windows[k];
        std::vector<std::string> cells = {
            std::to_string(k + 1), WeeksText(w.Span.InSample), WeeksText(w.Span.OutOfSample),
            WeekDate(first, w.Span.OutOfSample, 0), WeekDate(first, w.Span.OutOfSample, 1)};
        if (!w.Chosen) {
            line(cells);
            os << "     " << NoChoiceText(w.NoChoiceReason) << '\n';
            continue;
        }
        cells.insert(
            cells.end(),
            {std::to_string(w.Signal), std::to_string(w.StopLoss), std::to_string(w.TakeProfit),
             w.Hold ? std::to_string(*w.Hold) : "-", MetricText(NameOf(metric).Like, w.InSampleMetric),
             TenthsText(w.OutOfSampleNetTenths), std::to_string(w.OutOfSample.All.Trades),
             RatioFigureText(ProfitFactor(w.OutOfSample.All)), WorstPairText(w.OutOfSample, loaded.Names())});
        line(cells);
    }
}

void PrintTable(const MultiWalkForwardParams& params, const LoadedPairs& loaded,
                const MultiWalkForwardOutcome& out, const std::optional<MonteCarloOutcome>& mc,
                std::ostream& os)
{
    const MultiSweepParams& sp = params.Sweep;
    os << "Инструменты (" << loaded.Pairs.size() << "):";
    for (const PairSetup& p : loaded.Pairs)
        os << ' ' << p.Name;
    os << '\n';
    for (const std::string& line : PairsCostsLines(loaded.Pairs, loaded.Listed))
        os << "  " << line << '\n';
    os << "Недели " << WeeksText(out.Weeks) << ": в выборке " << params.InSample << ", вне выборки "
       << params.OutOfSample << ", " << (params.Anchored ? "нарастающее" : "скользящее") << " окно; выбор по "
       << PairsMetricCaption(sp.Metric);
    if (params.Plateau)
        os << ", плато ±" << params.Plateau->Signal << '/' << params.Plateau->StopLoss << '/'
           << params.Plateau->TakeProfit << (sp.Grid.Hold ? "/" + std::to_string(params.Plateau->Hold) : "");
    os << "; не меньше " << sp.MinEntries << " входов на каждом инструменте";
    if (sp.MinTotalEntries > 0)
        os << " и " << sp.MinTotalEntries << " на всех вместе";
    os << '\n';
    PrintWindows(params.Sweep.Metric, loaded, out, os);
    const NetFolder f = JoinedTradeStats(out, loaded.Pairs.size()).All;
    os << "Вне выборки, все инструменты (счёт по неделям): сделок " << f.Trades << ", пункты "
       << TenthsText(f.NetTenths) << ", профит-фактор " << RatioFigureText(ProfitFactor(f))
       << ", матожидание " << RatioFigureText(Expectancy(f), 1) << ", макс. просадка "
       << TenthsText(f.MaxDrawdownTenths) << ", фактор восстановления " << RatioFigureText(RecoveryFactor(f))
       << ", SQN (по пунктам) " << RatioFigureText(Sqn(f)) << '\n';
    for (std::size_t k = 0; k < loaded.Pairs.size(); ++k)
        os << "  " << loaded.Pairs[k].Name << ": сделок " << out.Account.PairEntries[k] << ", пункты "
           << TenthsText(out.Account.PairNetTenths[k]) << '\n';
    PrintEfficiencyAndMonteCarlo(os, out.Efficiency, out.EfficiencyMissing, mc);
}

MultiWalkForwardParams ParamsOf(const WalkForwardCommandOptions& opts,
                                const std::optional<PlateauRadii>& radii)
{
    MultiWalkForwardParams params;
    FillWalkForwardParams(opts, params);
    params.Plateau = radii;
    params.Sweep.Metric = opts.grid.PairsMetricOf();
    params.Sweep.MinTotalEntries = opts.pairs.minTotalEntries;
    return params;
}

} // namespace

void RunPairsWalkForward(const WalkForwardCommandOptions& opts, const std::optional<PlateauRadii>& radii,
                         Context& ctx)
{
    CheckWeeks(opts.range, "--range");
    if (opts.trades == "-" && opts.json)
        throw CLI::ValidationError("--trades", "- and --json cannot both write to standard output");
    if (opts.report)
        throw CLI::ValidationError("--report", "the HTML report is of one instrument's analysis");
    MultiWalkForwardParams params = ParamsOf(opts, radii);
    const InterruptGuard interrupts;
    SetActiveDateFormat(kRegionalDateFormat);
    const LoadedPairs loaded = LoadPairs(opts.pairs, opts.costs, ctx.err);
    params.Sweep.Pairs = loaded.Pairs;
    // Windows over weeks no instrument has data for would trade nothing.
    WeekRange used = params.Sweep.Weeks;
    used.Last = used.First - 1;
    for (const Instrument* inst : loaded.Instruments)
        used.Last = std::max(used.Last, ClipToWeeklyData(params.Sweep.Weeks, inst->Week).Last);
    if (used.Last != params.Sweep.Weeks.Last) {
        if (const std::string error = WalkForwardError(used, params.InSample, params.OutOfSample);
            !error.empty())
            throw CLI::ValidationError("--range", ClippedRangeText(params.Sweep.Weeks, used) + ": " + error);
        ctx.err << ClippedRangeText(params.Sweep.Weeks, used) << '\n';
    }
    const auto spans = WalkForwardSpans(used, params.InSample, params.OutOfSample, params.Anchored);
    ctx.err << loaded.Pairs.size() << " инструментов: " << spans.size() << " окон по "
            << params.Sweep.Grid.Combinations() << " комбинаций\n"
            << std::flush;
    std::stop_source stop;
    ProgressBar bar(ctx.err, StandardErrorIsATerminal(ctx.err), "Форвард-анализ");
    const MultiWalkForwardOutcome out = RunMultiWalkForward(params, loaded.Instruments, stop.get_token(),
                                                            [&](std::int64_t done, std::int64_t total) {
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
    if (opts.trades &&
        (!WriteFileOrSay(*opts.trades, PairsTradeCsv(out.Trades, out.TradePair, loaded.Names()), ctx) ||
         *opts.trades == "-"))
        return;
    if (StoppedBySignal(ctx))
        return;
    const std::optional<MonteCarloOutcome> mc = MonteCarloOf(opts.monteCarlo, out.Trades);
    if (opts.json)
        PrintJson(params, loaded, out, mc, ctx.out);
    else
        PrintTable(params, loaded, out, mc, ctx.out);
}

} // namespace quillet::cli
