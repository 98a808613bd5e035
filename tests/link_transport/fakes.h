// Fakes of the platform layers: a serial port, a TCP socket and a CAN adapter that record
// what goes out and answer from queues or from a responder the test installs.
#pragma once

#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "link/message_seam.h"
#include "platform/can_adapter.h"
#include "platform/serial_port.h"
#include "platform/tcp_socket.h"

namespace torvex::test {

class FakeSerialPort : public platform::SerialPort {
public:
    bool open(const std::string& portText, uint32_t baud) override {
        openedPorts.push_back(portText);
        openedBauds.push_back(baud);
        if (!openSucceeds) return false;
        fd = 42;
        return true;
    }
    void close() override {
        fd = -1;
        ++closes;
    }
    int handle() const override { return fd; }
    size_t write(const uint8_t* bytes, size_t count) override {
        size_t n = count < writeLimit ? count : writeLimit;
        written.append(reinterpret_cast<const char*>(bytes), n);
        pending.append(reinterpret_cast<const char*>(bytes), n);
        size_t x;
        while ((x = pending.find('X')) != std::string::npos) {
            std::string request = pending.substr(0, x + 1);
            pending.erase(0, x + 1);
            requests.push_back(request);
            if (responder) responder(request, input);
        }
        return n;
    }
    bool readByte(uint8_t* byte, int timeoutMs) override {
        ++byteReads;
        lastTimeoutMs = timeoutMs;
        // A slow drive: so many empty reads before each next byte.
        if (!input.empty() && !gapsBefore.empty() && gapsBefore.front() > 0) {
            --gapsBefore.front();
            ++emptyReads;
            return false;
        }
        if (!input.empty() && !gapsBefore.empty()) gapsBefore.pop_front();
        if (input.empty()) {
            ++emptyReads;
            return false;
        }
        *byte = input.front();
        input.pop_front();
        return true;
    }
    void discardInput() override {
        discarded += input.size();
        input.clear();
        ++discards;
    }
    bool inputWithin(int) override { return !input.empty(); }
    int twoByteMicroseconds() const override { return 200; }

    int fd = -1;
    bool openSucceeds = true;
    size_t writeLimit = static_cast<size_t>(-1);
    std::vector<std::string> openedPorts;
    std::vector<uint32_t> openedBauds;
    std::string written, pending;
    std::vector<std::string> requests;
    std::deque<uint8_t> input;
    std::deque<int> gapsBefore;
    std::function<void(const std::string& request, std::deque<uint8_t>& input)> responder;
    int byteReads = 0, emptyReads = 0, discards = 0, closes = 0, lastTimeoutMs = 0;
    size_t discarded = 0;
};

class FakeTcpSocket : public platform::TcpSocket {
public:
    uint32_t connect(const std::string& address, uint16_t port, int timeoutMs) override {
        connectedAddresses.push_back(address);
        connectedPort = port;
        if (connectResult == 0) fd = 7;
        return connectResult;
    }
    void close() override {
        fd = -1;
        ++closes;
    }
    int handle() const override { return fd; }
    size_t send(const uint8_t* bytes, size_t count) override {
        ++sends;
        if (fd < 0) return 0;
        std::vector<uint8_t> record(bytes, bytes + count);
        records.push_back(record);
        size_t n = count < sendLimit ? count : sendLimit;
        if (responder) responder(record, input);
        return n;
    }
    size_t receive(uint8_t* buffer, size_t count, int timeoutMs) override {
        ++receives;
        lastReceiveTimeoutMs = timeoutMs;
        size_t got = 0;
        while (got < count && !input.empty()) {
            buffer[got++] = input.front();
            input.pop_front();
        }
        return got;
    }
    void discardInput() override {
        ++discards;
        discarded += input.size();
        input.clear();
    }

    int fd = -1;
    uint32_t connectResult = 0;
    size_t sendLimit = static_cast<size_t>(-1);
    std::vector<std::string> connectedAddresses;
    uint16_t connectedPort = 0;
    std::vector<std::vector<uint8_t>> records;
    std::deque<uint8_t> input;
    std::function<void(const std::vector<uint8_t>& request, std::deque<uint8_t>& input)> responder;
    int sends = 0, receives = 0, discards = 0, closes = 0, lastReceiveTimeoutMs = 0;
    size_t discarded = 0;
};

class FakeCanAdapter : public platform::CanAdapter {
public:
    bool isLoaded() const override { return loaded; }
    bool load() override {
        ++loads;
        loaded = loadSucceeds;
        return loaded;
    }
    bool unload() override {
        ++unloads;
        bool was = loaded;
        loaded = false;
        return was;
    }
    uint32_t init(uint16_t bitrateCode, int messageType) override {
        initBitrate = bitrateCode;
        initType = messageType;
        return initResult;
    }
    uint32_t close() override {
        ++closes;
        return 0;
    }
    uint32_t status() override {
        ++statusCalls;
        return statusResult;
    }
    uint32_t write(can::CanMessage* message) override {
        written.push_back(*message);
        if (writeResult == 0 && responder) responder(*message, incoming);
        return writeResult;
    }
    uint32_t read(can::CanMessage* message) override {
        ++reads;
        if (incoming.empty() && traffic) incoming.push_back(traffic(reads));
        if (incoming.empty()) {
            ++emptyReads;
            return can::kStatusReceiveQueueEmpty;
        }
        *message = incoming.front();
        incoming.pop_front();
        return 0;
    }
    uint32_t msgFilter(uint32_t fromId, uint32_t toId, int messageType) override {
        filterFrom = fromId;
        filterTo = toId;
        return filterResult;
    }

    bool loaded = false, loadSucceeds = true;
    uint32_t initResult = 0, statusResult = 0, filterResult = 0, writeResult = 0;
    uint16_t initBitrate = 0;
    int initType = -1;
    uint32_t filterFrom = 0, filterTo = 0;
    std::vector<can::CanMessage> written;
    std::deque<can::CanMessage> incoming;
    std::function<void(const can::CanMessage& request, std::deque<can::CanMessage>& incoming)> responder;
    // A busy bus: a message for every read that finds nothing queued.
    std::function<can::CanMessage(int read)> traffic;
    int loads = 0, unloads = 0, closes = 0, statusCalls = 0, reads = 0, emptyReads = 0;
};

// Records every box asked for through the message seam while it lives.
class BoxRecorder {
public:
    BoxRecorder() {
        previous_ = setMessageHandler([this](const MessageRequest& request) {
            std::function<void()> hook;
            {
                std::lock_guard<std::mutex> guard(mutex_);
                boxes_.push_back(request);
                hook = onBox;
            }
            if (hook) hook();
            return static_cast<int>(kMsgOk);
        });
    }
    ~BoxRecorder() { setMessageHandler(previous_); }
    std::vector<MessageRequest> boxes() const {
        std::lock_guard<std::mutex> guard(mutex_);
        return boxes_;
    }
    size_t count() const { return boxes().size(); }
    std::function<void()> onBox;

private:
    mutable std::mutex mutex_;
    std::vector<MessageRequest> boxes_;
    MessageHandler previous_;
};

// Builders of drive replies.
inline std::vector<uint8_t> tcpReply(uint32_t id, uint8_t length, std::vector<uint8_t> data) {
    std::vector<uint8_t> record(16, 0);
    record[0] = id & 0xFF;
    record[1] = (id >> 8) & 0xFF;
    record[2] = (id >> 16) & 0xFF;
    record[3] = (id >> 24) & 0xFF;
    record[4] = length;
    for (size_t i = 0; i < data.size() && i < 8; ++i) record[8 + i] = data[i];
    return record;
}

inline can::CanMessage canReply(uint32_t id, uint8_t length, std::vector<uint8_t> data, uint8_t type = 0) {
    can::CanMessage message{};
    message.id = id;
    message.messageType = type;
    message.length = length;
    for (size_t i = 0; i < data.size() && i < 8; ++i) message.data[i] = data[i];
    return message;
}

}  // namespace torvex::test
