#pragma once
// A walk-forward analysis asked for on the page "Оптимизация", run off the
// window's thread: its progress and status on that page's strip, what it
// found handed on to the page "Форвард-анализ".

#include "analysis/WalkForward.h"
#include "ui/BackgroundRun.h"

#include <QObject>

#include <memory>

class QLabel;
class QProgressBar;
class QWidget;

namespace quillet::ui {

struct WalkForwardShown;

class WalkForwardRun : public QObject {
    Q_OBJECT
  public:
    /// Errors are shown over `owner`; the progress goes to `progress`, the
    /// state of the run to `status`.
    WalkForwardRun(QWidget* owner, QProgressBar* progress, QLabel* status);
    /// Stops a running analysis and waits for it.
    ~WalkForwardRun() override;

    bool Running() const { return run_.Running(); }

    /// Starts the analysis of the instrument in `slot` with `params`; the
    /// sweep's forward check is not used. Parameters that leave no window
    /// to trade are refused with an error box, and false.
    bool Start(int slot, WalkForwardParams params);
    /// Asks the running analysis to stop; the windows done so far are shown.
    void Stop();

  signals:
    /// The analysis ended: completed, stopped or failed.
    void Ended();
    /// The analysis ended with at least one window done, completed or
    /// stopped: what the page "Форвард-анализ" shows.
    void Found(std::shared_ptr<const quillet::ui::WalkForwardShown> shown);

  private:
    bool Refused(const WalkForwardParams& params);
    void Finished(RunEnd<WalkForwardShown> end);

    QWidget* owner_;
    QProgressBar* progress_;
    QLabel* status_;
    BackgroundRun run_;
    std::size_t windows_ = 0; // of the analysis under way
};

} // namespace quillet::ui
