#include "store/QuoteImport.h"

#include "model/Cp1251.h"
#include "model/Dates.h"
#include "model/Errors.h"
#include "model/Numbers.h"
#include "store/Files.h"
#include "store/SpreadFile.h"

#include <algorithm>

namespace quillet {
namespace {

// One series to fill: its rows and, when they were read from a file, the
// file, which a refusal then names with the line of the refused cell.
struct SeriesSource {
    const char* Name;
    const QuoteTable& Rows;
    const std::string* File;
};

void FillSeries(CandleSeries& series, const SeriesSource& source)
{
    const std::size_t count = source.Rows.RowCount();
    std::size_t r = 1;
    try {
        for (; r <= count; ++r) {
            Candle& c = series[static_cast<int>(r)];
            c.Date = ParseDate(source.Rows.Cell(r, 0));
            SetShortString(c.Time, Utf8Prefix(source.Rows.Cell(r, 1), 2));
            c.Open = ParsePrice(source.Rows.Cell(r, 2));
            c.High = ParsePrice(source.Rows.Cell(r, 3));
            c.Low = ParsePrice(source.Rows.Cell(r, 4));
            c.Close = ParsePrice(source.Rows.Cell(r, 5));
        }
    } catch (const Error& e) {
        if (!source.File)
            throw;
        // Row r of the rows is line r of the file.
        throw FileError(*source.File, "Строка " + std::to_string(r) + ": " + e.what());
    }
}

void CheckRowCount(const SeriesSource& source)
{
    if (source.Rows.RowCount() <= static_cast<std::size_t>(kLastCandleIndex))
        return;
    const std::string text = std::string("Слишком много свечей в серии ") + source.Name + ": " +
                             std::to_string(source.Rows.RowCount()) + ", в базе помещается не более " +
                             std::to_string(kLastCandleIndex);
    if (source.File)
        throw FileError(*source.File, text);
    throw Error(text);
}

void BuildFromSources(Instrument& record, std::string_view name, const SeriesSource& week,
                      const SeriesSource& day, const SeriesSource& hour)
{
    SetActiveDateFormat(kImportDateFormat);
    CheckRowCount(week);
    CheckRowCount(day);
    CheckRowCount(hour);
    StartRecord(record, name);
    FillSeries(record.Week, week);
    FillSeries(record.Day, day);
    FillSeries(record.Hour, hour);
}

} // namespace

std::string PriceCell(std::string_view text)
{
    std::string cell(text);
    std::replace(cell.begin(), cell.end(), '.', ',');
    return cell;
}

QuoteCells SplitQuoteLine(std::string_view line)
{
    QuoteCells cells;
    std::size_t start = 0;
    for (int i = 0; i < kQuoteColumns; ++i) {
        const std::size_t comma = line.find(',', start);
        if (comma == std::string_view::npos)
            break;
        const std::string_view cell = line.substr(start, comma - start);
        cells[i] = i >= 2 ? PriceCell(cell) : std::string(cell);
        start = comma + 1;
    }
    return cells;
}

QuoteRows ReadQuoteFile(const std::string& path)
{
    std::vector<QuoteCells> rows;
    for (const auto& line : ReadTextLines(path))
        rows.push_back(SplitQuoteLine(line));
    return QuoteRows(std::move(rows));
}

void BuildInstrument(Instrument& record, std::string_view name, const QuoteTable& week, const QuoteTable& day,
                     const QuoteTable& hour)
{
    BuildFromSources(record, name, {"Week", week, nullptr}, {"Day", day, nullptr}, {"Hour", hour, nullptr});
}

void MakeBaseFromQuoteFiles(const std::string& basePath, std::string_view name, const std::string& weekFile,
                            const std::string& dayFile, const std::string& hourFile, InstrumentTable& table)
{
    const QuoteRows week = ReadQuoteFile(weekFile);
    const QuoteRows day = ReadQuoteFile(dayFile);
    const QuoteRows hour = ReadQuoteFile(hourFile);
    Instrument& scratch = table.ScratchSlot();
    BuildFromSources(scratch, name, {"Week", week, &weekFile}, {"Day", day, &dayFile},
                     {"Hour", hour, &hourFile});
    // Quotes without a spread column: a spread kept for older hours goes.
    table.SetSpread(kScratchSlot, {});
    WriteBaseAndSpread(basePath, scratch, {});
}

} // namespace quillet
