#pragma once
// The spread each hourly candle of an instrument had, as its quotes recorded
// it: kept beside the instrument's fixed record, never inside it, so that a
// ".base" file stays what it always was.

#include "model/Units.h"

#include <cstdint>
#include <string>
#include <vector>

namespace quillet {

/// The widest spread an hour may record, tenths of a point.
inline constexpr int kRecordedSpreadMaxTenths = 65535;

/// The spread of every hourly candle of one instrument in tenths of a point,
/// looked up by the candle's index in the Hour series (from 1). Empty: the
/// instrument has no recorded spread, and Problem() may say why.
class RecordedSpread {
  public:
    RecordedSpread() = default;
    /// `tenths[k]` is the spread of hourly candle k + 1.
    explicit RecordedSpread(const std::vector<std::uint16_t>& tenths);
    /// No spread, because of `problem` (a file that could not be read).
    static RecordedSpread Unusable(std::string problem);

    bool Empty() const { return byHour_.empty(); }
    /// The hourly candles it covers: 1 to Hours().
    int Hours() const { return byHour_.empty() ? 0 : static_cast<int>(byHour_.size()) - 1; }
    Tenths At(int hourIndex) const { return byHour_[static_cast<std::size_t>(hourIndex)]; }
    /// The spreads by hourly index; entry 0 is unused.
    const std::uint16_t* ByHour() const { return byHour_.data(); }
    const std::string& Problem() const { return problem_; }

  private:
    std::vector<std::uint16_t> byHour_;
    std::string problem_;
};

} // namespace quillet
