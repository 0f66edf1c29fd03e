#pragma once
// The page "Оптимизация": every combination of a grid of the single-pair
// page's parameters over one instrument, swept off the window's thread,
// with a heatmap of the chosen metric over stop-loss and take-profit and a
// table of the best rows beside their forward figures.

#include "analysis/Plateau.h"
#include "engine/Sweep.h"
#include "store/CostsFile.h"
#include "ui/BackgroundRun.h"

#include <QString>
#include <QStringList>
#include <QWidget>

#include <memory>
#include <vector>

namespace Ui {
class OptimisationPage;
}

namespace quillet::ui {

struct WalkForwardShown;
class WalkForwardRun;

/// A combination the user picked to look at on the single-pair page.
struct ChosenCombination {
    int Slot = 1;
    int Signal = kSignalControl.Default;
    int StopLoss = kStopLossControl.Default;
    int TakeProfit = kTakeProfitControl.Default;
    /// Position of the holding-limit bar; 0 for no holding limit.
    int Hold = 0;
    WeekRange Weeks;
};

class OptimisationPage : public QWidget {
    Q_OBJECT
  public:
    explicit OptimisationPage(QWidget* parent = nullptr);
    /// Stops a running sweep or analysis and waits for it.
    ~OptimisationPage() override;

    /// The instruments to choose from; entry i is instrument-table slot i + 1.
    /// The instrument chosen stays chosen when it keeps its place.
    void SetInstruments(const QStringList& names);

    /// The costs of the instruments; a sweep runs with those of its pair.
    void SetCosts(const CostsTable& costs);

    bool Running() const { return running_; }
    /// The last sweep that ended (completed or stopped), or nullptr.
    const SweepOutcome* Outcome() const { return outcome_.get(); }
    /// The signal value the heatmap shows a cell for (the best one when the
    /// page shows the best over all signal values); 0 where it shows none.
    int ShownSignal(int stopLoss, int takeProfit) const;
    /// The tooltip of a heatmap cell.
    QString CellTooltip(int stopLoss, int takeProfit) const;

  signals:
    void CombinationChosen(const quillet::ui::ChosenCombination& choice);
    /// A sweep ended, completed, stopped or failed.
    void SweepEnded();
    /// A walk-forward analysis ended (completed or stopped) with what it found.
    void WalkForwardEnded(std::shared_ptr<const quillet::ui::WalkForwardShown> shown);

  public slots:
    /// "Подобрать": starts a sweep with the page's parameters.
    void StartSweep();
    /// "Стоп": asks the running sweep to stop; what it found so far is shown.
    void StopSweep();
    /// "Форвард-анализ": the page's grid chosen on rolling or anchored
    /// in-sample windows and traded on the weeks after each.
    void StartWalkForward();

  private:
    /// What a sweep off the window's thread hands back when it ends.
    struct SweepFound {
        std::shared_ptr<const SweepOutcome> Outcome;
        std::shared_ptr<const SweepTable> Table;
        std::shared_ptr<const RecordedSpread> Spread; // the table's, when it has one
    };

    bool ReadParams(SweepParams& params, int& slot);
    /// Shows the weeks of the instrument chosen and where the runs stop.
    void ShowPeriod();
    /// Warns when the forward weeks overlap the swept weeks.
    void ShowForwardOverlap();
    void Ended(const SweepParams& params, int slot, RunEnd<SweepFound> end);
    void Finished(const SweepFound& found, const SweepParams& params, int slot, double seconds);
    void Failed(const QString& text);
    void SetRunning(bool running);
    void ShowLayer();
    void FillTable();
    void Choose(int signal, int stopLoss, int takeProfit, int hold);
    void ChooseCell(int stopLoss, int takeProfit);
    void ChooseRow(int row);
    int HoldOfCell(int signal, int stopLoss, int takeProfit) const;
    // The cell shown: the metric, or its plateau score while that is shown.
    float ShownCell(int signal, int stopLoss, int takeProfit) const;
    PlateauRadii Radii() const;
    void UpdatePlateauCells();

    std::unique_ptr<Ui::OptimisationPage> ui;
    CostsTable costs_;
    // The outcome shown, the table it was swept from, and what it was swept with.
    std::shared_ptr<const SweepOutcome> outcome_;
    std::shared_ptr<const SweepTable> table_;
    std::shared_ptr<const RecordedSpread> spread_;
    SweepParams params_;
    int slot_ = 0;
    // The signal value behind each cell of the layer shown (0: none).
    std::vector<int> layerSignals_;
    // A sweep or a walk-forward analysis runs.
    bool running_ = false;
    // The plateau scores of the outcome shown, in the layout of its cells;
    // empty while the metric itself is shown.
    std::vector<float> plateauCells_;
    QString plateauProblem_;
    // After `ui`, so that a running sweep or analysis is stopped and waited
    // for before the controls it reports to go.
    std::unique_ptr<BackgroundRun> sweep_;
    std::unique_ptr<WalkForwardRun> walkForward_;
};

} // namespace quillet::ui
