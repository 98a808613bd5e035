// The test build of the CAN adapter library, loaded as the program loads it, against
// the simulated drive.
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <stdlib.h>

#include <chrono>
#include <optional>
#include <thread>

#include "platform/can_adapter_api.h"
#include "tests/support/sim_fixture.h"

namespace torvex::test {
namespace {

using can::CanMessage;
using sim::Fault;
using sim::SimDrive;
using sim::SimOptions;

struct CanLibrary {
    void* handle = nullptr;
    can::InitFn init = nullptr;
    can::CloseFn close = nullptr;
    can::StatusFn status = nullptr;
    can::WriteFn write = nullptr;
    can::ReadFn read = nullptr;
    can::MsgFilterFn filter = nullptr;

    bool load() {
        handle = dlopen(SimDrive::canAdapterLibrary().c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!handle) return false;
        init = reinterpret_cast<can::InitFn>(dlsym(handle, "CAN_Init"));
        close = reinterpret_cast<can::CloseFn>(dlsym(handle, "CAN_Close"));
        status = reinterpret_cast<can::StatusFn>(dlsym(handle, "CAN_Status"));
        write = reinterpret_cast<can::WriteFn>(dlsym(handle, "CAN_Write"));
        read = reinterpret_cast<can::ReadFn>(dlsym(handle, "CAN_Read"));
        filter = reinterpret_cast<can::MsgFilterFn>(dlsym(handle, "CAN_MsgFilter"));
        return init && close && status && write && read && filter;
    }
    void unload() {
        if (handle) dlclose(handle);
        handle = nullptr;
    }
    ~CanLibrary() { unload(); }

    uint32_t send(uint32_t id, uint8_t length, std::initializer_list<uint8_t> data) {
        CanMessage message{};
        message.id = id;
        message.length = length;
        std::copy(data.begin(), data.end(), message.data);
        return write(&message);
    }
    uint32_t askFor(uint8_t reg) { return send(0x201, 3, {0x3D, reg, 0}); }
    // Polls as the program does, 1 ms apart.
    std::optional<CanMessage> receive(int timeoutMs = 2000) {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        do {
            CanMessage message{};
            uint32_t result = read(&message);
            if (!(result & can::kStatusReceiveQueueEmpty)) {
                if (result == can::kStatusOk) return message;
                return std::nullopt;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        } while (std::chrono::steady_clock::now() < deadline);
        return std::nullopt;
    }
};

std::vector<uint8_t> dataOf(const CanMessage& message) {
    return std::vector<uint8_t>(message.data, message.data + 8);
}

class CanSim : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(SimDrive::canAdapterLibrary().empty());
        SimOptions options;
        options.tcpAddress.clear();
        options.can = true;
        drive = startSimDrive(options, nullptr);
        ASSERT_TRUE(drive);
        ASSERT_FALSE(drive->canEndpoint().empty());
        setenv("TORVEX_CAN_SIM", drive->canEndpoint().c_str(), 1);
        ASSERT_TRUE(library.load()) << dlerror();
        ASSERT_EQ(library.init(can::kBitrate500k, 0), can::kStatusOk);
    }

    std::unique_ptr<SimDrive> drive;
    CanLibrary library;
};

TEST_F(CanSim, ReadOf32bitStatusGivesOneMessageOfLengthSix) {
    drive->setReg(0x40, 0x12345678);
    ASSERT_EQ(library.status(), can::kStatusOk);
    ASSERT_EQ(library.askFor(0x40), can::kStatusOk);
    auto reply = library.receive();
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->id, 0x181u);
    EXPECT_EQ(reply->messageType, 0);
    EXPECT_EQ(reply->length, 6);
    EXPECT_EQ(dataOf(*reply), std::vector<uint8_t>({0x40, 0x78, 0x56, 0x34, 0x12, 0, 0, 0}));
    EXPECT_FALSE(library.receive(50));
}

TEST_F(CanSim, WritesAreStoredByWidthAndLogged) {
    ASSERT_EQ(library.send(0x201, 3, {0x34, 0x34, 0x12}), can::kStatusOk);
    ASSERT_EQ(library.send(0x201, 5, {0x6E, 0x78, 0x56, 0x34, 0x12}), can::kStatusOk);
    ASSERT_TRUE(drive->waitForFrames(2));
    EXPECT_EQ(drive->reg(0x34), 0x1234u);
    EXPECT_EQ(drive->reg(0x6E), 0x12345678u);
    auto frames = drive->frames();
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].link, sim::Link::Can);
    EXPECT_EQ(frames[0].raw, std::vector<uint8_t>({0x01, 0x02, 0, 0, 0, 3, 0x34, 0x34, 0x12, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_FALSE(library.receive(50));  // writes get no reply
}

TEST_F(CanSim, RepliesOf16bitRegistersAndLongReplies) {
    drive->setReg(0x34, 0xBEEF);
    library.askFor(0x34);
    auto shortReply = library.receive();
    ASSERT_TRUE(shortReply);
    EXPECT_EQ(shortReply->length, 4);
    drive->setLongReplies(true);
    library.askFor(0x34);
    auto longReply = library.receive();
    ASSERT_TRUE(longReply);
    EXPECT_EQ(longReply->length, 6);
    EXPECT_EQ(dataOf(*longReply), std::vector<uint8_t>({0x34, 0xEF, 0xBE, 0, 0, 0, 0, 0}));
}

TEST_F(CanSim, EmptyQueueIsReported) {
    CanMessage message{};
    EXPECT_EQ(library.read(&message), can::kStatusReceiveQueueEmpty);
}

TEST_F(CanSim, FilterPassesOnlyItsRange) {
    CanMessage otherId{0x182, 0, 4, {0x1B, 1, 2, 0, 0, 0, 0, 0}};
    CanMessage otherType{0x181, 1, 4, {0x1B, 0, 0, 0, 0, 0, 0, 0}};
    CanMessage otherRegister{0x181, 0, 4, {0x1C, 9, 9, 0, 0, 0, 0, 0}};

    // Unfiltered, everything arrives, in order, before the reply.
    drive->sendCanBeforeNextReply({otherId, otherType, otherRegister});
    library.askFor(0x1B);
    std::vector<uint32_t> ids;
    std::vector<uint8_t> registers;
    while (auto message = library.receive(200)) {
        ids.push_back(message->id);
        registers.push_back(message->data[0]);
    }
    EXPECT_EQ(ids, std::vector<uint32_t>({0x182, 0x181, 0x181, 0x181}));
    EXPECT_EQ(registers, std::vector<uint8_t>({0x1B, 0x1B, 0x1C, 0x1B}));

    ASSERT_EQ(library.filter(0x181, 0x181, 0), can::kStatusOk);
    drive->sendCanBeforeNextReply({otherId, otherType, otherRegister});
    library.askFor(0x1B);
    ids.clear();
    std::vector<uint8_t> types;
    while (auto message = library.receive(200)) {
        ids.push_back(message->id);
        types.push_back(message->messageType);
    }
    EXPECT_EQ(ids, std::vector<uint32_t>({0x181, 0x181, 0x181}));
    EXPECT_EQ(types, std::vector<uint8_t>({1, 0, 0}));
}

TEST_F(CanSim, FaultsSpoilOneReplyEach) {
    drive->setReg(0x40, 0x11223344);
    drive->setReg(0x41, 0x5566);
    drive->setFault(Fault::Silent, 1);
    library.askFor(0x40);
    EXPECT_FALSE(library.receive(100));

    drive->setFault(Fault::WrongRegister, 1);
    library.askFor(0x40);
    auto wrongRegister = library.receive();
    ASSERT_TRUE(wrongRegister);
    EXPECT_EQ(dataOf(*wrongRegister), std::vector<uint8_t>({0x41, 0x66, 0x55, 0, 0, 0, 0, 0}));

    drive->setFault(Fault::WrongLength, 1);
    library.askFor(0x40);
    auto wrongLength = library.receive();
    ASSERT_TRUE(wrongLength);
    EXPECT_EQ(wrongLength->length, 5);

    library.askFor(0x40);
    auto good = library.receive();
    ASSERT_TRUE(good);
    EXPECT_EQ(good->length, 6);
    EXPECT_EQ(good->data[0], 0x40);
}

TEST_F(CanSim, CloseLinkTakesTheBusDownUntilTheNextInit) {
    drive->setFault(Fault::CloseLink, 1);
    library.askFor(0x1B);
    EXPECT_FALSE(library.receive(100));
    EXPECT_NE(library.status(), can::kStatusOk);
    EXPECT_NE(library.askFor(0x1B), can::kStatusOk);
    ASSERT_EQ(library.init(can::kBitrate500k, 0), can::kStatusOk);
    EXPECT_EQ(library.status(), can::kStatusOk);
    library.askFor(0x1B);
    EXPECT_TRUE(library.receive());
}

TEST_F(CanSim, ARefusedWriteFailsInTheAdapterAndNeverReachesTheDrive) {
    drive->setReg(0x6E, 5);
    drive->setWriteRefused(0x6E, true);
    EXPECT_NE(library.send(0x201, 5, {0x6E, 0x78, 0x56, 0x34, 0x12}), can::kStatusOk);
    // Other registers, reads of the refused one and other identifiers still go through.
    ASSERT_EQ(library.send(0x201, 3, {0x34, 0x34, 0x12}), can::kStatusOk);
    ASSERT_EQ(library.askFor(0x6E), can::kStatusOk);
    auto reply = library.receive();
    ASSERT_TRUE(reply);
    EXPECT_EQ(dataOf(*reply), std::vector<uint8_t>({0x6E, 5, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(library.send(0x202, 5, {0x6E, 1, 0, 0, 0}), can::kStatusOk);
    ASSERT_TRUE(drive->waitForFrames(3));
    auto frames = drive->frames();
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[0].reg, 0x34u);
    EXPECT_TRUE(frames[1].isRead);
    EXPECT_EQ(drive->reg(0x6E), 5u);
    EXPECT_EQ(library.status(), can::kStatusOk) << "the bus stays up";

    // A node that comes up later learns the refusal before its first write.
    ASSERT_EQ(library.init(can::kBitrate500k, 0), can::kStatusOk);
    EXPECT_NE(library.send(0x201, 5, {0x6E, 1, 0, 0, 0}), can::kStatusOk);

    drive->setWriteRefused(0x6E, false);
    ASSERT_EQ(library.send(0x201, 5, {0x6E, 0x78, 0x56, 0x34, 0x12}), can::kStatusOk);
    ASSERT_TRUE(drive->waitForFrames(4));
    EXPECT_EQ(drive->reg(0x6E), 0x12345678u);
}

TEST_F(CanSim, LongSeriesArrivesCompletely) {
    std::vector<uint16_t> samples(500);
    for (size_t i = 0; i < samples.size(); ++i) samples[i] = uint16_t(i * 3);
    drive->setSeriesReply(0x17, samples);
    library.send(0x201, 3, {0x17, 0xF4, 0x01});
    for (size_t i = 0; i < samples.size(); ++i) {
        auto message = library.receive();
        ASSERT_TRUE(message) << i;
        ASSERT_EQ(message->data[0], 0x17);
        ASSERT_EQ(message->data[1] | message->data[2] << 8, samples[i]);
    }
}

TEST_F(CanSim, LoadUnloadAndLoadAgain) {
    library.unload();  // without CAN_Close, as the program does
    EXPECT_EQ(dlopen(SimDrive::canAdapterLibrary().c_str(), RTLD_NOW | RTLD_NOLOAD), nullptr);
    for (int round = 0; round < 3; ++round) {
        ASSERT_TRUE(library.load());
        EXPECT_NE(library.status(), can::kStatusOk);  // fresh: not initialised
        ASSERT_EQ(library.init(can::kBitrate500k, 0), can::kStatusOk);
        library.askFor(0x1B);
        auto reply = library.receive();
        ASSERT_TRUE(reply);
        EXPECT_EQ(reply->data[1] | reply->data[2] << 8, 310);
        if (round == 1) library.close();
        library.unload();
    }
}

TEST(CanSimAbsent, InitWithoutADriveSaysNoAdapter) {
    ASSERT_FALSE(SimDrive::canAdapterLibrary().empty());
    CanLibrary library;
    ASSERT_TRUE(library.load());
    unsetenv("TORVEX_CAN_SIM");
    EXPECT_EQ(library.init(can::kBitrate500k, 0), can::kStatusNoAdapter);
    setenv("TORVEX_CAN_SIM", "/nonexistent/torvex-can", 1);
    EXPECT_EQ(library.init(can::kBitrate500k, 0), can::kStatusNoAdapter);
    EXPECT_NE(library.status(), can::kStatusOk);

    // A drive that stopped: its socket is gone.
    SimOptions options;
    options.tcpAddress.clear();
    options.can = true;
    SimDrive drive(options);
    ASSERT_TRUE(drive.start());
    setenv("TORVEX_CAN_SIM", drive.canEndpoint().c_str(), 1);
    ASSERT_EQ(library.init(can::kBitrate500k, 0), can::kStatusOk);
    drive.stop();
    EXPECT_NE(library.askFor(0x1B), can::kStatusOk);
    EXPECT_EQ(library.init(can::kBitrate500k, 0), can::kStatusNoAdapter);
}

}  // namespace
}  // namespace torvex::test
