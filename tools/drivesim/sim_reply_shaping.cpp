#include "tools/drivesim/sim_reply_shaping.h"

namespace torvex::sim {

void ReplyShaping::setSilent(uint32_t reg, bool silent) {
    if (reg < silent_.size()) silent_[reg].store(silent);
}

bool ReplyShaping::isSilent(uint32_t reg) const { return reg < silent_.size() && silent_[reg].load(); }

void ReplyShaping::clearSilent() {
    for (auto& flag : silent_) flag.store(false);
}

void ReplyShaping::setWriteRefused(uint32_t reg, bool refused) {
    if (reg < refused_.size()) refused_[reg].store(refused);
}

bool ReplyShaping::isWriteRefused(uint32_t reg) const { return reg < refused_.size() && refused_[reg].load(); }

}  // namespace torvex::sim
