#pragma once
// The page "Форвард-анализ": the windows of the last walk-forward analysis
// with their choices and out-of-sample results, the joined out-of-sample
// account in net points with the windows' borders, its figures and the
// efficiency, and the Monte Carlo of its trades.

#include "analysis/MonteCarlo.h"
#include "analysis/MultiWalkForward.h"
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
    /// An analysis over several instruments: their slots, its parameters and
    /// what it found (Params and Outcome are then unused).
    std::vector<int> PairSlots;
    std::optional<MultiWalkForwardParams> PairsParams;
    MultiWalkForwardOutcome PairsOutcome;

    std::size_t WindowsDone() const
    {
        return PairsParams ? PairsOutcome.Windows.size() : Outcome.Windows.size();
    }
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
    /// The account of the trades in net points, each window's first trade marked.
    void DrawCurve(const std::vector<ClosedTrade>& trades, const std::vector<std::size_t>& windowStarts);
    void ChooseRow(int row);
    // Over several instruments (WalkForwardPairs.cpp).
    void ShowPairs();
    void FillPairsTable();

    std::unique_ptr<Ui::WalkForwardPage> ui;
    std::shared_ptr<const WalkForwardShown> shown_;
    QChart* chart_ = nullptr;
};

/// Creates the page, adds it to `pages` as "Форвард-анализ" and returns it.
WalkForwardPage* AddWalkForwardPage(QTabWidget* pages);

} // namespace quillet::ui
