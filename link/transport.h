// The link half of the drive connection: opening the serial port, the CAN
// adapter or the TCP gateway, request frames and reply decoding. No locking here: every
// caller holds the connection's lock for one whole exchange. The frame formats and the
// reply acceptance live in link/wire.h as plain functions; the operating system is reached
// through the platform interfaces of platform/, which tests replace with fakes.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "platform/can_adapter.h"
#include "platform/serial_port.h"
#include "platform/tcp_socket.h"

namespace torvex {

class DriveTransport {
public:
    DriveTransport();
    ~DriveTransport();
    DriveTransport(const DriveTransport&) = delete;
    DriveTransport& operator=(const DriveTransport&) = delete;

    // 0 opened; serial 1 not opened; CAN and TCP as initCan / connectTcp.
    uint32_t openPort(const std::string& port, uint32_t baud);
    void closePort();
    uint32_t initCan();       // 0 ok, 2 library missing, 3 init failed, 4 bad status, 5 filter failed
    uint32_t connectTcp();    // 0 ok, 1 no address, 2 no socket, 3 connect failed, 4 option failed
    bool bindCanLibrary();
    uint32_t releaseCanLibrary();  // 1 when nothing was loaded, else 0

    // usable: the connection's "online or image" state, passed in by the caller.
    bool sendRegisterFrame(uint32_t reg, uint32_t value, bool usable);
    uint32_t requestRegister(uint32_t reg, uint32_t* out, bool usable);  // 1 received, 0 not
    uint32_t readRegisterSeries(int16_t reg, uint32_t value, int* out, uint32_t count, bool usable);

    // Link-level operations.
    size_t serialWriteBytes(const uint8_t* bytes, size_t count);
    size_t serialReadBytes(uint8_t* buffer, size_t count);
    uint32_t readSerialWords(int* out, uint32_t count);
    int tcpSendFrame(uint32_t reg, const uint8_t* valueBytes, int n);
    int canSendFrame(uint32_t reg, const uint8_t* valueBytes, int n);
    int tcpReceiveFrame(uint32_t reg, uint8_t* out, int n);
    int canReceiveFrame(uint32_t reg, uint8_t* out, int n);

    bool isOpen() const { return handle_.load() != kClosed; }
    uint32_t handle() const { return handle_.load(); }
    bool isCan() const { return isCan_.load(); }
    bool isTcp() const { return isTcp_.load(); }
    bool longReplies() const { return longReplies_.load(); }
    void setLongReplies(bool on) { longReplies_.store(on); }

    // The gateway's address (the main frame's IP address dialog); safe from any thread.
    std::string ipAddress() const;
    void setIpAddress(const std::string& address);

    // Time-outs of the TCP link, so that a silent gateway never holds the connection:
    // connecting, and one whole reply record.
    void setTcpTimeouts(int connectMs, int receiveMs);
    int tcpReceiveTimeoutMs() const { return tcpReceiveMs_; }

    // Boxes of the link (opening and the CAN filter box) go here; by default straight to
    // messageBox. The connection collects them while it holds its lock and shows them after.
    using BoxSink = std::function<void(const std::string& text, const std::string& caption)>;
    void setBoxSink(BoxSink sink);

    // Replaces the operating-system layers (tests). The CAN adapter is not owned.
    void usePlatform(std::unique_ptr<platform::SerialPort> serial, std::unique_ptr<platform::TcpSocket> tcp,
                     platform::CanAdapter* can);

    static constexpr uint32_t kClosed = 0xFFFFFFFFu;

private:
    void box(const std::string& text, const std::string& caption);
    bool serialSend(uint32_t reg, uint32_t value, bool is32bit);
    // Reads count raw words; returns the number read.
    uint32_t readSerialRawWords(uint16_t* out, uint32_t count);
    bool serialReadRegister(uint32_t reg, uint32_t* out);

    std::atomic<uint32_t> handle_{kClosed};
    std::atomic<bool> isCan_{false};
    std::atomic<bool> longReplies_{false};
    std::atomic<bool> isTcp_{false};

    mutable std::mutex addressMutex_;
    std::string ipAddress_;

    std::unique_ptr<platform::SerialPort> serial_;
    std::unique_ptr<platform::TcpSocket> tcp_;
    platform::CanAdapter* can_;
    bool canInitialised_ = false;  // CAN_Init succeeded; CAN_Close is called before unloading

    int tcpConnectMs_ = 1000;
    int tcpReceiveMs_ = 1000;
    // Whether the TCP stream may hold bytes no read took: after a write (which reads no
    // reply) and after a read that did not end with its whole reply. Only then is the
    // stream emptied before the next request; a read that took its reply leaves nothing,
    // and emptying an empty stream costs a system call per exchange.
    bool tcpStaleInputPossible_ = false;
    // Adapter error messages found while emptying the CAN receive queue before a request:
    // each fails one later read, as it would have failed the read that met it in the queue.
    // A write reads nothing, so it leaves them for the next read.
    uint32_t canErrorsOwed_ = 0;
    BoxSink boxSink_;
};

}  // namespace torvex
