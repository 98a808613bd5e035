// What the Position and Speed pages compute and decide on the polling thread, kept free
// of windows: the calc value, the position read-out texts, the picture flags and the
// limit marks. The pages hold one state object each; the polling thread sets its flags,
// the GUI thread paints from them, so every flag is atomic and a change is reported to
// the caller, which asks the window for a repaint on the GUI thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "widgets/field_logic.h"

namespace torvex {

// The calc value of the Position page from 0x37 SPEED_COUNTMAX (a), 0xAF TIMER_DELTA (b),
// 0x59 MOTOR_RPMMAX (c), 0xC8 SPEED_RPMMAX (d) and 0x6A POS_KP (e), each 0..65535. Every
// product is taken in full (no 32-bit wrap); 0 when the loop cannot be computed (a
// root of a negative number, a division by zero, a result out of range).
int32_t computeCalcValue(int64_t a, int64_t b, int64_t c, int64_t d, int64_t e);

// Sets flag to value; true when that changed it (the picture needs a repaint).
bool setPictureFlag(std::atomic<bool>& flag, bool value);

// The three read-outs of the Position page that show positions in user units.
inline constexpr int kScaledPositionRegisters[3] = {0x6E, 0x91, 0x6D};

// Position page state shared by the GUI and the polling thread.
struct PositionCycleState {
    std::atomic<int32_t> positionScale{0};   // 0x7C; 0: positions are shown raw
    std::atomic<int32_t> positionOffset{0};  // 0x7D, added to raw positions before scaling
    std::atomic<int> speedScale{0};          // 0xCE: rpm of raw 32767
    std::atomic<bool> allBitLabelsActive{true};
    std::atomic<bool> statusBit12Set{false};
    std::atomic<bool> statusBit13Set{false};
};

// The text a scaled position read-out shows for raw: the offset is added in full
// (64 bits, no wrap) before scaling; without a scale the raw value alone.
std::string scaledPositionText(int32_t positionScale, int32_t positionOffset, uint32_t raw);

// Reads 0x6E, 0x91 and 0x6D (32 bits) in that order and hands each text to show;
// false at the first failed read (the later ones are not read).
bool showScaledPositionTexts(RegisterAccess& access, const PositionCycleState& state,
                             const std::function<void(int index, const std::string& text)>& show);

// Reads the five inputs of the calc value and hands the result to post; false at the
// first failed read, and nothing is posted then.
bool updateCalcValue(RegisterAccess& access, const std::function<void(int32_t)>& post);

// Reads STATUS (0x40) and sets the two picture flags of bits 12 and 13; *changed tells
// whether either flag changed. False when the read failed.
bool updatePositionLimitFlags(RegisterAccess& access, PositionCycleState& state, bool* changed);

// Speed page state shared by the GUI and the polling thread.
struct SpeedCycleState {
    std::atomic<bool> enableGoActive{true};
    std::atomic<bool> statusLampsActive{true};
    std::atomic<bool> sourceModeIs3{true};
    std::atomic<bool> sourceModeAtLeast1{true};
    std::atomic<bool> sourceModeAtMost1{true};
    // Changed on the GUI thread only, read by its paint.
    std::atomic<bool> speedLimitBelow98{false};
    std::atomic<bool> nLimitPlusBelow98{false};
    std::atomic<bool> nLimitMinusBelow98{false};
};

struct SpeedModeFlags {
    bool atMost1, atLeast1, is3;
};
// The command-source mode is bits 12-13 of 0x36 COMMAND_SOURCE.
SpeedModeFlags speedModeFlags(uint32_t commandSource);

// Reads 0x36 and sets the three command-source flags; *changed tells whether any changed.
bool updateSpeedModeFlags(RegisterAccess& access, SpeedCycleState& state, bool* changed);

// Whether a limit field's text shows a limit below 98 (percent); nothing when the text
// is no whole decimal number, and the mark stays as it was.
std::optional<bool> limitBelow98(const std::string& text);

}  // namespace torvex
