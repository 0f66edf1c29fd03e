#pragma once
// Hourly quotes written out in each of the hourly file formats, so that tests
// can feed one set of quotes to the import in every form it accepts.

#include "store/HourlyImport.h"

#include <string>
#include <string_view>
#include <vector>

namespace quillet::test {

/// One hourly quote as a file holds it: a date, an hour and the price texts
/// exactly as written (with "." as decimal point).
struct HourQuote {
    int Year, Month, Day, Hour;
    std::string Open, High, Low, Close;
    std::string Volume = "100";
    std::string Spread = "12"; // the tab-separated export's <SPREAD>, in price steps
};

/// How the lines of a file end and what else it carries.
struct TextStyle {
    const char* LineEnd = "\r\n";
    bool ByteOrderMark = false;
    bool BlankLines = false; // a blank line at the start, one between quotes, blanks at the end
};

/// The quotes in `format`, heading included where the format has one.
std::string HourlyText(HourlyFormat format, const std::vector<HourQuote>& quotes,
                       const TextStyle& style = {});

/// The quotes of a text in the program's own quote line form
/// ("2005.01.09,13:00,o,h,l,c,volume"), one per line.
std::vector<HourQuote> ParseQuoteLines(std::string_view text);

} // namespace quillet::test
