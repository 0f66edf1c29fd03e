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

std::string LineFault(int number, const std::string& why)
{
    return "строка " + std::to_string(number) + ": " + why;
}

/// The blank-separated fields of a line.
std::vector<std::string_view> Fields(std::string_view line)
{
    std::vector<std::string_view> fields;
    for (line = TrimLeft(line); !line.empty(); line = TrimLeft(line)) {
        std::size_t end = 0;
        while (end < line.size() && !IsBlank(line[end]))
            ++end;
        fields.push_back(line.substr(0, end));
        line.remove_prefix(end);
    }
    return fields;
}

constexpr const char* kCostNames[] = {"спред", "комиссия", "своп покупки", "своп продажи"};
constexpr int TradeCosts::*kCostFields[] = {&TradeCosts::SpreadTenths, &TradeCosts::CommissionTenths,
                                            &TradeCosts::SwapLongTenths, &TradeCosts::SwapShortTenths};
constexpr std::size_t kCostCount = std::size(kCostFields);

/// Reads the text of cost k (spread, commission, long swap, short swap) into
/// `costs`; false when the text is not that cost.
bool ReadCostField(std::size_t k, std::string_view text, TradeCosts& costs)
{
    if (k == 0 && text == kRecordedSpreadWord) {
        costs.SpreadRecorded = true;
        return true;
    }
    const std::optional<int> tenths = ParseTenths(text);
    if (!tenths)
        return false;
    costs.*kCostFields[k] = *tenths;
    return true;
}

/// One line's instrument and costs, or why the line is not one.
struct CostsLine {
    std::string Name;
    TradeCosts Costs;
    std::string Fault;
};

CostsLine ReadCostsLine(std::string_view line)
{
    CostsLine read;
    const std::vector<std::string_view> fields = Fields(line);
    const std::size_t needed = kCostCount + 1;
    if (fields.size() < needed) {
        read.Fault =
            "полей " + std::to_string(fields.size()) + ", нужно " + std::to_string(needed) +
            ": имя инструмента и четыре числа (спред, комиссия, своп покупки, своп продажи), а не '" +
            std::string(TrimRight(TrimLeft(line))) + "'";
        return read;
    }
    // The costs are the last fields; the name is all before them, blanks within it kept.
    const std::size_t first = fields.size() - kCostCount;
    for (std::size_t k = 0; k < kCostCount; ++k)
        if (!ReadCostField(k, fields[first + k], read.Costs)) {
            read.Fault = std::string(kCostNames[k]) + " '" + std::string(fields[first + k]) +
                         "' не число пунктов с одним знаком после точки";
            return read;
        }
    const auto nameLength = static_cast<std::size_t>(fields[first].data() - fields[0].data());
    read.Name = std::string(TrimRight(std::string_view(fields[0].data(), nameLength)));
    if (const std::optional<CostRangeFault> f = TradeCostsFault(read.Costs))
        read.Fault = read.Name + ": " + kCostNames[static_cast<int>(f->Kind)] + " " +
                     TenthsText(f->Tenths, '.') + " п вне пределов от " + TenthsText(f->LowestTenths, '.') +
                     " до " + TenthsText(f->HighestTenths, '.') + " п";
    return read;
}

/// The text of the file at `path`, UTF-8; nothing when there is no file.
std::optional<std::string> CostsFileText(const std::string& path)
{
    std::error_code ec;
    if (std::filesystem::symlink_status(path, ec).type() == std::filesystem::file_type::not_found)
        return std::nullopt;
    return Cp1251ToUtf8(ReadFileBytes(path));
}

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

CostsFileLines ParseCostsLines(std::string_view text)
{
    CostsFileLines out;
    std::vector<int> lineOf; // per entry, the line that named it
    TextLineReader reader(text);
    for (std::string_view line; reader.Next(line);) {
        const std::string_view rest = TrimLeft(line);
        if (TrimRight(rest).empty() || rest.front() == '#')
            continue;
        CostsLine read = ReadCostsLine(rest);
        const auto& entries = out.Table.Entries();
        const auto same = std::find_if(entries.begin(), entries.end(),
                                       [&](const CostsTable::Entry& e) { return e.first == read.Name; });
        if (read.Fault.empty() && same != entries.end())
            read.Fault = "инструмент " + read.Name + " уже указан в строке " +
                         std::to_string(lineOf[static_cast<std::size_t>(same - entries.begin())]);
        if (!read.Fault.empty()) {
            out.Ignored.push_back(LineFault(reader.Number(), read.Fault));
            continue;
        }
        out.Table.Set(read.Name, read.Costs);
        lineOf.push_back(reader.Number());
    }
    return out;
}

CostsTable ParseCosts(std::string_view text)
{
    CostsFileLines read = ParseCostsLines(text);
    if (!read.Ignored.empty())
        throw Error(read.Ignored.front());
    return std::move(read.Table);
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
    CostsFileLines read = ReadCostsFileLines(dir);
    if (!read.Ignored.empty())
        throw Error("Файл издержек '" + dir + kCostsFileName + "', " + read.Ignored.front());
    return std::move(read.Table);
}

CostsFileLines ReadCostsFileLines(const std::string& dir)
{
    const std::optional<std::string> text = CostsFileText(dir + kCostsFileName);
    return text ? ParseCostsLines(*text) : CostsFileLines{};
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
