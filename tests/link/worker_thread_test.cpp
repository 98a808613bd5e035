// The worker-thread skeleton every worker of the program runs on. The sleeps below are
// endless: a test that returns at all shows the stop woke them.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <system_error>
#include <thread>

#include "link/worker_thread.h"

namespace torvex {
namespace {

constexpr uint32_t kForever = UINT32_MAX;

void waitUntil(const std::atomic<bool>& flag) {
    while (!flag.load()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

TEST(WorkerThread, StopWakesTheSleepAndAJoinedThreadStartsAgainUnstopped) {
    WorkerThread thread;
    std::atomic<bool> inBody{false}, woken{false};
    ASSERT_TRUE(thread.start([&] {
        inBody = true;
        woken = thread.waitStop(kForever);
    }));
    waitUntil(inBody);
    EXPECT_TRUE(thread.running());
    EXPECT_FALSE(thread.start([] {})) << "a second thread while the first is not joined";
    thread.requestStop();
    thread.join();
    EXPECT_TRUE(woken.load());
    EXPECT_FALSE(thread.running());
    EXPECT_FALSE(thread.started());

    // The next run starts without the old stop request and sleeps until stopped anew.
    std::atomic<bool> stoppedAtStart{true}, secondIn{false};
    ASSERT_TRUE(thread.start([&] {
        stoppedAtStart = thread.stopRequested();
        secondIn = true;
        thread.waitStop(kForever);
    }));
    waitUntil(secondIn);
    EXPECT_FALSE(stoppedAtStart.load());
    EXPECT_TRUE(thread.running());
    // Going out of scope stops and joins it.
}

TEST(WorkerThread, AThreadThatCannotBeMadeIsReportedAndAJoinFromTheThreadItselfIsSkipped) {
    WorkerThread thread;
    std::atomic<bool> ran{false};
    thread.setLauncher([](std::function<void()>) -> std::thread {
        throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
    });
    EXPECT_FALSE(thread.start([&] { ran = true; }));
    EXPECT_FALSE(thread.running());
    EXPECT_FALSE(thread.started());

    // A body that ends its own thread's life asks for a join it must not do itself.
    thread.setLauncher(nullptr);
    std::atomic<bool> returned{false};
    ASSERT_TRUE(thread.start([&] {
        thread.join();
        returned = true;
    }));
    waitUntil(returned);
    while (thread.running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_TRUE(thread.started()) << "ended by itself, not joined yet";
    thread.join();
    EXPECT_FALSE(thread.started());
    EXPECT_FALSE(ran.load());
}

}  // namespace
}  // namespace torvex
