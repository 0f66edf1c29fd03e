#pragma once
// The window's one way to run long work: on a worker thread through Qt
// Concurrent, its progress and end arriving through a QFutureWatcher.

#include "ui/Dialogs.h"

#include <QEventLoop>
#include <QFutureWatcher>
#include <QProgressDialog>
#include <QPromise>
#include <QtConcurrent/QtConcurrentRun>

#include <cstddef>
#include <exception>

namespace quillet::ui {

/// How long work runs before its progress dialog appears.
inline constexpr int kProgressShowsAfterMs = 400;

/// Runs `work` on a worker thread; `work` is given a step function
/// (done, total) that moves the progress. Meanwhile the window keeps painting
/// but takes no input, as while any handler runs, and a progress dialog
/// named `progressName` appears once the work has lasted a moment. An error
/// of the work is thrown here.
template <class Work>
void RunOffWindowThread(QWidget* parent, const QString& progressName, const QString& text, Work work)
{
    QProgressDialog progress(text, QString(), 0, 100, parent);
    progress.setObjectName(progressName);
    progress.setWindowTitle(QString::fromLatin1(kAppTitle));
    progress.setCancelButton(nullptr);
    // Not modal: a modal progress dialog handles input itself on every step.
    progress.setWindowModality(Qt::NonModal);
    progress.setMinimumDuration(kProgressShowsAfterMs);
    progress.setValue(0);

    std::exception_ptr error;
    QFutureWatcher<void> watcher;
    QEventLoop loop;
    QObject::connect(&watcher, &QFutureWatcherBase::progressValueChanged, &progress,
                     &QProgressDialog::setValue);
    QObject::connect(&watcher, &QFutureWatcherBase::finished, &loop, &QEventLoop::quit);
    watcher.setFuture(QtConcurrent::run([&work, &error](QPromise<void>& promise) {
        promise.setProgressRange(0, 100);
        try {
            work([&promise](std::size_t done, std::size_t total) {
                promise.setProgressValue(total == 0 ? 100 : static_cast<int>(done * 100 / total));
            });
        } catch (...) {
            error = std::current_exception();
        }
    }));
    // The finished signal arrives as an event, so it cannot slip by before
    // the loop runs.
    if (!watcher.isFinished())
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    watcher.waitForFinished();
    if (error)
        std::rethrow_exception(error);
}

} // namespace quillet::ui
