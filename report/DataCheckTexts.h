#pragma once
// The check of an instrument's quotes in words: the report `check` prints
// and the window shows, and the one line the figures of a run add when the
// weeks it used have holes or spikes.

#include "analysis/DataCheck.h"

#include <string>
#include <string_view>
#include <vector>

namespace quillet {

/// How many items of a list the report names; the rest are counted.
inline constexpr std::size_t kReportedItems = 10;

/// The report, line by line, about the instrument `name`.
std::vector<std::string> DataCheckReport(const DataCheck& check, std::string_view name,
                                         const DataCheckOptions& options);

/// "Данные: 97,3% часов, 2 выброса" when the check found thin weeks or
/// spikes; empty otherwise.
std::string DataCheckLine(const DataCheck& check);

/// The check of the weeks a single-pair run over weekly candles first..last
/// uses, as its figures mention it (the candles are not compared).
DataCheck RunDataCheck(const Instrument& instrument, int firstWeek, int lastWeek);

/// "2 выброса", "1 выброс", "5 выбросов".
std::string SpikesText(std::size_t count);

} // namespace quillet
