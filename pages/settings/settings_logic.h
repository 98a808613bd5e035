// The Settings page's rules that need no window: bit fields of the choice registers,
// the packing of the command-source register, the current read-outs, the servo-type
// key, and which of the page's buttons may be used.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>

namespace torvex::settings {

enum : int {
    kRegCurrentShape = 0x0F,
    kRegCommandSource = 0x36,
    kRegStatus = 0x40,
    kRegMotorSpeedMax = 0x59,
    kRegKernOptions = 0x5A,
    kRegServoType = 0x67,
    kRegReferenceOffset = 0x72,
    kRegSpeedTo = 0x76,
    kRegSpeedFrom = 0x77,
    kRegPositionScale = 0x7C,
    kRegMotorOptions = 0xA4,
    kRegImax = 0xC4,
    kRegIcont = 0xC5,
    kRegDeviceCurrent = 0xC6,
    kRegSpeedMax = 0xC8,
    kRegSpeedScale = 0xCE,
    kRegAnalogOut = 0xDC,
};

// The register value after choosing an item: the field's bits replaced by the item's
// pattern, every other bit kept.
uint32_t mergeChoiceBits(uint32_t old, uint32_t mask, uint32_t pattern);

// The command-source register holds the command (bits 12-13) and the formats of both
// analog inputs (bits 0-1 with bit 15, bits 2-3 with bit 14). The values are the client
// data of the three combo boxes' items.
struct ServoCommandItems {
    long command;
    long format1;
    long format2;
};
// The command field 1 stands for the combined digital and analog speed, whose item
// carries 5; it is shown as that item.
inline constexpr long kDigitalAnalogSpeedItem = 5;
ServoCommandItems unpackServoCommand(uint16_t value);
// Bits 4-11 (among them the input modes) keep their drive value; the items unpacked from a
// value pack back into that same value.
uint16_t packServoCommand(uint16_t old, const ServoCommandItems& items);

// The current behind a percentage field: device current × n × factor with one decimal,
// for a field text that is a whole decimal number n; nothing otherwise.
inline constexpr double kImaxCurrentFactor = 0.0021213150000000004;
inline constexpr double kIcontCurrentFactor = 0.001;
std::optional<std::string> currentReadout(int deviceCurrent, const std::string& fieldText, double factor);

// The catalogue key of the servo type in the lowest byte of the type register.
std::string servoTypeKey(uint32_t value);

// Which of the page's buttons may be used. Allowed: online with a drive (not while a
// register file is viewed). Held: a page command (print, parameter set) is running.
// The drive's status bit 0 (a register set is being taken over) blocks loading and the
// parameter sets only. A status report from before the last online change is stale.
class SettingsButtonGate {
public:
    void setAllowed(bool allowed) {
        allowed_ = allowed;
        statusBusy_ = false;
        generation_.fetch_add(1);
    }
    void setHeld(bool held) { held_ = held; }
    // false when the report is stale and was ignored.
    bool takeStatus(int generation, bool bit0) {
        if (generation != generation_.load()) return false;
        statusBusy_ = bit0;
        return true;
    }
    // Read by the polling thread when it reports the status.
    int generation() const { return generation_.load(); }

    bool pageButtonsEnabled() const { return allowed_ && !held_; }
    bool setButtonsEnabled() const { return pageButtonsEnabled() && !statusBusy_; }
    bool mailEnabled(bool mailAvailable) const { return pageButtonsEnabled() && mailAvailable; }

private:
    bool allowed_ = false;
    bool held_ = false;
    bool statusBusy_ = false;
    std::atomic<int> generation_{0};
};

}  // namespace torvex::settings
