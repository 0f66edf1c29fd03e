#include "ui/TradesPage.h"

#include "backtest/TradeCsv.h"
#include "store/Dates.h"
#include "store/Errors.h"
#include "store/Files.h"
#include "store/Numbers.h"
#include "ui/Dialogs.h"
#include "ui/MonteCarloBox.h"
#include "ui_TradesPage.h"

#include <QAreaSeries>
#include <QChart>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
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

// The columns in the order of the CSV's fields.
struct Column {
    const char* Title;
    bool Number; // right-aligned
};

constexpr Column kColumns[] = {
    {"Неделя", true},      {"Сигнал", false},       {"Направление", false}, {"Тело, п", true},
    {"Вход", false},       {"Цена входа", true},    {"TP", true},           {"SL", true},
    {"Выход", false},      {"Время выхода", false}, {"Цена выхода", true},  {"Часов", true},
    {"Просадка, п", true}, {"Пункты", true},        {"Итого, п", true},
};
constexpr int kColumnCount = static_cast<int>(std::size(kColumns));
static_assert(kColumnCount == kTradeFieldCount);

QString Text(const std::string& utf8)
{
    return QString::fromStdString(utf8);
}

QString DirectionText(TradeDirection direction)
{
    return direction == TradeDirection::Sell ? QStringLiteral("Продажа") : QStringLiteral("Покупка");
}

QString ExitText(ExitKind kind)
{
    switch (kind) {
    case ExitKind::TakeProfit:
        return QStringLiteral("TP");
    case ExitKind::StopLoss:
        return QStringLiteral("SL");
    case ExitKind::TimeOut:
        return QStringLiteral("тайм-аут");
    case ExitKind::OutOfCandles:
        return QStringLiteral("нет свечей");
    }
    return {};
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

QString ChartTitle(const EquityCurve& curve)
{
    return QStringLiteral("Итого: %1 п, наибольшая просадка: %2 п")
        .arg(curve.Total)
        .arg(curve.DeepestDrawdown);
}

} // namespace

// ---------------------------------------------------------------------------
// The table model

TradeTableModel::TradeTableModel(QObject* parent) : QAbstractTableModel(parent) {}

void TradeTableModel::SetTrades(std::vector<ClosedTrade> trades, std::vector<std::int64_t> cumulative)
{
    beginResetModel();
    trades_ = std::move(trades);
    cumulative_ = std::move(cumulative);
    cumulative_.resize(trades_.size());
    endResetModel();
}

int TradeTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(trades_.size());
}

int TradeTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : kColumnCount;
}

QVariant TradeTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= kColumnCount)
        return {};
    const ClosedTrade& t = trades_[static_cast<std::size_t>(index.row())];
    const int column = index.column();
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(
            Qt::Alignment((kColumns[column].Number ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter));
    if (role == kSortRole) {
        switch (column) {
        case 0:
            return t.Week;
        case 1:
            return t.WeekDate;
        case 2:
            return static_cast<int>(t.Direction);
        case 3:
            return t.Body;
        case 4:
            return MomentSerial(t.EntryDate, t.EntryTime);
        case 5:
            return t.EntryPrice;
        case 6:
            return t.TakeProfitLevel;
        case 7:
            return t.StopLossLevel;
        case 8:
            return static_cast<int>(t.Exit);
        case 9:
            return MomentSerial(t.ExitDate, t.ExitTime);
        case 10:
            return t.ExitPrice;
        case 11:
            return t.HoursHeld;
        case 12:
            return t.Drawdown;
        case 13:
            return t.Points;
        case 14:
            return static_cast<qlonglong>(cumulative_[static_cast<std::size_t>(index.row())]);
        }
        return {};
    }
    if (role != Qt::DisplayRole)
        return {};
    switch (column) {
    case 0:
        return QString::number(t.Week);
    case 1:
        return Text(FormatDate(t.WeekDate));
    case 2:
        return DirectionText(t.Direction);
    case 3:
        return QString::number(t.Body);
    case 4:
        return Text(CandleMoment(t.EntryDate, t.EntryTime, ActiveDateFormat()));
    case 5:
        return Text(FormatPrice(t.EntryPrice));
    case 6:
        return Text(FormatPrice(t.TakeProfitLevel));
    case 7:
        return Text(FormatPrice(t.StopLossLevel));
    case 8:
        return ExitText(t.Exit);
    case 9:
        return Text(CandleMoment(t.ExitDate, t.ExitTime, ActiveDateFormat()));
    case 10:
        return Text(FormatPrice(t.ExitPrice));
    case 11:
        return QString::number(t.HoursHeld);
    case 12:
        return QString::number(t.Drawdown);
    case 13:
        return QString::number(t.Points);
    case 14:
        return QString::number(cumulative_[static_cast<std::size_t>(index.row())]);
    }
    return {};
}

QVariant TradeTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Vertical)
        return section + 1;
    if (section < 0 || section >= kColumnCount)
        return {};
    return QString::fromUtf8(kColumns[section].Title);
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
    // The Monte Carlo of the trades beside their curve.
    monteCarlo_ = new MonteCarloBox(this);
    auto* curveRow = new QHBoxLayout;
    const int chartAt = ui->TradesLayout->indexOf(ui->TradesChart);
    ui->TradesLayout->removeWidget(ui->TradesChart);
    curveRow->addWidget(ui->TradesChart, 2);
    curveRow->addWidget(monteCarlo_, 1);
    ui->TradesLayout->insertLayout(chartAt, curveRow, 3);
    connect(ui->SaveTradesButton, &QPushButton::clicked, this, &TradesPage::SaveTradesButtonClick);
    connect(ui->TradesTable, &QTableView::doubleClicked, this, &TradesPage::TradesTableDoubleClick);
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
    time->setTickCount(7);
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

int TradesPage::NextLogBlock(const QPlainTextEdit* memo)
{
    // An empty memo takes the first line into its one empty block.
    return memo->document()->isEmpty() ? 0 : memo->blockCount();
}

void TradesPage::ShowTrades(TradeList list, int firstLogBlock)
{
    const EquityCurve curve = MakeEquityCurve(list.Trades);
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
    DrawCurve(list.Trades, curve);
    monteCarlo_->SetTrades(list.Trades);
    model_->SetTrades(std::move(list.Trades), curve.Cumulative);
    // A new run starts in week order, whatever the last one was sorted by.
    ui->TradesTable->sortByColumn(0, Qt::AscendingOrder);
    ui->TradesTable->resizeColumnsToContents();
    ui->SaveTradesButton->setEnabled(true);
}

void TradesPage::DrawCurve(const std::vector<ClosedTrade>& trades, const EquityCurve& curve)
{
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
            sums.append({x, static_cast<qreal>(curve.Cumulative[i])});
            peaks.append({x, static_cast<qreal>(curve.RunningMax[i])});
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
    auto* points = static_cast<QValueAxis*>(chart_->axes(Qt::Vertical).front());
    time->setFormat(AxisDateFormat());
    if (sums.size() < 2) {
        time->setVisible(false);
        points->setVisible(false);
        return;
    }
    time->setVisible(true);
    points->setVisible(true);
    // A flat account or a single hour still gets an axis of some length.
    const qint64 first = static_cast<qint64>(sums.front().x());
    const qint64 last = std::max(static_cast<qint64>(sums.back().x()), first + 3'600'000);
    time->setRange(QDateTime::fromMSecsSinceEpoch(first), QDateTime::fromMSecsSinceEpoch(last));
    const auto [low, high] = std::minmax_element(curve.Cumulative.begin(), curve.Cumulative.end());
    const std::int64_t bottom = std::min<std::int64_t>(*low, 0);
    const std::int64_t top = std::max<std::int64_t>({*high, 0, bottom + 1});
    // Round steps from 0, about six of them over the range.
    const double step = NiceStep(static_cast<double>(top - bottom) / 6);
    points->setTickType(QValueAxis::TicksDynamic);
    points->setTickAnchor(0);
    points->setTickInterval(step);
    points->setRange(std::floor(static_cast<double>(bottom) / step) * step,
                     std::ceil(static_cast<double>(top) / step) * step);
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
        const std::string csv = TradeCsv(Trades());
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
