#pragma once
// An instrument from one hourly quote file, in the formats platforms and data
// vendors export: the hours are taken as they stand, and the daily and weekly
// candles are built from them. Prices go through the same text-to-number
// conversion as the three-file import, so the same quote gives the same bytes.
// A file of minute candles in the same formats is folded into clock hours
// first, and every time may be shifted by whole hours to another clock.

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

/// The candles of an hour-long step.
inline constexpr int kHourStepMinutes = 60;

/// The steps a file's candles may follow each other by, in minutes; an hour
/// besides.
inline constexpr int kMinuteSteps[] = {1, 5, 10, 15, 30};

/// How many quote lines at the start of a file tell its step.
inline constexpr int kStepLines = 64;

/// What the first lines of a quote text tell: its format and the minutes
/// between its candles (kHourStepMinutes for an hourly file).
struct QuoteShape {
    HourlyFormat Format = HourlyFormat::QuoteLine;
    int StepMinutes = kHourStepMinutes;
};

/// The format of a quote text, from its first non-blank line (after an
/// optional UTF-8 byte-order mark): a known heading or the shape of a quote
/// line. A text that matches none throws an error quoting that line and
/// listing the formats.
HourlyFormat DetectHourlyFormat(std::string_view text);

/// The format and the step of a quote text from its first lines: the step is
/// the greatest common divisor of the gaps between the first kStepLines
/// quote lines. A step of whole hours, or a text with fewer than two gaps
/// shorter than an hour, is hourly; a step of 1, 5, 10, 15 or 30 minutes
/// makes a minute file, and any other is refused.
QuoteShape DetectQuoteShape(std::string_view text);

/// The same for a file, reading only as far as its first lines go.
QuoteShape ReadQuoteFileShape(const std::string& path);

/// "5 минут", "1 минута": a step as the outputs name it.
std::string StepText(int stepMinutes);

/// The hours to keep: those dated From to To (day serials, both included);
/// an absent bound leaves that side open.
struct HourlyPeriod {
    std::optional<double> From;
    std::optional<double> To;
};

/// Told now and then how far the reading has come: bytes done of all bytes.
using HourlyProgress = std::function<void(std::size_t done, std::size_t total)>;

/// The shift bounds, in whole hours.
inline constexpr int kMaxShiftHours = 23;

/// How to read a quote file: the hours to keep (dated after the shift) and
/// the hours added to every time, -23 to +23, before hours, days and weeks
/// are built.
struct QuoteImportSettings {
    HourlyPeriod Period;
    int ShiftHours = 0;
};

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
    int StepMinutes = kHourStepMinutes; // of the file's candles
    long long Candles = 0;              // the file's candles, before folding
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

/// As BuildInstrumentFromHourly, for an hourly or a minute text and a shift:
/// a minute text's candles are folded into the clock hours they fall in
/// after the shift (the open of the first, the highest high, the lowest low,
/// the close of the last), and the hours go on as an hourly file's. The
/// shift also moves the dates the period is chosen by.
HourlySummary BuildInstrumentFromQuotes(Instrument& record, std::string_view name, std::string_view text,
                                        const QuoteImportSettings& settings,
                                        const HourlyProgress& progress = {});

/// The same, reading the file piece by piece: memory does not grow with the
/// file. A refused line is a FileError naming the file.
HourlySummary BuildInstrumentFromQuoteFile(Instrument& record, std::string_view name,
                                           const std::string& quoteFile, const QuoteImportSettings& settings,
                                           const HourlyProgress& progress = {});

/// Reads a quote file piece by piece, builds the table's scratch slot from
/// it and writes the slot as `basePath`; nothing is written on refusal.
HourlySummary MakeBaseFromQuoteFile(const std::string& basePath, std::string_view name,
                                    const std::string& quoteFile, const QuoteImportSettings& settings,
                                    const HourlyProgress& progress = {}, InstrumentTable& table = Table());

/// Reads an hourly file, builds the table's scratch slot from it and writes
/// the slot as `basePath`, with the hours' spread beside it when the file has
/// a spread column (WriteBaseAndSpread; the scratch slot's spread is set
/// too). Nothing is written on refusal; a refused line is a FileError naming
/// the hourly file.
HourlySummary MakeBaseFromHourlyFile(const std::string& basePath, std::string_view name,
                                     const std::string& hourlyFile, const HourlyPeriod& period = {},
                                     const HourlyProgress& progress = {}, InstrumentTable& table = Table());

} // namespace quillet
