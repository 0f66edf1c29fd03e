// make-base and info: building a ".base" from quote files and describing one.

#include "cli/Commands.h"

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

constexpr const char* kPeriodDateFormat = "yyyy-mm-dd";

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

/// A --from or --to date, yyyy-mm-dd, as a day serial.
double PeriodDate(const std::string& text, const char* option)
{
    const auto digits = [&](std::size_t from, std::size_t count, int& value) {
        value = 0;
        for (std::size_t i = from; i < from + count; ++i) {
            if (text[i] < '0' || text[i] > '9')
                return false;
            value = value * 10 + (text[i] - '0');
        }
        return true;
    };
    int y = 0, m = 0, d = 0;
    CivilDate back{};
    if (text.size() == 10 && text[4] == '-' && text[7] == '-' && digits(0, 4, y) && digits(5, 2, m) &&
        digits(8, 2, d) && y >= 1 && m >= 1 && m <= 12 && d >= 1 && DecodeDate(DateSerial(y, m, d), back) &&
        back.Month == m && back.Day == d)
        return DateSerial(y, m, d);
    throw CLI::ValidationError(option, "'" + text + "' is not a date yyyy-mm-dd (such as 2010-10-07)");
}

std::string PeriodText(double serial)
{
    return FormatDate(serial, kPeriodDateFormat);
}

struct MakeBaseOptions {
    std::string name, week, day, hour, hourly, from, to, dir;
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
    HourlyPeriod period;
    if (!opts.from.empty())
        period.From = PeriodDate(opts.from, "--from");
    if (!opts.to.empty())
        period.To = PeriodDate(opts.to, "--to");
    if (period.From && period.To && *period.From > *period.To)
        throw CLI::ValidationError("--from", opts.from + " is after --to " + opts.to);

    const std::string dir = FolderOrDefault(opts.dirOption, opts.dir);
    const std::string base = BaseFilePath(dir, opts.name);
    MakeFolder(dir);
    HourlySummary summary;
    try {
        summary = MakeBaseFromHourlyFile(base, opts.name, opts.hourly, period);
    } catch (const TooManyHoursError& e) {
        throw FileError(opts.hourly, std::string(e.what()) + " Период, который помещается: --from " +
                                         PeriodText(e.FittingFrom) +
                                         (period.To ? " --to " + PeriodText(*period.To) : std::string()));
    }
    if (opts.addToConfig)
        AppendToConfig(base, dir, opts.name);
    ctx.out << "Формат " << HourlyFormatDescription(summary.Format) << '\n';
    ctx.out << "Week " << summary.Weeks << ", Day " << summary.Days << ", Hour " << summary.Hours << '\n';
    if (!summary.SpreadTenths.empty())
        ctx.out << "Спред по истории: " << SpreadFilePath(base) << '\n';
    else if (!summary.SpreadNote.empty())
        ctx.out << "Спред: " << summary.SpreadNote << '\n';
    ctx.out << "Готово: " << base << '\n';
}

bool NamedAsBase(const std::string& path)
{
    const std::string_view ext = ".base";
    return path.size() >= ext.size() && path.compare(path.size() - ext.size(), ext.size(), ext) == 0;
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
                        "Instead of the three files: one hourly file in any format below; the daily and "
                        "weekly candles are built from its hours")
            ->type_name("FILE");
    hourly->excludes(week)->excludes(day)->excludes(hour);
    cmd->add_option("--from", opts->from, "With --hourly: keep the hours from this date on (yyyy-mm-dd)")
        ->type_name("DATE")
        ->needs(hourly);
    cmd->add_option("--to", opts->to, "With --hourly: keep the hours up to this date (yyyy-mm-dd)")
        ->type_name("DATE")
        ->needs(hourly);
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
                "both included).");
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
        "info", "Describe a .base file (name, candle counts and dates) or name the format of an hourly file");
    cmd->add_option("FILE", *path, "A .base file, or a quote text file")->required();
    cmd->callback([path, &ctx] {
        // A file not named ".base" is taken for quote text when it reads as
        // one; one that does not and is as long as a record is a base all the same.
        if (!NamedAsBase(*path)) {
            const std::string bytes = ReadFileBytes(*path);
            std::optional<HourlyFormat> format;
            try {
                format = DetectHourlyFormat(bytes);
            } catch (const Error& e) {
                if (bytes.size() < kInstrumentSize)
                    throw FileError(*path, e.what());
            }
            if (format) {
                ctx.out << "Формат " << HourlyFormatDescription(*format) << '\n';
                return;
            }
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
