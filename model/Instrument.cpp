#include "model/Instrument.h"

#include "model/Cp1251.h"
#include "model/Errors.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>

#include <sys/mman.h>
#include <unistd.h>

namespace quillet {
namespace {

constexpr std::size_t kTableBytes = kInstrumentSize * kSlotCount;
static_assert(kTableBytes == 290'164'712);

// Anonymous mappings are zero-filled and committed page by page on first
// touch, so the 290 MB table costs memory only for the slots in use. Huge
// pages (where the kernel offers them on request) cut the page faults of a
// full load by a factor of 512, which is what makes loading 30 files as fast
// as copying them.
constexpr std::size_t kHugePage = 2u << 20;

Instrument* AlignedStart(void* mapping)
{
    const auto addr = reinterpret_cast<std::uintptr_t>(mapping);
    return reinterpret_cast<Instrument*>((addr + kHugePage - 1) & ~(kHugePage - 1));
}

constexpr std::size_t kMappedBytes = kTableBytes + kHugePage;

void* MapTable()
{
    void* p = mmap(nullptr, kMappedBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED)
        throw std::bad_alloc();
#ifdef MADV_HUGEPAGE
    madvise(AlignedStart(p), kTableBytes, MADV_HUGEPAGE);
#endif
    return p;
}

} // namespace

InstrumentTable::InstrumentTable() : mapping_(MapTable()), slots_(AlignedStart(mapping_)) {}

InstrumentTable::~InstrumentTable()
{
    munmap(mapping_, kMappedBytes);
}

const Instrument& InstrumentTable::At(int slot) const
{
    if (slot < 0 || slot > kLastSlot)
        throw Error("Slot " + std::to_string(slot) + " is outside the instrument table");
    return slots_[slot];
}

void InstrumentTable::Clear(int slot)
{
    spreads_[static_cast<std::size_t>(slot)] = {};
    // The whole pages inside the slot go back to the kernel and read as
    // zero again without being touched; only the slot's ragged ends are
    // written. An empty slot so costs nothing to clear, and a cleared one no
    // memory.
    auto* begin = reinterpret_cast<std::byte*>(&slots_[slot]);
    std::byte* const end = begin + sizeof(Instrument);
    const auto page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
    auto* first =
        reinterpret_cast<std::byte*>((reinterpret_cast<std::uintptr_t>(begin) + page - 1) & ~(page - 1));
    auto* last = reinterpret_cast<std::byte*>(reinterpret_cast<std::uintptr_t>(end) & ~(page - 1));
    if (first < last && madvise(first, static_cast<std::size_t>(last - first), MADV_DONTNEED) == 0) {
        std::memset(begin, 0, static_cast<std::size_t>(first - begin));
        std::memset(last, 0, static_cast<std::size_t>(end - last));
    } else {
        std::memset(begin, 0, sizeof(Instrument));
    }
}

InstrumentTable& Table()
{
    static InstrumentTable table;
    return table;
}

int FirstEmptyIndex(const CandleSeries& series, int start)
{
    int i = std::max(start, 0);
    while (i <= kLastCandleIndex && CandleExists(series[i]))
        ++i;
    return i;
}

std::vector<std::string> LoadedInstrumentNames(const InstrumentTable& table)
{
    std::vector<std::string> names;
    for (int slot = 1; slot <= kLastSlot && InstrumentExists(table[slot]); ++slot)
        names.push_back(ShortStringText(table[slot].Name));
    return names;
}

std::string ShortStringText(const ShortString7& s)
{
    const std::size_t len = std::min<std::size_t>(s.Length, sizeof(s.Chars));
    return Cp1251ToUtf8(std::string_view(s.Chars, len));
}

void SetShortString(ShortString7& s, std::string_view utf8)
{
    const std::string bytes = Utf8ToCp1251(utf8);
    const std::size_t len = std::min(bytes.size(), sizeof(s.Chars));
    std::memset(&s, 0, sizeof(s));
    s.Length = static_cast<std::uint8_t>(len);
    std::memcpy(s.Chars, bytes.data(), len);
}

void StartRecord(Instrument& record, std::string_view name)
{
    std::memset(&record, 0, sizeof record);
    SetShortString(record.Name, Utf8Prefix(name, kRecordNameLength));
}

} // namespace quillet
