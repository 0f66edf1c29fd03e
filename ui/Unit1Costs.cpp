// The costs of the instruments in the main window: read from the file
// "costs" at start-up, edited through the menu item "Издержки...", and
// handed to the single-pair run, the trade page and the optimisation page.

#include "ui/Unit1.h"

#include "model/Errors.h"
#include "model/Instrument.h"
#include "report/Catalogue.h"
#include "report/SpreadTexts.h"
#include "ui/CostsDialog.h"
#include "ui/Dialogs.h"
#include "ui/OptimisationPage.h"
#include "ui_Unit1.h"

using quillet::ui::ShowError;

namespace {

QString Text(const std::string& utf8)
{
    return QString::fromStdString(utf8);
}

} // namespace

void TForm1::LoadCosts()
{
    costsUnread_ = false;
    costsIgnored_.clear();
    const QString path = Text(baseDir_ + quillet::kCostsFileName);
    try {
        quillet::CostsFileLines read = quillet::ReadCostsFileLines(baseDir_);
        costs_ = std::move(read.Table);
        for (const std::string& line : read.Ignored)
            costsIgnored_ << Text(line);
    } catch (const std::exception& e) {
        // The runs go on without costs; the file is not replaced by what the
        // window holds instead, so the user can mend it.
        costsUnread_ = true;
        costs_ = {};
        QString text = QStringLiteral("Издержки не загружены, расчёты идут без них: ") +
                       quillet::ui::ErrorBoxText(Text(e.what()));
        if (const auto* fileError = dynamic_cast<const quillet::FileError*>(&e))
            text += QStringLiteral("\nФайл: ") + Text(fileError->Path());
        ShowError(this, text);
    }
    if (!costsIgnored_.isEmpty()) {
        // The lines that read hold; the file is kept for the user to mend the others.
        costsUnread_ = true;
        ShowError(this, QStringLiteral("Файл издержек %1: строки пропущены, издержки остальных инструментов "
                                       "загружены:\n%2")
                            .arg(path, costsIgnored_.join(QLatin1Char('\n'))));
    }
    CostsChanged();
}

quillet::TradeCosts TForm1::SinglePairCosts() const
{
    if (ui->ComboBox1->currentIndex() < 0)
        return {};
    return costs_.Of(ui->ComboBox1->currentText().toStdString());
}

void TForm1::CostsChanged()
{
    ui->PairCostsLabel->setText(
        ui->ComboBox1->currentIndex() < 0 ? QString() : Text(quillet::TradeCostsCaption(SinglePairCosts())));
    if (optimisation_)
        optimisation_->SetCosts(costs_);
}

void TForm1::CostsItemClick()
{
    QStringList names;
    for (int i = 0; i < ui->ComboBox1->count(); ++i)
        names << ui->ComboBox1->itemText(i);
    const auto save = [this, names](const quillet::CostsTable& edited) {
        // A spread by the hour needs the hours' spreads: an instrument without
        // them is refused here, where the choice is made.
        for (int i = 0; i < names.size(); ++i) {
            const std::string name = names[i].toStdString();
            const quillet::RecordedSpread& spread = quillet::Table().Spread(i + 1);
            if (edited.Of(name).SpreadRecorded && spread.Empty()) {
                ShowError(this, Text(quillet::NoRecordedSpreadMessage(name, spread)));
                return false;
            }
        }
        if (costsUnread_) {
            costs_ = edited;
            CostsChanged();
            const QString path = Text(baseDir_ + quillet::kCostsFileName);
            ShowError(this,
                      costsIgnored_.isEmpty()
                          ? QStringLiteral("Файл издержек не был прочитан при запуске и не перезаписывается: "
                                           "новые издержки действуют, пока программа открыта. Исправьте или "
                                           "удалите файл %1 и запустите программу снова, чтобы их сохранять")
                                .arg(path)
                          : QStringLiteral("В файле издержек %1 есть непрочитанные строки, и он не "
                                           "перезаписывается: новые издержки действуют, пока программа "
                                           "открыта. Исправьте или удалите эти строки и запустите "
                                           "программу снова, чтобы их сохранять")
                                .arg(path));
            return true;
        }
        try {
            quillet::WriteCostsFile(baseDir_, edited);
        } catch (const std::exception& e) {
            // The edits stay in the dialog; the file is as it was.
            ShowError(this, QStringLiteral("Издержки не сохранены: ") + Text(quillet::NamedErrorText(e)));
            return false;
        }
        costs_ = edited;
        CostsChanged();
        return true;
    };
    // Window-modal but not waited on: the window's handlers stay with the
    // event loop, and the dialog goes when it closes.
    auto* dialog = new quillet::ui::CostsDialog(names, costs_, save, this);
    dialog->ShowIgnoredLines(costsIgnored_);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::WindowModal);
    dialog->show();
}
