#include "store/CostsFile.h"

#include "model/Cp1251.h"
#include "model/Errors.h"
#include "store/Files.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <optional>
#include <system_error>

namespace quillet {
namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::string_view TrimRight(std::string_view s)
{
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

std::string_view TrimLeft(std::string_view s)
{
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    return s;
}

[[noreturn]] void ThrowLine(int number, const std::string& why)
{
    throw Error("строка " + std::to_string(number) + ": " + why);
}

/// Takes the last blank-separated field off the end of `line`.
std::string_view TakeLastField(std::string_view& line)
{
    line = TrimRight(line);
    std::size_t start = line.size();
    while (start > 0 && !IsBlank(line[start - 1]))
        --start;
    const std::string_view field = line.substr(start);
    line = line.substr(0, start);
    return field;
}

constexpr const char* kCostNames[] = {"спред", "комиссия", "своп покупки", "своп продажи"};

} // namespace

TradeCosts CostsTable::Of(std::string_view name) const
{
    for (const Entry& e : entries_)
        if (e.first == name)
            return e.second;
    return {};
}

void CostsTable::Set(const std::string& name, const TradeCosts& costs)
{
    for (Entry& e : entries_)
        if (e.first == name) {
            e.second = costs;
            return;
        }
    entries_.emplace_back(name, costs);
}

CostsTable ParseCosts(std::string_view text)
{
    CostsTable table;
    std::vector<int> lineOf; // per entry, the line that named it
    TextLineReader reader(text);
    for (std::string_view line; reader.Next(line);) {
        const int number = reader.Number();
        std::string_view rest = TrimLeft(line);
        if (TrimRight(rest).empty() || rest.front() == '#')
            continue;
        // The name is what is left before the four costs.
        std::array<int, 4> tenths{};
        bool recorded = false;
        for (int k = 3; k >= 0; --k) {
            const std::string_view field = TakeLastField(rest);
            if (field.empty() || TrimRight(rest).empty())
                ThrowLine(number, "нужны имя инструмента и четыре числа (спред, комиссия, своп покупки, своп "
                                  "продажи), а не '" +
                                      std::string(TrimRight(line)) + "'");
            if (k == 0 && field == kRecordedSpreadWord) {
                recorded = true;
                continue;
            }
            const std::optional<int> value = ParseTenths(field);
            if (!value)
                ThrowLine(number, std::string(kCostNames[k]) + " '" + std::string(field) +
                                      "' не число пунктов с одним знаком после точки");
            tenths[static_cast<std::size_t>(k)] = *value;
        }
        const std::string name(TrimRight(rest));
        const TradeCosts costs{tenths[0], tenths[1], tenths[2], tenths[3], recorded};
        if (const std::string why = TradeCostsError(costs); !why.empty())
            ThrowLine(number, name + ": " + why);
        const auto& entries = table.Entries();
        const auto same = std::find_if(entries.begin(), entries.end(),
                                       [&](const CostsTable::Entry& e) { return e.first == name; });
        if (same != entries.end())
            ThrowLine(number, "инструмент " + name + " уже указан в строке " +
                                  std::to_string(lineOf[static_cast<std::size_t>(same - entries.begin())]));
        table.Set(name, costs);
        lineOf.push_back(number);
    }
    return table;
}

std::string CostsText(const CostsTable& table)
{
    std::string text = "# Издержки по инструментам, в пунктах: имя, спред, комиссия за сделку, своп за ночь "
                       "покупки и продажи (минус - списание)\n";
    const bool anyRecorded = std::any_of(table.Entries().begin(), table.Entries().end(),
                                         [](const CostsTable::Entry& e) { return e.second.SpreadRecorded; });
    if (anyRecorded)
        text += "# спред recorded - по истории: свой для каждого часа, из файла ИМЯ.spread\n";
    for (const CostsTable::Entry& e : table.Entries()) {
        const TradeCosts& c = e.second;
        const std::string_view name = e.first;
        if (name.empty() || name.front() == '#' || IsBlank(name.front()) || IsBlank(name.back()) ||
            name.find_first_of("\r\n") != std::string_view::npos)
            throw Error("Имя инструмента '" + e.first + "' нельзя записать в файл издержек");
        text += e.first;
        text += ' ' + (c.SpreadRecorded ? std::string(kRecordedSpreadWord) : TenthsText(c.SpreadTenths, '.'));
        for (const int tenths : {c.CommissionTenths, c.SwapLongTenths, c.SwapShortTenths})
            text += ' ' + TenthsText(tenths, '.');
        text += '\n';
    }
    return text;
}

CostsTable ReadCostsFile(const std::string& dir)
{
    const std::string path = dir + kCostsFileName;
    std::error_code ec;
    if (std::filesystem::symlink_status(path, ec).type() == std::filesystem::file_type::not_found)
        return {};
    const std::string text = Cp1251ToUtf8(ReadFileBytes(path));
    try {
        return ParseCosts(text);
    } catch (const Error& e) {
        throw Error("Файл издержек '" + path + "', " + e.what());
    }
}

void WriteCostsFile(const std::string& dir, const CostsTable& table)
{
    std::string bytes;
    const std::string text = CostsText(table);
    TextLineReader reader(text);
    for (std::string_view line; reader.Next(line);) {
        bytes += Utf8ToCp1251(line);
        bytes += "\r\n";
    }
    WriteFileAtomically(dir + kCostsFileName, bytes.data(), bytes.size());
}

} // namespace quillet
