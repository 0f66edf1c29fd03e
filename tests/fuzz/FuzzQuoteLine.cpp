// Any line: six cells, each a piece of the line; no "." left in the prices.

#include "store/QuoteImport.h"

#include <cstdint>
#include <cstdlib>
#include <string>

using namespace quillet;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string line(reinterpret_cast<const char*>(data), size);
    const QuoteCells cells = SplitQuoteLine(line);
    std::size_t total = 0;
    for (int i = 0; i < kQuoteColumns; ++i) {
        if (cells[i].find(',') != std::string::npos && i < 2)
            std::abort();
        if (i >= 2 && cells[i].find('.') != std::string::npos)
            std::abort();
        total += cells[i].size();
    }
    if (total > line.size())
        std::abort();
    // The date and time cells are the line's own first two fields.
    if (!cells[1].empty() &&
        line.compare(0, cells[0].size() + 1 + cells[1].size(), cells[0] + "," + cells[1]) != 0)
        std::abort();
    return 0;
}
