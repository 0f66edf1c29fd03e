#include "store/OlderImport.h"

#include "model/Cp1251.h"
#include "model/Dates.h"
#include "model/Errors.h"
#include "model/Numbers.h"
#include "store/Files.h"
#include "store/QuoteImport.h"

namespace quillet {
namespace {

std::vector<std::string> ReadSeriesFile(const std::string& path)
{
    try {
        return ReadTextLines(path);
    } catch (const Error& e) {
        throw Error("Cannot open file \"" + path + "\". " + e.what());
    }
}

// Converts the whole line before storing it, so a refused cell never
// leaves a candle half old, half new.
Candle CandleOfLine(const std::string& line)
{
    const QuoteCells cells = SplitQuoteLine(line);
    Candle c{};
    c.Date = ParseDate(cells[0]);
    SetShortString(c.Time, Utf8Prefix(cells[1], 2));
    c.Open = ParsePrice(cells[2]);
    c.High = ParsePrice(cells[3]);
    c.Low = ParsePrice(cells[4]);
    c.Close = ParsePrice(cells[5]);
    return c;
}

void ImportSeries(Instrument& slot, CandleSeries& series, const std::string& path, std::string_view name)
{
    const std::vector<std::string> lines = ReadSeriesFile(path);
    // Lines are stored from candle 0, so a series takes at most 65001 of them.
    if (lines.size() > static_cast<std::size_t>(kSeriesCapacity))
        throw Error("Слишком много строк в файле \"" + path + "\": " + std::to_string(lines.size()) +
                    ", в серию помещается не более " + std::to_string(kSeriesCapacity) + " (свечи 0-" +
                    std::to_string(kLastCandleIndex) + ")");
    SetShortString(slot.Name, Utf8Prefix(name, 6));
    for (std::size_t n = 0; n < lines.size(); ++n)
        series[static_cast<int>(n)] = CandleOfLine(lines[n]);
}

} // namespace

std::string OlderQuoteFileName(const std::string& dir, std::string_view name, int series)
{
    return dir + std::string(name) + std::to_string(series) + ".csv";
}

void ImportOlderInstruments(const std::string& dir, const std::vector<std::string>& names,
                            InstrumentTable& table)
{
    // Every name is checked before any slot changes. A missing line reads as
    // an empty name, whose files ("1.csv" ...) still lie in the folder.
    for (int i = 0; i < kOlderSlotCount && i < static_cast<int>(names.size()); ++i)
        if (!names[i].empty())
            CheckInstrumentName(names[i]);
    SetActiveDateFormat(kImportDateFormat);
    for (int i = 0; i < kOlderSlotCount; ++i) {
        const std::string name = i < static_cast<int>(names.size()) ? names[i] : std::string();
        Instrument& slot = table[i + 1];
        CandleSeries* const series[] = {&slot.Week, &slot.Day, &slot.Hour};
        for (int j = 1; j <= 3; ++j)
            ImportSeries(slot, *series[j - 1], OlderQuoteFileName(dir, name, j), name);
    }
}

void WriteOlderToolsFile(const std::string& path, const InstrumentTable& table)
{
    // Slots 1 to 7 lie back to back in the table, each the image of a ".base" file.
    WriteFileAtomically(path, &table[1], kOlderSlotCount * sizeof(Instrument));
}

} // namespace quillet
