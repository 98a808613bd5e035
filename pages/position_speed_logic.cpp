#include "pages/position_speed_logic.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

#include "link/registers.h"
#include "widgets/scaled_fields.h"

namespace torvex {

namespace {

constexpr int kSpeedCountMax = 0x37;  // SPEED_COUNTMAX
constexpr int kTimerDelta = 0xAF;     // TIMER_DELTA
constexpr int kMotorRpmMax = 0x59;    // MOTOR_RPMMAX
constexpr int kSpeedRpmMax = 0xC8;    // SPEED_RPMMAX
constexpr int kPositionKp = 0x6A;     // POS_KP
constexpr int kCommandSource = 0x36;  // COMMAND_SOURCE

}  // namespace

int32_t computeCalcValue(int64_t a, int64_t b, int64_t c, int64_t d, int64_t e) {
    const int64_t m = (c * 10) / 8;
    const int64_t x = d < m ? d : m;
    const double p = double(e * e);
    // 1 / (60 × 65536): the loop's time base.
    const double r = p * double(a) * double(b) * 9.0 * 2.5431315104166666e-7 / double(x);
    if (!(r < 1.0) || r < 0.0) return 0;
    const double q = double(a * b);
    const double v = (q * 0.001) / (1.0 - std::sqrt(1.0 - r));
    if (!std::isfinite(v) || v >= 9.2e18 || v <= -9.2e18) return 0;
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(static_cast<int64_t>(v))));
}

bool setPictureFlag(std::atomic<bool>& flag, bool value) { return flag.exchange(value) != value; }

std::string scaledPositionText(int32_t positionScale, int32_t positionOffset, uint32_t raw) {
    const int64_t value = static_cast<int32_t>(raw);
    if (positionScale == 0) return positionText(0, value);
    return positionText(positionScale, int64_t(positionOffset) + value);
}

bool showScaledPositionTexts(RegisterAccess& access, const PositionCycleState& state,
                             const std::function<void(int, const std::string&)>& show) {
    for (int i = 0; i < 3; ++i) {
        uint32_t raw = 0;
        if (access.read32(static_cast<uint32_t>(kScaledPositionRegisters[i]), &raw) != 0) return false;
        show(i, scaledPositionText(state.positionScale.load(), state.positionOffset.load(), raw));
    }
    return true;
}

bool updateCalcValue(RegisterAccess& access, const std::function<void(int32_t)>& post) {
    const int regs[5] = {kSpeedCountMax, kTimerDelta, kMotorRpmMax, kSpeedRpmMax, kPositionKp};
    int64_t values[5] = {};
    for (int i = 0; i < 5; ++i) {
        uint16_t raw = 0;
        if (access.read16(static_cast<uint32_t>(regs[i]), &raw) != 0) return false;
        values[i] = raw;
    }
    post(computeCalcValue(values[0], values[1], values[2], values[3], values[4]));
    return true;
}

bool updatePositionLimitFlags(RegisterAccess& access, PositionCycleState& state, bool* changed) {
    uint32_t status = 0;
    if (is32bitRegister(kRegStatus)) {
        if (access.read32(kRegStatus, &status) != 0) return false;
    } else {
        uint16_t narrow = 0;
        if (access.read16(kRegStatus, &narrow) != 0) return false;
        status = narrow;
    }
    bool any = setPictureFlag(state.statusBit12Set, (status & 0x1000u) != 0);
    any = setPictureFlag(state.statusBit13Set, (status & 0x2000u) != 0) || any;
    if (changed) *changed = any;
    return true;
}

SpeedModeFlags speedModeFlags(uint32_t commandSource) {
    const uint32_t mode = (commandSource >> 12) & 3u;
    return {mode <= 1, mode >= 1, mode == 3};
}

bool updateSpeedModeFlags(RegisterAccess& access, SpeedCycleState& state, bool* changed) {
    uint16_t value = 0;
    if (access.read16(kCommandSource, &value) != 0) return false;
    const SpeedModeFlags flags = speedModeFlags(value);
    bool any = setPictureFlag(state.sourceModeAtMost1, flags.atMost1);
    any = setPictureFlag(state.sourceModeAtLeast1, flags.atLeast1) || any;
    any = setPictureFlag(state.sourceModeIs3, flags.is3) || any;
    if (changed) *changed = any;
    return true;
}

std::optional<bool> limitBelow98(const std::string& text) {
    // A whole number in base 10 with an optional sign, nothing else (not even blanks).
    if (text.empty()) return std::nullopt;
    size_t i = (text[0] == '+' || text[0] == '-') ? 1 : 0;
    if (i == text.size()) return std::nullopt;
    for (size_t j = i; j < text.size(); ++j)
        if (text[j] < '0' || text[j] > '9') return std::nullopt;
    errno = 0;
    char* end = nullptr;
    const long long value = std::strtoll(text.c_str(), &end, 10);
    if (errno == ERANGE) return text[0] == '-';
    return value < 98;
}

}  // namespace torvex
