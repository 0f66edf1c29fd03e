#include "ui/QuoteImportDialog.h"

#include "ui_QuoteImportDialog.h"

#include <QPushButton>

namespace quillet::ui {

QuoteImportDialog::QuoteImportDialog(const QString& title, const QString& label, const QString& name,
                                     int maxLength, QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::QuoteImportDialog>())
{
    ui->setupUi(this);
    setWindowTitle(title);
    ui->NameLabel->setText(label);
    ui->NameEdit->setMaxLength(maxLength);
    ui->NameEdit->setText(name);
    ui->Buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Отмена"));
    connect(ui->Buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(ui->Buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

QuoteImportDialog::~QuoteImportDialog() = default;

QString QuoteImportDialog::Name() const
{
    return ui->NameEdit->text();
}

int QuoteImportDialog::ShiftHours() const
{
    return ui->ShiftBox->value();
}

} // namespace quillet::ui
