// The check's report and the line of a run's figures, word for word.

#include "report/DataCheckTexts.h"
#include "model/Dates.h"

#include <gtest/gtest.h>

namespace quillet {
namespace {

TEST(DataCheckTexts, TheReportNamesEachFindingAndCountsWhatItLeavesOut)
{
    const double sunday = DateSerial(2010, 10, 3);
    DataCheck c;
    c.Weeks = 2;
    c.FirstSunday = sunday;
    c.LastSunday = sunday + 7;
    c.ExpectedHours = 240;
    c.PresentHours = 161;
    c.LongestGap = {{sunday + 1, 0}, {sunday + 3, 22}, 71};
    c.ThinWeeks = {{sunday, 41, 120}};
    for (int h = 0; h < 12; ++h)
        c.SaturdayHours.push_back({sunday + 6, h});
    c.Spikes = {{{sunday + 8, 13}, 4123, 381, 4000, true}, {{sunday + 9, 15}, 500, 40, 30, false}};
    c.FlatRuns = {{{sunday + 10, 0}, {sunday + 11, 0}, 25, 1.3}};
    c.WeeksCompared = 0;
    c.DaysCompared = 5;
    c.Disagreements = {{false, sunday + 2, CandleField::High, 1.3012, 1.301, 20}};
    const std::vector<std::string> lines = DataCheckReport(c, "EURUSD", {});
    const std::vector<std::string> expected = {
        "Проверка данных: EURUSD",
        "Недель: 2, с 2010-10-03 по 2010-10-10",
        "Торговых часов (вс 22:00 - пт 22:00): 161 из 240, 67,1%",
        "Самый длинный пропуск: 71 час, 2010-10-04 00:00 - 2010-10-06 22:00",
        "Недель, где меньше 50,0% часов: 1",
        "  неделя 2010-10-03: 41 из 120",
        "Часов в субботу: 12",
        "  2010-10-09 00:00",
        "  2010-10-09 01:00",
        "  2010-10-09 02:00",
        "  2010-10-09 03:00",
        "  2010-10-09 04:00",
        "  2010-10-09 05:00",
        "  2010-10-09 06:00",
        "  2010-10-09 07:00",
        "  2010-10-09 08:00",
        "  2010-10-09 09:00",
        "  ... и ещё 2",
        "Выбросов (размах больше 10 медиан своей недели): 2, из них в тени (тень больше 10 медиан, похоже на "
        "сбой "
        "котировок): 1",
        "  2010-10-11 13:00: размах 412,3 п, тень 400,0 п, медиана недели 38,1 п, в тени",
        "  2010-10-12 15:00: размах 50,0 п, тень 3,0 п, медиана недели 4,0 п",
        "Ровных участков (одно закрытие 24 часа подряд и больше): 1",
        "  2010-10-13 00:00 - 2010-10-14 00:00: 25 свечей, закрытие 1,3",
        "Сравнено с часами: недельных свечей 0, дневных 5",
        "Расходятся с часами больше чем на 0,1 п: 1",
        "  день 2010-10-05: High 1,3012, по часам 1,301 (2,0 п)",
    };
    EXPECT_EQ(lines, expected);
    EXPECT_EQ(DataCheckLine(c), "Данные: 67,1% часов, 1 выброс");
    c.ThinWeeks.clear();
    c.Spikes[0].InWick = false;
    EXPECT_EQ(DataCheckLine(c), "") << "body spikes and holes without thin weeks are not mentioned";
}

} // namespace
} // namespace quillet
