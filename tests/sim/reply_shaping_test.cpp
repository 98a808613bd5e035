// The simulated drive's slow answers and silent registers, seen from the wire.
#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>

#include "tests/sim/raw_links.h"
#include "tests/support/sim_fixture.h"

namespace torvex::test {
namespace {

using Clock = std::chrono::steady_clock;

Bytes readRequest(uint8_t reg) { return tcpRecord(0x201, 3, {0x3D, reg, 0x00}); }

long msSince(Clock::time_point start) {
    return long(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

class ShapedSim : public ::testing::Test {
protected:
    void SetUp() override {
        drive = startSimDrive({}, &address);
        ASSERT_TRUE(drive);
        fd = connectRaw(address);
        ASSERT_GE(fd, 0);
    }
    void TearDown() override {
        if (fd >= 0) close(fd);
    }
    Bytes ask(uint8_t reg, int timeoutMs) {
        EXPECT_TRUE(sendBytes(fd, readRequest(reg)));
        return readBytes(fd, 16, timeoutMs);
    }

    std::string address;
    std::unique_ptr<sim::SimDrive> drive;
    int fd = -1;
};

TEST_F(ShapedSim, SilentRegisterIsLoggedButUnansweredUntilCleared) {
    drive->setReg(0x34, 0x1234);
    drive->setReg(0x35, 0x0042);
    drive->setRegisterSilent(0x34, true);
    drive->setRegisterSilent(300, true);  // out of range: ignored, no harm

    EXPECT_TRUE(ask(0x34, 150).empty());
    // Its neighbour still answers, with its own record only.
    Bytes other = ask(0x35, 2000);
    ASSERT_EQ(other.size(), 16u);
    EXPECT_EQ(other[8], 0x35);
    EXPECT_EQ(other[9], 0x42);
    // A write of the silent register is still stored.
    ASSERT_TRUE(sendBytes(fd, tcpRecord(0x201, 3, {0x34, 0x78, 0x56})));
    ASSERT_TRUE(drive->waitForFrames(3));
    EXPECT_EQ(drive->reg(0x34), 0x5678u);

    auto frames = drive->frames();
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_TRUE(frames[0].isRead);
    EXPECT_EQ(frames[0].reg, 0x34u);

    drive->setRegisterSilent(0x34, false);
    Bytes answered = ask(0x34, 2000);
    ASSERT_EQ(answered.size(), 16u);
    EXPECT_EQ(answered[8], 0x34);
    EXPECT_EQ(answered[9], 0x78);
    EXPECT_EQ(answered[10], 0x56);
}

TEST_F(ShapedSim, RefusedWriteIsLoggedButChangesNothingUntilAccepted) {
    drive->setReg(0x34, 0x1111);
    int hookRuns = 0;
    drive->setWriteHook(0x34, [&hookRuns](uint32_t) { ++hookRuns; });
    drive->setSeriesReply(0x34, {7, 8});
    drive->setWriteRefused(0x34, true);
    drive->setWriteRefused(300, true);  // out of range: ignored, no harm

    ASSERT_TRUE(sendBytes(fd, tcpRecord(0x201, 3, {0x34, 0x78, 0x56})));
    ASSERT_TRUE(drive->waitForFrames(1));
    EXPECT_TRUE(readBytes(fd, 16, 150).empty()) << "not even the register's series";
    EXPECT_EQ(drive->reg(0x34), 0x1111u);
    EXPECT_EQ(hookRuns, 0);
    // Reads of it, and writes of its neighbour, go on as before.
    Bytes read = ask(0x34, 2000);
    ASSERT_EQ(read.size(), 16u);
    EXPECT_EQ(read[9], 0x11);
    ASSERT_TRUE(sendBytes(fd, tcpRecord(0x201, 3, {0x35, 0x42, 0x00})));
    ASSERT_TRUE(drive->waitForFrames(3));
    EXPECT_EQ(drive->reg(0x35), 0x42u);
    auto frames = drive->frames();
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_FALSE(frames[0].isRead);
    EXPECT_EQ(frames[0].reg, 0x34u);
    EXPECT_EQ(frames[0].value, 0x5678u);

    drive->setWriteRefused(0x34, false);
    ASSERT_TRUE(sendBytes(fd, tcpRecord(0x201, 3, {0x34, 0x78, 0x56})));
    EXPECT_EQ(readBytes(fd, 32, 2000).size(), 32u) << "the series again";
    EXPECT_EQ(drive->reg(0x34), 0x5678u);
    EXPECT_EQ(hookRuns, 1);
}

TEST_F(ShapedSim, DelayHoldsEveryAnswerBackAndCanBeTakenAway) {
    drive->setReg(0x34, 7);
    drive->setReplyDelay(250);
    auto start = Clock::now();
    // Nothing within the first part of the delay, then the whole record.
    EXPECT_TRUE(ask(0x34, 100).empty());
    Bytes late = readBytes(fd, 16, 2000);
    ASSERT_EQ(late.size(), 16u);
    EXPECT_EQ(late[9], 7);
    EXPECT_GE(msSince(start), 240);

    drive->setReplyDelay(0);
    start = Clock::now();
    EXPECT_EQ(ask(0x34, 2000).size(), 16u);
    EXPECT_LT(msSince(start), 200);
}

TEST(ShapedSimStop, StopDoesNotWaitForALongDelay) {
    std::string address;
    auto drive = startSimDrive({}, &address);
    ASSERT_TRUE(drive);
    int fd = connectRaw(address);
    ASSERT_GE(fd, 0);
    drive->setReplyDelay(20000);
    ASSERT_TRUE(sendBytes(fd, readRequest(0x34)));
    ASSERT_TRUE(drive->waitForFrames(1));
    auto start = Clock::now();
    drive->stop();
    EXPECT_LT(msSince(start), 2000);
    close(fd);
}

}  // namespace
}  // namespace torvex::test
