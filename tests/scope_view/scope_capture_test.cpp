#include <gtest/gtest.h>

#include "scope/scope_capture.h"

namespace torvex {
namespace {

// Channels 2, 4 and 7 were on when the capture was armed: slots 0, 1, 2.
ScopeCapture threeSlotCapture(uint32_t perSlot) {
    ScopeCapture capture;
    capture.channelRegisters = {0, 0x30, 0, 0x20, 0, 0, 0x99, 0};
    capture.channelCount = 3;
    capture.sampleCount = perSlot * 3;
    for (uint32_t i = 0; i < capture.sampleCount; ++i) capture.samples.push_back(static_cast<int32_t>(i));
    return capture;
}

TEST(ScopeCapture, ChannelsMapToTheirOwnSlots) {
    ScopeCapture capture = threeSlotCapture(4);
    const int expected[kScopeChannels] = {-1, 0, -1, 1, -1, -1, 2, -1};
    for (int n = 0; n < kScopeChannels; ++n) EXPECT_EQ(capture.slotOfChannel(n), expected[n]) << n;
    EXPECT_EQ(capture.slotOfChannel(-1), -1);
    EXPECT_EQ(capture.slotOfChannel(8), -1);
    EXPECT_EQ(capture.slotRegister(0), 0x30u);
    EXPECT_EQ(capture.slotRegister(1), 0x20u);
    EXPECT_EQ(capture.slotRegister(2), 0x99u);
    EXPECT_EQ(capture.slotRegister(3), 0u);

    // A file may name more channels than it holds slots: those channels show nothing.
    capture.channelCount = 2;
    capture.sampleCount = 8;
    EXPECT_EQ(capture.slotOfChannel(6), -1);
    EXPECT_EQ(capture.slotRegister(2), 0u);
}

TEST(ScopeCapture, SamplesAreReadOnlyInsideTheCapture) {
    ScopeCapture capture = threeSlotCapture(4);
    int32_t value = -1;
    ASSERT_TRUE(capture.sampleAt(2, 1, value));
    EXPECT_EQ(value, 2 * 3 + 1);
    ASSERT_TRUE(capture.sampleAt(3, 2, value));
    EXPECT_EQ(value, 11);
    EXPECT_FALSE(capture.sampleAt(4, 0, value));
    EXPECT_FALSE(capture.sampleAt(0, 3, value));

    // A count that is no multiple of the slots: the partial last row is not read.
    capture.sampleCount = 10;
    EXPECT_EQ(capture.samplesPerSlot(), 3u);
    EXPECT_FALSE(capture.sampleAt(3, 0, value));

    // Counts beyond the vector, the buffer or eight slots are no capture at all.
    struct Case { uint32_t samples; uint32_t channels; size_t held; };
    const Case broken[] = {{13, 3, 12}, {5001, 1, 5001}, {9, 9, 9}, {6, 0, 6}};
    for (const Case& c : broken) {
        ScopeCapture bad;
        bad.sampleCount = c.samples;
        bad.channelCount = c.channels;
        bad.samples.assign(c.held, 7);
        EXPECT_EQ(bad.samplesPerSlot(), 0u) << c.samples << "/" << c.channels;
        EXPECT_FALSE(bad.sampleAt(0, 0, value));
    }
}

}  // namespace
}  // namespace torvex
