// The drive's three parameter sets in its EEPROM: writing n (0 to 2) to the store
// register keeps every read-write register as set n, writing n to the restore register
// brings set n back. Other values change nothing. A set never stored holds the values
// the drive started with.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace torvex::sim {

class EepromSets {
public:
    static constexpr uint32_t kRestoreRegister = 0x83;  // FUN_PARAREAD
    static constexpr uint32_t kStoreRegister = 0x84;    // FUN_PARAWRITE
    static constexpr int kSetCount = 3;

    EepromSets() = default;
    explicit EepromSets(const std::array<uint32_t, 256>& startValues);

    // Called with the registers (lock held) after a write of reg; true when it was a
    // parameter-set command that took effect.
    bool command(uint32_t reg, uint32_t value, std::array<uint32_t, 256>& registers);

    const std::array<uint32_t, 256>& set(int n) const { return sets_[static_cast<size_t>(n)]; }

private:
    std::array<std::array<uint32_t, 256>, kSetCount> sets_{};
};

// Whether a register belongs to a parameter set (read-write by the register table).
bool isParameterRegister(uint32_t reg);

}  // namespace torvex::sim
