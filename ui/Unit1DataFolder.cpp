// The menu "Справка": "О программе" says which folder holds the program's
// files, and "Создать демо-инструменты" writes the seven demo instruments
// into that folder, lists them and loads them, so that a new user of an
// installed program can start at once.

#include "ui/Unit1.h"

#include "demo/DemoData.h"
#include "model/Dates.h"
#include "model/Errors.h"
#include "model/Instrument.h"
#include "store/Files.h"
#include "ui/Dialogs.h"
#include "ui/LongWork.h"
#include "ui_Unit1.h"

#include <filesystem>
#include <string>
#include <vector>

using quillet::ui::RunGuarded;
using quillet::ui::ShowInfo;

namespace {

constexpr std::size_t kFilesNamedInRefusal = 4;

/// The demo files already in `dir`, relative to it.
std::vector<std::string> ExistingDemoFiles(const std::string& dir)
{
    std::vector<std::string> found;
    for (const std::string& file : quillet::demo::DemoInstrumentFiles()) {
        std::error_code ec;
        if (std::filesystem::symlink_status(dir + file, ec).type() != std::filesystem::file_type::not_found)
            found.push_back(file);
    }
    return found;
}

} // namespace

void TForm1::AboutItemClick()
{
    ShowInfo(this, windowTitle() +
                       QStringLiteral("\n\nФайлы программы (config и файлы .base) лежат в папке:\n") +
                       QString::fromStdString(baseDir_));
}

void TForm1::DemoDataItemClick()
{
    auto& u = *ui;
    RunGuarded(this, [&] {
        // The user's own files of the same names are never replaced.
        const std::vector<std::string> existing = ExistingDemoFiles(baseDir_);
        if (!existing.empty()) {
            std::string named;
            for (std::size_t i = 0; i < existing.size() && i < kFilesNamedInRefusal; ++i)
                named += (i ? ", " : "") + existing[i];
            if (existing.size() > kFilesNamedInRefusal)
                named += " и ещё " + std::to_string(existing.size() - kFilesNamedInRefusal);
            throw quillet::Error(
                "Демо-инструменты не созданы: в папке '" + baseDir_ + "' уже есть " + named +
                ". Эти файлы не изменены; чтобы создать демо-инструменты заново, удалите или "
                "переименуйте их");
        }

        // Generation switches the dates shown to the import format; it is
        // set here, on the window's thread.
        quillet::SetActiveDateFormat(quillet::kImportDateFormat);
        std::vector<std::string> names;
        quillet::ui::RunOffWindowThread(
            this, QStringLiteral("DemoDataProgress"),
            QStringLiteral("Создание демо-инструментов в папке ") + QString::fromStdString(baseDir_),
            [&](const auto& step) {
                names = quillet::demo::WriteDemoInstruments(baseDir_, [&](int written, const std::string&) {
                    step(static_cast<std::size_t>(written),
                         static_cast<std::size_t>(quillet::demo::kDemoPairCount));
                });
            });

        // Listed, so that closing keeps them in "config"; loaded into the
        // free slots, so that the pickers offer them at once.
        QStringList notLoaded;
        for (const std::string& name : names) {
            const QString shown = QString::fromStdString(name);
            u.ListBox6->addItem(shown);
            const int slot = static_cast<int>(quillet::LoadedInstrumentNames().size()) + 1;
            if (slot > quillet::kLastSlot) {
                notLoaded << shown;
                continue;
            }
            quillet::ReadBaseFile(baseDir_ + name + ".base", slot);
            AddToPickers(shown);
        }
        QString done = QStringLiteral("Готово: демо-инструменты %1 записаны в папку %2")
                           .arg(QString::fromStdString([&] {
                               std::string all;
                               for (const std::string& n : names)
                                   all += (all.empty() ? "" : ", ") + n;
                               return all;
                           }()))
                           .arg(QString::fromStdString(baseDir_));
        if (!notLoaded.isEmpty())
            done += QStringLiteral(
                        ". Все %1 мест для инструментов заняты: %2 добавлены в список и загрузятся при "
                        "запуске, когда окажутся в нём среди первых %1")
                        .arg(quillet::kLastSlot)
                        .arg(notLoaded.join(QStringLiteral(", ")));
        ShowInfo(this, done);
    });
}
