#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include "tools/drivesim/can_sim_protocol.h"
#include "tools/drivesim/sim_links.h"

namespace torvex::sim {

namespace {

constexpr uint32_t kReplyId = 0x181;

std::string makeFolder() {
    for (const char* base : std::initializer_list<const char*>{std::getenv("TMPDIR"), "/tmp"}) {
        if (!base || !*base) continue;
        std::string pattern = std::string(base) + "/torvex-drivesim-XXXXXX";
        // The socket path must fit sockaddr_un, with room for the file name.
        if (pattern.size() + 5 >= sizeof(sockaddr_un{}.sun_path)) continue;
        if (mkdtemp(pattern.data())) return pattern;
    }
    return {};
}

}  // namespace

CanLink::~CanLink() {
    if (fd_ >= 0) close(fd_);
    if (!socketPath_.empty()) unlink(socketPath_.c_str());
    if (!folder_.empty()) rmdir(folder_.c_str());
}

bool CanLink::open() {
    folder_ = makeFolder();
    if (folder_.empty()) return false;
    socketPath_ = folder_ + "/can";
    fd_ = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd_ < 0) return false;
    sockaddr_un where{};
    where.sun_family = AF_UNIX;
    std::memcpy(where.sun_path, socketPath_.c_str(), socketPath_.size() + 1);
    return bind(fd_, reinterpret_cast<sockaddr*>(&where), sizeof where) == 0;
}

void CanLink::start() { thread_ = std::thread([this] { run(); }); }

void CanLink::join() {
    if (thread_.joinable()) thread_.join();
}

void CanLink::sendBeforeNextReply(std::vector<can::CanMessage> messages) {
    std::lock_guard lock(preludeMutex_);
    prelude_.insert(prelude_.end(), messages.begin(), messages.end());
}

void CanLink::send(const void* address, unsigned addressLength, uint8_t kind, const can::CanMessage* message) {
    uint8_t datagram[cansim::kDatagramSize] = {kind};
    size_t size = 1;
    if (message) {
        std::memcpy(datagram + 1, message, sizeof *message);
        size += sizeof *message;
    }
    sendDatagram(address, addressLength, datagram, size);
}

void CanLink::sendDatagram(const void* address, unsigned addressLength, const uint8_t* datagram, size_t size) {
    // A node's receive queue holds only a few datagrams (a capture streams hundreds):
    // wait for room. A node that went away without saying so only loses this datagram.
    for (int attempt = 0; attempt < 2000; ++attempt) {
        if (sendto(fd_, datagram, size, MSG_NOSIGNAL, static_cast<const sockaddr*>(address), addressLength) >= 0) return;
        if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) return;
        if (!stop_.sleep(1)) return;
    }
}

void CanLink::sendRefusal(const Node& node, uint32_t reg, bool refused) {
    const uint8_t datagram[cansim::kRefuseSize] = {cansim::kRefuse, uint8_t(reg), uint8_t(refused ? 1 : 0)};
    sendDatagram(&node.address, node.length, datagram, sizeof datagram);
}

void CanLink::announceRefusal(uint32_t reg, bool refused) {
    if (reg > 0xFF) return;
    std::lock_guard lock(nodesMutex_);
    for (const Node& node : nodes_) sendRefusal(node, reg, refused);
}

void CanLink::welcome(const sockaddr_un& from, socklen_t fromLength) {
    // Listed before the shaping is read: a refusal set meanwhile is either in the welcome
    // or announced to the node afterwards.
    std::lock_guard lock(nodesMutex_);
    Node node{from, fromLength};
    forgetLocked(node);
    nodes_.push_back(node);
    uint8_t datagram[cansim::kWelcomeSize] = {cansim::kWelcome};
    for (uint32_t reg = 0; reg <= 0xFF; ++reg)
        if (model_.shaping().isWriteRefused(reg)) datagram[1 + reg / 8] |= uint8_t(1u << (reg % 8));
    sendDatagram(&from, fromLength, datagram, sizeof datagram);
}

void CanLink::forget(const sockaddr_un& from, socklen_t fromLength) {
    std::lock_guard lock(nodesMutex_);
    forgetLocked(Node{from, fromLength});
}

void CanLink::forgetLocked(const Node& gone) {
    std::erase_if(nodes_, [&gone](const Node& node) {
        return node.length == gone.length && std::memcmp(&node.address, &gone.address, node.length) == 0;
    });
}

void CanLink::run() {
    while (!stop_.raised()) {
        pollfd entries[2] = {{stop_.fd(), POLLIN, 0}, {fd_, POLLIN, 0}};
        if (poll(entries, 2, -1) < 0 && errno != EINTR) break;
        if (stop_.raised()) break;
        if (!(entries[1].revents & POLLIN)) continue;
        uint8_t datagram[64];
        sockaddr_un from{};
        socklen_t fromLength = sizeof from;
        ssize_t got = recvfrom(fd_, datagram, sizeof datagram, 0, reinterpret_cast<sockaddr*>(&from), &fromLength);
        if (got <= 0) continue;
        if (datagram[0] == cansim::kHello) {
            welcome(from, fromLength);
            continue;
        }
        if (datagram[0] == cansim::kBye) {
            forget(from, fromLength);
            continue;
        }
        if (datagram[0] != cansim::kMessage || size_t(got) < cansim::kDatagramSize) continue;
        can::CanMessage message;
        std::memcpy(&message, datagram + 1, sizeof message);
        std::vector<uint8_t> raw(datagram + 1, datagram + cansim::kDatagramSize);
        uint32_t reg = message.data[0];
        uint32_t value = 0;
        int valueBytes = message.length > 1 ? std::min(int(message.length) - 1, 4) : 0;
        for (int i = 0; i < valueBytes; ++i) value |= uint32_t(message.data[1 + i]) << (8 * i);
        if (message.id != cansim::kRequestId || message.messageType != 0 || message.length == 0) {
            model_.logFrame({Link::Can, false, reg, value, std::move(raw)});
            continue;
        }
        Answer answer = model_.handleRequest(Link::Can, reg, value, std::move(raw));
        if (answer.closeLink) {
            send(&from, fromLength, cansim::kBusOff, nullptr);
            continue;
        }
        if (answer.replies.empty()) continue;
        if (answer.delayMs > 0 && !stop_.sleep(answer.delayMs)) return;
        std::vector<can::CanMessage> prelude;
        {
            std::lock_guard lock(preludeMutex_);
            prelude.swap(prelude_);
        }
        for (const can::CanMessage& extra : prelude) send(&from, fromLength, cansim::kMessage, &extra);
        for (const Reply& reply : answer.replies) {
            can::CanMessage out{};
            out.id = kReplyId;
            out.messageType = 0;
            out.length = uint8_t(reply.bytes + 2);
            if (answer.longReplies && reply.bytes == 2) out.length = 6;
            if (answer.wrongLength) out.length = 5;
            out.data[0] = uint8_t(reply.reg);
            for (int i = 0; i < reply.bytes; ++i) out.data[1 + i] = uint8_t(reply.value >> (8 * i));
            send(&from, fromLength, cansim::kMessage, &out);
        }
    }
}

}  // namespace torvex::sim
