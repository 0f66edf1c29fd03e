// The walk-forward analysis in the window over a random instrument: started
// on the page "Оптимизация", its windows on the page "Форвард-анализ" as the
// core finds them, a window double-clicked run on the single-pair page over
// its out-of-sample weeks, the end of a finished or stopped analysis and one
// refused, and the trade page's Monte Carlo of the last run.

#include "ui/WalkForwardPage.h"
#include "UiTestSupport.h"
#include "analysis/WalkForward.h"
#include "model/Dates.h"
#include "ui/Controls.h"
#include "ui/MonteCarloBox.h"
#include "ui/OptimisationPage.h"
#include "ui/TradesPage.h"
#include "ui/Unit1.h"

#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>
#include <QtTest>

using namespace quillet;
using namespace quillet::test;
using quillet::ui::OptimisationPage;
using quillet::ui::WalkForwardPage;

class WalkForwardPageTest : public WindowTest {
    Q_OBJECT
  private slots:
    void windowsAreTheCoresAndADoubleClickRunsOne();
    void eachValueIsDrawnInItsOwnColumn();
    void emptyOrStoppedAnalysisReadsAtTheFirstSize();
    void endSaysHowManyWindowsWereDone_data();
    void endSaysHowManyWindowsWereDone();
    void analysisThatCannotRunIsRefused_data();
    void analysisThatCannotRunIsRefused();
    void tradePageDrawsTheRunsTrades();

  private:
    void SetUpTest() override;
};

void WalkForwardPageTest::SetUpTest()
{
    WriteRandomEurUsd(*dir_, 23);
}

void WalkForwardPageTest::windowsAreTheCoresAndADoubleClickRunsOne()
{
    auto form = Start();
    form->show();
    OptimisationPage& page = *form->Optimisation();
    const std::pair<const char*, int> spins[] = {
        {"SignalFrom", 80},     {"SignalTo", 95},         {"StopLossFrom", 20}, {"StopLossTo", 40},
        {"TakeProfitFrom", 10}, {"TakeProfitTo", 30},     {"MinEntries", 3},    {"WeekTo", 119},
        {"InSampleWeeks", 40},  {"OutOfSampleWeeks", 25}, {"PlateauSignal", 2}, {"PlateauStopLoss", 1},
    };
    for (const auto& [name, value] : spins)
        Get<QSpinBox>(page, QString::fromLatin1(name))->setValue(value);
    Get<QCheckBox>(page, "PlateauChecked")->setChecked(true);
    Get<QComboBox>(page, "WindowMode")->setCurrentIndex(1);
    QSignalSpy ended(&page, &OptimisationPage::WalkForwardEnded);
    Get<QPushButton>(page, "WalkForwardButton")->click();
    QVERIFY(page.Running());
    QVERIFY(ended.wait(60000));
    QVERIFY(!page.Running());

    // The same analysis in the core, over the instrument the window loaded.
    WalkForwardParams params;
    params.Sweep.PairName = "EURUSD";
    params.Sweep.Grid = {{80, 95}, {20, 40}, {10, 30}, {}};
    params.Sweep.Weeks = {0, 119};
    params.Sweep.MinEntries = 3;
    params.InSample = 40;
    params.OutOfSample = 25;
    params.Anchored = true;
    params.Plateau = PlateauRadii{2, 1, 5, 5};
    const WalkForwardOutcome want = RunWalkForward(params, Table()[1]);

    WalkForwardPage* shown = form->WalkForward();
    QCOMPARE(Get<QTabWidget>(*form, "PageControl1")->currentWidget(), static_cast<QWidget*>(shown));
    auto* table = Get<QTableWidget>(*shown, "WindowsTable");
    QCOMPARE(table->rowCount(), static_cast<int>(want.Windows.size()));
    int chosenRow = -1;
    for (int row = 0; row < table->rowCount(); ++row) {
        const WalkForwardWindow& w = want.Windows[static_cast<std::size_t>(row)];
        if (!w.Chosen) {
            QCOMPARE(table->item(row, 3)->text(),
                     QStringLiteral("нет комбинаций с достаточным числом входов"));
            continue;
        }
        chosenRow = row;
        QCOMPARE(table->item(row, 3)->text(), QString::number(w.Signal));
        QCOMPARE(table->item(row, 4)->text(), QString::number(w.StopLoss));
        QCOMPARE(table->item(row, 5)->text(), QString::number(w.TakeProfit));
        QCOMPARE(table->item(row, 9)->text(), QString::number(w.OutOfSampleResult.Entries));
    }
    QVERIFY(chosenRow >= 0);
    QCOMPARE(shown->Shown()->Outcome.Trades.size(), want.Trades.size());
    QApplication::processEvents();
    for (const char* view : {"WalkForwardChart", "DrawdownHistogram"}) {
        QChart* chart = Get<QChartView>(*shown, QString::fromLatin1(view))->chart();
        QVERIFY2(AxesFault(*chart).isEmpty(), qPrintable(view + (": " + AxesFault(*chart))));
    }

    // A double-click runs the window's combination over its out-of-sample weeks.
    const WalkForwardWindow& w = want.Windows[static_cast<std::size_t>(chosenRow)];
    QTest::qWait(0);
    table->scrollToItem(table->item(chosenRow, 0));
    const QRect cell = table->visualItemRect(table->item(chosenRow, 0));
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, cell.center());
    QCOMPARE(Get<QTabWidget>(*form, "PageControl1")->currentIndex(), 1);
    QCOMPARE(Get<TTrackBar>(*form, "TrackBar4")->value(), w.Signal);
    QCOMPARE(Get<TTrackBar>(*form, "TrackBar6")->value(), w.StopLoss);
    QVERIFY(Get<QCheckBox>(*form, "CheckBox3")->isChecked());
    QCOMPARE(Get<TTrackBar>(*form, "TrackBar5")->value(), w.Span.OutOfSample.First);
    QCOMPARE(Get<TTrackBar>(*form, "TrackBar11")->value(), w.Span.OutOfSample.Last);
    QCOMPARE(Caption(*form, "Label79"), QString::number(w.OutOfSampleResult.Entries));
    // The date pickers show the period the table shows.
    const auto picked = [&form](const char* picker) {
        const QDate d = Get<TDateTimePicker>(*form, picker)->date();
        return QString::fromStdString(FormatDate(DateSerial(d.year(), d.month(), d.day())));
    };
    const QString period = table->item(chosenRow, 2)->text();
    QCOMPARE(period, picked("DateTimePicker1") + QStringLiteral(" – ") + picked("DateTimePicker2"));
    // Also when the pair, chosen anew, showed its whole period and the bars stayed.
    emit Get<QComboBox>(*form, "ComboBox1")->activated(0);
    emit table->cellDoubleClicked(chosenRow, 0);
    QCOMPARE(period, picked("DateTimePicker1") + QStringLiteral(" – ") + picked("DateTimePicker2"));
}

void WalkForwardPageTest::eachValueIsDrawnInItsOwnColumn()
{
    // A window without a choice, then in its row one whose choice traded nothing.
    const auto analysis = [](bool chosen) {
        auto s = std::make_shared<ui::WalkForwardShown>();
        WalkForwardWindow w;
        w.Span = {{1, 40}, {41, 65}};
        w.Chosen = chosen;
        w.Signal = 108;
        w.StopLoss = 30;
        w.TakeProfit = 20;
        w.InSampleMetric = 12;
        s->Outcome.Windows = {w};
        s->Dates = {{0, 0, 0, 0}};
        return s;
    };
    WalkForwardPage page;
    page.resize(900, 500);
    page.show();
    page.Show(analysis(false));
    page.Show(analysis(true));
    auto* table = Get<QTableWidget>(page, "WindowsTable");
    const QStringList want = {"1", "- – -", "- – -", "108", "30",        "20",
                              "-", "12,0",  "0,0",   "0",   "нет сделок"};
    QCOMPARE(table->columnCount(), want.size());
    for (int c = 0; c < table->columnCount(); ++c) {
        const QModelIndex cell = table->model()->index(0, c);
        QCOMPARE(cell.data().toString(), want[c]);
        QCOMPARE(table->columnSpan(0, c), 1);
        // Painted within its own column only.
        const QRect painted = table->visualRect(cell);
        QCOMPARE(painted.left(), table->columnViewportPosition(c));
        QVERIFY(painted.right() < table->columnViewportPosition(c) + table->columnWidth(c));
    }
}

void WalkForwardPageTest::emptyOrStoppedAnalysisReadsAtTheFirstSize()
{
    auto form = Start();
    form->show();
    WalkForwardPage& page = *form->WalkForward();
    Get<QTabWidget>(*form, "PageControl1")->setCurrentWidget(&page);
    auto* box = Get<ui::MonteCarloBox>(page, "WalkForwardMonteCarlo");
    QChart* curve = Get<QChartView>(page, "WalkForwardChart")->chart();
    // No trades: the curve's axes still count whole trades and points.
    auto s = std::make_shared<ui::WalkForwardShown>();
    s->Outcome.Windows.resize(1);
    s->Dates = {{0, 0, 0, 0}};
    page.Show(s);
    QApplication::processEvents();
    QVERIFY2(AxesFault(*curve).isEmpty(), qPrintable(AxesFault(*curve)));
    QCOMPARE(Caption(*box, "MonteCarloLabel"), QStringLiteral("Нет сделок"));
    // Stopped before its Monte Carlo: the box says why it is empty.
    auto stopped = std::make_shared<ui::WalkForwardShown>(*s);
    stopped->Outcome.Trades.resize(2);
    stopped->Outcome.Stopped = true;
    page.Show(stopped);
    QVERIFY(Caption(*box, "MonteCarloLabel").startsWith(QStringLiteral("Анализ остановлен до Монте-Карло")));
    QVERIFY(Get<QPushButton>(*box, "MonteCarloButton")->isEnabled());
}

void WalkForwardPageTest::endSaysHowManyWindowsWereDone_data()
{
    QTest::addColumn<bool>("stop");
    QTest::addColumn<QString>("status"); // a pattern; %1: the windows in weeks 0-119
    QTest::newRow("finished") << false << "^Форвард-анализ готов: окон %1 за \\d+,\\d с$";
    QTest::newRow("stopped") << true << "^Остановлено: просчитано окон \\d из %1$";
}

void WalkForwardPageTest::endSaysHowManyWindowsWereDone()
{
    QFETCH(bool, stop);
    QFETCH(QString, status);
    auto form = Start();
    OptimisationPage& page = *form->Optimisation();
    const auto set = [&page](const char* name, int value) {
        Get<QSpinBox>(page, QString::fromLatin1(name))->setValue(value);
    };
    set("WeekTo", 119);
    set("InSampleWeeks", 40);
    set("OutOfSampleWeeks", 25);
    // Stopped: the page's whole grid with holding limits, many seconds a window.
    Get<QCheckBox>(page, "HoldLimited")->setChecked(stop);
    if (!stop)
        for (const auto& [name, value] :
             {std::pair{"SignalFrom", 80}, {"SignalTo", 90}, {"StopLossTo", 30}, {"TakeProfitTo", 20}})
            set(name, value);
    QSignalSpy found(&page, &OptimisationPage::WalkForwardEnded);
    Get<QPushButton>(page, "WalkForwardButton")->click();
    QVERIFY(page.Running());
    QVERIFY(Get<QPushButton>(page, "StopButton")->isEnabled());
    if (stop) {
        QTest::qWait(300);
        Get<QPushButton>(page, "StopButton")->click();
    }
    QTRY_VERIFY_WITH_TIMEOUT(!page.Running(), 60000);
    const QString text = Get<QLabel>(page, "StatusLabel")->text();
    const auto windows = WalkForwardSpans({0, 119}, 40, 25, false).size();
    QVERIFY2(QRegularExpression(status.arg(windows)).match(text).hasMatch(), qPrintable(text));
    QVERIFY(Get<QPushButton>(page, "WalkForwardButton")->isEnabled());
    QVERIFY(dialogs_->messages.isEmpty());
    // What was done is shown; a stopped analysis says so.
    QCOMPARE(found.isEmpty(), stop && text.contains(QStringLiteral("окон 0 ")));
    if (!found.isEmpty())
        QCOMPARE(form->WalkForward()->Shown()->Outcome.Stopped, stop);
    auto* progress = Get<QProgressBar>(page, "SweepProgress");
    if (!stop)
        QCOMPARE(progress->value(), progress->maximum());
}

void WalkForwardPageTest::analysisThatCannotRunIsRefused_data()
{
    QTest::addColumn<bool>("plateau");
    QTest::addColumn<QString>("error");
    QTest::newRow("in-sample longer than the weeks")
        << false << "Недели 0–100: после 156 недель выборки не остаётся недель для проверки.";
    QTest::newRow("plateau over too large a grid")
        << true
        << QStringLiteral("Выбор по плато возможен для сетки не больше %1 комбинаций, в этой %2.")
               .arg(kPlateauCellLimit)
               .arg(451LL * 151 * 101 * 120);
}

void WalkForwardPageTest::analysisThatCannotRunIsRefused()
{
    QFETCH(bool, plateau);
    QFETCH(QString, error);
    auto form = Start();
    OptimisationPage& page = *form->Optimisation();
    if (plateau) {
        Get<QCheckBox>(page, "PlateauChecked")->setChecked(true);
        Get<QCheckBox>(page, "HoldLimited")->setChecked(true);
    } else {
        Get<QSpinBox>(page, "WeekTo")->setValue(100);
    }
    Get<QPushButton>(page, "WalkForwardButton")->click();
    QVERIFY(!page.Running());
    QVERIFY(Get<QPushButton>(page, "WalkForwardButton")->isEnabled());
    QVERIFY(Get<QLabel>(page, "StatusLabel")->text().isEmpty());
    QCOMPARE(dialogs_->messages.size(), 1);
    QCOMPARE(dialogs_->messages[0].Text, error);
}

void WalkForwardPageTest::tradePageDrawsTheRunsTrades()
{
    // The demo pairs, whose first one trades at the page's defaults.
    CopyDemoData(dir_->dir());
    auto form = Start();
    form->show();
    auto* pair = Get<QComboBox>(*form, "ComboBox1");
    pair->setCurrentIndex(0);
    emit pair->activated(0);
    Get<QPushButton>(*form, "BitBtn1")->click();
    auto* trades = Get<ui::TradesPage>(*form, "TabSheet5");
    auto* box = trades->findChild<ui::MonteCarloBox*>();
    QVERIFY(box != nullptr);
    QVERIFY(!trades->Trades().empty());
    Get<QSpinBox>(*box, "RunsSpin")->setValue(2000);
    Get<QSpinBox>(*box, "SeedSpin")->setValue(9);
    Get<QPushButton>(*box, "MonteCarloButton")->click();
    QCOMPARE(Get<QLabel>(*box, "MonteCarloLabel")->text(),
             ui::MonteCarloBox::OutcomeText(RunMonteCarlo(trades->Trades(), 2000, 9)));
    // Its histogram reads at the window's first size.
    Get<QTabWidget>(*form, "PageControl1")->setCurrentWidget(trades);
    Get<QTabWidget>(*trades, "TradesViews")->setCurrentWidget(box);
    QApplication::processEvents();
    QChart* histogram = Get<QChartView>(*box, "DrawdownHistogram")->chart();
    QCOMPARE(histogram->axes().size(), 2);
    QVERIFY2(AxesFault(*histogram).isEmpty(), qPrintable(AxesFault(*histogram)));
}

QUILLET_WINDOW_TEST(WalkForwardPageTest);
#include "WalkForwardPageTest.moc"
