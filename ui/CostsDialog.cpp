#include "ui/CostsDialog.h"

#include "model/Numbers.h"
#include "ui_CostsDialog.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QHeaderView>
#include <QLocale>
#include <QPushButton>
#include <QTableWidgetItem>

namespace quillet::ui {
namespace {

/// A cell's spin box: points with one decimal and the window's "," separator
/// whatever the machine's locale, within ±`limitTenths` (from 0 when
/// `signedRange` is false).
QDoubleSpinBox* CostBox(int tenths, int limitTenths, bool signedRange)
{
    auto* box = new QDoubleSpinBox;
    box->setLocale(QLocale(QLocale::Russian, QLocale::Russia));
    box->setDecimals(1);
    box->setSingleStep(0.1);
    box->setRange(signedRange ? -limitTenths / 10.0 : 0.0, limitTenths / 10.0);
    box->setValue(tenths / 10.0);
    box->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    box->setFrame(false);
    return box;
}

int TenthsOf(const QDoubleSpinBox* box)
{
    return RoundToInt32(static_cast<long double>(box->value()) * 10);
}

} // namespace

CostsDialog::CostsDialog(const QStringList& names, CostsTable table,
                         std::function<bool(const CostsTable&)> save, QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::CostsDialog>()), names_(names), table_(std::move(table)),
      save_(std::move(save))
{
    ui->setupUi(this);
    setObjectName(QStringLiteral("CostsDialog"));
    QTableWidget* t = ui->CostsTable;
    t->setRowCount(static_cast<int>(names_.size()));
    t->verticalHeader()->hide();
    for (int row = 0; row < t->rowCount(); ++row) {
        auto* name = new QTableWidgetItem(names_[row]);
        name->setFlags(Qt::ItemIsEnabled);
        t->setItem(row, 0, name);
        const TradeCosts c = table_.Of(names_[row].toStdString());
        t->setCellWidget(row, Spread, CostBox(c.SpreadTenths, kSpreadMaxTenths, false));
        t->setCellWidget(row, Commission, CostBox(c.CommissionTenths, kCommissionMaxTenths, false));
        t->setCellWidget(row, SwapLong, CostBox(c.SwapLongTenths, kSwapLimitTenths, true));
        t->setCellWidget(row, SwapShort, CostBox(c.SwapShortTenths, kSwapLimitTenths, true));
        // The fixed spread means nothing while each hour's is used.
        auto* recorded = new QCheckBox;
        recorded->setChecked(c.SpreadRecorded);
        Cell(row, Spread)->setEnabled(!c.SpreadRecorded);
        connect(recorded, &QCheckBox::toggled, Cell(row, Spread),
                [box = Cell(row, Spread)](bool on) { box->setEnabled(!on); });
        t->setCellWidget(row, SpreadRecorded, recorded);
    }
    t->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    t->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    connect(ui->CostsButtons, &QDialogButtonBox::accepted, this, &CostsDialog::accept);
    connect(ui->CostsButtons, &QDialogButtonBox::rejected, this, &CostsDialog::reject);
}

CostsDialog::~CostsDialog() = default;

void CostsDialog::ShowIgnoredLines(const QStringList& lines)
{
    ui->IgnoredLinesLabel->setText(
        QStringLiteral("Не прочитаны строки файла издержек (пока они в нём, файл не перезаписывается):\n") +
        lines.join(QLatin1Char('\n')));
    ui->IgnoredLinesLabel->setVisible(!lines.isEmpty());
}

QDoubleSpinBox* CostsDialog::Cell(int row, Column column) const
{
    return qobject_cast<QDoubleSpinBox*>(ui->CostsTable->cellWidget(row, column));
}

QCheckBox* CostsDialog::RecordedBox(int row) const
{
    return qobject_cast<QCheckBox*>(ui->CostsTable->cellWidget(row, SpreadRecorded));
}

CostsTable CostsDialog::Edited() const
{
    CostsTable edited = table_;
    for (int row = 0; row < ui->CostsTable->rowCount(); ++row) {
        const bool recorded = RecordedBox(row)->isChecked();
        edited.Set(names_[row].toStdString(),
                   TradeCosts{recorded ? 0 : TenthsOf(Cell(row, Spread)), TenthsOf(Cell(row, Commission)),
                              TenthsOf(Cell(row, SwapLong)), TenthsOf(Cell(row, SwapShort)), recorded});
    }
    return edited;
}

void CostsDialog::accept()
{
    if (save_ && !save_(Edited()))
        return;
    QDialog::accept();
}

} // namespace quillet::ui
