// The simulated drive over TCP, byte for byte.
#include <gtest/gtest.h>

#include <unistd.h>

#include <future>
#include <thread>

#include "tests/sim/raw_links.h"
#include "tests/support/sim_fixture.h"

namespace torvex::test {
namespace {

using sim::Fault;
using sim::SimDrive;
using sim::SimOptions;

Bytes readRequest(uint8_t reg) { return tcpRecord(0x201, 3, {0x3D, reg, 0x00}); }

class TcpSim : public ::testing::Test {
protected:
    void SetUp() override {
        drive = startSimDrive(options, &address);
        ASSERT_TRUE(drive);
        fd = connectRaw(address);
        ASSERT_GE(fd, 0);
    }
    void TearDown() override {
        if (fd >= 0) close(fd);
    }
    Bytes ask(uint8_t reg, size_t expect = 16, int timeoutMs = 2000) {
        EXPECT_TRUE(sendBytes(fd, readRequest(reg)));
        return readBytes(fd, expect, timeoutMs);
    }

    SimOptions options;
    std::string address;
    std::unique_ptr<SimDrive> drive;
    int fd = -1;
};

TEST_F(TcpSim, ReadOf32bitStatusGivesOneRecordOfLengthSix) {
    drive->setReg(0x40, 0x12345678);
    EXPECT_EQ(ask(0x40), Bytes({0x81, 0x01, 0, 0, 6, 0, 0, 0, 0x40, 0x78, 0x56, 0x34, 0x12, 0, 0, 0}));
    // Exactly one record came: nothing else is waiting.
    EXPECT_TRUE(readBytes(fd, 1, 100).empty());
}

TEST_F(TcpSim, WriteIsStoredLoggedAndNotAnswered) {
    Bytes request = tcpRecord(0x201, 3, {0x34, 0x34, 0x12});
    ASSERT_TRUE(sendBytes(fd, request));
    ASSERT_TRUE(drive->waitForFrames(1));
    EXPECT_EQ(drive->reg(0x34), 0x1234u);
    auto frames = drive->frames();
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].link, sim::Link::Tcp);
    EXPECT_FALSE(frames[0].isRead);
    EXPECT_EQ(frames[0].reg, 0x34u);
    EXPECT_EQ(frames[0].value, 0x1234u);
    EXPECT_EQ(frames[0].raw, request);
    EXPECT_TRUE(readBytes(fd, 1, 100).empty());
}

TEST_F(TcpSim, WidthsFollowTheRegisterTable) {
    struct Case {
        uint8_t reg;
        uint8_t length;
        Bytes value;
        uint32_t kept;
        Bytes reply;  // length byte, then data
    };
    const Case cases[] = {
        // 16-bit register: two value bytes, a reply of length 4
        {0x34, 3, {0xCD, 0xAB}, 0xABCD, {4, 0x34, 0xCD, 0xAB, 0, 0}},
        // 32-bit register: four value bytes, a reply of length 6
        {0x6E, 5, {0x78, 0x56, 0x34, 0x12}, 0x12345678, {6, 0x6E, 0x78, 0x56, 0x34, 0x12}},
        // a 16-bit register keeps 16 bits even when sent more
        {0x36, 5, {0x78, 0x56, 0x34, 0x12}, 0x5678, {4, 0x36, 0x78, 0x56, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reg);
        Bytes data = {c.reg};
        data.insert(data.end(), c.value.begin(), c.value.end());
        ASSERT_TRUE(sendBytes(fd, tcpRecord(0x201, c.length, data)));
        Bytes reply = ask(c.reg);
        ASSERT_EQ(reply.size(), 16u);
        EXPECT_EQ(drive->reg(c.reg), c.kept);
        EXPECT_EQ(Bytes(reply.begin() + 4, reply.begin() + 5), Bytes(c.reply.begin(), c.reply.begin() + 1));
        EXPECT_EQ(Bytes(reply.begin() + 8, reply.begin() + 13), Bytes(c.reply.begin() + 1, c.reply.end()));
    }
}

TEST_F(TcpSim, SetRegKeepsTheRegisterWidth) {
    drive->setReg(0x34, 0x12345678);
    drive->setReg(0x40, 0x12345678);
    EXPECT_EQ(drive->reg(0x34), 0x5678u);
    EXPECT_EQ(drive->reg(0x40), 0x12345678u);
}

TEST_F(TcpSim, LongRepliesPadOnly16bitValues) {
    drive->setLongReplies(true);
    drive->setReg(0x34, 0xBEEF);
    drive->setReg(0x40, 0x01020304);
    EXPECT_EQ(ask(0x34), Bytes({0x81, 0x01, 0, 0, 6, 0, 0, 0, 0x34, 0xEF, 0xBE, 0, 0, 0, 0, 0}));
    EXPECT_EQ(ask(0x40), Bytes({0x81, 0x01, 0, 0, 6, 0, 0, 0, 0x40, 0x04, 0x03, 0x02, 0x01, 0, 0, 0}));
}

TEST_F(TcpSim, StartValuesShowFirmwareAndAxisName) {
    EXPECT_EQ(ask(0x1B), Bytes({0x81, 0x01, 0, 0, 4, 0, 0, 0, 0x1B, 310 & 0xFF, 310 >> 8, 0, 0, 0, 0, 0}));
    drive->setFirmware(250);
    EXPECT_EQ(ask(0x1B)[9], 250);
    Bytes axis = ask(0xF8);
    EXPECT_EQ(std::string(axis.begin() + 9, axis.begin() + 13), "AX01");
}

TEST_F(TcpSim, SeriesReplyAnswersAWriteWithOneRecordPerValue) {
    drive->setSeriesReply(0x17, {0x0001, 0x8000, 0xFFFF});
    ASSERT_TRUE(sendBytes(fd, tcpRecord(0x201, 3, {0x17, 0x03, 0x00})));
    Bytes replies = readBytes(fd, 48);
    ASSERT_EQ(replies.size(), 48u);
    EXPECT_EQ(Bytes(replies.begin(), replies.begin() + 16),
              Bytes({0x81, 0x01, 0, 0, 4, 0, 0, 0, 0x17, 0x01, 0x00, 0, 0, 0, 0, 0}));
    EXPECT_EQ(Bytes(replies.begin() + 24, replies.begin() + 27), Bytes({0x17, 0x00, 0x80}));
    EXPECT_EQ(Bytes(replies.begin() + 40, replies.begin() + 43), Bytes({0x17, 0xFF, 0xFF}));
    EXPECT_EQ(drive->reg(0x17), 3u);
}

TEST_F(TcpSim, RequestArrivingInPiecesIsAssembled) {
    drive->setReg(0x40, 7);
    Bytes request = readRequest(0x40);
    ASSERT_TRUE(sendBytes(fd, Bytes(request.begin(), request.begin() + 7)));
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    ASSERT_TRUE(sendBytes(fd, Bytes(request.begin() + 7, request.end())));
    Bytes reply = readBytes(fd, 16);
    ASSERT_EQ(reply.size(), 16u);
    EXPECT_EQ(reply[9], 7);
}

TEST_F(TcpSim, WriteFilterDecidesTheKeptValue) {
    drive->setWriteFilter([](uint32_t reg, uint32_t value) { return reg == 0x34 ? std::min(value, 1000u) : value; });
    ASSERT_TRUE(sendBytes(fd, tcpRecord(0x201, 3, {0x34, 0x10, 0x27})));  // 10000
    ASSERT_TRUE(sendBytes(fd, tcpRecord(0x201, 3, {0x19, 0x10, 0x27})));
    ASSERT_TRUE(drive->waitForFrames(2));
    EXPECT_EQ(drive->reg(0x34), 1000u);
    EXPECT_EQ(drive->reg(0x19), 10000u);
}

TEST_F(TcpSim, ReadIsLoggedWithTheRegisterAskedFor) {
    ask(0x40);
    auto frames = drive->frames();
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_TRUE(frames[0].isRead);
    EXPECT_EQ(frames[0].reg, 0x40u);
    EXPECT_EQ(frames[0].value, 0u);
    drive->clearFrames();
    EXPECT_TRUE(drive->frames().empty());
}

// Each fault, once: what the next reply looks like, then a clean reply after it.
TEST_F(TcpSim, FaultsSpoilOneReplyEach) {
    drive->setReg(0x40, 0x11223344);
    const Bytes good = {0x81, 0x01, 0, 0, 6, 0, 0, 0, 0x40, 0x44, 0x33, 0x22, 0x11, 0, 0, 0};
    drive->setReg(0x41, 0x5566);
    const Bytes wrongRegister = {0x81, 0x01, 0, 0, 6, 0, 0, 0, 0x41, 0x66, 0x55, 0, 0, 0, 0, 0};
    Bytes wrongLength = good;
    wrongLength[4] = 5;
    Bytes stray = good;
    stray.insert(stray.begin(), 0xA5);
    struct Case {
        Fault fault;
        Bytes expected;
    };
    const Case cases[] = {
        {Fault::Silent, {}},
        {Fault::WrongRegister, wrongRegister},
        {Fault::WrongLength, wrongLength},
        {Fault::SplitRecord, good},
        {Fault::StrayByte, stray},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.fault));
        drive->setFault(c.fault, 1);
        ASSERT_TRUE(sendBytes(fd, readRequest(0x40)));
        EXPECT_EQ(readBytes(fd, c.expected.empty() ? 1 : c.expected.size(), c.expected.empty() ? 200 : 2000),
                  c.expected);
        EXPECT_EQ(ask(0x40), good);
    }
}

TEST_F(TcpSim, SplitRecordArrivesInSeveralPieces) {
    drive->setFault(Fault::SplitRecord, 1);
    int reads = 0;
    ASSERT_TRUE(sendBytes(fd, readRequest(0x1B)));
    Bytes reply = readBytes(fd, 16, 2000, &reads);
    EXPECT_EQ(reply.size(), 16u);
    EXPECT_GE(reads, 2);
}

TEST_F(TcpSim, FaultCountsAndClearing) {
    drive->setFault(Fault::Silent, 2);
    EXPECT_TRUE(ask(0x1B, 1, 200).empty());
    // Writes get no answer anyway and do not use up the fault.
    ASSERT_TRUE(sendBytes(fd, tcpRecord(0x201, 3, {0x34, 1, 0})));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(drive->reg(0x34), 1u);
    EXPECT_TRUE(readBytes(fd, 1, 100).empty());
    drive->setFault(Fault::Silent, 2);
    EXPECT_TRUE(ask(0x1B, 1, 200).empty());
    EXPECT_TRUE(ask(0x1B, 1, 200).empty());
    EXPECT_EQ(ask(0x1B).size(), 16u);

    drive->setFault(Fault::WrongRegister, -1);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(ask(0x1B)[8], 0x1C);
    drive->setFault(Fault::None);
    EXPECT_EQ(ask(0x1B)[8], 0x1B);
}

TEST_F(TcpSim, CloseLinkDropsTheConnectionAndANewOneWorks) {
    drive->setFault(Fault::CloseLink, 1);
    ASSERT_TRUE(sendBytes(fd, readRequest(0x1B)));
    EXPECT_TRUE(peerClosed(fd));
    close(fd);
    fd = connectRaw(address);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(ask(0x1B).size(), 16u);
    EXPECT_EQ(drive->connectionCount(), 2);
}

TEST_F(TcpSim, NewConnectionIsServedWhileAnOldOneLingers) {
    int second = connectRaw(address);
    ASSERT_GE(second, 0);
    ASSERT_TRUE(sendBytes(second, readRequest(0x1B)));
    EXPECT_EQ(readBytes(second, 16).size(), 16u);
    close(second);
    int third = connectRaw(address);
    ASSERT_GE(third, 0);
    ASSERT_TRUE(sendBytes(third, readRequest(0x1B)));
    EXPECT_EQ(readBytes(third, 16).size(), 16u);
    close(third);
    EXPECT_EQ(ask(0x1B).size(), 16u);  // the first one still works
    EXPECT_EQ(drive->connectionCount(), 3);
}

TEST_F(TcpSim, StopEndsWithAClientConnected) {
    ASSERT_EQ(ask(0x1B).size(), 16u);
    auto stopped = std::async(std::launch::async, [&] { drive->stop(); });
    ASSERT_EQ(stopped.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    EXPECT_TRUE(peerClosed(fd));
    // Nothing listens any more; the destructor after a stop is harmless.
    EXPECT_LT(connectRaw(address), 0);
    auto destroyed = std::async(std::launch::async, [&] { drive.reset(); });
    EXPECT_EQ(destroyed.wait_for(std::chrono::seconds(10)), std::future_status::ready);
}

TEST_F(TcpSim, StopEndsWhileARecordIsBeingSplit) {
    drive->setFault(Fault::SplitRecord, -1);
    drive->setSeriesReply(0x17, std::vector<uint16_t>(50, 1));
    ASSERT_TRUE(sendBytes(fd, tcpRecord(0x201, 3, {0x17, 0, 0})));
    ASSERT_TRUE(drive->waitForFrames(1));
    auto destroyed = std::async(std::launch::async, [&] { drive.reset(); });
    EXPECT_EQ(destroyed.wait_for(std::chrono::seconds(10)), std::future_status::ready);
}

TEST_F(TcpSim, HooksMayUseTheDriveItself) {
    // A write to 0x34 also sets 0x19; reads of 0x30 count up.
    drive->setWriteHook(0x34, [&](uint32_t value) { drive->setReg(0x19, drive->reg(0x34) + value); });
    int readsOf30 = 0;
    drive->setReadHook(0x30, [&](uint32_t stored) { return stored + uint32_t(++readsOf30); });
    ASSERT_TRUE(sendBytes(fd, tcpRecord(0x201, 3, {0x34, 5, 0})));
    ASSERT_TRUE(drive->waitForFrames(1));
    EXPECT_EQ(drive->reg(0x19), 10u);
    EXPECT_EQ(ask(0x30)[9], 1);
    EXPECT_EQ(ask(0x30)[9], 2);
    EXPECT_EQ(drive->reg(0x30), 0u);
}

TEST_F(TcpSim, TestThreadAndDriveThreadsShareTheRegisters) {
    constexpr int kReads = 200;
    std::thread client([&] {
        for (int i = 0; i < kReads; ++i) {
            ASSERT_TRUE(sendBytes(fd, readRequest(0x34)));
            ASSERT_EQ(readBytes(fd, 16).size(), 16u);
        }
    });
    for (int i = 0; i < kReads; ++i) {
        drive->setReg(0x34, uint32_t(i));
        (void)drive->frames();
    }
    client.join();
    EXPECT_EQ(drive->frames().size(), size_t(kReads));
}

TEST(TcpSimPair, TwoDrivesOnDifferentAddressesAtOnce) {
    std::string firstAddress, secondAddress;
    auto first = startSimDrive({}, &firstAddress);
    auto second = startSimDrive({}, &secondAddress);
    ASSERT_TRUE(first && second);
    ASSERT_NE(firstAddress, secondAddress);
    first->setReg(0x34, 1);
    second->setReg(0x34, 2);
    for (auto [address, value] : {std::pair{firstAddress, 1}, std::pair{secondAddress, 2}}) {
        int fd = connectRaw(address);
        ASSERT_GE(fd, 0);
        ASSERT_TRUE(sendBytes(fd, readRequest(0x34)));
        Bytes reply = readBytes(fd, 16);
        ASSERT_EQ(reply.size(), 16u);
        EXPECT_EQ(reply[9], value);
        close(fd);
    }
}

TEST(TcpSimPair, SecondDriveOnTheSameAddressDoesNotStart) {
    std::string address;
    auto first = startSimDrive({}, &address);
    ASSERT_TRUE(first);
    SimOptions options;
    options.tcpAddress = address;
    SimDrive second(options);
    EXPECT_FALSE(second.start());
}

}  // namespace
}  // namespace torvex::test
