#pragma once
// The page "Сделки": the trades of the latest single-pair run as a sortable
// table, the account's curve in net points above it beside the figures of
// the run and, in a tab beside it, the selected trade on its candles; a CSV
// copy of the list, the run's HTML report, and a way from a trade to its
// lines in the work log.

#include "analysis/EquityCurve.h"
#include "engine/BacktestParams.h"
#include "engine/SinglePair.h"
#include "report/SinglePairRun.h"

#include <QAbstractTableModel>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <memory>
#include <vector>

class QAreaSeries;
class QChart;
class QLineSeries;
class QModelIndex;
class QPlainTextEdit;
class QSortFilterProxyModel;
class QTabWidget;

namespace Ui {
class TradesPage;
}

namespace quillet::ui {

class MonteCarloBox;
class TradeChart;

/// The trade list as table rows: one row per trade in closing order, the
/// texts of the window (its date format, "," decimals) for display and a
/// number or date value per cell to sort by (TradeTableModel::kSortRole).
class TradeTableModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    static constexpr int kSortRole = Qt::UserRole;

    explicit TradeTableModel(QObject* parent = nullptr);

    /// Replaces every row at once. A run with costs also shows their
    /// columns, after those of the trade: nights, costs, net points and
    /// their running sum (`cumulativeNet`, tenths of a point); one at a
    /// recorded spread the entry's spread after them.
    void SetTrades(std::vector<ClosedTrade> trades, std::vector<std::int64_t> cumulative,
                   std::vector<std::int64_t> cumulativeNet = {}, bool withCosts = false,
                   bool withEntrySpread = false);
    const std::vector<ClosedTrade>& Trades() const { return trades_; }
    bool WithCosts() const { return withCosts_; }
    bool WithEntrySpread() const { return withEntrySpread_; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

  private:
    std::vector<ClosedTrade> trades_;
    std::vector<std::int64_t> cumulative_;
    std::vector<std::int64_t> cumulativeNet_;
    bool withCosts_ = false;
    bool withEntrySpread_ = false;
};

class TradesPage : public QWidget {
    Q_OBJECT
  public:
    explicit TradesPage(QWidget* parent = nullptr);
    ~TradesPage() override;

    /// Where a double-clicked trade leads: `logPage` of `pages`, showing `memo`.
    void SetWorkLog(QTabWidget* pages, QWidget* logPage, QPlainTextEdit* memo);

    /// The memo block that the next appended line will take: the run's
    /// first log line goes there.
    static int NextLogBlock(const QPlainTextEdit* memo);

    /// Shows the trades of a run and the costs it was run with.
    /// `firstLogBlock` is the memo block of the run's first log line, or -1
    /// when the run wrote no log.
    void ShowTrades(TradeList list, int firstLogBlock, const TradeCosts& costs = {});

    /// The line about the quotes the run used ("Данные: ..."); empty hides it.
    void ShowDataLine(const QString& line);

    /// The parameters and totals of the run whose trades are shown next, for
    /// its report and its trades' candles.
    void SetRun(const BacktestParams& params, const BacktestResult& result);

    const std::vector<ClosedTrade>& Trades() const { return model_->Trades(); }
    /// The memo block where a trade's lines begin, or -1 when the log of its
    /// run is not (or no longer) in the memo. `row` is the trade's index. The
    /// line is found by its text, so lines edited or cleared above it do
    /// not lead elsewhere.
    int LogBlockOfTrade(int row) const;

  private slots:
    void SaveTradesButtonClick();
    void TradesTableDoubleClick(const QModelIndex& index);
    void SaveReportButtonClick();
    void ShowSelectedTrade(const QModelIndex& current);

  private:
    void SetUpChart();
    void DrawCurve(const std::vector<ClosedTrade>& trades, const EquityCurve& curve);

    std::unique_ptr<Ui::TradesPage> ui;
    TradeTableModel* model_ = nullptr;
    QSortFilterProxyModel* sorted_ = nullptr;
    QChart* chart_ = nullptr;
    QLineSeries* equity_ = nullptr;
    QLineSeries* runningMax_ = nullptr;
    QAreaSeries* drawdowns_ = nullptr;    // between the running maximum and the curve
    QAreaSeries* deepestFall_ = nullptr;  // the deepest of them
    QTabWidget* views_ = nullptr;         // the curve or the selected trade
    TradeChart* tradeChart_ = nullptr;    // the selected trade on its candles
    MonteCarloBox* monteCarlo_ = nullptr; // the Monte Carlo of the trades shown
    BacktestParams params_;
    BacktestResult result_;

    QTabWidget* pages_ = nullptr;
    QWidget* logPage_ = nullptr;
    QPlainTextEdit* memo_ = nullptr;
    bool logged_ = false;           // the run shown wrote its log into the memo
    std::vector<int> logBlocks_;    // per trade, the memo block of its first line as written, or -1
    std::vector<QString> logTexts_; // and that line's text
};

/// Creates the page, adds it to `pages` right after `logPage` as "Сделки"
/// and returns it.
TradesPage* AddTradesPage(QTabWidget* pages, QWidget* logPage, QPlainTextEdit* memo);

} // namespace quillet::ui
