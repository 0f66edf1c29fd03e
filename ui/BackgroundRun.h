#pragma once
// Long work that leaves the window usable while it runs: one task at a time
// on a worker thread through Qt Concurrent, its progress on a progress bar
// and what it found handed back on the window's thread when it ends.

#include <QFutureWatcher>
#include <QPromise>
#include <QString>
#include <QtConcurrent/QtConcurrentRun>

#include <chrono>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <stop_token>
#include <type_traits>
#include <utility>

class QProgressBar;

namespace quillet::ui {

/// How a task ended, as its end handler is told.
template <class Result> struct RunEnd {
    /// What the task returned; empty when it failed, or was cancelled
    /// before it began.
    std::optional<Result> Value;
    /// The text of the task's error; empty unless it failed.
    QString Error;
    /// How long the task ran.
    double Seconds = 0;
};

class BackgroundRun {
  public:
    /// How a task reports its progress: `done` of `total` steps.
    using Progress = std::function<void(std::int64_t done, std::int64_t total)>;

    /// `progress` (may be null) shows each task's progress, 0 to its maximum.
    explicit BackgroundRun(QProgressBar* progress);
    /// Cancels a running task and waits for it; its end handler is not called.
    ~BackgroundRun();
    BackgroundRun(const BackgroundRun&) = delete;
    BackgroundRun& operator=(const BackgroundRun&) = delete;

    /// From Start until the end handler is called.
    bool Running() const { return static_cast<bool>(deliver_); }

    /// Runs `work(std::stop_token, const Progress&)` on a worker thread; when
    /// it ends, `ended(RunEnd<Result>)` is called on this object's thread
    /// with what it returned. Refused (false) while a task runs.
    template <class Work, class Ended> bool Start(Work work, Ended ended);

    /// Asks the running task to stop through its stop token; a task that has
    /// not begun yet never does.
    void Cancel();
    /// Blocks until the running task has returned.
    void Wait();

  private:
    // Puts the bar back to 0 and returns the steps it counts (its maximum).
    int ResetProgress();
    void Finished();

    QProgressBar* bar_;
    QFutureWatcher<void> watcher_;
    std::stop_source stop_;
    // Calls the running task's end handler with what it left behind.
    std::function<void()> deliver_;
};

template <class Work, class Ended> bool BackgroundRun::Start(Work work, Ended ended)
{
    using Result = std::invoke_result_t<const Work&, std::stop_token, const Progress&>;
    if (Running())
        return false;
    // A cancelled future drops its results, so the task leaves what it found
    // here instead, before its future finishes.
    auto end = std::make_shared<RunEnd<Result>>();
    deliver_ = [end, ended = std::move(ended)]() mutable { ended(std::move(*end)); };
    stop_ = std::stop_source();
    const int steps = ResetProgress();
    watcher_.setFuture(QtConcurrent::run(
        [work = std::move(work), end, stop = stop_.get_token(), steps](QPromise<void>& promise) {
            const auto began = std::chrono::steady_clock::now();
            promise.setProgressRange(0, steps);
            const Progress progress = [&promise, steps](std::int64_t done, std::int64_t total) {
                if (total > 0)
                    promise.setProgressValue(static_cast<int>(done * steps / total));
            };
            try {
                end->Value.emplace(work(stop, progress));
            } catch (const std::exception& e) {
                end->Error = QString::fromStdString(e.what());
            }
            end->Seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
        }));
    return true;
}

} // namespace quillet::ui
