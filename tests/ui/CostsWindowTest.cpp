// The costs in the window: the file "costs" read at start-up (missing: all
// zero; unreadable: shown and never overwritten), the dialog "Издержки..."
// that edits and saves it, and the pages that run with the chosen pair's
// costs and say which, the trade page with its figures.

#include "UiTestSupport.h"
#include "analysis/EquityCurve.h"
#include "analysis/TradeStats.h"
#include "engine/SinglePair.h"
#include "engine/Sweep.h"
#include "report/TradeCsv.h"
#include "store/CostsFile.h"
#include "ui/CostsDialog.h"
#include "ui/OptimisationPage.h"
#include "ui/TradeFigures.h"
#include "ui/TradesPage.h"
#include "ui/Unit1.h"

#include <QAction>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QSpinBox>
#include <QStackedBarSeries>
#include <QTableView>
#include <QTableWidget>
#include <QtTest>

using namespace quillet;
using namespace quillet::test;
using quillet::ui::CostsDialog;

namespace {

const TradeCosts kEurusdCosts{20, 7, -3, 1};
const char* const kCostsText = "# kept by hand\nEURUSD 2.0 0.7 -0.3 0.1\nOLDPAIR 1.0 0 0 0\n";

void SelectPair(TForm1& form, const QString& name)
{
    auto* combo = Get<QComboBox>(form, "ComboBox1");
    const int index = combo->findText(name);
    QVERIFY(index >= 0);
    combo->setCurrentIndex(index);
    emit combo->activated(index);
}

/// Chooses "Издержки..." in the menu and returns the dialog it opened.
CostsDialog* OpenCosts(TForm1& form)
{
    // The dialog closed last goes once the loop would have deleted it.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    Get<QAction>(form, "CostsItem")->trigger();
    return Get<CostsDialog>(form, "CostsDialog");
}

void Press(CostsDialog& dialog, QDialogButtonBox::StandardButton button)
{
    Get<QDialogButtonBox>(dialog, "CostsButtons")->button(button)->click();
}

QString CostsCaption(const TradeCosts& costs)
{
    return QString::fromStdString(TradeCostsCaption(costs));
}

/// Sweeps a small grid of EURUSD on the page and returns its best row.
SweepRow SweepEurUsd(ui::OptimisationPage& page)
{
    auto* pair = Get<QComboBox>(page, "PairBox");
    pair->setCurrentIndex(pair->findText(QStringLiteral("EURUSD")));
    const struct {
        const char* Name;
        int Value;
    } grid[] = {{"SignalFrom", 120}, {"SignalTo", 120},      {"StopLossFrom", 40},
                {"StopLossTo", 41},  {"TakeProfitFrom", 60}, {"TakeProfitTo", 61}};
    for (const auto& g : grid)
        Get<QSpinBox>(page, QString::fromLatin1(g.Name))->setValue(g.Value);
    QSignalSpy ended(&page, &ui::OptimisationPage::SweepEnded);
    Get<QPushButton>(page, "StartButton")->click();
    if (!ended.wait(60000) || !page.Outcome() || page.Outcome()->Best.empty())
        return {};
    return page.Outcome()->Best.front();
}

} // namespace

class CostsWindowTest : public WindowTest {
    Q_OBJECT
  private slots:
    void missingFileIsZeroAndTheDialogSavesEdits();
    void tradePageRunsWithThePairsCostsAndShowsItsFigures();
    void stopLossWithinTheSpreadIsRefused();
    void sweepRunsWithThePairsCosts();
    void spreadByTheHourNeedsTheRecordAndRunsEveryPage();
    // Last: closing the main window ends the application's event loop.
    void badLinesAreShownLeftOutAndNeverOverwritten();

  private:
    void SetUpTest() override { CopyDemoData(dir_->dir()); }
};

void CostsWindowTest::missingFileIsZeroAndTheDialogSavesEdits()
{
    auto form = Start();
    QVERIFY(dialogs_->messages.isEmpty());
    SelectPair(*form, QStringLiteral("EURUSD"));
    QCOMPARE(Caption(*form, "PairCostsLabel"), CostsCaption({}));

    // Cancel keeps nothing; OK writes the file with the edited row.
    CostsDialog* dialog = OpenCosts(*form);
    QCOMPARE(Get<QTableWidget>(*dialog, "CostsTable")->rowCount(),
             Get<QComboBox>(*form, "ComboBox1")->count());
    const int row = Get<QComboBox>(*form, "ComboBox1")->findText(QStringLiteral("EURUSD"));
    dialog->Cell(row, CostsDialog::Spread)->setValue(9.9);
    Press(*dialog, QDialogButtonBox::Cancel);
    QVERIFY(!std::filesystem::exists(dir_->file(kCostsFileName)));
    QCOMPARE(form->Costs(), CostsTable());

    dialog = OpenCosts(*form);
    QCOMPARE(dialog->Cell(row, CostsDialog::Spread)->value(), 0.0);
    QCOMPARE(dialog->Cell(row, CostsDialog::SwapLong)->minimum(), -50.0);
    dialog->Cell(row, CostsDialog::Spread)->setValue(2.0);
    dialog->Cell(row, CostsDialog::Commission)->setValue(0.7);
    dialog->Cell(row, CostsDialog::SwapLong)->setValue(-0.3);
    dialog->Cell(row, CostsDialog::SwapShort)->setValue(0.1);
    QCOMPARE(dialog->Cell(row, CostsDialog::Commission)->text(), QStringLiteral("0,7"));
    Press(*dialog, QDialogButtonBox::Ok);
    QVERIFY(dialogs_->messages.isEmpty());
    QCOMPARE(ReadCostsFile(dir_->dir()).Of("EURUSD"), kEurusdCosts);
    QCOMPARE(form->Costs().Of("EURUSD"), kEurusdCosts);
    QCOMPARE(Caption(*form, "PairCostsLabel"), CostsCaption(kEurusdCosts));
    QCOMPARE(Caption(*form->Optimisation(), "SweepCostsLabel"),
             CostsCaption(form->Costs().Of(
                 Get<QComboBox>(*form->Optimisation(), "PairBox")->currentText().toStdString())));

    // A file that cannot be written is said so and the dialog keeps the edits.
    std::filesystem::remove(dir_->file(kCostsFileName));
    std::filesystem::create_directory(dir_->file(kCostsFileName));
    dialog = OpenCosts(*form);
    dialog->Cell(row, CostsDialog::Spread)->setValue(3.0);
    Press(*dialog, QDialogButtonBox::Ok);
    QCOMPARE(dialogs_->messages.size(), 1);
    QVERIFY(dialogs_->messages[0].Text.startsWith(QStringLiteral("Издержки не сохранены: ")));
    QVERIFY(dialog->isVisible());
    QCOMPARE(dialog->Edited().Of("EURUSD").SpreadTenths, 30);
    QCOMPARE(form->Costs().Of("EURUSD"), kEurusdCosts);
    Press(*dialog, QDialogButtonBox::Cancel);
}

void CostsWindowTest::badLinesAreShownLeftOutAndNeverOverwritten()
{
    // GBPUSD's line lacks its swaps; EURUSD's is read all the same.
    const std::string bad = "GBPUSD 2.0 0.7\r\nEURUSD 2.0 0.7 -0.3 0.1\r\n";
    WriteFile(dir_->file(kCostsFileName), bad);
    auto form = Start();
    QCOMPARE(dialogs_->messages.size(), 1);
    const QString ignored = QString::fromStdString(ParseCostsLines(bad).Ignored.at(0));
    QVERIFY(ignored.startsWith(QStringLiteral("строка 1: полей 3, нужно 5")));
    QVERIFY2(dialogs_->messages[0].Text.contains(ignored), qPrintable(dialogs_->messages[0].Text));
    QVERIFY(dialogs_->messages[0].Text.contains(QString::fromStdString(dir_->file(kCostsFileName))));
    QCOMPARE(form->Costs().Of("EURUSD"), kEurusdCosts);
    SelectPair(*form, QStringLiteral("EURUSD"));
    QCOMPARE(Caption(*form, "PairCostsLabel"), CostsCaption(kEurusdCosts));

    // The dialog shows the line left out; edits hold for the session, and the
    // file stays as the user wrote it.
    CostsDialog* dialog = OpenCosts(*form);
    QVERIFY(Caption(*dialog, "IgnoredLinesLabel").contains(ignored));
    const int row = Get<QComboBox>(*form, "ComboBox1")->currentIndex();
    dialog->Cell(row, CostsDialog::Spread)->setValue(3.0);
    Press(*dialog, QDialogButtonBox::Ok);
    QCOMPARE(dialogs_->messages.size(), 2);
    QVERIFY(dialogs_->messages[1].Text.contains(QStringLiteral("не перезаписывается")));
    QCOMPARE(form->Costs().Of("EURUSD").SpreadTenths, 30);
    QCOMPARE(ReadFile(dir_->file(kCostsFileName)), bad);
    form->close();
    QCOMPARE(ReadFile(dir_->file(kCostsFileName)), bad);
}

void CostsWindowTest::tradePageRunsWithThePairsCostsAndShowsItsFigures()
{
    WriteFile(dir_->file(kCostsFileName), kCostsText);
    auto form = Start();
    SelectPair(*form, QStringLiteral("EURUSD"));
    Get<QPushButton>(*form, "BitBtn1")->click();
    QVERIFY(dialogs_->messages.isEmpty());

    // The trades are those of the core's run with the pair's costs.
    BacktestParams params;
    params.Slot = Get<QComboBox>(*form, "ComboBox1")->currentIndex() + 1;
    params.PairName = "EURUSD";
    params.Costs = kEurusdCosts;
    BacktestResult result;
    const TradeList expected = RunSinglePairTradeList(params, Table()[params.Slot], result, {}, {}, {});
    const std::vector<ClosedTrade>& shown = form->Trades()->Trades();
    QVERIFY(expected.Trades.size() > 100);
    QCOMPARE(shown.size(), expected.Trades.size());
    for (std::size_t i = 0; i < shown.size(); ++i) {
        QCOMPARE(shown[i].EntryPrice, expected.Trades[i].EntryPrice);
        QCOMPARE(shown[i].NetTenths, expected.Trades[i].NetTenths);
        QCOMPARE(shown[i].Nights, expected.Trades[i].Nights);
    }

    // The table adds the costs' columns; their sums are net.
    QAbstractItemModel* table = Get<QTableView>(*form, "TradesTable")->model();
    QCOMPARE(table->columnCount(), kTradeFieldCount + kTradeCostFieldCount);
    QCOMPARE(table->headerData(kTradeFieldCount, Qt::Horizontal).toString(), QStringLiteral("Ночей"));
    const EquityCurve net = MakeNetEquityCurve(expected.Trades);
    const int last = static_cast<int>(shown.size()) - 1;
    QCOMPARE(table->data(table->index(last, kTradeFieldCount + 3)).toString(),
             QString::fromStdString(TenthsText(net.Total)));

    // The panel shows the core's figures of those trades, and the costs.
    const TradeStats stats = ComputeTradeStats(expected.Trades);
    auto* figures = Get<ui::TradeFigures>(*form, "TradeFigures");
    QCOMPARE(Caption(*figures, "TradeCostsLabel"), CostsCaption(kEurusdCosts));
    const std::vector<ui::FigureLine> lines = ui::FigureLines(stats);
    QCOMPARE(lines.size(), FigureTexts(stats).size());
    for (const ui::FigureLine& line : lines)
        QCOMPARE(Caption(*figures, line.Name), line.Text);
    QVERIFY(Caption(*figures, "FigureSqn").contains(QLatin1Char(',')));
    // A bar per year of entry, its height the year's net points.
    QVERIFY(stats.ByYear.size() > 5);
    auto* bars =
        qobject_cast<QStackedBarSeries*>(Get<QChartView>(*figures, "YearsChart")->chart()->series().front());
    QVERIFY(bars);
    for (std::size_t i = 0; i < stats.ByYear.size(); ++i) {
        const qreal net = static_cast<qreal>(stats.ByYear[i].NetTenths) / 10;
        QCOMPARE(bars->barSets()[0]->at(static_cast<int>(i)) + bars->barSets()[1]->at(static_cast<int>(i)),
                 net);
    }
    auto* years = Get<QTableWidget>(*figures, "YearsTable");
    QCOMPARE(years->rowCount(), static_cast<int>(stats.ByYear.size()));
    const YearFigures& first = stats.ByYear.front();
    QCOMPARE(years->item(0, 0)->text(), QString::number(first.Year));
    QCOMPARE(years->item(0, 3)->text(), QString::fromStdString(TenthsText(first.NetTenths)));
    QCOMPARE(years->item(0, 4)->text(), QString::fromStdString(TenthsText(first.MaxDrawdownTenths)));
}

void CostsWindowTest::stopLossWithinTheSpreadIsRefused()
{
    WriteFile(dir_->file(kCostsFileName), kCostsText);
    auto form = Start();
    SelectPair(*form, QStringLiteral("EURUSD"));
    // A spread of 2,0 points: a stop-loss of 2 is refused, one of 3 runs.
    Get<QSlider>(*form, "TrackBar6")->setValue(2);
    Get<QPushButton>(*form, "BitBtn1")->click();
    QCOMPARE(dialogs_->messages.size(), 1);
    QCOMPARE(dialogs_->messages[0].Kind, ui::MessageKind::Error);
    QCOMPARE(dialogs_->messages[0].Text, QStringLiteral("Стоп-лосс (2 п) должен быть больше спреда (2,0 п)"));
    QVERIFY(form->Trades()->Trades().empty());
    Get<QSlider>(*form, "TrackBar6")->setValue(3);
    Get<QPushButton>(*form, "BitBtn1")->click();
    QCOMPARE(dialogs_->messages.size(), 1);
    QVERIFY(!form->Trades()->Trades().empty());

    // Saving keeps the instruments the window does not list.
    Press(*OpenCosts(*form), QDialogButtonBox::Ok);
    QCOMPARE(ReadCostsFile(dir_->dir()).Of("OLDPAIR").SpreadTenths, 10);
    QCOMPARE(ReadCostsFile(dir_->dir()).Of("EURUSD"), kEurusdCosts);
}

void CostsWindowTest::sweepRunsWithThePairsCosts()
{
    WriteFile(dir_->file(kCostsFileName), kCostsText);
    auto form = Start();
    ui::OptimisationPage& page = *form->Optimisation();
    const SweepRow best = SweepEurUsd(page);
    QCOMPARE(Caption(page, "SweepCostsLabel"), CostsCaption(kEurusdCosts));

    // The best row is the single run of its combination with the same costs.
    BacktestParams params;
    params.Slot = Get<QComboBox>(page, "PairBox")->currentIndex() + 1;
    params.PairName = "EURUSD";
    params.SignalMinPoints = best.Signal;
    params.StopLossPoints = best.StopLoss;
    params.TakeProfitPoints = best.TakeProfit;
    params.Costs = kEurusdCosts;
    BacktestResult single;
    const TradeList trades = RunSinglePairTradeList(params, Table()[params.Slot], single, {}, {}, {});
    QCOMPARE(best.Result, single);
    QCOMPARE(best.Figures.NetTenths, ComputeTradeStats(trades.Trades).All.NetTenths);
}

void CostsWindowTest::spreadByTheHourNeedsTheRecordAndRunsEveryPage()
{
    // EURUSD (slot 6) has the spread of every hour beside its record, 8 points
    // in every 24th hour; AUDUSD has none.
    std::string spread;
    for (int h = 1; h < FirstEmptyIndex(DemoTable()[6].Hour, 1); ++h)
        spread += h % 24 == 1 ? "80\n" : "12\n";
    WriteFile(dir_->file("EURUSD.spread"), spread);
    WriteFile(dir_->file(kCostsFileName), kCostsText);
    auto form = Start();
    auto* picker = Get<QComboBox>(*form, "ComboBox1");
    const int audusd = picker->findText(QStringLiteral("AUDUSD")),
              row = picker->findText(QStringLiteral("EURUSD"));
    QCOMPARE(row, 5);

    // "спред: по истории" sets the fixed spread aside, and is refused for a pair without the record.
    CostsDialog* dialog = OpenCosts(*form);
    dialog->RecordedBox(audusd)->setChecked(true);
    QVERIFY(!dialog->Cell(audusd, CostsDialog::Spread)->isEnabled());
    Press(*dialog, QDialogButtonBox::Ok);
    QCOMPARE(dialogs_->messages.size(), 1);
    QVERIFY(
        dialogs_->messages[0].Text.contains(QStringLiteral("У инструмента AUDUSD нет спреда по истории")));
    dialog->RecordedBox(audusd)->setChecked(false);
    dialog->RecordedBox(row)->setChecked(true);
    Press(*dialog, QDialogButtonBox::Ok);
    BacktestParams params;
    params.Slot = row + 1;
    params.PairName = "EURUSD";
    params.Costs = {0, 7, -3, 1, true};
    params.Spread = &Table().Spread(params.Slot);
    QCOMPARE(ReadCostsFile(dir_->dir()).Of("EURUSD"), params.Costs);

    // The single run trades as the core does at the spread of each hour, and lists each entry's.
    SelectPair(*form, QStringLiteral("EURUSD"));
    Get<QPushButton>(*form, "BitBtn1")->click();
    BacktestResult result;
    const TradeList expected = RunSinglePairTradeList(params, Table()[params.Slot], result, {}, {}, {});
    const std::vector<ClosedTrade>& shown = form->Trades()->Trades();
    QCOMPARE(shown.size(), expected.Trades.size());
    for (std::size_t i = 0; i < shown.size(); ++i)
        QCOMPARE(shown[i].NetTenths, expected.Trades[i].NetTenths);
    QAbstractItemModel* table = Get<QTableView>(*form, "TradesTable")->model();
    QCOMPARE(table->columnCount(), TradeColumnsShown(true, true));
    QCOMPARE(table->data(table->index(0, TradeColumnsShown(true, true) - 1)).toString(),
             QString::fromStdString(TenthsText(params.Spread->At(shown[0].EntryIndex))));

    // A stop-loss within an entry's spread of 8 points is refused.
    Get<QSlider>(*form, "TrackBar6")->setValue(8);
    Get<QPushButton>(*form, "BitBtn1")->click();
    QVERIFY(
        dialogs_->messages.back().Text.contains(QStringLiteral("больше спреда по истории (8,0 п при входе")));

    // The sweep runs at the same spreads: its best row is the single run.
    const SweepRow best = SweepEurUsd(*form->Optimisation());
    params.SignalMinPoints = best.Signal;
    params.StopLossPoints = best.StopLoss;
    params.TakeProfitPoints = best.TakeProfit;
    BacktestResult single;
    RunSinglePairTradeList(params, Table()[params.Slot], single, {}, {}, {});
    QCOMPARE(best.Result, single);
    QVERIFY(best.Result.Entries > 0);
}

QUILLET_WINDOW_TEST(CostsWindowTest);
#include "CostsWindowTest.moc"
