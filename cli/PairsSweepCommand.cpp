// sweep over several instruments: the best rows by the combined figures on
// standard output (as a table or JSON), every combination optionally as CSV.

#include "cli/PairsCommands.h"
#include "cli/TradesOutput.h"

#include "model/Errors.h"
#include "model/Numbers.h"
#include "report/PairsTexts.h"
#include "store/Files.h"

#include <nlohmann/json.hpp>

#include <charconv>
#include <cmath>
#include <iostream>

namespace quillet::cli {
namespace {

using json = nlohmann::ordered_json;

// --- The CSV ------------------------------------------------------------------------

void Append(std::string& out, long long value)
{
    char buf[24];
    out.append(buf, std::to_chars(buf, buf + sizeof buf, value).ptr);
}

// Tenths of a point as TenthsText writes them with ".", without a string of their own.
void AppendTenths(std::string& out, std::int64_t tenths)
{
    const std::uint64_t magnitude =
        tenths < 0 ? 0ULL - static_cast<std::uint64_t>(tenths) : static_cast<std::uint64_t>(tenths);
    if (tenths < 0)
        out += '-';
    char buf[24];
    out.append(buf, std::to_chars(buf, buf + sizeof buf, magnitude / 10).ptr);
    out += '.';
    out += static_cast<char>('0' + magnitude % 10);
}

// A ratio with ".", exact enough to read back the same double; empty where it has no value.
void AppendRatio(std::string& out, const Ratio& value)
{
    if (!value)
        return;
    char buf[40];
    out.append(buf, std::to_chars(buf, buf + sizeof buf, static_cast<double>(*value)).ptr);
}

// A name as a CSV field: quoted when it holds a comma, a quote or a line break.
std::string CsvField(const std::string& text)
{
    if (text.find_first_of(",\"\r\n") == std::string::npos)
        return text;
    std::string quoted = "\"";
    for (const char c : text)
        quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + '"';
}

std::string CsvHeader(const std::vector<std::string>& names)
{
    std::string header = "signal,sl,tp,hold,entries,net,worst_pair,worst_net,profitable_pairs,profit_factor,"
                         "recovery_factor,sqn,max_drawdown";
    for (const std::string& name : names)
        header += "," + CsvField("net_" + name);
    return header + '\n';
}

// Everything of a row after its signal value, the same for a group's signal
// values; `names` are the instruments' names as CSV fields.
void AppendRowTail(std::string& out, const CombinedColumn& c, int g, const std::vector<std::string>& names)
{
    const NetFolder& sums = c.Sums[g];
    const auto net = [&c, g](int k) { return c.PairNets[k * c.Groups + g]; };
    int worst = 0, profitable = 0;
    for (int k = 0; k < c.Pairs; ++k) {
        worst = net(k) < net(worst) ? k : worst;
        profitable += net(k) > 0 ? 1 : 0;
    }
    out += ',';
    Append(out, c.StopLoss);
    out += ',';
    Append(out, c.TakeProfit);
    out += ',';
    if (c.Hold)
        Append(out, *c.Hold);
    else
        out += "off";
    out += ',';
    Append(out, c.Entries[g]);
    out += ',';
    AppendTenths(out, sums.NetTenths);
    out += ',';
    out += names[static_cast<std::size_t>(worst)];
    out += ',';
    AppendTenths(out, net(worst));
    out += ',';
    Append(out, profitable);
    for (const Ratio& r : {ProfitFactor(sums), RecoveryFactor(sums), Sqn(sums)}) {
        out += ',';
        AppendRatio(out, r);
    }
    out += ',';
    AppendTenths(out, sums.MaxDrawdownTenths);
    for (int k = 0; k < c.Pairs; ++k) {
        out += ',';
        AppendTenths(out, net(k));
    }
    out += '\n';
}

MultiSweepStream CsvRows(const MultiSweepParams& params, const std::vector<std::string>& names,
                         std::function<void(std::string_view)> write)
{
    const int firstSignal = params.Grid.Signal.First;
    std::vector<std::string> fields;
    for (const std::string& name : names)
        fields.push_back(CsvField(name));
    return {[firstSignal, names = std::move(fields)](const CombinedColumn& c, std::string& bytes) {
                if (!c.Traded)
                    return;
                std::string tail;
                for (int g = 0; g < c.Groups; ++g) {
                    tail.clear();
                    AppendRowTail(tail, c, g, names);
                    for (int lane = c.FirstLane[g]; lane < c.FirstLane[g + 1]; ++lane) {
                        Append(bytes, firstSignal + lane);
                        bytes += tail;
                    }
                }
            },
            std::move(write)};
}

// --- Output ----------------------------------------------------------------------

json RatioJson(const Ratio& r)
{
    return r ? json(static_cast<double>(*r)) : json(nullptr);
}

json FigureJson(long double value)
{
    return std::isnan(value) ? json(nullptr) : json(static_cast<double>(value));
}

json CombinedJson(const CombinedFigures& f, const std::vector<PairFigures>& pairs,
                  const std::vector<std::string>& names)
{
    const int worst = f.WorstPair();
    json each = json::array();
    for (std::size_t k = 0; k < pairs.size(); ++k) {
        const SweepFigures& p = pairs[k].Figures;
        each.push_back({{"pair", names[k]},
                        {"entries", pairs[k].Result.Entries},
                        {"net", TenthsJson(p.NetTenths)},
                        {"profit_factor", FigureJson(p.ProfitFactor)},
                        {"recovery_factor", FigureJson(p.RecoveryFactor)},
                        {"sqn", FigureJson(p.Sqn)},
                        {"max_drawdown", TenthsJson(p.MaxDrawdownTenths)},
                        {"result", ResultJson(pairs[k].Result)}});
    }
    return {{"entries", f.All.Trades},
            {"net", TenthsJson(f.All.NetTenths)},
            {"worst_pair", worst < 0 ? json(nullptr)
                                     : json{{"pair", names[static_cast<std::size_t>(worst)]},
                                            {"net", TenthsJson(f.WorstNetTenths())}}},
            {"profitable_pairs", f.ProfitablePairs()},
            {"profit_factor", RatioJson(ProfitFactor(f.All))},
            {"recovery_factor", RatioJson(RecoveryFactor(f.All))},
            {"sqn", RatioJson(Sqn(f.All))},
            {"max_drawdown", TenthsJson(f.All.MaxDrawdownTenths)},
            {"pairs", each}};
}

json PairsJson(const LoadedPairs& loaded)
{
    json pairs = json::array();
    for (std::size_t k = 0; k < loaded.Pairs.size(); ++k)
        pairs.push_back({{"pair", loaded.Pairs[k].Name},
                         {"costs", CostsJson(loaded.Pairs[k].Costs)},
                         {"costs_listed", static_cast<bool>(loaded.Listed[k])}});
    return pairs;
}

void PrintJson(const MultiSweepParams& params, const LoadedPairs& loaded, const MultiSweepOutcome& out,
               std::ostream& os)
{
    const SweepGrid& g = params.Grid;
    const auto axis = [](const AxisRange& a) { return json::array({a.First, a.Last}); };
    const std::vector<std::string> names = loaded.Names();
    json top = json::array();
    for (const MultiSweepRow& row : out.Best) {
        json r = {{"signal", row.Signal},
                  {"sl", row.StopLoss},
                  {"tp", row.TakeProfit},
                  {"hold", row.Hold ? json(*row.Hold) : json(nullptr)}};
        r.update(CombinedJson(row.Combined, row.Pairs, names));
        r["forward"] =
            row.ForwardCombined ? CombinedJson(*row.ForwardCombined, row.ForwardPairs, names) : json();
        top.push_back(std::move(r));
    }
    const json doc = {
        {"pairs", PairsJson(loaded)},
        {"grid",
         {{"signal", axis(g.Signal)},
          {"sl", axis(g.StopLoss)},
          {"tp", axis(g.TakeProfit)},
          {"hold", g.Hold ? axis(*g.Hold) : json("off")},
          {"range", json::array({params.Weeks.First, params.Weeks.Last})},
          {"forward", params.Forward ? json::array({params.Forward->First, params.Forward->Last}) : json()},
          {"min_entries", params.MinEntries},
          {"min_total_entries", params.MinTotalEntries},
          {"combinations", out.Combinations}}},
        {"metric", NameOf(params.Metric).Option},
        {"top", top}};
    os << doc.dump(2, ' ', false, json::error_handler_t::replace) << '\n';
}

void PrintSetup(const MultiSweepParams& params, const LoadedPairs& loaded, const MultiSweepOutcome& out,
                std::ostream& os)
{
    const SweepGrid& g = params.Grid;
    auto axis = [](const AxisRange& a) { return std::to_string(a.First) + ".." + std::to_string(a.Last); };
    os << "Инструменты (" << loaded.Pairs.size() << "):";
    for (const PairSetup& p : loaded.Pairs)
        os << ' ' << p.Name;
    os << '\n';
    for (const std::string& line : PairsCostsLines(loaded.Pairs, loaded.Listed))
        os << "  " << line << '\n';
    os << "Сигнальная свеча " << axis(g.Signal) << ", Stop Loss " << axis(g.StopLoss) << ", Take Profit "
       << axis(g.TakeProfit) << ", удержание " << (g.Hold ? axis(*g.Hold) : std::string("без ограничения"))
       << '\n';
    os << "Недели " << params.Weeks.First << ".." << params.Weeks.Last;
    if (params.Forward)
        os << ", проверка на неделях " << params.Forward->First << ".." << params.Forward->Last;
    os << "; комбинаций: " << out.Combinations << "; не меньше " << params.MinEntries
       << " входов на каждом инструменте";
    if (params.MinTotalEntries > 0)
        os << " и " << params.MinTotalEntries << " на всех вместе";
    os << "\nКритерий: " << PairsMetricCaption(params.Metric) << '\n';
}

void PrintTable(const MultiSweepParams& params, const LoadedPairs& loaded, const MultiSweepOutcome& out,
                std::ostream& os)
{
    PrintSetup(params, loaded, out, os);
    // The combined columns, then each instrument's net.
    const std::vector<std::string> names = loaded.Names();
    std::vector<BestTableLine> rows;
    for (const MultiSweepRow& row : out.Best) {
        std::vector<std::string> nets;
        for (const PairFigures& p : row.Pairs)
            nets.push_back(TenthsText(p.Figures.NetTenths));
        rows.push_back({PairsRowCells(row, names), std::move(nets), row.ForwardCombined.has_value()});
    }
    PrintBestTable(os, kPairsRowColumns, kPairsForwardColumns, names, params.Forward.has_value(), rows);
}

MultiSweepParams ParamsOf(const SweepCommandOptions& opts)
{
    MultiSweepParams params;
    FillSweepParams(opts, params);
    params.Metric = opts.grid.PairsMetricOf();
    params.MinTotalEntries = opts.pairs.minTotalEntries;
    return params;
}

void SayWhatIsSwept(const MultiSweepParams& params, std::ostream& err)
{
    err << params.Pairs.size() << " инструментов: " << params.Grid.Combinations() << " комбинаций\n";
    if (params.Forward) {
        const std::string overlap = ForwardOverlapWarning(params.Weeks.First, params.Weeks.Last,
                                                          params.Forward->First, params.Forward->Last);
        if (!overlap.empty())
            err << "Предупреждение: " << overlap << "\n";
    }
    err << std::flush;
}

} // namespace

void RunPairsSweep(const SweepCommandOptions& opts, Context& ctx)
{
    CheckWeeks(opts.range, "--range");
    CheckWeeks(opts.forward, "--forward");
    if (opts.csv == "-" && opts.json)
        throw CLI::ValidationError("--csv", "- and --json cannot both write to standard output");
    MultiSweepParams params = ParamsOf(opts);
    const InterruptGuard interrupts;
    const LoadedPairs loaded = LoadPairs(opts.pairs, opts.costs, ctx.err);
    params.Pairs = loaded.Pairs;
    CheckMultiSweep(params);
    // Opened before the sweep, so that a place it cannot be written fails at once.
    const bool csvToOut = opts.csv == "-";
    std::optional<AtomicFileWriter> csvFile;
    if (opts.csv && !csvToOut)
        csvFile.emplace(*opts.csv);
    SayWhatIsSwept(params, ctx.err);
    std::optional<MultiSweepStream> rows;
    if (opts.csv) {
        rows = CsvRows(params, loaded.Names(), [&](std::string_view bytes) {
            if (csvFile)
                csvFile->Write(bytes);
            else
                ctx.out << bytes;
        });
        rows->Write(CsvHeader(loaded.Names()));
    }
    std::stop_source stop;
    ProgressBar bar(ctx.err, StandardErrorIsATerminal(ctx.err), "Подбор");
    const MultiSweepOutcome out = RunMultiSweep(
        params, loaded.Instruments, stop.get_token(),
        [&](std::int64_t done, std::int64_t total) {
            if (Interrupted())
                stop.request_stop();
            bar.Show(done, total);
        },
        rows ? &*rows : nullptr);
    bar.Finish();
    if (SaySweepStopped(out.Stopped, out.Combinations, params.Grid.Combinations(), csvFile.has_value(),
                        csvToOut, ctx))
        return;
    if (csvFile)
        csvFile->Commit();
    if (csvToOut)
        return;
    if (opts.json)
        PrintJson(params, loaded, out, ctx.out);
    else
        PrintTable(params, loaded, out, ctx.out);
}

} // namespace quillet::cli
