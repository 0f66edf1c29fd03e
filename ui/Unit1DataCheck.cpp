// The check of an instrument's quotes: its report after every import and,
// from the menu of the instrument list, for a listed instrument; and the
// line the figures of a single-pair run show when the weeks it used have
// holes or spikes.

#include "ui/Unit1.h"

#include "analysis/DataCheck.h"
#include "model/Instrument.h"
#include "report/DataCheckTexts.h"
#include "store/Files.h"
#include "ui/DataCheckWindow.h"
#include "ui/Dialogs.h"
#include "ui/TradesPage.h"
#include "ui_Unit1.h"

#include <QAction>

#include <algorithm>

void TForm1::SetUpDataCheck()
{
    auto* item = new QAction(QStringLiteral("Проверка данных..."), ui->ListBox6);
    item->setObjectName(QStringLiteral("DataCheckItem"));
    ui->ListBox6->addAction(item);
    ui->ListBox6->setContextMenuPolicy(Qt::ActionsContextMenu);
    connect(item, &QAction::triggered, this, &TForm1::DataCheckItemClick);
    ui->PairDataLabel->hide();
}

std::vector<std::string> TForm1::DataCheckReport(const quillet::Instrument& instrument,
                                                 const std::string& name) const
{
    const quillet::DataCheckOptions options;
    return quillet::DataCheckReport(quillet::CheckQuoteData(instrument, options), name, options);
}

void TForm1::ShowDataCheck(const QString& name, const std::vector<std::string>& report)
{
    if (!dataCheck_)
        dataCheck_ = new quillet::ui::DataCheckWindow(this);
    dataCheck_->ShowReport(name, report);
}

void TForm1::DataCheckItemClick()
{
    const QListWidgetItem* item = ui->ListBox6->currentItem();
    if (!item) {
        quillet::ui::ShowInfo(this, QStringLiteral("Выберите инструмент в списке"));
        return;
    }
    quillet::ui::RunGuarded(this, [&] {
        const std::string name = item->text().toStdString();
        // A loaded instrument is checked where it lies; another is read from its file.
        const std::vector<std::string> loaded = quillet::LoadedInstrumentNames();
        const auto at = std::find(loaded.begin(), loaded.end(), name);
        quillet::InstrumentTable& table = quillet::Table();
        int slot = quillet::kScratchSlot;
        if (at != loaded.end())
            slot = static_cast<int>(at - loaded.begin()) + 1;
        else
            quillet::ReadWholeBaseFile(quillet::BaseFilePath(baseDir_, name), slot);
        ShowDataCheck(item->text(), DataCheckReport(table[slot], name));
    });
}

void TForm1::ShowRunDataLine(const quillet::Instrument& instrument, int firstWeek, int lastWeek)
{
    const QString line = QString::fromStdString(
        quillet::DataCheckLine(quillet::RunDataCheck(instrument, firstWeek, lastWeek)));
    ui->PairDataLabel->setText(line);
    ui->PairDataLabel->setVisible(!line.isEmpty());
    tradesPage_->ShowDataLine(line);
}
