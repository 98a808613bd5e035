// The drive's wire formats as plain functions: request frames, the 16-byte
// TCP record, the CAN message, the RS232 request text, reply acceptance and serial word
// decoding. No I/O and no platform here, so that all of it is unit tested and fuzzed.
//
// Everything that comes from the drive is untrusted: a length, a register number or a
// count in a reply only ever takes part in comparisons; nothing indexes by it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/can_adapter_api.h"

namespace torvex::wire {

inline constexpr uint32_t kRequestId = 0x201;  // tool to drive
inline constexpr uint32_t kReplyId = 0x181;    // drive to tool
inline constexpr size_t kTcpRecordSize = 16;
inline constexpr uint16_t kTcpPort = 6666;
inline constexpr uint32_t kHighestRegister = 0xFF;

// Give-up counts and pauses.
inline constexpr int kSerialPauseMs = 20;          // before every serial request
inline constexpr int kSerialByteTimeoutMs = 105;   // 100 ms + 5 ms per byte
inline constexpr int kSerialEmptyReadLimit = 5;    // empty byte reads in a row end a word read
inline constexpr int kCanEmptyPollLimit = 50;      // empty CAN_Read polls per reply
inline constexpr int kCanPollIntervalMs = 1;
inline constexpr int kConnectTries = 10;           // requests of 0x1B when connecting
inline constexpr uint32_t kMinimumFirmware = 300;

// One CAN / TCP frame: identifier, message type, length, data.
struct Frame {
    uint32_t id = 0;
    uint8_t messageType = 0;
    uint8_t length = 0;   // as received: may be anything, never used as an index
    uint8_t data[8] = {};
};

// A register number the wire can carry: 0..255. Anything else is refused, never truncated.
inline bool isWireRegister(uint32_t reg) { return reg <= kHighestRegister; }

// n of the frame table: 4 for a 32-bit register, 2 otherwise (by is32bitRegister).
int valueBytes(uint32_t reg);

// The request frame: identifier 0x201, length n + 1, register, value little-endian.
// reg must be a wire register; n is 2 or 4.
Frame makeRequest(uint32_t reg, uint32_t value, int n);

// The 16-byte TCP record: identifier (u32 LE), length, 3 bytes 0, 8 data bytes (zero
// behind the length).
void encodeTcpRecord(const Frame& frame, uint8_t out[kTcpRecordSize]);
Frame decodeTcpRecord(const uint8_t in[kTcpRecordSize]);

// The adapter library's message record, both ways.
can::CanMessage toCanMessage(const Frame& frame);
Frame fromCanMessage(const can::CanMessage& message);

// "%02x%04xX" for a 16-bit register, "%02x%08xX" for a 32-bit one. reg must be a wire register.
std::string formatSerialRequest(uint32_t reg, uint32_t value, bool is32bit);

enum class ReplyCheck {
    Accepted,
    WrongIdentifier,  // not 0x181
    WrongRegister,    // data[0] is not the register asked for
    WrongLength,      // no length the acceptance rule allows
};

// The acceptance rule of a reply to a read of reg with n value bytes: identifier 0x181,
// data[0] = reg; for reg 0x1B longReplies is learnt (length 6) first; then the length must
// be n + 2, or 6 for n = 2 when longReplies is set. On acceptance *value gets data[1..n]
// (little-endian). The message type is not looked at (the CAN loop does that).
ReplyCheck checkReply(const Frame& reply, uint32_t reg, int n, bool* longReplies, uint32_t* value);

// A serial reply word as a signed value: only above 0x8000 negative (0x8001 -> -32767,
// 0xFFFF -> -1); 0x8000 stays +32768.
int serialWordToInt(uint16_t word);

// A 32-bit serial value: the second word shifted left 16 with the first word's 16 bits.
uint32_t combineSerialWords(uint16_t first, uint16_t second);

// Two reply bytes, low byte first.
inline uint16_t serialWord(uint8_t low, uint8_t high) { return static_cast<uint16_t>(low | (high << 8)); }

}  // namespace torvex::wire
