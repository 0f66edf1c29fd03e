#include "ui/InstrumentCopy.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstring>
#include <new>

namespace quillet::ui {

std::shared_ptr<const Instrument> CopyForRun(const Instrument& inst)
{
    void* mapped =
        ::mmap(nullptr, sizeof(Instrument), PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED)
        throw std::bad_alloc();
    // Fresh anonymous pages read as zero: only the pages with data are written.
    constexpr std::size_t kPage = 4096;
    const auto* from = reinterpret_cast<const unsigned char*>(&inst);
    auto* to = static_cast<unsigned char*>(mapped);
    for (std::size_t at = 0; at < sizeof(Instrument); at += kPage) {
        const std::size_t size = std::min(kPage, sizeof(Instrument) - at);
        if (std::any_of(from + at, from + at + size, [](unsigned char b) { return b != 0; }))
            std::memcpy(to + at, from + at, size);
    }
    return std::shared_ptr<const Instrument>(static_cast<const Instrument*>(mapped), [](const Instrument* p) {
        ::munmap(const_cast<Instrument*>(p), sizeof(Instrument));
    });
}

} // namespace quillet::ui
