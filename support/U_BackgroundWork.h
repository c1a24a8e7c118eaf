#pragma once

// Running a long task off the window's thread while the window waits, painted.

#include "platform/AppError.h"

#include <chrono>
#include <functional>

// Work that did not end within its time limit.
class TimeLimitError : public AppError {
public:
    using AppError::AppError;
};

// Runs work on a thread of its own while this thread's event loop goes on, so that the
// windows keep repainting and answering; returns when the work has ended and rethrows what
// it threw. After limit it throws TimeLimitError and leaves the work running alone: the
// work must own, or share, everything it touches.
// tick, when given, runs on this thread now and then while the work goes on.
void RunInBackground(std::function<void()> work, std::chrono::milliseconds limit,
                     const std::function<void()>& tick = {});

// The busy cursor over the whole program for as long as it lives.
class BusyCursor {
public:
    BusyCursor();
    ~BusyCursor();
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};
