#include "ui/TradesPage.h"

#include "model/Dates.h"
#include "model/Errors.h"
#include "model/Numbers.h"
#include "report/Catalogue.h"
#include "report/FigureTexts.h"
#include "report/HtmlReport.h"
#include "report/TradeCsv.h"
#include "report/TradePicture.h"
#include "store/Files.h"
#include "ui/Dialogs.h"
#include "ui/MonteCarloBox.h"
#include "ui/TradeChart.h"
#include "ui/TradeFigures.h"
#include "ui_TradesPage.h"

#include <QAreaSeries>
#include <QChart>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QLineSeries>
#include <QPen>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QSortFilterProxyModel>
#include <QTabWidget>
#include <QTextBlock>
#include <QTextDocument>
#include <QValueAxis>

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <string>

namespace quillet::ui {
namespace {

QString Text(const std::string& utf8)
{
    return QString::fromStdString(utf8);
}

// A candle's moment as a day serial with its hour, for sorting.
double MomentSerial(double date, const std::string& time)
{
    return std::trunc(date) + std::max(HourOfTimeText(time), 0) / 24.0;
}

// A candle's moment on the chart's time axis (milliseconds, local time, as
// the axis shows them).
qreal MomentMs(double date, const std::string& time)
{
    CivilDate c{};
    if (!DecodeDate(date, c))
        return 0;
    const QDateTime moment(QDate(c.Year, c.Month, c.Day), QTime(std::max(HourOfTimeText(time), 0), 0));
    return static_cast<qreal>(moment.toMSecsSinceEpoch());
}

// The program's date format ("dd.MM.yyyy", "yyyy mm dd") in Qt's letters.
QString AxisDateFormat()
{
    QString format = Text(ActiveDateFormat());
    format.replace(QLatin1Char('m'), QLatin1Char('M'));
    return format;
}

/// The smallest of 1, 2, 2,5 and 5 times a power of ten that is at least `least`.
double NiceStep(double least)
{
    const double power = std::pow(10.0, std::floor(std::log10(std::max(least, 1.0))));
    for (const double m : {1.0, 2.0, 2.5, 5.0, 10.0})
        if (m * power >= least)
            return m * power;
    return 10 * power;
}

// Tenths of a point as points: whole ones without a decimal, as the
// account reads without costs.
QString PointsOfTenths(std::int64_t tenths)
{
    return tenths % 10 == 0 ? QString::number(tenths / 10) : Text(TenthsText(tenths));
}

// What a column sorts by: the number behind its text.
QVariant SortValue(const ClosedTrade& t, TradeColumnId column, std::int64_t cumulative,
                   std::int64_t cumulativeNet)
{
    switch (column) {
    case TradeColumnId::Week:
        return t.Week;
    case TradeColumnId::SignalDate:
        return t.WeekDate;
    case TradeColumnId::Direction:
        return static_cast<int>(t.Direction);
    case TradeColumnId::Body:
        return t.Body;
    case TradeColumnId::EntryTime:
        return MomentSerial(t.EntryDate, t.EntryTime);
    case TradeColumnId::EntryPrice:
        return t.EntryPrice;
    case TradeColumnId::TakeProfit:
        return t.TakeProfitLevel;
    case TradeColumnId::StopLoss:
        return t.StopLossLevel;
    case TradeColumnId::Exit:
        return static_cast<int>(t.Exit);
    case TradeColumnId::ExitTime:
        return MomentSerial(t.ExitDate, t.ExitTime);
    case TradeColumnId::ExitPrice:
        return t.ExitPrice;
    case TradeColumnId::Hours:
        return t.HoursHeld;
    case TradeColumnId::Drawdown:
        return t.Drawdown;
    case TradeColumnId::Points:
        return t.Points;
    case TradeColumnId::CumulativePoints:
        return static_cast<qlonglong>(cumulative);
    case TradeColumnId::Nights:
        return static_cast<qlonglong>(t.Nights);
    case TradeColumnId::Costs:
        return static_cast<qlonglong>(t.CostTenths);
    case TradeColumnId::NetPoints:
        return static_cast<qlonglong>(t.NetTenths);
    case TradeColumnId::CumulativeNet:
        return static_cast<qlonglong>(cumulativeNet);
    case TradeColumnId::EntrySpread:
        return static_cast<qlonglong>(t.EntrySpreadTenths);
    }
    return {};
}

QString ChartTitle(const EquityCurve& netCurve)
{
    return QStringLiteral("Итого: %1 п, наибольшая просадка: %2 п")
        .arg(PointsOfTenths(netCurve.Total), PointsOfTenths(netCurve.DeepestDrawdown));
}

} // namespace

// ---------------------------------------------------------------------------
// The table model

TradeTableModel::TradeTableModel(QObject* parent) : QAbstractTableModel(parent) {}

void TradeTableModel::SetTrades(std::vector<ClosedTrade> trades, std::vector<std::int64_t> cumulative,
                                std::vector<std::int64_t> cumulativeNet, bool withCosts, bool withEntrySpread)
{
    beginResetModel();
    trades_ = std::move(trades);
    cumulative_ = std::move(cumulative);
    cumulative_.resize(trades_.size());
    cumulativeNet_ = std::move(cumulativeNet);
    cumulativeNet_.resize(trades_.size());
    withCosts_ = withCosts;
    withEntrySpread_ = withEntrySpread;
    endResetModel();
}

int TradeTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(trades_.size());
}

int TradeTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : TradeColumnsShown(withCosts_, withEntrySpread_);
}

QVariant TradeTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= columnCount())
        return {};
    const auto row = static_cast<std::size_t>(index.row());
    const ClosedTrade& t = trades_[row];
    const TradeColumn& column = kTradeColumns[static_cast<std::size_t>(index.column())];
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(
            Qt::Alignment((column.Number ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter));
    if (role == kSortRole)
        return SortValue(t, column.Id, cumulative_[row], cumulativeNet_[row]);
    if (role != Qt::DisplayRole)
        return {};
    return Text(
        TradeCellText(t, column.Id, {cumulative_[row], cumulativeNet_[row]}, ReaderForm(ActiveDateFormat())));
}

QVariant TradeTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Vertical)
        return section + 1;
    if (section < 0 || section >= columnCount())
        return {};
    const std::string_view heading = kTradeColumns[static_cast<std::size_t>(section)].Heading;
    return QString::fromUtf8(heading.data(), static_cast<qsizetype>(heading.size()));
}

// ---------------------------------------------------------------------------
// The page

TradesPage::TradesPage(QWidget* parent) : QWidget(parent), ui(std::make_unique<Ui::TradesPage>())
{
    ui->setupUi(this);
    model_ = new TradeTableModel(this);
    sorted_ = new QSortFilterProxyModel(this);
    sorted_->setSourceModel(model_);
    sorted_->setSortRole(TradeTableModel::kSortRole);
    ui->TradesTable->setModel(sorted_);
    // The rows start in closing order, which is the order of the weeks.
    ui->TradesTable->sortByColumn(0, Qt::AscendingOrder);
    ui->TradesTable->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    SetUpChart();
    connect(ui->SaveTradesButton, &QPushButton::clicked, this, &TradesPage::SaveTradesButtonClick);
    connect(ui->TradesTable, &QTableView::doubleClicked, this, &TradesPage::TradesTableDoubleClick);
    connect(ui->SaveReportButton, &QPushButton::clicked, this, &TradesPage::SaveReportButtonClick);

    // The selected trade's candles in a tab beside the account's curve, as
    // wide as it; the keys that move the selection move the chart.
    views_ = new QTabWidget(this);
    views_->setObjectName(QStringLiteral("TradesViews"));
    tradeChart_ = new TradeChart(views_);
    tradeChart_->setObjectName(QStringLiteral("TradeChart"));
    layout()->replaceWidget(ui->TradesChart, views_);
    views_->addTab(ui->TradesChart, QStringLiteral("Итого"));
    views_->addTab(tradeChart_, QStringLiteral("Сделка на свечах"));
    // The Monte Carlo of the trades shown, in a tab of its own.
    monteCarlo_ = new MonteCarloBox(views_);
    views_->addTab(monteCarlo_, QStringLiteral("Монте-Карло"));
    connect(ui->TradesTable->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &TradesPage::ShowSelectedTrade);
}

TradesPage::~TradesPage() = default;

void TradesPage::SetUpChart()
{
    chart_ = new QChart;
    chart_->legend()->setAlignment(Qt::AlignBottom);

    equity_ = new QLineSeries(chart_);
    equity_->setName(QStringLiteral("Итого, п"));
    equity_->setPen(QPen(QColor(0, 90, 170), 2));
    runningMax_ = new QLineSeries(chart_);
    runningMax_->setName(QStringLiteral("Максимум"));
    runningMax_->setPen(QPen(QColor(120, 120, 120), 1, Qt::DashLine));
    // The drawdowns are shaded between the running maximum and the curve,
    // under the curve's line, so the curve stays in sight; the deepest one
    // in a stronger red.
    const auto shade = [this](const QString& name, const QColor& fill) {
        auto* area = new QAreaSeries(new QLineSeries(chart_), new QLineSeries(chart_));
        area->setParent(chart_);
        area->setName(name);
        area->setBrush(fill);
        area->setPen(Qt::NoPen);
        return area;
    };
    drawdowns_ = shade(QStringLiteral("Просадка"), QColor(230, 60, 60, 50));
    deepestFall_ = shade(QStringLiteral("Наибольшая просадка"), QColor(215, 40, 40, 105));

    auto* time = new QDateTimeAxis(chart_);
    time->setTickCount(5);
    auto* points = new QValueAxis(chart_);
    points->setLabelFormat(QStringLiteral("%.0f"));
    chart_->addAxis(time, Qt::AlignBottom);
    chart_->addAxis(points, Qt::AlignLeft);
    for (QAbstractSeries* s :
         std::initializer_list<QAbstractSeries*>{drawdowns_, deepestFall_, runningMax_, equity_}) {
        chart_->addSeries(s);
        s->attachAxis(time);
        s->attachAxis(points);
    }
    ui->TradesChart->setChart(chart_);
    ui->TradesChart->setRenderHint(QPainter::Antialiasing);
}

void TradesPage::SetWorkLog(QTabWidget* pages, QWidget* logPage, QPlainTextEdit* memo)
{
    pages_ = pages;
    logPage_ = logPage;
    memo_ = memo;
}

void TradesPage::ShowDataLine(const QString& line)
{
    ui->TradeFigures->ShowDataLine(line);
}

int TradesPage::NextLogBlock(const QPlainTextEdit* memo)
{
    // An empty memo takes the first line into its one empty block.
    return memo->document()->isEmpty() ? 0 : memo->blockCount();
}

void TradesPage::ShowTrades(TradeList list, int firstLogBlock, const TradeCosts& costs)
{
    // The table sums the points as traded; the chart and the figures are after costs.
    const EquityCurve curve = MakeEquityCurve(list.Trades);
    ui->TradeFigures->Show(list.Trades, costs);
    // Each trade's first log line is kept by its place and its text: the
    // text finds it again once lines above it were edited away.
    logged_ = firstLogBlock >= 0 && memo_;
    logBlocks_.assign(list.FirstLogLines.size(), -1);
    logTexts_.assign(list.FirstLogLines.size(), QString());
    if (logged_) {
        const QTextDocument* log = memo_->document();
        for (std::size_t i = 0; i < list.FirstLogLines.size(); ++i) {
            if (list.FirstLogLines[i] < 0)
                continue;
            const QTextBlock line = log->findBlockByNumber(firstLogBlock + list.FirstLogLines[i]);
            if (line.isValid()) {
                logBlocks_[i] = line.blockNumber();
                logTexts_[i] = line.text();
            }
        }
    }
    EquityCurve net = MakeNetEquityCurve(list.Trades);
    DrawCurve(list.Trades, net);
    monteCarlo_->SetTrades(list.Trades);
    model_->SetTrades(std::move(list.Trades), curve.Cumulative, std::move(net.Cumulative), !costs.IsZero(),
                      costs.SpreadRecorded);
    // A new run starts in week order, whatever the last one was sorted by.
    ui->TradesTable->sortByColumn(0, Qt::AscendingOrder);
    ui->TradesTable->resizeColumnsToContents();
    ui->SaveTradesButton->setEnabled(true);
    ui->SaveReportButton->setEnabled(true);
    tradeChart_->Clear();
    views_->setCurrentWidget(ui->TradesChart);
}

void TradesPage::SetRun(const BacktestParams& params, const BacktestResult& result)
{
    params_ = params;
    result_ = result;
}

void TradesPage::ShowSelectedTrade(const QModelIndex& current)
{
    const int row = sorted_->mapToSource(current).row();
    if (row < 0 || row >= static_cast<int>(Trades().size())) {
        tradeChart_->Clear();
        return;
    }
    const ClosedTrade& t = Trades()[static_cast<std::size_t>(row)];
    const QString title =
        QStringLiteral("Неделя %1: %2, %3, %4 п")
            .arg(t.Week)
            .arg(QString::fromUtf8(DirectionCaption(t.Direction)), QString::fromUtf8(ExitKindCaption(t.Exit)))
            .arg(t.Points);
    tradeChart_->ShowPicture(MakeTradePicture(t, quillet::Table()[params_.Slot]), title);
    views_->setCurrentWidget(tradeChart_);
}

void TradesPage::DrawCurve(const std::vector<ClosedTrade>& trades, const EquityCurve& curve)
{
    // The curve is in tenths of a point; the chart shows points.
    const auto points = [](std::int64_t tenths) { return static_cast<qreal>(tenths) / 10; };
    chart_->setTitle(ChartTitle(curve));
    QList<QPointF> sums;
    QList<QPointF> peaks;
    QList<QPointF> fall;
    QList<QPointF> fallPeaks;
    if (!trades.empty()) {
        // The account starts flat when the first trade opens.
        const QPointF start(MomentMs(trades.front().EntryDate, trades.front().EntryTime), 0);
        sums.reserve(static_cast<qsizetype>(trades.size()) + 1);
        peaks.reserve(sums.capacity());
        sums.append(start);
        peaks.append(start);
        for (std::size_t i = 0; i < trades.size(); ++i) {
            const qreal x = MomentMs(trades[i].ExitDate, trades[i].ExitTime);
            sums.append({x, points(curve.Cumulative[i])});
            peaks.append({x, points(curve.RunningMax[i])});
        }
        // The deepest fall, from its peak down to its trough, under the peak's level.
        if (curve.DrawdownTrough >= 0) {
            fall = sums.mid(curve.DrawdownPeak + 1, curve.DrawdownTrough - curve.DrawdownPeak + 1);
            fallPeaks = peaks.mid(curve.DrawdownPeak + 1, curve.DrawdownTrough - curve.DrawdownPeak + 1);
        }
    }
    equity_->replace(sums);
    runningMax_->replace(peaks);
    drawdowns_->upperSeries()->replace(peaks);
    drawdowns_->lowerSeries()->replace(sums);
    deepestFall_->upperSeries()->replace(fallPeaks);
    deepestFall_->lowerSeries()->replace(fall);

    auto* time = static_cast<QDateTimeAxis*>(chart_->axes(Qt::Horizontal).front());
    auto* pointAxis = static_cast<QValueAxis*>(chart_->axes(Qt::Vertical).front());
    time->setFormat(AxisDateFormat());
    if (sums.size() < 2) {
        time->setVisible(false);
        pointAxis->setVisible(false);
        return;
    }
    time->setVisible(true);
    pointAxis->setVisible(true);
    // A flat account or a single hour still gets an axis of some length.
    const qint64 first = static_cast<qint64>(sums.front().x());
    const qint64 last = std::max(static_cast<qint64>(sums.back().x()), first + 3'600'000);
    time->setRange(QDateTime::fromMSecsSinceEpoch(first), QDateTime::fromMSecsSinceEpoch(last));
    const auto [low, high] = std::minmax_element(curve.Cumulative.begin(), curve.Cumulative.end());
    const double bottom = std::min(points(*low), 0.0);
    const double top = std::max({points(*high), 0.0, bottom + 1});
    // Round steps from 0, about six of them over the range.
    const double step = NiceStep((top - bottom) / 6);
    pointAxis->setTickType(QValueAxis::TicksDynamic);
    pointAxis->setTickAnchor(0);
    pointAxis->setTickInterval(step);
    pointAxis->setRange(std::floor(bottom / step) * step, std::ceil(top / step) * step);
}

int TradesPage::LogBlockOfTrade(int row) const
{
    if (!logged_ || row < 0 || row >= static_cast<int>(logBlocks_.size()) ||
        logBlocks_[static_cast<std::size_t>(row)] < 0)
        return -1;
    const int expected = logBlocks_[static_cast<std::size_t>(row)];
    const QString& text = logTexts_[static_cast<std::size_t>(row)];
    // The line where the run wrote it, else the same text nearest to that
    // place (a later run of the same settings writes the same lines).
    const QTextDocument* log = memo_->document();
    int found = -1;
    for (QTextBlock line = log->firstBlock(); line.isValid(); line = line.next())
        if (line.text() == text &&
            (found < 0 || std::abs(line.blockNumber() - expected) < std::abs(found - expected)))
            found = line.blockNumber();
    return found;
}

void TradesPage::TradesTableDoubleClick(const QModelIndex& index)
{
    if (!pages_)
        return;
    const int row = sorted_->mapToSource(index).row();
    const int block = LogBlockOfTrade(row);
    if (block < 0) {
        const int week = row >= 0 && row < static_cast<int>(Trades().size())
                             ? Trades()[static_cast<std::size_t>(row)].Week
                             : 0;
        ShowInfo(this, logged_ ? QStringLiteral("В логе работы больше нет строк сделки недели %1").arg(week)
                               : QStringLiteral("Расчёт шёл без лога работы: включите «Вести лог работы» "
                                                "и рассчитайте снова, чтобы найти сделку в логе"));
        return;
    }
    pages_->setCurrentWidget(logPage_);
    // The trade's first line selected, and at the top where the memo can
    // scroll that far.
    const QTextBlock line = memo_->document()->findBlockByNumber(block);
    QTextCursor cursor(line);
    cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    memo_->setTextCursor(cursor);
    memo_->verticalScrollBar()->setValue(line.firstLineNumber());
}

void TradesPage::SaveTradesButtonClick()
{
    const QString path =
        Dialogs().SaveFileName(this, QStringLiteral("Файлы CSV|*.csv"), QStringLiteral("trades.csv"));
    if (path.isEmpty())
        return;
    RunGuarded(this, [&] {
        const std::string csv = TradeCsv(Trades(), model_->WithCosts(), model_->WithEntrySpread());
        // A folder that is not there is named as such, not as a missing file.
        const QString folder = QFileInfo(path).absolutePath();
        if (!QFileInfo(folder).isDir())
            throw Error(path.toStdString() + ": нет папки " + folder.toStdString());
        try {
            WriteFileAtomically(QFile::encodeName(path).toStdString(), csv.data(), csv.size());
        } catch (const Error& e) {
            throw Error(path.toStdString() + ": " + e.what());
        }
    });
}

void TradesPage::SaveReportButtonClick()
{
    const QString path =
        Dialogs().SaveFileName(this, QStringLiteral("Файлы HTML|*.html"), QStringLiteral("report.html"));
    if (path.isEmpty())
        return;
    RunGuarded(this, [&] {
        const std::string html =
            MakeBacktestReport(params_, result_, Trades(), quillet::Table()[params_.Slot]).Html();
        const QString folder = QFileInfo(path).absolutePath();
        if (!QFileInfo(folder).isDir())
            throw Error(path.toStdString() + ": нет папки " + folder.toStdString());
        try {
            WriteFileAtomically(QFile::encodeName(path).toStdString(), html.data(), html.size());
        } catch (const Error& e) {
            throw Error(path.toStdString() + ": " + e.what());
        }
    });
}

TradesPage* AddTradesPage(QTabWidget* pages, QWidget* logPage, QPlainTextEdit* memo)
{
    auto* page = new TradesPage;
    pages->insertTab(pages->indexOf(logPage) + 1, page, QStringLiteral("Сделки"));
    // Laid out at once, so the page's controls have their places before it is first shown.
    page->layout()->activate();
    page->SetWorkLog(pages, logPage, memo);
    return page;
}

} // namespace quillet::ui
