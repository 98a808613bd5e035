#include "tools/drivesim/sim_eeprom.h"

#include "link/registers.h"

namespace torvex::sim {

bool isParameterRegister(uint32_t reg) {
    // The table scan needs no cache, so the drive's threads never race its filling.
    return reg < 256 && lookupRegisterAccessClass(reg) == kClassRW;
}

EepromSets::EepromSets(const std::array<uint32_t, 256>& startValues) { sets_.fill(startValues); }

bool EepromSets::command(uint32_t reg, uint32_t value, std::array<uint32_t, 256>& registers) {
    if (reg != kStoreRegister && reg != kRestoreRegister) return false;
    if (value >= static_cast<uint32_t>(kSetCount)) return false;
    auto& stored = sets_[value];
    for (uint32_t r = 0; r < registers.size(); ++r) {
        if (!isParameterRegister(r)) continue;
        if (reg == kStoreRegister) {
            stored[r] = registers[r];
        } else {
            registers[r] = stored[r];
        }
    }
    return true;
}

}  // namespace torvex::sim
