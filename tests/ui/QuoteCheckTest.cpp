// The import's time shift and minute files in the window, the stop button of
// long work, the check of the quotes after an import and from the list's
// menu, and the line the figures of a run show about the weeks it used.

#include "UiTestSupport.h"
#include "model/Dates.h"
#include "store/HourlyImport.h"
#include "support/HourlyText.h"
#include "ui/DataCheckWindow.h"
#include "ui/LongWork.h"
#include "ui/QuoteImportDialog.h"
#include "ui/Unit1.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressDialog>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <QtTest>

#include <chrono>
#include <cstring>
#include <thread>

using namespace quillet;
using namespace quillet::test;

namespace {

/// Four weeks of hours around the clock from Monday 3 January 2000; with
/// `thin`, Monday to Thursday of the second week are missing.
std::vector<HourQuote> FourWeeks(bool thin)
{
    std::vector<HourQuote> hours;
    for (int i = 0; i < 28 * 24; ++i) {
        if (thin && i >= 7 * 24 && i < 11 * 24)
            continue;
        CivilDate c{};
        DecodeDate(DateSerial(2000, 1, 3) + i / 24, c);
        const std::string open = "1.3" + std::to_string(1000 + i % 500);
        hours.push_back({c.Year, c.Month, c.Day, i % 24, open, "1.4", "1.2", open});
    }
    return hours;
}

} // namespace

class QuoteCheckTest : public WindowTest {
    Q_OBJECT
  private slots:
    void importDialogAsksForTheShift();
    void aShiftedMinuteFileIsImportedAndChecked();
    void stopEndsTheWorkAtItsNextStep();
    void theListsMenuChecksAListedInstrument();
    void aRunSaysWhenItsWeeksAreThin_data();
    void aRunSaysWhenItsWeeksAreThin();
};

void QuoteCheckTest::importDialogAsksForTheShift()
{
    ui::QuoteImportDialog dialog(QStringLiteral("Импорт"), QStringLiteral("Имя:"), QStringLiteral("EURUSD"),
                                 6);
    auto* shift = Get<QSpinBox>(dialog, "ShiftBox");
    QCOMPARE(Get<QLabel>(dialog, "ShiftLabel")->text(), QStringLiteral("Сдвиг времени, ч"));
    QCOMPARE(shift->minimum(), -23);
    QCOMPARE(shift->maximum(), 23);
    QCOMPARE(dialog.ShiftHours(), 0);
    shift->setValue(3);
    QCOMPARE(dialog.ShiftHours(), 3);
    QCOMPARE(dialog.Name(), QStringLiteral("EURUSD"));
    QCOMPARE(Get<QLineEdit>(dialog, "NameEdit")->maxLength(), 6);
}

void QuoteCheckTest::aShiftedMinuteFileIsImportedAndChecked()
{
    auto form = Start();
    const std::string text = HourlyText(HourlyFormat::QuoteLine, SplitIntoMinutes(FourWeeks(false), 5, 1));
    const std::string path = dir_->file("EURUSD_M5.csv");
    WriteFile(path, text);
    dialogs_->fileNames << QString::fromStdString(path);
    dialogs_->inputTexts << QStringLiteral("EURUSD");
    dialogs_->shiftAnswers << -2;
    Get<QAction>(*form, "N4")->trigger();

    QCOMPARE(dialogs_->messages.size(), 1);
    QVERIFY2(dialogs_->messages[0].Text.endsWith(QStringLiteral(" свечей через 5 минут)")),
             qPrintable(dialogs_->messages[0].Text));
    auto expected = NewInstrument("");
    BuildInstrumentFromQuotes(*expected, "EURUSD", text, {{}, -2});
    QVERIFY(std::memcmp(&Table()[1], expected.get(), kInstrumentSize) == 0);
    // Monday 00:00 two hours earlier: Sunday evening, the week's first hour.
    QCOMPARE(Table()[1].Hour[1].Date, DateSerial(2000, 1, 2));
    QCOMPARE(ShortStringText(Table()[1].Hour[1].Time), std::string("22"));
    // The check of the new quotes, in its own window beside the main one.
    auto* check = form->findChild<ui::DataCheckWindow*>(QStringLiteral("DataCheckWindow"));
    QVERIFY(check && check->isVisible());
    QCOMPARE(check->windowTitle(), QStringLiteral("Проверка данных: EURUSD"));
    QVERIFY2(check->Report().startsWith(QStringLiteral("Проверка данных: EURUSD\nНедель: 5")),
             qPrintable(check->Report()));
    QVERIFY(check->Report().contains(QStringLiteral("Часов в субботу: 96")));
}

void QuoteCheckTest::stopEndsTheWorkAtItsNextStep()
{
    auto form = Start();
    int steps = 0;
    QTimer::singleShot(50, form.get(),
                       [&] { // as the user does: the button, not the dialog's slot
                           form->findChild<QProgressDialog*>(QStringLiteral("StopProgress"))
                               ->findChild<QPushButton*>()
                               ->click();
                       });
    const bool ended = ui::RunStoppable(form.get(), QStringLiteral("StopProgress"), QStringLiteral("..."),
                                        [&](const HourlyProgress& step) {
                                            for (; steps < 10'000; ++steps) {
                                                step(static_cast<std::size_t>(steps), 10'000);
                                                std::this_thread::sleep_for(std::chrono::milliseconds(1));
                                            }
                                        });
    QVERIFY(!ended);
    QVERIFY(steps < 10'000);
    // Work that runs to its end says so.
    QVERIFY(ui::RunStoppable(form.get(), QStringLiteral("StopProgress"), QStringLiteral("..."),
                             [](const HourlyProgress& step) { step(1, 1); }));
}

void QuoteCheckTest::theListsMenuChecksAListedInstrument()
{
    auto clean = NewInstrument("");
    BuildInstrumentFromHourly(*clean, "AUDJPY", HourlyText(HourlyFormat::QuoteLine, FourWeeks(false)));
    auto form = Start({"AUDJPY", "GONE"}, {clean.get()});
    dialogs_->messages.clear(); // start-up said that GONE could not be loaded
    auto* list = Get<QListWidget>(*form, "ListBox6");
    QCOMPARE(list->contextMenuPolicy(), Qt::ActionsContextMenu);
    auto* item = Get<QAction>(*list, "DataCheckItem");
    QCOMPARE(item->text(), QStringLiteral("Проверка данных..."));
    list->setCurrentRow(0);
    item->trigger();
    auto* check = form->findChild<ui::DataCheckWindow*>(QStringLiteral("DataCheckWindow"));
    QVERIFY(check && check->isVisible());
    QVERIFY2(check->Report().startsWith(QStringLiteral("Проверка данных: AUDJPY\nНедель: 5, с 2000-01-02")),
             qPrintable(check->Report()));
    // A listed name without its file says so and leaves the report shown.
    list->setCurrentRow(1);
    item->trigger();
    QCOMPARE(dialogs_->messages.size(), 1);
    QCOMPARE(dialogs_->messages[0].Kind, ui::MessageKind::Error);
    QVERIFY(check->Report().startsWith(QStringLiteral("Проверка данных: AUDJPY")));
}

void QuoteCheckTest::aRunSaysWhenItsWeeksAreThin_data()
{
    QTest::addColumn<bool>("thin");
    QTest::addColumn<QString>("line");
    QTest::newRow("whole weeks") << false << QString();
    QTest::newRow("a thin week") << true << QStringLiteral("Данные: 80,0% часов, 0 выбросов");
}

void QuoteCheckTest::aRunSaysWhenItsWeeksAreThin()
{
    QFETCH(bool, thin);
    QFETCH(QString, line);
    auto inst = NewInstrument("");
    BuildInstrumentFromHourly(*inst, "EURUSD", HourlyText(HourlyFormat::QuoteLine, FourWeeks(thin)));
    auto form = Start({"EURUSD"}, {inst.get()});
    auto* pair = Get<QComboBox>(*form, "ComboBox1");
    pair->setCurrentIndex(0);
    emit pair->activated(0);
    Get<QPushButton>(*form, "BitBtn1")->click();
    QVERIFY(dialogs_->messages.isEmpty());
    for (const char* name : {"PairDataLabel", "FiguresDataLabel"}) {
        auto* label = Get<QLabel>(*form, name);
        QCOMPARE(label->text(), line);
        QCOMPARE(label->isVisibleTo(label->parentWidget()), !line.isEmpty());
    }
}

QUILLET_WINDOW_TEST(QuoteCheckTest);
#include "QuoteCheckTest.moc"
