#pragma once
// The quote data: candles, fixed-capacity series, instruments and the one
// global table of 31 instrument slots. Records are byte images of the
// ".base" file, so they are read and written whole, never field by field.

#include "model/RecordedSpread.h"

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quillet {

/// A short string of capacity 7: one length byte and seven character bytes
/// (code page 1251).
struct ShortString7 {
    std::uint8_t Length;
    char Chars[7];
};

/// One quote bar. It exists when its Time is non-empty.
struct Candle {
    double Date; // day serial: days since 30 December 1899
    ShortString7 Time;
    double Open;
    double High;
    double Low;
    double Close;
};

inline constexpr int kSeriesCapacity = 65001; // indices 0 .. 65000
inline constexpr int kLastCandleIndex = kSeriesCapacity - 1;

/// A fixed array of candles; its data runs from index 1 to its first empty candle.
struct CandleSeries {
    Candle Candles[kSeriesCapacity];

    Candle& operator[](int i) { return Candles[i]; }
    const Candle& operator[](int i) const { return Candles[i]; }
};

/// One instrument: its name and three series, the byte image of a ".base" file.
struct Instrument {
    ShortString7 Name;
    CandleSeries Week;
    CandleSeries Day;
    CandleSeries Hour;
};

inline constexpr std::size_t kInstrumentSize = 9'360'152;
inline constexpr int kSlotCount = 31; // slot 0 is the scratch slot
inline constexpr int kLastSlot = kSlotCount - 1;
inline constexpr int kScratchSlot = 0;

static_assert(sizeof(ShortString7) == 8);
static_assert(sizeof(Candle) == 48);
static_assert(offsetof(Candle, Date) == 0);
static_assert(offsetof(Candle, Time) == 8);
static_assert(offsetof(Candle, Open) == 16);
static_assert(offsetof(Candle, High) == 24);
static_assert(offsetof(Candle, Low) == 32);
static_assert(offsetof(Candle, Close) == 40);
static_assert(sizeof(CandleSeries) == 3'120'048);
static_assert(sizeof(Instrument) == kInstrumentSize);
static_assert(offsetof(Instrument, Name) == 0);
static_assert(offsetof(Instrument, Week) == 8);
static_assert(offsetof(Instrument, Day) == 3'120'056);
static_assert(offsetof(Instrument, Hour) == 6'240'104);
static_assert(std::endian::native == std::endian::little, "the .base layout is little-endian");

/// The global table of 31 instrument slots, one zero-filled block for the
/// life of the process. Pages of slots nobody touches are never committed.
class InstrumentTable {
  public:
    InstrumentTable();
    ~InstrumentTable();
    InstrumentTable(const InstrumentTable&) = delete;
    InstrumentTable& operator=(const InstrumentTable&) = delete;

    Instrument& operator[](int slot) { return slots_[slot]; }
    const Instrument& operator[](int slot) const { return slots_[slot]; }

    /// The instrument in `slot`; throws when the table has no such slot.
    const Instrument& At(int slot) const;

    /// Slot 0, filled and written out by base-file generation.
    Instrument& ScratchSlot() { return slots_[kScratchSlot]; }

    /// Zeroes a slot again, and drops its recorded spread.
    void Clear(int slot);

    /// The spread recorded for the instrument in `slot`, kept beside the
    /// fixed record; empty when it has none.
    const RecordedSpread& Spread(int slot) const { return spreads_[static_cast<std::size_t>(slot)]; }
    void SetSpread(int slot, RecordedSpread spread)
    {
        spreads_[static_cast<std::size_t>(slot)] = std::move(spread);
    }

  private:
    void* mapping_;
    Instrument* slots_;
    std::array<RecordedSpread, kSlotCount> spreads_;
};

/// The process-wide table.
InstrumentTable& Table();

/// True when the candle's Time is non-empty.
inline bool CandleExists(const Candle& c)
{
    return c.Time.Length != 0;
}

/// The smallest index at or above `start` whose candle does not exist;
/// never scans past 65000, so a full series gives 65001.
int FirstEmptyIndex(const CandleSeries& series, int start);

/// True when candle 1 of the instrument's Week series exists.
inline bool InstrumentExists(const Instrument& inst)
{
    return CandleExists(inst.Week[1]);
}

/// The names of slots 1, 2, ... up to the first slot whose instrument is absent.
std::vector<std::string> LoadedInstrumentNames(const InstrumentTable& table = Table());

/// The text of a short string (code page 1251 decoded to UTF-8); a length
/// byte above 7 is read as 7.
std::string ShortStringText(const ShortString7& s);

/// Stores a UTF-8 text as code page 1251, cut to 7 bytes.
void SetShortString(ShortString7& s, std::string_view utf8);

/// The characters of a name a record keeps.
inline constexpr std::size_t kRecordNameLength = 6;

/// Empties a record (every byte zero) and names it with the first 6
/// characters of `name`: how every import that builds a record begins.
void StartRecord(Instrument& record, std::string_view name);

} // namespace quillet
