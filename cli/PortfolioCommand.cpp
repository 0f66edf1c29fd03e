// portfolio: the all-pairs run over the instruments that DIR/config lists,
// printed as the captions and values of its page or as JSON.

#include "cli/Commands.h"

#include "engine/Portfolio.h"
#include "model/Errors.h"
#include "model/Instrument.h"
#include "report/PortfolioReport.h"
#include "store/Startup.h"

#include <nlohmann/json.hpp>

#include <cerrno>
#include <filesystem>
#include <iterator>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace quillet::cli {
namespace {

// The track bars of the page and their ranges.
constexpr int kSignalMin = 85, kSignalMax = 300, kSignalDefault = 85;
constexpr int kStopLossMax = 200, kStopLossDefault = 100;
constexpr int kTakeProfitMin = 1, kTakeProfitMax = 200, kTakeProfitDefault = 50;

struct Options {
    std::string dir;
    const CLI::Option* dirOption = nullptr; // whether DIR was given
    int signal = kSignalDefault;
    int stopLoss = kStopLossDefault;
    int takeProfit = kTakeProfitDefault;
    bool json = false;
};

// The totals block as the page lays it out: caption, then the value label.
struct CaptionLine {
    const char* label;
    const char* caption;
};

constexpr CaptionLine kTotals[] = {
    {"Label148", "Количество входов"},
    {"Label142", "Количество ТР"},
    {"Label144", "Количество SL"},
    {"Label146", "Общий процент ТР   (%)"},
    {"Label150", "Средняя просадка позиции"},
    {"Label152", "Макс. просадка позиции"},
    {"Label154", "Среднее кол-во часов"},
    {"Label158", "\"Профитность\""},
    {"Label167", "Максимальная серия TP"},
    {"Label169", "Максимальная серия SL"},
};

// The row captions are fixed texts of the page: row n shows slot n whatever
// instrument "config" put there.
constexpr CaptionLine kPairRows[] = {
    {"Label133", "AUDJPY"}, {"Label134", "AUDUSD"}, {"Label135", "EURJPY"}, {"Label136", "GPBUSD"},
    {"Label137", "EURAUD"}, {"Label138", "EURUSD"}, {"Label139", "EURCAD"},
};
static_assert(std::size(kPairRows) == kPortfolioPairCount);

const std::string& LabelValue(const std::vector<LabelText>& labels, const char* label)
{
    for (const LabelText& l : labels)
        if (l.Label == label)
            return l.Text;
    static const std::string none;
    return none;
}

nlohmann::ordered_json ResultJson(const PortfolioResult& r)
{
    nlohmann::ordered_json pairs = nlohmann::ordered_json::array();
    for (const PairTally& p : r.Pairs)
        pairs.push_back({{"Entries", p.Entries}, {"TakeProfits", p.TakeProfits}});
    return {
        {"Entries", r.Entries},         {"TakeProfits", r.TakeProfits}, {"StopLosses", r.StopLosses},
        {"HoursSum", r.HoursSum},       {"DrawdownSum", r.DrawdownSum}, {"DrawdownMax", r.DrawdownMax},
        {"TpSeriesMax", r.TpSeriesMax}, {"SlSeriesMax", r.SlSeriesMax}, {"Pairs", pairs},
    };
}

// Fills the table from DIR/config and the ".base" files it lists, as the
// window's start-up does; false (with the reason on ctx.err) when it cannot.
bool LoadFromConfig(const std::string& dir, InstrumentTable& table, Context& ctx)
{
    const std::string config = dir + "config";
    std::error_code ec;
    if (!std::filesystem::exists(config, ec)) {
        ctx.err << "'" << config << "': " << FileErrorText(ENOENT) << '\n';
        return false;
    }
    std::vector<std::string> names;
    try {
        LoadInstruments(dir, names, {}, table);
    } catch (const Error& e) {
        // The error names the list or the ".base" file that failed.
        ctx.err << NamedErrorText(e) << '\n';
        return false;
    }
    return true;
}

void RunPortfolio(const Options& opts, Context& ctx)
{
    // A table of its own: every run starts from empty slots, as a fresh
    // start of the program does.
    auto table = std::make_unique<InstrumentTable>();
    if (!LoadFromConfig(FolderOrDefault(opts.dirOption, opts.dir), *table, ctx)) {
        ctx.exitCode = kFailure;
        return;
    }

    PortfolioParams params;
    params.SignalMinPoints = opts.signal;
    params.StopLossPoints = opts.stopLoss;
    params.TakeProfitPoints = opts.takeProfit;
    int progress = 0;
    const PortfolioResult result = RunPortfolioBacktest(
        params, [&progress] { ++progress; }, *table);
    const std::vector<LabelText> labels = MakePortfolioReport(params, result);

    if (opts.json) {
        nlohmann::ordered_json labelJson = nlohmann::ordered_json::object();
        for (const LabelText& l : labels)
            labelJson[l.Label] = l.Text;
        const nlohmann::ordered_json doc = {
            {"result", ResultJson(result)},
            {"labels", labelJson},
            {"progress", progress},
        };
        ctx.out << doc.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << '\n';
        return;
    }

    ctx.out << "Минимальная длина свечи: " << params.SignalMinPoints << " п\n";
    ctx.out << "Stop Loss: " << params.StopLossPoints << " п\n";
    ctx.out << "Take Profit: " << params.TakeProfitPoints << " п\n";
    for (const CaptionLine& line : kTotals)
        ctx.out << line.caption << ": " << LabelValue(labels, line.label) << '\n';
    ctx.out << "По парам\n";
    for (const CaptionLine& line : kPairRows)
        ctx.out << "  " << line.caption << ": " << LabelValue(labels, line.label) << '\n';
    ctx.out << "* входы(%ТР)\n";
}

} // namespace

void AddPortfolioCommand(CLI::App& app, Context& ctx)
{
    auto opts = std::make_shared<Options>();
    CLI::App* cmd = app.add_subcommand(
        "portfolio", "Run the all-pairs backtest over slots 1 to 7 of the instruments listed in DIR/config");
    opts->dirOption =
        cmd->add_option("DIR", opts->dir,
                        std::string("Directory of config and the .base files (") + kDefaultFolderHelp + ")");
    cmd->add_option("--signal", opts->signal, "A week trades only if its longest candle is longer, in points")
        ->check(CLI::Range(kSignalMin, kSignalMax))
        ->capture_default_str();
    cmd->add_option("--sl", opts->stopLoss, "Stop-loss distance, in points")
        ->check(CLI::Range(0, kStopLossMax))
        ->capture_default_str();
    cmd->add_option("--tp", opts->takeProfit, "Take-profit distance, in points")
        ->check(CLI::Range(kTakeProfitMin, kTakeProfitMax))
        ->capture_default_str();
    cmd->add_flag("--json", opts->json, "Print one JSON object: result, labels, progress");
    cmd->callback([opts, &ctx] { RunPortfolio(*opts, ctx); });
}

} // namespace quillet::cli
