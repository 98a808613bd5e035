// A misbehaving drive: every fault ends in a failed read (a reply in pieces in a correct
// one) within the link's time-out, and the next exchange works again.
#include <thread>

#include "tests/link_e2e/e2e_support.h"

namespace torvex::test {
namespace {

using sim::Fault;
using sim::Link;

struct FaultCase {
    Link link;
    Fault fault;
    bool readSucceeds;
    const char* name;
};

std::vector<FaultCase> faultCases() {
    return {
        {Link::Tcp, Fault::Silent, false, "TcpSilent"},
        {Link::Tcp, Fault::WrongRegister, false, "TcpWrongRegister"},
        {Link::Tcp, Fault::WrongLength, false, "TcpWrongLength"},
        {Link::Tcp, Fault::SplitRecord, true, "TcpSplitRecord"},
        {Link::Tcp, Fault::StrayByte, false, "TcpStrayByte"},
        {Link::Serial, Fault::Silent, false, "SerialSilent"},
        {Link::Serial, Fault::WrongLength, false, "SerialWrongLength"},
        {Link::Serial, Fault::SplitRecord, true, "SerialSplitRecord"},
        {Link::Serial, Fault::StrayByte, false, "SerialStrayByte"},
        {Link::Can, Fault::Silent, false, "CanSilent"},
        {Link::Can, Fault::WrongRegister, false, "CanWrongRegister"},
        {Link::Can, Fault::WrongLength, false, "CanWrongLength"},
    };
}

class FaultOnLink : public SimLinkTest {};

TEST_P(FaultOnLink, EveryFaultEndsWithinItsTimeOut) {
    startDrive();
    ASSERT_EQ(connect(), 0u);
    for (const FaultCase& c : faultCases()) {
        if (c.link != GetParam()) continue;
        SCOPED_TRACE(c.name);
        drive_->setReg(0x44, 0x1357);
        drive_->setReg(0x40, 0x2468ACE0);
        for (uint32_t reg : {0x44u, 0x40u}) {
            drive_->setFault(c.fault, 1);
            const auto start = Clock::now();
            uint32_t value = 0;
            uint32_t result;
            if (reg == 0x40) {
                result = connection_.read32bitRegister(reg, &value);
            } else {
                uint16_t v16 = 0;
                result = connection_.read16bitRegister(reg, &v16);
                value = v16;
            }
            EXPECT_LT(millisecondsSince(start), replyTimeoutBoundMs()) << std::hex << reg;
            if (c.readSucceeds) {
                EXPECT_EQ(result, 0u) << std::hex << reg;
                EXPECT_EQ(value, drive_->reg(reg)) << std::hex << reg;
            } else {
                EXPECT_EQ(result, 1u) << std::hex << reg;
            }
            // The fault is over: the next exchange is right again.
            drive_->setFault(Fault::None);
            value = 0;
            if (reg == 0x40) {
                EXPECT_EQ(connection_.read32bitRegister(reg, &value), 0u);
            } else {
                uint16_t v16 = 0;
                EXPECT_EQ(connection_.read16bitRegister(reg, &v16), 0u);
                value = v16;
            }
            EXPECT_EQ(value, drive_->reg(reg)) << std::hex << reg;
        }
        EXPECT_TRUE(connection_.isConnected());
    }
}

TEST_P(FaultOnLink, ClosedLinkNeverHangs) {
    startDrive();
    ASSERT_EQ(connect(), 0u);
    drive_->setFault(Fault::CloseLink);
    const auto start = Clock::now();
    int failures = 0;
    for (int i = 0; i < 6; ++i) {
        uint16_t v16 = 0;
        failures += connection_.read16bitRegister(0x44, &v16) != 0;
        failures += connection_.write16bitRegister(0x44, 1) != 0;
    }
    EXPECT_GE(failures, 1);
    EXPECT_LT(millisecondsSince(start), 12 * replyTimeoutBoundMs());
    if (GetParam() == Link::Tcp) {
        // A send into the closed connection fails and takes the link down; the drive stays
        // "online" for the frame to notice.
        EXPECT_TRUE(connection_.isOnline());
        EXPECT_FALSE(connection_.isConnected());
    }
}

TEST_P(FaultOnLink, LateReplyIsNeverTakenForTheNextRead) {
    startDrive();
    ASSERT_EQ(connect(), 0u);
    connection_.transport().setTcpTimeouts(1000, 200);
    // Longer than one reply may take on the link: the read gives up before its reply comes.
    const int lateMs = GetParam() == Link::Serial ? 800 : GetParam() == Link::Tcp ? 400 : 600;
    auto read = [this](uint32_t reg, uint32_t* value) {
        if (reg == 0x40) return connection_.read32bitRegister(reg, value);
        uint16_t v16 = 0;
        const uint32_t result = connection_.read16bitRegister(reg, &v16);
        *value = v16;
        return result;
    };
    for (uint32_t reg : {0x44u, 0x40u}) {
        SCOPED_TRACE(reg);
        drive_->setReg(reg, 0x1111);
        drive_->setReplyDelay(lateMs);
        uint32_t value = 0;
        EXPECT_EQ(read(reg, &value), 1u);
        // The late reply is on the link by now, and the drive has moved on meanwhile.
        std::this_thread::sleep_for(std::chrono::milliseconds(lateMs + 300));
        drive_->setReplyDelay(0);
        drive_->setReg(reg, 0x2222);
        EXPECT_EQ(read(reg, &value), 0u);
        EXPECT_EQ(value, 0x2222u);
    }
}

INSTANTIATE_TEST_SUITE_P(Links, FaultOnLink, ::testing::Values(Link::Tcp, Link::Serial, Link::Can), linkParamName);

// Serial replies are bare words: padding is a CAN and TCP matter.
class LongReplies : public SimLinkTest {};

TEST_P(LongReplies, AcceptedOnlyOnceLearnt) {
    sim::SimOptions options;
    options.longReplies = true;
    startDrive(options);
    ASSERT_EQ(connect(), 0u);  // learns from 0x1B
    EXPECT_TRUE(connection_.transport().longReplies());
    drive_->setReg(0x44, 0x4242);
    uint16_t v16 = 0;
    EXPECT_EQ(connection_.read16bitRegister(0x44, &v16), 0u);
    EXPECT_EQ(v16, 0x4242);
    // A drive that starts padding later is not believed until 0x1B is read again.
    drive_->setLongReplies(false);
    ASSERT_EQ(connect(), 0u);
    EXPECT_FALSE(connection_.transport().longReplies());
    drive_->setLongReplies(true);
    connection_.transport().setTcpTimeouts(1000, 200);
    EXPECT_EQ(connection_.read16bitRegister(0x44, &v16), 1u);
    EXPECT_EQ(connection_.read16bitRegister(0x1B, &v16), 0u);
    EXPECT_EQ(connection_.read16bitRegister(0x44, &v16), 0u);
    EXPECT_EQ(v16, 0x4242);
}

INSTANTIATE_TEST_SUITE_P(Links, LongReplies, ::testing::Values(Link::Tcp, Link::Can), linkParamName);

class CanTraffic : public SimLinkTest {};

TEST_P(CanTraffic, OtherMessagesBeforeTheReplyAreSkipped) {
    startDrive();
    ASSERT_EQ(connect(), 0u);
    drive_->setReg(0x44, 0x0BAD);
    can::CanMessage otherRegister{};
    otherRegister.id = 0x181;
    otherRegister.length = 4;
    otherRegister.data[0] = 0x45;
    can::CanMessage otherLength = otherRegister;
    otherLength.data[0] = 0x44;
    otherLength.length = 5;
    can::CanMessage quietStatus{};
    quietStatus.id = 0x181;  // the adapter's filter passes only this identifier
    quietStatus.messageType = 0x80;
    quietStatus.length = 4;
    drive_->sendCanBeforeNextReply({otherRegister, otherLength, quietStatus});
    uint16_t v16 = 0;
    EXPECT_EQ(connection_.read16bitRegister(0x44, &v16), 0u);
    EXPECT_EQ(v16, 0x0BAD);

    // A status message that tells of an error ends the read.
    can::CanMessage errorStatus = quietStatus;
    errorStatus.data[2] = 0x10;
    drive_->sendCanBeforeNextReply({errorStatus});
    EXPECT_EQ(connection_.read16bitRegister(0x44, &v16), 1u);
    EXPECT_EQ(connection_.read16bitRegister(0x44, &v16), 0u);
}

TEST_P(CanTraffic, AnErrorArrivingBetweenRequestsFailsTheNextRead) {
    startDrive();
    ASSERT_EQ(connect(), 0u);
    drive_->setReg(0x44, 0x0BAD);
    can::CanMessage errorStatus{};
    errorStatus.id = 0x181;
    errorStatus.messageType = 0x80;
    errorStatus.length = 4;
    errorStatus.data[2] = 0x10;
    // The error and a late reply come after the read has given up: both wait in the queue
    // when the next request is made, and the queue is emptied before it.
    drive_->sendCanBeforeNextReply({errorStatus});
    drive_->setReplyDelay(300);
    uint16_t v16 = 0;
    EXPECT_EQ(connection_.read16bitRegister(0x44, &v16), 1u);
    std::this_thread::sleep_for(std::chrono::milliseconds(600));
    drive_->setReplyDelay(0);
    EXPECT_EQ(connection_.write16bitRegister(0x44, 0x0BEE), 0u);  // a write reads nothing
    EXPECT_EQ(connection_.read16bitRegister(0x44, &v16), 1u);
    EXPECT_TRUE(connection_.isConnected());
    EXPECT_EQ(connection_.read16bitRegister(0x44, &v16), 0u);
    EXPECT_EQ(v16, 0x0BEE);
}

TEST_P(CanTraffic, TheAdapterFilterKeepsForeignIdentifiersAway) {
    // Opening sets the adapter's filter to 0x181 only: other traffic never reaches the
    // reply loop (so its "filter doesn't work" box stays away).
    startDrive();
    ASSERT_EQ(connect(), 0u);
    drive_->setReg(0x44, 0x0123);
    can::CanMessage foreign{};
    foreign.id = 0x222;
    foreign.length = 4;
    foreign.data[0] = 0x44;
    can::CanMessage below = foreign;
    below.id = 0x180;
    drive_->sendCanBeforeNextReply({foreign, below});
    uint16_t v16 = 0;
    EXPECT_EQ(connection_.read16bitRegister(0x44, &v16), 0u);
    EXPECT_EQ(v16, 0x0123);
}

INSTANTIATE_TEST_SUITE_P(Links, CanTraffic, ::testing::Values(Link::Can), linkParamName);

TEST(LinkLost, FailedTcpSendLeavesTheDriveOnlineButUnusable) {
    buildRegisterCache();
    sim::SimOptions options;
    std::string address;
    auto drive = startSimDrive(options, &address);
    ASSERT_TRUE(drive);
    DriveConnection connection;
    connection.setIpAddress(address);
    ASSERT_EQ(connection.connectDrive("TCP", 9600), 0u);
    drive->setFault(Fault::CloseLink);
    // The drive closes on the next request; sends into the closed connection fail soon after.
    for (int i = 0; i < 20 && connection.isConnected(); ++i) {
        connection.write16bitRegister(0x44, static_cast<uint16_t>(i));
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_FALSE(connection.isConnected());
    EXPECT_TRUE(connection.isOnline());
    EXPECT_FALSE(connection.isLinkOpen());
    drive->setFault(Fault::None);
    drive->clearFrames();
    const int connections = drive->connectionCount();
    const auto start = Clock::now();
    uint16_t v16 = 0;
    EXPECT_EQ(connection.read16bitRegister(0x1B, &v16), 1u);
    EXPECT_LT(millisecondsSince(start), 100);
    EXPECT_TRUE(drive->frames().empty());
    EXPECT_EQ(drive->connectionCount(), connections);
    connection.disconnectDrive();
    EXPECT_FALSE(connection.isOnline());
    EXPECT_EQ(connection.connectDrive("TCP", 9600), 0u);  // and going online again works
}

TEST(Opening, PortThatCannotBeOpened) {
    buildRegisterCache();
    ::setenv("TORVEX_COM7", "/nonexistent/tty", 1);
    DriveConnection connection;
    EXPECT_EQ(connection.connectDrive("COM7", 9600), 1u);
    EXPECT_FALSE(connection.isConnected());
}

TEST(Opening, GatewayThatIsNotThere) {
    buildRegisterCache();
    Boxes boxes;
    std::string address;
    {
        auto drive = startSimDrive(sim::SimOptions{}, &address);  // an address that was free a moment ago
        ASSERT_TRUE(drive);
    }
    DriveConnection connection;
    connection.setIpAddress(address);
    EXPECT_EQ(connection.connectDrive("TCP", 9600), 1u);
    const auto all = boxes.all();
    ASSERT_EQ(all.size(), 1u);
    EXPECT_EQ(all[0].text, "Can't connect to IP " + address + "!");
    EXPECT_EQ(all[0].caption, "Torvex - error");
    // No address at all: no box.
    DriveConnection empty;
    EXPECT_EQ(empty.connectDrive("TCP", 9600), 1u);
    EXPECT_EQ(boxes.all().size(), 1u);
}

TEST(Opening, MissingCanLibrary) {
    buildRegisterCache();
    Boxes boxes;
    ::setenv("TORVEX_CAN_LIBRARY", "/nonexistent/libpcan_usb.so", 1);
    DriveConnection connection;
    EXPECT_EQ(connection.connectDrive("CAN", 9600), 1u);
    const auto all = boxes.all();
    ASSERT_EQ(all.size(), 1u);
    EXPECT_EQ(all[0].text, "Can't load /nonexistent/libpcan_usb.so!");
    EXPECT_EQ(all[0].caption, "Torvex - error");
}

}  // namespace
}  // namespace torvex::test
