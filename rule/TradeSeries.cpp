#include "rule/TradeSeries.h"

#include "rule/Arithmetic32.h"

namespace quillet {

bool TradeSeries::Step(bool takeProfit, int week)
{
    bool continued = false;
    if (week > 0) {
        std::int32_t& current = takeProfit ? TpSeries : SlSeries;
        std::int32_t& longest = takeProfit ? TpSeriesMax : SlSeriesMax;
        // LastWasTakeProfit starts false, so a stop-loss before any
        // take-profit continues a run of stop-losses that nothing started.
        continued = LastWasTakeProfit == takeProfit;
        if (continued) {
            current = Add32(current, 1);
            if (current > longest)
                longest = current;
        } else {
            current = 1;
        }
    }
    LastWasTakeProfit = takeProfit;
    return continued;
}

} // namespace quillet
