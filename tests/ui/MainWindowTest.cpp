// The main window over small instrument files: start-up, the parameter
// handlers, the single-pair run, the work log, the menu and closing.

#include "UiTestSupport.h"
#include "model/Dates.h"
#include "report/SinglePairReport.h"
#include "report/SinglePairRun.h"
#include "store/Files.h"
#include "ui/Controls.h"
#include "ui/Dialogs.h"
#include "ui/Unit1.h"
#include "ui/Unit2.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineSeries>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTranslator>
#include <QtTest>

#include <filesystem>
#include <stdexcept>

using namespace quillet;
using namespace quillet::test;

namespace {

void SelectPair(TForm1& form, int index)
{
    auto* combo = Get<QComboBox>(form, "ComboBox1");
    combo->setCurrentIndex(index);
    emit combo->activated(index);
}

QStringList Items(QListWidget* list)
{
    QStringList names;
    for (int i = 0; i < list->count(); ++i)
        names << list->item(i)->text();
    return names;
}

QStringList Items(QComboBox* combo)
{
    QStringList names;
    for (int i = 0; i < combo->count(); ++i)
        names << combo->itemText(i);
    return names;
}

QDate WeekDate(int index)
{
    // FillQuietWeeks dates week i on the Sunday 7 (i - 1) days after 9 January 2005.
    return QDate(2005, 1, 9).addDays(7 * (index - 1));
}

/// EURUSD with twelve weeks. Week 1 rises 120 points (1.2000 to 1.2120), so
/// on Monday 17 January 2005 we sell at the first hourly open, 1.2100, with
/// the take-profit at 1.2050 and the stop-loss at 1.2200. The first five
/// hours drift between 1.2090 and 1.2110 (10 points against us); the sixth
/// hour falls to 1.2040 and takes the profit at offset 5. The entry hour
/// closes at `entryClose`.
std::unique_ptr<Instrument> SellingPair(double entryClose = 1.2095)
{
    auto inst = NewInstrument("EURUSD");
    FillQuietWeeks(*inst, 12);
    SetCandle(inst->Week[1], Day(2005, 1, 9), "00", 1.2000, 1.2130, 1.1990, 1.2120);
    const double monday = Day(2005, 1, 17);
    for (int h = 1; h <= 40; ++h) {
        const std::string time = (h - 1 < 10 ? "0" : "") + std::to_string((h - 1) % 24);
        SetCandle(inst->Hour[h], monday + (h - 1) / 24.0, time, 1.2100, 1.2110, 1.2090, 1.2100);
    }
    inst->Hour[1].Close = entryClose;
    SetCandle(inst->Hour[6], monday + 5 / 24.0, "05", 1.2080, 1.2085, 1.2040, 1.2050);
    return inst;
}

} // namespace

class MainWindowTest : public quillet::test::WindowTest {
    Q_OBJECT
  private slots:
    // Start-up
    void startsWithoutConfig();
    void startsWithEmptyConfig();
    void startsWithThreeInstruments();
    void missingFileStopsLoadingButWindowOpens();
    void shortBaseFileStopsLoading();
    void blankLineInConfigIsKeptThroughClose();
    void instrumentWithoutWeeksEndsPickerList();
    void sameNameTwiceLoadsTwice();
    void firstPageIsQuotesWithHourGridOnTop();
    void datePickersStartAt2005And2015();

    // Parameter controls
    void pairSelectionAdaptsWeekRange();
    void weekBarsPushEachOther();
    void untickingRangeSetsZeroAndOne();
    void widenedSignalRangeNarrowsFrom300();
    void widenedSignalRangeNarrowsFrom60();
    void holdLimitBarAtOne();
    void holdLimitSwitchFlipsEnabledState();
    void sharedHandlersReadTheirOwnBar();
    void datePickerColoursDatesOutsideWeeks();

    // The run
    void runButtonDisabledUntilPairChosen();
    void runWritesLabelsFromCore();
    void runWithHoldLimitZeroClosesAtEntryCandle();
    void runOverRestrictedRangeSetsProgressBar();
    void runWithoutLogLeavesMemoAlone();
    void loggedRunsAppendBothAccounts();
    void clearLogEmptiesMemo();
    void noticeOfCloseAtEntryPriceIsShown();

    // Menu and closing
    void closingWritesConfig();
    void exitMenuDoesNotWriteConfig();
    void failedConfigWriteKeepsWindowOpen();
    void unreadableConfigIsNotOverwrittenOnClose();
    void settingsButtonShowsSettingsWindow();
    void standardDialogsSpeakRussian();

    // The menu "Справка": the folder of the files and the demo instruments
    void aboutNamesTheFolder();
    void demoItemWritesListsAndLoadsTheDemo();
    void demoItemRefusesToOverwrite();
};

// ---------------------------------------------------------------------------
// Start-up

void MainWindowTest::startsWithoutConfig()
{
    auto form = Start();
    QVERIFY(dialogs_->messages.isEmpty()); // a first start is no error
    QCOMPARE(Get<QListWidget>(*form, "ListBox6")->count(), 0);
    QCOMPARE(Get<QComboBox>(*form, "ComboBox1")->count(), 0);
    QVERIFY(!Get<QWidget>(*form, "PageControl1")->isHidden());
    QVERIFY(Get<QWidget>(*form, "Panel16")->isHidden());
    // Closing writes the list it started, empty as it is.
    form->show();
    QVERIFY(form->close());
    QVERIFY(std::filesystem::exists(dir_->file("config")));
    QCOMPARE(ReadFile(dir_->file("config")), std::string());
}

void MainWindowTest::startsWithEmptyConfig()
{
    Prepare({}, {});
    auto form = Start();
    QVERIFY(dialogs_->messages.isEmpty());
    for (const char* picker : {"ComboBox1", "ComboBox2", "ComboBox3"})
        QCOMPARE(Get<QComboBox>(*form, picker)->count(), 0);
    QCOMPARE(Get<QListWidget>(*form, "ListBox5")->count(), 0);
    QCOMPARE(Caption(*form, "Label193"), QStringLiteral("Загрузка инструментов"));
    QVERIFY(!Get<QWidget>(*form, "PageControl1")->isHidden());
    QVERIFY(Get<QWidget>(*form, "Panel16")->isHidden());
    QCOMPARE(Get<TStringGrid>(*form, "HourGrid")->Cell(5, 0), QStringLiteral("Закрытие"));
}

void MainWindowTest::startsWithThreeInstruments()
{
    auto a = NewInstrument("AUDJPY"), b = NewInstrument("EURUSD"), c = NewInstrument("GBPUSD");
    FillQuietWeeks(*a, 10);
    FillQuietWeeks(*b, 20);
    FillQuietWeeks(*c, 30);
    Prepare({"GBPUSD", "AUDJPY", "EURUSD"}, {a.get(), b.get(), c.get()});
    auto form = Start();

    QVERIFY(dialogs_->messages.isEmpty());
    const QStringList expected{"GBPUSD", "AUDJPY", "EURUSD"};
    QCOMPARE(Items(Get<QListWidget>(*form, "ListBox6")), expected);
    QCOMPARE(Items(Get<QComboBox>(*form, "ComboBox1")), expected);
    QCOMPARE(Items(Get<QListWidget>(*form, "ListBox5")), expected);
    QCOMPARE(Items(Get<QComboBox>(*form, "ComboBox2")), expected);
    QCOMPARE(Items(Get<QComboBox>(*form, "ComboBox3")), expected);
    QCOMPARE(Get<QComboBox>(*form, "ComboBox1")->currentIndex(), -1);
    QCOMPARE(Get<QComboBox>(*form, "ComboBox3")->currentIndex(), -1);
    QCOMPARE(Caption(*form, "Label193"), QStringLiteral("Загрузка инструментов..."));
    // Slot k holds entry k - 1 of the list.
    QCOMPARE(FirstEmptyIndex(Table()[1].Week, 1), 31);
    QCOMPARE(FirstEmptyIndex(Table()[2].Week, 1), 11);
    QCOMPARE(FirstEmptyIndex(Table()[3].Week, 1), 21);
    static const char* const headings[] = {"Дата", "Время", "Открытие", "Максимум", "Минимум", "Закрытие"};
    for (const char* grid : {"WeekGrid", "DayGrid", "HourGrid"})
        for (int col = 0; col < 6; ++col)
            QCOMPARE(Get<TStringGrid>(*form, grid)->Cell(col, 0), QString::fromUtf8(headings[col]));
}

void MainWindowTest::missingFileStopsLoadingButWindowOpens()
{
    auto a = NewInstrument("AUDJPY"), c = NewInstrument("EURUSD");
    FillQuietWeeks(*a, 10);
    FillQuietWeeks(*c, 10);
    Prepare({"AUDJPY", "MISSNG", "EURUSD"}, {a.get(), c.get()});
    auto form = Start();

    QCOMPARE(dialogs_->messages.size(), 1);
    QCOMPARE(dialogs_->messages[0].Kind, ui::MessageKind::Error);
    QCOMPARE(dialogs_->messages[0].Title, QStringLiteral("Quillet_tester"));
    // The start-up text, and the file it is about.
    QCOMPARE(dialogs_->messages[0].Text,
             QStringLiteral("File not found.\nФайл: ") + QString::fromStdString(dir_->file("MISSNG.base")));
    // Every name is kept so the user can remove the broken one.
    QCOMPARE(Items(Get<QListWidget>(*form, "ListBox6")), (QStringList{"AUDJPY", "MISSNG", "EURUSD"}));
    QCOMPARE(Caption(*form, "Label193"), QStringLiteral("Загрузка инструментов."));
    QCOMPARE(Items(Get<QComboBox>(*form, "ComboBox1")), QStringList{"AUDJPY"});
    QVERIFY(!InstrumentExists(Table()[3])); // loading stopped at the missing file
    // The rest of the start-up still ran.
    QCOMPARE(Get<TStringGrid>(*form, "WeekGrid")->Cell(0, 0), QStringLiteral("Дата"));
    QVERIFY(!Get<QWidget>(*form, "PageControl1")->isHidden());
    QVERIFY(Get<QWidget>(*form, "Panel16")->isHidden());
    QCOMPARE(Get<TDateTimePicker>(*form, "DateTimePicker2")->date(), QDate(2015, 4, 12));
}

void MainWindowTest::shortBaseFileStopsLoading()
{
    auto a = NewInstrument("AUDJPY");
    FillQuietWeeks(*a, 10);
    Prepare({"AUDJPY", "SHORT"}, {a.get()});
    WriteFile(dir_->file("SHORT.base"), std::string(100, '\x01'));
    auto form = Start();
    QCOMPARE(dialogs_->messages.size(), 1);
    QCOMPARE(dialogs_->messages[0].Text, QStringLiteral("Read beyond end of file.\nФайл: ") +
                                             QString::fromStdString(dir_->file("SHORT.base")));
    QCOMPARE(Items(Get<QListWidget>(*form, "ListBox6")), (QStringList{"AUDJPY", "SHORT"}));
    QCOMPARE(Caption(*form, "Label193"), QStringLiteral("Загрузка инструментов."));
    // The cut-off bytes would read as an instrument; its slot is emptied instead.
    QVERIFY(!InstrumentExists(Table()[2]));
    QCOMPARE(Items(Get<QComboBox>(*form, "ComboBox1")), QStringList{"AUDJPY"});
    QVERIFY(!Get<QWidget>(*form, "PageControl1")->isHidden());
}

void MainWindowTest::blankLineInConfigIsKeptThroughClose()
{
    auto a = NewInstrument("AUDJPY"), c = NewInstrument("EURUSD");
    FillQuietWeeks(*a, 10);
    FillQuietWeeks(*c, 10);
    Prepare({"AUDJPY", "", "EURUSD"}, {a.get(), c.get()});
    auto form = Start();
    // ".base" (an empty name) is not there: loading stops at the blank line.
    QCOMPARE(dialogs_->messages.size(), 1);
    QCOMPARE(dialogs_->messages[0].Text,
             QStringLiteral("File not found.\nФайл: ") + QString::fromStdString(dir_->file(".base")));
    QCOMPARE(Items(Get<QListWidget>(*form, "ListBox6")), (QStringList{"AUDJPY", "", "EURUSD"}));
    QCOMPARE(Items(Get<QComboBox>(*form, "ComboBox1")), QStringList{"AUDJPY"});
    form->show();
    QVERIFY(form->close());
    QCOMPARE(ReadFile(dir_->file("config")), std::string("AUDJPY\r\n\r\nEURUSD\r\n"));
}

void MainWindowTest::instrumentWithoutWeeksEndsPickerList()
{
    auto a = NewInstrument("AUDJPY"), b = NewInstrument("NOWEEK"), c = NewInstrument("EURUSD");
    FillQuietWeeks(*a, 10);
    FillQuietWeeks(*c, 10);
    Prepare({"AUDJPY", "NOWEEK", "EURUSD"}, {a.get(), b.get(), c.get()});
    auto form = Start();

    QVERIFY(dialogs_->messages.isEmpty());
    QCOMPARE(Caption(*form, "Label193"), QStringLiteral("Загрузка инструментов..."));
    QVERIFY(InstrumentExists(Table()[3])); // loaded, but after an absent slot
    QCOMPARE(Items(Get<QComboBox>(*form, "ComboBox1")), QStringList{"AUDJPY"});
    QCOMPARE(Items(Get<QListWidget>(*form, "ListBox5")), QStringList{"AUDJPY"});
    QCOMPARE(Get<QListWidget>(*form, "ListBox6")->count(), 3);
}

void MainWindowTest::sameNameTwiceLoadsTwice()
{
    auto a = NewInstrument("AUDJPY");
    FillQuietWeeks(*a, 10);
    Prepare({"AUDJPY", "AUDJPY"}, {a.get()});
    auto form = Start();
    QCOMPARE(Items(Get<QComboBox>(*form, "ComboBox1")), (QStringList{"AUDJPY", "AUDJPY"}));
    QCOMPARE(Items(Get<QComboBox>(*form, "ComboBox2")), (QStringList{"AUDJPY", "AUDJPY"}));
    QVERIFY(InstrumentExists(Table()[2]));
}

void MainWindowTest::firstPageIsQuotesWithHourGridOnTop()
{
    auto form = Start();
    form->show();
    auto* pages = Get<QTabWidget>(*form, "PageControl1");
    QCOMPARE(pages->currentWidget()->objectName(), QStringLiteral("TabSheet3"));
    QCOMPARE(pages->tabText(pages->currentIndex()), QStringLiteral("Работа с котировками"));
    auto* hour = Get<QWidget>(*form, "HourGrid");
    auto* page = Get<QWidget>(*form, "TabSheet3");
    QWidget* top = page->childAt(hour->geometry().center());
    QVERIFY(top);
    QVERIFY(top == hour || hour->isAncestorOf(top));
}

void MainWindowTest::datePickersStartAt2005And2015()
{
    auto form = Start();
    QCOMPARE(Get<TDateTimePicker>(*form, "DateTimePicker1")->date(), QDate(2005, 1, 9));
    QCOMPARE(Get<TDateTimePicker>(*form, "DateTimePicker2")->date(), QDate(2015, 4, 12));
}

// ---------------------------------------------------------------------------
// Parameter controls

void MainWindowTest::pairSelectionAdaptsWeekRange()
{
    auto a = NewInstrument("AUDJPY");
    FillQuietWeeks(*a, 537);
    Prepare({"AUDJPY"}, {a.get()});
    auto form = Start();
    SelectPair(*form, 0);

    QVERIFY(Get<QPushButton>(*form, "BitBtn1")->isEnabled());
    QCOMPARE(Caption(*form, "Label1"), QStringLiteral("538"));
    auto* start = Get<TTrackBar>(*form, "TrackBar5");
    auto* end = Get<TTrackBar>(*form, "TrackBar11");
    QCOMPARE(start->maximum(), 535);
    QCOMPARE(end->maximum(), 536);
    QCOMPARE(end->value(), 536);
    const QString first = WeekDate(1).toString(QStringLiteral("dd.MM.yyyy"));
    const QString last = WeekDate(537).toString(QStringLiteral("dd.MM.yyyy"));
    QCOMPARE(Caption(*form, "Label56"), first + QStringLiteral(" - ") + last);
    QCOMPARE(Get<TDateTimePicker>(*form, "DateTimePicker2")->date(), WeekDate(537));
    QCOMPARE(Get<TDateTimePicker>(*form, "DateTimePicker1")->date(), WeekDate(1));
}

void MainWindowTest::weekBarsPushEachOther()
{
    auto a = NewInstrument("AUDJPY");
    FillQuietWeeks(*a, 537);
    Prepare({"AUDJPY"}, {a.get()});
    auto form = Start();
    SelectPair(*form, 0);
    Get<QCheckBox>(*form, "CheckBox3")->click();
    auto* start = Get<TTrackBar>(*form, "TrackBar5");
    auto* end = Get<TTrackBar>(*form, "TrackBar11");
    QVERIFY(start->isEnabled());

    end->setValue(10);
    start->setValue(20); // past the end: the end follows
    QCOMPARE(end->value(), 21);
    QCOMPARE(Get<TDateTimePicker>(*form, "DateTimePicker1")->date(), WeekDate(21));
    QCOMPARE(Get<TDateTimePicker>(*form, "DateTimePicker2")->date(), WeekDate(22));

    end->setValue(5); // before the start: the start follows
    QCOMPARE(start->value(), 4);
    end->setValue(1);
    QCOMPARE(start->value(), 0);

    end->setValue(534);
    start->setValue(535); // on its maximum with the end one below: no push
    QCOMPARE(end->value(), 534);
}

void MainWindowTest::untickingRangeSetsZeroAndOne()
{
    auto a = NewInstrument("AUDJPY");
    FillQuietWeeks(*a, 537);
    Prepare({"AUDJPY"}, {a.get()});
    auto form = Start();
    SelectPair(*form, 0);
    auto* box = Get<QCheckBox>(*form, "CheckBox3");
    auto* start = Get<TTrackBar>(*form, "TrackBar5");
    auto* end = Get<TTrackBar>(*form, "TrackBar11");
    box->click();
    start->setValue(20);
    end->setValue(30);
    box->click();
    QVERIFY(!box->isChecked());
    QVERIFY(!start->isEnabled());
    QVERIFY(!end->isEnabled());
    QCOMPARE(start->value(), 0);
    QCOMPARE(end->value(), 1);
    QCOMPARE(Get<TDateTimePicker>(*form, "DateTimePicker1")->date(), WeekDate(1));
    QCOMPARE(Get<TDateTimePicker>(*form, "DateTimePicker2")->date(), WeekDate(2));
    box->click(); // ticking again leaves the bars where they are
    QVERIFY(start->isEnabled());
    QCOMPARE(start->value(), 0);
    QCOMPARE(end->value(), 1);
    QVERIFY(!Get<QWidget>(*form, "DateTimePicker1")->isEnabled());
}

void MainWindowTest::widenedSignalRangeNarrowsFrom300()
{
    auto form = Start();
    auto* box = Get<QCheckBox>(*form, "CheckBox4");
    auto* bar = Get<TTrackBar>(*form, "TrackBar4");
    box->click();
    QCOMPARE(bar->minimum(), 50);
    QCOMPARE(bar->maximum(), 500);
    QCOMPARE(bar->value(), 85);
    bar->setValue(300);
    QCOMPARE(Caption(*form, "Label77"), QStringLiteral("300 п"));
    box->click();
    QCOMPARE(bar->minimum(), 85);
    QCOMPARE(bar->maximum(), 150);
    QCOMPARE(bar->value(), 150);
    QCOMPARE(Caption(*form, "Label77"), QStringLiteral("150 п"));
}

void MainWindowTest::widenedSignalRangeNarrowsFrom60()
{
    auto form = Start();
    auto* box = Get<QCheckBox>(*form, "CheckBox4");
    auto* bar = Get<TTrackBar>(*form, "TrackBar4");
    box->click();
    bar->setValue(60);
    QCOMPARE(Caption(*form, "Label77"), QStringLiteral("60 п"));
    box->click();
    QCOMPARE(bar->value(), 85);
    QCOMPARE(Caption(*form, "Label77"), QStringLiteral("85 п"));
}

void MainWindowTest::holdLimitBarAtOne()
{
    auto form = Start();
    Get<TTrackBar>(*form, "TrackBar12")->setValue(1);
    QCOMPARE(Caption(*form, "Label94"), QStringLiteral("1 ч"));
}

void MainWindowTest::holdLimitSwitchFlipsEnabledState()
{
    auto form = Start();
    auto* box = Get<QCheckBox>(*form, "CheckBox5");
    auto* bar = Get<TTrackBar>(*form, "TrackBar12");
    auto* label = Get<QLabel>(*form, "Label94");
    QVERIFY(!bar->isEnabled());
    box->click();
    QVERIFY(bar->isEnabled());
    QVERIFY(label->isEnabled());
    QCOMPARE(bar->value(), 48);
    box->click();
    QVERIFY(!bar->isEnabled());
    QVERIFY(!label->isEnabled());
}

void MainWindowTest::sharedHandlersReadTheirOwnBar()
{
    auto form = Start();
    Get<TTrackBar>(*form, "TrackBar6")->setValue(35);
    QCOMPARE(Caption(*form, "Label96"), QStringLiteral("35 п"));
    Get<TTrackBar>(*form, "TrackBar7")->setValue(0);
    QCOMPARE(Caption(*form, "Label98"), QStringLiteral("0 п"));
    // The per-pair bar rewrites the common label with the common bar's position.
    Get<QLabel>(*form, "Label103")->setText(QStringLiteral("x"));
    Get<TTrackBar>(*form, "TrackBar16")->setValue(150);
    QCOMPARE(Caption(*form, "Label103"), QStringLiteral("100 п"));
    QCOMPARE(Caption(*form, "Label191"), QStringLiteral("00"));
    Get<TTrackBar>(*form, "TrackBar15")->setValue(5);
    QCOMPARE(Caption(*form, "Label94"), QStringLiteral("48 ч"));
    QCOMPARE(Caption(*form, "Label186"), QStringLiteral("48 ч"));
    Get<TTrackBar>(*form, "TrackBar8")->setValue(200);
    QCOMPARE(Caption(*form, "Label101"), QStringLiteral("200 п"));
}

void MainWindowTest::datePickerColoursDatesOutsideWeeks()
{
    auto a = NewInstrument("AUDJPY");
    FillQuietWeeks(*a, 537);
    Prepare({"AUDJPY"}, {a.get()});
    auto form = Start();
    form->show();
    auto* picker = Get<TDateTimePicker>(*form, "DateTimePicker1");
    const QColor normal = picker->Color();
    // The picker is a display in the window; enable it to play the user.
    picker->setEnabled(true);
    picker->setFocus();
    picker->setCurrentSection(QDateTimeEdit::DaySection);
    QTest::keyClick(picker, Qt::Key_Down); // 8 January 2005: before week 1
    QCOMPARE(picker->date(), QDate(2005, 1, 8));
    QCOMPARE(picker->Color(), QColor(255, 0, 0));
    QTest::keyClick(picker, Qt::Key_Up);
    QCOMPARE(picker->Color(), normal);

    auto* endPicker = Get<TDateTimePicker>(*form, "DateTimePicker2");
    endPicker->SetDatePart(WeekDate(537));
    endPicker->setEnabled(true);
    endPicker->setFocus();
    endPicker->setCurrentSection(QDateTimeEdit::DaySection);
    QTest::keyClick(endPicker, Qt::Key_Up); // one day after the last week
    QCOMPARE(endPicker->Color(), QColor(255, 0, 0));
    // Code setting a date raises nothing; moving the bar restores the colour.
    Get<QCheckBox>(*form, "CheckBox3")->click();
    Get<TTrackBar>(*form, "TrackBar11")->setValue(100);
    QCOMPARE(endPicker->Color(), normal);
}

// ---------------------------------------------------------------------------
// The run

void MainWindowTest::runButtonDisabledUntilPairChosen()
{
    auto a = SellingPair();
    Prepare({"EURUSD"}, {a.get()});
    auto form = Start();
    auto* run = Get<QPushButton>(*form, "BitBtn1");
    QVERIFY(!run->isEnabled());
    run->click(); // a disabled button does nothing
    QCOMPARE(Caption(*form, "Label79"), QStringLiteral("0"));
    SelectPair(*form, 0);
    QVERIFY(run->isEnabled());
}

void MainWindowTest::runWritesLabelsFromCore()
{
    auto a = SellingPair();
    Prepare({"EURUSD"}, {a.get()});
    auto form = Start();
    SelectPair(*form, 0);
    Get<QPushButton>(*form, "BitBtn1")->click();

    QVERIFY(dialogs_->messages.isEmpty());
    // One sell from week 1, profit at offset 5 after 10 points against us.
    QCOMPARE(Caption(*form, "Label79"), QStringLiteral("1"));
    QCOMPARE(Caption(*form, "Label64"), QStringLiteral("1 (50 п)"));
    QCOMPARE(Caption(*form, "Label71"), QStringLiteral("0 (0 п)"));
    QCOMPARE(Caption(*form, "Label87"), QStringLiteral("0"));
    QCOMPARE(Caption(*form, "Label92"), QStringLiteral("5"));
    QCOMPARE(Caption(*form, "Label90"), QStringLiteral("5"));
    QCOMPARE(Caption(*form, "Label82"), QStringLiteral("10"));

    // Every label is the core's text for the parameters the controls hold.
    BacktestParams params;
    params.Slot = 1;
    params.PairName = "EURUSD";
    BacktestResult result;
    RunSinglePairBacktest(
        params, Table()[params.Slot], result, {}, [] {}, [](const std::string&) {});
    const SinglePairReport report = MakeSinglePairReport(params, result);
    QCOMPARE(report.Labels.size(), std::size_t(14));
    for (const LabelText& item : report.Labels)
        QCOMPARE(Caption(*form, item.Label.c_str()), QString::fromStdString(item.Text));

    auto* bar = Get<QProgressBar>(*form, "ProgressBar2");
    QCOMPARE(bar->minimum(), 0);
    QCOMPARE(bar->maximum(), 535);
    QCOMPARE(bar->value(), 535);
    QCOMPARE(form->Series1()->count(), 0); // the chart stays empty
}

void MainWindowTest::runWithHoldLimitZeroClosesAtEntryCandle()
{
    auto a = SellingPair(1.2095);
    Prepare({"EURUSD"}, {a.get()});
    auto form = Start();
    SelectPair(*form, 0);
    Get<QCheckBox>(*form, "CheckBox5")->click();
    Get<TTrackBar>(*form, "TrackBar12")->setValue(1);
    Get<QPushButton>(*form, "BitBtn1")->click();
    // Closed by time-out at the entry hour's close, 5 points in our favour.
    QCOMPARE(Caption(*form, "Label79"), QStringLiteral("1"));
    QCOMPARE(Caption(*form, "Label64"), QStringLiteral("0 (0 п)"));
    QCOMPARE(Caption(*form, "Label95"), QStringLiteral("1 (5)"));
    QCOMPARE(Caption(*form, "Label171"), QStringLiteral("0 (0)"));

    // Unticked, the bar's position is not used: the profit is taken again.
    Get<QCheckBox>(*form, "CheckBox5")->click();
    Get<QPushButton>(*form, "BitBtn1")->click();
    QCOMPARE(Caption(*form, "Label64"), QStringLiteral("1 (50 п)"));
    QCOMPARE(Caption(*form, "Label95"), QStringLiteral("0 (0)"));
}

void MainWindowTest::runOverRestrictedRangeSetsProgressBar()
{
    auto a = SellingPair();
    Prepare({"EURUSD"}, {a.get()});
    auto form = Start();
    SelectPair(*form, 0);
    Get<QCheckBox>(*form, "CheckBox3")->click();
    Get<TTrackBar>(*form, "TrackBar11")->setValue(3);
    Get<TTrackBar>(*form, "TrackBar5")->setValue(2);
    Get<TTrackBar>(*form, "TrackBar6")->setValue(40);
    Get<QPushButton>(*form, "BitBtn1")->click();

    auto* bar = Get<QProgressBar>(*form, "ProgressBar2");
    QCOMPARE(bar->minimum(), 2);
    QCOMPARE(bar->maximum(), 3);
    QCOMPARE(bar->value(), 3);
    // Week 1 lies outside the range: nothing is entered.
    QCOMPARE(Caption(*form, "Label79"), QStringLiteral("0"));
    QCOMPARE(Caption(*form, "Label71"), QStringLiteral("0 (0 п)"));

    BacktestParams params;
    params.Slot = 1;
    params.PairName = "EURUSD";
    params.RangeRestricted = true;
    params.FirstWeek = 2;
    params.LastWeek = 3;
    params.StopLossPoints = 40;
    BacktestResult result;
    RunSinglePairBacktest(
        params, Table()[params.Slot], result, {}, [] {}, [](const std::string&) {});
    for (const LabelText& item : MakeSinglePairReport(params, result).Labels)
        QCOMPARE(Caption(*form, item.Label.c_str()), QString::fromStdString(item.Text));
}

void MainWindowTest::runWithoutLogLeavesMemoAlone()
{
    auto a = SellingPair();
    Prepare({"EURUSD"}, {a.get()});
    auto form = Start();
    SelectPair(*form, 0);
    auto* memo = Get<QPlainTextEdit>(*form, "Memo3");
    memo->setPlainText(QStringLiteral("заметка"));
    Get<QPushButton>(*form, "BitBtn1")->click();
    QCOMPARE(memo->toPlainText(), QStringLiteral("заметка"));
}

void MainWindowTest::loggedRunsAppendBothAccounts()
{
    auto a = SellingPair();
    Prepare({"EURUSD"}, {a.get()});
    auto form = Start();
    SelectPair(*form, 0);
    Get<QCheckBox>(*form, "CheckBox6")->click();
    auto* memo = Get<QPlainTextEdit>(*form, "Memo3");

    // The account the core writes for these parameters.
    BacktestParams params;
    params.LogEnabled = true;
    params.Slot = 1;
    params.PairName = "EURUSD";
    QStringList account;
    BacktestResult result;
    RunSinglePairBacktest(
        params, Table()[params.Slot], result,
        [&](const std::string& line) { account << QString::fromStdString(line); }, [] {},
        [](const std::string&) {});
    account << QString::fromStdString(MakeSinglePairReport(params, result).ClosingLine);

    Get<QPushButton>(*form, "BitBtn1")->click();
    QCOMPARE(memo->toPlainText(), account.join(QLatin1Char('\n')));
    QCOMPARE(account.first(), QString(61, QLatin1Char('-')));
    QVERIFY(account.last().startsWith(QStringLiteral("^^^^")));

    Get<QPushButton>(*form, "BitBtn1")->click();
    QCOMPARE(memo->toPlainText(), (account + account).join(QLatin1Char('\n')));
}

void MainWindowTest::clearLogEmptiesMemo()
{
    auto a = SellingPair();
    Prepare({"EURUSD"}, {a.get()});
    auto form = Start();
    auto* memo = Get<QPlainTextEdit>(*form, "Memo3");
    auto* clear = Get<QPushButton>(*form, "Button10");
    clear->click();
    QCOMPARE(memo->toPlainText(), QString());
    SelectPair(*form, 0);
    Get<QCheckBox>(*form, "CheckBox6")->click();
    Get<QPushButton>(*form, "BitBtn1")->click();
    QVERIFY(memo->document()->blockCount() > 10);
    clear->click();
    QCOMPARE(memo->toPlainText(), QString());
    QCOMPARE(memo->document()->blockCount(), 1);
}

void MainWindowTest::noticeOfCloseAtEntryPriceIsShown()
{
    auto a = SellingPair(1.2100); // the entry hour closes at its open
    Prepare({"EURUSD"}, {a.get()});
    auto form = Start();
    SelectPair(*form, 0);
    Get<QCheckBox>(*form, "CheckBox5")->click();
    Get<TTrackBar>(*form, "TrackBar12")->setValue(1);
    Get<QCheckBox>(*form, "CheckBox6")->click();
    auto* memo = Get<QPlainTextEdit>(*form, "Memo3");
    int linesAtNotice = -1;
    struct NoticeWatcher : RecordingDialogs {
        std::function<void()> onMessage;
        void ShowMessage(QWidget* p, ui::MessageKind k, const QString& t, const QString& x) override
        {
            RecordingDialogs::ShowMessage(p, k, t, x);
            if (onMessage)
                onMessage();
        }
    } watcher;
    watcher.onMessage = [&] { linesAtNotice = memo->document()->blockCount(); };
    Get<QPushButton>(*form, "BitBtn1")->click();

    QCOMPARE(watcher.messages.size(), 1);
    QCOMPARE(watcher.messages[0].Kind, ui::MessageKind::Information);
    QVERIFY(watcher.messages[0].Text.startsWith(QStringLiteral("А вот и пасхалочка.")));
    // The lines before the notice are already in the log when it shows.
    QVERIFY(memo->toPlainText()
                .split(QLatin1Char('\n'))
                .indexOf(QStringLiteral("Закрываем позицию по тайм-ауту")) < linesAtNotice);
    QCOMPARE(Caption(*form, "Label79"), QStringLiteral("1"));
    QCOMPARE(Caption(*form, "Label95"), QStringLiteral("0 (0)"));
    QCOMPARE(Caption(*form, "Label171"), QStringLiteral("0 (0)"));
}

// ---------------------------------------------------------------------------
// Menu and closing

void MainWindowTest::closingWritesConfig()
{
    auto a = NewInstrument("AUDJPY");
    FillQuietWeeks(*a, 10);
    Prepare({"AUDJPY", "MISSNG"}, {a.get()});
    auto form = Start();
    form->show();
    Get<QListWidget>(*form, "ListBox6")->addItem(QStringLiteral("EURUSD"));
    QVERIFY(form->close());
    QVERIFY(!form->isVisible());
    QCOMPARE(ReadFile(dir_->file("config")), std::string("AUDJPY\r\nMISSNG\r\nEURUSD\r\n"));
}

void MainWindowTest::exitMenuDoesNotWriteConfig()
{
    auto a = NewInstrument("AUDJPY");
    FillQuietWeeks(*a, 10);
    Prepare({"AUDJPY"}, {a.get()});
    const std::string before = ReadFile(dir_->file("config"));
    {
        auto form = Start();
        form->show();
        Get<QListWidget>(*form, "ListBox6")->addItem(QStringLiteral("EURUSD"));
        auto* exit = Get<QAction>(*form, "N3");
        QCOMPARE(exit->text(), QStringLiteral("&Выход"));
        exit->trigger();
    }
    QCOMPARE(ReadFile(dir_->file("config")), before);
}

void MainWindowTest::failedConfigWriteKeepsWindowOpen()
{
    const std::filesystem::path sub = dir_->path() / "gone";
    std::filesystem::create_directory(sub);
    TForm1 form(sub.string() + "/");
    form.show();
    std::filesystem::remove_all(sub); // nowhere to write "config" now
    QVERIFY(!form.close());
    QVERIFY(form.isVisible());
    QCOMPARE(dialogs_->messages.size(), 1);
    QCOMPARE(dialogs_->messages[0].Kind, ui::MessageKind::Error);
    QVERIFY(!dialogs_->messages[0].Text.isEmpty());
    // Once the directory is back, closing works.
    std::filesystem::create_directory(sub);
    QVERIFY(form.close());
    QVERIFY(std::filesystem::exists(sub / "config"));
}

void MainWindowTest::unreadableConfigIsNotOverwrittenOnClose()
{
    // The list may be written but not read, so nothing but the window's own
    // rule stands between closing and the user's file.
    namespace fs = std::filesystem;
    fs::permissions(dir_->path(), fs::perms::all);
    WriteConfig(*dir_, {"AUDJPY", "EURUSD"});
    const std::string before = ReadFile(dir_->file("config"));
    fs::permissions(dir_->file("config"),
                    fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write);
    {
        UnprivilegedFileAccess user;
        if (!user.Active())
            QSKIP("cannot act as an ordinary user here");
        auto form = Start();
        QCOMPARE(dialogs_->messages.size(), 1);
        QCOMPARE(dialogs_->messages[0].Text, QStringLiteral("File access denied.\nФайл: ") +
                                                 QString::fromStdString(dir_->file("config")));
        QCOMPARE(Get<QListWidget>(*form, "ListBox6")->count(), 0);
        form->show();
        QVERIFY(form->close());
        QCOMPARE(dialogs_->messages.size(), 1); // closing says nothing more
    }
    fs::permissions(dir_->file("config"), fs::perms::owner_read);
    QCOMPARE(ReadFile(dir_->file("config")), before);
}

void MainWindowTest::settingsButtonShowsSettingsWindow()
{
    auto form = Start();
    TForm2 settings;
    form->SetSettingsWindow(&settings);
    auto* menuItem = Get<QAction>(*form, "N2");
    QVERIFY(!menuItem->isEnabled());
    menuItem->trigger(); // disabled: nothing happens
    QVERIFY(!settings.isVisible());
    Get<QPushButton>(*form, "Button1")->click(); // the hidden button still works from code
    QVERIFY(settings.isVisible());
}

void MainWindowTest::standardDialogsSpeakRussian()
{
    // Qt's own texts, as the file dialogs and standard buttons show them.
    QTranslator* texts = ui::InstallQtTranslations(*QCoreApplication::instance());
    if (!texts)
        QSKIP("Qt's Russian translations (qt6-translations-l10n) are not installed");
    const QString cancel = QCoreApplication::translate("QPlatformTheme", "Cancel");
    const QString saveAs = QCoreApplication::translate("QFileDialog", "Save As");
    QCoreApplication::removeTranslator(texts);
    delete texts;
    QCOMPARE(cancel, QStringLiteral("Отмена"));
    QCOMPARE(saveAs, QStringLiteral("Сохранить как"));
}

// ---------------------------------------------------------------------------
// The menu "Справка"

void MainWindowTest::aboutNamesTheFolder()
{
    auto form = Start();
    auto* about = Get<QAction>(*form, "AboutItem");
    QCOMPARE(about->text(), QStringLiteral("О программе"));
    about->trigger();
    QCOMPARE(dialogs_->messages.size(), 1);
    QCOMPARE(dialogs_->messages[0].Kind, ui::MessageKind::Information);
    QVERIFY2(dialogs_->messages[0].Text.contains(QString::fromStdString(dir_->dir())),
             qPrintable(dialogs_->messages[0].Text));
}

void MainWindowTest::demoItemWritesListsAndLoadsTheDemo()
{
    // A user with one instrument of their own asks for the demo: the seven
    // pairs land in the program's folder beside it, after it in the list and
    // in the pickers, and closing keeps all eight in "config".
    auto a = NewInstrument("AUDNZD");
    FillQuietWeeks(*a, 10);
    auto form = Start({"AUDNZD"}, {a.get()});
    form->show();
    auto* item = Get<QAction>(*form, "DemoDataItem");
    QCOMPARE(item->text(), QStringLiteral("Создать демо-инструменты"));
    item->trigger();

    const QStringList demo{"AUDJPY", "AUDUSD", "EURJPY", "GBPUSD", "EURAUD", "EURUSD", "EURCAD"};
    QCOMPARE(dialogs_->messages.size(), 1);
    QCOMPARE(dialogs_->messages[0].Kind, ui::MessageKind::Information);
    QVERIFY2(dialogs_->messages[0].Text.contains(QString::fromStdString(dir_->dir())),
             qPrintable(dialogs_->messages[0].Text));
    QCOMPARE(Items(Get<QListWidget>(*form, "ListBox6")), QStringList{"AUDNZD"} + demo);
    QCOMPARE(Items(Get<QComboBox>(*form, "ComboBox1")), QStringList{"AUDNZD"} + demo);
    QCOMPARE(Items(Get<QListWidget>(*form, "ListBox5")), QStringList{"AUDNZD"} + demo);
    QCOMPARE(Get<QComboBox>(*form, "ComboBox1")->currentIndex(), -1);
    // The same bytes as the build's demo, and the pair loaded from them.
    for (const QString& name : demo) {
        const std::string file = name.toStdString() + ".base";
        QVERIFY2(ReadFile(dir_->file(file)) == ReadFile(DemoDir() + "/" + file), file.c_str());
    }
    QCOMPARE(ShortStringText(Table()[8].Name), std::string("EURCAD"));
    QCOMPARE(FirstEmptyIndex(Table()[8].Week, 1), FirstEmptyIndex(DemoTable()[7].Week, 1));
    // "config" is the window's list, written when it closes.
    QCOMPARE(ReadFile(dir_->file("config")), std::string("AUDNZD\r\n"));
    QVERIFY(form->close());
    QCOMPARE(ReadFile(dir_->file("config")),
             std::string("AUDNZD\r\nAUDJPY\r\nAUDUSD\r\nEURJPY\r\nGBPUSD\r\nEURAUD\r\nEURUSD\r\nEURCAD\r\n"));
}

void MainWindowTest::demoItemRefusesToOverwrite()
{
    // The user already has a file named as a demo one: nothing is written,
    // that file stays as it was and the message names it.
    auto form = Start();
    WriteFile(dir_->file("EURUSD.base"), "the user's own");
    Get<QAction>(*form, "DemoDataItem")->trigger();
    QCOMPARE(dialogs_->messages.size(), 1);
    QCOMPARE(dialogs_->messages[0].Kind, ui::MessageKind::Error);
    QVERIFY2(dialogs_->messages[0].Text.contains(QStringLiteral("EURUSD.base")),
             qPrintable(dialogs_->messages[0].Text));
    QVERIFY2(dialogs_->messages[0].Text.contains(QStringLiteral("не созданы")),
             qPrintable(dialogs_->messages[0].Text));
    QCOMPARE(ReadFile(dir_->file("EURUSD.base")), std::string("the user's own"));
    QVERIFY(!std::filesystem::exists(dir_->file("AUDJPY.base")));
    QVERIFY(!std::filesystem::exists(dir_->file("quotes")));
    QCOMPARE(Get<QListWidget>(*form, "ListBox6")->count(), 0);
    QCOMPARE(Get<QComboBox>(*form, "ComboBox1")->count(), 0);
}

QUILLET_WINDOW_TEST(MainWindowTest);
#include "MainWindowTest.moc"
