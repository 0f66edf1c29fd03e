#include "model/ControlRanges.h"

namespace quillet {

std::string RangeText(const ControlRange& control, std::string_view between)
{
    return std::to_string(control.Min) + std::string(between) + std::to_string(control.Max);
}

std::string WeekRangeError(int first, int last)
{
    if (!kFirstWeekControl.Contains(first))
        return "FIRST " + std::to_string(first) + " not in range " + RangeText(kFirstWeekControl, " to ");
    if (!kLastWeekControl.Contains(last))
        return "LAST " + std::to_string(last) + " not in range " + RangeText(kLastWeekControl, " to ");
    // Weeks FIRST to LAST with FIRST after LAST would be an empty run.
    if (first > last)
        return "FIRST " + std::to_string(first) + " is after LAST " + std::to_string(last);
    return {};
}

} // namespace quillet
