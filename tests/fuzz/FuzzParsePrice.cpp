// Any text: refused with the price error or read as a finite number whose
// text forms never fail.

#include "model/Errors.h"
#include "model/Numbers.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

using namespace quillet;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    double value;
    try {
        value = ParsePrice(text);
    } catch (const Error& e) {
        if (text.find('\0') == std::string::npos &&
            std::string(e.what()) != "'" + text + "' is not a valid floating point value")
            std::abort();
        return 0;
    }
    if (!std::isfinite(value) || text.find('.') != std::string::npos)
        std::abort();
    const std::string shown = FormatPrice(value);
    if (shown.empty() || shown.find('.') != std::string::npos)
        std::abort();
    // The price text reads back within its 15 significant digits.
    if (shown.find('E') == std::string::npos) {
        const double back = ParsePrice(shown);
        if (std::fabs(back - value) > std::fabs(value) * 1e-14)
            std::abort();
    }
    FormatGeneral2(value);
    RoundToInt32(static_cast<long double>(value) * 10000);
    return 0;
}
