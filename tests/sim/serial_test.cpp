// The simulated drive over its pseudo-terminal: ASCII requests, binary word replies.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <future>

#include "tests/sim/raw_links.h"
#include "tests/support/sim_fixture.h"

namespace torvex::test {
namespace {

using sim::Fault;
using sim::SimDrive;
using sim::SimOptions;

class SerialSim : public ::testing::Test {
protected:
    void SetUp() override {
        SimOptions options;
        options.tcpAddress.clear();
        options.serial = true;
        drive = startSimDrive(options, nullptr);
        ASSERT_TRUE(drive);
        ASSERT_FALSE(drive->serialPath().empty());
        fd = openRawTerminal(drive->serialPath());
        ASSERT_GE(fd, 0);
    }
    void TearDown() override {
        if (fd >= 0) close(fd);
    }
    Bytes ask(const std::string& request, size_t expect, int timeoutMs = 2000) {
        EXPECT_TRUE(sendText(fd, request));
        return readBytes(fd, expect, timeoutMs);
    }

    std::unique_ptr<SimDrive> drive;
    int fd = -1;
};

TEST_F(SerialSim, WritesAreAsciiAndStoredByWidth) {
    struct Case {
        std::string request;
        uint32_t reg;
        uint32_t kept;
    };
    const Case cases[] = {
        {"341234X", 0x34, 0x1234},
        {"6e12345678X", 0x6E, 0x12345678},
        {"19ABCDX", 0x19, 0xABCD},  // upper-case digits are taken too
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.request);
        drive->clearFrames();
        ASSERT_TRUE(sendText(fd, c.request));
        ASSERT_TRUE(drive->waitForFrames(1));
        EXPECT_EQ(drive->reg(c.reg), c.kept);
        auto frames = drive->frames();
        ASSERT_EQ(frames.size(), 1u);
        EXPECT_EQ(frames[0].link, sim::Link::Serial);
        EXPECT_EQ(frames[0].reg, c.reg);
        EXPECT_EQ(frames[0].value, c.kept);
        EXPECT_EQ(frames[0].raw, Bytes(c.request.begin(), c.request.end()));
    }
    // A write is not answered.
    EXPECT_TRUE(readBytes(fd, 1, 100).empty());
}

TEST_F(SerialSim, ReadsAnswerInWordsLowByteFirst) {
    drive->setReg(0x40, 0x12345678);
    drive->setReg(0x34, 0x8001);
    EXPECT_EQ(ask("3d0040X", 4), Bytes({0x78, 0x56, 0x34, 0x12}));
    EXPECT_EQ(ask("3d0034X", 2), Bytes({0x01, 0x80}));
    EXPECT_EQ(ask("3d001bX", 2), Bytes({310 & 0xFF, 310 >> 8}));
    EXPECT_TRUE(readBytes(fd, 1, 100).empty());
    auto frames = drive->frames();
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_TRUE(frames[0].isRead);
    EXPECT_EQ(frames[0].reg, 0x40u);
}

TEST_F(SerialSim, LongRepliesDoNotChangeSerialWords) {
    drive->setLongReplies(true);
    drive->setReg(0x34, 0x0102);
    EXPECT_EQ(ask("3d0034X", 2), Bytes({0x02, 0x01}));
    EXPECT_TRUE(readBytes(fd, 1, 100).empty());
}

TEST_F(SerialSim, SeriesReplyStreamsWords) {
    drive->setSeriesReply(0x17, {0x0102, 0x8000, 0xFFFF});
    EXPECT_EQ(ask("170003X", 6), Bytes({0x02, 0x01, 0x00, 0x80, 0xFF, 0xFF}));
}

TEST_F(SerialSim, NoiseBeforeARequestIsSkipped) {
    drive->setReg(0x34, 0x0A0B);
    EXPECT_EQ(ask("zz\r3d0034X", 2), Bytes({0x0B, 0x0A}));
    EXPECT_EQ(ask("3d00X", 1, 100), Bytes());  // too short to be a request
    EXPECT_EQ(ask("3d0034X", 2), Bytes({0x0B, 0x0A}));
}

TEST_F(SerialSim, FaultsSpoilOneReplyEach) {
    drive->setReg(0x40, 0x11223344);
    drive->setReg(0x41, 0x5566);
    struct Case {
        Fault fault;
        Bytes expected;
    };
    const Case cases[] = {
        {Fault::Silent, {}},
        {Fault::WrongRegister, {0x66, 0x55, 0, 0}},   // the next register's value
        {Fault::WrongLength, {0x44, 0x33, 0x22}},     // one byte short
        {Fault::StrayByte, {0xA5, 0x44, 0x33, 0x22, 0x11}},
        {Fault::SplitRecord, {0x44, 0x33, 0x22, 0x11}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.fault));
        drive->setFault(c.fault, 1);
        EXPECT_EQ(ask("3d0040X", 5, 300), c.expected);
        EXPECT_EQ(ask("3d0040X", 4), Bytes({0x44, 0x33, 0x22, 0x11}));
    }
}

TEST_F(SerialSim, CloseLinkHangsUpAndANewTerminalWaits) {
    const std::string oldPath = drive->serialPath();
    drive->setFault(Fault::CloseLink, 1);
    ASSERT_TRUE(sendText(fd, "3d001bX"));
    EXPECT_TRUE(peerClosed(fd));
    close(fd);
    // A new terminal is offered; its name may or may not be the old one.
    std::string path;
    for (int i = 0; i < 100 && (path = drive->serialPath()).empty(); ++i) usleep(10000);
    fd = openRawTerminal(path);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(ask("3d001bX", 2), Bytes({310 & 0xFF, 310 >> 8}));
    (void)oldPath;
}

TEST(SerialSimLink, SymlinkPointsAtTheTerminalAndGoesAtStop) {
    auto folder = std::filesystem::temp_directory_path() / ("torvex-sim-test-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    SimOptions options;
    options.tcpAddress.clear();
    options.serial = true;
    options.serialLink = (folder / "ttyDrive").string();
    SimDrive drive(options);
    ASSERT_TRUE(drive.start());
    EXPECT_EQ(std::filesystem::read_symlink(options.serialLink), drive.serialPath());
    int fd = openRawTerminal(options.serialLink);
    ASSERT_GE(fd, 0);
    ASSERT_TRUE(sendText(fd, "3d001bX"));
    EXPECT_EQ(readBytes(fd, 2).size(), 2u);
    auto stopped = std::async(std::launch::async, [&] { drive.stop(); });
    EXPECT_EQ(stopped.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    close(fd);
    EXPECT_FALSE(std::filesystem::is_symlink(options.serialLink));

    // A stale link is replaced; a file that is no link is left alone.
    std::filesystem::create_symlink("/nonexistent", options.serialLink);
    SimDrive again(options);
    EXPECT_TRUE(again.start());
    again.stop();
    { std::ofstream(options.serialLink) << "keep"; }
    SimDrive refused(options);
    EXPECT_FALSE(refused.start());
    EXPECT_EQ(std::filesystem::file_size(options.serialLink), 4u);
    std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace torvex::test
