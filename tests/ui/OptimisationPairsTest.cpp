// The page "Оптимизация" over several demo instruments, each at the costs of
// the window's costs file: the picker's checklist, a sweep that is the
// core's with each instrument's figures of the selected row, a double click
// run on the single-pair page for the instrument picked there, the
// walk-forward analysis with the worst instrument's column, and the
// checklist dialog itself.

#include "UiTestSupport.h"
#include "analysis/MultiWalkForward.h"
#include "engine/MultiSweep.h"
#include "report/PairsTexts.h"
#include "store/CostsFile.h"
#include "ui/InstrumentCopy.h"
#include "ui/OptimisationPage.h"
#include "ui/PairsDialog.h"
#include "ui/Unit1.h"
#include "ui/WalkForwardPage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTableWidget>
#include <QtTest>

using namespace quillet;
using namespace quillet::test;
using quillet::ui::ChosenCombination;
using quillet::ui::OptimisationPage;

Q_DECLARE_METATYPE(quillet::ui::ChosenCombination)

namespace {

const char* const kCosts = "EURUSD 1.2 0.7 -0.3 0.1\nAUDJPY 1.5 0.5 0.2 -0.4\n";

// AUDJPY, GBPUSD and EURUSD of the demo's seven.
const QList<int> kChecked = {0, 3, 5};

QStringList Row(const QTableWidget& t, int row)
{
    QStringList cells;
    for (int c = 0; c < t.columnCount(); ++c)
        cells << (t.item(row, c) ? t.item(row, c)->text() : QString());
    return cells;
}

QStringList Texts(const std::vector<std::string>& cells)
{
    QStringList texts;
    for (const std::string& c : cells)
        texts << QString::fromStdString(c);
    return texts;
}

} // namespace

class OptimisationPairsTest : public WindowTest {
    Q_OBJECT
  private slots:
    void pickerOffersSeveralInstrumentsFromTwo();
    void checklistChoosesTheInstrumentsAndCancelKeepsWhatWasThere();
    void sweepIsTheCoresWithEachInstrumentsFigures();
    void walkForwardShowsTheWorstInstrumentsColumn();
    void dialogTakesTwoToThirty();
    void runsReadACopyByteForByte();

  private:
    void SetUpTest() override
    {
        qRegisterMetaType<ChosenCombination>();
        CopyDemoData(dir_->dir());
        WriteFile(dir_->file(kCostsFileName), kCosts);
    }
    // Picks the last entry of the picker and answers its checklist.
    void PickPairs(OptimisationPage& page, const QList<int>& answer)
    {
        auto* box = Get<QComboBox>(page, "PairBox");
        dialogs_->instrumentAnswers.append(answer);
        box->setCurrentIndex(box->count() - 1);
        emit box->activated(box->count() - 1);
    }
    // A small grid on weeks 0..300, checked on 301..535.
    void SmallGrid(OptimisationPage& page)
    {
        const std::pair<const char*, int> spins[] = {
            {"SignalFrom", 80},     {"SignalTo", 120},    {"StopLossFrom", 10}, {"StopLossTo", 30},
            {"TakeProfitFrom", 10}, {"TakeProfitTo", 40}, {"MinEntries", 5},    {"MinTotalEntries", 40},
            {"WeekTo", 300},        {"ForwardFrom", 301},
        };
        Get<QCheckBox>(page, "ForwardChecked")->setChecked(true);
        for (const auto& [name, value] : spins)
            Get<QSpinBox>(page, QString::fromLatin1(name))->setValue(value);
    }
    MultiSweepParams CoreParams() const
    {
        MultiSweepParams p;
        const CostsTable costs = ParseCosts(kCosts);
        for (const char* name : {"AUDJPY", "GBPUSD", "EURUSD"})
            p.Pairs.push_back({name, costs.Of(name)});
        p.Grid = {{80, 120}, {10, 30}, {10, 40}, std::nullopt};
        p.Weeks = {0, 300};
        p.Forward = WeekRange{301, 535};
        p.Metric = PairsMetric::WorstPair;
        p.MinEntries = 5;
        p.MinTotalEntries = 40;
        return p;
    }
};

void OptimisationPairsTest::pickerOffersSeveralInstrumentsFromTwo()
{
    auto form = Start();
    auto* box = Get<QComboBox>(*form->Optimisation(), "PairBox");
    QCOMPARE(box->count(), 8);
    QCOMPARE(box->itemText(7), OptimisationPage::PairsItemText());
    QCOMPARE(box->itemText(6), QStringLiteral("EURCAD"));
    // With one instrument there is nothing to sweep together (OptimisationPageTest: one entry).
}

void OptimisationPairsTest::checklistChoosesTheInstrumentsAndCancelKeepsWhatWasThere()
{
    auto form = Start();
    OptimisationPage& page = *form->Optimisation();
    auto* box = Get<QComboBox>(page, "PairBox");
    box->setCurrentIndex(2);
    // Cancelled before any was checked: back to the instrument before.
    box->setCurrentIndex(7);
    emit box->activated(7);
    QCOMPARE(box->currentIndex(), 2);
    QVERIFY(page.PairSlots().empty());

    PickPairs(page, kChecked);
    QCOMPARE(dialogs_->instrumentsOffered.size(), 2);
    QCOMPARE(dialogs_->instrumentsOffered[1].size(), 7);
    QCOMPARE(page.PairSlots(), (std::vector<int>{1, 4, 6}));
    QCOMPARE(Caption(page, "PeriodLabel"), QStringLiteral("Инструменты (3): AUDJPY, GBPUSD, EURUSD"));
    const QStringList costs = Caption(page, "SweepCostsLabel").split(QLatin1Char('\n'));
    QCOMPARE(costs.size(), 3);
    QCOMPARE(costs[2], QStringLiteral("EURUSD: ") +
                           QString::fromStdString(TradeCostsCaption(ParseCosts(kCosts).Of("EURUSD"))));
    QVERIFY(Get<QComboBox>(page, "MetricBox")->isHidden());
    QVERIFY(!Get<QComboBox>(page, "PairsMetricBox")->isHidden());
    QVERIFY(!Get<QSpinBox>(page, "MinTotalEntries")->isHidden());

    // Cancelled again: the checked instruments stay, and were offered checked.
    emit box->activated(7);
    QCOMPARE(dialogs_->instrumentsChecked.last(), kChecked);
    QCOMPARE(page.PairSlots(), (std::vector<int>{1, 4, 6}));
    QCOMPARE(box->currentIndex(), 7);

    box->setCurrentIndex(1);
    QVERIFY(!Get<QComboBox>(page, "MetricBox")->isHidden());
    QVERIFY(Get<QSpinBox>(page, "MinTotalEntries")->isHidden());
    QVERIFY(Caption(page, "PeriodLabel").startsWith(QStringLiteral("Котировки: ")));
}

void OptimisationPairsTest::sweepIsTheCoresWithEachInstrumentsFigures()
{
    auto form = Start();
    OptimisationPage& page = *form->Optimisation();
    PickPairs(page, kChecked);
    SmallGrid(page);
    Get<QComboBox>(page, "PairsMetricBox")->setCurrentIndex(static_cast<int>(PairsMetric::WorstPair));
    QSignalSpy ended(&page, &OptimisationPage::SweepEnded);
    Get<QPushButton>(page, "StartButton")->click();
    QVERIFY(ended.wait(60000));
    QVERIFY(dialogs_->messages.isEmpty());

    const MultiSweepOutcome want = RunMultiSweep(CoreParams(), {&Table()[1], &Table()[4], &Table()[6]});
    const MultiSweepOutcome* got = page.PairsOutcome();
    QVERIFY(got);
    QCOMPARE(page.Outcome(), &got->Combined);
    QVERIFY(std::memcmp(got->Combined.Cells.data(), want.Combined.Cells.data(),
                        want.Combined.Cells.size() * sizeof(float)) == 0);
    const std::vector<std::string> names = {"AUDJPY", "GBPUSD", "EURUSD"};
    auto* best = Get<QTableWidget>(page, "BestTable");
    QCOMPARE(best->columnCount(), static_cast<int>(kPairsRowColumns.size() + kPairsForwardColumns.size()));
    QCOMPARE(best->rowCount(), static_cast<int>(want.Best.size()));
    QVERIFY(best->rowCount() > 1);
    for (int row = 0; row < best->rowCount(); ++row)
        QCOMPARE(Row(*best, row), Texts(PairsRowCells(want.Best[static_cast<std::size_t>(row)], names)));

    // The selected row's instruments, with their forward nets.
    auto* pairs = Get<QTableWidget>(page, "PairsTable");
    QVERIFY(!pairs->isHidden());
    best->setCurrentCell(1, 0);
    QCOMPARE(pairs->rowCount(), 3);
    for (int k = 0; k < 3; ++k) {
        const MultiSweepRow& r = want.Best[1];
        QStringList cells =
            Texts(PairFigureCells(names[static_cast<std::size_t>(k)], r.Pairs[static_cast<std::size_t>(k)]));
        cells << QString::fromStdString(
            TenthsText(r.ForwardPairs[static_cast<std::size_t>(k)].Figures.NetTenths));
        QCOMPARE(Row(*pairs, k), cells);
    }
    QVERIFY(
        page.CellTooltip(want.Best[1].StopLoss, want.Best[1].TakeProfit).contains(QStringLiteral("худший")));

    // A double click runs the row on the single-pair page for the instrument picked: EURUSD.
    QSignalSpy chosen(&page, &OptimisationPage::CombinationChosen);
    pairs->setCurrentCell(2, 0);
    emit best->cellDoubleClicked(1, 0);
    QCOMPARE(chosen.size(), 1);
    const auto c = chosen[0][0].value<ChosenCombination>();
    QCOMPARE(c.Slot, 6);
    QCOMPARE(c.Signal, want.Best[1].Signal);
    QCOMPARE(c.Weeks.Last, 300);
    QCOMPARE(Get<QComboBox>(*form, "ComboBox1")->currentIndex(), 5);
    QCOMPARE(Caption(*form, "Label79"), QString::number(want.Best[1].Pairs[2].Result.Entries));
}

void OptimisationPairsTest::walkForwardShowsTheWorstInstrumentsColumn()
{
    auto form = Start();
    OptimisationPage& page = *form->Optimisation();
    PickPairs(page, kChecked);
    SmallGrid(page);
    Get<QCheckBox>(page, "ForwardChecked")->setChecked(false);
    Get<QSpinBox>(page, "WeekTo")->setValue(535);
    Get<QSpinBox>(page, "InSampleWeeks")->setValue(150);
    Get<QSpinBox>(page, "OutOfSampleWeeks")->setValue(100);
    Get<QComboBox>(page, "PairsMetricBox")->setCurrentIndex(static_cast<int>(PairsMetric::WorstPair));
    QSignalSpy ended(&page, &OptimisationPage::WalkForwardEnded);
    Get<QPushButton>(page, "WalkForwardButton")->click();
    QVERIFY(ended.wait(60000));

    MultiWalkForwardParams params;
    params.Sweep = CoreParams();
    params.Sweep.Weeks = {0, 535};
    params.Sweep.Forward.reset();
    params.InSample = 150;
    params.OutOfSample = 100;
    const MultiWalkForwardOutcome want = RunMultiWalkForward(params, {&Table()[1], &Table()[4], &Table()[6]});
    auto* windows = Get<QTableWidget>(*form->WalkForward(), "WindowsTable");
    QCOMPARE(windows->columnCount(), 12);
    QCOMPARE(windows->horizontalHeaderItem(11)->text(), QStringLiteral("Худший (пров.)"));
    QCOMPARE(windows->rowCount(), static_cast<int>(want.Windows.size()));
    for (int row = 0; row < windows->rowCount(); ++row) {
        const MultiWalkForwardWindow& w = want.Windows[static_cast<std::size_t>(row)];
        if (!w.Chosen)
            continue;
        QCOMPARE(windows->item(row, 3)->text().toInt(), w.Signal);
        QCOMPARE(windows->item(row, 8)->text(), QString::fromStdString(TenthsText(w.OutOfSampleNetTenths)));
        QCOMPARE(windows->item(row, 11)->text(),
                 QString::fromStdString(WorstPairText(w.OutOfSample, {"AUDJPY", "GBPUSD", "EURUSD"})));
    }
    // One instrument again: the table's own columns.
    Get<QComboBox>(page, "PairBox")->setCurrentIndex(5);
    QSignalSpy single(&page, &OptimisationPage::WalkForwardEnded);
    Get<QPushButton>(page, "WalkForwardButton")->click();
    QVERIFY(single.wait(60000));
    QCOMPARE(windows->columnCount(), 11);
}

void OptimisationPairsTest::dialogTakesTwoToThirty()
{
    QStringList names;
    for (int i = 0; i < 31; ++i)
        names << QStringLiteral("P%1").arg(i);
    ui::PairsDialog dialog(names.mid(0, 3), {1});
    auto* ok = dialog.findChild<QDialogButtonBox*>("PairsButtons")->button(QDialogButtonBox::Ok);
    auto* list = dialog.findChild<QListWidget*>("PairsList");
    QVERIFY(!ok->isEnabled());
    list->item(0)->setCheckState(Qt::Checked);
    QVERIFY(ok->isEnabled());
    QCOMPARE(dialog.Checked(), (QList<int>{0, 1}));
    dialog.findChild<QPushButton*>("CheckNoneButton")->click();
    QVERIFY(!ok->isEnabled());
    dialog.findChild<QPushButton*>("CheckAllButton")->click();
    QCOMPARE(dialog.Checked(), (QList<int>{0, 1, 2}));
    ui::PairsDialog many(names, {});
    many.findChild<QPushButton*>("CheckAllButton")->click();
    QVERIFY(!many.findChild<QDialogButtonBox*>("PairsButtons")->button(QDialogButtonBox::Ok)->isEnabled());
    many.findChild<QListWidget*>("PairsList")->item(30)->setCheckState(Qt::Unchecked);
    QVERIFY(many.findChild<QDialogButtonBox*>("PairsButtons")->button(QDialogButtonBox::Ok)->isEnabled());
}

void OptimisationPairsTest::runsReadACopyByteForByte()
{
    auto form = Start();
    auto sparse = NewInstrument("SPARSE");
    reinterpret_cast<unsigned char*>(sparse.get())[kInstrumentSize - 1] = 7; // the last byte of the last page
    for (const Instrument* inst : {&Table()[1], &Table()[7], sparse.get()})
        QVERIFY(std::memcmp(ui::CopyForRun(*inst).get(), inst, kInstrumentSize) == 0);
}

QUILLET_WINDOW_TEST(OptimisationPairsTest);
#include "OptimisationPairsTest.moc"
