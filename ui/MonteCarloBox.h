#pragma once
// The Monte Carlo of a trade list in the window: the runs and the seed, the
// percentiles of the final net and of the maximum drawdown, the share of
// losing runs and a histogram of the maximum drawdowns. The trade page and
// the walk-forward page each hold one.

#include "analysis/MonteCarlo.h"
#include "engine/ClosedTrade.h"

#include <QGroupBox>
#include <QString>

#include <memory>
#include <vector>

class QChart;

namespace Ui {
class MonteCarloBox;
}

namespace quillet::ui {

class MonteCarloBox : public QGroupBox {
    Q_OBJECT
  public:
    explicit MonteCarloBox(QWidget* parent = nullptr);
    ~MonteCarloBox() override;

    /// The trades the next calculation draws from; the figures shown so far
    /// are cleared.
    void SetTrades(std::vector<ClosedTrade> trades);
    /// Shows figures already calculated for the trades set.
    void ShowOutcome(const MonteCarloOutcome& outcome);
    /// Says why no figures are shown for the trades set.
    void ShowNote(const QString& text);

    int Runs() const;
    std::uint64_t Seed() const;
    /// The figures as the box shows them.
    static QString OutcomeText(const MonteCarloOutcome& outcome);

  public slots:
    /// "Рассчитать": the runs off the window's thread, then shown.
    void Calculate();

  private:
    void DrawHistogram(const std::vector<std::int64_t>& drawdowns);

    std::unique_ptr<Ui::MonteCarloBox> ui;
    std::vector<ClosedTrade> trades_;
    QChart* chart_ = nullptr;
};

} // namespace quillet::ui
