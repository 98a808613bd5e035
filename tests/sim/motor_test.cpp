// The simulated drive's motor: what follows what once the drive is enabled, the speed
// scale that follows 0xC8 and 0x59, and the timer the program runs it on.
#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "tests/sim/raw_links.h"
#include "tests/support/sim_fixture.h"
#include "tools/drivesim/sim_motor.h"

namespace torvex::test {
namespace {

int16_t s16(uint32_t v) { return int16_t(uint16_t(v)); }
int32_t s32(uint32_t v) { return int32_t(v); }

class Motor : public ::testing::Test {
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
    // A write as the tool sends it, so the drive's own reaction to writes runs.
    void write16(uint8_t reg, int32_t value) {
        size_t before = drive->frames().size();
        ASSERT_TRUE(sendBytes(fd, tcpRecord(0x201, 3, {reg, uint8_t(value), uint8_t(value >> 8)})));
        ASSERT_TRUE(drive->waitForFrames(before + 1));
    }
    void write32(uint8_t reg, int32_t value) {
        size_t before = drive->frames().size();
        ASSERT_TRUE(sendBytes(fd, tcpRecord(0x201, 5,
                                            {reg, uint8_t(value), uint8_t(value >> 8), uint8_t(value >> 16),
                                             uint8_t(value >> 24)})));
        ASSERT_TRUE(drive->waitForFrames(before + 1));
    }

    std::string address;
    std::unique_ptr<sim::SimDrive> drive;
    int fd = -1;
};

TEST_F(Motor, DisabledOrNotSteppedLeavesEveryRegisterAlone) {
    drive->setReg(0x30, 123);
    drive->setReg(0x6D, 4567);
    write16(0x31, 10000);
    drive->stepMotor(500);  // enable bit clear
    EXPECT_EQ(drive->reg(0x30), 123u);
    EXPECT_EQ(drive->reg(0xA8), 0u);
    EXPECT_EQ(drive->reg(0x5D), 0u);
    EXPECT_EQ(drive->reg(0x6D), 4567u);

    drive->enableMotor(true);
    EXPECT_EQ(drive->reg(0x40) & 1u, 1u);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(drive->reg(0x30), 123u) << "nothing moves until a step or the timer";

    drive->enableMotor(false);
    EXPECT_EQ(drive->reg(0x40) & 1u, 0u);
}

TEST_F(Motor, SpeedFollowsTheCommandFirstOrderWithoutOvershoot) {
    drive->setReg(0x40, 0x1000 | 1u);  // other status bits stay
    for (int32_t command : {10000, -5000, 0}) {
        SCOPED_TRACE(command);
        write16(0x31, command);
        int32_t start = s16(drive->reg(0x30));
        int32_t previous = start;
        for (int ms = 1; ms <= 300; ++ms) {
            drive->stepMotor(1);
            int32_t now = s16(drive->reg(0x30));
            // Moves towards the command every step and never passes it.
            EXPECT_LE(std::abs(command - now), std::abs(command - previous));
            EXPECT_TRUE(command >= start ? now <= command : now >= command);
            if (ms == 20) {
                // One time constant: about 63 % of the way.
                double done = double(now - start) / double(command - start);
                EXPECT_NEAR(done, 0.63, 0.05);
            }
            previous = now;
        }
        EXPECT_EQ(s16(drive->reg(0x30)), command);
        EXPECT_EQ(s16(drive->reg(0xA8)), command);
        EXPECT_EQ(s16(drive->reg(0x5D)), command);
        EXPECT_EQ(s16(drive->reg(0x32)), command);
        EXPECT_EQ(s16(drive->reg(0x33)), 0);
        EXPECT_EQ(drive->reg(0x40), 0x1001u);
    }
}

TEST_F(Motor, PositionIntegratesTheSpeedAndTheCommandTracksIt) {
    drive->enableMotor(true);
    drive->setReg(0x6D, uint32_t(-1000));
    write16(0x31, 32767);
    drive->stepMotor(300);
    int32_t before = s32(drive->reg(0x6D));
    EXPECT_GT(before, -1000);
    drive->stepMotor(1000);
    // Full speed is 0xCE = 3000 rpm: 50 revolutions of 4096 counts a second.
    EXPECT_NEAR(s32(drive->reg(0x6D)) - before, 204800, 100);
    EXPECT_EQ(drive->reg(0x91), drive->reg(0x6D));
    EXPECT_EQ(drive->reg(0x70), 0u);

    // A smaller speed scale makes the same raw speed cover less.
    write16(0xC8, 1500);
    ASSERT_EQ(drive->reg(0xCE), 1500u);
    before = s32(drive->reg(0x6D));
    drive->stepMotor(1000);
    EXPECT_NEAR(s32(drive->reg(0x6D)) - before, 102400, 100);
}

TEST_F(Motor, PositionDestinationIsReachedWithoutOvershootAndTheErrorIsShown) {
    drive->enableMotor(true);
    for (int32_t destination : {100000, -20000}) {
        SCOPED_TRACE(destination);
        write32(0x6E, destination);
        int32_t start = s32(drive->reg(0x6D));
        bool sawError = false;
        for (int ms = 0; ms < 3000; ms += 10) {
            drive->stepMotor(10);
            int32_t actual = s32(drive->reg(0x6D));
            EXPECT_EQ(s32(drive->reg(0x91)), destination);
            EXPECT_EQ(s32(drive->reg(0x70)), destination - actual);
            sawError = sawError || s32(drive->reg(0x70)) != 0;
            EXPECT_TRUE(destination >= start ? actual <= destination + 1 : actual >= destination - 1);
        }
        EXPECT_TRUE(sawError);
        EXPECT_NEAR(s32(drive->reg(0x6D)), destination, 1);
        EXPECT_NEAR(s16(drive->reg(0x30)), 0, 2);
    }
    // A destination past the end of the 32-bit counter is reached the short way round,
    // the way the error shows it.
    drive->setReg(0x6D, uint32_t(2147483000));
    write32(0x6E, -2147483000);
    drive->stepMotor(10);
    EXPECT_GT(s16(drive->reg(0x30)), 0) << "forwards";
    drive->stepMotor(3000);
    EXPECT_NEAR(s32(drive->reg(0x6D)), -2147483000, 1);
    // Back to a speed command: the position command follows the actual position again.
    write16(0x31, 1000);
    drive->stepMotor(100);
    EXPECT_EQ(drive->reg(0x91), drive->reg(0x6D));
    EXPECT_EQ(drive->reg(0x70), 0u);
}

TEST_F(Motor, CurrentFollowsOffsetPlusTorqueCommand) {
    drive->enableMotor(true);
    write16(0x21, 1000);
    drive->stepMotor(2);
    int32_t early = s16(drive->reg(0x20));
    EXPECT_GT(early, 500);
    EXPECT_LT(early, 1000);
    drive->stepMotor(30);
    EXPECT_EQ(s16(drive->reg(0x26)), 1000);
    EXPECT_EQ(s16(drive->reg(0x20)), 1000);

    write16(0x90, -3000);
    drive->stepMotor(30);
    EXPECT_EQ(s16(drive->reg(0x26)), -2000);
    EXPECT_EQ(s16(drive->reg(0x20)), -2000);
    // The current turns the motor: the speed heads the same way.
    EXPECT_LT(s16(drive->reg(0x30)), 0);

    // A speed command again: the current is what the acceleration takes, none at rest.
    write16(0x31, 0);
    drive->stepMotor(500);
    EXPECT_EQ(s16(drive->reg(0x30)), 0);
    EXPECT_EQ(s16(drive->reg(0x20)), 0);
}

TEST_F(Motor, ValuesSetFromOutsideAreTheNewState) {
    drive->enableMotor(true);
    write16(0x31, 0);
    drive->stepMotor(10);
    drive->setReg(0x30, 8000);
    drive->stepMotor(1);
    int32_t speed = s16(drive->reg(0x30));
    EXPECT_LT(speed, 8000);
    EXPECT_GT(speed, 7000);
    drive->setReg(0x6D, 555555);
    drive->stepMotor(1);
    EXPECT_NEAR(s32(drive->reg(0x6D)), 555555, 50);
}

TEST_F(Motor, SpeedScaleFollowsWritesOfBothMaxima) {
    EXPECT_EQ(drive->reg(0xCE), 3000u) << "start value";
    write16(0xC8, 6000);
    EXPECT_EQ(drive->reg(0xCE), 3750u) << "0x59 = 3000 limits to 3750";
    write16(0x59, 8000);
    EXPECT_EQ(drive->reg(0xCE), 6000u);
    write16(0xC8, 0);
    EXPECT_EQ(drive->reg(0xCE), 0u);
    // Presets do not count as writes of the drive's own behaviour.
    drive->setReg(0xC8, 1000);
    EXPECT_EQ(drive->reg(0xCE), 0u);

    struct Case {
        uint32_t c8, m59, expected;
    } cases[] = {
        {3000, 3000, 3000}, {4000, 3000, 3750}, {0, 3000, 0}, {3000, 0, 0},
        {65535, 65535, 65535}, {65535, 60000, 65535}, {65535, 52000, 65000}, {7, 7, 7}, {9, 7, 8},
    };
    for (const Case& c : cases) EXPECT_EQ(sim::speedScaleFor(c.c8, c.m59), c.expected) << c.c8 << " " << c.m59;
}

TEST_F(Motor, TimerStepsTheMotorUntilStopped) {
    drive->enableMotor(true);
    write16(0x31, 2000);
    drive->runMotor(true, 5);
    drive->runMotor(true, 5);  // a second start changes nothing
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (s16(drive->reg(0xA8)) != 2000 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_EQ(s16(drive->reg(0xA8)), 2000);
    drive->runMotor(false);
    uint32_t position = drive->reg(0x6D);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(drive->reg(0x6D), position) << "stopped timer";
    // Destroying the drive with the timer running ends it too.
    drive->runMotor(true, 1);
    drive.reset();
}

}  // namespace
}  // namespace torvex::test
