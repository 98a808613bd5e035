// The oscilloscope's worker threads (capture read-out, step test) share one way to live:
// started once by their owner, woken at once by a stop request (never left to finish a
// sleep), and joined before the link or the window they use goes.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <system_error>
#include <thread>

namespace torvex {

class StoppableThread {
public:
    StoppableThread() = default;
    ~StoppableThread() {
        requestStop();
        join();
    }
    StoppableThread(const StoppableThread&) = delete;
    StoppableThread& operator=(const StoppableThread&) = delete;

    bool started() const { return thread_.joinable(); }
    // Runs body on a thread of its own; false when the thread could not be made.
    bool start(std::function<void()> body) {
        try {
            thread_ = std::thread(std::move(body));
        } catch (const std::system_error&) {
            return false;
        }
        return true;
    }
    void requestStop() {
        {
            std::lock_guard lock(mutex_);
            stop_ = true;
        }
        wake_.notify_all();
    }
    // Never from the thread itself (it may end its own owner).
    void join() {
        if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
    }
    bool stopRequested() const { return stop_.load(); }
    // Sleeps up to ms; true when a stop was asked for meanwhile.
    bool waitStop(long ms) {
        std::unique_lock lock(mutex_);
        return wake_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return stop_.load(); });
    }

private:
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::condition_variable wake_;
};

}  // namespace torvex
