// The menu command "Импорт из часового файла...": one hourly quote file, in
// any format the hourly import knows, becomes a new instrument that is saved
// next to the others, added to the instrument list and loaded into the next
// free slot, so the pickers offer it at once.

#include "ui/Unit1.h"

#include "model/Cp1251.h"
#include "model/Dates.h"
#include "model/Errors.h"
#include "model/Instrument.h"
#include "store/Files.h"
#include "store/HourlyImport.h"
#include "store/SpreadFile.h"
#include "ui/Dialogs.h"
#include "ui/LongWork.h"
#include "ui_Unit1.h"

#include <QComboBox>
#include <QFileInfo>

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

using quillet::ui::Dialogs;
using quillet::ui::RunGuarded;
using quillet::ui::RunStoppable;
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

QDate DateOf(double serial)
{
    quillet::CivilDate c{};
    if (!quillet::DecodeDate(serial, c))
        return {};
    return QDate(c.Year, c.Month, c.Day);
}

double SerialOf(QDate date)
{
    return quillet::DateSerial(date.year(), date.month(), date.day());
}

} // namespace

std::optional<quillet::HourlySummary> TForm1::ImportHours(const std::string& base, const std::string& name,
                                                          const std::string& source, const QString& file,
                                                          int shiftHours)
{
    const QString reading = QStringLiteral("Чтение часового файла ") + file;
    quillet::QuoteImportSettings settings;
    settings.ShiftHours = shiftHours;
    for (;;) {
        try {
            // The file is read piece by piece: a minute file of years takes a while, and may be stopped.
            quillet::HourlySummary summary;
            if (!RunStoppable(this, QStringLiteral("HourlyImportProgress"), reading,
                              [&](const quillet::HourlyProgress& step) {
                                  summary =
                                      quillet::MakeBaseFromQuoteFile(base, name, source, settings, step);
                              }))
                return std::nullopt;
            return summary;
        } catch (const quillet::TooManyHoursError& e) {
            // The period offered is the last hours that fit: from the first
            // whole day among them to the end of the file or of the period
            // chosen, whose last date a trial build into the scratch slot finds.
            quillet::QuoteImportSettings fitting = settings;
            fitting.Period = {e.FittingFrom, settings.Period.To};
            double lastDate = 0;
            if (!RunStoppable(this, QStringLiteral("HourlyImportProgress"), reading,
                              [&](const quillet::HourlyProgress& step) {
                                  quillet::Instrument& scratch = quillet::Table().ScratchSlot();
                                  const quillet::HourlySummary s = quillet::BuildInstrumentFromQuoteFile(
                                      scratch, name, source, fitting, step);
                                  lastDate = scratch.Hour[s.Hours].Date;
                              }))
                return std::nullopt;
            const std::optional<std::pair<QDate, QDate>> chosen = Dialogs().ChoosePeriod(
                this, QStringLiteral("Импорт из часового файла"),
                QString::fromStdString(e.what()) +
                    QStringLiteral("\nВыберите период, первый и последний день включительно:"),
                DateOf(e.FittingFrom), DateOf(lastDate));
            if (!chosen)
                return std::nullopt;
            if (chosen->first > chosen->second)
                throw quillet::Error("Начало периода позже его конца");
            settings.Period.From = SerialOf(chosen->first);
            settings.Period.To = SerialOf(chosen->second);
        }
    }
}

void TForm1::AddToPickers(const QString& name)
{
    auto& u = *ui;
    AddToPicker(u.ComboBox1, name);
    u.ListBox5->addItem(name);
    AddToPicker(u.ComboBox2, name);
    AddToPicker(u.ComboBox3, name);
    InstrumentsChanged();
}

void TForm1::N4Click()
{
    auto& u = *ui;
    const QString file = Dialogs().OpenFileName(this, QStringLiteral("Котировки|*.csv;*.txt|Все файлы|*"));
    if (file.isEmpty())
        return;
    const std::optional<quillet::ui::QuoteImportChoice> choice =
        Dialogs().AskQuoteImport(this, QStringLiteral("Импорт из часового файла"),
                                 QStringLiteral("Имя инструмента (не больше шести символов):"),
                                 QFileInfo(file).baseName().left(kNameLength), kNameLength);
    if (!choice)
        return;
    const QString* typed = &choice->Name;

    RunGuarded(this, [&] {
        const std::string name = typed->toStdString();
        if (quillet::Utf8Length(name) > static_cast<std::size_t>(kNameLength))
            throw quillet::Error("Имя инструмента '" + name + "' длиннее шести символов");
        const std::string base = quillet::BaseFilePath(baseDir_, name);
        const std::string source = file.toStdString();

        // An instrument of that name is replaced only when the user says so;
        // it keeps its place in the list and its slot.
        const bool listed = !u.ListBox6->findItems(*typed, Qt::MatchExactly).isEmpty();
        const std::vector<std::string> loaded = quillet::LoadedInstrumentNames();
        const auto at = std::find(loaded.begin(), loaded.end(), name);
        const int loadedSlot = at == loaded.end() ? 0 : static_cast<int>(at - loaded.begin()) + 1;
        if ((listed || loadedSlot > 0 || QFileInfo::exists(QString::fromStdString(base))) &&
            !Dialogs().Confirm(
                this, QString::fromLatin1(quillet::ui::kAppTitle),
                QStringLiteral("Инструмент %1 уже есть (%2). Заменить его котировками из файла?")
                    .arg(*typed, QString::fromStdString(base))))
            return;

        // The dates shown switch to the import format here, on the window's
        // thread; the worker only reads it. A refused import switches nothing.
        const std::string previousFormat = quillet::ActiveDateFormat();
        quillet::SetActiveDateFormat(quillet::kImportDateFormat);
        std::optional<quillet::HourlySummary> summary;
        try {
            summary = ImportHours(base, name, source, file, choice->ShiftHours);
        } catch (const quillet::FileError& e) {
            // The file, then its fault, as the command line says it.
            quillet::SetActiveDateFormat(previousFormat);
            throw quillet::Error(e.Named());
        } catch (...) {
            quillet::SetActiveDateFormat(previousFormat);
            throw;
        }
        if (!summary) {
            quillet::SetActiveDateFormat(previousFormat);
            return;
        }

        if (!listed)
            u.ListBox6->addItem(*typed);
        QString done = QStringLiteral("Готово: недельных свечей %1, дневных %2, часовых %3")
                           .arg(summary->Weeks)
                           .arg(summary->Days)
                           .arg(summary->Hours);
        if (summary->StepMinutes != quillet::kHourStepMinutes)
            done += QStringLiteral(" (из %1 свечей через %2)")
                        .arg(summary->Candles)
                        .arg(QString::fromStdString(quillet::StepText(summary->StepMinutes)));
        if (!summary->SpreadTenths.empty())
            done += QStringLiteral(", спред каждого часа сохранён в %1")
                        .arg(QString::fromStdString(quillet::SpreadFilePath(base)));
        else if (!summary->SpreadNote.empty())
            done += QStringLiteral("; ") + QString::fromStdString(summary->SpreadNote);
        quillet::InstrumentTable& table = quillet::Table();
        // The check of the new quotes, shown once the import has said it is done.
        const std::vector<std::string> check = DataCheckReport(table.ScratchSlot(), name);
        const auto showCheck = [&] { ShowDataCheck(*typed, check); };
        if (loadedSlot > 0) {
            // Replaced: the slot holds the new quotes, and a page showing it
            // shows them.
            std::memcpy(&table[loadedSlot], &table.ScratchSlot(), sizeof(quillet::Instrument));
            table.SetSpread(loadedSlot, table.Spread(quillet::kScratchSlot));
            if (u.ComboBox1->currentIndex() == loadedSlot - 1)
                ComboBox1Select();
            InstrumentsChanged();
            ShowInfo(this, done);
            showCheck();
            return;
        }
        // The loaded instruments are slots 1, 2, ... up to the first empty
        // one; the new one takes that slot, and entry i of a picker is slot i + 1.
        const int slot = static_cast<int>(loaded.size()) + 1;
        if (slot <= quillet::kLastSlot) {
            std::memcpy(&table[slot], &table.ScratchSlot(), sizeof(quillet::Instrument));
            table.SetSpread(slot, table.Spread(quillet::kScratchSlot));
            AddToPickers(QString::fromStdString(quillet::ShortStringText(table[slot].Name)));
        } else {
            done += QStringLiteral(". Все %1 мест для инструментов заняты: инструмент добавлен в список и "
                                   "загрузится при запуске, когда окажется в нём среди первых %1")
                        .arg(quillet::kLastSlot);
        }
        ShowInfo(this, done);
        showCheck();
    });
}
