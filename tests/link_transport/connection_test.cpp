// DriveConnection over fake platform layers: results, states, width boxes, image mode,
// the lock.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>

#include <unistd.h>

#include "link/connection.h"
#include "link/i18n.h"
#include "link/register_file.h"
#include "link/registers.h"
#include "tests/link_transport/fakes.h"

namespace torvex::test {
namespace {

using Clock = std::chrono::steady_clock;

class ConnectionTest : public ::testing::Test {
protected:
    void SetUp() override {
        buildRegisterCache();
        firmwareVersion = 0;
        auto serial = std::make_unique<FakeSerialPort>();
        auto tcp = std::make_unique<FakeTcpSocket>();
        serial_ = serial.get();
        tcp_ = tcp.get();
        connection_.transport().usePlatform(std::move(serial), std::move(tcp), &can_);
        connection_.setIpAddress("10.1.2.3");
    }

    // A TCP drive with a register table; reads answer from it, writes change it.
    void tcpDrive(uint16_t firmware = 310) {
        regs_[0x1B] = firmware;
        tcp_->responder = [this](const std::vector<uint8_t>& request, std::deque<uint8_t>& input) {
            const uint8_t reg = request[8];
            uint32_t value = request[9] | (request[10] << 8) | (request[11] << 16) | (uint32_t(request[12]) << 24);
            if (reg != 0x3D) {
                regs_[reg] = value;
                return;
            }
            const uint8_t asked = request[9];
            const uint32_t v = regs_[asked];
            std::vector<uint8_t> reply;
            if (is32bitRegister(asked))
                reply = tcpReply(0x181, 6, {asked, uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)});
            else
                reply = tcpReply(0x181, 4, {asked, uint8_t(v), uint8_t(v >> 8)});
            input.insert(input.end(), reply.begin(), reply.end());
        };
    }

    BoxRecorder boxes_;
    FakeCanAdapter can_;
    FakeSerialPort* serial_ = nullptr;
    FakeTcpSocket* tcp_ = nullptr;
    std::map<uint32_t, uint32_t> regs_;
    DriveConnection connection_;
};

TEST_F(ConnectionTest, PortChoicesInMenuOrder) {
    const std::vector<std::string> expected = {"COM1", "COM2", "COM3", "COM4", "COM5",
                                               "COM6", "COM7", "COM8", "CAN",  "TCP"};
    for (size_t i = 0; i < 10; ++i) EXPECT_EQ(portChoices[i], expected[i]);
}

TEST_F(ConnectionTest, ConstructedOffline) {
    DriveConnection connection;
    EXPECT_FALSE(connection.isConnected());
    EXPECT_FALSE(connection.isOnline());
    EXPECT_FALSE(connection.isOfflineImage());
    EXPECT_FALSE(connection.isLinkOpen());
    EXPECT_FALSE(connection.isCan());
    EXPECT_FALSE(connection.isTcp());
    EXPECT_EQ(connection.getIpAddress(), "");
    uint16_t value = 3;
    EXPECT_EQ(connection.read16bitRegister(0x34, &value), 1u);
    EXPECT_EQ(value, 3);
    EXPECT_EQ(connection.write16bitRegister(0x34, 1), 1u);
}

TEST_F(ConnectionTest, ConnectOnline) {
    tcpDrive(310);
    EXPECT_EQ(connection_.connectDrive("TCP", 9600), 0u);
    EXPECT_TRUE(connection_.isOnline());
    EXPECT_TRUE(connection_.isConnected());
    EXPECT_TRUE(connection_.isTcp());
    EXPECT_EQ(firmwareVersion.load(), 310u);
    EXPECT_EQ(tcp_->records.size(), 1u);
    EXPECT_EQ(connection_.getIpAddress(), "10.1.2.3");
}

TEST_F(ConnectionTest, ConnectPortNotOpened) {
    firmwareVersion = 123;
    serial_->openSucceeds = false;
    EXPECT_EQ(connection_.connectDrive("COM2", 115200), 1u);
    EXPECT_EQ(firmwareVersion.load(), 0u);
    EXPECT_FALSE(connection_.isOnline());
}

TEST_F(ConnectionTest, ConnectSilentDriveAskedTenTimes) {
    EXPECT_EQ(connection_.connectDrive("TCP", 9600), 2u);
    EXPECT_EQ(tcp_->records.size(), 10u);
    for (const auto& record : tcp_->records) EXPECT_EQ(record, tcpReply(0x201, 3, {0x3D, 0x1B, 0x00}));
    EXPECT_EQ(firmwareVersion.load(), 0u);
    EXPECT_FALSE(connection_.isOnline());
    EXPECT_FALSE(connection_.isLinkOpen());
}

TEST_F(ConnectionTest, ConnectOldFirmware) {
    tcpDrive(250);
    EXPECT_EQ(connection_.connectDrive("TCP", 9600), 3u);
    EXPECT_EQ(firmwareVersion.load(), 250u);
    EXPECT_FALSE(connection_.isOnline());
    EXPECT_FALSE(connection_.isLinkOpen());
    EXPECT_FALSE(connection_.isConnected());
}

TEST_F(ConnectionTest, ConnectAnswersOnALaterTry) {
    int asked = 0;
    tcp_->responder = [&asked](const std::vector<uint8_t>&, std::deque<uint8_t>& input) {
        if (++asked < 4) return;
        auto reply = tcpReply(0x181, 4, {0x1B, 0x2C, 0x01});  // 300
        input.insert(input.end(), reply.begin(), reply.end());
    };
    EXPECT_EQ(connection_.connectDrive("TCP", 9600), 0u);
    EXPECT_EQ(asked, 4);
    EXPECT_EQ(firmwareVersion.load(), 300u);
}

TEST_F(ConnectionTest, ConnectWithMissingCanLibrary) {
    can_.loadSucceeds = false;
    EXPECT_EQ(connection_.connectDrive("CAN", 9600), 1u);
    ASSERT_EQ(boxes_.count(), 1u);
    EXPECT_EQ(boxes_.boxes()[0].text.find("PCAN_USB.dll"), std::string::npos) << boxes_.boxes()[0].text;
}

TEST_F(ConnectionTest, ReadsAndWritesOnline) {
    tcpDrive();
    ASSERT_EQ(connection_.connectDrive("TCP", 9600), 0u);
    regs_[0x34] = 0x8001;
    regs_[0x40] = 0xCAFEBABE;
    uint16_t v16 = 0;
    uint32_t v32 = 0;
    EXPECT_EQ(connection_.read16bitRegister(0x34, &v16), 0u);
    EXPECT_EQ(v16, 0x8001);
    EXPECT_EQ(connection_.read32bitRegister(0x40, &v32), 0u);
    EXPECT_EQ(v32, 0xCAFEBABEu);
    EXPECT_EQ(connection_.write16bitRegister(0x3C, 0x4321), 0u);
    EXPECT_EQ(regs_[0x3C], 0x4321u);
    EXPECT_EQ(connection_.write32bitRegister(0x6E, 0x12345678), 0u);
    EXPECT_EQ(regs_[0x6E], 0x12345678u);
    v16 = 0x777;
    EXPECT_EQ(connection_.writeRead16bitRegister(0x36, &v16), 0u);
    EXPECT_EQ(v16, 0x777);
    v32 = 0xABCDEF01;
    EXPECT_EQ(connection_.writeRead32bitRegister(0x6D, &v32), 0u);
    EXPECT_EQ(v32, 0xABCDEF01u);
    EXPECT_EQ(boxes_.count(), 0u);
}

TEST_F(ConnectionTest, WriteReadBackFailure) {
    tcpDrive();
    ASSERT_EQ(connection_.connectDrive("TCP", 9600), 0u);
    tcp_->responder = nullptr;  // writes go out, reads get no reply
    uint16_t v16 = 0x55;
    EXPECT_EQ(connection_.writeRead16bitRegister(0x36, &v16), 2u);
    EXPECT_EQ(v16, 0x55);
    uint32_t v32 = 0x66;
    EXPECT_EQ(connection_.writeRead32bitRegister(0x6D, &v32), 2u);
    EXPECT_EQ(v32, 0x66u);
    tcp_->sendLimit = 3;
    EXPECT_EQ(connection_.writeRead16bitRegister(0x36, &v16), 1u);
}

TEST_F(ConnectionTest, WidthMismatchBoxesAndTheOperationGoesOn) {
    tcpDrive();
    ASSERT_EQ(connection_.connectDrive("TCP", 9600), 0u);
    regs_[0x40] = 0x12345678;
    regs_[0x34] = 0x2222;
    uint16_t v16 = 0;
    uint32_t v32 = 0;
    EXPECT_EQ(connection_.read16bitRegister(0x40, &v16), 0u);
    EXPECT_EQ(v16, 0x5678);  // the low 16 bits
    EXPECT_EQ(connection_.read32bitRegister(0x34, &v32), 0u);
    EXPECT_EQ(v32, 0x2222u);
    EXPECT_EQ(connection_.write16bitRegister(0x40, 1), 0u);
    EXPECT_EQ(connection_.write32bitRegister(0x34, 1), 0u);
    v16 = 1;
    EXPECT_EQ(connection_.writeRead16bitRegister(0x40, &v16), 0u);
    v32 = 1;
    EXPECT_EQ(connection_.writeRead32bitRegister(0x34, &v32), 0u);
    EXPECT_EQ(connection_.write16bitRegisterAndSleep(0x6E, 1, 0), 0u);
    EXPECT_EQ(connection_.write16bitRegisterAndOffline(0x6E, 1), 0u);
    const auto boxes = boxes_.boxes();
    ASSERT_EQ(boxes.size(), 8u);
    const char* names[] = {"read16bitRegister",      "read32bitRegister",     "write16bitRegister",
                           "write32bitRegister",     "writeRead16bitRegister", "writeRead32bitRegister",
                           "write16bitRegisterAndSleep", "write16bitRegisterAndOffline"};
    const char* regs[] = {"0x40", "0x34", "0x40", "0x34", "0x40", "0x34", "0x6e", "0x6e"};
    for (size_t i = 0; i < 8; ++i) {
        EXPECT_EQ(boxes[i].text, std::string("Internal error:\n") + names[i] + " for register " + regs[i] +
                                     "!\nPlease inform the manufacturer.");
        EXPECT_EQ(boxes[i].caption, "Torvex - internal error");
        EXPECT_EQ(boxes[i].style, kMsgOk | kMsgIconError);
    }
}

TEST_F(ConnectionTest, WidthBoxIsTranslated) {
    auto previous = setTranslator([](const std::string& key) {
        if (key == "Internal error:\nread16bitRegister for register 0x%x!\nPlease inform the manufacturer.")
            return std::string("Interner Fehler:\nread16bitRegister für Register 0x%x!\nBitte informieren Sie den Hersteller.");
        if (key == "Torvex - internal error") return std::string("Torvex - interner Fehler");
        return key;
    });
    uint16_t v16 = 0;
    connection_.read16bitRegister(0x40, &v16);
    setTranslator(previous);
    ASSERT_EQ(boxes_.count(), 1u);
    EXPECT_EQ(boxes_.boxes()[0].text, "Interner Fehler:\nread16bitRegister für Register 0x40!\nBitte informieren Sie den Hersteller.");
    EXPECT_EQ(boxes_.boxes()[0].caption, "Torvex - interner Fehler");
}

TEST_F(ConnectionTest, ImageMode) {
    firmwareVersion = 77;
    connection_.loadOfflineImage({{0x1B, 312}, {0x34, 0x1111}}, {{0x40, 0x22222222}});
    EXPECT_EQ(firmwareVersion.load(), 312u);
    EXPECT_TRUE(connection_.isOfflineImage());
    EXPECT_TRUE(connection_.isConnected());
    EXPECT_FALSE(connection_.isOnline());
    uint16_t v16 = 9;
    uint32_t v32 = 9;
    EXPECT_EQ(connection_.read16bitRegister(0x34, &v16), 0u);
    EXPECT_EQ(v16, 0x1111);
    EXPECT_EQ(connection_.read32bitRegister(0x40, &v32), 0u);
    EXPECT_EQ(v32, 0x22222222u);
    EXPECT_EQ(connection_.read32bitRegister(0x6D, &v32), 0u);  // missing: 0, success
    EXPECT_EQ(v32, 0u);
    EXPECT_EQ(connection_.read16bitRegister(0x3C, &v16), 0u);
    EXPECT_EQ(v16, 0);
    EXPECT_EQ(connection_.write16bitRegister(0x36, 0x3333), 0u);  // missing: added
    EXPECT_EQ(connection_.imageValues16().at(0x36), 0x3333);
    EXPECT_EQ(connection_.write32bitRegister(0x40, 5), 0u);
    EXPECT_EQ(connection_.imageValues32().at(0x40), 5u);
    v16 = 0x4444;
    EXPECT_EQ(connection_.writeRead16bitRegister(0x34, &v16), 0u);
    EXPECT_EQ(v16, 0x4444);
    EXPECT_EQ(connection_.imageValues16().at(0x34), 0x4444);
    v32 = 6;
    EXPECT_EQ(connection_.writeRead32bitRegister(0x6D, &v32), 0u);
    EXPECT_EQ(connection_.imageValues32().at(0x6D), 6u);
    const auto start = Clock::now();
    EXPECT_EQ(connection_.write16bitRegisterAndSleep(0x84, 1, 2000), 1u);  // at once
    EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count(), 500);
    EXPECT_EQ(connection_.write16bitRegisterAndOffline(0xB0, 1), 1u);
    EXPECT_TRUE(connection_.isOfflineImage());  // nothing changed
    int out[4];
    EXPECT_EQ(connection_.readRegisterSeries(0x17, 0, out, 4), 0u);
    // Nothing went to any link.
    EXPECT_EQ(tcp_->sends, 0);
    EXPECT_TRUE(serial_->written.empty());
    EXPECT_TRUE(can_.written.empty());
    EXPECT_EQ(boxes_.count(), 0u);

    // A register the file stores at the other width is answered at the register's width.
    uint32_t held = 0;
    EXPECT_FALSE(connection_.imageRegister(0x3C, &held)) << "never in the file";
    connection_.loadOfflineImage({{0x1B, 312}, {0x40, 0x0005}}, {{0x34, 0xABCD1234}, {0x6D, 9}});
    EXPECT_EQ(connection_.read16bitRegister(0x34, &v16), 0u);
    EXPECT_EQ(v16, 0x1234);
    EXPECT_TRUE(connection_.imageRegister(0x34, &held));
    EXPECT_EQ(held, 0x1234u);
    EXPECT_EQ(connection_.write32bitRegister(0x40, 7), 0u);  // a write at the width wins
    EXPECT_EQ(connection_.read32bitRegister(0x40, &v32), 0u);
    EXPECT_EQ(v32, 7u);
    // Likewise a 16-bit write over a 32-bit record, for the reads and for the saved file.
    EXPECT_EQ(connection_.write16bitRegister(0x34, 0x5555), 0u);
    EXPECT_EQ(connection_.read16bitRegister(0x34, &v16), 0u);
    EXPECT_EQ(v16, 0x5555);
    const std::string saved = ::testing::TempDir() + "image_" + std::to_string(::getpid()) + ".vrf";
    ASSERT_EQ(writeRegisterFile(&connection_, saved, {0x34}), kSaveOk);
    RegisterValueMap16 saved16;
    RegisterValueMap32 saved32;
    ASSERT_EQ(readRegisterFile(saved, saved16, saved32, false), kRegisterFileOk);
    std::remove(saved.c_str());
    EXPECT_EQ(saved16, (RegisterValueMap16{{0x34, 0x5555}}));
    EXPECT_TRUE(saved32.empty());

    connection_.disconnectDrive();
    EXPECT_FALSE(connection_.isConnected());
    EXPECT_FALSE(connection_.imageRegister(0x34, &held)) << "no file is viewed";
    EXPECT_EQ(firmwareVersion.load(), 312u);       // left as it was
    EXPECT_EQ(connection_.imageValues16().size(), 3u);  // maps left as they were
}

TEST_F(ConnectionTest, ImageWithoutFirmwareRegister) {
    firmwareVersion = 400;
    connection_.loadOfflineImage({{0x34, 1}}, {});
    EXPECT_EQ(firmwareVersion.load(), 0u);
}

TEST_F(ConnectionTest, LoadingAnImageClosesTheLink) {
    tcpDrive();
    ASSERT_EQ(connection_.connectDrive("TCP", 9600), 0u);
    connection_.loadOfflineImage({{0x1B, 305}}, {});
    EXPECT_FALSE(connection_.isLinkOpen());
    EXPECT_TRUE(connection_.isOnline());  // not touched: the frame disconnects first
    EXPECT_TRUE(connection_.isConnected());
    // connectDrive leaves image mode.
    EXPECT_EQ(connection_.connectDrive("TCP", 9600), 0u);
    EXPECT_FALSE(connection_.isOfflineImage());
}

TEST_F(ConnectionTest, RegisterAboveTheTableIsRefusedInEveryMode) {
    tcpDrive();
    ASSERT_EQ(connection_.connectDrive("TCP", 9600), 0u);
    const int sends = tcp_->sends;
    uint16_t v16 = 7;
    EXPECT_EQ(connection_.read16bitRegister(0x140, &v16), 1u);
    EXPECT_EQ(v16, 7);
    EXPECT_EQ(connection_.write16bitRegister(0x134, 1), 1u);
    EXPECT_EQ(connection_.write16bitRegisterAndSleep(0x183, 1, 1000), 2u);
    EXPECT_EQ(tcp_->sends, sends);
    connection_.loadOfflineImage({{0x40, 1}}, {});
    EXPECT_EQ(connection_.read16bitRegister(0x10040, &v16), 1u);  // not the image's 0x40
    EXPECT_EQ(connection_.write16bitRegister(0x10034, 5), 1u);
    EXPECT_EQ(connection_.imageValues16().count(0x34), 0u);
}

TEST_F(ConnectionTest, LinkLostAfterFailedTcpSend) {
    tcpDrive();
    ASSERT_EQ(connection_.connectDrive("TCP", 9600), 0u);
    tcp_->sendLimit = 10;
    EXPECT_EQ(connection_.write16bitRegister(0x34, 1), 1u);
    EXPECT_TRUE(connection_.isOnline());
    EXPECT_FALSE(connection_.isConnected());
    EXPECT_FALSE(connection_.isLinkOpen());
    const int sends = tcp_->sends;
    const int receives = tcp_->receives;
    uint16_t v16 = 0;
    EXPECT_EQ(connection_.read16bitRegister(0x34, &v16), 1u);
    EXPECT_EQ(connection_.write16bitRegister(0x34, 1), 1u);
    EXPECT_EQ(tcp_->sends, sends);
    EXPECT_EQ(tcp_->receives, receives);
    connection_.disconnectDrive();
    EXPECT_FALSE(connection_.isOnline());
}

TEST_F(ConnectionTest, SerialFailureKeepsTheDriveOnline) {
    serial_->responder = [](const std::string& request, std::deque<uint8_t>& input) {
        if (request == "3d001bX") {
            input.push_back(0x36);
            input.push_back(0x01);
        }
    };
    ASSERT_EQ(connection_.connectDrive("COM1", 9600), 0u);
    serial_->responder = nullptr;
    uint16_t v16 = 0;
    EXPECT_EQ(connection_.read16bitRegister(0x34, &v16), 1u);
    EXPECT_TRUE(connection_.isConnected());
}

TEST_F(ConnectionTest, WriteAndOfflineClosesTheLink) {
    tcpDrive();
    ASSERT_EQ(connection_.connectDrive("TCP", 9600), 0u);
    EXPECT_EQ(connection_.write16bitRegisterAndOffline(0xB0, 1), 0u);
    EXPECT_EQ(regs_[0xB0], 1u);
    EXPECT_FALSE(connection_.isOnline());
    EXPECT_FALSE(connection_.isLinkOpen());
    ASSERT_EQ(connection_.connectDrive("TCP", 9600), 0u);
    tcp_->sendLimit = 1;
    EXPECT_EQ(connection_.write16bitRegisterAndOffline(0xB0, 1), 2u);
    EXPECT_FALSE(connection_.isOnline());
    EXPECT_FALSE(connection_.isLinkOpen());
}

TEST_F(ConnectionTest, WriteAndSleepHoldsTheLock) {
    tcpDrive();
    ASSERT_EQ(connection_.connectDrive("TCP", 9600), 0u);
    // The command goes out under the lock, right before the sleep: once it is sent, the
    // sleeper holds the lock (a fixed pause could end before a loaded machine ran it).
    std::atomic<bool> commandSent{false};
    auto drive = tcp_->responder;
    tcp_->responder = [&](const std::vector<uint8_t>& request, std::deque<uint8_t>& input) {
        drive(request, input);
        if (request[8] == 0x84) commandSent = true;
    };
    std::atomic<long> otherDoneAt{0};
    const auto start = Clock::now();
    std::thread sleeper([&] { EXPECT_EQ(connection_.write16bitRegisterAndSleep(0x84, 1, 300), 0u); });
    while (!commandSent) std::this_thread::yield();
    uint16_t v16 = 0;
    EXPECT_EQ(connection_.read16bitRegister(0x34, &v16), 0u);
    otherDoneAt = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    sleeper.join();
    EXPECT_GE(otherDoneAt.load(), 280);
    // Failed send: 2.
    tcp_->sendLimit = 2;
    EXPECT_EQ(connection_.write16bitRegisterAndSleep(0x84, 1, 10), 2u);
}

TEST_F(ConnectionTest, BoxesOfAnExchangeAreShownAfterTheLockIsReleased) {
    ASSERT_EQ(connection_.connectDrive("CAN", 9600), 2u);  // silent CAN drive, no box
    can_.responder = [](const can::CanMessage& request, std::deque<can::CanMessage>& incoming) {
        if (request.data[0] == 0x3D && request.data[1] == 0x1B) {
            incoming.push_back(canReply(0x99, 4, {0x1B, 0, 0}));  // foreign identifier: the filter box
            incoming.push_back(canReply(0x181, 4, {0x1B, 0x36, 0x01}));
        }
    };
    // Inside the box, another thread uses the connection: it would wait for ever if the box
    // were shown while the lock is held.
    std::atomic<bool> otherThreadGotThrough{false};
    boxes_.onBox = [&] {
        std::thread other([&] {
            uint16_t v = 0;
            connection_.read16bitRegister(0x34, &v);
            otherThreadGotThrough = true;
        });
        other.join();
    };
    EXPECT_EQ(connection_.connectDrive("CAN", 9600), 0u);
    EXPECT_TRUE(otherThreadGotThrough);
    ASSERT_EQ(boxes_.count(), 1u);
    EXPECT_EQ(boxes_.boxes()[0].text, "PCAN MsgFilter doesn't work, this should never happen!");
}

TEST_F(ConnectionTest, SeriesRead) {
    tcpDrive();
    ASSERT_EQ(connection_.connectDrive("TCP", 9600), 0u);
    tcp_->responder = [](const std::vector<uint8_t>& request, std::deque<uint8_t>& input) {
        for (uint16_t v : {0x10, 0x8000, 0x8001}) {
            auto reply = tcpReply(0x181, 4, {request[8], uint8_t(v & 0xFF), uint8_t(v >> 8)});
            input.insert(input.end(), reply.begin(), reply.end());
        }
    };
    int out[3] = {};
    EXPECT_EQ(connection_.readRegisterSeries(0x17, 2, out, 3), 3u);
    EXPECT_EQ(out[0], 0x10);
    EXPECT_EQ(out[1], 32768);
    EXPECT_EQ(out[2], -32767);
}

TEST_F(ConnectionTest, FlagsAndImageReadWhileAnotherThreadChangesThem) {
    // The changer only starts once the reader runs, and keeps changing until the reader has
    // got through a number of reads meanwhile: on a loaded machine either thread may lose the
    // processor for longer than the other needs for all its changes, and then nothing would
    // have overlapped.
    constexpr int kChanges = 300;
    constexpr int kReadsWhileChanging = 200;
    std::atomic<bool> stop{false};
    std::atomic<int> reads{0};
    std::atomic<int> readsWhileChanging{0};
    std::thread changer([&] {
        while (reads.load() == 0) std::this_thread::yield();
        const int readsBefore = reads.load();
        const auto giveUp = Clock::now() + std::chrono::seconds(20);
        for (int i = 0; (i < kChanges || reads.load() - readsBefore < kReadsWhileChanging) && Clock::now() < giveUp;
             ++i) {
            connection_.loadOfflineImage({{0x1B, static_cast<uint16_t>(300 + i % 1000)}, {0x34, static_cast<uint16_t>(i)}},
                                         {{0x40, static_cast<uint32_t>(i)}});
            connection_.write16bitRegister(0x3C, static_cast<uint16_t>(i));
            if (i % 3 == 0) connection_.disconnectDrive();
            if (i % 16 == 0) std::this_thread::yield();
        }
        readsWhileChanging = reads.load() - readsBefore;
        stop = true;
    });
    while (!stop) {
        uint16_t v16;
        uint32_t v32;
        connection_.isConnected();
        connection_.read16bitRegister(0x34, &v16);
        connection_.read32bitRegister(0x40, &v32);
        connection_.imageValues16();
        ++reads;
    }
    changer.join();
    // Readers were never shut out while the image and the flags changed under them.
    EXPECT_GE(readsWhileChanging.load(), kReadsWhileChanging);
}

}  // namespace
}  // namespace torvex::test
