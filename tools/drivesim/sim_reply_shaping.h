// How slowly and how selectively the simulated drive answers: a delay before every
// reply (so a walk over all registers lasts long enough to interrupt it), registers
// whose reads go unanswered (a drive that knows the number but keeps quiet about it) and
// registers whose writes it refuses. Lock-free, so the links may ask on every request
// while a test changes it.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>

namespace torvex::sim {

class ReplyShaping {
public:
    // Milliseconds the drive waits before it puts an answer on the wire; 0: at once.
    // Negative values count as 0.
    void setDelayMs(int milliseconds) { delayMs_.store(milliseconds > 0 ? milliseconds : 0); }
    int delayMs() const { return delayMs_.load(); }

    // Reads of reg stay unanswered while it is silent (the request is still logged).
    // Numbers beyond the register range are ignored.
    void setSilent(uint32_t reg, bool silent);
    bool isSilent(uint32_t reg) const;
    void clearSilent();

    // Writes of reg are refused while it is refused: the drive keeps the value it has and
    // none of its write behaviour runs (the request is still logged where it arrives).
    // Numbers beyond the register range are ignored.
    void setWriteRefused(uint32_t reg, bool refused);
    bool isWriteRefused(uint32_t reg) const;

private:
    std::atomic<int> delayMs_{0};
    std::array<std::atomic<bool>, 256> silent_{};
    std::array<std::atomic<bool>, 256> refused_{};
};

}  // namespace torvex::sim
