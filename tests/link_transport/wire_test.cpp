// The wire formats as plain functions.
#include <gtest/gtest.h>

#include <vector>

#include "link/registers.h"
#include "link/wire.h"

namespace torvex::wire {
namespace {

class WireTest : public ::testing::Test {
protected:
    void SetUp() override { buildRegisterCache(); }
};

TEST_F(WireTest, SerialRequestTexts) {
    EXPECT_EQ(formatSerialRequest(0x34, 0x1234, false), "341234X");
    EXPECT_EQ(formatSerialRequest(0x6E, 0x12345678, true), "6e12345678X");
    EXPECT_EQ(formatSerialRequest(0x3D, 0x1B, false), "3d001bX");
    EXPECT_EQ(formatSerialRequest(0x05, 0xABCDEF, false), "05cdefX");  // the low 16 bits only
    EXPECT_EQ(formatSerialRequest(0x40, 0xFFFFFFFF, true), "40ffffffffX");
}

TEST_F(WireTest, ValueBytesFollowTheRegisterWidth) {
    EXPECT_EQ(valueBytes(0x40), 4);
    EXPECT_EQ(valueBytes(0x6E), 4);
    EXPECT_EQ(valueBytes(0x34), 2);
    EXPECT_EQ(valueBytes(0x1B), 2);
    EXPECT_EQ(valueBytes(0x1234), 2);  // unknown: 16 bits, no array read past 255
}

TEST_F(WireTest, ReadRequestOfStatusAsTcpRecord) {
    // Reading register 0x40 sends 0x3D READ with the register as a 16-bit value.
    const Frame request = makeRequest(0x3D, 0x40, valueBytes(0x3D));
    uint8_t record[kTcpRecordSize];
    encodeTcpRecord(request, record);
    const std::vector<uint8_t> expected = {0x01, 0x02, 0x00, 0x00, 0x03, 0x00, 0x00, 0x00,
                                           0x3D, 0x40, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
    EXPECT_EQ(std::vector<uint8_t>(record, record + 16), expected);
}

TEST_F(WireTest, WriteRequestOf32BitRegister) {
    const Frame request = makeRequest(0x6E, 0x12345678, 4);
    EXPECT_EQ(request.id, kRequestId);
    EXPECT_EQ(request.length, 5);
    const std::vector<uint8_t> data(request.data, request.data + 8);
    EXPECT_EQ(data, (std::vector<uint8_t>{0x6E, 0x78, 0x56, 0x34, 0x12, 0, 0, 0}));
    const can::CanMessage message = toCanMessage(request);
    EXPECT_EQ(message.id, 0x201u);
    EXPECT_EQ(message.messageType, 0);
    EXPECT_EQ(message.length, 5);
    EXPECT_EQ(message.data[4], 0x12);
    EXPECT_EQ(message.data[5], 0);
}

TEST_F(WireTest, ReplyOf32BitStatusIsAccepted) {
    const uint8_t record[16] = {0x81, 0x01, 0, 0, 6, 0, 0, 0, 0x40, 0x78, 0x56, 0x34, 0x12, 0, 0, 0};
    const Frame reply = decodeTcpRecord(record);
    bool longReplies = false;
    uint32_t value = 0;
    EXPECT_EQ(checkReply(reply, 0x40, 4, &longReplies, &value), ReplyCheck::Accepted);
    EXPECT_EQ(value, 0x12345678u);
}

TEST_F(WireTest, LongRepliesOnlyWhenLearnt) {
    Frame reply;
    reply.id = kReplyId;
    reply.length = 6;
    reply.data[0] = 0x34;
    reply.data[1] = 0x34;
    reply.data[2] = 0x12;
    bool longReplies = false;
    uint32_t value = 0;
    EXPECT_EQ(checkReply(reply, 0x34, 2, &longReplies, &value), ReplyCheck::WrongLength);
    longReplies = true;
    EXPECT_EQ(checkReply(reply, 0x34, 2, &longReplies, &value), ReplyCheck::Accepted);
    EXPECT_EQ(value, 0x1234u);
    reply.length = 4;  // a normal 16-bit reply is still accepted
    EXPECT_EQ(checkReply(reply, 0x34, 2, &longReplies, &value), ReplyCheck::Accepted);
    reply.length = 5;
    EXPECT_EQ(checkReply(reply, 0x34, 2, &longReplies, &value), ReplyCheck::WrongLength);
}

TEST_F(WireTest, FirmwareReplyTeachesLongReplies) {
    Frame reply;
    reply.id = kReplyId;
    reply.data[0] = 0x1B;
    reply.data[1] = 0x36;
    reply.data[2] = 0x01;
    bool longReplies = false;
    uint32_t value = 0;
    reply.length = 6;
    EXPECT_EQ(checkReply(reply, 0x1B, 2, &longReplies, &value), ReplyCheck::Accepted);
    EXPECT_TRUE(longReplies);
    EXPECT_EQ(value, 310u);
    reply.length = 4;
    EXPECT_EQ(checkReply(reply, 0x1B, 2, &longReplies, &value), ReplyCheck::Accepted);
    EXPECT_FALSE(longReplies);
    // A 32-bit register never takes a 6-byte reply as a long 16-bit one: 6 is its own length.
    reply.data[0] = 0x40;
    reply.length = 4;
    longReplies = true;
    EXPECT_EQ(checkReply(reply, 0x40, 4, &longReplies, &value), ReplyCheck::WrongLength);
}

TEST_F(WireTest, WrongIdentifierAndRegister) {
    Frame reply;
    reply.id = 0x182;
    reply.length = 4;
    reply.data[0] = 0x34;
    bool longReplies = false;
    EXPECT_EQ(checkReply(reply, 0x34, 2, &longReplies, nullptr), ReplyCheck::WrongIdentifier);
    reply.id = kReplyId;
    EXPECT_EQ(checkReply(reply, 0x35, 2, &longReplies, nullptr), ReplyCheck::WrongRegister);
    // A register number above 255 never matches a data byte by truncation.
    EXPECT_EQ(checkReply(reply, 0x134, 2, &longReplies, nullptr), ReplyCheck::WrongRegister);
}

TEST_F(WireTest, UntrustedLengthNeverReadsPastTheData) {
    uint8_t record[16];
    for (int i = 0; i < 16; ++i) record[i] = 0xFF;
    const Frame reply = decodeTcpRecord(record);
    EXPECT_EQ(reply.length, 0xFF);
    bool longReplies = true;
    EXPECT_EQ(checkReply(reply, 0xFF, 2, &longReplies, nullptr), ReplyCheck::WrongIdentifier);
    can::CanMessage message{};
    message.length = 200;
    Frame fromCan = fromCanMessage(message);
    EXPECT_EQ(fromCan.length, 200);
    Frame big;
    big.length = 200;
    uint8_t out[16];
    encodeTcpRecord(big, out);  // copies at most 8 data bytes
    EXPECT_EQ(out[4], 200);
    EXPECT_EQ(toCanMessage(big).length, 8);
}

TEST_F(WireTest, SerialWordConversion) {
    EXPECT_EQ(serialWordToInt(0x8000), 32768);
    EXPECT_EQ(serialWordToInt(0x8001), -32767);
    EXPECT_EQ(serialWordToInt(0x7FFF), 32767);
    EXPECT_EQ(serialWordToInt(0xFFFF), -1);
    EXPECT_EQ(serialWordToInt(0), 0);
    EXPECT_EQ(serialWord(0x34, 0x12), 0x1234);
    EXPECT_EQ(combineSerialWords(0x5678, 0x1234), 0x12345678u);
}

}  // namespace
}  // namespace torvex::wire
