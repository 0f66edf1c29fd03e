// The window "Переобучение" of the page "Оптимизация" over a random
// instrument: waiting for a sweep, the figures, histogram, scatter and
// deflated Sharpe ratio of a computation off the window's thread against the
// core's, following the row selected, and a stop midway.

#include "ui/OverfitDialog.h"
#include "UiTestSupport.h"
#include "analysis/DeflatedSharpe.h"
#include "analysis/Overfit.h"
#include "report/OverfitTexts.h"
#include "ui/OptimisationPage.h"

#include <QBarSeries>
#include <QBarSet>
#include <QChartView>
#include <QCheckBox>
#include <QLabel>
#include <QLineSeries>
#include <QProgressBar>
#include <QPushButton>
#include <QScatterSeries>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTableWidget>
#include <QtTest>

using namespace quillet;
using namespace quillet::test;
using quillet::ui::OptimisationPage;
using quillet::ui::OverfitDialog;

class OverfitDialogTest : public WindowTest {
    Q_OBJECT
  private slots:
    void waitsForASweep();
    void showsTheCoresFiguresAndFollowsTheRow();
    void stopsMidway();

  private:
    void SetUpTest() override;
    // Sweeps the page's grid and opens the window.
    OverfitDialog& Open(OptimisationPage& page);
};

void OverfitDialogTest::SetUpTest()
{
    WriteRandomEurUsd(*dir_, 78);
}

OverfitDialog& OverfitDialogTest::Open(OptimisationPage& page)
{
    QSignalSpy ended(&page, &OptimisationPage::SweepEnded);
    Get<QPushButton>(page, "StartButton")->click();
    [&] { QVERIFY(ended.wait(60000)); }();
    Get<QPushButton>(page, "OverfitButton")->click();
    auto* dialog = page.findChild<OverfitDialog*>();
    [&] { QVERIFY(dialog && dialog->isVisible()); }();
    return *dialog;
}

void OverfitDialogTest::waitsForASweep()
{
    auto form = Start();
    auto* button = Get<QPushButton>(*form->Optimisation(), "OverfitButton");
    QCOMPARE(button->text(), QStringLiteral("Переобучение"));
    QVERIFY(!button->isEnabled());
    Open(*form->Optimisation());
    QVERIFY(button->isEnabled());
}

void OverfitDialogTest::showsTheCoresFiguresAndFollowsTheRow()
{
    auto form = Start();
    OptimisationPage& page = *form->Optimisation();
    const char* const spins[] = {"SignalFrom",     "SignalTo",     "StopLossFrom", "StopLossTo",
                                 "TakeProfitFrom", "TakeProfitTo", "MinEntries"};
    const int values[] = {70, 110, 10, 50, 10, 50, 5};
    for (int i = 0; i < 7; ++i)
        Get<QSpinBox>(page, QString::fromLatin1(spins[i]))->setValue(values[i]);
    OverfitDialog& dialog = Open(page);
    Get<QSpinBox>(dialog, "BlocksSpin")->setValue(6);
    Get<QCheckBox>(dialog, "PlateauChoice")->setChecked(true);
    QSignalSpy ended(&dialog, &OverfitDialog::Ended);
    Get<QPushButton>(dialog, "ComputeButton")->click();
    QVERIFY(dialog.Running());
    QVERIFY(ended.wait(60000));
    QVERIFY(dialog.Outcome());

    const OverfitParams params = dialog.Params();
    QVERIFY(params.Blocks == 6 && params.Plateau.has_value());
    const SweepTable table(Table()[1], "EURUSD", params.Sweep.Grid, params.Sweep.Weeks, params.Sweep.Costs);
    const OverfitOutcome want = RunOverfit(params, table);
    const OverfitOutcome& got = *dialog.Outcome();
    QCOMPARE(got.Splits.size(), std::size_t{20});
    QCOMPARE(got.Best.Pbo, want.Best.Pbo);
    QCOMPARE(got.Plateau->Pbo, want.Plateau->Pbo);
    for (std::size_t i = 0; i < want.Splits.size(); ++i)
        QCOMPARE(got.Splits[i].Best.Rank, want.Splits[i].Best.Rank);
    QVERIFY(Get<QLabel>(dialog, "BestFigures")
                ->text()
                .contains(QStringLiteral("PBO (доля разбиений с λ ≤ 0): ") +
                          QString::fromStdString(SignificantText(want.Best.Pbo, 3))));

    // Every split in a bar, and a point for each choice with a line through them.
    const QChart* lambdas = Get<QChartView>(dialog, "LambdaChart")->chart();
    qreal bars = 0;
    for (QBarSet* set : qobject_cast<QBarSeries*>(lambdas->series().front())->barSets())
        bars += set->sum();
    QCOMPARE(bars, 20.0);
    int points = 0, lines = 0;
    for (QAbstractSeries* s : Get<QChartView>(dialog, "ScatterChart")->chart()->series()) {
        if (auto* scatter = qobject_cast<QScatterSeries*>(s))
            points += scatter->count();
        else if (qobject_cast<QLineSeries*>(s))
            ++lines;
    }
    QCOMPARE(points, 40);
    QCOMPARE(lines, 2);

    // The best row's deflated Sharpe ratio, then that of the row selected.
    for (const int row : {0, 3}) {
        Get<QTableWidget>(page, "BestTable")->setCurrentCell(row, 0);
        const SweepRow& r = page.Outcome()->Best[static_cast<std::size_t>(row)];
        const GridPoint point{r.Signal, r.StopLoss, r.TakeProfit, 0};
        const DeflatedSharpe d = DeflateSharpe(table, params.Sweep.Weeks, point, want.Spread);
        QVERIFY(dialog.Deflated().has_value());
        QCOMPARE(dialog.Deflated()->Row.Signal, r.Signal);
        QCOMPARE(dialog.Deflated()->Probability, d.Probability);
        QCOMPARE(Get<QLabel>(dialog, "DeflatedRow")->text(),
                 QString::fromStdString(CombinationText(point, false)));
        QVERIFY(Get<QLabel>(dialog, "DeflatedFigures")
                    ->text()
                    .contains(QStringLiteral("DSR: ") +
                              QString::fromStdString(SignificantText(d.Probability, 3))));
    }
    QCOMPARE(Get<QLabel>(dialog, "TrialsNote")->text(), QString::fromUtf8(kTrialsNote));
}

void OverfitDialogTest::stopsMidway()
{
    auto form = Start();
    OverfitDialog& dialog = Open(*form->Optimisation()); // the page's whole grid
    Get<QSpinBox>(dialog, "BlocksSpin")->setValue(16);   // 12,870 splits: many seconds
    QSignalSpy ended(&dialog, &OverfitDialog::Ended);
    Get<QPushButton>(dialog, "ComputeButton")->click();
    QVERIFY(Get<QPushButton>(dialog, "StopButton")->isEnabled());
    QVERIFY(!Get<QPushButton>(dialog, "ComputeButton")->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(Get<QProgressBar>(dialog, "OverfitProgress")->value() > 0, 20000);
    Get<QPushButton>(dialog, "StopButton")->click();
    QVERIFY(ended.wait(10000));
    QCOMPARE(Get<QLabel>(dialog, "StatusLabel")->text(), QStringLiteral("Остановлено"));
    QVERIFY(!dialog.Outcome());
    QVERIFY(Get<QPushButton>(dialog, "ComputeButton")->isEnabled());
    QVERIFY(!Get<QPushButton>(dialog, "StopButton")->isEnabled());
}

QUILLET_WINDOW_TEST(OverfitDialogTest);
#include "OverfitDialogTest.moc"
