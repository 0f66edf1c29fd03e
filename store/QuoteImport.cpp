#include "store/QuoteImport.h"

#include "store/Cp1251.h"
#include "store/Dates.h"
#include "store/Errors.h"
#include "store/Files.h"
#include "store/Numbers.h"

#include <algorithm>
#include <cstring>

namespace quillet {
namespace {

void FillSeries(CandleSeries& series, const QuoteTable& rows)
{
    const std::size_t count = rows.RowCount();
    for (std::size_t r = 1; r <= count; ++r) {
        Candle& c = series[static_cast<int>(r)];
        c.Date = ParseDate(rows.Cell(r, 0));
        SetShortString(c.Time, Utf8Prefix(rows.Cell(r, 1), 2));
        c.Open = ParsePrice(rows.Cell(r, 2));
        c.High = ParsePrice(rows.Cell(r, 3));
        c.Low = ParsePrice(rows.Cell(r, 4));
        c.Close = ParsePrice(rows.Cell(r, 5));
    }
}

void CheckRowCount(const char* seriesName, const QuoteTable& rows)
{
    if (rows.RowCount() > static_cast<std::size_t>(kLastCandleIndex))
        throw Error(std::string("Слишком много свечей в серии ") + seriesName + ": " +
                    std::to_string(rows.RowCount()) + ", в базе помещается не более " +
                    std::to_string(kLastCandleIndex));
}

} // namespace

QuoteCells SplitQuoteLine(std::string_view line)
{
    QuoteCells cells;
    std::size_t start = 0;
    for (int i = 0; i < kQuoteColumns; ++i) {
        const std::size_t comma = line.find(',', start);
        if (comma == std::string_view::npos)
            break;
        cells[i] = line.substr(start, comma - start);
        if (i >= 2)
            std::replace(cells[i].begin(), cells[i].end(), '.', ',');
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
    SetActiveDateFormat(kImportDateFormat);
    CheckRowCount("Week", week);
    CheckRowCount("Day", day);
    CheckRowCount("Hour", hour);
    std::memset(&record, 0, sizeof record);
    SetShortString(record.Name, Utf8Prefix(name, 6));
    FillSeries(record.Week, week);
    FillSeries(record.Day, day);
    FillSeries(record.Hour, hour);
}

void MakeBaseFromQuoteFiles(const std::string& basePath, std::string_view name, const std::string& weekFile,
                            const std::string& dayFile, const std::string& hourFile, InstrumentTable& table)
{
    const QuoteRows week = ReadQuoteFile(weekFile);
    const QuoteRows day = ReadQuoteFile(dayFile);
    const QuoteRows hour = ReadQuoteFile(hourFile);
    Instrument& scratch = table.ScratchSlot();
    BuildInstrument(scratch, name, week, day, hour);
    WriteBaseFile(basePath, scratch);
}

} // namespace quillet
