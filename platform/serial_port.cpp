// Serial port over termios: raw 8N1, 9600 or 115200 baud, DTR and RTS off, exclusive,
// per-byte read time-outs through poll and write time-outs.
#include "platform/serial_port.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace torvex::platform {

std::string serialDeviceForPort(const std::string& portText) {
    if (portText.size() == 4 && portText.compare(0, 3, "COM") == 0 && portText[3] >= '1' && portText[3] <= '8') {
        const std::string variable = "TORVEX_" + portText;
        const char* device = std::getenv(variable.c_str());
        if (device && *device) return device;
        return std::string("/dev/ttyS") + static_cast<char>(portText[3] - 1);
    }
    return portText;
}

namespace {

class TermiosSerialPort final : public SerialPort {
public:
    ~TermiosSerialPort() override { close(); }

    bool open(const std::string& portText, uint32_t baud) override {
        close();
        const std::string device = serialDeviceForPort(portText);
        if (device.empty()) return false;
        int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) return false;
        // Exclusive: no second open of the terminal, and no second program holding it.
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            ::close(fd);
            return false;
        }
        termios tio{};
        if (::tcgetattr(fd, &tio) != 0) {  // not a terminal: not a serial port
            ::close(fd);
            return false;
        }
        ::ioctl(fd, TIOCEXCL);
        ::cfmakeraw(&tio);
        tio.c_cflag &= ~static_cast<tcflag_t>(PARENB | CSTOPB | CSIZE | CRTSCTS | HUPCL);
        tio.c_cflag |= CS8 | CLOCAL | CREAD;
        tio.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY | INPCK);
        tio.c_cc[VMIN] = 0;
        tio.c_cc[VTIME] = 0;
        const speed_t speed = baud == 115200 ? B115200 : B9600;
        ::cfsetispeed(&tio, speed);
        ::cfsetospeed(&tio, speed);
        ::tcsetattr(fd, TCSANOW, &tio);  // a pseudo-terminal ignores some of it: not checked
        int lines = TIOCM_DTR | TIOCM_RTS;
        ::ioctl(fd, TIOCMBIC, &lines);   // a pseudo-terminal has no modem lines
        ::tcflush(fd, TCIOFLUSH);
        fd_ = fd;
        baud_ = baud == 115200 ? 115200 : 9600;
        return true;
    }

    void close() override {
        if (fd_ >= 0) {
            // The exclusive flag belongs to the terminal, not to this descriptor: without
            // clearing it nobody but root could open the port again while the other side
            // (a pseudo-terminal's master) stays open.
            ::ioctl(fd_, TIOCNXCL);
            ::close(fd_);
            fd_ = -1;
        }
    }

    int handle() const override { return fd_; }

    size_t write(const uint8_t* bytes, size_t count) override {
        if (fd_ < 0) return 0;
        using Clock = std::chrono::steady_clock;
        const auto deadline = Clock::now() + std::chrono::milliseconds(100 + 10 * static_cast<long>(count));
        size_t done = 0;
        while (done < count) {
            ssize_t n = ::write(fd_, bytes + done, count - done);
            if (n > 0) {
                done += static_cast<size_t>(n);
                continue;
            }
            if (n < 0 && errno == EINTR) continue;
            if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) break;
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
            if (left <= 0) break;
            pollfd p{fd_, POLLOUT, 0};
            const int r = ::poll(&p, 1, static_cast<int>(left));
            if (r == 0 || (r < 0 && errno != EINTR)) break;
        }
        return done;
    }

    bool readByte(uint8_t* byte, int timeoutMs) override {
        if (fd_ < 0) return false;
        using Clock = std::chrono::steady_clock;
        const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            ssize_t n = ::read(fd_, byte, 1);
            if (n == 1) return true;
            if (n < 0 && errno == EINTR) continue;
            if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
                // A failed port (e.g. the other side of a pseudo-terminal went away) still
                // costs the time-out, as a silent line does, so a caller's loop never spins.
                const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
                if (left > 0) ::poll(nullptr, 0, static_cast<int>(left));
                return false;
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
            if (left <= 0) return false;
            pollfd p{fd_, POLLIN, 0};
            int r = ::poll(&p, 1, static_cast<int>(left));
            if (r == 0) return false;
            if (r < 0 && errno != EINTR) return false;
            if (r > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL)) && !(p.revents & POLLIN)) {
                const auto rest = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
                if (rest > 0) ::poll(nullptr, 0, static_cast<int>(rest));
                return false;
            }
        }
    }

    void discardInput() override {
        if (fd_ < 0) return;
        ::tcflush(fd_, TCIFLUSH);
        uint8_t scratch[256];
        for (int i = 0; i < 64; ++i) {  // bounded: a line that never stops talking must not hold us
            ssize_t n = ::read(fd_, scratch, sizeof scratch);
            if (n <= 0) break;
        }
    }

    bool inputWithin(int microseconds) override {
        if (fd_ < 0) return false;
        pollfd p{fd_, POLLIN, 0};
        timespec wait{microseconds / 1000000, static_cast<long>(microseconds % 1000000) * 1000};
        int r = ::ppoll(&p, 1, &wait, nullptr);
        return r > 0 && (p.revents & POLLIN);
    }

    int twoByteMicroseconds() const override {
        // 10 bits a byte (start, 8 data, stop).
        return static_cast<int>(20LL * 1000000 / baud_) + 1;
    }

private:
    int fd_ = -1;
    uint32_t baud_ = 9600;
};

}  // namespace

std::unique_ptr<SerialPort> makeSerialPort() { return std::make_unique<TermiosSerialPort>(); }

}  // namespace torvex::platform
