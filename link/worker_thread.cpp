#include "link/worker_thread.h"

#include <chrono>
#include <system_error>

namespace torvex {

namespace {

// The worker whose body runs on this thread. Asking the thread object itself would read it
// while the owner may still be storing it.
thread_local const WorkerThread* tCurrentWorker = nullptr;

}  // namespace

WorkerThread::~WorkerThread() {
    requestStop();
    join();
}

bool WorkerThread::start(std::function<void()> body) {
    if (thread_.joinable()) return false;
    {
        std::lock_guard lock(mutex_);
        stop_ = false;
    }
    running_ = true;
    auto run = [this, body = std::move(body)] {
        tCurrentWorker = this;
        body();
        running_ = false;
    };
    try {
        thread_ = launcher_ ? launcher_(std::move(run)) : std::thread(std::move(run));
    } catch (const std::system_error&) {
        // No thread: the owner hears so and runs without it.
    }
    if (!thread_.joinable()) running_ = false;
    return thread_.joinable();
}

void WorkerThread::requestStop() {
    {
        // Set under the lock: a body between its check and its wait cannot miss the wake.
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
}

void WorkerThread::join() {
    if (tCurrentWorker != this && thread_.joinable()) thread_.join();
}

bool WorkerThread::waitStop(uint32_t ms) {
    std::unique_lock lock(mutex_);
    return wake_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return stop_.load(); });
}

}  // namespace torvex
