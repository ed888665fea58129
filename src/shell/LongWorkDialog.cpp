#include "shell/LongWorkDialog.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProgressDialog>
#include <QThread>
#include <atomic>
#include <exception>
#include <thread>

namespace korvane {

namespace {
// Work that ends sooner than this never shows a box.
constexpr int kQuietMs = 500;
}  // namespace

bool TLongWorkDialog::Run(const std::function<void()>& work, bool& failed) {
    std::atomic<bool> done{false};
    std::exception_ptr thrown;
    std::thread worker([&] {
        try {
            work();
        } catch (...) {
            thrown = std::current_exception();
        }
        done.store(true, std::memory_order_release);
    });
    QElapsedTimer clock;
    clock.start();
    // The work may ask for a message box: the event loop runs on meanwhile,
    // but no click reaches a window before the progress box guards them.
    while (!done.load(std::memory_order_acquire) && clock.elapsed() < kQuietMs) {
        QApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 10);
        if (!done.load(std::memory_order_acquire)) QThread::msleep(2);
    }
    bool cancelled = false;
    if (!done.load(std::memory_order_acquire)) {
        QProgressDialog progress(QString(), QStringLiteral("Cancel"), 0, 0, parent_);
        progress.setObjectName("LongWorkProgress");
        progress.setWindowTitle(Caption());
        progress.setWindowModality(Qt::ApplicationModal);
        progress.setMinimumDuration(0);
        progress.setAutoClose(false);
        progress.setAutoReset(false);
        auto label = [&] {
            const qint64 seconds = clock.elapsed() / 1000;
            return cancelled ? QStringLiteral("Cancelling...")
                             : QStringLiteral("Working... %1 s").arg(seconds);
        };
        // Cancel stops the work, not the box: it stays up, guarding the
        // windows, until the work has seen the flag.
        bool pressed = false;
        QObject::disconnect(&progress, &QProgressDialog::canceled, &progress, &QProgressDialog::cancel);
        QObject::connect(&progress, &QProgressDialog::canceled, [&pressed] { pressed = true; });
        progress.setLabelText(label());
        progress.show();
        while (!done.load(std::memory_order_acquire)) {
            QApplication::processEvents(QEventLoop::AllEvents, 20);
            if (pressed && !cancelled) {
                cancelled = true;
                // The flag the work watches; it stops at its next look.
                std::atomic_ref<bool>(failed).store(true, std::memory_order_relaxed);
            }
            progress.setLabelText(label());
            if (!done.load(std::memory_order_acquire)) QThread::msleep(5);
        }
    }
    worker.join();
    if (thrown) std::rethrow_exception(thrown);
    return !cancelled;
}

}  // namespace korvane
