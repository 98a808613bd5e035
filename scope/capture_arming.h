// Arming a capture on the drive: the capture registers written in the drive's order,
// from the page's settings as plain values. No windows, so tests reach it with a
// simulated drive.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "scope/scope_capture.h"

namespace torvex {

class DriveConnection;

inline constexpr uint32_t kRegCaptureChan = 0x10;
inline constexpr uint32_t kRegCaptureTrigLevel = 0x12;
inline constexpr long kTriggerLevelMin = -32768;  // every 16-bit pattern, signed or unsigned
inline constexpr long kTriggerLevelMax = 65535;
inline constexpr uint32_t kRegCaptureTrigEdge = 0x13;
inline constexpr uint32_t kRegCaptureTrigSource = 0x14;
inline constexpr uint32_t kRegCaptureSource = 0x15;
inline constexpr uint32_t kRegCaptureSkip = 0x16;
inline constexpr uint32_t kRegCaptureRead = 0x17;
inline constexpr uint32_t kRegCaptureRun = 0x18;
inline constexpr uint32_t kRegTimerDelta = 0xAF;

inline constexpr uint32_t kTriggerModeAuto = 2;
inline constexpr long kTriggerRunAuto = 0;
inline constexpr long kTriggerRunSingle = 1;
inline constexpr long kTriggerRunNormal = 2;

// A read-only combo as the capture sees it: the selected index and its client data.
struct ChoiceValue {
    int index = -1;  // -1: nothing selected
    long data = 0;
    bool selected() const { return index >= 0; }
    static ChoiceValue of(int index, long data) { return ChoiceValue{index, data}; }
};

struct CaptureSettings {
    std::array<ChoiceValue, kScopeChannels> channels;  // client data: signal register, 0 off
    ChoiceValue triggerOn;      // index 0..7: that channel's signal; else data is a register
    std::optional<long> triggerLevel;  // nullopt: the text is not a number
    ChoiceValue triggerRun;     // 0 Auto, 1 Single, 2 Normal
    ChoiceValue triggerEdge;    // the mode code
    ChoiceValue timeScale;      // microseconds per division
    ChoiceValue triggerBuffer;  // samples to wait for
};

// What a capture armed with these settings will deliver.
struct ArmedCapture {
    uint32_t triggerBufferSize = 0;
    bool singleShot = false;
    // Signal register per channel that has a slot (0: off or nothing selected).
    std::array<uint32_t, kScopeChannels> channelRegisters{};
    uint32_t channelCount = 0;
};

// Channels whose combo selects a signal register.
uint32_t countChannelsOn(const CaptureSettings& settings);

// The sampling divider for a time per division (50 samples) and the drive's tick, both in
// microseconds: ticks per sample - 1, never below 0 and never above what the 16-bit
// register holds.
uint16_t captureSkip(uint32_t timePerDivisionUs, uint32_t tickUs);

// The single register writes; each reports its own failure (message box) and returns
// false only for a failed write, as the arming goes on after a missing selection.
bool writeTriggerSource(DriveConnection& drive, const CaptureSettings& settings);
bool writeTriggerLevel(DriveConnection& drive, const CaptureSettings& settings);
bool writeTriggerMode(DriveConnection& drive, const CaptureSettings& settings);
bool writeChannelSlots(DriveConnection& drive, const CaptureSettings& settings);

// The whole arming; nullopt when it stopped (its message was shown).
std::optional<ArmedCapture> armCapture(DriveConnection& drive, const CaptureSettings& settings);

// "Fehler beim Beschreiben des Registers 0x%x!" as an error box.
void reportWriteError(uint32_t reg);
// An error box with a translated text.
void reportScopeError(const std::string& text);

}  // namespace torvex
