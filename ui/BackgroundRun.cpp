#include "ui/BackgroundRun.h"

#include <QProgressBar>

namespace quillet::ui {

BackgroundRun::BackgroundRun(QProgressBar* progress) : bar_(progress)
{
    if (bar_)
        QObject::connect(&watcher_, &QFutureWatcherBase::progressValueChanged, bar_, &QProgressBar::setValue);
    // The finished signal arrives as an event on this thread, after the task
    // has written what it found.
    QObject::connect(&watcher_, &QFutureWatcherBase::finished, &watcher_, [this] { Finished(); });
}

BackgroundRun::~BackgroundRun()
{
    watcher_.disconnect();
    Cancel();
    Wait();
}

void BackgroundRun::Cancel()
{
    stop_.request_stop();
    watcher_.cancel();
}

void BackgroundRun::Wait()
{
    watcher_.waitForFinished();
}

int BackgroundRun::ResetProgress()
{
    if (!bar_)
        return 0;
    bar_->setValue(0);
    return bar_->maximum();
}

void BackgroundRun::Finished()
{
    // Cleared first: the handler may start the next task.
    const std::function<void()> deliver = std::exchange(deliver_, nullptr);
    if (deliver)
        deliver();
}

} // namespace quillet::ui
