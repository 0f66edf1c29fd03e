// Any bytes as an hourly file: refused with an error, or an instrument whose
// series agree with what the import reports: hours rising, one day per date,
// weeks dated on Sundays, each week's range holding its days' ranges.

#include "model/Errors.h"
#include "store/HourlyImport.h"

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string_view>

using namespace quillet;

namespace {

bool IsSunday(double serial)
{
    return (static_cast<long long>(serial) - 1) % 7 == 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const auto record = std::make_unique<Instrument>();
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    HourlySummary s;
    try {
        s = BuildInstrumentFromHourly(*record, "FUZZ", text);
    } catch (const Error&) {
        return 0;
    }
    if (s.Hours < 1 || s.Hours > kLastCandleIndex || s.Days > s.Hours || s.Weeks > s.Days)
        std::abort();
    if (FirstEmptyIndex(record->Hour, 1) != s.Hours + 1 || FirstEmptyIndex(record->Day, 1) != s.Days + 1 ||
        FirstEmptyIndex(record->Week, 1) != s.Weeks + 1)
        std::abort();
    for (int i = 2; i <= s.Hours; ++i)
        if (record->Hour[i].Date < record->Hour[i - 1].Date)
            std::abort();
    for (int i = 2; i <= s.Days; ++i)
        if (record->Day[i].Date <= record->Day[i - 1].Date)
            std::abort();
    int w = 1;
    for (int d = 1; d <= s.Days; ++d) {
        const Candle& day = record->Day[d];
        while (w < s.Weeks && record->Week[w + 1].Date <= day.Date)
            ++w;
        const Candle& week = record->Week[w];
        if (!IsSunday(week.Date) || day.Date - week.Date < 0 || day.Date - week.Date > 6)
            std::abort();
        if (day.High > week.High || day.Low < week.Low)
            std::abort();
    }
    return 0;
}
