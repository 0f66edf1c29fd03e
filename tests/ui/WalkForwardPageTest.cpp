// The walk-forward analysis in the window over a random instrument: started
// on the page "Оптимизация", its windows on the page "Форвард-анализ" as the
// core finds them, a window double-clicked run on the single-pair page over
// its out-of-sample weeks, and the trade page's Monte Carlo of the last run.

#include "ui/WalkForwardPage.h"
#include "UiTestSupport.h"
#include "analysis/WalkForward.h"
#include "support/RandomPair.h"
#include "ui/Controls.h"
#include "ui/MonteCarloBox.h"
#include "ui/OptimisationPage.h"
#include "ui/TradesPage.h"
#include "ui/Unit1.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
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
    void tradePageDrawsTheRunsTrades();

  private:
    void SetUpTest() override;
};

void WalkForwardPageTest::SetUpTest()
{
    RandomPairShape shape;
    shape.Seed = 23;
    shape.Weeks = 120;
    auto inst = NewInstrument("EURUSD");
    MakeRandomPair(*inst, shape);
    WriteInstrument(*dir_, "EURUSD", *inst);
    WriteConfig(*dir_, {"EURUSD"});
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
}

QUILLET_WINDOW_TEST(WalkForwardPageTest);
#include "WalkForwardPageTest.moc"
