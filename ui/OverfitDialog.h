#pragma once
// "Переобучение": is the best combination of the page "Оптимизация" better
// than luck? The probability of backtest overfitting over every halving of
// the blocks of weeks, computed off the window's thread, with a histogram of
// the logits, the scatter of the choices' in-sample against out-of-sample
// performance with its line, and the deflated Sharpe ratio of the row
// selected on the page.

#include "analysis/DeflatedSharpe.h"
#include "analysis/Overfit.h"
#include "ui/BackgroundRun.h"

#include <QDialog>

#include <memory>
#include <optional>

class QChart;

namespace Ui {
class OverfitDialog;
}

namespace quillet::ui {

class OverfitDialog : public QDialog {
    Q_OBJECT
  public:
    explicit OverfitDialog(QWidget* parent = nullptr);
    /// Stops a running computation and waits for it.
    ~OverfitDialog() override;

    /// The sweep whose grid is analysed (its table, grid, weeks, metric,
    /// entry minimum and costs) and the page's plateau radii. A computation
    /// under way is stopped and what was shown cleared.
    void SetSweep(std::shared_ptr<const SweepTable> table, const SweepParams& params,
                  const PlateauRadii& radii);
    /// The radii of the next computation's plateau choice.
    void SetPlateauRadii(const PlateauRadii& radii) { radii_ = radii; }
    /// The row whose deflated Sharpe ratio is shown; none clears it.
    void SetRow(std::optional<GridPoint> row);

    bool Running() const { return run_->Running(); }
    /// What the last completed computation found, or nullptr.
    const OverfitOutcome* Outcome() const { return outcome_.get(); }
    /// The deflated Sharpe ratio shown, when there is one.
    const std::optional<DeflatedSharpe>& Deflated() const { return deflated_; }
    /// The parameters the next computation runs with.
    OverfitParams Params() const;

  public slots:
    /// "Рассчитать": the splits of the sweep's grid off the window's thread.
    void Compute();
    /// "Стоп".
    void Stop();

  signals:
    /// A computation ended: completed, stopped or failed.
    void Ended();

  private:
    void Finished(const OverfitParams& params, RunEnd<std::shared_ptr<const OverfitOutcome>> end);
    void SetRunning(bool running);
    void Clear();
    void ShowOutcome();
    void ShowDeflated();
    void DrawHistogram();
    void DrawScatter();

    std::unique_ptr<Ui::OverfitDialog> ui;
    std::shared_ptr<const SweepTable> table_;
    SweepParams sweep_;
    PlateauRadii radii_;
    std::shared_ptr<const OverfitOutcome> outcome_;
    std::optional<GridPoint> row_;
    std::optional<DeflatedSharpe> deflated_;
    QChart* lambdaChart_ = nullptr;
    QChart* scatterChart_ = nullptr;
    // Last, so that a running computation stops before what it reports to goes.
    std::unique_ptr<BackgroundRun> run_;
};

} // namespace quillet::ui
