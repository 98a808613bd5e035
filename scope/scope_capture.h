// What the oscilloscope shows: one capture as the drive delivered it, and the drawing
// settings of the page. Plain data without windows, so the capture thread, the canvas,
// the oscilloscope file and the tests share it.
//
// A capture is handed over complete: the capture thread fills a ScopeCapture of its own
// and gives it to the page only after the last block arrived, so what is drawn and saved
// never mixes samples of two captures or samples with another capture's counts.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace torvex {

constexpr int kScopeChannels = 8;
// The drive's capture buffer as the page holds it; a count above it is a bad reply.
constexpr uint32_t kScopeBufferSamples = 5000;

// The canvas bitmap: one grid division is 100 pixels at zoom 1 (50 samples in time, one
// U/Div in value); the zero line is the middle row, counted upward from the bottom.
constexpr int kCanvasWidth = 1000;
constexpr int kCanvasHeight = 2400;
constexpr int kCanvasZeroRow = kCanvasHeight / 2;
constexpr int kCanvasDivision = 100;
constexpr unsigned kScopeMinZoom = 1;
constexpr unsigned kScopeMaxZoom = 4;

struct ScopeRgb {
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
    friend bool operator==(const ScopeRgb&, const ScopeRgb&) = default;
};

// The three drive registers that turn raw samples into physical units, as signed 16-bit
// copies: 0xCE (speed at full scale), 0xC6 (device current) and 0xD9 (current base).
struct ScopeScales {
    int16_t speedScale = 0;
    int16_t currentScale = 0;
    int16_t currentBase = 0;
    friend bool operator==(const ScopeScales&, const ScopeScales&) = default;
};

// One capture. Samples are interleaved by slot: sample k of slot s is element
// k * channelCount + s. Slots are given to the channels that were on when the capture was
// armed, in channel order; channelRegisters keeps those channels' signal registers (0 for a
// channel that was off), so a channel switched or changed afterwards never shows another
// channel's samples.
struct ScopeCapture {
    std::vector<int32_t> samples;  // at least sampleCount elements
    uint32_t sampleCount = 0;      // all channels together
    uint32_t channelCount = 0;     // number of slots
    std::array<uint32_t, kScopeChannels> channelRegisters{};

    bool empty() const { return sampleCount == 0 || channelCount == 0; }

    // Samples of one slot that the capture really holds (0 for an empty or broken one).
    uint32_t samplesPerSlot() const {
        if (!consistent()) return 0;
        return sampleCount / channelCount;
    }

    // The slot channel n was sampled in, or -1 when the channel was off or its slot lies
    // beyond the capture's slots.
    int slotOfChannel(int channel) const {
        if (channel < 0 || channel >= kScopeChannels || channelRegisters[channel] == 0) return -1;
        int slot = 0;
        for (int n = 0; n < channel; ++n)
            if (channelRegisters[n] != 0) ++slot;
        return static_cast<uint32_t>(slot) < channelCount ? slot : -1;
    }

    // The signal register sampled in slot s (0 when there is no such slot).
    uint32_t slotRegister(uint32_t slot) const {
        uint32_t seen = 0;
        for (uint32_t reg : channelRegisters) {
            if (reg == 0) continue;
            if (seen == slot) return slot < channelCount ? reg : 0;
            ++seen;
        }
        return 0;
    }

    // Sample k of slot s; false when it lies outside what the capture holds.
    bool sampleAt(uint32_t k, uint32_t slot, int32_t& value) const {
        if (slot >= channelCount || k >= samplesPerSlot()) return false;
        uint64_t index = static_cast<uint64_t>(k) * channelCount + slot;
        value = samples[static_cast<size_t>(index)];
        return true;
    }

    // Counts that fit the buffer and the sample vector; anything else is shown as no capture.
    bool consistent() const {
        return channelCount > 0 && channelCount <= static_cast<uint32_t>(kScopeChannels) &&
               sampleCount <= kScopeBufferSamples && sampleCount <= samples.size();
    }
};

struct ScopeChannelView {
    long pos = 0;         // pixels (times zoom) the trace is shifted up
    long uDiv = 100;      // raw units per division; 0 = not drawn
    bool visible = true;
    ScopeRgb colour;
};

// The trigger-level marker beside the canvas: shown only for a channel entry of Trigger On
// (0..7) with a numeric level and a numeric, non-zero U/Div of that channel.
struct ScopeTriggerMarker {
    int channel = -1;     // -1: no entry or a register entry selected
    bool levelValid = false;
    long level = 0;       // raw units
};

// The page's drawing settings as the canvas and the read-out use them. Fields whose text
// is not a number are given as 0 (reported once by the page).
struct ScopeView {
    std::array<ScopeChannelView, kScopeChannels> channels{};
    bool join = true;
    bool zero = true;
    bool over = false;    // new drawings lie over the old ones
    bool units = true;    // read-out in RPM and A where the signal has a unit
    unsigned zoom = 1;    // 1..4
    uint32_t timePerDivision = 500000;  // microseconds per division; 0 = none selected
    ScopeRgb background{0, 0, 0};
    ScopeRgb grid{192, 192, 192};
    ScopeRgb zeroLine{255, 0, 0};
    ScopeScales scales;
    ScopeTriggerMarker marker;
};

// The default channel colours 1..8.
inline constexpr std::array<ScopeRgb, kScopeChannels> kScopeDefaultColours{{
    {255, 255, 0}, {63, 255, 255}, {255, 63, 255}, {63, 255, 63},
    {255, 255, 255}, {63, 127, 255}, {255, 63, 63}, {9, 175, 0},
}};

}  // namespace torvex
