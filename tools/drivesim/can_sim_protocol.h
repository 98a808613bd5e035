// How the test build of the CAN adapter library and the simulated drive talk: Unix
// datagrams, each one kind byte followed, for messages, by one CAN message record.
// The drive binds the socket path it hands out as TORVEX_CAN_SIM; the library sends
// from an unnamed (autobound) socket, so every loaded library is a node of its own.
#pragma once

#include <cstdint>

#include "platform/can_adapter_api.h"

namespace torvex::cansim {

enum Kind : uint8_t {
    kHello = 'H',    // library -> drive: a node comes up (CAN_Init)
    kWelcome = 'W',  // drive -> library: answer to kHello, then the refusal bitmap (below)
    kMessage = 'M',  // either way: one CanMessage record follows
    kBusOff = 'O',   // drive -> library: the drive dropped the link; the bus is unusable
    kBye = 'B',      // library -> drive: the node goes away (CAN_Close)
    // drive -> library: two bytes follow, a register number and 1 or 0. While 1, the drive
    // does not acknowledge a request frame (kRequestId) that writes that register: the
    // library's CAN_Write of it fails and the frame never reaches the drive.
    kRefuse = 'R',
};

inline constexpr uint32_t kRequestId = 0x201;  // tool -> drive
inline constexpr unsigned kRefuseSize = 3;
// The welcome carries the registers refused so far, bit r % 8 of byte 1 + r / 8, so that a
// node knows them before its first write.
inline constexpr unsigned kWelcomeSize = 1 + 256 / 8;

inline constexpr const char* kEndpointVariable = "TORVEX_CAN_SIM";
inline constexpr unsigned kDatagramSize = 1 + sizeof(can::CanMessage);

}  // namespace torvex::cansim
