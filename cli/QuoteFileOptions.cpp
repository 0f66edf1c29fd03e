#include "cli/QuoteFileOptions.h"

#include "model/Dates.h"
#include "model/Errors.h"
#include "model/Instrument.h"
#include "store/Files.h"

namespace quillet::cli {
namespace {

constexpr const char* kPeriodDateFormat = "yyyy-mm-dd";

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

} // namespace

bool QuoteFileOptions::Given() const
{
    return fromOption->count() + toOption->count() + shiftOption->count() > 0;
}

QuoteImportSettings QuoteFileOptions::Settings() const
{
    QuoteImportSettings settings;
    HourlyPeriod& period = settings.Period;
    if (!from.empty())
        period.From = PeriodDate(from, "--from");
    if (!to.empty())
        period.To = PeriodDate(to, "--to");
    if (period.From && period.To && *period.From > *period.To)
        throw CLI::ValidationError("--from", from + " is after --to " + to);
    settings.ShiftHours = shift;
    return settings;
}

void AddQuoteFileOptions(CLI::App* cmd, QuoteFileOptions& opts, const std::string& whose, CLI::Option* needs)
{
    CLI::Option* from =
        cmd->add_option("--from", opts.from, whose + "keep the hours from this date on (yyyy-mm-dd)")
            ->type_name("DATE");
    CLI::Option* to = cmd->add_option("--to", opts.to, whose + "keep the hours up to this date (yyyy-mm-dd)")
                          ->type_name("DATE");
    CLI::Option* shift =
        cmd->add_option("--shift", opts.shift,
                        whose + "add H hours (-23..23) to every time before hours, days and weeks are built, "
                                "to see the weeks of another clock")
            ->type_name("H")
            ->check(CLI::Range(-kMaxShiftHours, kMaxShiftHours));
    if (needs)
        for (CLI::Option* option : {from, to, shift})
            option->needs(needs);
    opts.fromOption = from;
    opts.toOption = to;
    opts.shiftOption = shift;
}

HourlySummary ImportQuoteFile(const std::string& file, const std::string& name,
                              const QuoteImportSettings& settings, const std::string& basePath)
{
    try {
        if (basePath.empty())
            return BuildInstrumentFromQuoteFile(Table().ScratchSlot(), name, file, settings);
        return MakeBaseFromQuoteFile(basePath, name, file, settings);
    } catch (const TooManyHoursError& e) {
        const HourlyPeriod& period = settings.Period;
        throw FileError(file, std::string(e.what()) + " Период, который помещается: --from " +
                                  PeriodText(e.FittingFrom) +
                                  (period.To ? " --to " + PeriodText(*period.To) : std::string()));
    }
}

std::optional<QuoteShape> QuoteShapeOf(const std::string& path)
{
    const std::string_view ext = ".base";
    if (path.size() >= ext.size() && path.compare(path.size() - ext.size(), ext.size(), ext) == 0)
        return std::nullopt;
    try {
        return ReadQuoteFileShape(path);
    } catch (const FileError&) {
        throw;
    } catch (const Error& e) {
        if (FileChunks(path).Size() < kInstrumentSize)
            throw FileError(path, e.what());
    }
    return std::nullopt;
}

void PrintQuoteSummary(std::ostream& out, const HourlySummary& summary, int shiftHours)
{
    out << "Формат " << HourlyFormatDescription(summary.Format) << '\n';
    if (summary.StepMinutes != kHourStepMinutes)
        out << "Шаг: " << StepText(summary.StepMinutes) << ", свечей в файле " << summary.Candles
            << ", сложены в часовые\n";
    if (shiftHours != 0)
        out << "Сдвиг времени: " << (shiftHours > 0 ? "+" : "") << shiftHours << " ч\n";
}

} // namespace quillet::cli
