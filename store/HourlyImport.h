#pragma once
// An instrument from one hourly quote file, in the formats platforms and data
// vendors export: the hours are taken as they stand, and the daily and weekly
// candles are built from them. Prices go through the same text-to-number
// conversion as the three-file import, so the same quote gives the same bytes.

#include "model/Errors.h"
#include "model/Instrument.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillet {

/// The hourly file formats, numbered as the user sees them.
enum class HourlyFormat {
    QuoteLine = 1,    // 2010.10.07,13:00,1.39672,1.39781,1.39624,1.39708,2304
    DateTimeComma,    // Date,Open,High,Low,Close,Volume / 2010.10.07 13:00,1.39672,...
    TabBracketed,     // <DATE> <TIME> <OPEN> ... / 2010.10.07 13:00:00 1.39672 ... (tabs)
    SemicolonCompact, // 20101007 130000;1.39672;1.39781;1.39624;1.39708;0
    DayFirstSeconds,  // Gmt time,Open,High,Low,Close,Volume / 07.10.2010 13:00:00.000,1.39672,...
};

inline constexpr int kHourlyFormatCount = 5;

/// One line naming a format: its number, what it looks like and an example.
std::string HourlyFormatDescription(HourlyFormat format);

/// Every format on a line of its own, as an unknown file's error lists them.
std::string HourlyFormatList();

/// The format of a quote text, from its first non-blank line (after an
/// optional UTF-8 byte-order mark): a known heading or the shape of a quote
/// line. A text that matches none throws an error quoting that line and
/// listing the formats.
HourlyFormat DetectHourlyFormat(std::string_view text);

/// The hours to keep: those dated From to To (day serials, both included);
/// an absent bound leaves that side open.
struct HourlyPeriod {
    std::optional<double> From;
    std::optional<double> To;
};

/// Told now and then how far the reading has come: bytes done of all bytes.
using HourlyProgress = std::function<void(std::size_t done, std::size_t total)>;

/// What an import built.
struct HourlySummary {
    HourlyFormat Format = HourlyFormat::QuoteLine;
    int Weeks = 0;
    int Days = 0;
    int Hours = 0;
    /// The spread of every hour kept, tenths of a point, from the <SPREAD>
    /// column of the tab-separated export; empty without one.
    std::vector<std::uint16_t> SpreadTenths;
    /// Why a spread column was not kept (not whole numbers, or prices whose
    /// digits do not tell the step); empty otherwise.
    std::string SpreadNote;
};

/// More hours than a series holds. Beside its text it carries what the user
/// needs to choose a period that fits.
class TooManyHoursError : public Error {
  public:
    TooManyHoursError(std::size_t hours, bool periodChosen, double lastStartDate, int lastStartHour,
                      double fittingFrom);
    std::size_t Hours;    // hours in the file, or in the chosen period
    double LastStartDate; // date of the first of the last 65000 hours
    int LastStartHour;    // and its hour
    double FittingFrom;   // the first date from which every later hour fits
};

/// Fills `record` from the text of an hourly file: it is emptied, its Name is
/// the first 6 characters of `name`, its Hour series holds the hours of the
/// period in file order, Day one candle per date and Week one candle per
/// week, dated on its Sunday. Every line must read, with as many fields as
/// the heading (or the first line), positive prices and a High and Low that
/// bound the candle, and dates and hours must rise strictly; the first line
/// that fails throws an error naming its line number and field. Nothing in
/// `record` changes on refusal.
HourlySummary BuildInstrumentFromHourly(Instrument& record, std::string_view name, std::string_view text,
                                        const HourlyPeriod& period = {}, const HourlyProgress& progress = {});

/// Reads an hourly file, builds the table's scratch slot from it and writes
/// the slot as `basePath`, with the hours' spread beside it when the file has
/// a spread column (WriteBaseAndSpread; the scratch slot's spread is set
/// too). Nothing is written on refusal; a refused line is a FileError naming
/// the hourly file.
HourlySummary MakeBaseFromHourlyFile(const std::string& basePath, std::string_view name,
                                     const std::string& hourlyFile, const HourlyPeriod& period = {},
                                     const HourlyProgress& progress = {}, InstrumentTable& table = Table());

} // namespace quillet
