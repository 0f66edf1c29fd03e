// make-base and info: building a ".base" from quote files and describing one.

#include "cli/Commands.h"
#include "cli/QuoteFileOptions.h"

#include "model/Dates.h"
#include "model/Errors.h"
#include "model/Instrument.h"
#include "store/Files.h"
#include "store/HourlyImport.h"
#include "store/QuoteImport.h"
#include "store/SpreadFile.h"
#include "store/Startup.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <ostream>

namespace quillet::cli {
namespace {

/// Adds the name of a ".base" just written to DIR/config. When the list
/// cannot be written the error says that the base is there all the same.
void AppendToConfig(const std::string& base, const std::string& dir, const std::string& name)
{
    const std::string config = dir + "config";
    try {
        AppendToInstrumentList(dir, name);
    } catch (const Error& e) {
        const auto* file = dynamic_cast<const FileError*>(&e);
        const std::string reason = file && file->Path() != config ? file->Named() : e.what();
        throw Error("'" + base + "' записан; '" + config + "' не изменён: " + reason);
    }
}

struct MakeBaseOptions {
    std::string name, week, day, hour, hourly, dir;
    QuoteFileOptions quote;
    const CLI::Option* dirOption = nullptr; // whether --dir was given
    bool addToConfig = false;
};

// The folder a base file goes to, made with its parents when missing, as
// demo-data makes its own.
void MakeFolder(const std::string& dir)
{
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (ec)
        throw Error("Не удаётся создать папку '" + dir + "': " + FileErrorText(ec.value()));
}

void MakeBaseFromHourly(const MakeBaseOptions& opts, Context& ctx)
{
    const QuoteImportSettings settings = opts.quote.Settings();
    const std::string dir = FolderOrDefault(opts.dirOption, opts.dir);
    const std::string base = BaseFilePath(dir, opts.name);
    MakeFolder(dir);
    const HourlySummary summary = ImportQuoteFile(opts.hourly, opts.name, settings, base);
    if (opts.addToConfig)
        AppendToConfig(base, dir, opts.name);
    PrintQuoteSummary(ctx.out, summary, settings.ShiftHours);
    ctx.out << "Week " << summary.Weeks << ", Day " << summary.Days << ", Hour " << summary.Hours << '\n';
    if (!summary.SpreadTenths.empty())
        ctx.out << "Спред по истории: " << SpreadFilePath(base) << '\n';
    else if (!summary.SpreadNote.empty())
        ctx.out << "Спред: " << summary.SpreadNote << '\n';
    ctx.out << "Готово: " << base << '\n';
}

void DescribeSeries(std::ostream& out, const char* title, const CandleSeries& series)
{
    const int end = FirstEmptyIndex(series, 1);
    out << title << ": " << end - 1;
    if (end > 1)
        out << " (" << FormatDate(series[1].Date) << " - " << FormatDate(series[end - 1].Date) << ")";
    out << '\n';
}

} // namespace

void AddMakeBaseCommand(CLI::App& app, Context& ctx)
{
    auto opts = std::make_shared<MakeBaseOptions>();
    CLI::App* cmd = app.add_subcommand(
        "make-base", "Build NAME.base from weekly, daily and hourly quote files, or from one hourly file");
    cmd->add_option("NAME", opts->name, "Instrument name (the record keeps its first 6 characters)")
        ->required();
    CLI::Option* week = cmd->add_option("WEEK_FILE", opts->week, "Weekly quote file");
    CLI::Option* day = cmd->add_option("DAY_FILE", opts->day, "Daily quote file");
    CLI::Option* hour = cmd->add_option("HOUR_FILE", opts->hour, "Hourly quote file");
    CLI::Option* hourly =
        cmd->add_option("--hourly", opts->hourly,
                        "Instead of the three files: one hourly or minute file in any format below; the "
                        "daily and weekly candles are built from its hours")
            ->type_name("FILE");
    hourly->excludes(week)->excludes(day)->excludes(hour);
    AddQuoteFileOptions(cmd, opts->quote, "With --hourly: ", hourly);
    opts->dirOption =
        cmd->add_option("--dir", opts->dir,
                        std::string("Directory of the .base file and config (") + kDefaultFolderHelp + ")");
    cmd->add_flag("--add-to-config", opts->addToConfig, "Append NAME to DIR/config");
    cmd->footer("Hourly file formats (--hourly), detected from the first lines; CR LF or LF, an optional "
                "UTF-8 byte-order mark, blank lines skipped:\n" +
                HourlyFormatList() +
                "Each day and each week (dated on its Sunday) takes the open of its first hour, the "
                "highest high, the lowest low and the close of its last hour. A series holds at most "
                "65000 candles: choose a period of a longer file with --from and --to (dates yyyy-mm-dd, "
                "both included). Candles 1, 5, 10, 15 or 30 minutes apart are folded into the clock hours "
                "they fall in (after --shift): the open of the first, the highest high, the lowest low, the "
                "close of the last.");
    cmd->callback([opts, week, day, hour, hourly, &ctx] {
        if (hourly->count() > 0) {
            MakeBaseFromHourly(*opts, ctx);
            return;
        }
        for (const CLI::Option* file : {week, day, hour})
            if (file->count() == 0)
                throw CLI::RequiredError(file->get_name());
        const std::string dir = FolderOrDefault(opts->dirOption, opts->dir);
        // A name that would put the file outside DIR is refused before
        // anything is read or written.
        const std::string basePath = BaseFilePath(dir, opts->name);
        MakeFolder(dir);
        MakeBaseFromQuoteFiles(basePath, opts->name, opts->week, opts->day, opts->hour);
        if (opts->addToConfig)
            AppendToConfig(basePath, dir, opts->name);
        ctx.out << "Готово: " << basePath << "\n";
    });
}

void AddInfoCommand(CLI::App& app, Context& ctx)
{
    auto path = std::make_shared<std::string>();
    CLI::App* cmd = app.add_subcommand(
        "info",
        "Describe a .base file (name, candle counts and dates) or name the format (and the step) of a "
        "quote file");
    cmd->add_option("FILE", *path, "A .base file, or a quote text file")->required();
    cmd->callback([path, &ctx] {
        if (const std::optional<QuoteShape> shape = QuoteShapeOf(*path)) {
            ctx.out << "Формат " << HourlyFormatDescription(shape->Format) << '\n';
            if (shape->StepMinutes != kHourStepMinutes)
                ctx.out << "Шаг: " << StepText(shape->StepMinutes) << '\n';
            return;
        }
        ReadWholeBaseFile(*path, 1);
        const Instrument& inst = Table()[1];
        ctx.out << "Инструмент: " << ShortStringText(inst.Name) << '\n';
        DescribeSeries(ctx.out, "Week", inst.Week);
        DescribeSeries(ctx.out, "Day", inst.Day);
        DescribeSeries(ctx.out, "Hour", inst.Hour);
    });
}

} // namespace quillet::cli
