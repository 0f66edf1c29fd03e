#pragma once
// The older way of filling the table, from before ".base" files: seven
// instruments read from fixed comma-separated files straight into slots 1
// to 7, and the save of those seven slots into one file.

#include "model/Instrument.h"

#include <string>
#include <string_view>
#include <vector>

namespace quillet {

/// Slots 1 to 7 are filled by the older import and saved together.
inline constexpr int kOlderSlotCount = 7;

/// The file of one series of an instrument: dir + name + 1 (Week), 2 (Day)
/// or 3 (Hour) + ".csv", as "AUDJPY1.csv" holds the weekly bars of AUDJPY.
std::string OlderQuoteFileName(const std::string& dir, std::string_view name, int series);

/// Reads the series files of the instruments named by `names` (line i names
/// slot i + 1; a missing line reads as an empty name) into slots 1 to 7.
/// Line n of a file becomes candle n of its series, from index 0; the
/// candles after the file's last line keep what they held. Each slot's Name
/// is the first 6 characters of its line. Dates are read under
/// "yyyy mm dd", which becomes the active date format.
///
/// A name among the first seven that CheckInstrumentName refuses (an empty
/// one aside) throws before anything changes. A file that cannot be read
/// throws "Cannot open file "<path>". <reason>"; a file of more lines than
/// candles 0 to 65000 hold is refused before any of its lines is stored; a
/// refused cell throws its conversion error. The slots and series filled
/// before the failure stay filled.
void ImportOlderInstruments(const std::string& dir, const std::vector<std::string>& names,
                            InstrumentTable& table = Table());

/// Writes the records of slots 1 to 7, back to back (65,521,064 bytes), as
/// the file at `path`, replacing an existing file only once the new one is
/// complete.
void WriteOlderToolsFile(const std::string& path, const InstrumentTable& table = Table());

} // namespace quillet
