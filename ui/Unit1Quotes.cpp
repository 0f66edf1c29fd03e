// The page "Работа с котировками": importing quote text files into the three
// grids, generating a ".base" file from them, and editing the instrument
// list that closing writes to "config".

#include "ui/Unit1.h"

#include "model/Dates.h"
#include "model/Errors.h"
#include "model/Instrument.h"
#include "store/Files.h"
#include "store/QuoteImport.h"
#include "store/SpreadFile.h"
#include "ui/Controls.h"
#include "ui/Dialogs.h"
#include "ui_Unit1.h"

#include <algorithm>
#include <exception>
#include <string>
#include <vector>

using quillet::ui::RunGuarded;
using quillet::ui::ShowError;
using quillet::ui::ShowInfo;

namespace {

/// Keeps a grid's view from hearing of each row while a file is read into
/// it; the view catches up once, also when the import fails half-way.
class GridUpdate {
  public:
    explicit GridUpdate(TStringGrid* grid) : grid_(grid) { grid_->BeginUpdate(); }
    ~GridUpdate() { grid_->EndUpdate(); }
    GridUpdate(const GridUpdate&) = delete;
    GridUpdate& operator=(const GridUpdate&) = delete;

  private:
    TStringGrid* grid_;
};

/// A grid holds at most as many data rows as a series holds candles.
void CheckGridFits(const TStringGrid* grid)
{
    const std::size_t rows = grid->Quotes().RowCount();
    if (rows > static_cast<std::size_t>(quillet::kLastCandleIndex))
        throw quillet::Error("В таблице " + grid->objectName().toStdString() + " " + std::to_string(rows) +
                             " строк, а серия базы вмещает не более " +
                             std::to_string(quillet::kLastCandleIndex) + " свечей");
}

} // namespace

// ---------------------------------------------------------------------------
// Import

void TForm1::Button14Click()
{
    if (openDialog1_->Execute(this))
        ui->Label179->setText(openDialog1_->FileName());
}

void TForm1::Button13Click()
{
    auto& u = *ui;
    // "Week", "Day" or "Hour" names the grid; with no timeframe chosen there
    // is no grid to fill, and nothing is touched.
    auto* grid = findChild<TStringGrid*>(u.ComboBox4->currentText() + QStringLiteral("Grid"));
    if (u.ComboBox4->currentText().isEmpty() || !grid) {
        ShowInfo(this, QStringLiteral("Выберите таймфрейм"));
        return;
    }
    RunGuarded(this, [&] {
        const QString path = u.Label179->text();
        int count = 0;
        {
            GridUpdate batch(grid); // the view catches up before any message shows
            grid->SetRowCount(2);
            u.Label181->setText(u.Edit7->text());
            quillet::SetActiveDateFormat(quillet::kImportDateFormat);
            if (path.isEmpty())
                count = -1;
            else {
                // Line r goes into row r; the grid always keeps one empty row
                // past the last line written, dropped once the file is read.
                const std::vector<std::string> lines = quillet::ReadTextLines(path.toStdString());
                int row = 1;
                for (const std::string& line : lines) {
                    grid->SetRow(row, quillet::SplitQuoteLine(line));
                    ++row;
                    grid->SetRowCount(row + 1);
                }
                grid->SetRowCount(row);
                count = row - 1;
            }
        }
        if (count < 0)
            ShowInfo(this, QStringLiteral("Выберите файл"));
        else
            ShowInfo(this, QStringLiteral("Загружено ") + QString::number(count) + QStringLiteral(" свечей"));
    });
}

void TForm1::Button15Click()
{
    ui->WeekGrid->show();
    ui->DayGrid->hide();
    ui->HourGrid->hide();
}

void TForm1::Button16Click()
{
    ui->DayGrid->show();
    ui->WeekGrid->hide();
    ui->HourGrid->hide();
}

void TForm1::Button17Click()
{
    ui->HourGrid->show();
    ui->WeekGrid->hide();
    ui->DayGrid->hide();
}

// ---------------------------------------------------------------------------
// Generation and the instrument list

void TForm1::BitBtn3Click()
{
    auto& u = *ui;
    RunGuarded(this, [&] {
        quillet::SetActiveDateFormat(quillet::kImportDateFormat);
        // A grid too long for a series is refused before anything is
        // converted, naming the grid the user filled.
        for (const TStringGrid* grid : {u.WeekGrid, u.DayGrid, u.HourGrid})
            CheckGridFits(grid);
        // The name becomes a file name next to the program; one that would
        // put the file elsewhere is refused before anything is converted.
        const QString name = u.Label181->text();
        const std::string path = quillet::BaseFilePath(baseDir_, name.toStdString());
        quillet::Instrument& scratch = quillet::Table().ScratchSlot();
        // The cells are read where the grids hold them; the first refused
        // one ends generation before any file is touched.
        quillet::BuildInstrument(scratch, u.Edit7->text().toStdString(), u.WeekGrid->Quotes(),
                                 u.DayGrid->Quotes(), u.HourGrid->Quotes());
        // Quotes without a spread column: a spread kept for older hours goes.
        quillet::Table().SetSpread(quillet::kScratchSlot, {});
        quillet::WriteBaseAndSpread(path, scratch, {});
        u.ListBox6->addItem(name);
        const std::vector<std::string> check = DataCheckReport(scratch, u.Edit7->text().toStdString());
        ShowInfo(this, QStringLiteral("Готово"));
        ShowDataCheck(name, check);
    });
}

void TForm1::Button18Click()
{
    if (!openDialog2_->Execute(this))
        return;
    // A path ending in a six-character name and ".base" gives the name; a
    // path shorter than eleven characters gives what stands before its last five.
    const QString path = openDialog2_->FileName();
    const qsizetype end = std::max<qsizetype>(path.size() - 5, 0);
    const qsizetype start = std::max<qsizetype>(end - 6, 0);
    ui->ListBox6->addItem(path.mid(start, end - start));
}

void TForm1::BitBtn4Click()
{
    QListWidget* list = ui->ListBox6;
    const QList<QListWidgetItem*> selected = list->selectedItems();
    if (selected.isEmpty())
        return;
    delete list->takeItem(list->row(selected.first()));
    // Nothing stays selected, so a second Esc removes nothing more.
    list->setCurrentRow(-1);
    list->clearSelection();
}
