// TCP client over POSIX sockets: connect with a time-out, TCP_NODELAY, sends without
// SIGPIPE, receives that collect a whole record within a time-out.
#include "platform/tcp_socket.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace torvex::platform {

namespace {

using Clock = std::chrono::steady_clock;

long millisecondsLeft(Clock::time_point deadline) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
}

bool setTimeout(int fd, int option, int milliseconds) {
    timeval tv{milliseconds / 1000, static_cast<suseconds_t>((milliseconds % 1000) * 1000)};
    return ::setsockopt(fd, SOL_SOCKET, option, &tv, sizeof tv) == 0;
}

class PosixTcpSocket final : public TcpSocket {
public:
    ~PosixTcpSocket() override { close(); }

    uint32_t connect(const std::string& address, uint16_t port, int timeoutMs) override {
        close();
        int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd < 0) return 2;
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(port);
        // inet_aton reads what inet_addr reads (also "127.1" and the like).
        if (::inet_aton(address.c_str(), &to.sin_addr) == 0) {
            ::close(fd);
            return 3;
        }
        const int flags = ::fcntl(fd, F_GETFL, 0);
        ::fcntl(fd, F_SETFL, flags | O_NONBLOCK);
        int r = ::connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to);
        if (r != 0 && errno != EINPROGRESS) {
            ::close(fd);
            return 3;
        }
        if (r != 0) {
            const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
            for (;;) {
                long left = millisecondsLeft(deadline);
                if (left <= 0) {
                    ::close(fd);
                    return 3;
                }
                pollfd p{fd, POLLOUT, 0};
                int pr = ::poll(&p, 1, static_cast<int>(left));
                if (pr < 0 && errno == EINTR) continue;
                if (pr <= 0) {
                    ::close(fd);
                    return 3;
                }
                break;
            }
            int error = 0;
            socklen_t length = sizeof error;
            if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0 || error != 0) {
                ::close(fd);
                return 3;
            }
        }
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
        int one = 1;
        if (::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one) != 0) {
            ::close(fd);
            return 4;
        }
        // A gateway that stops reading must not block a send for ever.
        setTimeout(fd, SO_SNDTIMEO, 1000);
        fd_ = fd;
        receiveTimeoutMs_ = -1;
        return 0;
    }

    void close() override {
        if (fd_ >= 0) {
            ::close(fd_);
            fd_ = -1;
        }
    }

    int handle() const override { return fd_; }

    size_t send(const uint8_t* bytes, size_t count) override {
        if (fd_ < 0) return 0;
        for (;;) {
            ssize_t n = ::send(fd_, bytes, count, MSG_NOSIGNAL);
            if (n < 0 && errno == EINTR) continue;
            return n > 0 ? static_cast<size_t>(n) : 0;
        }
    }

    size_t receive(uint8_t* buffer, size_t count, int timeoutMs) override {
        if (fd_ < 0 || count == 0) return 0;
        const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        if (receiveTimeoutMs_ != timeoutMs) {
            setTimeout(fd_, SO_RCVTIMEO, timeoutMs > 0 ? timeoutMs : 1);
            receiveTimeoutMs_ = timeoutMs;
        }
        size_t got = 0;
        // The usual case: the whole record in one blocking receive (bounded by SO_RCVTIMEO).
        for (;;) {
            ssize_t n = ::recv(fd_, buffer, count, 0);
            if (n < 0 && errno == EINTR && millisecondsLeft(deadline) > 0) continue;
            if (n <= 0) return 0;
            got = static_cast<size_t>(n);
            break;
        }
        // A record that arrives in pieces: collect the rest until the deadline.
        while (got < count) {
            long left = millisecondsLeft(deadline);
            if (left <= 0) break;
            pollfd p{fd_, POLLIN, 0};
            int pr = ::poll(&p, 1, static_cast<int>(left));
            if (pr < 0 && errno == EINTR) continue;
            if (pr <= 0) break;
            ssize_t n = ::recv(fd_, buffer + got, count - got, MSG_DONTWAIT);
            if (n > 0) {
                got += static_cast<size_t>(n);
            } else if (n == 0) {
                break;  // the peer closed
            } else if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
                break;
            }
        }
        return got;
    }

    void discardInput() override {
        if (fd_ < 0) return;
        uint8_t scratch[512];
        for (int i = 0; i < 64; ++i) {  // bounded
            ssize_t n = ::recv(fd_, scratch, sizeof scratch, MSG_DONTWAIT);
            if (n <= 0) break;
        }
    }

private:
    int fd_ = -1;
    int receiveTimeoutMs_ = -1;
};

}  // namespace

std::unique_ptr<TcpSocket> makeTcpSocket() { return std::make_unique<PosixTcpSocket>(); }

}  // namespace torvex::platform
