// DriveTransport against fake platform layers: what goes out, how replies are taken, which
// failures close the link, give-up counts.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>

#include "link/registers.h"
#include "link/transport.h"
#include "tests/link_transport/fakes.h"

namespace torvex::test {
namespace {

using Clock = std::chrono::steady_clock;

long millisecondsSince(Clock::time_point start) {
    return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

class TransportTest : public ::testing::Test {
protected:
    void SetUp() override {
        buildRegisterCache();
        auto serial = std::make_unique<FakeSerialPort>();
        auto tcp = std::make_unique<FakeTcpSocket>();
        serial_ = serial.get();
        tcp_ = tcp.get();
        transport_.usePlatform(std::move(serial), std::move(tcp), &can_);
    }

    // A TCP drive that answers reads from a table of registers.
    void tcpDrive(uint32_t firmware = 310, bool longReplies = false) {
        tcp_->responder = [firmware, longReplies](const std::vector<uint8_t>& request, std::deque<uint8_t>& input) {
            if (request[8] != 0x3D) return;
            const uint8_t reg = request[9];
            std::vector<uint8_t> reply;
            if (reg == 0x1B)
                reply = tcpReply(0x181, longReplies ? 6 : 4, {0x1B, uint8_t(firmware & 0xFF), uint8_t(firmware >> 8)});
            else if (is32bitRegister(reg))
                reply = tcpReply(0x181, 6, {reg, 0x78, 0x56, 0x34, 0x12});
            else
                reply = tcpReply(0x181, longReplies ? 6 : 4, {reg, 0x34, 0x12});
            input.insert(input.end(), reply.begin(), reply.end());
        };
    }

    void canDrive() {
        can_.responder = [](const can::CanMessage& request, std::deque<can::CanMessage>& incoming) {
            if (request.data[0] != 0x3D) return;
            const uint8_t reg = request.data[1];
            if (reg == 0x1B)
                incoming.push_back(canReply(0x181, 4, {0x1B, 0x36, 0x01}));
            else if (is32bitRegister(reg))
                incoming.push_back(canReply(0x181, 6, {reg, 0x78, 0x56, 0x34, 0x12}));
            else
                incoming.push_back(canReply(0x181, 4, {reg, 0x34, 0x12}));
        };
    }

    void serialDrive() {
        serial_->responder = [](const std::string& request, std::deque<uint8_t>& input) {
            if (request.compare(0, 2, "3d") != 0) return;
            const uint32_t reg = std::stoul(request.substr(2, 4), nullptr, 16);
            if (is32bitRegister(reg)) {
                for (uint8_t b : {0x78, 0x56, 0x34, 0x12}) input.push_back(b);
            } else {
                for (uint8_t b : {0x34, 0x12}) input.push_back(b);
            }
        };
    }

    BoxRecorder boxes_;
    FakeCanAdapter can_;
    FakeSerialPort* serial_ = nullptr;
    FakeTcpSocket* tcp_ = nullptr;
    DriveTransport transport_;
};

// ---- opening ------------------------------------------------------------------------------

TEST_F(TransportTest, PortTextsChooseTheLinkKind) {
    transport_.setIpAddress("10.0.0.2");
    EXPECT_EQ(transport_.openPort("CAN", 9600), 0u);
    EXPECT_TRUE(transport_.isCan());
    EXPECT_FALSE(transport_.isTcp());
    EXPECT_EQ(transport_.handle(), 1u);
    EXPECT_EQ(can_.initBitrate, 0x001C);
    EXPECT_EQ(can_.initType, 0);
    EXPECT_EQ(can_.filterFrom, 0x181u);
    EXPECT_EQ(can_.filterTo, 0x181u);

    // TCP after CAN: the CAN link is closed as CAN, and only TCP is marked.
    EXPECT_EQ(transport_.openPort("TCP", 9600), 0u);
    EXPECT_EQ(can_.unloads, 1);
    EXPECT_FALSE(can_.loaded);
    EXPECT_TRUE(transport_.isTcp());
    EXPECT_FALSE(transport_.isCan());
    ASSERT_EQ(tcp_->connectedAddresses.size(), 1u);
    EXPECT_EQ(tcp_->connectedAddresses[0], "10.0.0.2");
    EXPECT_EQ(tcp_->connectedPort, 6666);

    // CAN after TCP: the socket is closed, only CAN is marked.
    EXPECT_EQ(transport_.openPort("CAN", 9600), 0u);
    EXPECT_EQ(tcp_->closes, 1);
    EXPECT_TRUE(transport_.isCan());
    EXPECT_FALSE(transport_.isTcp());
    EXPECT_EQ(can_.loads, 2);  // each CAN open loads the library afresh

    EXPECT_EQ(transport_.openPort("COM3", 115200), 0u);
    EXPECT_FALSE(transport_.isCan());
    EXPECT_FALSE(transport_.isTcp());
    ASSERT_EQ(serial_->openedPorts.size(), 1u);
    ASSERT_EQ(serial_->openedBauds.size(), 1u);
    EXPECT_EQ(serial_->openedPorts.back(), "COM3");
    EXPECT_EQ(serial_->openedBauds.back(), 115200u);
    EXPECT_EQ(boxes_.count(), 0u);
}

TEST_F(TransportTest, CanWithBlankOrLowerCaseIsASerialName) {
    EXPECT_EQ(transport_.openPort("CAN ", 9600), 0u);
    EXPECT_FALSE(transport_.isCan());
    EXPECT_EQ(transport_.openPort("can", 9600), 0u);
    EXPECT_FALSE(transport_.isCan());
    EXPECT_EQ(transport_.openPort("tcp", 9600), 0u);
    EXPECT_FALSE(transport_.isTcp());
    EXPECT_EQ(serial_->openedPorts, (std::vector<std::string>{"CAN ", "can", "tcp"}));
    EXPECT_EQ(can_.loads, 0);
}

TEST_F(TransportTest, SerialOpenFailure) {
    serial_->openSucceeds = false;
    EXPECT_EQ(transport_.openPort("COM1", 9600), 1u);
    EXPECT_FALSE(transport_.isOpen());
    EXPECT_EQ(boxes_.count(), 0u);
}

TEST_F(TransportTest, MissingCanLibrary) {
    can_.loadSucceeds = false;
    const char* named = std::getenv("TORVEX_CAN_LIBRARY");
    const std::string saved = named ? named : "";
    ::unsetenv("TORVEX_CAN_LIBRARY");
    EXPECT_EQ(transport_.openPort("CAN", 9600), 2u);
    if (named) ::setenv("TORVEX_CAN_LIBRARY", saved.c_str(), 1);
    EXPECT_FALSE(transport_.isOpen());
    EXPECT_TRUE(transport_.isCan());
    ASSERT_EQ(boxes_.count(), 1u);
    EXPECT_EQ(boxes_.boxes()[0].text, "Can't load libpcan_usb.so!") << "the file looked for, not the old DLL";
    EXPECT_EQ(boxes_.boxes()[0].caption, "Torvex - error");
    EXPECT_EQ(boxes_.boxes()[0].style, kMsgOk | kMsgIconError);
}

TEST_F(TransportTest, CanInitFailures) {
    can_.initResult = 0x100;
    EXPECT_EQ(transport_.initCan(), 3u);
    EXPECT_FALSE(can_.loaded);
    can_.initResult = 0x8;
    EXPECT_EQ(transport_.initCan(), 3u);
    can_.initResult = 0;
    can_.statusResult = 0x10;
    EXPECT_EQ(transport_.initCan(), 4u);
    can_.statusResult = 0;
    can_.filterResult = 0x4000;
    EXPECT_EQ(transport_.initCan(), 5u);
    EXPECT_FALSE(can_.loaded);
    EXPECT_FALSE(transport_.isOpen());
    const auto boxes = boxes_.boxes();
    ASSERT_EQ(boxes.size(), 4u);
    EXPECT_EQ(boxes[0].text, "Can't init CAN communication (rc 0x100)!\nDo you have attached the CAN-adaptor?");
    EXPECT_EQ(boxes[1].text, "Can't init CAN communication (rc 0x8)!");
    EXPECT_EQ(boxes[2].text, "Wrong CAN status 0x10!");
    EXPECT_EQ(boxes[3].text, "Can't set CAN filter (rc 0x4000)!");
    for (const auto& box : boxes) EXPECT_EQ(box.caption, "Torvex - error");
    // The library was closed after the successful init, before it was unloaded.
    EXPECT_EQ(can_.closes, 2);
}

TEST_F(TransportTest, TcpOpenResults) {
    EXPECT_EQ(transport_.openPort("TCP", 9600), 1u);  // no address: no box
    EXPECT_EQ(boxes_.count(), 0u);
    transport_.setIpAddress("192.168.1.9");
    tcp_->connectResult = 2;
    EXPECT_EQ(transport_.connectTcp(), 2u);
    EXPECT_EQ(boxes_.count(), 0u);
    tcp_->connectResult = 4;
    EXPECT_EQ(transport_.connectTcp(), 4u);
    EXPECT_EQ(boxes_.count(), 0u);
    tcp_->connectResult = 3;
    EXPECT_EQ(transport_.connectTcp(), 3u);
    ASSERT_EQ(boxes_.count(), 1u);
    EXPECT_EQ(boxes_.boxes()[0].text, "Can't connect to IP 192.168.1.9!");
    EXPECT_EQ(boxes_.boxes()[0].caption, "Torvex - error");
    EXPECT_FALSE(transport_.isOpen());
}

TEST_F(TransportTest, ClosePortKeepsTheFlags) {
    transport_.setIpAddress("10.0.0.2");
    ASSERT_EQ(transport_.openPort("TCP", 9600), 0u);
    transport_.closePort();
    EXPECT_FALSE(transport_.isOpen());
    EXPECT_TRUE(transport_.isTcp());
    EXPECT_EQ(tcp_->closes, 1);
    transport_.closePort();  // closed already: nothing happens
    EXPECT_EQ(tcp_->closes, 1);
}

// ---- TCP ----------------------------------------------------------------------------------

TEST_F(TransportTest, TcpReadOfStatus) {
    transport_.setIpAddress("10.0.0.2");
    ASSERT_EQ(transport_.openPort("TCP", 9600), 0u);
    tcpDrive();
    uint32_t value = 0;
    EXPECT_EQ(transport_.requestRegister(0x40, &value, true), 1u);
    EXPECT_EQ(value, 0x12345678u);
    ASSERT_EQ(tcp_->records.size(), 1u);
    EXPECT_EQ(tcp_->records[0], (std::vector<uint8_t>{0x01, 0x02, 0x00, 0x00, 0x03, 0x00, 0x00, 0x00, 0x3D, 0x40,
                                                      0x00, 0x00, 0x00, 0x00, 0x00, 0x00}));
    EXPECT_EQ(tcp_->lastReceiveTimeoutMs, 1000);
}

TEST_F(TransportTest, TcpWriteRecord) {
    transport_.setIpAddress("10.0.0.2");
    ASSERT_EQ(transport_.openPort("TCP", 9600), 0u);
    EXPECT_TRUE(transport_.sendRegisterFrame(0x6E, 0x12345678, true));
    EXPECT_TRUE(transport_.sendRegisterFrame(0x34, 0xABCD1234, true));  // low 16 bits of a 16-bit register
    ASSERT_EQ(tcp_->records.size(), 2u);
    EXPECT_EQ(tcp_->records[0], tcpReply(0x201, 5, {0x6E, 0x78, 0x56, 0x34, 0x12}));
    EXPECT_EQ(tcp_->records[1], tcpReply(0x201, 3, {0x34, 0x34, 0x12}));
    EXPECT_EQ(tcp_->receives, 0);  // a write reads no reply
}

TEST_F(TransportTest, NothingGoesOutUnlessUsable) {
    transport_.setIpAddress("10.0.0.2");
    EXPECT_FALSE(transport_.sendRegisterFrame(0x34, 1, true));  // closed
    ASSERT_EQ(transport_.openPort("TCP", 9600), 0u);
    EXPECT_FALSE(transport_.sendRegisterFrame(0x34, 1, false));
    uint32_t value = 0;
    EXPECT_EQ(transport_.requestRegister(0x34, &value, false), 0u);
    EXPECT_EQ(tcp_->sends, 0);
}

TEST_F(TransportTest, RegisterAboveTheTableIsRefusedNotTruncated) {
    transport_.setIpAddress("10.0.0.2");
    ASSERT_EQ(transport_.openPort("TCP", 9600), 0u);
    tcpDrive();
    EXPECT_FALSE(transport_.sendRegisterFrame(0x134, 1, true));
    uint32_t value = 77;
    EXPECT_EQ(transport_.requestRegister(0x140, &value, true), 0u);
    EXPECT_EQ(value, 77u);
    EXPECT_EQ(transport_.readRegisterSeries(-1, 0, nullptr, 4, true), 0u);
    EXPECT_EQ(tcp_->sends, 0);
    EXPECT_TRUE(transport_.isOpen());
}

TEST_F(TransportTest, TcpLongRepliesLearntFromFirmwareOnly) {
    transport_.setIpAddress("10.0.0.2");
    ASSERT_EQ(transport_.openPort("TCP", 9600), 0u);
    tcpDrive(310, true);
    uint32_t value = 0;
    // Before 0x1B was read, a 6-byte 16-bit reply is refused.
    EXPECT_EQ(transport_.requestRegister(0x34, &value, true), 0u);
    EXPECT_FALSE(transport_.longReplies());
    EXPECT_EQ(transport_.requestRegister(0x1B, &value, true), 1u);
    EXPECT_EQ(value, 310u);
    EXPECT_TRUE(transport_.longReplies());
    EXPECT_EQ(transport_.requestRegister(0x34, &value, true), 1u);
    EXPECT_EQ(value, 0x1234u);
}

TEST_F(TransportTest, TcpFirmwareReplyOfAnImpossibleLengthUnlearnsLongReplies) {
    transport_.setIpAddress("10.0.0.2");
    ASSERT_EQ(transport_.openPort("TCP", 9600), 0u);
    tcpDrive(310, true);
    uint32_t value = 0;
    ASSERT_EQ(transport_.requestRegister(0x1B, &value, true), 1u);
    ASSERT_TRUE(transport_.longReplies());
    tcp_->responder = [](const std::vector<uint8_t>&, std::deque<uint8_t>& input) {
        auto reply = tcpReply(0x181, 5, {0x1B, 0x36, 0x01, 0});
        input.insert(input.end(), reply.begin(), reply.end());
    };
    EXPECT_EQ(transport_.requestRegister(0x1B, &value, true), 0u);
    EXPECT_FALSE(transport_.longReplies());
    // A padded 16-bit reply is then refused again.
    tcpDrive(310, true);
    EXPECT_EQ(transport_.requestRegister(0x34, &value, true), 0u);
}

TEST_F(TransportTest, TcpWrongRegisterFailsAtOnce) {
    transport_.setIpAddress("10.0.0.2");
    ASSERT_EQ(transport_.openPort("TCP", 9600), 0u);
    tcp_->responder = [](const std::vector<uint8_t>&, std::deque<uint8_t>& input) {
        auto reply = tcpReply(0x181, 4, {0x35, 1, 2});
        input.insert(input.end(), reply.begin(), reply.end());
        reply = tcpReply(0x181, 4, {0x34, 1, 2});  // the right one behind it is not looked for
        input.insert(input.end(), reply.begin(), reply.end());
    };
    uint32_t value = 0;
    EXPECT_EQ(transport_.requestRegister(0x34, &value, true), 0u);
    EXPECT_EQ(tcp_->receives, 1);
    EXPECT_TRUE(transport_.isOpen());  // a receive failure leaves the link open
    // The rest of that stream is stale: thrown away before the next request.
    tcpDrive();
    EXPECT_EQ(transport_.requestRegister(0x34, &value, true), 1u);
    EXPECT_EQ(tcp_->discarded, 16u);
}

TEST_F(TransportTest, TcpStreamIsEmptiedOnlyWhenSomethingCanBeLeftInIt) {
    transport_.setIpAddress("10.0.0.2");
    ASSERT_EQ(transport_.openPort("TCP", 9600), 0u);
    tcpDrive();
    uint32_t value = 0;
    // Reads that take their whole reply leave nothing behind: no extra call per exchange.
    for (int i = 0; i < 5; ++i) ASSERT_EQ(transport_.requestRegister(0x34, &value, true), 1u);
    EXPECT_EQ(tcp_->discards, 0);

    // A write reads no reply, so the next request empties the stream first.
    EXPECT_TRUE(transport_.sendRegisterFrame(0x34, 7, true));
    tcp_->input.push_back(0xEE);  // whatever the gateway sent meanwhile
    EXPECT_EQ(transport_.requestRegister(0x34, &value, true), 1u);
    EXPECT_EQ(tcp_->discards, 1);
    EXPECT_EQ(tcp_->discarded, 1u);
    EXPECT_EQ(value & 0xFFFF, 0x1234u);

    // A read without its reply (time-out): its reply may still come.
    tcp_->responder = nullptr;
    EXPECT_EQ(transport_.requestRegister(0x34, &value, true), 0u);
    tcpDrive();
    const auto late = tcpReply(0x181, 4, {0x34, 0x99, 0x99});
    tcp_->input.insert(tcp_->input.end(), late.begin(), late.end());
    EXPECT_EQ(transport_.requestRegister(0x34, &value, true), 1u);
    EXPECT_EQ(tcp_->discards, 2);
    EXPECT_EQ(value & 0xFFFF, 0x1234u) << "the late reply was not taken for this one";
    EXPECT_EQ(transport_.requestRegister(0x34, &value, true), 1u);
    EXPECT_EQ(tcp_->discards, 2);
}

TEST_F(TransportTest, TcpWrongIdentifierOrShortRecord) {
    transport_.setIpAddress("10.0.0.2");
    ASSERT_EQ(transport_.openPort("TCP", 9600), 0u);
    tcp_->responder = [](const std::vector<uint8_t>&, std::deque<uint8_t>& input) {
        auto reply = tcpReply(0x182, 4, {0x34, 1, 2});
        input.insert(input.end(), reply.begin(), reply.end());
    };
    uint32_t value = 0;
    EXPECT_EQ(transport_.requestRegister(0x34, &value, true), 0u);
    tcp_->responder = [](const std::vector<uint8_t>&, std::deque<uint8_t>& input) {
        auto reply = tcpReply(0x181, 4, {0x34, 1, 2});
        input.insert(input.end(), reply.begin(), reply.begin() + 15);
    };
    EXPECT_EQ(transport_.requestRegister(0x34, &value, true), 0u);
    EXPECT_TRUE(transport_.isOpen());
}

TEST_F(TransportTest, ShortTcpSendClosesTheLink) {
    transport_.setIpAddress("10.0.0.2");
    ASSERT_EQ(transport_.openPort("TCP", 9600), 0u);
    tcp_->sendLimit = 8;
    EXPECT_FALSE(transport_.sendRegisterFrame(0x34, 1, true));
    EXPECT_FALSE(transport_.isOpen());
    EXPECT_TRUE(transport_.isTcp());
    const int sends = tcp_->sends;
    uint32_t value = 0;
    EXPECT_EQ(transport_.requestRegister(0x34, &value, true), 0u);
    EXPECT_EQ(tcp_->sends, sends);  // nothing touches the network any more
    EXPECT_EQ(tcp_->receives, 0);
}

TEST_F(TransportTest, TcpSeriesRead) {
    transport_.setIpAddress("10.0.0.2");
    ASSERT_EQ(transport_.openPort("TCP", 9600), 0u);
    tcp_->responder = [](const std::vector<uint8_t>& request, std::deque<uint8_t>& input) {
        for (uint16_t v : {0x0001, 0x8000, 0x8001, 0xFFFF}) {
            auto reply = tcpReply(0x181, 4, {request[8], uint8_t(v & 0xFF), uint8_t(v >> 8)});
            input.insert(input.end(), reply.begin(), reply.end());
        }
    };
    int out[8] = {};
    EXPECT_EQ(transport_.readRegisterSeries(0x17, 0x10005, out, 6, true), 4u);
    EXPECT_EQ(out[0], 1);
    EXPECT_EQ(out[1], 32768);
    EXPECT_EQ(out[2], -32767);
    EXPECT_EQ(out[3], -1);
    ASSERT_EQ(tcp_->records.size(), 1u);
    EXPECT_EQ(tcp_->records[0], tcpReply(0x201, 3, {0x17, 0x05, 0x00}));
    EXPECT_EQ(transport_.readRegisterSeries(0x17, 0, nullptr, 2, true), 2u);  // no array: counted only
    EXPECT_EQ(transport_.readRegisterSeries(0x40, 0, out, 4, true), 0u);     // 32-bit: nothing
    EXPECT_EQ(transport_.readRegisterSeries(0x17, 0, out, 0, true), 0u);
    EXPECT_EQ(tcp_->records.size(), 2u);
}

// ---- CAN ----------------------------------------------------------------------------------

TEST_F(TransportTest, CanReadAndWrite) {
    ASSERT_EQ(transport_.openPort("CAN", 9600), 0u);
    canDrive();
    uint32_t value = 0;
    EXPECT_EQ(transport_.requestRegister(0x40, &value, true), 1u);
    EXPECT_EQ(value, 0x12345678u);
    ASSERT_EQ(can_.written.size(), 1u);
    EXPECT_EQ(can_.written[0].id, 0x201u);
    EXPECT_EQ(can_.written[0].length, 3);
    EXPECT_EQ(can_.written[0].data[0], 0x3D);
    EXPECT_EQ(can_.written[0].data[1], 0x40);
    EXPECT_TRUE(transport_.sendRegisterFrame(0x34, 0x1234, true));
    EXPECT_EQ(can_.written[1].length, 3);
    EXPECT_EQ(can_.written[1].data[1], 0x34);
    EXPECT_EQ(can_.written[1].data[2], 0x12);
}

TEST_F(TransportTest, CanReplyForAnotherRegisterIsSkipped) {
    ASSERT_EQ(transport_.openPort("CAN", 9600), 0u);
    can_.responder = [](const can::CanMessage&, std::deque<can::CanMessage>& incoming) {
        incoming.push_back(canReply(0x181, 4, {0x35, 9, 9}));        // another register
        incoming.push_back(canReply(0x181, 5, {0x34, 9, 9}));        // a length that fits no rule
        incoming.push_back(canReply(0x181, 4, {0x34, 0, 0}, 0x80));  // a status message without error
        incoming.push_back(canReply(0x181, 4, {0x34, 0x34, 0x12}));
    };
    uint32_t value = 0;
    EXPECT_EQ(transport_.requestRegister(0x34, &value, true), 1u);
    EXPECT_EQ(value, 0x1234u);
    EXPECT_EQ(boxes_.count(), 0u);
}

TEST_F(TransportTest, CanRepliesLeftFromEarlierRequestsAnswerNoLaterOne) {
    ASSERT_EQ(transport_.openPort("CAN", 9600), 0u);
    canDrive();
    // A reply that came after its read gave up, and samples of a series cut short.
    can_.incoming.push_back(canReply(0x181, 4, {0x34, 0x11, 0x11}));
    can_.incoming.push_back(canReply(0x181, 4, {0x34, 0x22, 0x22}));
    uint32_t value = 0;
    EXPECT_EQ(transport_.requestRegister(0x34, &value, true), 1u);
    EXPECT_EQ(value, 0x1234u);

    can_.responder = [](const can::CanMessage&, std::deque<can::CanMessage>& incoming) {
        incoming.push_back(canReply(0x181, 4, {0x34, 3, 0}));
        incoming.push_back(canReply(0x181, 4, {0x34, 4, 0}));
    };
    can_.incoming.push_back(canReply(0x181, 4, {0x34, 1, 0}));
    int samples[2] = {};
    EXPECT_EQ(transport_.readRegisterSeries(0x34, 2, samples, 2, true), 2u);
    EXPECT_EQ(samples[0], 3);
    EXPECT_EQ(samples[1], 4);
}

TEST_F(TransportTest, BusErrorWaitingInTheQueueClosesTheLinkBeforeTheNextRequest) {
    // The adapter learns of a bus-off from the status message it hands out.
    struct BusOffAdapter : FakeCanAdapter {
        uint32_t read(can::CanMessage* message) override {
            const uint32_t r = FakeCanAdapter::read(message);
            if (r == 0 && message->messageType != 0 && message->data[2] != 0) statusResult = 0x10;
            return r;
        }
    } adapter;
    DriveTransport transport;
    transport.usePlatform(nullptr, nullptr, &adapter);
    ASSERT_EQ(transport.openPort("CAN", 9600), 0u);
    adapter.incoming.push_back(canReply(0x1, 4, {0, 0, 0x10, 0}, 0x80));
    uint32_t value = 0;
    EXPECT_EQ(transport.requestRegister(0x34, &value, true), 0u);
    EXPECT_TRUE(adapter.written.empty());
    EXPECT_FALSE(transport.isOpen());
}

TEST_F(TransportTest, CanStatusMessageWithErrorFails) {
    ASSERT_EQ(transport_.openPort("CAN", 9600), 0u);
    can_.responder = [](const can::CanMessage&, std::deque<can::CanMessage>& incoming) {
        incoming.push_back(canReply(0x1, 4, {0, 0, 0x10, 0}, 0x80));
        incoming.push_back(canReply(0x181, 4, {0x34, 0x34, 0x12}));
    };
    uint32_t value = 0;
    EXPECT_EQ(transport_.requestRegister(0x34, &value, true), 0u);
    EXPECT_TRUE(transport_.isOpen());
}

// Error messages of the adapter that came between two requests are emptied out of the
// queue with the stale replies before the next request; each still fails one read, as it
// would have failed the read that met it in the queue.
TEST_F(TransportTest, CanErrorMessagesWaitingBeforeARequestEachFailALaterRead) {
    const can::CanMessage error = canReply(0x1, 4, {0, 0, 0x10, 0}, 0x80);
    const can::CanMessage quiet = canReply(0x1, 4, {0, 0, 0, 0}, 0x80);
    ASSERT_EQ(transport_.openPort("CAN", 9600), 0u);
    canDrive();
    uint32_t value = 0;

    // Before a read: that read fails, the link stays open, the next read works.
    can_.incoming = {canReply(0x181, 4, {0x34, 9, 9}), error, quiet};
    EXPECT_EQ(transport_.requestRegister(0x34, &value, true), 0u);
    EXPECT_TRUE(transport_.isOpen());
    EXPECT_EQ(can_.written.size(), 1u);  // the request went out all the same
    EXPECT_EQ(transport_.requestRegister(0x34, &value, true), 1u);
    EXPECT_EQ(value, 0x1234u);

    // Before a write: the write reads nothing and goes out; the read after it fails.
    can_.incoming = {error};
    EXPECT_TRUE(transport_.sendRegisterFrame(0x34, 0x55, true));
    EXPECT_EQ(transport_.requestRegister(0x34, &value, true), 0u);
    EXPECT_EQ(transport_.requestRegister(0x34, &value, true), 1u);

    // Two errors fail two reads; a series read counts as one read.
    can_.incoming = {error, quiet, error};
    int samples[2] = {};
    EXPECT_EQ(transport_.readRegisterSeries(0x34, 1, samples, 2, true), 0u);
    EXPECT_EQ(transport_.requestRegister(0x34, &value, true), 0u);
    EXPECT_EQ(transport_.requestRegister(0x34, &value, true), 1u);

    // A status message without an error fails nothing.
    can_.incoming = {quiet, quiet};
    EXPECT_EQ(transport_.requestRegister(0x34, &value, true), 1u);

    // The adapter's queue goes with the link: a new link owes nothing.
    can_.incoming = {error};
    EXPECT_TRUE(transport_.sendRegisterFrame(0x34, 0x55, true));
    ASSERT_EQ(transport_.openPort("CAN", 9600), 0u);
    EXPECT_EQ(transport_.requestRegister(0x34, &value, true), 1u);
    EXPECT_TRUE(boxes_.boxes().empty());
}

TEST_F(TransportTest, CanForeignIdentifierShowsTheFilterBoxAndGoesOn) {
    ASSERT_EQ(transport_.openPort("CAN", 9600), 0u);
    can_.responder = [](const can::CanMessage&, std::deque<can::CanMessage>& incoming) {
        incoming.push_back(canReply(0x123, 4, {0x34, 9, 9}));
        incoming.push_back(canReply(0x124, 4, {0x34, 9, 9}));
        incoming.push_back(canReply(0x181, 4, {0x34, 0x34, 0x12}));
    };
    uint32_t value = 0;
    EXPECT_EQ(transport_.requestRegister(0x34, &value, true), 1u);
    EXPECT_EQ(value, 0x1234u);
    ASSERT_EQ(boxes_.count(), 1u);  // one box per exchange
    EXPECT_EQ(boxes_.boxes()[0].text, "PCAN MsgFilter doesn't work, this should never happen!");
    EXPECT_EQ(boxes_.boxes()[0].caption, "Torvex - internal error");
}

TEST_F(TransportTest, SilentCanGivesUpAfterFiftyEmptyPolls) {
    ASSERT_EQ(transport_.openPort("CAN", 9600), 0u);
    const auto start = Clock::now();
    uint32_t value = 0;
    EXPECT_EQ(transport_.requestRegister(0x34, &value, true), 0u);
    const long elapsed = millisecondsSince(start);
    // 50 polls for the reply, after the one that found the queue empty before the request.
    EXPECT_EQ(can_.emptyReads, 51);
    EXPECT_GE(elapsed, 45);
    EXPECT_LT(elapsed, 1000);
    EXPECT_TRUE(transport_.isOpen());  // a receive time-out leaves the link open
}

TEST_F(TransportTest, BusyCanBusWithoutTheReplyGivesUpAfterAboutASecond) {
    ASSERT_EQ(transport_.openPort("CAN", 9600), 0u);
    // Replies for other registers and messages of other identifiers, never the one asked for.
    can_.traffic = [](int read) {
        return read % 2 ? canReply(0x181, 4, {0x35, 1, 2}) : canReply(0x300, 4, {0x34, 1, 2});
    };
    const auto start = Clock::now();
    uint32_t value = 7;
    EXPECT_EQ(transport_.requestRegister(0x34, &value, true), 0u);
    const long elapsed = millisecondsSince(start);
    EXPECT_GE(elapsed, 900);
    EXPECT_LT(elapsed, 2000);
    EXPECT_EQ(value, 7u);
    EXPECT_EQ(can_.emptyReads, 0);
    EXPECT_TRUE(transport_.isOpen());
    EXPECT_EQ(boxes_.count(), 1u);  // the filter box once, not once per foreign message
}

TEST_F(TransportTest, CanLongReplies) {
    ASSERT_EQ(transport_.openPort("CAN", 9600), 0u);
    can_.responder = [](const can::CanMessage& request, std::deque<can::CanMessage>& incoming) {
        const uint8_t reg = request.data[1];
        incoming.push_back(canReply(0x181, 6, {reg, 0x36, 0x01, 0, 0}));
    };
    uint32_t value = 0;
    EXPECT_EQ(transport_.requestRegister(0x34, &value, true), 0u);  // skipped until the poll gives up
    EXPECT_EQ(transport_.requestRegister(0x1B, &value, true), 1u);
    EXPECT_TRUE(transport_.longReplies());
    EXPECT_EQ(transport_.requestRegister(0x34, &value, true), 1u);
    EXPECT_EQ(value, 0x136u);
}

TEST_F(TransportTest, CanStatusOrWriteFailureClosesTheLink) {
    ASSERT_EQ(transport_.openPort("CAN", 9600), 0u);
    can_.statusResult = 0x10;
    EXPECT_FALSE(transport_.sendRegisterFrame(0x34, 1, true));
    EXPECT_FALSE(transport_.isOpen());
    EXPECT_FALSE(can_.loaded);

    can_.statusResult = 0;
    ASSERT_EQ(transport_.openPort("CAN", 9600), 0u);
    can_.writeResult = 0x1;
    EXPECT_FALSE(transport_.sendRegisterFrame(0x34, 1, true));
    EXPECT_FALSE(transport_.isOpen());

    can_.writeResult = 0;
    ASSERT_EQ(transport_.openPort("CAN", 9600), 0u);
    canDrive();
    // Status turns bad between the request and its reply.
    can_.responder = [this](const can::CanMessage&, std::deque<can::CanMessage>&) { can_.statusResult = 0x4; };
    uint32_t value = 0;
    EXPECT_EQ(transport_.requestRegister(0x34, &value, true), 0u);
    EXPECT_FALSE(transport_.isOpen());
}

// ---- serial -------------------------------------------------------------------------------

TEST_F(TransportTest, SerialWriteTexts) {
    ASSERT_EQ(transport_.openPort("COM1", 9600), 0u);
    const auto start = Clock::now();
    EXPECT_TRUE(transport_.sendRegisterFrame(0x34, 0x1234, true));
    EXPECT_GE(millisecondsSince(start), 20);  // the pause before every serial request
    EXPECT_TRUE(transport_.sendRegisterFrame(0x6E, 0x12345678, true));
    EXPECT_EQ(serial_->written, "341234X6e12345678X");
}

TEST_F(TransportTest, SerialReads) {
    ASSERT_EQ(transport_.openPort("COM1", 9600), 0u);
    serialDrive();
    uint32_t value = 0;
    EXPECT_EQ(transport_.requestRegister(0x34, &value, true), 1u);
    EXPECT_EQ(value, 0x1234u);
    EXPECT_EQ(transport_.requestRegister(0x40, &value, true), 1u);
    EXPECT_EQ(value, 0x12345678u);
    EXPECT_EQ(serial_->written, "3d0034X3d0040X");
    EXPECT_EQ(serial_->lastTimeoutMs, 105);
}

TEST_F(TransportTest, SilentSerialGivesUpAfterFiveEmptyReads) {
    ASSERT_EQ(transport_.openPort("COM1", 9600), 0u);
    uint32_t value = 5;
    EXPECT_EQ(transport_.requestRegister(0x34, &value, true), 0u);
    EXPECT_EQ(value, 5u);
    EXPECT_EQ(serial_->emptyReads, 5);
    EXPECT_TRUE(transport_.isOpen());  // serial failures never close the link
    // One byte of a 32-bit reply's two words, after four empty reads: the delivered byte
    // resets the count, so five more empty reads follow before the read gives up.
    serial_->responder = [this](const std::string&, std::deque<uint8_t>& input) {
        input.push_back(0x11);
        serial_->gapsBefore = {4};
    };
    serial_->emptyReads = 0;
    EXPECT_EQ(transport_.requestRegister(0x40, &value, true), 0u);
    EXPECT_EQ(serial_->emptyReads, 9);
}

TEST_F(TransportTest, SlowSerialDriveIsReadWholeUntilFiveEmptyReadsInARow) {
    ASSERT_EQ(transport_.openPort("COM1", 9600), 0u);
    std::deque<int> gaps;
    serial_->responder = [this, &gaps](const std::string&, std::deque<uint8_t>& input) {
        for (uint8_t b : {0x78, 0x56, 0x34, 0x12}) input.push_back(b);
        serial_->gapsBefore = gaps;
    };
    uint32_t value = 0;
    gaps = {3, 4, 4, 3};
    EXPECT_EQ(transport_.requestRegister(0x40, &value, true), 1u);
    EXPECT_EQ(value, 0x12345678u);
    value = 0;
    gaps = {0, 4, 5, 0};  // the third byte comes after five empty reads: too late
    EXPECT_EQ(transport_.requestRegister(0x40, &value, true), 0u);
    EXPECT_EQ(value, 0u);
}

TEST_F(TransportTest, StaleSerialInputIsDiscardedBeforeTheRequest) {
    ASSERT_EQ(transport_.openPort("COM1", 9600), 0u);
    serialDrive();
    serial_->input.push_back(0xEE);  // a late byte of an earlier exchange
    uint32_t value = 0;
    EXPECT_EQ(transport_.requestRegister(0x34, &value, true), 1u);
    EXPECT_EQ(value, 0x1234u);
    EXPECT_EQ(serial_->discarded, 1u);
}

TEST_F(TransportTest, SerialReplyWithAStrayByteFails) {
    ASSERT_EQ(transport_.openPort("COM1", 9600), 0u);
    serial_->responder = [](const std::string&, std::deque<uint8_t>& input) {
        for (uint8_t b : {0xEE, 0x34, 0x12}) input.push_back(b);
    };
    uint32_t value = 0;
    EXPECT_EQ(transport_.requestRegister(0x34, &value, true), 0u);
    EXPECT_TRUE(serial_->input.empty());
    serialDrive();  // and the next exchange is right again
    EXPECT_EQ(transport_.requestRegister(0x34, &value, true), 1u);
    EXPECT_EQ(value, 0x1234u);
}

TEST_F(TransportTest, SerialPartialWriteFails) {
    ASSERT_EQ(transport_.openPort("COM1", 9600), 0u);
    serial_->writeLimit = 3;
    EXPECT_FALSE(transport_.sendRegisterFrame(0x34, 0x1234, true));
    EXPECT_TRUE(transport_.isOpen());
}

TEST_F(TransportTest, SerialSeriesAndWords) {
    ASSERT_EQ(transport_.openPort("COM1", 9600), 0u);
    serial_->responder = [](const std::string&, std::deque<uint8_t>& input) {
        for (uint8_t b : {0x00, 0x80, 0x01, 0x80, 0xFF, 0x7F, 0x05}) input.push_back(b);
    };
    int out[4] = {9, 9, 9, 9};
    EXPECT_EQ(transport_.readRegisterSeries(0x17, 3, out, 4, true), 3u);
    EXPECT_EQ(out[0], 32768);
    EXPECT_EQ(out[1], -32767);
    EXPECT_EQ(out[2], 32767);
    EXPECT_EQ(out[3], 9);
    EXPECT_EQ(serial_->written, "170003X");
}

TEST_F(TransportTest, ReadSerialWordsConverts) {
    ASSERT_EQ(transport_.openPort("COM1", 9600), 0u);
    for (uint8_t b : {0x01, 0x80, 0x00, 0x80}) serial_->input.push_back(b);
    int out[2] = {};
    EXPECT_EQ(transport_.readSerialWords(out, 2), 2u);
    EXPECT_EQ(out[0], -32767);
    EXPECT_EQ(out[1], 32768);
    EXPECT_EQ(transport_.readSerialWords(nullptr, 1), 0u);
}

}  // namespace
}  // namespace torvex::test
