#include "support/U_BackgroundWork.h"

#include <QCursor>
#include <QEventLoop>
#include <QGuiApplication>
#include <QTimer>

#include <atomic>
#include <exception>
#include <memory>
#include <thread>

namespace {

struct WorkState {
    std::atomic<bool> finished{false};
    std::exception_ptr error;
};

} // namespace

void RunInBackground(std::function<void()> work, std::chrono::milliseconds limit,
                     const std::function<void()>& tick) {
    auto state = std::make_shared<WorkState>();
    std::thread([state, work = std::move(work)] {
        try {
            work();
        } catch (...) {
            state->error = std::current_exception();
        }
        state->finished.store(true, std::memory_order_release);
    }).detach();

    // Polling keeps the worker free of any object of this thread, which may be gone when
    // work that ran out of time ends at last.
    QEventLoop loop;
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (state->finished.load(std::memory_order_acquire))
            loop.quit();
        else if (tick)
            tick();
    });
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    poll.start();
    deadline.start(limit);
    if (!state->finished.load(std::memory_order_acquire))
        loop.exec();
    if (!state->finished.load(std::memory_order_acquire))
        throw TimeLimitError(
            QStringLiteral("No answer within %1 seconds.")
                .arg(std::chrono::duration_cast<std::chrono::seconds>(limit).count()));
    if (state->error)
        std::rethrow_exception(state->error);
}

BusyCursor::BusyCursor() {
    QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
}

BusyCursor::~BusyCursor() {
    QGuiApplication::restoreOverrideCursor();
}
