#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>

#include "tools/drivesim/sim_links.h"

namespace torvex::sim {

namespace {

constexpr uint32_t kRequestId = 0x201;
constexpr uint32_t kReplyId = 0x181;
constexpr uint8_t kStrayByte = 0xA5;

void putRecord(std::vector<uint8_t>& out, const Reply& reply, bool longReplies, bool wrongLength) {
    uint8_t record[TcpLink::kRecordSize] = {};
    record[0] = kReplyId & 0xFF;
    record[1] = (kReplyId >> 8) & 0xFF;
    uint8_t length = uint8_t(reply.bytes + 2);
    if (longReplies && reply.bytes == 2) length = 6;
    if (wrongLength) length = 5;  // 4 is a 16-bit reply, 6 a 32-bit or a long one
    record[4] = length;
    record[8] = uint8_t(reply.reg);
    for (int i = 0; i < reply.bytes; ++i) record[9 + i] = uint8_t(reply.value >> (8 * i));
    out.insert(out.end(), record, record + sizeof record);
}

}  // namespace

TcpLink::~TcpLink() {
    for (Client& client : clients_) close(client.fd);
    if (listenFd_ >= 0) close(listenFd_);
}

bool TcpLink::open(const std::string& address) {
    sockaddr_in where{};
    where.sin_family = AF_INET;
    where.sin_port = htons(kPort);
    if (inet_pton(AF_INET, address.c_str(), &where.sin_addr) != 1) return false;
    listenFd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (listenFd_ < 0) return false;
    int on = 1;
    setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    if (bind(listenFd_, reinterpret_cast<sockaddr*>(&where), sizeof where) != 0 || listen(listenFd_, 8) != 0) {
        close(listenFd_);
        listenFd_ = -1;
        return false;
    }
    return true;
}

void TcpLink::start() { thread_ = std::thread([this] { run(); }); }

void TcpLink::join() {
    if (thread_.joinable()) thread_.join();
}

void TcpLink::run() {
    std::vector<pollfd> entries;
    while (!stop_.raised()) {
        entries.clear();
        entries.push_back({stop_.fd(), POLLIN, 0});
        entries.push_back({listenFd_, POLLIN, 0});
        for (const Client& client : clients_) entries.push_back({client.fd, POLLIN, 0});
        if (poll(entries.data(), entries.size(), -1) < 0 && errno != EINTR) break;
        if (stop_.raised()) break;
        if (entries[1].revents & POLLIN) {
            int fd = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
            if (fd >= 0) {
                int on = 1;
                setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
                clients_.push_back({fd, {}});
                connections_.fetch_add(1);
            }
        }
        // Entries 2.. match the clients as they were before an accept appended one.
        std::vector<int> gone;
        for (size_t i = 2; i < entries.size(); ++i) {
            if (!entries[i].revents) continue;
            Client& client = clients_[i - 2];
            if (!serve(client)) gone.push_back(client.fd);
        }
        for (int fd : gone) {
            close(fd);
            std::erase_if(clients_, [fd](const Client& c) { return c.fd == fd; });
        }
    }
}

bool TcpLink::serve(Client& client) {
    uint8_t buffer[4096];
    ssize_t got = recv(client.fd, buffer, sizeof buffer, 0);
    if (got == 0) return false;
    if (got < 0) return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR;
    client.pending.insert(client.pending.end(), buffer, buffer + got);
    size_t used = 0;
    bool keep = true;
    while (keep && client.pending.size() - used >= kRecordSize) {
        const uint8_t* record = client.pending.data() + used;
        std::vector<uint8_t> raw(record, record + kRecordSize);
        used += kRecordSize;
        uint32_t id = uint32_t(record[0]) | uint32_t(record[1]) << 8 | uint32_t(record[2]) << 16 |
                      uint32_t(record[3]) << 24;
        uint8_t length = record[4];
        uint32_t reg = record[8];
        uint32_t value = 0;
        int valueBytes = length > 1 ? std::min(int(length) - 1, 4) : 0;
        for (int i = 0; i < valueBytes; ++i) value |= uint32_t(record[9 + i]) << (8 * i);
        if (id != kRequestId || length == 0) {
            model_.logFrame({Link::Tcp, false, reg, value, std::move(raw)});
            continue;
        }
        keep = answer(client.fd, model_.handleRequest(Link::Tcp, reg, value, std::move(raw)));
    }
    client.pending.erase(client.pending.begin(), client.pending.begin() + used);
    return keep;
}

bool TcpLink::answer(int fd, const Answer& answer) {
    if (answer.closeLink) return false;
    std::vector<uint8_t> out;
    if (answer.strayByte) out.push_back(kStrayByte);
    for (const Reply& reply : answer.replies) putRecord(out, reply, answer.longReplies, answer.wrongLength);
    if (out.empty()) return true;
    if (answer.delayMs > 0 && !stop_.sleep(answer.delayMs)) return false;
    if (!answer.splitRecord) return writeAll(fd, out.data(), out.size(), stop_);
    // The first record goes out in three pieces; a client must gather a record from
    // as many reads as it takes.
    const size_t cuts[] = {0, 5, 11, std::min(out.size(), kRecordSize + (answer.strayByte ? 1 : 0))};
    for (int piece = 0; piece < 3; ++piece) {
        if (piece > 0 && !stop_.sleep(kSplitPauseMs)) return false;
        if (!writeAll(fd, out.data() + cuts[piece], cuts[piece + 1] - cuts[piece], stop_)) return false;
    }
    size_t rest = cuts[3];
    if (rest < out.size() && !writeAll(fd, out.data() + rest, out.size() - rest, stop_)) return false;
    return true;
}

}  // namespace torvex::sim
