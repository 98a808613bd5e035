// The simulated drive's capture engine: what the drive does with the capture registers.
// 0x18 = 0 arms (and clears the buffer), 0x15 writes name the slots, 0x10 the number of
// channels, 0x12/0x13/0x14 level, mode and source of the trigger, 0x16 the divider; the
// sampling tick is register 0xAF in microseconds. A sample set comes every skip + 1 ticks
// once the trigger has fired. 0x17 answers 0x4001 with the count, n with the first n
// samples and n | 0x8000 with the next n.
//
// Time is simulated from the moment of arming (with an optional speed-up), so nothing
// runs in the background: every request works out what the drive would hold by then.
#pragma once

#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>
#include <vector>

namespace torvex::sim {

class SimDrive;

class SimCapture {
public:
    // Installs its hooks on drive; the engine must outlive the drive's links.
    explicit SimCapture(SimDrive& drive);

    // The shape each register's samples follow, by sample index: the speed registers
    // 0x30..0x33 a sine of amplitude 10000 over 100 samples, everything else a ramp.
    static int16_t sampleShape(uint32_t reg, uint64_t index);
    // Samples a full buffer holds with that many channels (whole sets, never above 4992).
    static uint32_t capacity(uint32_t channels);

    // The buffer as filled by now, interleaved by slot.
    std::vector<int16_t> buffer();
    // The buffer as it was filled when the capture was last armed again (what a read-out
    // before that arming saw).
    std::vector<int16_t> previousBuffer() const;
    // The slot -> register list in force since the last arming.
    std::vector<uint32_t> slots() const;
    // Count the drive reports instead of the real one (e.g. a broken drive); nullopt: real.
    void setReportedCount(std::optional<uint16_t> count);
    // Simulated time runs this many times faster than the clock.
    void setSpeedUp(double factor);
    // The block request number `index` (0 the first n, 1 the first n | 0x8000...) after the
    // next arming gets no answer; -1: none.
    void failBlock(int index);
    // How many times the capture was armed (0x18 = 0 written).
    int armCount() const;

private:
    void onRun(uint32_t value);
    void onSource(uint32_t value);
    std::vector<uint16_t> onRead(uint32_t value);
    uint32_t filledLocked();  // sample sets in the buffer by now; lock held
    std::vector<int16_t> bufferLocked();

    SimDrive& drive_;
    mutable std::mutex mutex_;
    std::chrono::steady_clock::time_point armedAt_{};
    bool armed_ = false;
    std::vector<int16_t> previous_;
    std::vector<uint32_t> slots_;       // as written since the last arming
    std::vector<uint32_t> armedSlots_;  // fixed at arming
    uint32_t channels_ = 1;
    uint32_t skip_ = 0;
    uint32_t tickUs_ = 100;
    uint32_t trigSource_ = 0;
    int32_t trigLevel_ = 0;
    uint32_t trigMode_ = 2;
    std::optional<uint64_t> firedAt_;  // sample index of the trigger
    uint64_t searchedTo_ = 0;          // trigger condition checked below this index
    std::optional<uint16_t> reportedCount_;
    double speedUp_ = 1.0;
    uint32_t readCursor_ = 0;
    int failBlock_ = -1;
    int blockRequests_ = 0;
    int armCount_ = 0;
};

}  // namespace torvex::sim
