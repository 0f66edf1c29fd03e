#pragma once
// The few controls whose Qt behaviour differs from what the window's
// handlers rely on: a track bar that keeps a valid range, a date picker that
// tells user edits from code and can be coloured, and a string grid whose
// heading row is row 0 of its cells.

#include <QAbstractTableModel>
#include <QColor>
#include <QDate>
#include <QDateTimeEdit>
#include <QSlider>
#include <QTableView>

#include "store/QuoteImport.h"

#include <string>
#include <string_view>
#include <vector>

/// A horizontal track bar. Its valueChanged fires whenever the position
/// changes, also when code sets it or a new minimum or maximum pulls it into
/// range, and never when code sets the position it already has (QSlider's
/// own rule). Unlike QSlider it refuses a maximum below its minimum and a
/// minimum above its maximum: the range stays as it was.
class TTrackBar : public QSlider {
    Q_OBJECT
  public:
    explicit TTrackBar(QWidget* parent = nullptr);

    void setMinimum(int min);
    void setMaximum(int max);
    void setRange(int min, int max);
};

/// A date picker. Change fires only when the user edits the date, never when
/// code sets it. The background colour can be set, as a display of validity.
class TDateTimePicker : public QDateTimeEdit {
    Q_OBJECT
  public:
    explicit TDateTimePicker(QWidget* parent = nullptr);

    /// Replaces the date and keeps the time of day; raises no Change.
    void SetDatePart(const QDate& date);
    /// Sets date and time; raises no Change.
    void SetDateTimeValue(const QDateTime& value);

    void SetColor(const QColor& color);
    QColor Color() const;

  signals:
    /// The user edited the date or time.
    void Change();

  private:
    bool settingByCode_ = false;
};

/// The cells of a TStringGrid: rows of six texts (UTF-8), row 0 being the
/// heading row, which is also the view's column header. The data rows serve
/// generation directly as a quote table, so nothing is copied between the
/// grid and the core.
class TStringGridModel : public QAbstractTableModel, public quillet::QuoteTable {
    Q_OBJECT
  public:
    explicit TStringGridModel(QObject* parent = nullptr);

    // The view's side.
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // The quote table's side: data rows 1..RowCount().
    std::size_t RowCount() const override { return rows_.size() - 1; }
    std::string_view Cell(std::size_t row, int column) const override { return rows_[row][column]; }

    /// Rows held, heading included.
    int Rows() const { return static_cast<int>(rows_.size()); }
    const std::string& Text(int col, int row) const { return rows_[row][col]; }
    void SetText(int col, int row, std::string text);
    void SetRow(int row, quillet::QuoteCells cells);
    /// Sets the number of rows (at least 1, the heading); new rows are empty,
    /// kept rows keep their cells.
    void Resize(int rows);

    /// Between BeginUpdate and EndUpdate the cells change without telling the
    /// view; EndUpdate tells it once. Filling 65,000 rows one signal at a time
    /// would cost the header a pass per row.
    void BeginUpdate();
    void EndUpdate();

  private:
    void HeadingChanged(int firstCol, int lastCol);

    std::vector<quillet::QuoteCells> rows_;
    int shownRows_ = 0; // the row count the view knows
    int updating_ = 0;
};

/// A grid of text cells addressed as (column, row). Row 0 is the heading
/// row: it is shown as the column header, which stays in view while the rows
/// scroll, and cannot be selected. No cell can be edited by the user. Its
/// cells are held as text rows in its model, not as one item per cell, so a
/// grid of tens of thousands of rows is cheap.
class TStringGrid : public QTableView {
    Q_OBJECT
  public:
    explicit TStringGrid(QWidget* parent = nullptr);

    QString Cell(int col, int row) const;
    void SetCell(int col, int row, const QString& text);
    /// Writes the six cells of a row at once.
    void SetRow(int row, quillet::QuoteCells cells) { model_->SetRow(row, std::move(cells)); }
    /// Sets the number of rows, heading included; new rows are empty.
    void SetRowCount(int rows);
    int rowCount() const { return model_->Rows(); }
    int columnCount() const { return quillet::kQuoteColumns; }

    /// The data rows as a quote table (row r of the table is grid row r).
    const quillet::QuoteTable& Quotes() const { return *model_; }

    /// Batches many cell and row changes into one update of the view.
    void BeginUpdate() { model_->BeginUpdate(); }
    void EndUpdate() { model_->EndUpdate(); }

  private:
    TStringGridModel* model_;
};
