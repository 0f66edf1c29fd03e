#pragma once
// The window's one way to run long work: on a worker thread through Qt
// Concurrent, its progress and end arriving through a QFutureWatcher.

#include "ui/Dialogs.h"

#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QFutureWatcher>
#include <QProgressDialog>
#include <QPromise>
#include <QtConcurrent/QtConcurrentRun>

#include <atomic>
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

/// What the step function of RunStoppable's work throws once "Стоп" is pressed.
struct WorkStopped {};

/// While it lives, user input reaches only `open` and the widgets in it.
class InputOnlyTo : public QObject {
  public:
    explicit InputOnlyTo(QWidget* open) : open_(open)
    {
        QCoreApplication::instance()->installEventFilter(this);
    }
    ~InputOnlyTo() override { QCoreApplication::instance()->removeEventFilter(this); }
    InputOnlyTo(const InputOnlyTo&) = delete;
    InputOnlyTo& operator=(const InputOnlyTo&) = delete;

  protected:
    bool eventFilter(QObject* target, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::Shortcut:
        case QEvent::ShortcutOverride:
        case QEvent::ContextMenu: {
            auto* widget = qobject_cast<QWidget*>(target);
            return widget && widget != open_ && !open_->isAncestorOf(widget);
        }
        default:
            return false;
        }
    }

  private:
    QWidget* open_;
};

/// As RunOffWindowThread, for work the user may stop: the progress dialog
/// has a button "Стоп" and keeps the window from input while it is up.
/// Once the button is pressed, the work's next step throws WorkStopped, and
/// this returns false when the work has ended; true when it ran to its end.
template <class Work>
bool RunStoppable(QWidget* parent, const QString& progressName, const QString& text, Work work)
{
    QProgressDialog progress(text, QStringLiteral("Стоп"), 0, 100, parent);
    progress.setObjectName(progressName);
    progress.setWindowTitle(QString::fromLatin1(kAppTitle));
    // Not modal, as above; the filter keeps input from the rest meanwhile.
    progress.setWindowModality(Qt::NonModal);
    progress.setAutoReset(false);
    const InputOnlyTo onlyTheDialog(&progress);
    progress.setMinimumDuration(kProgressShowsAfterMs);
    progress.setValue(0);

    std::atomic<bool> stop = false;
    std::exception_ptr error;
    QFutureWatcher<void> watcher;
    QEventLoop loop;
    QObject::connect(&progress, &QProgressDialog::canceled, [&stop] { stop = true; });
    QObject::connect(&watcher, &QFutureWatcherBase::progressValueChanged, &progress,
                     &QProgressDialog::setValue);
    QObject::connect(&watcher, &QFutureWatcherBase::finished, &loop, &QEventLoop::quit);
    watcher.setFuture(QtConcurrent::run([&work, &error, &stop](QPromise<void>& promise) {
        promise.setProgressRange(0, 100);
        try {
            work([&promise, &stop](std::size_t done, std::size_t total) {
                if (stop)
                    throw WorkStopped{};
                promise.setProgressValue(total == 0 ? 100 : static_cast<int>(done * 100 / total));
            });
        } catch (...) {
            error = std::current_exception();
        }
    }));
    if (!watcher.isFinished())
        loop.exec();
    watcher.waitForFinished();
    if (error) {
        try {
            std::rethrow_exception(error);
        } catch (const WorkStopped&) {
            return false;
        }
    }
    return true;
}

} // namespace quillet::ui
