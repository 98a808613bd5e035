// Our build of the CAN adapter library over Linux SocketCAN: the six entry points of
// platform/can_adapter_api.h with C linkage, talking to the interface named by
// TORVEX_CAN_INTERFACE (default can0). The interface's bit rate is set by the system
// (ip link set can0 type can bitrate 500000); the bit-rate code passed to CAN_Init is
// accepted as the vendor's 500 kbit/s code and not applied.
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <type_traits>
#include <vector>

#include <linux/can.h>
#include <linux/can/error.h>
#include <linux/can/raw.h>
#include <net/if.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include "platform/can_adapter_api.h"
#include "platform/socketcan/id_ranges.h"

namespace {

using torvex::can::CanMessage;

// Result codes in the vendor's style.
constexpr uint32_t kOk = 0x0000;
constexpr uint32_t kTransmitFull = 0x0001;
constexpr uint32_t kBusOff = 0x0010;
constexpr uint32_t kReceiveEmpty = torvex::can::kStatusReceiveQueueEmpty;  // 0x20
constexpr uint32_t kTransmitQueueFull = 0x0080;
constexpr uint32_t kNoAdapter = torvex::can::kStatusNoAdapter;  // 0x100
constexpr uint32_t kNotInitialised = 0x1400;
constexpr uint32_t kResource = 0x2000;
constexpr uint32_t kIllegalParameter = 0x8000;

constexpr uint8_t kTypeStandard = 0x00;
constexpr uint8_t kTypeRtr = 0x01;
constexpr uint8_t kTypeExtended = 0x02;
constexpr uint8_t kTypeStatus = 0x80;

std::mutex g_mutex;
int g_fd = -1;
int g_ifindex = 0;
bool g_extended = false;
bool g_busOff = false;

void closeSocket() {
    if (g_fd >= 0) ::close(g_fd);
    g_fd = -1;
    g_ifindex = 0;
    g_busOff = false;
}

std::string interfaceName() {
    const char* name = std::getenv("TORVEX_CAN_INTERFACE");
    return name && *name ? name : "can0";
}

bool interfaceUp() {
    ifreq request{};
    if (::if_indextoname(static_cast<unsigned>(g_ifindex), request.ifr_name) == nullptr) return false;
    if (::ioctl(g_fd, SIOCGIFFLAGS, &request) != 0) return false;
    return (request.ifr_flags & IFF_UP) && (request.ifr_flags & IFF_RUNNING);
}

}  // namespace

extern "C" {

__attribute__((visibility("default"))) uint32_t CAN_Init(uint16_t bitrateCode, int messageType) {
    std::lock_guard<std::mutex> guard(g_mutex);
    closeSocket();
    const std::string name = interfaceName();
    if (name.size() >= IFNAMSIZ) return kNoAdapter;
    int fd = ::socket(PF_CAN, SOCK_RAW | SOCK_NONBLOCK | SOCK_CLOEXEC, CAN_RAW);
    if (fd < 0) return kNoAdapter;  // no SocketCAN in this system
    const unsigned index = ::if_nametoindex(name.c_str());
    if (index == 0) {
        ::close(fd);
        return kNoAdapter;
    }
    sockaddr_can address{};
    address.can_family = AF_CAN;
    address.can_ifindex = static_cast<int>(index);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return kNoAdapter;
    }
    can_err_mask_t errors = CAN_ERR_BUSOFF | CAN_ERR_CRTL | CAN_ERR_RESTARTED;
    ::setsockopt(fd, SOL_CAN_RAW, CAN_RAW_ERR_FILTER, &errors, sizeof errors);
    g_fd = fd;
    g_ifindex = static_cast<int>(index);
    g_extended = messageType != 0;
    (void)bitrateCode;
    return kOk;
}

__attribute__((visibility("default"))) uint32_t CAN_Close() {
    std::lock_guard<std::mutex> guard(g_mutex);
    if (g_fd < 0) return kNotInitialised;
    closeSocket();
    return kOk;
}

__attribute__((visibility("default"))) uint32_t CAN_Status() {
    std::lock_guard<std::mutex> guard(g_mutex);
    if (g_fd < 0) return kNotInitialised;
    if (g_busOff || !interfaceUp()) return kBusOff;
    return kOk;
}

__attribute__((visibility("default"))) uint32_t CAN_Write(CanMessage* message) {
    std::lock_guard<std::mutex> guard(g_mutex);
    if (g_fd < 0) return kNotInitialised;
    if (!message || message->length > 8) return kIllegalParameter;
    can_frame frame{};
    if (message->messageType & kTypeExtended) {
        frame.can_id = (message->id & CAN_EFF_MASK) | CAN_EFF_FLAG;
    } else {
        if (message->id > CAN_SFF_MASK) return kIllegalParameter;
        frame.can_id = message->id;
    }
    if (message->messageType & kTypeRtr) frame.can_id |= CAN_RTR_FLAG;
    frame.can_dlc = message->length;
    std::memcpy(frame.data, message->data, message->length);
    for (int attempt = 0; attempt < 2; ++attempt) {
        ssize_t n = ::write(g_fd, &frame, sizeof frame);
        if (n == static_cast<ssize_t>(sizeof frame)) return kOk;
        if (n < 0 && errno != EAGAIN && errno != ENOBUFS && errno != EINTR) return kTransmitFull;
        pollfd p{g_fd, POLLOUT, 0};
        ::poll(&p, 1, 10);  // the queue may drain within a few frames' time
    }
    return kTransmitQueueFull;
}

__attribute__((visibility("default"))) uint32_t CAN_Read(CanMessage* message) {
    std::lock_guard<std::mutex> guard(g_mutex);
    // Whenever no message is handed out the result carries the queue-empty bit, whatever else
    // went wrong: callers take a result without it as a filled record (an interface that goes
    // down mid-exchange would otherwise pass an empty record off as a message).
    if (g_fd < 0) return kNotInitialised | kReceiveEmpty;
    if (!message) return kIllegalParameter | kReceiveEmpty;
    can_frame frame{};
    for (;;) {
        ssize_t n = ::recv(g_fd, &frame, sizeof frame, MSG_DONTWAIT);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return (errno == EAGAIN || errno == EWOULDBLOCK) ? kReceiveEmpty : (kResource | kReceiveEmpty);
        if (n != static_cast<ssize_t>(sizeof frame)) return kReceiveEmpty;
        break;
    }
    std::memset(message, 0, sizeof *message);
    if (frame.can_id & CAN_ERR_FLAG) {
        // A status message: data[2] non-zero tells of an error that ends the exchange.
        message->id = frame.can_id & CAN_ERR_MASK;
        message->messageType = kTypeStatus;
        message->length = 4;
        if (frame.can_id & CAN_ERR_BUSOFF) {
            g_busOff = true;
            message->data[2] = static_cast<uint8_t>(kBusOff);
        } else if (frame.can_id & CAN_ERR_RESTARTED) {
            g_busOff = false;
        } else if (frame.can_id & CAN_ERR_CRTL) {
            message->data[2] = frame.data[1] & (CAN_ERR_CRTL_RX_OVERFLOW | CAN_ERR_CRTL_TX_OVERFLOW) ? 0x40 : 0;
        }
        return kOk;
    }
    if (frame.can_id & CAN_EFF_FLAG) {
        message->id = frame.can_id & CAN_EFF_MASK;
        message->messageType = kTypeExtended;
    } else {
        message->id = frame.can_id & CAN_SFF_MASK;
        message->messageType = kTypeStandard;
    }
    if (frame.can_id & CAN_RTR_FLAG) message->messageType |= kTypeRtr;
    message->length = frame.can_dlc <= 8 ? frame.can_dlc : 8;
    std::memcpy(message->data, frame.data, message->length);
    return kOk;
}

__attribute__((visibility("default"))) uint32_t CAN_MsgFilter(uint32_t fromId, uint32_t toId, int messageType) {
    std::lock_guard<std::mutex> guard(g_mutex);
    if (g_fd < 0) return kNotInitialised;
    const bool extended = messageType & kTypeExtended;
    const auto blocks = torvex::socketcan::rangeToMasks(fromId, toId, extended ? 29 : 11);
    if (blocks.empty()) return kIllegalParameter;
    std::vector<can_filter> filters;
    for (const auto& block : blocks) {
        can_filter filter{};
        filter.can_id = block.first | (extended ? CAN_EFF_FLAG : 0);
        filter.can_mask = block.second | CAN_EFF_FLAG;
        filters.push_back(filter);
    }
    if (::setsockopt(g_fd, SOL_CAN_RAW, CAN_RAW_FILTER, filters.data(),
                     static_cast<socklen_t>(filters.size() * sizeof(can_filter))) != 0)
        return kResource;
    return kOk;
}

}  // extern "C"

// The interface of the loader: exactly the six entry points with these types.
static_assert(std::is_same_v<decltype(&CAN_Init), torvex::can::InitFn>);
static_assert(std::is_same_v<decltype(&CAN_Close), torvex::can::CloseFn>);
static_assert(std::is_same_v<decltype(&CAN_Status), torvex::can::StatusFn>);
static_assert(std::is_same_v<decltype(&CAN_Write), torvex::can::WriteFn>);
static_assert(std::is_same_v<decltype(&CAN_Read), torvex::can::ReadFn>);
static_assert(std::is_same_v<decltype(&CAN_MsgFilter), torvex::can::MsgFilterFn>);
