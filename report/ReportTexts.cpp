#include "report/ReportTexts.h"

#include "model/Numbers.h"

namespace quillet {

std::string RoundedAverage(std::int32_t sum, std::int32_t count)
{
    if (count == 0)
        return "-";
    return std::to_string(RoundToInt32(static_cast<long double>(sum) / static_cast<long double>(count)));
}

std::string TakeProfitShare(std::int32_t takeProfits, std::int32_t entries)
{
    if (entries == 0)
        return "-";
    return FormatGeneral2(TakeProfitPercent(takeProfits, entries)) + "%";
}

std::string ProfitabilityText(std::int32_t pointsWon, std::int32_t pointsLost)
{
    if (pointsLost == 0)
        return "-";
    return FormatGeneral2(ProfitabilityRatio(pointsWon, pointsLost));
}

std::string SeriesText(std::int32_t longest)
{
    return longest == 0 ? "-" : std::to_string(longest);
}

} // namespace quillet
