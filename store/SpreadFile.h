#pragma once
// The spread each hour had, kept beside an instrument's ".base" file as the
// text file NAME.spread: one line per hourly candle of the ".base", in the
// order of its Hour series, each a whole number of tenths of a point (0 to
// 65535). Lines starting with "#" are notes. Like "config", the file is code
// page 1251 with CR LF line ends. A ".base" without it has no recorded
// spread; the ".base" itself stays exactly as it always was.

#include "model/Instrument.h"
#include "model/RecordedSpread.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quillet {

/// The spread file beside a ".base": its path with ".spread" for ".base".
std::string SpreadFilePath(const std::string& basePath);

/// The text of a spread file (UTF-8, LF) for the hours of `name`.
std::string SpreadText(std::string_view name, const std::vector<std::uint16_t>& tenths);

/// The spreads of a spread file's text for an instrument of `hours` hourly
/// candles. A line that is no spread, or a count other than `hours`, throws
/// an Error naming the line ("строка 3: ...").
std::vector<std::uint16_t> ParseSpread(std::string_view text, int hours);

/// The spread beside `basePath` for an instrument of `hours` hourly candles:
/// empty when there is no file, and empty with its Problem() when the file
/// cannot be read or does not fit. Never throws: the ".base" is usable
/// without it.
RecordedSpread ReadSpreadBeside(const std::string& basePath, int hours);

/// Reads the spread beside `basePath` for the instrument in `slot` into the
/// table, beside the slot.
void LoadSpreadBeside(const std::string& basePath, int slot, InstrumentTable& table = Table());

/// Writes the record as `basePath` and, with `tenths`, its spread beside it;
/// without them a spread file that is there is removed, so that a spread
/// never outlives the hours it was recorded for. The spread is made in full
/// before the ".base" is written and put in place after it: a failure
/// before then leaves both files as they were.
void WriteBaseAndSpread(const std::string& basePath, const Instrument& record,
                        const std::vector<std::uint16_t>& tenths);

} // namespace quillet
