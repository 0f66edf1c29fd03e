// The page "Сделки": filled by every single-pair run, its columns and
// texts, sorting, the account's curve, the CSV copy (the same bytes as
// quillet-cli backtest --trades) and the way from a trade to the work log.

#include "ui/TradesPage.h"
#include "UiTestSupport.h"
#include "analysis/EquityCurve.h"
#include "cli/Cli.h"
#include "demo/DemoData.h"
#include "model/Dates.h"
#include "report/TradeCsv.h"
#include "ui/Controls.h"
#include "ui/Unit1.h"

#include <QAreaSeries>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeAxis>
#include <QHeaderView>
#include <QLineSeries>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTableView>
#include <QTextBlock>
#include <QValueAxis>
#include <QtTest>

#include <filesystem>
#include <set>
#include <sstream>
#include <stdexcept>

using namespace quillet;
using namespace quillet::test;

namespace {

const char* const kTitles[] = {"Неделя",      "Сигнал", "Направление", "Тело, п", "Вход",
                               "Цена входа",  "TP",     "SL",          "Выход",   "Время выхода",
                               "Цена выхода", "Часов",  "Просадка, п", "Пункты",  "Итого, п"};

/// EURUSD with twelve weeks. Week 1 rises 120 points, so on Monday 17
/// January 2005 we sell at 1.2100 (TP 1.2050, SL 1.2200); the hours drift 10
/// points against us and the sixth takes the profit at offset 5. Week 3
/// falls 100 points: on Monday 31 January we buy at 1.2000 (TP 1.2050, SL
/// 1.1900); its second hour falls to 1.1890 and stops us out.
std::unique_ptr<Instrument> TwoTradePair()
{
    auto inst = NewInstrument("EURUSD");
    FillQuietWeeks(*inst, 12);
    SetCandle(inst->Week[1], Day(2005, 1, 9), "00", 1.2000, 1.2130, 1.1990, 1.2120);
    SetCandle(inst->Week[3], Day(2005, 1, 23), "00", 1.2100, 1.2110, 1.1990, 1.2000);
    const double monday = Day(2005, 1, 17);
    for (int h = 1; h <= 6; ++h) {
        const std::string time = "0" + std::to_string(h - 1);
        SetCandle(inst->Hour[h], monday + (h - 1) / 24.0, time, 1.2100, 1.2110, 1.2090, 1.2100);
    }
    SetCandle(inst->Hour[6], monday + 5 / 24.0, "05", 1.2080, 1.2085, 1.2040, 1.2050);
    const double next = Day(2005, 1, 31);
    SetCandle(inst->Hour[7], next, "00", 1.2000, 1.2010, 1.1990, 1.2000);
    SetCandle(inst->Hour[8], next + 1 / 24.0, "01", 1.2000, 1.2005, 1.1890, 1.1900);
    return inst;
}

} // namespace

class TradesPageTest : public WindowTest {
    Q_OBJECT
  private slots:
    void pageFollowsTheWorkLog();
    void emptyBeforeAnyRun();
    void rowsShowTheTradesInWindowTexts();
    void sortsByEveryColumn();
    void curveSumsThePoints();
    void demoEurusdShows139RowsAndWritesTheCliFile();
    void loggedAndUnloggedRunsShowTheSameList();
    void doubleClickShowsTheTradesFirstLogLine();
    void doubleClickWithoutLogStaysOnThePage();
    void saveCancelledOrFailedWritesNothing();
    void newRunStartsInWeekOrder();
    void chartHasRoomAtTheDefaultSize();
    void doubleClickFindsTheLineAfterTheLogIsEdited_data();
    void doubleClickFindsTheLineAfterTheLogIsEdited();

  private:
    std::unique_ptr<TForm1> StartWith(const Instrument& inst);
    std::unique_ptr<TForm1> StartDemo();
    void SelectPair(TForm1& form, const QString& name);
    void Run(TForm1& form, bool logged);
};

std::unique_ptr<TForm1> TradesPageTest::StartWith(const Instrument& inst)
{
    auto form = Start({ShortStringText(inst.Name)}, {&inst});
    form->show();
    return form;
}

std::unique_ptr<TForm1> TradesPageTest::StartDemo()
{
    CopyDemoData(dir_->dir());
    auto form = Start();
    form->show();
    return form;
}

void TradesPageTest::SelectPair(TForm1& form, const QString& name)
{
    auto* combo = Get<QComboBox>(form, "ComboBox1");
    const int index = combo->findText(name);
    QVERIFY(index >= 0);
    combo->setCurrentIndex(index);
    emit combo->activated(index);
}

void TradesPageTest::Run(TForm1& form, bool logged)
{
    Get<QCheckBox>(form, "CheckBox6")->setChecked(logged);
    Get<QPushButton>(form, "BitBtn1")->click();
}

namespace {

ui::TradesPage* Page(TForm1& form)
{
    return Get<ui::TradesPage>(form, "TabSheet5");
}

QTableView* Table(TForm1& form)
{
    return Get<QTableView>(form, "TradesTable");
}

QString Cell(TForm1& form, int row, int column)
{
    QAbstractItemModel* m = Table(form)->model();
    return m->data(m->index(row, column)).toString();
}

QChart* Chart(TForm1& form)
{
    return Get<QChartView>(form, "TradesChart")->chart();
}

QLineSeries* SeriesNamed(TForm1& form, const QString& name)
{
    for (QAbstractSeries* s : Chart(form)->series())
        if (s->name() == name)
            if (auto* line = qobject_cast<QLineSeries*>(s))
                return line;
    throw std::runtime_error("no line series " + name.toStdString());
}

/// A shaded area of the chart.
QAreaSeries* AreaNamed(TForm1& form, const QString& name)
{
    for (QAbstractSeries* s : Chart(form)->series())
        if (s->name() == name)
            if (auto* area = qobject_cast<QAreaSeries*>(s))
                return area;
    throw std::runtime_error("no area " + name.toStdString());
}

} // namespace

// ---------------------------------------------------------------------------

void TradesPageTest::pageFollowsTheWorkLog()
{
    auto form = StartWith(*TwoTradePair());
    auto* pages = Get<QTabWidget>(*form, "PageControl1");
    QCOMPARE(pages->count(), 7);
    QCOMPARE(pages->tabText(3), QStringLiteral("Лог работы"));
    QCOMPARE(pages->tabText(4), QStringLiteral("Сделки"));
    QCOMPARE(pages->widget(4), static_cast<QWidget*>(Page(*form)));
    // The window still opens on the quotes page.
    QCOMPARE(pages->currentIndex(), 2);
    auto* model = Table(*form)->model();
    QCOMPARE(model->columnCount(), 15);
    for (int c = 0; c < 15; ++c)
        QCOMPARE(model->headerData(c, Qt::Horizontal).toString(), QString::fromUtf8(kTitles[c]));
}

void TradesPageTest::emptyBeforeAnyRun()
{
    auto form = StartWith(*TwoTradePair());
    QCOMPARE(Table(*form)->model()->rowCount(), 0);
    QVERIFY(!Get<QPushButton>(*form, "SaveTradesButton")->isEnabled());
    QCOMPARE(SeriesNamed(*form, QStringLiteral("Итого, п"))->count(), 0);
}

void TradesPageTest::rowsShowTheTradesInWindowTexts()
{
    auto form = StartWith(*TwoTradePair());
    SelectPair(*form, QStringLiteral("EURUSD"));
    Run(*form, false);
    QVERIFY(dialogs_->messages.isEmpty());
    QCOMPARE(Table(*form)->model()->rowCount(), 2);
    QVERIFY(Get<QPushButton>(*form, "SaveTradesButton")->isEnabled());
    const QStringList first = {"1",     "09.01.2005", "Продажа", "120", "17.01.2005 00:00",
                               "1,21",  "1,205",      "1,22",    "TP",  "17.01.2005 05:00",
                               "1,205", "5",          "10",      "50",  "50"};
    const QStringList second = {"3",    "23.01.2005", "Покупка", "100",  "31.01.2005 00:00",
                                "1,2",  "1,205",      "1,19",    "SL",   "31.01.2005 01:00",
                                "1,19", "1",          "110",     "-100", "-50"};
    for (int c = 0; c < 15; ++c) {
        QCOMPARE(Cell(*form, 0, c), first[c]);
        QCOMPARE(Cell(*form, 1, c), second[c]);
    }
    // After a quote import the dates follow the import format.
    SetActiveDateFormat(kImportDateFormat);
    QCOMPARE(Cell(*form, 0, 4), QStringLiteral("2005 01 17 00:00"));
    // Numbers are right-aligned, texts left.
    auto* m = Table(*form)->model();
    QCOMPARE(m->data(m->index(0, 5), Qt::TextAlignmentRole).value<Qt::Alignment>() & Qt::AlignRight,
             Qt::AlignRight);
    QCOMPARE(m->data(m->index(0, 2), Qt::TextAlignmentRole).value<Qt::Alignment>() & Qt::AlignRight,
             Qt::Alignment());
}

void TradesPageTest::sortsByEveryColumn()
{
    auto form = StartDemo();
    SelectPair(*form, QStringLiteral("EURUSD"));
    Get<QCheckBox>(*form, "CheckBox5")->click(); // a holding limit of 48 hours: time-outs too
    Run(*form, false);
    QTableView* view = Table(*form);
    QAbstractItemModel* m = view->model();
    const int rows = m->rowCount();
    QVERIFY(rows > 100);
    const std::vector<ClosedTrade>& trades = Page(*form)->Trades();

    for (int column = 0; column < 15; ++column)
        for (const Qt::SortOrder order : {Qt::AscendingOrder, Qt::DescendingOrder}) {
            view->sortByColumn(column, order);
            QCOMPARE(m->rowCount(), rows);
            std::set<int> weeks;
            for (int r = 0; r < rows; ++r) {
                weeks.insert(m->data(m->index(r, 0)).toInt());
                if (r == 0)
                    continue;
                const QVariant before = m->data(m->index(r - 1, column), ui::TradeTableModel::kSortRole);
                const QVariant here = m->data(m->index(r, column), ui::TradeTableModel::kSortRole);
                const bool inOrder = order == Qt::AscendingOrder
                                         ? QVariant::compare(before, here) != QPartialOrdering::Greater
                                         : QVariant::compare(before, here) != QPartialOrdering::Less;
                QVERIFY2(inOrder, qPrintable(QStringLiteral("%1, row %2: %3 then %4")
                                                 .arg(QString::fromUtf8(kTitles[column]))
                                                 .arg(r)
                                                 .arg(m->data(m->index(r - 1, column)).toString(),
                                                      m->data(m->index(r, column)).toString())));
            }
            // Sorting only reorders: every trade is still there once.
            QCOMPARE(weeks.size(), trades.size());
        }
}

void TradesPageTest::curveSumsThePoints()
{
    auto form = StartWith(*TwoTradePair());
    SelectPair(*form, QStringLiteral("EURUSD"));
    Run(*form, false);
    // +50, then -100: the account ends at -50 and fell 100 from its peak.
    QCOMPARE(Chart(*form)->title(), QStringLiteral("Итого: -50 п, наибольшая просадка: 100 п"));
    QLineSeries* sums = SeriesNamed(*form, QStringLiteral("Итого, п"));
    QLineSeries* peaks = SeriesNamed(*form, QStringLiteral("Максимум"));
    QAreaSeries* shaded = AreaNamed(*form, QStringLiteral("Просадка"));
    QAreaSeries* deepest = AreaNamed(*form, QStringLiteral("Наибольшая просадка"));
    QLineSeries* fall = deepest->lowerSeries();
    const QDateTime entry(QDate(2005, 1, 17), QTime(0, 0));
    const QDateTime tp(QDate(2005, 1, 17), QTime(5, 0));
    const QDateTime sl(QDate(2005, 1, 31), QTime(1, 0));
    const QList<QPointF> expectedSums = {{qreal(entry.toMSecsSinceEpoch()), 0},
                                         {qreal(tp.toMSecsSinceEpoch()), 50},
                                         {qreal(sl.toMSecsSinceEpoch()), -50}};
    QCOMPARE(sums->points(), expectedSums);
    QCOMPARE(peaks->points()[2].y(), 50.0);
    QCOMPARE(peaks->pen().widthF() < sums->pen().widthF(), true);
    // The drawdowns are shaded from the running maximum down to the curve,
    // drawn under the curve's line; the deepest is the stretch from the
    // take-profit down, under its peak of 50.
    QCOMPARE(shaded->upperSeries()->points(), peaks->points());
    QCOMPARE(shaded->lowerSeries()->points(), expectedSums);
    QCOMPARE(fall->points(), expectedSums.mid(1));
    QCOMPARE(deepest->upperSeries()->points(),
             (QList<QPointF>{{expectedSums[1].x(), 50}, {expectedSums[2].x(), 50}}));
    const QList<QAbstractSeries*> drawn = Chart(*form)->series();
    QVERIFY(drawn.indexOf(deepest) < drawn.indexOf(sums));
    QVERIFY(drawn.indexOf(shaded) < drawn.indexOf(sums));
    // The time axis is a date axis over the trades.
    QList<QAbstractAxis*> axes = Chart(*form)->axes(Qt::Horizontal);
    QCOMPARE(axes.size(), 1);
    auto* time = qobject_cast<QDateTimeAxis*>(axes.front());
    QVERIFY(time);
    QCOMPARE(time->min(), entry);
    QCOMPARE(time->max(), sl);

    // A run without trades leaves an empty curve and says so.
    Get<TTrackBar>(*form, "TrackBar4")->setValue(150);
    Run(*form, false);
    QCOMPARE(Table(*form)->model()->rowCount(), 0);
    QCOMPARE(sums->count(), 0);
    QCOMPARE(fall->count(), 0);
    QCOMPARE(Chart(*form)->title(), QStringLiteral("Итого: 0 п, наибольшая просадка: 0 п"));
    // The single-pair page's own chart stays empty through all of it.
    QCOMPARE(form->Series1()->count(), 0);
}

void TradesPageTest::demoEurusdShows139RowsAndWritesTheCliFile()
{
    auto form = StartDemo();
    SelectPair(*form, QStringLiteral("EURUSD"));
    Run(*form, false);
    QCOMPARE(Table(*form)->model()->rowCount(), 139);
    QCOMPARE(Caption(*form, "Label79"), QStringLiteral("139"));

    // The same curve figures as the core's.
    const EquityCurve curve = MakeEquityCurve(Page(*form)->Trades());
    QCOMPARE(
        Chart(*form)->title(),
        QStringLiteral("Итого: %1 п, наибольшая просадка: %2 п").arg(curve.Total).arg(curve.DeepestDrawdown));
    QCOMPARE(Cell(*form, 138, 14), QString::number(curve.Total));
    const QList<QPointF> fall =
        AreaNamed(*form, QStringLiteral("Наибольшая просадка"))->lowerSeries()->points();
    QCOMPARE(fall.size(), curve.DrawdownTrough - curve.DrawdownPeak + 1);
    QCOMPARE(fall.front().y() - fall.back().y(), static_cast<qreal>(curve.DeepestDrawdown));
    QCOMPARE(SeriesNamed(*form, QStringLiteral("Итого, п"))->count(), 140);
    QCOMPARE(SeriesNamed(*form, QStringLiteral("Максимум"))->points().back().y(),
             static_cast<qreal>(curve.RunningMax.back()));

    const std::string windowFile = dir_->file("window.csv");
    dialogs_->saveNames << QString::fromStdString(windowFile);
    Get<QPushButton>(*form, "SaveTradesButton")->click();
    QVERIFY(dialogs_->messages.isEmpty());
    QCOMPARE(dialogs_->saveFilters, QStringList{QStringLiteral("Файлы CSV|*.csv")});

    // quillet-cli reads the file into slot 1 of the same process: it runs
    // after the window is done.
    const std::string cliFile = dir_->file("cli.csv");
    const std::string base = dir_->file("EURUSD.base");
    const char* argv[] = {"quillet-cli", "backtest", base.c_str(), "--trades", cliFile.c_str()};
    std::ostringstream out, err;
    QCOMPARE(cli::RunCli(5, argv, out, err), 0);
    const std::string fromWindow = ReadFile(windowFile);
    QVERIFY(fromWindow == ReadFile(cliFile));
    QCOMPARE(static_cast<int>(std::count(fromWindow.begin(), fromWindow.end(), '\n')), 140);
}

void TradesPageTest::loggedAndUnloggedRunsShowTheSameList()
{
    auto form = StartDemo();
    SelectPair(*form, QStringLiteral("AUDJPY"));
    Run(*form, true);
    const std::string logged = TradeCsv(Page(*form)->Trades());
    QVERIFY(!Get<QPlainTextEdit>(*form, "Memo3")->toPlainText().isEmpty());
    Run(*form, false);
    QCOMPARE(TradeCsv(Page(*form)->Trades()), logged);
    QVERIFY(std::count(logged.begin(), logged.end(), '\n') > 10);
}

void TradesPageTest::doubleClickShowsTheTradesFirstLogLine()
{
    auto form = StartDemo();
    SelectPair(*form, QStringLiteral("EURUSD"));
    auto* memo = Get<QPlainTextEdit>(*form, "Memo3");
    auto* pages = Get<QTabWidget>(*form, "PageControl1");
    // A first logged run fills the memo; the second one's lines follow it.
    Run(*form, true);
    const int firstRunBlocks = memo->blockCount();
    Run(*form, true);
    QCOMPARE(memo->blockCount(), 2 * firstRunBlocks);

    QTableView* view = Table(*form);
    pages->setCurrentWidget(Page(*form));
    // Sorted by points, the rows are no longer in trade order.
    view->sortByColumn(13, Qt::AscendingOrder);
    for (const int row : {0, 40, 138}) {
        pages->setCurrentWidget(Page(*form));
        QApplication::processEvents();
        const QModelIndex index = view->model()->index(row, 1);
        view->scrollTo(index);
        const QRect cell = view->visualRect(index);
        // A double click is a press and a release, then the second press.
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, cell.center());
        QCOMPARE(pages->currentWidget(), Get<QWidget>(*form, "TabSheet4"));

        const int week = view->model()->data(view->model()->index(row, 0)).toInt();
        const ClosedTrade* trade = nullptr;
        for (const ClosedTrade& t : Page(*form)->Trades())
            if (t.Week == week)
                trade = &t;
        QVERIFY(trade);
        const QTextBlock line = memo->textCursor().block();
        QVERIFY2(line.blockNumber() >= firstRunBlocks, "a line of the second run");
        QCOMPARE(line.text(), QStringLiteral("Берём недельную свечу от %1 (неделя с %2 по %3)")
                                  .arg(QString::fromStdString(FormatDate(trade->WeekDate)),
                                       QString::fromStdString(FormatDate(trade->WeekDate + 1)),
                                       QString::fromStdString(FormatDate(trade->WeekDate + 5))));
        QCOMPARE(memo->textCursor().selectedText(), line.text());
        // The line is in sight: at the top unless the memo ends first.
        QApplication::processEvents();
        const QRect where = memo->cursorRect();
        QVERIFY2(memo->viewport()->rect().contains(where.center()),
                 qPrintable(QStringLiteral("row %1").arg(row)));
        const QScrollBar* bar = memo->verticalScrollBar();
        if (bar->value() < bar->maximum())
            QVERIFY2(where.top() < memo->fontMetrics().height(),
                     qPrintable(QStringLiteral("row %1").arg(row)));
    }

    // Once the log is cleared the trades have nothing to point at.
    Get<QPushButton>(*form, "Button10")->click();
    pages->setCurrentWidget(Page(*form));
    emit view->doubleClicked(view->model()->index(0, 0));
    QCOMPARE(pages->currentWidget(), static_cast<QWidget*>(Page(*form)));
    QCOMPARE(Page(*form)->LogBlockOfTrade(0), -1);
}

void TradesPageTest::doubleClickWithoutLogStaysOnThePage()
{
    auto form = StartWith(*TwoTradePair());
    SelectPair(*form, QStringLiteral("EURUSD"));
    // A logged run, then one without the log: the memo still holds the
    // first run's lines, but the trades shown are the second run's.
    Run(*form, true);
    // Header 0 to 8, the empty week 0 at 9 and 10, week 1 from 11 to 22
    // (five hours inside the levels), week 2 at 23 and 24, week 3 from 25.
    QCOMPARE(Page(*form)->LogBlockOfTrade(0), 11);
    QCOMPARE(Page(*form)->LogBlockOfTrade(1), 25);
    Run(*form, false);
    auto* pages = Get<QTabWidget>(*form, "PageControl1");
    pages->setCurrentWidget(Page(*form));
    emit Table(*form)->doubleClicked(Table(*form)->model()->index(1, 0));
    QCOMPARE(pages->currentWidget(), static_cast<QWidget*>(Page(*form)));
    QCOMPARE(Page(*form)->LogBlockOfTrade(0), -1);
    QCOMPARE(Page(*form)->LogBlockOfTrade(1), -1);
}

void TradesPageTest::newRunStartsInWeekOrder()
{
    auto form = StartWith(*TwoTradePair());
    SelectPair(*form, QStringLiteral("EURUSD"));
    Run(*form, false);
    QTableView* view = Table(*form);
    const auto firstWeek = [view] { return view->model()->data(view->model()->index(0, 0)).toInt(); };
    // By points, week 3's stop-loss comes first.
    view->sortByColumn(13, Qt::AscendingOrder);
    QCOMPARE(firstWeek(), 3);
    Run(*form, false);
    QCOMPARE(firstWeek(), 1);
    QCOMPARE(view->horizontalHeader()->sortIndicatorSection(), 0);
    QCOMPARE(view->horizontalHeader()->sortIndicatorOrder(), Qt::AscendingOrder);
}

void TradesPageTest::chartHasRoomAtTheDefaultSize()
{
    // At the window's default size the curve takes most of the page's
    // height, so its point axis keeps several readable steps.
    auto form = StartWith(*TwoTradePair());
    SelectPair(*form, QStringLiteral("EURUSD"));
    Run(*form, false);
    Get<QTabWidget>(*form, "PageControl1")->setCurrentWidget(Page(*form));
    QApplication::processEvents();
    auto* chart = Get<QChartView>(*form, "TradesChart");
    QVERIFY2(chart->height() >= 280, qPrintable(QString::number(chart->height())));
    QVERIFY(chart->height() > Table(*form)->height());
    auto* points = qobject_cast<QValueAxis*>(Chart(*form)->axes(Qt::Vertical).front());
    QVERIFY(points);
    // Round steps from 0: four to eight of them over the account's range.
    const double steps = (points->max() - points->min()) / points->tickInterval();
    QVERIFY2(steps >= 4 && steps <= 8, qPrintable(QString::number(steps)));
    QCOMPARE(points->tickAnchor(), 0.0);
}

void TradesPageTest::doubleClickFindsTheLineAfterTheLogIsEdited_data()
{
    // The edit: lines removed from `from` (count `removed`), or, with a
    // negative count, a note typed above everything.
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("removed");
    QTest::addColumn<int>("block"); // where the second trade's line is then; -1: gone
    QTest::newRow("three heading lines removed") << 0 << 3 << 22;
    QTest::newRow("a note typed above") << 0 << -1 << 26;
    QTest::newRow("the trade's week line removed") << 25 << 1 << -1;
    QTest::newRow("log cleared") << 0 << 1000 << -1;
}

void TradesPageTest::doubleClickFindsTheLineAfterTheLogIsEdited()
{
    QFETCH(int, from);
    QFETCH(int, removed);
    QFETCH(int, block);
    auto form = StartWith(*TwoTradePair());
    SelectPair(*form, QStringLiteral("EURUSD"));
    Run(*form, true);
    auto* memo = Get<QPlainTextEdit>(*form, "Memo3");
    const QString weekLine = memo->document()->findBlockByNumber(25).text();
    QVERIFY(weekLine.startsWith(QStringLiteral("Берём недельную свечу")));

    QTextCursor edit(memo->document()->findBlockByNumber(from));
    if (removed < 0) {
        edit.insertText(QStringLiteral("заметка\n"));
    } else {
        edit.movePosition(QTextCursor::NextBlock, QTextCursor::KeepAnchor, removed);
        if (removed >= memo->blockCount())
            edit.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
        edit.removeSelectedText();
    }
    QCOMPARE(Page(*form)->LogBlockOfTrade(1), block);

    auto* pages = Get<QTabWidget>(*form, "PageControl1");
    pages->setCurrentWidget(Page(*form));
    emit Table(*form)->doubleClicked(Table(*form)->model()->index(1, 0));
    if (block < 0) {
        // Said so, on the page.
        QCOMPARE(pages->currentWidget(), static_cast<QWidget*>(Page(*form)));
        QCOMPARE(dialogs_->messages.size(), 1);
        QCOMPARE(dialogs_->messages[0].Text,
                 QStringLiteral("В логе работы больше нет строк сделки недели 3"));
    } else {
        QCOMPARE(pages->currentWidget(), Get<QWidget>(*form, "TabSheet4"));
        QCOMPARE(memo->textCursor().block().blockNumber(), block);
        QCOMPARE(memo->textCursor().selectedText(), weekLine);
    }
}

void TradesPageTest::saveCancelledOrFailedWritesNothing()
{
    auto form = StartWith(*TwoTradePair());
    SelectPair(*form, QStringLiteral("EURUSD"));
    Run(*form, false);
    auto* save = Get<QPushButton>(*form, "SaveTradesButton");

    // Cancelled: no file, no message.
    const auto files = [this] {
        return std::distance(std::filesystem::directory_iterator(dir_->path()), {});
    };
    const auto before = files();
    save->click();
    QVERIFY(dialogs_->messages.isEmpty());
    QCOMPARE(files(), before);

    // A place that cannot be written: an error naming it, and a directory
    // of that name left as it was.
    const std::string blocked = dir_->file("blocked.csv");
    std::filesystem::create_directory(blocked);
    dialogs_->saveNames << QString::fromStdString(blocked)
                        << QString::fromStdString(dir_->file("none/x.csv"));
    save->click();
    save->click();
    QCOMPARE(dialogs_->messages.size(), 2);
    for (const RecordingDialogs::Message& m : dialogs_->messages) {
        QCOMPARE(m.Kind, ui::MessageKind::Error);
        QCOMPARE(m.Title, QStringLiteral("Quillet_tester"));
    }
    QVERIFY(dialogs_->messages[0].Text.startsWith(QString::fromStdString(blocked) + QStringLiteral(": ")));
    // A missing folder is named as the folder, not as a missing file.
    QCOMPARE(dialogs_->messages[1].Text,
             QString::fromStdString(dir_->file("none/x.csv") + ": нет папки " + dir_->file("none")) +
                 QLatin1Char('.'));
    QVERIFY(std::filesystem::is_directory(blocked));
    QVERIFY(std::filesystem::is_empty(blocked));

    // And then a good place: the window's CSV, replacing what was there.
    const std::string good = dir_->file("good.csv");
    WriteFile(good, "old\n");
    dialogs_->saveNames << QString::fromStdString(good);
    save->click();
    QCOMPARE(dialogs_->messages.size(), 2);
    QCOMPARE(ReadFile(good), TradeCsv(Page(*form)->Trades()));
}

QUILLET_WINDOW_TEST(TradesPageTest);
#include "TradesPageTest.moc"
