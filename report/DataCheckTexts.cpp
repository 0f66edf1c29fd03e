#include "report/DataCheckTexts.h"

#include "model/Dates.h"
#include "model/Numbers.h"
#include "model/TradeCosts.h"

namespace quillet {
namespace {

std::string Two(int value)
{
    return {static_cast<char>('0' + value / 10), static_cast<char>('0' + value % 10)};
}

std::string DateText(double date)
{
    return FormatDate(date, "yyyy-mm-dd");
}

std::string StampText(const HourStamp& s)
{
    return DateText(s.Date) + ' ' + Two(s.Hour) + ":00";
}

/// A Russian noun after a count: one form for 1 (21, 31...), one for 2-4, one for the rest.
std::string Counted(std::size_t n, const char* one, const char* few, const char* many)
{
    const std::size_t tens = n % 100, ones = n % 10;
    const char* word = many;
    if (ones == 1 && tens != 11)
        word = one;
    else if (ones >= 2 && ones <= 4 && (tens < 12 || tens > 14))
        word = few;
    return std::to_string(n) + ' ' + word;
}

std::string Percent(std::int64_t perMille)
{
    return TenthsText(perMille) + '%';
}

/// A count line and the first items of its list, then how many more there are.
template <class Item, class Describe>
void AddList(std::vector<std::string>& lines, const std::string& heading, const std::vector<Item>& items,
             Describe describe)
{
    lines.push_back(heading + ": " + std::to_string(items.size()));
    for (std::size_t i = 0; i < items.size() && i < kReportedItems; ++i)
        lines.push_back("  " + describe(items[i]));
    if (items.size() > kReportedItems)
        lines.push_back("  ... и ещё " + std::to_string(items.size() - kReportedItems));
}

const char* FieldName(CandleField field)
{
    static const char* const kNames[] = {"Open", "High", "Low", "Close"};
    return kNames[static_cast<int>(field)];
}

void AddCandleLists(std::vector<std::string>& lines, const DataCheck& c)
{
    const std::size_t heading = lines.size();
    AddList(lines, "Выбросов (размах больше " + std::to_string(kSpikeFactor) + " медиан своей недели)",
            c.Spikes, [](const DataSpike& s) {
                return StampText(s.At) + ": размах " + TenthsText(s.RangeTenths) + " п, тень " +
                       TenthsText(s.WickTenths) + " п, медиана недели " + TenthsText(s.MedianTenths) + " п" +
                       (s.InWick ? ", в тени" : "");
            });
    // A spike in its wick, a price touched for a moment, is what bad ticks look like.
    lines[heading] += ", из них в тени (тень больше " + std::to_string(kSpikeFactor) +
                      " медиан, похоже на сбой котировок): " + std::to_string(c.WickSpikes());
    AddList(lines,
            "Ровных участков (одно закрытие " + std::to_string(kFlatRunHours) + " часа подряд и больше)",
            c.FlatRuns, [](const FlatRun& r) {
                return StampText(r.First) + " - " + StampText(r.Last) + ": " +
                       Counted(r.Hours, "свеча", "свечи", "свечей") + ", закрытие " + FormatPrice(r.Close);
            });
    lines.push_back("Сравнено с часами: недельных свечей " + std::to_string(c.WeeksCompared) + ", дневных " +
                    std::to_string(c.DaysCompared));
    AddList(lines, "Расходятся с часами больше чем на " + TenthsText(kDisagreementTenths) + " п",
            c.Disagreements, [](const CandleDisagreement& d) {
                return std::string(d.Weekly ? "неделя " : "день ") + DateText(d.Date) + ": " +
                       FieldName(d.Field) + ' ' + FormatPrice(d.Candle) + ", по часам " +
                       FormatPrice(d.FromHours) + " (" + TenthsText(d.Tenths) + " п)";
            });
}

} // namespace

std::string SpikesText(std::size_t count)
{
    return Counted(count, "выброс", "выброса", "выбросов");
}

std::vector<std::string> DataCheckReport(const DataCheck& c, std::string_view name,
                                         const DataCheckOptions& options)
{
    std::vector<std::string> lines;
    lines.push_back("Проверка данных: " + std::string(name));
    if (c.Weeks == 0) {
        lines.push_back("Часовых свечей нет");
        return lines;
    }
    lines.push_back("Недель: " + std::to_string(c.Weeks) + ", с " + DateText(c.FirstSunday) + " по " +
                    DateText(c.LastSunday));
    lines.push_back("Торговых часов (вс " + Two(kSessionOpenHour) + ":00 - пт " + Two(kSessionOpenHour) +
                    ":00): " + std::to_string(c.PresentHours) + " из " + std::to_string(c.ExpectedHours) +
                    ", " + Percent(c.SharePerMille()));
    if (c.LongestGap.Hours == 0)
        lines.push_back("Пропусков нет");
    else
        lines.push_back("Самый длинный пропуск: " + Counted(c.LongestGap.Hours, "час", "часа", "часов") +
                        ", " + StampText(c.LongestGap.First) + " - " + StampText(c.LongestGap.Last));
    const std::int64_t share = RoundHalfEven(static_cast<long double>(options.MinWeekShare) * 1000);
    AddList(lines, "Недель, где меньше " + Percent(share) + " часов", c.ThinWeeks, [](const ThinWeek& w) {
        return "неделя " + DateText(w.Sunday) + ": " + std::to_string(w.Present) + " из " +
               std::to_string(w.Expected);
    });
    AddList(lines, "Часов в субботу", c.SaturdayHours, [](const HourStamp& s) { return StampText(s); });
    AddCandleLists(lines, c);
    return lines;
}

DataCheck RunDataCheck(const Instrument& instrument, int firstWeek, int lastWeek)
{
    DataCheckOptions options;
    options.CompareCandles = false;
    return CheckQuoteData(instrument, RunWeeks(instrument, firstWeek, lastWeek, options));
}

std::string DataCheckLine(const DataCheck& check)
{
    if (!check.WorthMentioning())
        return {};
    return "Данные: " + Percent(check.SharePerMille()) + " часов, " + SpikesText(check.WickSpikes());
}

} // namespace quillet
