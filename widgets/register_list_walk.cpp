#include "widgets/register_list_walk.h"

#include <system_error>

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
    if (thread_.joinable()) return 0;
    stopRequested_ = false;
    const uint64_t walk = nextWalk_++;
    auto body = [this, hasLine, sink = std::move(sink), walk] { run(hasLine, sink, walk); };
    try {
        thread_ = launcher_ ? launcher_(body) : std::thread(body);
    } catch (const std::system_error&) {
        return 0;
    }
    if (!thread_.joinable()) return 0;
    current_ = walk;
    return walk;
}

void RegisterListWalk::stop() {
    if (!thread_.joinable()) return;
    stopRequested_ = true;
    thread_.join();
    current_ = 0;
}

void RegisterListWalk::finished(uint64_t walk) {
    if (walk != current_ || !thread_.joinable()) return;
    thread_.join();
    current_ = 0;
}

void RegisterListWalk::run(std::array<bool, 256> hasLine, const Sink& sink, uint64_t walk) {
    for (uint32_t reg = 0; reg < hasLine.size(); ++reg) {
        if (stopRequested_.load()) break;
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
        sink(int(reg), lineFor(reg, read ? &value : nullptr), walk);
    }
    sink(kEndMarker, std::string(), walk);
}

}  // namespace torvex
