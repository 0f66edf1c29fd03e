#include "store/SpreadFile.h"

#include "model/Cp1251.h"
#include "model/Errors.h"
#include "store/Files.h"

#include <cerrno>
#include <filesystem>
#include <system_error>

#include <unistd.h>

namespace quillet {
namespace {

constexpr std::string_view kBaseSuffix = ".base";

std::string_view TrimBlanks(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

bool Exists(const std::string& path)
{
    std::error_code ec;
    return std::filesystem::symlink_status(path, ec).type() != std::filesystem::file_type::not_found;
}

std::string FileBytes(std::string_view text)
{
    std::string bytes;
    TextLineReader reader(text);
    for (std::string_view line; reader.Next(line);) {
        bytes += Utf8ToCp1251(line);
        bytes += "\r\n";
    }
    return bytes;
}

// The ".base" name of an instrument's file, for the notes.
std::string BaseName(const std::string& basePath)
{
    return std::filesystem::path(basePath).filename().string();
}

} // namespace

std::string SpreadFilePath(const std::string& basePath)
{
    const std::string_view path = basePath;
    const std::string_view stem =
        path.ends_with(kBaseSuffix) ? path.substr(0, path.size() - kBaseSuffix.size()) : path;
    return std::string(stem) + ".spread";
}

std::string SpreadText(std::string_view name, const std::vector<std::uint16_t>& tenths)
{
    std::string text = "# " + std::string(name) + ": спред каждой часовой свечи в десятых долях пункта, " +
                       std::to_string(tenths.size()) + " строк\n";
    text.reserve(text.size() + tenths.size() * 4);
    for (const std::uint16_t t : tenths) {
        text += std::to_string(t);
        text += '\n';
    }
    return text;
}

std::vector<std::uint16_t> ParseSpread(std::string_view text, int hours)
{
    std::vector<std::uint16_t> tenths;
    tenths.reserve(static_cast<std::size_t>(std::max(hours, 0)));
    TextLineReader reader(text);
    for (std::string_view line; reader.Next(line);) {
        const std::string_view field = TrimBlanks(line);
        if (field.empty() || field.front() == '#')
            continue;
        long value = 0;
        bool number = field.size() <= 5;
        for (const char c : field) {
            number = number && c >= '0' && c <= '9';
            value = value * 10 + (c - '0');
        }
        if (!number || value > kRecordedSpreadMaxTenths)
            throw Error("строка " + std::to_string(reader.Number()) + ": '" + std::string(field) +
                        "' не целое число десятых долей пункта от 0 до " +
                        std::to_string(kRecordedSpreadMaxTenths));
        tenths.push_back(static_cast<std::uint16_t>(value));
    }
    if (static_cast<long long>(tenths.size()) != hours)
        throw Error("в файле " + std::to_string(tenths.size()) + " значений спреда, а часовых свечей " +
                    std::to_string(hours));
    return tenths;
}

RecordedSpread ReadSpreadBeside(const std::string& basePath, int hours)
{
    const std::string path = SpreadFilePath(basePath);
    if (!Exists(path))
        return {};
    try {
        return RecordedSpread(ParseSpread(Cp1251ToUtf8(ReadFileBytes(path)), hours));
    } catch (const std::exception& e) {
        return RecordedSpread::Unusable("файл '" + path + "' не подходит к " + BaseName(basePath) + ": " +
                                        e.what());
    }
}

void LoadSpreadBeside(const std::string& basePath, int slot, InstrumentTable& table)
{
    table.SetSpread(slot, ReadSpreadBeside(basePath, FirstEmptyIndex(table[slot].Hour, 1) - 1));
}

void WriteBaseAndSpread(const std::string& basePath, const Instrument& record,
                        const std::vector<std::uint16_t>& tenths)
{
    const std::string spreadPath = SpreadFilePath(basePath);
    if (tenths.empty()) {
        WriteBaseFile(basePath, record);
        if (Exists(spreadPath) && ::unlink(spreadPath.c_str()) != 0)
            throw FileError(spreadPath, FileErrorText(errno) +
                                            ": старый спред по истории не удалён, а к новому " +
                                            BaseName(basePath) + " он не подходит; удалите его");
        return;
    }
    AtomicFileWriter spread(spreadPath);
    spread.Write(FileBytes(SpreadText(ShortStringText(record.Name), tenths)));
    WriteBaseFile(basePath, record);
    try {
        spread.Commit();
    } catch (const FileError& e) {
        // The new ".base" is in place: a spread of the old hours must not stay beside it.
        ::unlink(spreadPath.c_str());
        throw FileError(spreadPath, std::string(e.what()) + ": спред по истории не сохранён, " +
                                        BaseName(basePath) + " записан");
    }
}

} // namespace quillet
