#pragma once
// The page "Оптимизация": every combination of a grid of the single-pair
// page's parameters over one instrument, swept off the window's thread,
// with a heatmap of the chosen metric over stop-loss and take-profit and a
// table of the best rows beside their forward figures.

#include "analysis/Plateau.h"
#include "engine/MultiSweep.h"
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
class OverfitDialog;

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

    /// The picker's last entry, which sweeps several instruments at once.
    static QString PairsItemText() { return QStringLiteral("Несколько инструментов..."); }
    /// The slots checked for a sweep over several instruments.
    const std::vector<int>& PairSlots() const { return pairSlots_; }
    /// The last sweep over several instruments that ended, while it is shown.
    const MultiSweepOutcome* PairsOutcome() const { return pairsShown_ ? pairsOutcome_.get() : nullptr; }

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
    /// "Переобучение": the overfitting figures of the last sweep's grid.
    void ShowOverfit();

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
    void Finished(const SweepFound& found, const SweepParams& params, int slot, double seconds,
                  bool pairs = false);
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

    // Several instruments (OptimisationPairs.cpp): the picker's last entry
    // and its checklist, the sweep and the analysis over them, their rows.
    bool PairsPicked() const;
    void PairActivated(int index);
    void ShowPairsControls();
    void ShowPairsPeriod();
    bool ReadPairsParams(MultiSweepParams& params);
    void StartPairsSweep();
    void StartPairsWalkForward();
    void FillPairsTable();
    void ShowPairsOfRow(int row);
    QString PairsCellTooltip(int signal, int stopLoss, int takeProfit, int hold) const;
    // The slot of the instrument picked in the table of a row's instruments.
    int PickedSlot() const;

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
    // The picker's names, the slots checked for several instruments and the
    // last single instrument picked.
    QStringList names_;
    std::vector<int> pairSlots_;
    int singleIndex_ = 0;
    // The sweep over several instruments shown (then outcome_ is its
    // combined metric), its tables, parameters and slots.
    bool pairsShown_ = false;
    std::shared_ptr<const MultiSweepOutcome> pairsOutcome_;
    std::shared_ptr<const std::vector<SweepTable>> pairsTables_;
    MultiSweepParams pairsParams_;
    std::vector<int> sweptSlots_;
    // After `ui`, so that a running sweep or analysis is stopped and waited
    // for before the controls it reports to go.
    std::unique_ptr<BackgroundRun> sweep_;
    std::unique_ptr<WalkForwardRun> walkForward_;
    // Made on first use; a child of the page, which stops it when it goes.
    OverfitDialog* overfit_ = nullptr;
};

} // namespace quillet::ui
