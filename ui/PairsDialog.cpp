#include "ui/PairsDialog.h"

#include "engine/MultiSweep.h"
#include "ui_PairsDialog.h"

#include <QPushButton>

namespace quillet::ui {

PairsDialog::PairsDialog(const QStringList& names, const QList<int>& checked, QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::PairsDialog>())
{
    ui->setupUi(this);
    ui->PairsButtons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Отмена"));
    for (int i = 0; i < names.size(); ++i) {
        auto* item = new QListWidgetItem(names[i], ui->PairsList);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        item->setCheckState(checked.contains(i) ? Qt::Checked : Qt::Unchecked);
    }
    const auto checkAll = [this](Qt::CheckState state) {
        for (int i = 0; i < ui->PairsList->count(); ++i)
            ui->PairsList->item(i)->setCheckState(state);
    };
    connect(ui->CheckAllButton, &QPushButton::clicked, this, [checkAll] { checkAll(Qt::Checked); });
    connect(ui->CheckNoneButton, &QPushButton::clicked, this, [checkAll] { checkAll(Qt::Unchecked); });
    connect(ui->PairsList, &QListWidget::itemChanged, this, &PairsDialog::UpdateOk);
    connect(ui->PairsButtons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(ui->PairsButtons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    UpdateOk();
}

PairsDialog::~PairsDialog() = default;

QList<int> PairsDialog::Checked() const
{
    QList<int> checked;
    for (int i = 0; i < ui->PairsList->count(); ++i)
        if (ui->PairsList->item(i)->checkState() == Qt::Checked)
            checked << i;
    return checked;
}

void PairsDialog::UpdateOk()
{
    const auto count = Checked().size();
    ui->PairsButtons->button(QDialogButtonBox::Ok)->setEnabled(count >= 2 && count <= kMaxSweptPairs);
}

} // namespace quillet::ui
