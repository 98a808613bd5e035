// DriveConnection end to end against the simulated drive, over TCP, a pseudo-terminal and
// the test build of the CAN adapter library.
#include <atomic>
#include <thread>

#include "tests/link_e2e/e2e_support.h"

namespace torvex::test {
namespace {

using sim::Fault;
using sim::Link;

class Connect : public SimLinkTest {};

TEST_P(Connect, OnlineWithFirmware) {
    startDrive();
    drive_->setFirmware(312);
    EXPECT_EQ(connect(), 0u);
    EXPECT_EQ(firmwareVersion.load(), 312u);
    EXPECT_TRUE(connection_.isOnline());
    EXPECT_TRUE(connection_.isConnected());
    EXPECT_EQ(connection_.isTcp(), GetParam() == Link::Tcp);
    EXPECT_EQ(connection_.isCan(), GetParam() == Link::Can);
    EXPECT_EQ(readRequests(0x1B), 1u);
}

TEST_P(Connect, OldFirmwareClosesTheLink) {
    sim::SimOptions options;
    options.firmware = 250;
    startDrive(options);
    EXPECT_EQ(connect(), 3u);
    EXPECT_EQ(firmwareVersion.load(), 250u);
    EXPECT_FALSE(connection_.isOnline());
    EXPECT_FALSE(connection_.isLinkOpen());
    EXPECT_FALSE(connection_.isConnected());
}

TEST_P(Connect, SilentDriveIsAskedTenTimes) {
    startDrive();
    drive_->setFault(Fault::Silent);
    connection_.transport().setTcpTimeouts(1000, 200);
    const auto start = Clock::now();
    EXPECT_EQ(connect(), 2u);
    EXPECT_LT(millisecondsSince(start), 10 * replyTimeoutBoundMs());
    EXPECT_EQ(firmwareVersion.load(), 0u);
    EXPECT_FALSE(connection_.isOnline());
    EXPECT_FALSE(connection_.isLinkOpen());
    EXPECT_EQ(readRequests(0x1B), 10u);
}

TEST_P(Connect, DisconnectAndConnectAgain) {
    startDrive();
    ASSERT_EQ(connect(), 0u);
    connection_.disconnectDrive();
    EXPECT_FALSE(connection_.isConnected());
    EXPECT_FALSE(connection_.isOnline());
    uint16_t value = 0;
    EXPECT_EQ(connection_.read16bitRegister(0x1B, &value), 1u);
    ASSERT_EQ(connect(), 0u);
    EXPECT_EQ(connection_.read16bitRegister(0x1B, &value), 0u);
    EXPECT_EQ(value, 310);
    if (GetParam() == Link::Tcp) {
        EXPECT_EQ(drive_->connectionCount(), 2);
    }
}

INSTANTIATE_TEST_SUITE_P(Links, Connect, ::testing::Values(Link::Tcp, Link::Serial, Link::Can), linkParamName);

class Registers : public SimLinkTest {
protected:
    void SetUp() override {
        SimLinkTest::SetUp();
        if (HasFatalFailure()) return;
        startDrive();
        ASSERT_EQ(connect(), 0u);
        drive_->clearFrames();
    }
};

TEST_P(Registers, ReadsAndWrites) {
    drive_->setReg(0x40, 0x12345678);
    drive_->setReg(0x34, 0xBEEF);
    drive_->setReg(0x6D, 0xFFFFFFFE);
    uint32_t v32 = 0;
    uint16_t v16 = 0;
    EXPECT_EQ(connection_.read32bitRegister(0x40, &v32), 0u);
    EXPECT_EQ(v32, 0x12345678u);
    EXPECT_EQ(connection_.read16bitRegister(0x34, &v16), 0u);
    EXPECT_EQ(v16, 0xBEEF);
    EXPECT_EQ(connection_.read32bitRegister(0x6D, &v32), 0u);
    EXPECT_EQ(v32, 0xFFFFFFFEu);

    EXPECT_EQ(connection_.write16bitRegister(0x3C, 0x8001), 0u);
    EXPECT_EQ(connection_.write32bitRegister(0x6E, 0x12345678), 0u);
    v16 = 0x2222;
    EXPECT_EQ(connection_.writeRead16bitRegister(0x44, &v16), 0u);
    EXPECT_EQ(v16, 0x2222);
    v32 = 0x87654321;
    EXPECT_EQ(connection_.writeRead32bitRegister(0x7C, &v32), 0u);
    EXPECT_EQ(v32, 0x87654321u);
    EXPECT_EQ(drive_->reg(0x3C), 0x8001u);
    EXPECT_EQ(drive_->reg(0x6E), 0x12345678u);
    EXPECT_EQ(drive_->reg(0x44), 0x2222u);
    EXPECT_EQ(drive_->reg(0x7C), 0x87654321u);
}

TEST_P(Registers, WireBytesOfThe34And6eWrites) {
    ASSERT_EQ(connection_.write16bitRegister(0x34, 0x1234), 0u);
    ASSERT_EQ(connection_.write32bitRegister(0x6E, 0x12345678), 0u);
    uint32_t v32 = 0;
    ASSERT_EQ(connection_.read32bitRegister(0x40, &v32), 0u);
    const auto frames = drive_->frames();
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_FALSE(frames[0].isRead);
    EXPECT_EQ(frames[0].reg, 0x34u);
    EXPECT_EQ(frames[0].value, 0x1234u);
    EXPECT_EQ(frames[1].reg, 0x6Eu);
    EXPECT_EQ(frames[1].value, 0x12345678u);
    EXPECT_TRUE(frames[2].isRead);
    EXPECT_EQ(frames[2].reg, 0x40u);
    using Bytes = std::vector<uint8_t>;
    switch (GetParam()) {
        case Link::Serial:
            EXPECT_EQ(frames[0].raw, Bytes({'3', '4', '1', '2', '3', '4', 'X'}));
            EXPECT_EQ(frames[1].raw, Bytes({'6', 'e', '1', '2', '3', '4', '5', '6', '7', '8', 'X'}));
            EXPECT_EQ(frames[2].raw, Bytes({'3', 'd', '0', '0', '4', '0', 'X'}));
            break;
        case Link::Tcp:
            EXPECT_EQ(frames[0].raw, Bytes({0x01, 0x02, 0, 0, 3, 0, 0, 0, 0x34, 0x34, 0x12, 0, 0, 0, 0, 0}));
            EXPECT_EQ(frames[1].raw, Bytes({0x01, 0x02, 0, 0, 5, 0, 0, 0, 0x6E, 0x78, 0x56, 0x34, 0x12, 0, 0, 0}));
            EXPECT_EQ(frames[2].raw, Bytes({0x01, 0x02, 0, 0, 3, 0, 0, 0, 0x3D, 0x40, 0, 0, 0, 0, 0, 0}));
            break;
        case Link::Can:
            // The adapter's message record: identifier, type 0, length, data zero behind the length.
            EXPECT_EQ(frames[0].raw, Bytes({0x01, 0x02, 0, 0, 0, 3, 0x34, 0x34, 0x12, 0, 0, 0, 0, 0, 0, 0}));
            EXPECT_EQ(frames[1].raw, Bytes({0x01, 0x02, 0, 0, 0, 5, 0x6E, 0x78, 0x56, 0x34, 0x12, 0, 0, 0, 0, 0}));
            EXPECT_EQ(frames[2].raw, Bytes({0x01, 0x02, 0, 0, 0, 3, 0x3D, 0x40, 0, 0, 0, 0, 0, 0, 0, 0}));
            break;
    }
}

TEST_P(Registers, SeriesReadConvertsLikeSerialWords) {
    drive_->setSeriesReply(0x17, {0x0001, 0x8000, 0x8001, 0x7FFF, 0xFFFF});
    int out[8] = {};
    const uint32_t got = connection_.readRegisterSeries(0x17, 5, out, 5);
    ASSERT_EQ(got, 5u);
    EXPECT_EQ(out[0], 1);
    EXPECT_EQ(out[1], 32768);
    EXPECT_EQ(out[2], -32767);
    EXPECT_EQ(out[3], 32767);
    EXPECT_EQ(out[4], -1);
    // Asking for more than the drive sends ends at the first missing reply.
    drive_->setSeriesReply(0x17, {0x10, 0x20});
    EXPECT_EQ(connection_.readRegisterSeries(0x17, 2, out, 4), 2u);
    // A 32-bit register gives nothing and sends nothing.
    drive_->clearFrames();
    EXPECT_EQ(connection_.readRegisterSeries(0x40, 0, out, 4), 0u);
    EXPECT_TRUE(drive_->frames().empty());
}

TEST_P(Registers, WidthMismatchBoxAndTheReadStillHappens) {
    Boxes boxes;
    drive_->setReg(0x40, 0x12345678);
    uint16_t v16 = 0;
    EXPECT_EQ(connection_.read16bitRegister(0x40, &v16), 0u);
    EXPECT_EQ(v16, 0x5678);
    const auto all = boxes.all();
    ASSERT_EQ(all.size(), 1u);
    EXPECT_EQ(all[0].text, "Internal error:\nread16bitRegister for register 0x40!\nPlease inform the manufacturer.");
    EXPECT_EQ(all[0].caption, "Torvex - internal error");
    EXPECT_EQ(readRequests(0x40), 1u);
}

TEST_P(Registers, EepromCommandHoldsTheLinkWhileTheDriveWorks) {
    std::atomic<long> readDoneAt{0};
    const auto start = Clock::now();
    std::thread command([&] { EXPECT_EQ(connection_.write16bitRegisterAndSleep(0x84, 1, 400), 0u); });
    // Once the drive has the command, its sender holds the link for the whole sleep; a fixed
    // pause instead could end before a loaded machine even ran the sender.
    ASSERT_TRUE(drive_->waitForFrames(1));
    uint16_t v16 = 0;
    EXPECT_EQ(connection_.read16bitRegister(0x1B, &v16), 0u);
    readDoneAt = millisecondsSince(start);
    command.join();
    EXPECT_GE(readDoneAt.load(), 380);
    EXPECT_EQ(drive_->reg(0x84), 1u);
}

TEST_P(Registers, BootCommandDropsTheLink) {
    EXPECT_EQ(connection_.write16bitRegisterAndOffline(0xB0, 1), 0u);
    EXPECT_FALSE(connection_.isOnline());
    EXPECT_FALSE(connection_.isLinkOpen());
    // The frame was on the wire before the link went.
    bool seen = false;
    for (int i = 0; i < 100 && !seen; ++i) {
        for (const auto& frame : drive_->frames()) seen |= !frame.isRead && frame.reg == 0xB0;
        if (!seen) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_TRUE(seen);
}

TEST_P(Registers, ImageModeLeavesTheDriveAlone) {
    connection_.loadOfflineImage({{0x1B, 305}, {0x34, 7}}, {{0x40, 9}});
    EXPECT_EQ(firmwareVersion.load(), 305u);
    EXPECT_FALSE(connection_.isLinkOpen());
    uint16_t v16 = 0;
    uint32_t v32 = 0;
    EXPECT_EQ(connection_.read16bitRegister(0x34, &v16), 0u);
    EXPECT_EQ(v16, 7);
    EXPECT_EQ(connection_.read32bitRegister(0x6D, &v32), 0u);
    EXPECT_EQ(v32, 0u);
    EXPECT_EQ(connection_.write16bitRegister(0x44, 3), 0u);
    EXPECT_EQ(connection_.write16bitRegisterAndSleep(0x84, 1, 2000), 1u);
    EXPECT_EQ(connection_.imageValues16().at(0x44), 3);
    EXPECT_TRUE(drive_->frames().empty());
}

TEST_P(Registers, ThreadsNeverInterleaveTheirExchanges) {
    const uint32_t regs[4] = {0x3C, 0x44, 0x46, 0x4D};  // 16-bit registers
    for (uint32_t t = 0; t < 4; ++t) drive_->setReg(regs[t], 0x1000 + t);
    drive_->setReg(0x40, 0xA5A5A5A5);
    std::atomic<int> wrong{0}, failed{0};
    const int rounds = GetParam() == Link::Serial ? 5 : 40;
    std::vector<std::thread> threads;
    for (uint32_t t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < rounds; ++i) {
                uint16_t v16 = 0;
                if (connection_.read16bitRegister(regs[t], &v16) != 0)
                    ++failed;
                else if (v16 != 0x1000 + t)
                    ++wrong;
                uint32_t v32 = 0;
                if (connection_.read32bitRegister(0x40, &v32) != 0)
                    ++failed;
                else if (v32 != 0xA5A5A5A5)
                    ++wrong;
            }
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(wrong.load(), 0);
    EXPECT_EQ(failed.load(), 0);
}

INSTANTIATE_TEST_SUITE_P(Links, Registers, ::testing::Values(Link::Tcp, Link::Serial, Link::Can), linkParamName);

}  // namespace
}  // namespace torvex::test
