#pragma once
// The page "Оптимизация": every combination of a grid of the single-pair
// page's parameters over one instrument, swept off the window's thread,
// with a heatmap of the chosen metric over stop-loss and take-profit and a
// table of the best rows beside their forward figures.

#include "backtest/Sweep.h"

#include <QString>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <atomic>
#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

namespace Ui {
class OptimisationPage;
}

namespace quillet::ui {

/// A combination the user picked to look at on the single-pair page.
struct ChosenCombination {
    int Slot = 1;
    int Signal = 85;
    int StopLoss = 100;
    int TakeProfit = 50;
    /// Position of the holding-limit bar; 0 for no holding limit.
    int Hold = 0;
    WeekRange Weeks{0, 535};
};

class OptimisationPage : public QWidget {
    Q_OBJECT
  public:
    explicit OptimisationPage(QWidget* parent = nullptr);
    /// Stops a running sweep and waits for its threads.
    ~OptimisationPage() override;

    /// The instruments to choose from; entry i is instrument-table slot i + 1.
    void SetInstruments(const QStringList& names);

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

  public slots:
    /// "Подобрать": starts a sweep with the page's parameters.
    void StartSweep();
    /// "Стоп": asks the running sweep to stop; what it found so far is shown.
    void StopSweep();

  private:
    struct Progress {
        std::atomic<std::int64_t> Done{0};
        std::atomic<std::int64_t> Total{0};
    };

    bool ReadParams(SweepParams& params, int& slot);
    void Finished(std::shared_ptr<const SweepOutcome> outcome, std::shared_ptr<const SweepTable> table,
                  const SweepParams& params, int slot, double seconds);
    void Failed(const QString& text);
    void SetRunning(bool running);
    void ShowProgress();
    void ShowLayer();
    void FillTable();
    void Choose(int signal, int stopLoss, int takeProfit, int hold);
    void ChooseCell(int stopLoss, int takeProfit);
    void ChooseRow(int row);
    int HoldOfCell(int signal, int stopLoss, int takeProfit) const;

    std::unique_ptr<Ui::OptimisationPage> ui;
    // The outcome shown, the table it was swept from, and what it was swept with.
    std::shared_ptr<const SweepOutcome> outcome_;
    std::shared_ptr<const SweepTable> table_;
    SweepParams params_;
    int slot_ = 0;
    // The signal value behind each cell of the layer shown (0: none).
    std::vector<int> layerSignals_;
    std::shared_ptr<Progress> progress_;
    QTimer progressTimer_;
    bool running_ = false;
    std::jthread worker_;
};

} // namespace quillet::ui
