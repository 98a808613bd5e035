#include "widgets/register_list_walk.h"

#include "link/connection.h"
#include "link/register_lines.h"
#include "link/registers.h"

namespace torvex {

RegisterListWalk::RegisterListWalk(DriveConnection* drive) : drive_(drive) {}

RegisterListWalk::~RegisterListWalk() { stop(); }

std::string RegisterListWalk::lineFor(uint32_t reg, const uint32_t* value) {
    if (!value) return formatRegisterColumns(reg, std::string(), std::string());
    return formatRegisterColumns(reg, hexValueText(reg, *value), decimalValueText(reg, *value));
}

uint64_t RegisterListWalk::start(const std::array<bool, 256>& hasLine, Sink sink) {
    if (thread_.started()) return 0;
    const uint64_t walk = nextWalk_++;
    if (!thread_.start([this, hasLine, sink = std::move(sink), walk] { run(hasLine, sink, walk); })) return 0;
    current_ = walk;
    return walk;
}

void RegisterListWalk::stop() {
    if (!thread_.started()) return;
    thread_.requestStop();
    thread_.join();
    current_ = 0;
}

void RegisterListWalk::finished(uint64_t walk) {
    if (walk != current_ || !thread_.started()) return;
    thread_.join();
    current_ = 0;
}

void RegisterListWalk::run(std::array<bool, 256> hasLine, const Sink& sink, uint64_t walk) {
    for (uint32_t reg = 0; reg < hasLine.size(); ++reg) {
        if (thread_.stopRequested()) break;
        if (!hasLine[reg]) continue;
        uint32_t value = 0;
        bool read = false;
        if (drive_ && drive_->isConnected()) {
            if (is32bitRegister(reg)) {
                read = drive_->read32bitRegister(reg, &value) == 0;
            } else {
                uint16_t value16 = 0;
                read = drive_->read16bitRegister(reg, &value16) == 0;
                value = value16;
            }
        }
        sink(int(reg), read ? &value : nullptr, walk);
    }
    sink(kEndMarker, nullptr, walk);
}

}  // namespace torvex
