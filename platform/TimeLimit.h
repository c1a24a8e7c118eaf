#pragma once

// Waiting for a condition with an upper limit on the time.

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

// Runs work on a thread of its own and waits at most limit for its result; nothing when
// the time is up or the work threw. A call that never returns keeps its (detached) thread
// until the program ends: used for services that may hang, such as a stuck print server.
template <typename T>
std::optional<T> RunWithTimeLimit(std::function<T()> work, std::chrono::milliseconds limit) {
    struct State {
        std::mutex mutex;
        std::condition_variable done;
        bool finished = false;
        std::optional<T> result;
    };
    auto state = std::make_shared<State>();
    std::thread([state, work = std::move(work)] {
        std::optional<T> result;
        try {
            result = work();
        } catch (...) {
        }
        std::lock_guard lock(state->mutex);
        state->result = std::move(result);
        state->finished = true;
        state->done.notify_all();
    }).detach();
    std::unique_lock lock(state->mutex);
    if (!state->done.wait_for(lock, limit, [&] { return state->finished; }))
        return std::nullopt;
    return std::move(state->result);
}
