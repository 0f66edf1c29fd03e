// The page "Оптимизация" in the main window over a random instrument: its
// controls, a sweep off the window's thread with its heatmap and best rows,
// stopping and closing mid-sweep, and a picked combination run on the
// single-pair page; the background run the sweep and the walk-forward
// analysis go through.

#include "ui/OptimisationPage.h"
#include "UiTestSupport.h"
#include "analysis/WalkForward.h"
#include "engine/SinglePair.h"
#include "engine/Sweep.h"
#include "report/Catalogue.h"
#include "report/SinglePairRun.h"
#include "ui/BackgroundRun.h"
#include "ui/Controls.h"
#include "ui/SweepHeatmap.h"
#include "ui/Unit1.h"

#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>
#include <QThread>
#include <QtTest>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <memory>
#include <optional>
#include <stdexcept>

using namespace quillet;
using namespace quillet::test;
using quillet::ui::BackgroundRun;
using quillet::ui::ChosenCombination;
using quillet::ui::OptimisationPage;
using quillet::ui::RunEnd;
using quillet::ui::SweepHeatmap;

Q_DECLARE_METATYPE(quillet::ui::ChosenCombination)

namespace {

void SetSpin(QObject& root, const char* name, int value)
{
    Get<QSpinBox>(root, QString::fromLatin1(name))->setValue(value);
}

// A small grid, swept in a blink.
void SmallGrid(QObject& page)
{
    SetSpin(page, "SignalFrom", 80);
    SetSpin(page, "SignalTo", 95);
    SetSpin(page, "StopLossFrom", 20);
    SetSpin(page, "StopLossTo", 40);
    SetSpin(page, "TakeProfitFrom", 10);
    SetSpin(page, "TakeProfitTo", 30);
    SetSpin(page, "MinEntries", 5);
}

BacktestResult PlainRun(const ChosenCombination& c)
{
    BacktestParams p;
    p.Slot = c.Slot;
    p.PairName = "EURUSD";
    p.RangeRestricted = c.Weeks.First != 0 || c.Weeks.Last != 535;
    p.FirstWeek = c.Weeks.First;
    p.LastWeek = c.Weeks.Last;
    p.SignalMinPoints = c.Signal;
    p.StopLossPoints = c.StopLoss;
    p.TakeProfitPoints = c.TakeProfit;
    p.HoldLimit = c.Hold > 0 ? c.Hold - 1 : 119;
    BacktestResult r;
    RunSinglePairBacktest(p, Table()[p.Slot], r, {}, {}, {});
    return r;
}

} // namespace

class OptimisationPageTest : public WindowTest {
    Q_OBJECT
  private slots:
    void pageIsTheLastTab();
    void periodSaysWhereTheRunsStop_data();
    void periodSaysWhereTheRunsStop();
    void controlsStartAtTheirDefaults();
    void formsKeepTheCoreRanges();
    void sweepFillsHeatmapAndBestRows();
    void sliderAndBestBySignalChooseTheLayer();
    void signalLabelSaysWhenEveryValueIsShown();
    void tooltipShowsTheCombinationAndItsFigures();
    void holdAxisShowsTheBestHoldPerCell();
    void coloursRunFromTheLowestToTheHighestCell();
    void lowestIsBestColoursItsLowestCellBrightest();
    void pointsColourEachSideOfZeroOnItsOwnScale_data();
    void pointsColourEachSideOfZeroOnItsOwnScale();
    void reversedRangeIsRefused();
    void forwardWeeksOverlappingTheSweptWeeksAreWarned_data();
    void forwardWeeksOverlappingTheSweptWeeksAreWarned();
    void stopKeepsWhatWasFound();
    void windowStaysResponsiveDuringASweep();
    void chosenCombinationRunsOnTheSinglePairPage_data();
    void chosenCombinationRunsOnTheSinglePairPage();
    void doubleClicksPickARowAndACell();
    void backgroundRunHandsItsResultBack();
    void backgroundRunStopsOnCancelOrWhenGoneAndHandsBackErrors();
    // Last: closing the main window ends the application's event loop.
    void closingTheWindowMidSweepStopsIt();

  private:
    void SetUpTest() override;
    OptimisationPage& Page(TForm1& form) { return *form.Optimisation(); }
    /// Presses "Подобрать" and waits for the sweep to end.
    void Sweep(OptimisationPage& page);
};

void OptimisationPageTest::SetUpTest()
{
    qRegisterMetaType<ChosenCombination>();
    WriteRandomEurUsd(*dir_, 77);
}

void OptimisationPageTest::Sweep(OptimisationPage& page)
{
    QSignalSpy ended(&page, &OptimisationPage::SweepEnded);
    Get<QPushButton>(page, "StartButton")->click();
    QVERIFY(page.Running());
    QVERIFY(ended.wait(60000));
    QVERIFY(!page.Running());
}

void OptimisationPageTest::pageIsTheLastTab()
{
    auto form = Start();
    auto* pages = Get<QTabWidget>(*form, "PageControl1");
    QCOMPARE(pages->count(), 7);
    QCOMPARE(pages->tabText(5), QStringLiteral("Оптимизация"));
    QCOMPARE(pages->widget(5), static_cast<QWidget*>(form->Optimisation()));
    QCOMPARE(pages->tabText(6), QStringLiteral("Форвард-анализ"));
    QCOMPARE(pages->currentIndex(), 2); // the window still opens on the quotes page
    auto* pair = Get<QComboBox>(Page(*form), "PairBox");
    QCOMPARE(pair->count(), 1);
    QCOMPARE(pair->currentText(), QStringLiteral("EURUSD"));
}

void OptimisationPageTest::periodSaysWhereTheRunsStop_data()
{
    QTest::addColumn<int>("weeks");
    QTest::addColumn<QString>("period");
    // Quiet weeks on the Sundays from 9 January 2005.
    QTest::newRow("120 weeks") << 120 << "Котировки: 09.01.2005 – 22.04.2007, недель 120";
    QTest::newRow("535 weeks, all walked") << 535 << "Котировки: 09.01.2005 – 05.04.2015, недель 535";
    QTest::newRow("548 weeks, the last 13 never walked")
        << 548
        << "Котировки: 09.01.2005 – 05.07.2015, недель 548; анализируются недели до 05.04.2015 (неделя 535)";
}

void OptimisationPageTest::periodSaysWhereTheRunsStop()
{
    QFETCH(int, weeks);
    QFETCH(QString, period);
    auto inst = NewInstrument("WEEKS");
    FillQuietWeeks(*inst, weeks);
    WriteInstrument(*dir_, "WEEKS", *inst);
    WriteConfig(*dir_, {"EURUSD", "WEEKS"});
    auto form = Start();
    auto* pair = Get<QComboBox>(Page(*form), "PairBox");
    auto* label = Get<QLabel>(Page(*form), "PeriodLabel");
    QVERIFY(label->text().startsWith(QStringLiteral("Котировки: ")));
    QVERIFY(!label->text().contains(QStringLiteral("анализируются")));
    pair->setCurrentIndex(1);
    QCOMPARE(label->text(), period);
}

void OptimisationPageTest::controlsStartAtTheirDefaults()
{
    // Each spin box: its range and start as the page shows them, and the same
    // range in the core's controls module that the command line is made from.
    struct Spin {
        const char* Name;
        int Minimum, Maximum, Value;
        bool Enabled;
        ControlRange Core;
    };
    const Spin spins[] = {
        {"SignalFrom", 50, 500, 50, true, kSignalControl},
        {"SignalTo", 50, 500, 500, true, kSignalControl},
        {"StopLossFrom", 0, 150, 0, true, kStopLossControl},
        {"StopLossTo", 0, 150, 150, true, kStopLossControl},
        {"TakeProfitFrom", 0, 100, 0, true, kTakeProfitControl},
        {"TakeProfitTo", 0, 100, 100, true, kTakeProfitControl},
        {"HoldFrom", 1, 120, 1, false, kHoldControl},
        {"HoldTo", 1, 120, 120, false, kHoldControl},
        {"WeekFrom", 0, 535, 0, true, kFirstWeekControl},
        {"WeekTo", 1, 535, 535, true, kLastWeekControl},
        {"ForwardFrom", 0, 535, 0, false, kFirstWeekControl},
        {"ForwardTo", 1, 535, 535, false, kLastWeekControl},
        {"MinEntries", 0, 100000, 30, true, kMinEntriesControl},
        {"TopRows", 1, 1000, 20, true, kBestRowsControl},
        {"InSampleWeeks", 1, 535, 156, true, kInSampleControl},
        {"OutOfSampleWeeks", 1, 535, 52, true, kOutOfSampleControl},
        {"PlateauSignal", 0, 50, 5, false, kPlateauRadiusControl},
        {"PlateauStopLoss", 0, 50, 5, false, kPlateauRadiusControl},
        {"PlateauTakeProfit", 0, 50, 5, false, kPlateauRadiusControl},
        {"PlateauHold", 0, 50, 5, false, kPlateauRadiusControl},
    };
    auto form = Start();
    const auto text = [](int min, int max, int value, bool on) {
        return QStringLiteral("%1..%2 at %3, %4").arg(min).arg(max).arg(value).arg(on ? "on" : "off");
    };
    for (const Spin& s : spins) {
        auto* spin = Get<QSpinBox>(Page(*form), QString::fromLatin1(s.Name));
        const QString got = text(spin->minimum(), spin->maximum(), spin->value(), spin->isEnabled());
        const QString want = text(s.Minimum, s.Maximum, s.Value, s.Enabled);
        QVERIFY2(got == want, qPrintable(QString::fromLatin1(s.Name) + ": " + got + ", not " + want));
        QVERIFY2(s.Core.Min == s.Minimum && s.Core.Max == s.Maximum, s.Name);
    }
    QCOMPARE(kMinEntriesControl.Default, 30);
    QCOMPARE(kBestRowsControl.Default, 20);
    QVERIFY(!Get<QPushButton>(Page(*form), "StopButton")->isEnabled());
    QCOMPARE(Get<QComboBox>(Page(*form), "MetricBox")->currentText(), QStringLiteral("Пункты"));
}

// The metric box and the single-pair page's bars against the core's controls
// module (the spin boxes are in controlsStartAtTheirDefaults).
void OptimisationPageTest::formsKeepTheCoreRanges()
{
    auto form = Start();
    OptimisationPage& page = Page(*form);
    auto spans = [](auto* control, const ControlRange& range) {
        return control->minimum() == range.Min && control->maximum() == range.Max;
    };
    auto* metrics = Get<QComboBox>(page, "MetricBox");
    QCOMPARE(metrics->count(), static_cast<int>(kMetricNames.size()));
    for (const MetricName& m : kMetricNames) {
        const std::string_view caption = MetricCaption(m.Metric);
        QCOMPARE(metrics->itemText(static_cast<int>(m.Metric)),
                 QString::fromUtf8(caption.data(), static_cast<qsizetype>(caption.size())));
    }

    // The single-pair page's bars; the signal bar opens on its narrow range.
    struct Bar {
        const char* Name;
        ControlRange Range;
    };
    for (const Bar& b : {Bar{"TrackBar4", kNarrowSignalControl}, Bar{"TrackBar6", kStopLossControl},
                         Bar{"TrackBar7", kTakeProfitControl}, Bar{"TrackBar12", kHoldControl},
                         Bar{"TrackBar5", kFirstWeekControl}, Bar{"TrackBar11", kLastWeekControl}}) {
        auto* bar = Get<TTrackBar>(*form, QString::fromLatin1(b.Name));
        QVERIFY2(spans(bar, b.Range), b.Name);
        QCOMPARE(bar->value(), b.Range.Default);
    }
}

void OptimisationPageTest::sweepFillsHeatmapAndBestRows()
{
    auto form = Start();
    OptimisationPage& page = Page(*form);
    SmallGrid(page);
    Get<QCheckBox>(page, "ForwardChecked")->setChecked(true);
    SetSpin(page, "WeekTo", 60);
    SetSpin(page, "ForwardFrom", 61);
    Sweep(page);
    QVERIFY(dialogs_->messages.isEmpty());

    // The page's sweep is the core's sweep of the same parameters.
    SweepParams p;
    p.PairName = "EURUSD";
    p.Grid = {{80, 95}, {20, 40}, {10, 30}, std::nullopt};
    p.Weeks = {0, 60};
    p.Forward = WeekRange{61, 535};
    p.MinEntries = 5;
    const SweepOutcome want = RunSweep(p, Table()[1]);
    const SweepOutcome* got = page.Outcome();
    QVERIFY(got);
    QVERIFY(!got->Stopped);
    QCOMPARE(got->Cells.size(), want.Cells.size());
    QVERIFY(std::memcmp(got->Cells.data(), want.Cells.data(), want.Cells.size() * sizeof(float)) == 0);

    auto* table = Get<QTableWidget>(page, "BestTable");
    QCOMPARE(table->rowCount(), static_cast<int>(want.Best.size()));
    QCOMPARE(table->columnCount(), 14); // ten in-sample figures and four of the forward weeks
    for (int row = 0; row < table->rowCount(); ++row) {
        const SweepRow& r = want.Best[static_cast<std::size_t>(row)];
        QCOMPARE(table->item(row, 0)->text().toInt(), r.Signal);
        QCOMPARE(table->item(row, 1)->text().toInt(), r.StopLoss);
        QCOMPARE(table->item(row, 2)->text().toInt(), r.TakeProfit);
        QCOMPARE(table->item(row, 4)->text().toInt(), r.Result.Entries);
        QCOMPARE(table->item(row, 7)->text().toLongLong(), static_cast<long long>(r.Figures.Net));
        QCOMPARE(table->item(row, 10)->text().toInt(), r.Forward->Entries);
        QCOMPARE(table->item(row, 11)->text().toLongLong(), static_cast<long long>(r.ForwardFigures->Net));
    }
    QCOMPARE(Get<QProgressBar>(page, "SweepProgress")->value(), 1000);
    QVERIFY(Get<QLabel>(page, "StatusLabel")->text().startsWith(QStringLiteral("Готово: 7056 комбинаций")));
    QVERIFY(Get<QPushButton>(page, "StartButton")->isEnabled());
    QVERIFY(!Get<QPushButton>(page, "StopButton")->isEnabled());

    // The heatmap shows the best row's signal value, coloured from its
    // lowest to its highest cell; the best row's cell is the highest.
    auto* heatmap = Get<SweepHeatmap>(page, "Heatmap");
    const SweepRow& top = want.Best.front();
    QCOMPARE(Get<QSlider>(page, "SignalSlider")->value(), top.Signal);
    QCOMPARE(heatmap->Image().size(), QSize(21, 21));
    QCOMPARE(heatmap->Highest(), static_cast<float>(top.Figures.Net));
    QCOMPARE(page.ShownSignal(top.StopLoss, top.TakeProfit), top.Signal);
    int sl = 0, tp = 0;
    QVERIFY(heatmap->CellAt(heatmap->CellCentre(top.StopLoss, top.TakeProfit), sl, tp));
    QCOMPARE(sl, top.StopLoss);
    QCOMPARE(tp, top.TakeProfit);
}

void OptimisationPageTest::sliderAndBestBySignalChooseTheLayer()
{
    auto form = Start();
    OptimisationPage& page = Page(*form);
    SmallGrid(page);
    Sweep(page);
    const SweepOutcome& out = *page.Outcome();
    auto* heatmap = Get<SweepHeatmap>(page, "Heatmap");
    auto* slider = Get<QSlider>(page, "SignalSlider");
    QCOMPARE(slider->minimum(), 80);
    QCOMPARE(slider->maximum(), 95);

    // One signal value: the layer is its cells.
    slider->setValue(88);
    QCOMPARE(Get<QLabel>(page, "SignalLabel")->text(), QStringLiteral("88 п"));
    float low = INFINITY, high = -INFINITY;
    for (int sl = 20; sl <= 40; ++sl)
        for (int tp = 10; tp <= 30; ++tp) {
            QCOMPARE(page.ShownSignal(sl, tp), 88);
            low = std::min(low, out.Cell(88, sl, tp));
            high = std::max(high, out.Cell(88, sl, tp));
        }
    QCOMPARE(heatmap->Lowest(), low);
    QCOMPARE(heatmap->Highest(), high);

    // The best over all signal values with enough entries, per cell.
    Get<QCheckBox>(page, "BestBySignal")->setChecked(true);
    QVERIFY(!slider->isEnabled());
    for (int sl = 20; sl <= 40; sl += 5)
        for (int tp = 10; tp <= 30; tp += 5) {
            int bestSignal = 0;
            float best = NAN;
            for (int sig = 80; sig <= 95; ++sig) {
                const float v = out.Cell(sig, sl, tp);
                if (out.EntriesBySignal[sig - 80] >= 5 && !std::isnan(v) && (std::isnan(best) || v > best)) {
                    best = v;
                    bestSignal = sig;
                }
            }
            QCOMPARE(page.ShownSignal(sl, tp), bestSignal);
        }
    QCOMPARE(heatmap->Highest(), static_cast<float>(out.Best.front().Figures.Net));
}

void OptimisationPageTest::signalLabelSaysWhenEveryValueIsShown()
{
    auto form = Start();
    OptimisationPage& page = Page(*form);
    SmallGrid(page);
    Sweep(page);
    auto* label = Get<QLabel>(page, "SignalLabel");
    auto* best = Get<QCheckBox>(page, "BestBySignal");
    Get<QSlider>(page, "SignalSlider")->setValue(90);
    QCOMPARE(label->text(), QStringLiteral("90 п"));
    // The disabled slider's value is not what the map shows.
    best->setChecked(true);
    QCOMPARE(label->text(), QStringLiteral("все значения"));
    best->setChecked(false);
    QCOMPARE(label->text(), QStringLiteral("90 п"));
}

void OptimisationPageTest::tooltipShowsTheCombinationAndItsFigures()
{
    auto form = Start();
    OptimisationPage& page = Page(*form);
    SmallGrid(page);
    Sweep(page);
    Get<QSlider>(page, "SignalSlider")->setValue(85);
    const QString text = page.CellTooltip(30, 25);
    const BacktestResult r = PlainRun({1, 85, 30, 25, 0, {0, 535}});
    QVERIFY2(text.startsWith(QStringLiteral("Сигнальная свеча 85 п, стоп-лосс 30 п, тейк-профит 25 п\n")),
             qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("входов %1, выходов по TP %2, по SL %3")
                               .arg(r.Entries)
                               .arg(r.TakeProfits)
                               .arg(r.StopLosses)),
             qPrintable(text));
    const long long net =
        25LL * r.TakeProfits - 30LL * r.StopLosses + r.TimeoutWinPoints - r.TimeoutLossPoints;
    QVERIFY2(text.contains(QStringLiteral("пункты %1,").arg(net)), qPrintable(text));
}

void OptimisationPageTest::holdAxisShowsTheBestHoldPerCell()
{
    auto form = Start();
    OptimisationPage& page = Page(*form);
    SmallGrid(page);
    Get<QCheckBox>(page, "HoldLimited")->setChecked(true);
    QVERIFY(Get<QSpinBox>(page, "HoldFrom")->isEnabled());
    SetSpin(page, "HoldFrom", 4);
    SetSpin(page, "HoldTo", 9);
    Sweep(page);
    const SweepOutcome& out = *page.Outcome();
    QCOMPARE(out.Combinations, 16LL * 21 * 21 * 6);
    const SweepRow& top = out.Best.front();
    QVERIFY(top.Hold.has_value());
    QVERIFY(*top.Hold >= 4 && *top.Hold <= 9);
    QCOMPARE(Get<QTableWidget>(page, "BestTable")->item(0, 3)->text().toInt(), *top.Hold);
    QVERIFY(page.CellTooltip(top.StopLoss, top.TakeProfit)
                .contains(QStringLiteral("удержание %1 ч").arg(*top.Hold)));
}

void OptimisationPageTest::coloursRunFromTheLowestToTheHighestCell()
{
    // Profitability has no value with a stop-loss of 0 points: those cells
    // are grey; the others run from dark blue (lowest) to yellow (highest).
    auto form = Start();
    OptimisationPage& page = Page(*form);
    SmallGrid(page);
    SetSpin(page, "StopLossFrom", 0);
    Get<QComboBox>(page, "MetricBox")->setCurrentIndex(1);
    Sweep(page);
    const SweepOutcome& out = *page.Outcome();
    auto* heatmap = Get<SweepHeatmap>(page, "Heatmap");
    const int signal = Get<QSlider>(page, "SignalSlider")->value();
    int lowSl = 0, lowTp = 0, highSl = 0, highTp = 0;
    float low = INFINITY, high = -INFINITY;
    for (int sl = 0; sl <= 40; ++sl)
        for (int tp = 10; tp <= 30; ++tp) {
            const float v = out.Cell(signal, sl, tp);
            if (sl == 0) {
                QVERIFY(std::isnan(v));
                QCOMPARE(heatmap->CellColour(sl, tp), QColor(205, 205, 205));
                continue;
            }
            if (v < low) {
                low = v;
                lowSl = sl;
                lowTp = tp;
            }
            if (v > high) {
                high = v;
                highSl = sl;
                highTp = tp;
            }
        }
    QVERIFY(low < high);
    QCOMPARE(heatmap->CellColour(lowSl, lowTp), QColor(68, 1, 84));
    QCOMPARE(heatmap->CellColour(highSl, highTp), QColor(253, 231, 37));
}

void OptimisationPageTest::lowestIsBestColoursItsLowestCellBrightest()
{
    // The metric box offers every metric; a drawdown is best when lowest,
    // so its scale runs the other way.
    QVERIFY(NameOf(SweepMetric::MaxDrawdown).LowestIsBest);
    SweepHeatmap map;
    for (const bool lowestIsBest : {false, true}) {
        map.SetLayer(10, 10, 1, 3, {5, 20, 80}, QStringLiteral("t"), false, lowestIsBest);
        QCOMPARE(map.CellColour(10, lowestIsBest ? 1 : 3), QColor(253, 231, 37));
        QCOMPARE(map.CellColour(10, lowestIsBest ? 3 : 1), QColor(68, 1, 84));
    }
}

void OptimisationPageTest::pointsColourEachSideOfZeroOnItsOwnScale_data()
{
    QTest::addColumn<float>("value");
    QTest::addColumn<QColor>("colour");
    // One row of take-profits 1..5 holding -5764, -2882, 0, 346,5 and 693,
    // as the demo AUDJPY's points run: the best gain is as green as the
    // worst loss is red.
    QTest::newRow("worst loss") << -5764.0f << QColor(200, 30, 40);
    QTest::newRow("half the worst loss") << -2882.0f << QColor::fromRgbF(0.8921569f, 0.5588235f, 0.5784314f);
    QTest::newRow("zero is white") << 0.0f << QColor(255, 255, 255);
    QTest::newRow("half the best gain") << 346.5f << QColor::fromRgbF(0.5392157f, 0.7745098f, 0.6372549f);
    QTest::newRow("best gain") << 693.0f << QColor(20, 140, 70);
}

void OptimisationPageTest::pointsColourEachSideOfZeroOnItsOwnScale()
{
    QFETCH(float, value);
    QFETCH(QColor, colour);
    SweepHeatmap map;
    map.SetLayer(1, 1, 1, 5, {-5764.0f, -2882.0f, 0.0f, 346.5f, 693.0f}, QStringLiteral("Пункты"), true);
    const std::vector<float> row = {-5764.0f, -2882.0f, 0.0f, 346.5f, 693.0f};
    const int tp = static_cast<int>(std::find(row.begin(), row.end(), value) - row.begin()) + 1;
    const QColor got = map.CellColour(1, tp);
    // Within one step of 255 per channel.
    QVERIFY2(std::abs(got.red() - colour.red()) <= 1 && std::abs(got.green() - colour.green()) <= 1 &&
                 std::abs(got.blue() - colour.blue()) <= 1,
             qPrintable(got.name() + QStringLiteral(", not ") + colour.name()));
}

void OptimisationPageTest::reversedRangeIsRefused()
{
    auto form = Start();
    OptimisationPage& page = Page(*form);
    SetSpin(page, "StopLossFrom", 100);
    SetSpin(page, "StopLossTo", 50);
    Get<QPushButton>(page, "StartButton")->click();
    QVERIFY(!page.Running());
    QCOMPARE(dialogs_->messages.size(), 1);
    QCOMPARE(dialogs_->messages[0].Text, QStringLiteral("Стоп-лосс: начало больше конца."));
}

void OptimisationPageTest::forwardWeeksOverlappingTheSweptWeeksAreWarned_data()
{
    QTest::addColumn<bool>("forward");
    QTest::addColumn<QList<int>>("weeks"); // swept first, last, forward first, last
    QTest::addColumn<QString>("warning");  // empty: none shown
    QTest::newRow("forward inside the swept weeks")
        << true << QList<int>{0, 535, 400, 535}
        << "Недели 400–535 входят и в подбор, и в проверку: цифры «(пров.)» на них не независимы от подбора";
    QTest::newRow("forward touching the start") << true << QList<int>{100, 200, 50, 100}
                                                << "Недели 100–100 входят и в подбор, и в проверку: цифры "
                                                   "«(пров.)» на них не независимы от подбора";
    QTest::newRow("forward after the swept weeks") << true << QList<int>{0, 399, 400, 535} << QString();
    QTest::newRow("no forward check") << false << QList<int>{0, 535, 400, 535} << QString();
}

void OptimisationPageTest::forwardWeeksOverlappingTheSweptWeeksAreWarned()
{
    QFETCH(bool, forward);
    QFETCH(QList<int>, weeks);
    QFETCH(QString, warning);
    auto form = Start();
    OptimisationPage& page = Page(*form);
    Get<QCheckBox>(page, "ForwardChecked")->setChecked(forward);
    SetSpin(page, "WeekFrom", weeks[0]);
    SetSpin(page, "WeekTo", weeks[1]);
    SetSpin(page, "ForwardFrom", weeks[2]);
    SetSpin(page, "ForwardTo", weeks[3]);
    auto* label = Get<QLabel>(page, "ForwardOverlapLabel");
    QCOMPARE(!label->isHidden(), !warning.isEmpty());
    QCOMPARE(label->text(), warning);

    // Unchecking the forward check takes the warning away.
    Get<QCheckBox>(page, "ForwardChecked")->setChecked(false);
    QVERIFY(label->isHidden());
}

void OptimisationPageTest::stopKeepsWhatWasFound()
{
    auto form = Start();
    OptimisationPage& page = Page(*form);
    Get<QCheckBox>(page, "HoldLimited")->setChecked(true); // the whole four-axis grid: many seconds
    QSignalSpy ended(&page, &OptimisationPage::SweepEnded);
    Get<QPushButton>(page, "StartButton")->click();
    QVERIFY(Get<QPushButton>(page, "StopButton")->isEnabled());
    QVERIFY(!Get<QPushButton>(page, "StartButton")->isEnabled());
    QTest::qWait(300);
    Get<QPushButton>(page, "StopButton")->click();
    QVERIFY(ended.wait(10000));
    QVERIFY(page.Outcome()->Stopped);
    QVERIFY(page.Outcome()->Combinations < page.Outcome()->Grid.Combinations());
    QVERIFY(Get<QLabel>(page, "StatusLabel")->text().startsWith(QStringLiteral("Остановлено")));
    QVERIFY(Get<QPushButton>(page, "StartButton")->isEnabled());
    QVERIFY(!Get<QPushButton>(page, "StopButton")->isEnabled());
}

void OptimisationPageTest::windowStaysResponsiveDuringASweep()
{
    auto form = Start();
    form->show();
    OptimisationPage& page = Page(*form);
    Get<QCheckBox>(page, "HoldLimited")->setChecked(true);
    Get<QPushButton>(page, "StartButton")->click();
    QVERIFY(page.Running());

    // The event loop keeps turning: timers fire, pages switch, the progress
    // bar moves, all while the sweep runs.
    int ticks = 0;
    QTimer timer;
    connect(&timer, &QTimer::timeout, [&ticks] { ++ticks; });
    timer.start(10);
    auto* pages = Get<QTabWidget>(*form, "PageControl1");
    pages->setCurrentIndex(1);
    QTRY_VERIFY_WITH_TIMEOUT(ticks >= 5, 5000);
    QCOMPARE(pages->currentIndex(), 1);
    QTRY_VERIFY_WITH_TIMEOUT(Get<QProgressBar>(page, "SweepProgress")->value() > 0, 20000);
    QVERIFY(page.Running());
    page.StopSweep();
    QSignalSpy ended(&page, &OptimisationPage::SweepEnded);
    QVERIFY(ended.wait(10000));
}

void OptimisationPageTest::closingTheWindowMidSweepStopsIt()
{
    auto form = Start();
    form->show();
    OptimisationPage& page = Page(*form);
    Get<QCheckBox>(page, "HoldLimited")->setChecked(true);
    Get<QPushButton>(page, "StartButton")->click();
    QVERIFY(page.Running());
    QTest::qWait(100);
    QElapsedTimer closing;
    closing.start();
    QVERIFY(form->close());
    form.reset(); // the page waits for its sweep, which stops between two columns
    QVERIFY2(closing.elapsed() < 5000, "the sweep did not stop");
    QVERIFY(dialogs_->messages.isEmpty());
}

void OptimisationPageTest::chosenCombinationRunsOnTheSinglePairPage_data()
{
    QTest::addColumn<int>("signal");
    QTest::addColumn<int>("stopLoss");
    QTest::addColumn<int>("takeProfit");
    QTest::addColumn<int>("hold");
    QTest::addColumn<int>("firstWeek");
    QTest::addColumn<int>("lastWeek");
    QTest::addColumn<bool>("widened");
    QTest::newRow("inside the narrow signal range") << 100 << 60 << 40 << 0 << 0 << 535 << false;
    QTest::newRow("signal 60 widens the bar") << 60 << 30 << 20 << 0 << 0 << 535 << true;
    QTest::newRow("signal 300 widens the bar") << 300 << 150 << 100 << 0 << 0 << 535 << true;
    QTest::newRow("holding limit 12") << 90 << 50 << 25 << 12 << 0 << 535 << false;
    QTest::newRow("restricted weeks") << 85 << 100 << 50 << 0 << 10 << 80 << false;
    QTest::newRow("week 0 to 40 with a hold of 1") << 120 << 0 << 0 << 1 << 0 << 40 << false;
}

void OptimisationPageTest::chosenCombinationRunsOnTheSinglePairPage()
{
    QFETCH(int, signal);
    QFETCH(int, stopLoss);
    QFETCH(int, takeProfit);
    QFETCH(int, hold);
    QFETCH(int, firstWeek);
    QFETCH(int, lastWeek);
    QFETCH(bool, widened);
    auto form = Start();
    const ChosenCombination c{1, signal, stopLoss, takeProfit, hold, {firstWeek, lastWeek}};
    emit Page(*form).CombinationChosen(c);

    QCOMPARE(Get<QTabWidget>(*form, "PageControl1")->currentIndex(), 1);
    QCOMPARE(Get<QComboBox>(*form, "ComboBox1")->currentIndex(), 0);
    QCOMPARE(Get<TTrackBar>(*form, "TrackBar4")->value(), signal);
    QCOMPARE(Get<TTrackBar>(*form, "TrackBar4")->maximum(), widened ? 500 : 150);
    QCOMPARE(Get<QCheckBox>(*form, "CheckBox4")->isChecked(), widened);
    QCOMPARE(Caption(*form, "Label77"), QStringLiteral("%1 п").arg(signal));
    QCOMPARE(Get<TTrackBar>(*form, "TrackBar6")->value(), stopLoss);
    QCOMPARE(Get<TTrackBar>(*form, "TrackBar7")->value(), takeProfit);
    QCOMPARE(Get<QCheckBox>(*form, "CheckBox5")->isChecked(), hold > 0);
    if (hold > 0)
        QCOMPARE(Get<TTrackBar>(*form, "TrackBar12")->value(), hold);
    QCOMPARE(Get<QCheckBox>(*form, "CheckBox3")->isChecked(), firstWeek != 0 || lastWeek != 535);

    // "Рассчитать" was pressed: the labels are those of the plain run.
    const BacktestResult r = PlainRun(c);
    QCOMPARE(Caption(*form, "Label79"), QString::number(r.Entries));
    QCOMPARE(Caption(*form, "Label64"), QStringLiteral("%1 (%2 п)")
                                            .arg(r.TakeProfits)
                                            .arg(static_cast<long long>(r.TakeProfits) * takeProfit));
    QCOMPARE(
        Caption(*form, "Label71"),
        QStringLiteral("%1 (%2 п)").arg(r.StopLosses).arg(static_cast<long long>(r.StopLosses) * stopLoss));
    QCOMPARE(Caption(*form, "Label95"), QStringLiteral("%1 (%2)").arg(r.TimeoutWins).arg(r.TimeoutWinPoints));
}

void OptimisationPageTest::doubleClicksPickARowAndACell()
{
    auto form = Start();
    form->show();
    OptimisationPage& page = Page(*form);
    SmallGrid(page);
    Get<QTabWidget>(*form, "PageControl1")->setCurrentWidget(&page);
    Sweep(page);
    QSignalSpy chosen(&page, &OptimisationPage::CombinationChosen);

    // The third best row.
    auto* table = Get<QTableWidget>(page, "BestTable");
    const SweepRow& third = page.Outcome()->Best.at(2);
    QTest::qWait(0); // lay the filled table out
    const QRect cell = table->visualRect(table->model()->index(2, 0));
    QVERIFY2(table->viewport()->rect().contains(cell.center()), "the row is not on screen");
    // A view takes a double click only on the row a press went to first.
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, cell.center());
    QCOMPARE(chosen.size(), 1);
    auto c = chosen.takeFirst().at(0).value<ChosenCombination>();
    QCOMPARE(c.Signal, third.Signal);
    QCOMPARE(c.StopLoss, third.StopLoss);
    QCOMPARE(c.TakeProfit, third.TakeProfit);
    QCOMPARE(Get<TTrackBar>(*form, "TrackBar4")->value(), third.Signal);
    QCOMPARE(Caption(*form, "Label79"), QString::number(third.Result.Entries));

    // A cell of the heatmap at signal 90.
    Get<QTabWidget>(*form, "PageControl1")->setCurrentWidget(&page);
    Get<QSlider>(page, "SignalSlider")->setValue(90);
    auto* heatmap = Get<SweepHeatmap>(page, "Heatmap");
    QTest::mouseDClick(heatmap, Qt::LeftButton, {}, heatmap->CellCentre(33, 17));
    QCOMPARE(chosen.size(), 1);
    c = chosen.takeFirst().at(0).value<ChosenCombination>();
    QCOMPARE(c.Signal, 90);
    QCOMPARE(c.StopLoss, 33);
    QCOMPARE(c.TakeProfit, 17);
    QCOMPARE(Get<TTrackBar>(*form, "TrackBar6")->value(), 33);
    QCOMPARE(Caption(*form, "Label79"), QString::number(PlainRun(c).Entries));
}

void OptimisationPageTest::backgroundRunHandsItsResultBack()
{
    QProgressBar bar;
    bar.setRange(0, 200);
    bar.setValue(130);
    BackgroundRun run(&bar);
    QThread* worker = nullptr;
    QThread* handler = nullptr;
    std::optional<RunEnd<int>> got;
    QVERIFY(run.Start(
        [&worker](std::stop_token, const BackgroundRun::Progress& progress) {
            worker = QThread::currentThread();
            progress(3, 8);
            return 42;
        },
        [&](RunEnd<int> end) {
            handler = QThread::currentThread();
            got = std::move(end);
        }));
    QVERIFY(run.Running());
    QCOMPARE(bar.value(), 0); // a new run starts the bar again
    QTRY_VERIFY_WITH_TIMEOUT(got.has_value(), 10000);
    QVERIFY(!run.Running());
    QCOMPARE(got->Value.value_or(-1), 42);
    QVERIFY(got->Error.isEmpty());
    QVERIFY(worker != nullptr && worker != QThread::currentThread());
    QCOMPARE(handler, QThread::currentThread());
    QCOMPARE(bar.value(), 75); // 3 of 8 steps on a bar of 200
}

void OptimisationPageTest::backgroundRunStopsOnCancelOrWhenGoneAndHandsBackErrors()
{
    std::atomic<int> began = 0, returned = 0;
    const auto untilStopped = [&](std::stop_token stop, const BackgroundRun::Progress&) {
        ++began;
        while (!stop.stop_requested())
            QThread::msleep(1);
        return ++returned;
    };
    std::optional<RunEnd<int>> got;
    {
        BackgroundRun run(nullptr);
        QVERIFY(run.Start(untilStopped, [&got](RunEnd<int> end) { got = std::move(end); }));
        QTRY_COMPARE_WITH_TIMEOUT(began.load(), 1, 10000);
        QVERIFY(!run.Start(untilStopped, [](RunEnd<int>) {})); // one task at a time
        run.Cancel();
        QTRY_VERIFY_WITH_TIMEOUT(got.has_value(), 10000);
        QCOMPARE(got->Value.value_or(0), 1); // the task saw the stop and returned

        // Going away mid-task stops it and waits for it, with no one left to tell.
        got.reset();
        QVERIFY(run.Start(untilStopped, [&got](RunEnd<int> end) { got = std::move(end); }));
        QTRY_COMPARE_WITH_TIMEOUT(began.load(), 2, 10000);
    }
    QCOMPARE(returned.load(), 2);
    QTest::qWait(20);
    QVERIFY(!got);

    BackgroundRun failing(nullptr);
    const auto fail = [](std::stop_token, const BackgroundRun::Progress&) -> int {
        throw std::runtime_error("нет недель");
    };
    QVERIFY(failing.Start(fail, [&got](RunEnd<int> end) { got = std::move(end); }));
    QTRY_VERIFY_WITH_TIMEOUT(got.has_value(), 10000);
    QVERIFY(!got->Value);
    QCOMPARE(got->Error, QStringLiteral("нет недель"));
}

QUILLET_WINDOW_TEST(OptimisationPageTest);
#include "OptimisationPageTest.moc"
