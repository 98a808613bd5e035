// The CAN adapter library's interface as the program loads it at run time: six entry
// points with C linkage and one message record. Our own builds of the library (over
// SocketCAN, and the test build that talks to the simulated drive) export exactly these.
#pragma once

#include <cstddef>
#include <cstdint>

namespace torvex::can {

struct CanMessage {
    uint32_t id;          // 11-bit identifier
    uint8_t messageType;  // 0: standard data frame
    uint8_t length;       // data bytes used
    uint8_t data[8];
};
static_assert(sizeof(CanMessage) == 16 && offsetof(CanMessage, messageType) == 4 &&
                  offsetof(CanMessage, length) == 5 && offsetof(CanMessage, data) == 6,
              "the message record is shared with the adapter library");

inline constexpr uint32_t kBitrate500k = 0x001C;
inline constexpr uint32_t kStatusOk = 0;
inline constexpr uint32_t kStatusReceiveQueueEmpty = 0x20;
inline constexpr uint32_t kStatusNoAdapter = 0x100;

using InitFn = uint32_t (*)(uint16_t bitrateCode, int messageType);
using CloseFn = uint32_t (*)();
using StatusFn = uint32_t (*)();
using WriteFn = uint32_t (*)(CanMessage* message);
using ReadFn = uint32_t (*)(CanMessage* message);
using MsgFilterFn = uint32_t (*)(uint32_t fromId, uint32_t toId, int messageType);

inline constexpr const char* kLibraryFileName = "libpcan_usb.so";

}  // namespace torvex::can
