#pragma once
// The dialog "Издержки": the spread, commission and swaps of each listed
// instrument, edited in a table and saved with OK.

#include "store/CostsFile.h"

#include <QDialog>
#include <QStringList>

#include <functional>
#include <memory>

class QCheckBox;
class QDoubleSpinBox;

namespace Ui {
class CostsDialog;
}

namespace quillet::ui {

class CostsDialog : public QDialog {
    Q_OBJECT
  public:
    /// The columns of the costs, after the instrument's name; the last says
    /// that the spread is each hour's as the quotes recorded it.
    enum Column { Spread = 1, Commission, SwapLong, SwapShort, SpreadRecorded };

    /// One row per name, showing its costs in `table`. `save` is given the
    /// edited table when OK is pressed; the dialog closes only when it
    /// returns true, so edits that could not be kept stay on screen.
    CostsDialog(const QStringList& names, CostsTable table, std::function<bool(const CostsTable&)> save,
                QWidget* parent = nullptr);
    ~CostsDialog() override;

    /// The table as edited: the listed instruments' costs from the cells,
    /// every other instrument's as it was given.
    CostsTable Edited() const;

    /// Says which lines of the costs file were not read, and that the file
    /// is kept as it is while it holds them; nothing for none.
    void ShowIgnoredLines(const QStringList& lines);

    /// The spin box of a row's cost column.
    QDoubleSpinBox* Cell(int row, Column column) const;
    /// The check box "спред: по истории" of a row.
    QCheckBox* RecordedBox(int row) const;

  public slots:
    void accept() override;

  private:
    std::unique_ptr<Ui::CostsDialog> ui;
    QStringList names_;
    CostsTable table_;
    std::function<bool(const CostsTable&)> save_;
};

} // namespace quillet::ui
