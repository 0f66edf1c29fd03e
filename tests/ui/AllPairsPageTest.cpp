// The page "Статистика по всем инструментам": the all-pairs run behind
// BitBtn2, its progress bar and labels, and the switch CheckBox7. The page
// is disabled, so its controls are driven by emitting their signals, which
// is what a click would do.

#include "UiTestSupport.h"
#include "engine/Portfolio.h"
#include "report/PortfolioReport.h"
#include "store/Files.h"
#include "ui/Controls.h"
#include "ui/Unit1.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QtTest>

#include <stdexcept>

using namespace quillet;
using namespace quillet::test;

namespace {

/// The control's own Enabled setting; the disabled page around it would
/// make isEnabled() false whatever the switch did.
bool OwnEnabled(QObject& form, const QString& name)
{
    return !Get<QWidget>(form, name)->testAttribute(Qt::WA_ForceDisabled);
}

QStringList Names(const char* prefix, int from, int to)
{
    QStringList names;
    for (int i = from; i <= to; ++i)
        names << QString::fromLatin1(prefix) + QString::number(i);
    return names;
}

const QStringList kCommonGroup = Names("Label", 100, 105) + Names("TrackBar", 8, 10);
const QStringList kPerPairGroup = Names("Label", 172, 178) + Names("Label", 187, 192) + Names("Lab", 0, 6) +
                                  QStringList{"ComboBox3", "Button11", "Button12"} +
                                  Names("TrackBar", 16, 18);

/// Ten quiet weeks (10 points each) from Sunday 9 January 2005, except week
/// `signalWeek`, which rises 120 points from 1.2000 to 1.2120: the longest
/// candle of that week, so the run sells this pair on the Monday after at
/// 1.2000, take-profit 1.1950 and stop-loss 1.2100 with the page's default
/// 50 and 100 points. The entry hour runs 20 points against the sale; the
/// second hour falls through 1.1950 (`wins`) or rises through 1.2100.
std::unique_ptr<Instrument> TradingPair(const std::string& name, int signalWeek, bool wins)
{
    auto inst = NewInstrument(name);
    FillQuietWeeks(*inst, 10);
    const double sunday = Day(2005, 1, 9) + 7.0 * (signalWeek - 1);
    SetCandle(inst->Week[signalWeek], sunday, "00", 1.2000, 1.2130, 1.1990, 1.2120);
    const double monday = sunday + 8;
    SetCandle(inst->Hour[1], monday, "00", 1.2000, 1.2020, 1.1980, 1.2000);
    if (wins)
        SetCandle(inst->Hour[2], monday + 1 / 24.0, "01", 1.2000, 1.2010, 1.1940, 1.1950);
    else
        SetCandle(inst->Hour[2], monday + 1 / 24.0, "01", 1.2000, 1.2110, 1.1990, 1.2100);
    return inst;
}

} // namespace

class AllPairsPageTest : public quillet::test::WindowTest {
    Q_OBJECT
  private slots:
    void runWritesEveryLabelOfFiveLoadedPairs();
    void runReadsTheCommonTrackBars();
    void signalEqualToTheMinimumOpensNoTrade();
    void figuresWithoutValueReadDash();
    void emptyTableStillWritesEveryFigure();
    void progressBarIsEnlargedDuringTheRunAndHiddenAfter();
    void progressBarIsHiddenWhenTheRunFails();
    void pageStaysDisabled();
    void switchAfterOneClickEnablesTheCommonGroup();
    void switchAfterTwoClicksEnablesThePerPairGroup();
    void switchIgnoresTheCheckMark();
    void perPairTrackBarsRewriteTheCommonLabels();

  private:
    /// Five pairs in slots 1 to 5, each traded once, in weeks 1 to 5:
    /// take-profit, take-profit, take-profit, stop-loss, take-profit.
    std::unique_ptr<TForm1> StartWithFivePairs();
    void Run(TForm1& form);
};

std::unique_ptr<TForm1> AllPairsPageTest::StartWithFivePairs()
{
    const std::vector<std::string> names{"AUDUSD", "EURAUD", "GBPUSD", "EURUSD", "EURCAD"};
    const bool wins[] = {true, true, true, false, true};
    for (int s = 0; s < 5; ++s)
        WriteInstrument(*dir_, names[s], *TradingPair(names[s], s + 1, wins[s]));
    WriteConfig(*dir_, names);
    auto form = std::make_unique<TForm1>(dir_->dir());
    if (!dialogs_->messages.isEmpty())
        throw std::runtime_error("start-up failed: " + dialogs_->messages[0].Text.toStdString());
    return form;
}

void AllPairsPageTest::Run(TForm1& form)
{
    // BitBtn2 is disabled: a click would not reach the handler, the signal does.
    emit Get<QPushButton>(form, "BitBtn2")->clicked(false);
}

void AllPairsPageTest::runWritesEveryLabelOfFiveLoadedPairs()
{
    auto form = StartWithFivePairs();
    Run(*form);
    QVERIFY(dialogs_->messages.isEmpty());

    // Five counted trades: four take-profits after one hour with 20 points
    // against the position, and one stop-loss in week 4.
    QCOMPARE(Caption(*form, "Label148"), QStringLiteral("5"));
    QCOMPARE(Caption(*form, "Label142"), QStringLiteral("4"));
    QCOMPARE(Caption(*form, "Label144"), QStringLiteral("1"));
    QCOMPARE(Caption(*form, "Label146"), QStringLiteral("80%"));
    QCOMPARE(Caption(*form, "Label154"), QStringLiteral("1"));
    QCOMPARE(Caption(*form, "Label150"), QStringLiteral("20"));
    QCOMPARE(Caption(*form, "Label152"), QStringLiteral("20"));
    QCOMPARE(Caption(*form, "Label158"), QStringLiteral("2")); // 50 x 4 over 100 x 1
    // TP, TP, TP, SL, TP: the series of three counts, the lone stop-loss does not.
    QCOMPARE(Caption(*form, "Label167"), QStringLiteral("3"));
    QCOMPARE(Caption(*form, "Label169"), QStringLiteral("-"));
    QCOMPARE(Caption(*form, "Label133"), QStringLiteral("1 (1E02%)"));
    QCOMPARE(Caption(*form, "Label135"), QStringLiteral("1 (1E02%)"));
    QCOMPARE(Caption(*form, "Label136"), QStringLiteral("1 (0%)"));
    QCOMPARE(Caption(*form, "Label137"), QStringLiteral("1 (1E02%)"));
    // Slots 6 and 7 are empty: rows with no trade, and no error.
    QCOMPARE(Caption(*form, "Label138"), QStringLiteral("0 (-)"));
    QCOMPARE(Caption(*form, "Label139"), QStringLiteral("0 (-)"));
    // The row captions name the layout's pairs, whatever the slots hold.
    QCOMPARE(Caption(*form, "Label126"), QStringLiteral("AUDJPY"));

    // Every label is the core's text for the same table and parameters.
    const PortfolioParams params;
    const std::vector<LabelText> labels =
        MakePortfolioReport(params, RunPortfolioBacktest(params, {}, Table()));
    QCOMPARE(labels.size(), std::size_t(17));
    for (const LabelText& item : labels)
        QCOMPARE(Caption(*form, QString::fromStdString(item.Label)), QString::fromStdString(item.Text));
}

void AllPairsPageTest::runReadsTheCommonTrackBars()
{
    auto form = StartWithFivePairs();
    // A take-profit of 10 points: the entry hour (1.1980 to 1.2020) reaches
    // 1.1990 at once, so all five trades win after 0 hours, no drawdown.
    Get<TTrackBar>(*form, "TrackBar10")->setValue(10);
    Get<TTrackBar>(*form, "TrackBar9")->setValue(30);
    Run(*form);
    QCOMPARE(Caption(*form, "Label142"), QStringLiteral("5"));
    QCOMPARE(Caption(*form, "Label144"), QStringLiteral("0"));
    QCOMPARE(Caption(*form, "Label154"), QStringLiteral("0"));
    QCOMPARE(Caption(*form, "Label152"), QStringLiteral("0"));

    PortfolioParams params;
    params.StopLossPoints = 30;
    params.TakeProfitPoints = 10;
    for (const LabelText& item : MakePortfolioReport(params, RunPortfolioBacktest(params, {}, Table())))
        QCOMPARE(Caption(*form, QString::fromStdString(item.Label)), QString::fromStdString(item.Text));
}

void AllPairsPageTest::signalEqualToTheMinimumOpensNoTrade()
{
    auto form = StartWithFivePairs();
    auto* signal = Get<TTrackBar>(*form, "TrackBar8");
    signal->setValue(119); // the 120-point candles are longer: five trades
    Run(*form);
    QCOMPARE(Caption(*form, "Label148"), QStringLiteral("5"));
    signal->setValue(120); // equal is not enough
    Run(*form);
    QCOMPARE(Caption(*form, "Label148"), QStringLiteral("0"));
    QCOMPARE(Caption(*form, "Label133"), QStringLiteral("0 (-)"));
    QVERIFY(dialogs_->messages.isEmpty());
}

void AllPairsPageTest::figuresWithoutValueReadDash()
{
    auto form = StartWithFivePairs();
    // No stop-loss distance: the stop sits at the entry price, inside every
    // entry hour, so all five trades stop out at once.
    Get<TTrackBar>(*form, "TrackBar9")->setValue(0);
    Run(*form);
    QVERIFY(dialogs_->messages.isEmpty());
    QCOMPARE(Caption(*form, "Label148"), QStringLiteral("5"));
    QCOMPARE(Caption(*form, "Label142"), QStringLiteral("0"));
    QCOMPARE(Caption(*form, "Label146"), QStringLiteral("0%"));
    QCOMPARE(Caption(*form, "Label154"), QStringLiteral("-"));
    QCOMPARE(Caption(*form, "Label150"), QStringLiteral("-"));
    QCOMPARE(Caption(*form, "Label158"), QStringLiteral("-"));
    QCOMPARE(Caption(*form, "Label167"), QStringLiteral("-"));
    QCOMPARE(Caption(*form, "Label169"), QStringLiteral("5"));
    QCOMPARE(Caption(*form, "Label139"), QStringLiteral("0 (-)"));
}

void AllPairsPageTest::emptyTableStillWritesEveryFigure()
{
    auto empty = std::make_unique<TForm1>(dir_->dir());
    Run(*empty);
    QVERIFY(dialogs_->messages.isEmpty());
    QCOMPARE(Caption(*empty, "Label148"), QStringLiteral("0"));
    QCOMPARE(Caption(*empty, "Label146"), QStringLiteral("-"));
    QCOMPARE(Caption(*empty, "Label167"), QStringLiteral("-"));
    QCOMPARE(Caption(*empty, "Label133"), QStringLiteral("0 (-)"));
    QVERIFY(Get<QProgressBar>(*empty, "ProgressBar3")->isHidden());
}

void AllPairsPageTest::progressBarIsEnlargedDuringTheRunAndHiddenAfter()
{
    auto form = StartWithFivePairs();
    auto* bar = Get<QProgressBar>(*form, "ProgressBar3");
    QVERIFY(bar->isHidden());
    int steps = 0;
    int stepsNotShownEnlarged = 0;
    connect(bar, &QProgressBar::valueChanged, this, [&] {
        ++steps;
        if (bar->isHidden() || bar->size() != QSize(930, 170))
            ++stepsNotShownEnlarged;
    });

    Run(*form);
    // 536 weekly steps from 0: 535 moves, the last step finds the bar full.
    QCOMPARE(steps, 535);
    QCOMPARE(stepsNotShownEnlarged, 0);
    QVERIFY(bar->isHidden());
    QCOMPARE(bar->size(), QSize(930, 170)); // the enlarged size stays
    QCOMPARE(bar->value(), 535);
    // Enlarged, it lies over the results table.
    QVERIFY(bar->geometry().contains(Get<QLabel>(*form, "Label133")->geometry()));
    QVERIFY(bar->geometry().contains(Get<QLabel>(*form, "Label148")->geometry()));

    // The next run starts the bar from 0 again.
    steps = 0;
    Run(*form);
    QCOMPARE(steps, 536); // back to 0, then 535 moves
    QCOMPARE(stepsNotShownEnlarged, 0);
    QVERIFY(bar->isHidden());
}

void AllPairsPageTest::progressBarIsHiddenWhenTheRunFails()
{
    auto form = StartWithFivePairs();
    // Without its fourth label the run cannot write its report: it fails
    // before the step that would hide the bar.
    delete Get<QLabel>(*form, "Label146");
    Get<QLabel>(*form, "Label154")->setText(QStringLiteral("old"));
    Run(*form);
    QCOMPARE(dialogs_->messages.size(), 1);
    QCOMPARE(dialogs_->messages[0].Kind, ui::MessageKind::Error);
    QCOMPARE(dialogs_->messages[0].Text, QStringLiteral("Label Label146 not found."));
    QVERIFY(Get<QProgressBar>(*form, "ProgressBar3")->isHidden());
    QCOMPARE(Caption(*form, "Label148"), QStringLiteral("5")); // written before the failure
    QCOMPARE(Caption(*form, "Label154"), QStringLiteral("old"));
}

void AllPairsPageTest::pageStaysDisabled()
{
    auto form = StartWithFivePairs();
    form->show();
    auto* run = Get<QPushButton>(*form, "BitBtn2");
    QVERIFY(!run->isEnabled());
    run->click(); // a disabled button does nothing
    QTest::mouseClick(run, Qt::LeftButton);
    QCOMPARE(Caption(*form, "Label148"), QStringLiteral("0"));

    Run(*form);
    QCOMPARE(Caption(*form, "Label148"), QStringLiteral("5"));
    QVERIFY(!run->isEnabled());
    for (const char* name :
         {"TabSheet1", "ListBox5", "Panel17", "Panel18", "Panel19", "BitBtn2", "CheckBox7"})
        QVERIFY2(!Get<QWidget>(*form, QString::fromLatin1(name))->isEnabled(), name);
}

void AllPairsPageTest::switchAfterOneClickEnablesTheCommonGroup()
{
    auto form = StartWithFivePairs();
    for (const QString& name : kCommonGroup + kPerPairGroup)
        QVERIFY2(!OwnEnabled(*form, name), qPrintable(name)); // both groups start disabled

    auto* box = Get<QCheckBox>(*form, "CheckBox7");
    box->setChecked(true); // what the click does to the mark
    emit box->clicked(true);
    for (const QString& name : kCommonGroup)
        QVERIFY2(OwnEnabled(*form, name), qPrintable(name));
    for (const QString& name : kPerPairGroup)
        QVERIFY2(!OwnEnabled(*form, name), qPrintable(name));
    // The page around them stays disabled.
    QVERIFY(!Get<QWidget>(*form, "TrackBar8")->isEnabled());
    QVERIFY(!OwnEnabled(*form, "Panel17"));
}

void AllPairsPageTest::switchAfterTwoClicksEnablesThePerPairGroup()
{
    auto form = StartWithFivePairs();
    auto* box = Get<QCheckBox>(*form, "CheckBox7");
    box->setChecked(true);
    emit box->clicked(true);
    box->setChecked(false);
    emit box->clicked(false);
    for (const QString& name : kCommonGroup)
        QVERIFY2(!OwnEnabled(*form, name), qPrintable(name));
    for (const QString& name : kPerPairGroup)
        QVERIFY2(OwnEnabled(*form, name), qPrintable(name));

    // A third click goes back.
    emit box->clicked(true);
    for (const QString& name : kCommonGroup)
        QVERIFY2(OwnEnabled(*form, name), qPrintable(name));
    for (const QString& name : kPerPairGroup)
        QVERIFY2(!OwnEnabled(*form, name), qPrintable(name));
}

void AllPairsPageTest::switchIgnoresTheCheckMark()
{
    auto form = StartWithFivePairs();
    auto* box = Get<QCheckBox>(*form, "CheckBox7");
    // Two signals with the mark left unchecked still alternate the groups.
    emit box->clicked(false);
    QVERIFY(OwnEnabled(*form, "Label100"));
    QVERIFY(!OwnEnabled(*form, "ComboBox3"));
    emit box->clicked(false);
    QVERIFY(!OwnEnabled(*form, "Label100"));
    QVERIFY(OwnEnabled(*form, "ComboBox3"));
    QVERIFY(!box->isChecked());
}

void AllPairsPageTest::perPairTrackBarsRewriteTheCommonLabels()
{
    auto form = StartWithFivePairs();
    Get<TTrackBar>(*form, "TrackBar16")->setValue(150);
    QCOMPARE(Caption(*form, "Label103"), QStringLiteral("100 п"));
    QCOMPARE(Caption(*form, "Label191"), QStringLiteral("00"));
    Get<TTrackBar>(*form, "TrackBar17")->setValue(10);
    QCOMPARE(Caption(*form, "Label105"), QStringLiteral("50 п"));
    Get<TTrackBar>(*form, "TrackBar18")->setValue(200);
    QCOMPARE(Caption(*form, "Label101"), QStringLiteral("85 п"));
    QCOMPARE(Caption(*form, "Lab3"), QStringLiteral("150 (SL=110,TP=50)"));

    // The run still uses the common bars: 50 x 4 over 100 x 1, not over 150.
    Run(*form);
    QCOMPARE(Caption(*form, "Label158"), QStringLiteral("2"));
    QCOMPARE(Caption(*form, "Label148"), QStringLiteral("5"));
}

QUILLET_WINDOW_TEST(AllPairsPageTest);
#include "AllPairsPageTest.moc"
