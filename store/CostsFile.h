#pragma once
// The costs of the instruments as the window keeps them: a text file
// "costs" beside "config", one line per instrument,
//
//     NAME SPREAD COMMISSION SWAP-LONG SWAP-SHORT
//
// the four costs in points with at most one decimal and "." as separator
// ("EURUSD 1.2 0.7 -0.3 0.1"), separated by spaces or tabs. The spread may
// be the word "recorded" instead: the spread of each hour as the quotes
// recorded it, from the file NAME.spread beside NAME.base
// ("EURUSD recorded 0.7 -0.3 0.1"). The name is everything before the last
// four fields, so a name may hold spaces. Empty lines and lines starting
// with "#" are notes. Like "config", the file is code page 1251 with CR LF
// line ends.

#include "model/TradeCosts.h"

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quillet {

/// The name of the file in the data folder.
inline constexpr const char* kCostsFileName = "costs";

/// The spread field of an instrument whose spread is recorded hour by hour.
inline constexpr std::string_view kRecordedSpreadWord = "recorded";

/// The costs of named instruments, in the order of the file; an instrument
/// not named costs nothing.
class CostsTable {
  public:
    using Entry = std::pair<std::string, TradeCosts>;

    /// The costs of an instrument; all zero when it is not in the table.
    TradeCosts Of(std::string_view name) const;
    /// Sets the costs of an instrument, in its place or at the end.
    void Set(const std::string& name, const TradeCosts& costs);
    const std::vector<Entry>& Entries() const { return entries_; }

    friend bool operator==(const CostsTable&, const CostsTable&) = default;

  private:
    std::vector<Entry> entries_;
};

/// A costs file read line by line: the lines that read, and why each other
/// one was left out, naming it ("строка 3: ...").
struct CostsFileLines {
    CostsTable Table;
    std::vector<std::string> Ignored;
};

/// Reads a costs file's text (UTF-8). A line that is not a name and four
/// costs, a cost out of its range, or a name given again is left out; the
/// other lines are read as if it were not there.
CostsFileLines ParseCostsLines(std::string_view text);

/// The table of a costs file's text (UTF-8); the first line ParseCostsLines
/// leaves out throws an Error with its text.
CostsTable ParseCosts(std::string_view text);

/// The text of a costs file (UTF-8, LF), with a heading note; ParseCosts
/// reads it back as it was. A name the file cannot hold (empty, starting
/// with "#" or a blank, ending in a blank) throws an Error quoting it.
std::string CostsText(const CostsTable& table);

/// Reads dir + "costs". A missing file is an empty table; a file that cannot
/// be read throws its FileError, and one that is malformed an Error naming
/// the file and the line.
CostsTable ReadCostsFile(const std::string& dir);

/// Reads dir + "costs" as ParseCostsLines does; a missing file is an empty
/// table, and a file that cannot be read throws its FileError.
CostsFileLines ReadCostsFileLines(const std::string& dir);

/// Writes dir + "costs" through the atomic writer: a failure leaves the
/// file that was there as it was.
void WriteCostsFile(const std::string& dir, const CostsTable& table);

} // namespace quillet
