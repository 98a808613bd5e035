// A TCP client socket as the drive link uses it (Linux layer over POSIX sockets).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace torvex::platform {

class TcpSocket {
public:
    virtual ~TcpSocket() = default;

    // Connects to the dotted-decimal IPv4 address within timeoutMs and sets TCP_NODELAY.
    // 0 connected, 2 no socket, 3 connect failed (also: not an address), 4 option failed.
    // Nothing stays open unless the result is 0.
    virtual uint32_t connect(const std::string& address, uint16_t port, int timeoutMs) = 0;
    virtual void close() = 0;
    virtual int handle() const = 0;  // the descriptor, or -1

    // One send without SIGPIPE; the bytes that went out (0 on failure or time-out).
    virtual size_t send(const uint8_t* bytes, size_t count) = 0;
    // Receives until count bytes are in, the peer closed, an error, or timeoutMs passed
    // (for the whole record); returns the number received.
    virtual size_t receive(uint8_t* buffer, size_t count, int timeoutMs) = 0;
    // Throws away whatever has arrived and not been read, without waiting.
    virtual void discardInput() = 0;
};

std::unique_ptr<TcpSocket> makeTcpSocket();

}  // namespace torvex::platform
