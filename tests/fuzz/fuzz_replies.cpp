// Replies from the drive are untrusted: feeds arbitrary bytes as TCP records, CAN messages
// and serial words through the reply decoding and the transport's receive paths.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

#include "link/registers.h"
#include "link/transport.h"
#include "link/wire.h"
#include "tests/link_transport/fakes.h"

namespace {

using namespace torvex;

// A CAN adapter that hands out the fuzz input as message records; when the input is used
// up it reports an error status message, so that no poll loop waits.
class InputCanAdapter : public test::FakeCanAdapter {
public:
    const uint8_t* data = nullptr;
    size_t size = 0;
    uint32_t read(can::CanMessage* message) override {
        if (size >= sizeof(can::CanMessage) + 1) {
            const uint8_t result = data[0];
            std::memcpy(message, data + 1, sizeof(can::CanMessage));
            data += sizeof(can::CanMessage) + 1;
            size -= sizeof(can::CanMessage) + 1;
            // Mostly deliver; sometimes the queue-empty bit (a bounded number of 1 ms sleeps).
            return (result & 0xF0) == 0xF0 && emptyBudget-- > 0 ? can::kStatusReceiveQueueEmpty : 0;
        }
        *message = test::canReply(0, 4, {0, 0, 1, 0}, 0x80);
        return 0;
    }
    int emptyBudget = 2;
};

struct Setup {
    Setup() {
        buildRegisterCache();
        setMessageHandler([](const MessageRequest&) { return static_cast<int>(kMsgOk); });
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Setup setup;
    if (size < 2) return 0;
    const uint32_t reg = data[0];
    const uint8_t mode = data[1];
    data += 2;
    size -= 2;

    // The plain decoding.
    if (size >= wire::kTcpRecordSize) {
        const wire::Frame frame = wire::decodeTcpRecord(data);
        bool longReplies = mode & 1;
        uint32_t value = 0;
        wire::checkReply(frame, reg, wire::valueBytes(reg), &longReplies, &value);
        wire::checkReply(frame, reg | 0x100, 2, &longReplies, &value);
        can::CanMessage message;
        std::memcpy(&message, data, sizeof message);
        const wire::Frame fromCan = wire::fromCanMessage(message);
        wire::checkReply(fromCan, reg, 2, &longReplies, &value);
        uint8_t record[wire::kTcpRecordSize];
        wire::encodeTcpRecord(fromCan, record);
        const can::CanMessage back = wire::toCanMessage(fromCan);
        if (back.length > 8) __builtin_trap();
    }
    for (size_t i = 0; i + 1 < size; i += 2) {
        const int v = wire::serialWordToInt(wire::serialWord(data[i], data[i + 1]));
        if (v < -32767 || v > 32768) __builtin_trap();
    }

    // The transport's receive paths over fake links.
    switch (mode % 3) {
        case 0: {  // TCP: the input is the byte stream behind the request
            auto tcp = std::make_unique<test::FakeTcpSocket>();
            test::FakeTcpSocket* socket = tcp.get();
            DriveTransport transport;
            transport.usePlatform(nullptr, std::move(tcp), nullptr);
            transport.setIpAddress("10.0.0.1");
            if (transport.openPort("TCP", 9600) != 0) __builtin_trap();
            transport.setLongReplies(mode & 8);
            socket->responder = [data, size](const std::vector<uint8_t>&, std::deque<uint8_t>& input) {
                input.insert(input.end(), data, data + size);
            };
            uint32_t value = 0;
            transport.requestRegister(reg, &value, true);
            int out[8];
            const uint32_t got = transport.readRegisterSeries(static_cast<int16_t>(reg), 0, out, 8, true);
            if (got > 8) __builtin_trap();
            break;
        }
        case 1: {  // CAN: the input is a run of read results and message records
            InputCanAdapter adapter;
            adapter.data = data;
            adapter.size = size;
            DriveTransport transport;
            transport.usePlatform(nullptr, nullptr, &adapter);
            if (transport.openPort("CAN", 9600) != 0) __builtin_trap();
            transport.setLongReplies(mode & 8);
            uint32_t value = 0;
            transport.requestRegister(reg, &value, true);
            int out[4];
            const uint32_t got = transport.readRegisterSeries(static_cast<int16_t>(reg), 0, out, 4, true);
            if (got > 4) __builtin_trap();
            transport.closePort();
            break;
        }
        default: {  // serial: the input is the words on the line
            auto serial = std::make_unique<test::FakeSerialPort>();
            test::FakeSerialPort* port = serial.get();
            DriveTransport transport;
            transport.usePlatform(std::move(serial), nullptr, nullptr);
            if (transport.openPort("COM1", 9600) != 0) __builtin_trap();
            port->input.assign(data, data + size);
            int out[16];
            const uint32_t got = transport.readSerialWords((mode & 8) ? out : nullptr, 16);
            if (got > 16 || got > size / 2) __builtin_trap();
            uint8_t bytes[4];
            transport.serialReadBytes(bytes, sizeof bytes);
            break;
        }
    }
    return 0;
}
