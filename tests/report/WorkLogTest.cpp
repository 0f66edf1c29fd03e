// The work log as a reader of the run's events: the bookkeeping lines quote
// the counts and runs, and with the log off no line is formed while the two
// notices still reach the user.

#include "report/WorkLog.h"

#include "model/Dates.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quillet {
namespace {

const char kEasterEgg[] = "А вот и пасхалочка. Закрыли точно в цену открытия, без всяких потерь, просто "
                          "редки случай, ничего страшного.";

class WorkLogReader : public ::testing::Test {
  protected:
    void SetUp() override
    {
        savedFormat_ = ActiveDateFormat();
        SetActiveDateFormat(kRegionalDateFormat);
        params.LogEnabled = true;
        // A sell's exit candle on Monday 10 January 2005 at 05.
        test::SetCandle(exit, DateSerial(2005, 1, 10), "05", 1.3090, 1.3210, 1.3040, 1.3100);
    }
    void TearDown() override { SetActiveDateFormat(savedFormat_); }

    PositionClosed Close(ExitKind kind, TradeResult result, std::int32_t points, int week) const
    {
        PositionClosed c;
        c.Week = week;
        c.Direction = TradeDirection::Sell;
        c.Levels = {1.3100, 1.3050, 1.3200};
        c.Kind = kind;
        c.Result = result;
        c.Exit = &exit;
        c.Points = points;
        return c;
    }

    BacktestParams params;
    InstrumentTable table;
    const Instrument& instrument = table[1];
    Candle exit{};
    std::vector<std::string> lines;
    std::vector<std::string> notices;
    const WorkLog log = [this](const std::string& line) { lines.push_back(line); };
    const Notify notify = [this](const std::string& text) { notices.push_back(text); };

  private:
    std::string savedFormat_;
};

TEST_F(WorkLogReader, BookkeepingLinesQuoteCountsAndRuns)
{
    WorkLogWriter writer(params, instrument, log, notify);
    // Weeks 1 to 5: TP, TP, a time-out (invisible to the runs), SL, SL.
    writer.OnPositionClosed(Close(ExitKind::TakeProfit, TradeResult::Gained, 50, 1));
    writer.OnPositionClosed(Close(ExitKind::TakeProfit, TradeResult::Gained, 50, 2));
    writer.OnPositionClosed(Close(ExitKind::TimeOut, TradeResult::Lost, -12, 3));
    writer.OnPositionClosed(Close(ExitKind::StopLoss, TradeResult::Lost, -100, 4));
    writer.OnPositionClosed(Close(ExitKind::StopLoss, TradeResult::Lost, -100, 5));
    const std::vector<std::string> expected = {
        "Минимум (1,304) часовой (05) свечи от 10.01.2005 опустился ниже TP (1,305). ПРОФИТ",
        "Увеличиваем общее количество TP. Было 0, стало 1",
        "Минимум (1,304) часовой (05) свечи от 10.01.2005 опустился ниже TP (1,305). ПРОФИТ",
        "Увеличиваем общее количество TP. Было 1, стало 2",
        "В предыдущей сделке тоже был TP, увеличиваем текущую серию",
        "Закрываем позицию по тайм-ауту",
        "Закрылись в - 12 пунктов",
        "Максимум (1,321) часовой (05) свечи от 10.01.2005 поднялся выше SL (1,32). Лось..",
        "Увеличиваем общее количество SL. Было 0, стало 1",
        "Максимум (1,321) часовой (05) свечи от 10.01.2005 поднялся выше SL (1,32). Лось..",
        "Увеличиваем общее количество SL. Было 1, стало 2",
        "В предыдущей сделке тоже был SL, увеличиваем текущую серию",
    };
    EXPECT_EQ(lines, expected);
    EXPECT_TRUE(notices.empty());
}

// The notices of a close without candles or at the entry price, with the
// log on and off.
struct NoticeCase {
    const char* name;
    TradeDirection direction;
    ExitKind kind;
    TradeResult result;
    std::int32_t points;
    std::vector<std::string> lines; // with the log on
    std::vector<std::string> notices;
};

class WorkLogNotices : public WorkLogReader, public ::testing::WithParamInterface<NoticeCase> {};

TEST_P(WorkLogNotices, ShownWhateverTheLogSwitch)
{
    const NoticeCase& c = GetParam();
    PositionClosed close = Close(c.kind, c.result, c.points, 1);
    close.Direction = c.direction;
    for (const bool logOn : {true, false}) {
        SCOPED_TRACE(logOn ? "log on" : "log off");
        lines.clear();
        notices.clear();
        params.LogEnabled = logOn;
        WorkLogWriter writer(params, instrument, log, notify);
        writer.WriteHeader();
        writer.OnPositionClosed(close);
        if (logOn) {
            ASSERT_EQ(lines.size(), 9 + c.lines.size());
            EXPECT_EQ(std::vector<std::string>(lines.begin() + 9, lines.end()), c.lines);
        } else {
            EXPECT_TRUE(lines.empty());
        }
        EXPECT_EQ(notices, c.notices);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Closes, WorkLogNotices,
    ::testing::Values(NoticeCase{"sell_runs_out_with_a_gain",
                                 TradeDirection::Sell,
                                 ExitKind::OutOfCandles,
                                 TradeResult::Gained,
                                 12,
                                 {"Закрылись в + 12 пунктов"},
                                 {"Закрываем позицию, т.к. нету больше свечей для анализа "}},
                      NoticeCase{"buy_runs_out_at_the_entry_price",
                                 TradeDirection::Buy,
                                 ExitKind::OutOfCandles,
                                 TradeResult::Even,
                                 0,
                                 {},
                                 {"Закрываем позицию, т.к. нету больше свечей для анализа", kEasterEgg}},
                      NoticeCase{"time_out_at_the_entry_price",
                                 TradeDirection::Sell,
                                 ExitKind::TimeOut,
                                 TradeResult::Even,
                                 0,
                                 {"Закрываем позицию по тайм-ауту"},
                                 {kEasterEgg}},
                      NoticeCase{"time_out_with_a_loss",
                                 TradeDirection::Buy,
                                 ExitKind::TimeOut,
                                 TradeResult::Lost,
                                 -7,
                                 {"Закрываем позицию по тайм-ауту", "Закрылись в - 7 пунктов"},
                                 {}}),
    [](const ::testing::TestParamInfo<NoticeCase>& info) { return std::string(info.param.name); });

TEST_F(WorkLogReader, LogSwitchOnWithoutAFunctionWritesNothing)
{
    // An empty function is never called (it would throw).
    const WorkLog none;
    WorkLogWriter writer(params, instrument, none, notify);
    writer.WriteHeader();
    writer.OnPositionClosed(Close(ExitKind::TakeProfit, TradeResult::Gained, 50, 1));
    EXPECT_TRUE(notices.empty());
}

} // namespace
} // namespace quillet
