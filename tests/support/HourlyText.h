#pragma once
// Hourly quotes written out in each of the hourly file formats, so that tests
// can feed one set of quotes to the import in every form it accepts.

#include "store/HourlyImport.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quillet::test {

/// One hourly quote as a file holds it: a date, an hour and the price texts
/// exactly as written (with "." as decimal point); a minute file's candle
/// also has its minute.
struct HourQuote {
    int Year, Month, Day, Hour;
    std::string Open, High, Low, Close;
    std::string Volume = "100";
    std::string Spread = "12"; // the tab-separated export's <SPREAD>, in price steps
    int Minute = 0;
};

/// How the lines of a file end and what else it carries.
struct TextStyle {
    const char* LineEnd = "\r\n";
    bool ByteOrderMark = false;
    bool BlankLines = false; // a blank line at the start, one between quotes, blanks at the end
};

/// Every hourly file format.
inline constexpr HourlyFormat kHourlyFormats[] = {HourlyFormat::QuoteLine, HourlyFormat::DateTimeComma,
                                                  HourlyFormat::TabBracketed, HourlyFormat::SemicolonCompact,
                                                  HourlyFormat::DayFirstSeconds};

/// The quotes in `format`, heading included where the format has one.
std::string HourlyText(HourlyFormat format, const std::vector<HourQuote>& quotes,
                       const TextStyle& style = {});

/// Each hour as candles `step` minutes apart that keep its open, high, low
/// and close: the open of the first, the high and the low each reached by
/// one, the close of the last, every other price one of the hour's own
/// texts. Until `wholeLines` candles are written every hour has all its
/// candles, so that the first lines show the step; later hours have a
/// random choice of them.
std::vector<HourQuote> SplitIntoMinutes(const std::vector<HourQuote>& hours, int step, std::uint64_t seed,
                                        std::size_t wholeLines = 64);

/// The quotes with every time moved by `hours` (dates follow).
std::vector<HourQuote> Shifted(std::vector<HourQuote> quotes, int hours);

/// `count` hours of random five-decimal quotes from Sunday 2 January 2000,
/// hours skipped now and then, weekends included.
std::vector<HourQuote> RandomHours(int count, std::uint64_t seed);

/// The quotes of a text in the program's own quote line form
/// ("2005.01.09,13:00,o,h,l,c,volume"), one per line.
std::vector<HourQuote> ParseQuoteLines(std::string_view text);

} // namespace quillet::test
