#include "model/Instrument.h"
#include "model/Errors.h"
#include "store/Files.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace quillet {
namespace {

using test::SetCandle;

TEST(InstrumentTable, FreshTableHoldsNothing)
{
    InstrumentTable table;
    EXPECT_TRUE(LoadedInstrumentNames(table).empty());
    for (int slot : {0, 1, 15, 30}) {
        EXPECT_EQ(FirstEmptyIndex(table[slot].Week, 1), 1);
        EXPECT_EQ(FirstEmptyIndex(table[slot].Hour, 1), 1);
        EXPECT_FALSE(InstrumentExists(table[slot]));
    }
    EXPECT_EQ(&table.ScratchSlot(), &table[0]);
}

TEST(InstrumentTable, AtRefusesASlotBeyondTheTable)
{
    const auto table = std::make_unique<InstrumentTable>();
    EXPECT_EQ(&table->At(kLastSlot), &(*table)[kLastSlot]);
    for (const int slot : {-1, kSlotCount})
        EXPECT_THROW(table->At(slot), Error) << slot;
}

TEST(InstrumentTable, ClearZeroesEveryByteOfItsSlotAndNoOther)
{
    InstrumentTable table;
    for (int slot : {1, 2, 3})
        std::memset(&table[slot], 0xA5, sizeof(Instrument));
    for (int slot : {2, 2}) { // a second clear of the cleared slot too
        table.Clear(slot);
        const auto* bytes = reinterpret_cast<const unsigned char*>(&table[2]);
        EXPECT_EQ(std::count(bytes, bytes + sizeof(Instrument), 0), std::ptrdiff_t(sizeof(Instrument)));
    }
    const auto* before = reinterpret_cast<const unsigned char*>(&table[2]) - 1;
    const auto* after = reinterpret_cast<const unsigned char*>(&table[3]);
    EXPECT_EQ(*before, 0xA5);
    EXPECT_EQ(after[0], 0xA5);
    EXPECT_EQ(after[sizeof(Instrument) - 1], 0xA5);
}

TEST(InstrumentTable, SlotsAreContiguousRecords)
{
    InstrumentTable table;
    const auto* first = reinterpret_cast<const char*>(&table[0]);
    EXPECT_EQ(reinterpret_cast<const char*>(&table[30]) - first, 30 * static_cast<long>(kInstrumentSize));
}

TEST(CandleSeries, EndMarkIsTheFirstEmptyCandleFromTheStart)
{
    auto inst = std::make_unique<Instrument>();
    std::memset(inst.get(), 0, sizeof(Instrument));
    for (int i = 1; i <= 5; ++i)
        SetCandle(inst->Day[i], 38000 + i, "00", 1, 1, 1, 1);
    EXPECT_EQ(FirstEmptyIndex(inst->Day, 1), 6);
    // A gap ends the series there; the candles after it are not its data.
    inst->Day[3].Time.Length = 0;
    EXPECT_EQ(FirstEmptyIndex(inst->Day, 1), 3);
    EXPECT_EQ(FirstEmptyIndex(inst->Day, 4), 6);
    // A candle with a date and prices but no time does not exist.
    inst->Day[3].Date = 38003;
    EXPECT_FALSE(CandleExists(inst->Day[3]));
    // Candle 0 is never part of the data, existing or not.
    SetCandle(inst->Day[0], 38000, "00", 1, 1, 1, 1);
    EXPECT_EQ(FirstEmptyIndex(inst->Day, 1), 3);
}

TEST(CandleSeries, FullSeriesEndsPastTheLastIndex)
{
    auto inst = std::make_unique<Instrument>();
    std::memset(inst.get(), 0, sizeof(Instrument));
    for (int i = 1; i <= kLastCandleIndex; ++i)
        inst->Hour[i].Time.Length = 2;
    EXPECT_EQ(FirstEmptyIndex(inst->Hour, 1), 65001);
    EXPECT_EQ(FirstEmptyIndex(inst->Hour, 65000), 65001);
    EXPECT_EQ(FirstEmptyIndex(inst->Hour, 70000), 70000) << "a start past the end is its own answer";
}

TEST(InstrumentTable, LoadedNamesStopAtTheFirstAbsentSlot)
{
    InstrumentTable table;
    for (int slot : {1, 2, 4}) {
        SetShortString(table[slot].Name, "PAIR" + std::to_string(slot));
        SetCandle(table[slot].Week[1], 38361, "00", 1, 1, 1, 1);
    }
    // Slot 3 has days and hours but no week: absent, and so is slot 4 after it.
    SetShortString(table[3].Name, "NOWEEK");
    SetCandle(table[3].Day[1], 38362, "00", 1, 1, 1, 1);
    SetCandle(table[3].Hour[1], 38362, "00", 1, 1, 1, 1);
    EXPECT_EQ(LoadedInstrumentNames(table), (std::vector<std::string>{"PAIR1", "PAIR2"}));
}

TEST(ShortString, NamesAreSingleByteCp1251)
{
    ShortString7 s{};
    SetShortString(s, "Рубль");
    EXPECT_EQ(s.Length, 5);
    EXPECT_EQ(static_cast<unsigned char>(s.Chars[0]), 0xD0); // Р
    EXPECT_EQ(ShortStringText(s), "Рубль");
    SetShortString(s, "EURUSDXYZ");
    EXPECT_EQ(ShortStringText(s), "EURUSDX") << "capacity is seven bytes";
    s.Length = 200; // a corrupt length byte reads as the full capacity
    EXPECT_EQ(ShortStringText(s), "EURUSDX");
}

} // namespace
} // namespace quillet
