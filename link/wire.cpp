#include "link/wire.h"

#include <cstdio>
#include <cstring>

#include "link/registers.h"

namespace torvex::wire {

int valueBytes(uint32_t reg) { return is32bitRegister(reg) ? 4 : 2; }

Frame makeRequest(uint32_t reg, uint32_t value, int n) {
    Frame frame;
    frame.id = kRequestId;
    if (n != 4) n = 2;
    frame.length = static_cast<uint8_t>(n + 1);
    frame.data[0] = static_cast<uint8_t>(reg & 0xFF);
    for (int i = 0; i < n; ++i) frame.data[1 + i] = static_cast<uint8_t>((value >> (8 * i)) & 0xFF);
    return frame;
}

void encodeTcpRecord(const Frame& frame, uint8_t out[kTcpRecordSize]) {
    std::memset(out, 0, kTcpRecordSize);
    for (int i = 0; i < 4; ++i) out[i] = static_cast<uint8_t>((frame.id >> (8 * i)) & 0xFF);
    out[4] = frame.length;
    const size_t used = frame.length < 8 ? frame.length : 8;
    std::memcpy(out + 8, frame.data, used);
}

Frame decodeTcpRecord(const uint8_t in[kTcpRecordSize]) {
    Frame frame;
    frame.id = static_cast<uint32_t>(in[0]) | (static_cast<uint32_t>(in[1]) << 8) |
               (static_cast<uint32_t>(in[2]) << 16) | (static_cast<uint32_t>(in[3]) << 24);
    frame.length = in[4];
    std::memcpy(frame.data, in + 8, 8);
    return frame;
}

can::CanMessage toCanMessage(const Frame& frame) {
    can::CanMessage message{};
    message.id = frame.id;
    message.messageType = frame.messageType;
    message.length = frame.length < 8 ? frame.length : 8;
    std::memcpy(message.data, frame.data, message.length);
    return message;
}

Frame fromCanMessage(const can::CanMessage& message) {
    Frame frame;
    frame.id = message.id;
    frame.messageType = message.messageType;
    frame.length = message.length;
    std::memcpy(frame.data, message.data, 8);
    return frame;
}

std::string formatSerialRequest(uint32_t reg, uint32_t value, bool is32bit) {
    char text[16];
    if (is32bit)
        std::snprintf(text, sizeof text, "%02x%08xX", reg & 0xFF, value);
    else
        std::snprintf(text, sizeof text, "%02x%04xX", reg & 0xFF, value & 0xFFFF);
    return text;
}

ReplyCheck checkReply(const Frame& reply, uint32_t reg, int n, bool* longReplies, uint32_t* value) {
    if (reply.id != kReplyId) return ReplyCheck::WrongIdentifier;
    if (!isWireRegister(reg) || reply.data[0] != reg) return ReplyCheck::WrongRegister;
    if (n != 4) n = 2;
    bool learnt = longReplies && *longReplies;
    if (reg == 0x1B) {
        learnt = reply.length == 6;
        if (longReplies) *longReplies = learnt;
    }
    const bool lengthOk = reply.length == n + 2 || (learnt && n == 2 && reply.length == 6);
    if (!lengthOk) return ReplyCheck::WrongLength;
    uint32_t v = 0;
    for (int i = 0; i < n; ++i) v |= static_cast<uint32_t>(reply.data[1 + i]) << (8 * i);
    if (value) *value = v;
    return ReplyCheck::Accepted;
}

int serialWordToInt(uint16_t word) { return word > 0x8000 ? static_cast<int>(word) - 0x10000 : static_cast<int>(word); }

uint32_t combineSerialWords(uint16_t first, uint16_t second) {
    return (static_cast<uint32_t>(second) << 16) | first;
}

}  // namespace torvex::wire
