// --costs FILE: each instrument's costs from a costs file, for one pair and for several.

#include "cli/Commands.h"

#include "model/Cp1251.h"
#include "model/Errors.h"
#include "store/Files.h"

#include <ostream>

namespace quillet::cli {

const CostsTable& CostOptions::CostsFileTable() const
{
    if (!table_) {
        if (fromOptions)
            throw CLI::ValidationError("--costs",
                                       "a costs file and --spread, --commission, --swap-long or --swap-short "
                                       "cannot both be given");
        const std::string text = Cp1251ToUtf8(ReadFileBytes(*file));
        try {
            table_ = ParseCosts(text);
        } catch (const Error& e) {
            throw Error("Файл издержек '" + *file + "', " + e.what());
        }
    }
    return *table_;
}

TradeCosts CostOptions::CostsOf(const std::string& pair, std::ostream& err) const
{
    if (file && !Lists(pair))
        err << UnlistedCostsNote(pair, *file) << '\n';
    return CostsOf(pair);
}

TradeCosts CostOptions::CostsOf(const std::string& pair) const
{
    return file ? CostsFileTable().Of(pair) : Costs();
}

bool CostOptions::Lists(const std::string& pair) const
{
    if (!file)
        return true;
    for (const CostsTable::Entry& e : CostsFileTable().Entries())
        if (e.first == pair)
            return true;
    return false;
}

std::string UnlistedCostsNote(const std::string& pair, const std::string& file)
{
    return pair + ": в файле издержек '" + file + "' нет строки, торгуется без издержек";
}

} // namespace quillet::cli
