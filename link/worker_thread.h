// The one way a worker thread of the program lives (polling, watching, the register-list
// walk, the oscilloscope's capture and step test): started once by its owner, woken at once
// by a stop request (never left to finish a sleep, though a step in progress is finished),
// and joined before the link or the window it uses goes. A thread that cannot be made is
// reported to the owner, which then runs without it.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

namespace torvex {

class WorkerThread {
public:
    // Makes the thread for a body; throws (std::system_error) when it cannot be made.
    using Launcher = std::function<std::thread(std::function<void()>)>;

    WorkerThread() = default;
    ~WorkerThread();  // stops and joins
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;

    // Runs body on a thread of its own with the stop request cleared; false while an earlier
    // thread has not been joined, or when no thread could be made.
    bool start(std::function<void()> body);
    // Wakes waitStop() at once; the body ends when it next looks.
    void requestStop();
    // Waits for the body to end. Never from the thread itself (it may end its own owner).
    void join();

    // Started and not joined yet: the body may have ended by itself meanwhile.
    bool started() const { return thread_.joinable(); }
    // The body has not returned yet.
    bool running() const { return running_.load(); }
    bool stopRequested() const { return stop_.load(); }
    // From the body: sleeps up to ms; true when a stop was asked for meanwhile.
    bool waitStop(uint32_t ms);

    void setLauncher(Launcher launcher) { launcher_ = std::move(launcher); }

private:
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> running_{false};
    std::mutex mutex_;
    std::condition_variable wake_;
    Launcher launcher_;
};

}  // namespace torvex
