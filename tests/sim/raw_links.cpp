#include "tests/sim/raw_links.h"

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>

namespace torvex::test {

int connectRaw(const std::string& address) {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in where{};
    where.sin_family = AF_INET;
    where.sin_port = htons(6666);
    inet_pton(AF_INET, address.c_str(), &where.sin_addr);
    if (connect(fd, reinterpret_cast<sockaddr*>(&where), sizeof where) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

int openRawTerminal(const std::string& path) {
    int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return -1;
    termios raw{};
    tcgetattr(fd, &raw);
    cfmakeraw(&raw);
    tcsetattr(fd, TCSANOW, &raw);
    return fd;
}

bool sendBytes(int fd, const Bytes& bytes) {
    return write(fd, bytes.data(), bytes.size()) == ssize_t(bytes.size());
}

bool sendText(int fd, const std::string& text) { return sendBytes(fd, Bytes(text.begin(), text.end())); }

Bytes readBytes(int fd, size_t count, int timeoutMs, int* reads) {
    Bytes out;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (out.size() < count) {
        int left = int(std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now())
                           .count());
        if (left <= 0) break;
        pollfd entry{fd, POLLIN, 0};
        if (poll(&entry, 1, left) <= 0) break;
        uint8_t buffer[256];
        ssize_t got = read(fd, buffer, std::min(sizeof buffer, count - out.size()));
        if (got <= 0) break;
        if (reads) ++*reads;
        out.insert(out.end(), buffer, buffer + got);
    }
    return out;
}

bool peerClosed(int fd, int timeoutMs) {
    pollfd entry{fd, POLLIN, 0};
    if (poll(&entry, 1, timeoutMs) <= 0) return false;
    if (entry.revents & (POLLHUP | POLLERR)) return true;
    uint8_t byte;
    ssize_t got = read(fd, &byte, 1);
    return got == 0 || (got < 0 && errno != EAGAIN);
}

Bytes tcpRecord(uint32_t id, uint8_t length, const Bytes& data) {
    Bytes record(16, 0);
    for (int i = 0; i < 4; ++i) record[size_t(i)] = uint8_t(id >> (8 * i));
    record[4] = length;
    for (size_t i = 0; i < data.size() && i < 8; ++i) record[8 + i] = data[i];
    return record;
}

}  // namespace torvex::test
