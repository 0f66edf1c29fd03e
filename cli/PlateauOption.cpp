#include "cli/PlateauOption.h"

#include <charconv>
#include <vector>

namespace quillet::cli {

std::optional<PlateauRadii> ParseRadii(const std::string& text, std::size_t* count)
{
    if (text.empty())
        return PlateauRadii{};
    std::vector<int> values;
    std::size_t from = 0;
    while (true) {
        const std::size_t colon = text.find(':', from);
        const std::string part =
            text.substr(from, colon == std::string::npos ? std::string::npos : colon - from);
        int value = 0;
        const auto [end, ec] = std::from_chars(part.data(), part.data() + part.size(), value);
        if (part.empty() || ec != std::errc() || end != part.data() + part.size() || value < 0 ||
            value > kPlateauRadiusMax)
            return std::nullopt;
        values.push_back(value);
        if (colon == std::string::npos)
            break;
        from = colon + 1;
    }
    if (count)
        *count = values.size();
    if (values.size() == 1)
        return PlateauRadii{values[0], values[0], values[0], values[0]};
    if (values.size() == 3 || values.size() == 4)
        return PlateauRadii{values[0], values[1], values[2], values.size() == 4 ? values[3] : 5};
    return std::nullopt;
}

CLI::Validator RadiiValidator()
{
    return CLI::Validator(
        [](std::string& text) -> std::string {
            return ParseRadii(text) ? std::string()
                                    : "'" + text + "': радиусы плато — целые от 0 до " +
                                          std::to_string(kPlateauRadiusMax) + ", R или Rs:Rsl:Rtp[:Rh]";
        },
        "");
}

std::optional<PlateauRadii> PlateauFor(const std::optional<std::string>& text, const SweepGrid& grid)
{
    if (!text)
        return std::nullopt;
    std::size_t given = 0;
    const std::optional<PlateauRadii> radii = ParseRadii(*text, &given);
    if (given == 4 && !grid.Hold)
        throw CLI::ValidationError("--plateau",
                                   "четвёртый радиус '" + *text +
                                       "' — для удержания, а оси удержания нет: задайте --hold A:B "
                                       "или три радиуса Rs:Rsl:Rtp");
    if (grid.Combinations() > kPlateauCellLimit)
        throw CLI::ValidationError(
            "--plateau", "выбор по плато возможен для сетки не больше " + std::to_string(kPlateauCellLimit) +
                             " комбинаций, в этой " + std::to_string(grid.Combinations()));
    return radii;
}

} // namespace quillet::cli
