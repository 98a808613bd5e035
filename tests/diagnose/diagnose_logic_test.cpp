// The Diagnose panels' text rules and the register walk, without a window: typed register
// numbers and values, the value formats, the list order, and a walk against the simulated
// drive over TCP (also meant to run under ThreadSanitizer).
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

#include "link/connection.h"
#include "link/message_seam.h"
#include "link/register_lines.h"
#include "link/registers.h"
#include "tests/support/sim_fixture.h"
#include "widgets/manual_rw_panel.h"
#include "widgets/register_list_panel.h"
#include "widgets/register_list_walk.h"
#include "widgets/track_panel.h"

namespace torvex {
namespace {

using Clock = std::chrono::steady_clock;

class DiagnoseLogic : public ::testing::Test {
protected:
    void SetUp() override { buildRegisterCache(); }
};

TEST_F(DiagnoseLogic, TypedRegisterNumbers) {
    struct Case {
        const char* text;
        int expected;  // -1: refused
    };
    const Case cases[] = {
        {"27", 27},    {"0x1b", 27},  {"0x1B", 27}, {" 0x1b ", 27}, {"255", 255}, {"0", 0},     {"0xff", 255},
        {"0X1B", -1},  {"", -1},      {"256", -1},  {"0x100", -1},  {"0x", -1},   {"1b", -1},   {"-1", -1},
        {"+5", -1},    {"12 3", -1},  {"abc", -1},  {"99999999999999999999999", -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        auto reg = parseManualRegister(c.text);
        if (c.expected < 0) {
            EXPECT_FALSE(reg.has_value());
        } else {
            ASSERT_TRUE(reg.has_value());
            EXPECT_EQ(*reg, uint32_t(c.expected));
        }
    }
}

TEST_F(DiagnoseLogic, TypedValuesMustParseWholeAndFitTheWidth) {
    struct Case {
        const char* text;
        bool is32bit;
        bool ok;
        int64_t expected;
    };
    const Case cases[] = {
        {"150", false, true, 150},
        {"0xFFFF", false, true, 65535},
        {"65535", false, true, 65535},
        {"-32768", false, true, -32768},
        {"0x-1", false, true, -1},
        {"65536", false, false, 0},
        {"70000", false, false, 0},
        {"-32769", false, false, 0},
        {"4294967295", true, true, 4294967295LL},
        {"0xFFFFFFFF", true, true, 4294967295LL},
        {"-2147483648", true, true, -2147483648LL},
        {"4294967296", true, false, 0},
        {"-2147483649", true, false, 0},
        {"12abc", false, false, 0},
        {"", false, false, 0},
        {"0x", true, false, 0},
        {"0X10", false, false, 0},
        {"1.5", false, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        auto value = parseManualValue(c.text, c.is32bit);
        ASSERT_EQ(value.has_value(), c.ok);
        if (c.ok) {
            EXPECT_EQ(*value, c.expected);
        }
    }
}

TEST_F(DiagnoseLogic, ValueFormatsFollowSignAndWidth) {
    // 0x34 signed 16-bit, 0x59 unsigned 16-bit, 0x6E signed 32-bit, 0x40 unsigned 32-bit.
    ASSERT_FALSE(isRegisterUnsigned(0x34));
    ASSERT_TRUE(isRegisterUnsigned(0x59));
    ASSERT_TRUE(is32bitRegister(0x6E));
    ASSERT_FALSE(isRegisterUnsigned(0x6E));
    ASSERT_TRUE(is32bitRegister(0x40));
    ASSERT_TRUE(isRegisterUnsigned(0x40));
    struct Case {
        uint32_t reg;
        uint32_t value;
        const char* manual;
        const char* track;
    };
    const Case cases[] = {
        {0x34, 0xFFFF, "-1\n(0xffff)", " -1 (0xffff)"},
        {0x59, 0xFFFF, "65535\n(0xffff)", " 65535 (0xffff)"},
        {0x6E, 0xFFFFFFFE, "-2\n(0xfffffffe)", " -2 (0xfffffffe)"},
        {0x40, 0x12345678, "305419896\n(0x12345678)", " 305419896 (0x12345678)"},
        {0x1B, 310, "310\n(0x0136)", " 310 (0x0136)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reg);
        EXPECT_EQ(manualValueText(c.reg, c.value), c.manual);
        EXPECT_EQ(trackValueText(c.reg, c.value), c.track);
    }
}

TEST_F(DiagnoseLogic, DriveKeepingAnotherValueIsWarnedInItsWidth) {
    EXPECT_EQ(changedByDriveText(0x34, 150, 100).value_or(""), "Value changed by the Drive (150 (0x96) -> 100 (0x64))!");
    // 0xFFFF into a signed 16-bit register reads back as the same 16 bits.
    EXPECT_FALSE(changedByDriveText(0x34, 0xFFFF, 0xFFFF).has_value());
    EXPECT_FALSE(changedByDriveText(0x34, -1, 0xFFFF).has_value());
    EXPECT_FALSE(changedByDriveText(0x6E, -2, 0xFFFFFFFE).has_value());
    EXPECT_TRUE(changedByDriveText(0x6E, 0x12345678, 0x12345679).has_value());
}

TEST_F(DiagnoseLogic, ListOrderSkipsUnlistedRepeatedAndOutOfRangeNumbers) {
    const std::vector<uint32_t> all = registerListOrder(true, {});
    EXPECT_EQ(all.size(), 205u);
    EXPECT_TRUE(std::is_sorted(all.begin(), all.end()));
    for (uint32_t reg : {0x01u, 0x51u, 0x52u}) EXPECT_EQ(std::count(all.begin(), all.end(), reg), 0) << reg;

    // 81 is 0x51 (no line), 0x01 has no name.
    ASSERT_EQ(std::count(all.begin(), all.end(), 0x44u), 1);
    const std::vector<uint32_t> chosen = registerListOrder(false, {0x44, 81, 0x01, 300, 0x34, 0x44, 0x1B, 256, 0x34});
    EXPECT_EQ(chosen, (std::vector<uint32_t>{0x44, 0x34, 0x1B}));
}

// A walk against the simulated drive over TCP; the sink collects what the thread hands over.
class WalkTest : public DiagnoseLogic {
protected:
    void SetUp() override {
        DiagnoseLogic::SetUp();
        firmwareVersion = 0;
        previousHandler_ = setMessageHandler([](const MessageRequest&) { return static_cast<int>(kMsgOk); });
        std::string address;
        drive = test::startSimDrive({}, &address);
        ASSERT_TRUE(drive);
        connection.setIpAddress(address);
        connection.transport().setTcpTimeouts(1000, 150);
        ASSERT_EQ(connection.connectDrive("TCP", 9600), 0u);
        drive->clearFrames();
    }
    void TearDown() override {
        connection.disconnectDrive();
        setMessageHandler(previousHandler_);
    }

    static std::array<bool, 256> linesOf(const std::vector<uint32_t>& regs) {
        std::array<bool, 256> has{};
        for (uint32_t reg : regs) has[reg] = true;
        return has;
    }

    struct Seen {
        std::mutex mutex;
        std::vector<std::pair<int, std::string>> lines;
        std::vector<uint64_t> walks;
        std::atomic<int> ends{0};
    };
    RegisterListWalk::Sink sinkInto(Seen& seen) {
        return [&seen](int reg, const std::string& line, uint64_t walk) {
            std::lock_guard lock(seen.mutex);
            seen.lines.emplace_back(reg, line);
            seen.walks.push_back(walk);
            if (reg == RegisterListWalk::kEndMarker) ++seen.ends;
        };
    }
    static bool waitFor(const std::function<bool()>& pred, int ms) {
        auto until = Clock::now() + std::chrono::milliseconds(ms);
        while (!pred()) {
            if (Clock::now() > until) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return true;
    }

    DriveConnection connection;
    std::unique_ptr<sim::SimDrive> drive;
    MessageHandler previousHandler_;
};

TEST_F(WalkTest, ReadsEachLineOnceAscendingAndEndsOnce) {
    drive->setReg(0x34, 0xFFFF);
    drive->setReg(0x40, 0x12345678);
    drive->setRegisterSilent(0x36, true);
    Seen seen;
    RegisterListWalk walk(&connection);
    const std::vector<uint32_t> regs = {0x40, 0x1B, 0x34, 0x36};
    uint64_t id = walk.start(linesOf(regs), sinkInto(seen));
    ASSERT_NE(id, 0u);
    // A second start while it runs is refused.
    EXPECT_EQ(walk.start(linesOf(regs), sinkInto(seen)), 0u);
    ASSERT_TRUE(waitFor([&] { return seen.ends.load() == 1; }, 5000));
    walk.finished(id);
    EXPECT_FALSE(walk.running());

    std::lock_guard lock(seen.mutex);
    ASSERT_EQ(seen.lines.size(), 5u);
    EXPECT_EQ(seen.lines[0].first, 0x1B);
    EXPECT_EQ(seen.lines[1].first, 0x34);
    EXPECT_EQ(seen.lines[2].first, 0x36);
    EXPECT_EQ(seen.lines[3].first, 0x40);
    EXPECT_EQ(seen.lines[4].first, RegisterListWalk::kEndMarker);
    for (uint64_t w : seen.walks) EXPECT_EQ(w, id);
    uint32_t v34 = 0xFFFF, v40 = 0x12345678;
    EXPECT_EQ(seen.lines[1].second, RegisterListWalk::lineFor(0x34, &v34));
    EXPECT_NE(seen.lines[1].second.find("0xffff     -1 "), std::string::npos) << seen.lines[1].second;
    EXPECT_EQ(seen.lines[2].second, RegisterListWalk::lineFor(0x36, nullptr));  // silent: empty columns
    EXPECT_EQ(seen.lines[3].second, RegisterListWalk::lineFor(0x40, &v40));

    std::vector<uint32_t> reads;
    for (const auto& frame : drive->frames()) {
        EXPECT_TRUE(frame.isRead) << "the walk wrote register " << frame.reg;
        reads.push_back(frame.reg);
    }
    EXPECT_EQ(reads, (std::vector<uint32_t>{0x1B, 0x34, 0x36, 0x40}));
}

TEST_F(WalkTest, StopEndsASlowWalkWithinOneReadAndANewWalkGetsANewNumber) {
    drive->setReplyDelay(40);
    Seen seen;
    RegisterListWalk walk(&connection);
    const std::vector<uint32_t> all = registerListOrder(true, {});
    uint64_t first = walk.start(linesOf(all), sinkInto(seen));
    ASSERT_NE(first, 0u);
    ASSERT_TRUE(drive->waitForFrames(3, 3000));
    auto start = Clock::now();
    walk.stop();
    EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count(), 500);
    EXPECT_FALSE(walk.running());
    const size_t readsAtStop = drive->frames().size();
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    EXPECT_LE(drive->frames().size(), readsAtStop + 1);
    EXPECT_EQ(seen.ends.load(), 1);  // the stopped walk still said it ended, once

    drive->setReplyDelay(0);
    uint64_t second = walk.start(linesOf({0x1B}), sinkInto(seen));
    EXPECT_GT(second, first);
    ASSERT_TRUE(waitFor([&] { return seen.ends.load() == 2; }, 3000));
    walk.finished(first);  // a stale notice changes nothing
    EXPECT_EQ(walk.currentWalk(), second);
    walk.finished(second);
    EXPECT_FALSE(walk.running());
}

TEST_F(WalkTest, OfflineWalkGivesPlaceholdersAndAFailedThreadStartsNothing) {
    connection.disconnectDrive();
    drive->clearFrames();
    Seen seen;
    RegisterListWalk walk(&connection);
    uint64_t id = walk.start(linesOf({0x1B, 0x34}), sinkInto(seen));
    ASSERT_TRUE(waitFor([&] { return seen.ends.load() == 1; }, 3000));
    walk.finished(id);
    {
        std::lock_guard lock(seen.mutex);
        ASSERT_EQ(seen.lines.size(), 3u);
        EXPECT_EQ(seen.lines[0].second, RegisterListWalk::lineFor(0x1B, nullptr));
    }
    EXPECT_TRUE(drive->frames().empty());

    walk.setLauncher([](std::function<void()>) -> std::thread {
        throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
    });
    EXPECT_EQ(walk.start(linesOf({0x1B}), sinkInto(seen)), 0u);
    EXPECT_FALSE(walk.running());
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(seen.ends.load(), 1);
}

TEST_F(WalkTest, DestroyingAWalkMidWayJoinsIt) {
    drive->setReplyDelay(30);
    Seen seen;
    {
        RegisterListWalk walk(&connection);
        ASSERT_NE(walk.start(linesOf(registerListOrder(true, {})), sinkInto(seen)), 0u);
        ASSERT_TRUE(drive->waitForFrames(2, 3000));
    }
    // Nothing reads or hands over after the walk is gone.
    const size_t frames = drive->frames().size();
    const int ends = seen.ends.load();
    std::this_thread::sleep_for(std::chrono::milliseconds(120));
    EXPECT_EQ(drive->frames().size(), frames);
    EXPECT_EQ(ends, 1);
}

}  // namespace
}  // namespace torvex
