#pragma once
// The page "Форвард-анализ": the windows of the last walk-forward analysis
// with their choices and out-of-sample results, the joined out-of-sample
// account in net points with the windows' borders, its figures and the
// efficiency, and the Monte Carlo of its trades.

#include "analysis/MonteCarlo.h"
#include "analysis/WalkForward.h"
#include "ui/OptimisationPage.h"

#include <QString>
#include <QWidget>

#include <array>
#include <memory>
#include <optional>
#include <vector>

class QChart;
class QTabWidget;

namespace Ui {
class WalkForwardPage;
}

namespace quillet::ui {

/// A finished analysis as the page shows it.
struct WalkForwardShown {
    int Slot = 1; // the instrument's slot
    WalkForwardParams Params;
    WalkForwardOutcome Outcome;
    std::optional<MonteCarloOutcome> MonteCarlo;
    /// Per window, the first and last dates of the weeks its in-sample and
    /// its out-of-sample weeks trade in (each signal week's trade opens in
    /// the week after it).
    std::vector<std::array<double, 4>> Dates;
    double Seconds = 0;
};

class WalkForwardPage : public QWidget {
    Q_OBJECT
  public:
    explicit WalkForwardPage(QWidget* parent = nullptr);
    ~WalkForwardPage() override;

    void Show(std::shared_ptr<const WalkForwardShown> shown);
    const WalkForwardShown* Shown() const { return shown_.get(); }

    /// The table's columns.
    static QStringList Headings();

  signals:
    /// A window was double-clicked: its combination over its out-of-sample weeks.
    void CombinationChosen(const quillet::ui::ChosenCombination& choice);

  private:
    void FillTable();
    void DrawCurve();
    void ChooseRow(int row);

    std::unique_ptr<Ui::WalkForwardPage> ui;
    std::shared_ptr<const WalkForwardShown> shown_;
    QChart* chart_ = nullptr;
};

/// Creates the page, adds it to `pages` as "Форвард-анализ" and returns it.
WalkForwardPage* AddWalkForwardPage(QTabWidget* pages);

} // namespace quillet::ui
