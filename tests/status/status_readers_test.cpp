// The drive status panel's readers against the simulated drive, without a window: what they
// post, when they post it, and that the watching thread and the GUI thread's read-all may
// run them at once (this test runs under ThreadSanitizer in that build).
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "frame/drive_status_bar_logic.h"
#include "frame/drive_status_bar_readers.h"
#include "link/registers.h"
#include "tests/support/sim_fixture.h"
#include "widgets/events.h"

namespace torvex {
namespace {

struct Posted {
    wxEventType type;
    int value;
    std::string text;
    long extra;
};

class Recorder {
public:
    DriveStatusReaders::Poster poster() {
        return [this](wxEventType type, int value, const wxString& text, long extra) {
            std::lock_guard lock(mutex_);
            posted_.push_back({type, value, text.ToStdString(), extra});
        };
    }
    std::vector<Posted> take() {
        std::lock_guard lock(mutex_);
        return std::exchange(posted_, {});
    }
    std::vector<Posted> of(wxEventType type) {
        std::vector<Posted> out;
        for (const Posted& p : take())
            if (p.type == type) out.push_back(p);
        return out;
    }

private:
    std::mutex mutex_;
    std::vector<Posted> posted_;
};

class ReadersTest : public ::testing::Test {
protected:
    void SetUp() override {
        buildRegisterCache();
        drive_ = test::startSimDrive({}, &address_);
        ASSERT_TRUE(drive_);
        drive_->setReg(0x8F, 0x80020005);
        drive_->setReg(0x40, 0x80010001);
        drive_->setReg(0xD8, 0x8000);
        drive_->setReg(0xA8, 0xC000);
        drive_->setReg(0x5F, 100);
        connection_.setIpAddress(address_);
        ASSERT_EQ(connection_.connectDrive("TCP", 0), 0u);
    }
    void TearDown() override { connection_.disconnectDrive(); }

    std::string address_;
    std::unique_ptr<sim::SimDrive> drive_;
    DriveConnection connection_;
    Recorder recorder_;
};

TEST_F(ReadersTest, PostsEveryRegisterAndTheWordsOnlyWhenTheyChange) {
    DriveStatusReaders readers(&connection_, recorder_.poster());
    ASSERT_TRUE(readers.updateDriveStatus(0));
    std::vector<Posted> first = recorder_.take();
    ASSERT_EQ(first.size(), 6u);
    EXPECT_EQ(first[0].type, ErrorWordEvent);
    EXPECT_EQ(static_cast<uint32_t>(first[0].value), 0x80020005u);
    EXPECT_EQ(first[0].text, "0");
    EXPECT_EQ(tagLinkState(first[0].extra), status::kDriveAnswered);
    EXPECT_EQ(first[1].type, WarningWordEvent);
    EXPECT_EQ(static_cast<uint32_t>(first[1].value), 0x80020000u);
    EXPECT_EQ(first[2].type, IoBitsEvent);
    EXPECT_EQ(static_cast<uint32_t>(first[2].value), 0x80010001u);
    EXPECT_EQ(first[3].type, StatusBitsEvent);
    EXPECT_EQ(first[3].value, 0x8000);
    EXPECT_EQ(first[4].type, SpeedValueEvent);
    EXPECT_EQ(first[4].value, -16384);
    EXPECT_EQ(first[5].type, CurrentValueEvent);
    EXPECT_EQ(first[5].value, 100);

    // Same words: only the four read-outs again. A new count posts the error word again.
    ASSERT_TRUE(readers.updateDriveStatus(0));
    EXPECT_EQ(recorder_.take().size(), 4u);
    ASSERT_TRUE(readers.updateDriveStatus(2));
    std::vector<Posted> counted = recorder_.of(ErrorWordEvent);
    ASSERT_EQ(counted.size(), 1u);
    EXPECT_EQ(counted[0].text, "2");

    // A failed read of the error word is its own state, not a word with bit 16 set.
    drive_->setFault(sim::Fault::Silent, 1);
    EXPECT_TRUE(readers.postErrorWord(2));
    std::vector<Posted> silent = recorder_.take();
    ASSERT_EQ(silent.size(), 1u);
    EXPECT_EQ(tagLinkState(silent[0].extra), status::kNoReply);
    EXPECT_EQ(silent[0].value, 0);

    // Any other failed read fails the cycle, so the watching step counts it.
    drive_->setFault(sim::Fault::Silent, 1);
    EXPECT_FALSE(readers.postIoBits());
    drive_->setFault(sim::Fault::None);

    connection_.disconnectDrive();
    EXPECT_FALSE(readers.updateDriveStatus(0));
    EXPECT_TRUE(readers.postErrorWord(0));
    EXPECT_TRUE(readers.postWarningWord());
    std::vector<Posted> gone = recorder_.take();
    ASSERT_EQ(gone.size(), 1u);
    EXPECT_EQ(tagLinkState(gone[0].extra), status::kNoCom);
}

TEST_F(ReadersTest, WatchingThreadAndReadAllTogetherPostEachChangeOnce) {
    DriveStatusReaders readers(&connection_, recorder_.poster());
    std::atomic<bool> stop{false};
    std::atomic<int> failures{0};
    auto run = [&] {
        while (!stop.load())
            if (!readers.updateDriveStatus(0)) failures.fetch_add(1);
    };
    std::thread watching(run);
    std::thread gui(run);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    drive_->setReg(0x8F, 0x00010000);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    stop = true;
    watching.join();
    gui.join();
    EXPECT_EQ(failures.load(), 0);
    std::vector<Posted> posted = recorder_.take();
    std::vector<uint32_t> errorWords;
    std::vector<uint32_t> warningWords;
    size_t readouts = 0;
    for (const Posted& p : posted) {
        if (p.type == ErrorWordEvent) errorWords.push_back(static_cast<uint32_t>(p.value));
        else if (p.type == WarningWordEvent) warningWords.push_back(static_cast<uint32_t>(p.value));
        else ++readouts;
    }
    EXPECT_EQ(errorWords, (std::vector<uint32_t>{0x80020005u, 0x00010000u}));
    EXPECT_EQ(warningWords, (std::vector<uint32_t>{0x80020000u, 0x00010000u}));
    EXPECT_GT(readouts, 8u);
}

TEST_F(ReadersTest, AReadingBegunBeforeTheLinkChangedIsNeverPosted) {
    DriveStatusReaders readers(&connection_, recorder_.poster());
    const uint32_t before = readers.generation();
    // The speed read of a cycle is held at the drive until the link has changed meanwhile
    // (the panel went offline while the watching thread waited for the drive).
    std::mutex mutex;
    std::condition_variable changed;
    bool inRead = false;
    bool release = false;
    drive_->setReadHook(0xA8, [&](uint32_t stored) {
        std::unique_lock lock(mutex);
        inRead = true;
        changed.notify_all();
        changed.wait_for(lock, std::chrono::seconds(5), [&] { return release; });
        return stored;
    });
    bool cycle = false;
    std::thread watching([&] { cycle = readers.updateDriveStatus(0); });
    {
        std::unique_lock lock(mutex);
        ASSERT_TRUE(changed.wait_for(lock, std::chrono::seconds(5), [&] { return inRead; }));
    }
    // The GUI thread moves on while the reading still holds the readers.
    std::thread gui([&] { readers.newGeneration(); });
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (readers.generation() == before && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
    EXPECT_NE(readers.generation(), before) << "the link change waited for the reading";
    {
        std::lock_guard lock(mutex);
        release = true;
    }
    changed.notify_all();
    watching.join();
    gui.join();
    drive_->setReadHook(0xA8, nullptr);
    EXPECT_TRUE(cycle);

    // What the cycle posted before the change carries the old generation (the panel drops
    // it); after the change it posted nothing.
    std::vector<Posted> stale = recorder_.take();
    ASSERT_EQ(stale.size(), 4u);
    for (const Posted& p : stale) EXPECT_EQ(tagGeneration(p.extra), before);
    EXPECT_EQ(stale.back().type, StatusBitsEvent);

    // The next cycle belongs to the new link and posts everything afresh, the unchanged
    // words included.
    ASSERT_TRUE(readers.updateDriveStatus(0));
    std::vector<Posted> fresh = recorder_.take();
    ASSERT_EQ(fresh.size(), 6u);
    for (const Posted& p : fresh) EXPECT_EQ(tagGeneration(p.extra), readers.generation());
    EXPECT_NE(readers.generation(), before);
}

}  // namespace
}  // namespace torvex
