// The link half of the drive connection: opening the serial port, the CAN adapter
// or the TCP gateway, request frames and reply decoding. No locking here: every
// caller holds the connection's lock for one whole exchange.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

namespace torvex {

class DriveTransport {
public:
    DriveTransport();
    ~DriveTransport();

    uint32_t openPort(const std::string& port, uint32_t baud);
    void closePort();
    uint32_t initCan();       // 0 ok, 2 library missing, 3 init failed, 4 bad status, 5 filter failed
    uint32_t connectTcp();    // 0 ok, 1 no address, 2 no socket, 3 connect failed, 4 option failed

    // usable: the connection's "online or image" state, passed in by the caller.
    bool sendRegisterFrame(uint32_t reg, uint32_t value, bool usable);
    uint32_t requestRegister(uint32_t reg, uint32_t* out, bool usable);  // 1 received, 0 not
    uint32_t readRegisterSeries(int16_t reg, uint32_t value, int* out, uint32_t count, bool usable);

    bool isOpen() const { return handle_.load() != kClosed; }
    bool isCan() const { return isCan_.load(); }
    bool isTcp() const { return isTcp_.load(); }
    bool longReplies() const { return longReplies_.load(); }
    std::string ipAddress;

    static constexpr uint32_t kClosed = 0xFFFFFFFFu;

private:
    std::atomic<uint32_t> handle_{kClosed};
    std::atomic<bool> isCan_{false};
    std::atomic<bool> longReplies_{false};
    std::atomic<bool> isTcp_{false};
    int socket_ = 0;
    int serialFd_ = -1;
};

}  // namespace torvex
