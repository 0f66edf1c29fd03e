#pragma once
// The figures of the trade page: the costs the trades were run with, the
// figures traders compare (over the trades' net points) and the net points
// by year of entry as bars and as a table.

#include "analysis/TradeStats.h"
#include "model/TradeCosts.h"
#include "report/Catalogue.h"
#include "report/FigureTexts.h"

#include <QString>
#include <QWidget>

#include <memory>
#include <vector>

class QBarCategoryAxis;
class QBarSet;
class QChart;
class QLabel;
class QValueAxis;

namespace Ui {
class TradeFigures;
}

namespace quillet::ui {

/// One figure as the panel shows it.
struct FigureLine {
    QString Name;        // the value label's object name
    const char* Caption; // what the figure is
    QString Text;        // its value, "-" where a divisor is 0
};

/// The figures of the panel in the order shown: ratios with two decimals,
/// points with one, "," as separator.
std::vector<FigureLine> FigureLines(const TradeStats& stats);

class TradeFigures : public QWidget {
    Q_OBJECT
  public:
    explicit TradeFigures(QWidget* parent = nullptr);
    ~TradeFigures() override;

    /// Shows the figures of a run's trades and the costs they paid.
    void Show(const std::vector<ClosedTrade>& trades, const TradeCosts& costs);
    /// The line about the quotes the run used; empty hides it.
    void ShowDataLine(const QString& line);

  private:
    void DrawYears();

    std::unique_ptr<Ui::TradeFigures> ui;
    std::vector<QLabel*> values_; // in the order of FigureLines
    std::vector<YearFigures> years_;
    QChart* chart_ = nullptr;
    QBarSet* gains_ = nullptr;  // years that ended up
    QBarSet* losses_ = nullptr; // years that ended down
    QBarCategoryAxis* yearAxis_ = nullptr;
    QValueAxis* pointAxis_ = nullptr;
};

} // namespace quillet::ui
