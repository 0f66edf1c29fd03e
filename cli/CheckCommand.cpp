// check: how whole and how clean the quotes of a quote file or a ".base"
// are, as the window's report after an import says it.

#include "cli/Commands.h"
#include "cli/QuoteFileOptions.h"

#include "analysis/DataCheck.h"
#include "model/ControlRanges.h"
#include "model/Instrument.h"
#include "report/DataCheckTexts.h"
#include "store/Files.h"

#include <filesystem>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace quillet::cli {
namespace {

struct CheckOptions {
    std::string file, name;
    QuoteFileOptions quote;
    double minShare = kDefaultMinWeekShare * 100;
    std::vector<int> range;
};

void RunCheck(const CheckOptions& opts, Context& ctx)
{
    if (!opts.range.empty())
        if (const std::string error = WeekRangeError(opts.range[0], opts.range[1]); !error.empty())
            throw CLI::ValidationError("--range", error);
    const QuoteImportSettings settings = opts.quote.Settings();
    const std::optional<QuoteShape> shape = QuoteShapeOf(opts.file);
    if (!shape && opts.quote.Given())
        throw CLI::ValidationError("--from/--to/--shift", "they apply to a quote file, not to a .base");

    const Instrument* inst = nullptr;
    if (shape) {
        // The record keeps six characters of the name, which decides the point size.
        const std::string name =
            opts.name.empty() ? std::filesystem::path(opts.file).stem().string() : opts.name;
        const HourlySummary summary = ImportQuoteFile(opts.file, name, settings);
        PrintQuoteSummary(ctx.out, summary, settings.ShiftHours);
        inst = &Table().ScratchSlot();
    } else {
        ReadWholeBaseFile(opts.file, 1);
        inst = &Table()[1];
    }
    DataCheckOptions options;
    options.MinWeekShare = opts.minShare / 100;
    if (!opts.range.empty())
        options = RunWeeks(*inst, opts.range[0], opts.range[1], options);
    const DataCheck check = CheckQuoteData(*inst, options);
    for (const std::string& line : DataCheckReport(check, ShortStringText(inst->Name), options))
        ctx.out << line << '\n';
}

} // namespace

void AddCheckCommand(CLI::App& app, Context& ctx)
{
    auto opts = std::make_shared<CheckOptions>();
    CLI::App* cmd = app.add_subcommand(
        "check",
        "Check the quotes of a quote file (hourly or minute) or of a .base: the trading hours present, "
        "gaps, Saturday hours, spikes, flat runs, and weekly and daily candles against their hours");
    cmd->add_option("FILE", opts->file, "A quote file or a .base file")
        ->required()
        ->check(NonEmptyFileName());
    cmd->add_option("--name", opts->name,
                    "For a quote file: the instrument's name, which decides the point size (default: the "
                    "file's name)");
    AddQuoteFileOptions(cmd, opts->quote, "For a quote file: ");
    cmd->add_option("--min-share", opts->minShare,
                    "A week with fewer than P percent of its trading hours is listed")
        ->type_name("P")
        ->check(CLI::Range(1.0, 100.0))
        ->capture_default_str();
    cmd->add_option("--range", opts->range,
                    "Only the weeks a backtest over weekly candles FIRST to LAST uses (and the week after)")
        ->expected(2)
        ->type_name("FIRST LAST");
    cmd->footer(
        "Trading hours run from Sunday 22:00 to Friday 22:00 in the file's clock (after --shift), "
        "counted between the first hour and the last. A spike is an hour whose range is more than 10 "
        "times the median range of its week; a flat run is 24 hours or more with one close. Weekly and "
        "daily candles (of a three-file import) are compared with their hours to a tenth of a point.");
    cmd->callback([opts, &ctx] { RunCheck(*opts, ctx); });
}

} // namespace quillet::cli
