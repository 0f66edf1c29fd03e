// Any text under either date format: refused with the date error or parsed
// to a date that formats and parses back to itself.

#include "model/Dates.h"
#include "model/Errors.h"

#include <cstdint>
#include <cstdlib>
#include <string>

using namespace quillet;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    for (const auto format : {kRegionalDateFormat, kImportDateFormat}) {
        double serial;
        try {
            serial = ParseDate(text, format);
        } catch (const Error& e) {
            if (text.find('\0') == std::string::npos &&
                std::string(e.what()) != "'" + text + "' is not a valid date")
                std::abort();
            continue;
        }
        std::string shown = FormatDate(serial, format);
        for (auto& c : shown)
            if (c == ' ')
                c = '.';
        if (ParseDate(shown, format) != serial)
            std::abort();
    }
    return 0;
}
