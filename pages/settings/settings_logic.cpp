#include "pages/settings/settings_logic.h"

#include <charconv>
#include <cstdio>

#include "widgets/field_logic.h"

namespace torvex::settings {

uint32_t mergeChoiceBits(uint32_t old, uint32_t mask, uint32_t pattern) { return (old & ~mask) | (pattern & mask); }

ServoCommandItems unpackServoCommand(uint16_t value) {
    ServoCommandItems items;
    items.command = (value >> 12) & 3;
    if (items.command == 1) items.command = kDigitalAnalogSpeedItem;
    items.format1 = 4 * ((value >> 15) & 1) + (value & 3);
    items.format2 = 4 * ((value >> 14) & 1) + ((value >> 2) & 3);
    return items;
}

uint16_t packServoCommand(uint16_t old, const ServoCommandItems& items) {
    uint32_t value = (old & 0x0FF0u) | ((uint32_t(items.command) & 3u) << 12) | (uint32_t(items.format1) & 3u) |
                     ((uint32_t(items.format2) & 3u) << 2);
    // The high bit of a format is its bit 2 ("N limit", "I limit"); a pattern read from the
    // drive that no item stands for is written back as it was.
    if (items.format1 & 4) value |= 0x8000u;
    if (items.format2 & 4) value |= 0x4000u;
    return static_cast<uint16_t>(value);
}

std::optional<std::string> currentReadout(int deviceCurrent, const std::string& fieldText, double factor) {
    std::optional<long> n = stepStartValue(fieldText);
    if (!n) return std::nullopt;
    return formatDecimals(double(deviceCurrent) * double(*n) * factor, 1);
}

std::string servoTypeKey(uint32_t value) {
    char key[32];
    std::snprintf(key, sizeof key, "Servo Type %u", value & 0xFFu);
    return key;
}

}  // namespace torvex::settings
