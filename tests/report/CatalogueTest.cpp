// The window's sentences about costs that cannot be traded: in Russian
// throughout, naming the cost, its value and its range, or the stop-loss
// and the spread it must clear.

#include "report/Catalogue.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace quillet {
namespace {

struct MessageCase {
    TradeCosts Costs;
    int StopLoss;
    const char* Message;
};

TEST(CostsMessage, SaysWhatIsWrongInRussian)
{
    const MessageCase cases[] = {
        {{500, 500, -500, 500}, 51, ""},
        {{0, 0, 0, 0}, 0, ""}, // without a spread every stop-loss is allowed
        {{-50, 0, 0, 0}, 10, "Спред -5,0 п вне пределов от 0,0 до 50,0 п"},
        {{0, 501, 0, 0}, 10, "Комиссия 50,1 п вне пределов от 0,0 до 50,0 п"},
        {{0, 0, -501, 0}, 10, "Своп покупки -50,1 п вне пределов от -50,0 до 50,0 п"},
        {{0, 0, 0, 501}, 10, "Своп продажи 50,1 п вне пределов от -50,0 до 50,0 п"},
        {{501, 0, 0, 0}, 0, "Спред 50,1 п вне пределов от 0,0 до 50,0 п"}, // the range before the stop-loss
        {{10, 0, 0, 0}, 1, "Стоп-лосс (1 п) должен быть больше спреда (1,0 п)"},
        {{12, 0, 0, 0}, 0, "Стоп-лосс (0 п) должен быть больше спреда (1,2 п)"},
        {{9, 0, 0, 0}, 1, ""},
    };
    for (const MessageCase& c : cases) {
        const std::string message = CostsMessage(c.Costs, c.StopLoss);
        EXPECT_EQ(message, c.Message);
        EXPECT_TRUE(std::none_of(message.begin(), message.end(), [](char ch) {
            return (ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z');
        })) << message;
    }
}

} // namespace
} // namespace quillet
