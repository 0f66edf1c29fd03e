// The menu command "Импорт из часового файла...": one hourly quote file, in
// any format the hourly import knows, becomes a new instrument that is saved
// next to the others, added to the instrument list and loaded into the next
// free slot, so the pickers offer it at once.

#include "ui/Unit1.h"

#include "store/Cp1251.h"
#include "store/Dates.h"
#include "store/Errors.h"
#include "store/Files.h"
#include "store/HourlyImport.h"
#include "store/Instrument.h"
#include "ui/Dialogs.h"
#include "ui/LongWork.h"
#include "ui_Unit1.h"

#include <QComboBox>
#include <QFileInfo>

#include <cstring>
#include <optional>
#include <string>

using quillet::ui::Dialogs;
using quillet::ui::RunGuarded;
using quillet::ui::ShowInfo;

namespace {

constexpr int kNameLength = 6; // the record keeps six characters; file and record agree
/// Adds an entry to a picker; a picker that had nothing selected keeps so
/// (adding to an empty drop-down list would select the new entry).
void AddToPicker(QComboBox* picker, const QString& name)
{
    const bool noneSelected = picker->currentIndex() < 0;
    picker->addItem(name);
    if (noneSelected)
        picker->setCurrentIndex(-1);
}

} // namespace

void TForm1::AddToPickers(const QString& name)
{
    auto& u = *ui;
    AddToPicker(u.ComboBox1, name);
    u.ListBox5->addItem(name);
    AddToPicker(u.ComboBox2, name);
    AddToPicker(u.ComboBox3, name);
}

void TForm1::N4Click()
{
    auto& u = *ui;
    const QString file = Dialogs().OpenFileName(this, QStringLiteral("Котировки|*.csv;*.txt|Все файлы|*"));
    if (file.isEmpty())
        return;
    const std::optional<QString> typed =
        Dialogs().InputText(this, QStringLiteral("Импорт из часового файла"),
                            QStringLiteral("Имя инструмента (не больше шести символов):"),
                            QFileInfo(file).baseName().left(kNameLength), kNameLength);
    if (!typed)
        return;

    RunGuarded(this, [&] {
        const std::string name = typed->toStdString();
        if (quillet::Utf8Length(name) > static_cast<std::size_t>(kNameLength))
            throw quillet::Error("Имя инструмента '" + name + "' длиннее шести символов");
        const std::string base = quillet::BaseFilePath(baseDir_, name);
        const std::string source = file.toStdString();

        // The dates shown switch to the import format here, on the window's
        // thread; the worker only reads it.
        quillet::SetActiveDateFormat(quillet::kImportDateFormat);
        quillet::HourlySummary summary;
        quillet::ui::RunOffWindowThread(
            this, QStringLiteral("HourlyImportProgress"), QStringLiteral("Чтение часового файла ") + file,
            [&](const quillet::HourlyProgress& step) {
                summary = quillet::MakeBaseFromHourlyFile(base, name, source, {}, step);
            });

        u.ListBox6->addItem(*typed);
        QString done = QStringLiteral("Готово: недельных свечей %1, дневных %2, часовых %3")
                           .arg(summary.Weeks)
                           .arg(summary.Days)
                           .arg(summary.Hours);
        // The loaded instruments are slots 1, 2, ... up to the first empty
        // one; the new one takes that slot, and entry i of a picker is slot i + 1.
        const int slot = static_cast<int>(quillet::LoadedInstrumentNames().size()) + 1;
        if (slot <= quillet::kLastSlot) {
            quillet::InstrumentTable& table = quillet::Table();
            std::memcpy(&table[slot], &table.ScratchSlot(), sizeof(quillet::Instrument));
            AddToPickers(QString::fromStdString(quillet::ShortStringText(table[slot].Name)));
        } else {
            done += QStringLiteral(". Все %1 мест для инструментов заняты: инструмент добавлен в список и "
                                   "загрузится при запуске, когда окажется в нём среди первых %1")
                        .arg(quillet::kLastSlot);
        }
        ShowInfo(this, done);
    });
}
