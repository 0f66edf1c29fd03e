// make-base and info: building a ".base" from quote files and describing one.

#include "cli/Cli.h"

#include "store/Dates.h"
#include "store/Files.h"
#include "store/Instrument.h"
#include "store/QuoteImport.h"

#include <filesystem>
#include <memory>
#include <ostream>

namespace quillet::cli {
namespace {

void DescribeSeries(std::ostream& out, const char* title, const CandleSeries& series)
{
    const int end = FirstEmptyIndex(series, 1);
    out << title << ": " << end - 1;
    if (end > 1)
        out << " (" << FormatDate(series[1].Date) << " - " << FormatDate(series[end - 1].Date) << ")";
    out << '\n';
}

}  // namespace

void AddMakeBaseCommand(CLI::App& app, Context& ctx)
{
    struct Options {
        std::string name, week, day, hour, dir = ".";
        bool addToConfig = false;
    };
    auto opts = std::make_shared<Options>();
    CLI::App* cmd = app.add_subcommand("make-base", "Build NAME.base from weekly, daily and hourly quote files");
    cmd->add_option("NAME", opts->name, "Instrument name (the record keeps its first 6 characters)")->required();
    cmd->add_option("WEEK_FILE", opts->week, "Weekly quote file")->required();
    cmd->add_option("DAY_FILE", opts->day, "Daily quote file")->required();
    cmd->add_option("HOUR_FILE", opts->hour, "Hourly quote file")->required();
    cmd->add_option("--dir", opts->dir, "Directory of the .base file and config (default: current)");
    cmd->add_flag("--add-to-config", opts->addToConfig, "Append NAME to DIR/config");
    cmd->callback([opts, &ctx] {
        const std::string dir = WithTrailingSlash(opts->dir);
        // A name that would put the file outside DIR is refused before
        // anything is read or written.
        const std::string basePath = BaseFilePath(dir, opts->name);
        MakeBaseFromQuoteFiles(basePath, opts->name, opts->week, opts->day, opts->hour);
        if (opts->addToConfig) {
            std::vector<std::string> names;
            if (std::filesystem::exists(dir + "config"))
                names = ReadInstrumentList(dir + "config");
            names.push_back(opts->name);
            WriteInstrumentList(dir + "config", names);
        }
        ctx.out << "Готово: " << basePath << "\n";
    });
}

void AddInfoCommand(CLI::App& app, Context& ctx)
{
    auto path = std::make_shared<std::string>();
    CLI::App* cmd = app.add_subcommand("info", "Describe a .base file: name, candle counts and dates");
    cmd->add_option("FILE", *path, "The .base file")->required();
    cmd->callback([path, &ctx] {
        ReadBaseFile(*path, 1);
        const Instrument& inst = Table()[1];
        ctx.out << "Инструмент: " << ShortStringText(inst.Name) << '\n';
        DescribeSeries(ctx.out, "Week", inst.Week);
        DescribeSeries(ctx.out, "Day", inst.Day);
        DescribeSeries(ctx.out, "Hour", inst.Hour);
    });
}

}  // namespace quillet::cli
