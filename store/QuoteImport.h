#pragma once
// From quote text to an instrument record: a quote line is cut into six
// cells, rows of cells fill the three series of a record, and the record is
// written as a ".base" file.

#include "model/Instrument.h"

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace quillet {

inline constexpr int kQuoteColumns = 6; // date, time, open, high, low, close
using QuoteCells = std::array<std::string, kQuoteColumns>;

/// The cell a price of a quote file becomes: every "." turned into ",",
/// the program's decimal separator.
std::string PriceCell(std::string_view text);

/// The six cells of a quote line: the texts before its first six commas,
/// with every "." replaced by "," in the four price cells. Cells past the
/// last comma stay empty; the text after the sixth comma is ignored.
QuoteCells SplitQuoteLine(std::string_view line);

/// Rows of quote cells, numbered from 1 like the data rows of a grid. The
/// window's grids and the plain row lists below both serve as one.
class QuoteTable {
  public:
    virtual ~QuoteTable() = default;
    /// Number of data rows.
    virtual std::size_t RowCount() const = 0;
    /// Cell `column` of data row `row` (1-based).
    virtual std::string_view Cell(std::size_t row, int column) const = 0;
};

/// A plain list of quote rows.
class QuoteRows : public QuoteTable {
  public:
    QuoteRows() = default;
    explicit QuoteRows(std::vector<QuoteCells> rows) : rows_(std::move(rows)) {}

    std::size_t RowCount() const override { return rows_.size(); }
    std::string_view Cell(std::size_t row, int column) const override { return rows_[row - 1][column]; }

    void Add(QuoteCells cells) { rows_.push_back(std::move(cells)); }

  private:
    std::vector<QuoteCells> rows_;
};

/// Reads a quote text file into rows, one per line (an empty line included).
QuoteRows ReadQuoteFile(const std::string& path);

/// Fills `record` from the three tables: it is emptied, its Name is the
/// first 6 characters of `name`, and data row r of each table becomes
/// candle r of Week, Day and Hour (dates under "yyyy mm dd", which becomes
/// the active date format). The first cell refused, in table, row and column
/// order, throws its conversion error. A table of more than 65000 rows is
/// refused before anything is converted.
void BuildInstrument(Instrument& record, std::string_view name, const QuoteTable& week, const QuoteTable& day,
                     const QuoteTable& hour);

/// Imports three quote files, fills the table's scratch slot with them and
/// writes it as `basePath`. Nothing is written when a cell is refused; the
/// refusal is a FileError naming the quote file and the line.
void MakeBaseFromQuoteFiles(const std::string& basePath, std::string_view name, const std::string& weekFile,
                            const std::string& dayFile, const std::string& hourFile,
                            InstrumentTable& table = Table());

} // namespace quillet
