// The instruments of a sweep or walk-forward analysis over several: the
// files given or those a config lists, each with its costs.

#include "cli/PairsCommands.h"

#include "model/Errors.h"
#include "store/Files.h"
#include "store/Startup.h"

#include <algorithm>
#include <filesystem>

namespace quillet::cli {

void AddPairsOptions(CLI::App* cmd, PairsOptions& pairs)
{
    cmd->add_option("FILE", pairs.files,
                    "The .base file; its instrument name decides the point size. Two to " +
                        std::to_string(kMaxSweptPairs) +
                        " files: one run over all of them, each at its own costs");
    cmd->add_option(
           "--config", pairs.config,
           "Run over the instruments DIR/config lists (DIR/NAME.base), at the costs of DIR/costs unless "
           "costs are given")
        ->type_name("DIR");
    cmd->add_option(
           "--min-total-entries", pairs.minTotalEntries,
           "With several instruments: fewer entries on all of them together keep a combination out too "
           "(--min-entries applies to each instrument)")
        ->check(CLI::Range(0, 1000000))
        ->each([&pairs](const std::string&) { pairs.minTotalGiven = true; })
        ->capture_default_str();
}

void CheckPairsOptions(const PairsOptions& pairs)
{
    if (pairs.config && !pairs.files.empty())
        throw CLI::ValidationError("--config",
                                   "takes the instruments its config lists: give no FILE beside it");
    if (!pairs.config && pairs.files.empty())
        throw CLI::RequiredError("FILE");
    if (pairs.files.size() > static_cast<std::size_t>(kMaxSweptPairs))
        throw CLI::ValidationError("FILE", "at most " + std::to_string(kMaxSweptPairs) +
                                               " instruments, not " + std::to_string(pairs.files.size()));
    if (!pairs.Several() && pairs.minTotalGiven)
        throw CLI::ValidationError("--min-total-entries", "counts the entries of several instruments");
}

std::vector<std::string> LoadedPairs::Names() const
{
    std::vector<std::string> names;
    for (const PairSetup& p : Pairs)
        names.push_back(p.Name);
    return names;
}

namespace {

// The files and, from a config, the names it lists (which the window shows
// and keeps the costs under).
void ListedFiles(const PairsOptions& pairs, std::vector<std::string>& paths, std::vector<std::string>& names,
                 std::ostream& err)
{
    if (!pairs.config) {
        paths = pairs.files;
        return;
    }
    const std::string dir = WithTrailingSlash(*pairs.config);
    names = ReadStartupList(dir);
    if (names.size() > static_cast<std::size_t>(kMaxSweptPairs)) {
        err << "'" << dir << "config' перечисляет " << names.size() << " инструментов: берутся первые "
            << kMaxSweptPairs << '\n';
        names.resize(static_cast<std::size_t>(kMaxSweptPairs));
    }
    if (names.size() < 2)
        throw Error("'" + dir + "config' lists " + std::to_string(names.size()) +
                    " instruments; a run over several needs two to " + std::to_string(kMaxSweptPairs));
    for (const std::string& name : names)
        paths.push_back(BaseFilePath(dir, name));
}

} // namespace

LoadedPairs LoadPairs(const PairsOptions& pairs, const CostOptions& costs, std::ostream& err)
{
    std::vector<std::string> paths, names;
    ListedFiles(pairs, paths, names, err);
    // Without costs given, --config trades at the costs the window keeps beside it.
    const std::string dir = pairs.config ? WithTrailingSlash(*pairs.config) : std::string();
    const bool dirCosts = pairs.config && !costs.given;
    const CostsTable dirTable = dirCosts ? ReadCostsFile(dir) : CostsTable();
    std::error_code ec;
    const bool dirHasCosts = dirCosts && std::filesystem::exists(dir + kCostsFileName, ec);
    LoadedPairs out;
    for (std::size_t k = 0; k < paths.size(); ++k) {
        const int slot = static_cast<int>(k) + 1;
        LoadInstrumentForRun(paths[k], slot);
        const Instrument& inst = Table()[slot];
        const std::string name = names.empty() ? ShortStringText(inst.Name) : names[k];
        for (const PairSetup& p : out.Pairs)
            if (p.Name == name)
                throw Error("'" + paths[k] + "': instrument " + name + " is given twice");
        bool listed = costs.Lists(name);
        TradeCosts pairCosts = costs.CostsOf(name);
        if (dirCosts) {
            const auto& entries = dirTable.Entries();
            listed = !dirHasCosts || std::any_of(entries.begin(), entries.end(),
                                                 [&](const CostsTable::Entry& e) { return e.first == name; });
            pairCosts = dirTable.Of(name);
        }
        // The sweep over several instruments meets each hour's spread only as one spread.
        if (pairCosts.SpreadRecorded)
            throw CLI::ValidationError(costs.file || dirCosts ? "--costs" : "--spread",
                                       name +
                                           ": спред по истории пока считается только для одного инструмента");
        out.Pairs.push_back({name, pairCosts});
        out.Instruments.push_back(&inst);
        out.Listed.push_back(listed);
    }
    return out;
}

} // namespace quillet::cli
