// The CAN adapter library's six entry points over the simulated drive's datagram
// socket (TORVEX_CAN_SIM). No threads and no state that outlives CAN_Close or an
// unload, so the program may load, unload and load it again as often as it likes.
#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <mutex>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include "platform/can_adapter_api.h"
#include "tools/drivesim/can_sim_protocol.h"

namespace {

using torvex::can::CanMessage;
namespace cansim = torvex::cansim;

// Results of our own; 0, 0x20 and 0x100 are the ones the program relies on.
constexpr uint32_t kTransmitFailed = 0x0001;
constexpr uint32_t kBusOff = 0x0010;
constexpr uint32_t kQueueEmpty = torvex::can::kStatusReceiveQueueEmpty;
constexpr uint32_t kNoAdapter = torvex::can::kStatusNoAdapter;
constexpr uint32_t kNotInitialised = 0x4000;

constexpr int kWelcomeWaitMs = 1000;

struct Node {
    std::mutex mutex;
    int fd = -1;
    bool busOff = false;
    uint32_t filterFrom = 0;
    uint32_t filterTo = 0x7FF;
    std::deque<CanMessage> received;
    std::array<bool, 256> refused{};  // registers whose writes the drive does not acknowledge

    void shut() {
        if (fd >= 0) {
            const uint8_t bye = cansim::kBye;
            send(fd, &bye, 1, MSG_NOSIGNAL | MSG_DONTWAIT);
            close(fd);
        }
        fd = -1;
        busOff = false;
        received.clear();
        refused.fill(false);
    }

    // Takes whatever the drive has sent into the receive queue.
    void drain() {
        uint8_t datagram[cansim::kDatagramSize + 8];
        for (;;) {
            ssize_t got = recv(fd, datagram, sizeof datagram, MSG_DONTWAIT);
            if (got <= 0) return;
            if (datagram[0] == cansim::kBusOff) {
                busOff = true;
            } else if (datagram[0] == cansim::kRefuse && size_t(got) == cansim::kRefuseSize) {
                refused[datagram[1]] = datagram[2] != 0;
            } else if (datagram[0] == cansim::kMessage && size_t(got) == cansim::kDatagramSize) {
                CanMessage message;
                std::memcpy(&message, datagram + 1, sizeof message);
                received.push_back(message);
            }
        }
    }
};

Node node;

uint32_t openNode() {
    const char* endpoint = std::getenv(cansim::kEndpointVariable);
    sockaddr_un drive{};
    drive.sun_family = AF_UNIX;
    if (!endpoint || !*endpoint || std::strlen(endpoint) >= sizeof drive.sun_path) return kNoAdapter;
    std::strcpy(drive.sun_path, endpoint);

    int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return kNoAdapter;
    // An unnamed address of our own, so the drive can answer this node.
    sa_family_t family = AF_UNIX;
    timeval sendTimeout{1, 0};
    setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &sendTimeout, sizeof sendTimeout);
    if (bind(fd, reinterpret_cast<sockaddr*>(&family), sizeof family) != 0 ||
        connect(fd, reinterpret_cast<sockaddr*>(&drive), sizeof drive) != 0) {
        close(fd);
        return kNoAdapter;
    }
    const uint8_t hello = cansim::kHello;
    if (send(fd, &hello, 1, MSG_NOSIGNAL) != 1) {
        close(fd);
        return kNoAdapter;
    }
    pollfd entry{fd, POLLIN, 0};
    uint8_t welcome[cansim::kWelcomeSize] = {};
    if (poll(&entry, 1, kWelcomeWaitMs) != 1 || recv(fd, welcome, sizeof welcome, 0) != ssize_t(sizeof welcome) ||
        welcome[0] != cansim::kWelcome) {
        close(fd);
        return kNoAdapter;
    }
    for (unsigned reg = 0; reg < node.refused.size(); ++reg)
        node.refused[reg] = (welcome[1 + reg / 8] >> (reg % 8)) & 1;
    node.fd = fd;
    return torvex::can::kStatusOk;
}

}  // namespace

#define CAN_EXPORT extern "C" __attribute__((visibility("default")))

CAN_EXPORT uint32_t CAN_Init(uint16_t bitrateCode, int messageType) {
    std::lock_guard lock(node.mutex);
    node.shut();
    node.filterFrom = 0;
    node.filterTo = 0x7FF;
    return openNode();
}

CAN_EXPORT uint32_t CAN_Close() {
    std::lock_guard lock(node.mutex);
    node.shut();
    return torvex::can::kStatusOk;
}

CAN_EXPORT uint32_t CAN_Status() {
    std::lock_guard lock(node.mutex);
    if (node.fd < 0) return kNotInitialised;
    node.drain();
    return node.busOff ? kBusOff : torvex::can::kStatusOk;
}

CAN_EXPORT uint32_t CAN_Write(CanMessage* message) {
    std::lock_guard lock(node.mutex);
    if (node.fd < 0) return kNotInitialised;
    if (!message) return kTransmitFailed;
    node.drain();
    if (node.busOff) return kBusOff;
    // Nobody acknowledges the frame: the adapter reports it instead of sending it.
    if (message->id == cansim::kRequestId && message->messageType == 0 && message->length > 0 &&
        node.refused[message->data[0]])
        return kTransmitFailed;
    uint8_t datagram[cansim::kDatagramSize] = {cansim::kMessage};
    std::memcpy(datagram + 1, message, sizeof *message);
    return send(node.fd, datagram, sizeof datagram, MSG_NOSIGNAL) == ssize_t(sizeof datagram)
               ? torvex::can::kStatusOk
               : kTransmitFailed;
}

CAN_EXPORT uint32_t CAN_Read(CanMessage* message) {
    std::lock_guard lock(node.mutex);
    if (node.fd < 0) return kNotInitialised | kQueueEmpty;
    node.drain();
    while (!node.received.empty()) {
        CanMessage next = node.received.front();
        node.received.pop_front();
        if (next.id < node.filterFrom || next.id > node.filterTo) continue;
        if (message) *message = next;
        return torvex::can::kStatusOk;
    }
    return kQueueEmpty;
}

CAN_EXPORT uint32_t CAN_MsgFilter(uint32_t fromId, uint32_t toId, int messageType) {
    std::lock_guard lock(node.mutex);
    if (node.fd < 0) return kNotInitialised;
    node.filterFrom = fromId;
    node.filterTo = toId;
    return torvex::can::kStatusOk;
}

// A program that unloads the library without CAN_Close leaves no socket behind.
__attribute__((destructor)) static void closeOnUnload() {
    std::lock_guard lock(node.mutex);
    node.shut();
}
