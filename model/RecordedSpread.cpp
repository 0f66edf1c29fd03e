#include "model/RecordedSpread.h"

namespace quillet {

RecordedSpread::RecordedSpread(const std::vector<std::uint16_t>& tenths)
{
    if (tenths.empty())
        return;
    byHour_.reserve(tenths.size() + 1);
    byHour_.push_back(0);
    byHour_.insert(byHour_.end(), tenths.begin(), tenths.end());
}

RecordedSpread RecordedSpread::Unusable(std::string problem)
{
    RecordedSpread none;
    none.problem_ = std::move(problem);
    return none;
}

} // namespace quillet
