#include "tools/drivesim/sim_capture.h"

#include <algorithm>
#include <cmath>

#include "tools/drivesim/sim_drive.h"

namespace torvex::sim {

namespace {

constexpr uint32_t kRegChan = 0x10;
constexpr uint32_t kRegTrigLevel = 0x12;
constexpr uint32_t kRegTrigEdge = 0x13;
constexpr uint32_t kRegTrigSource = 0x14;
constexpr uint32_t kRegSource = 0x15;
constexpr uint32_t kRegSkip = 0x16;
constexpr uint32_t kRegRead = 0x17;
constexpr uint32_t kRegRun = 0x18;
constexpr uint32_t kRegTimerDelta = 0xAF;
constexpr uint32_t kCountRequest = 0x4001;
constexpr uint32_t kNextFlag = 0x8000;
constexpr uint32_t kBufferSamples = 4992;
// Requests look at most this many new sample instants for the trigger, so a fast
// simulation never stalls a reply.
constexpr uint64_t kSearchPerRequest = 200000;

bool fires(uint32_t mode, int32_t level, int32_t before, int32_t now) {
    switch (mode) {
        case 0: return before <= level && now > level;
        case 1: return before >= level && now < level;
        case 3: return now == level;
        case 4: return now != level;
        case 5: return now > level;
        case 6: return now < level;
        case 7: return (before <= level && now > level) || (before >= level && now < level);
        default: return true;  // 2: at once
    }
}

}  // namespace

SimCapture::SimCapture(SimDrive& drive) : drive_(drive) {
    drive_.setWriteHook(kRegRun, [this](uint32_t value) { onRun(value); });
    drive_.setWriteHook(kRegSource, [this](uint32_t value) { onSource(value); });
    drive_.setSeriesHook(kRegRead, [this](uint32_t value) { return onRead(value); });
}

int16_t SimCapture::sampleShape(uint32_t reg, uint64_t index) {
    if (reg >= 0x30 && reg <= 0x33) {
        const double phase = 2.0 * M_PI * double(index % 100) / 100.0 + double(reg - 0x30) * 0.5;
        return static_cast<int16_t>(std::lround(10000.0 * std::sin(phase)));
    }
    // A ramp that climbs by the register number per sample and wraps within 16 bits.
    return static_cast<int16_t>(static_cast<uint16_t>((index * (reg + 1) + reg * 100) & 0xFFFFu));
}

uint32_t SimCapture::capacity(uint32_t channels) {
    if (channels == 0) return 0;
    return (kBufferSamples / channels) * channels;
}

void SimCapture::onRun(uint32_t value) {
    if ((value & 0xFFFFu) != 0) return;
    // The drive's registers as the page just wrote them (read outside our lock).
    const uint32_t chan = (drive_.reg(kRegChan) + 1) & 0xFFFFu;
    const uint32_t skip = drive_.reg(kRegSkip) & 0xFFFFu;
    const uint32_t tick = drive_.reg(kRegTimerDelta) & 0xFFFFu;
    const uint32_t source = drive_.reg(kRegTrigSource) & 0xFFu;
    const int32_t level = static_cast<int16_t>(drive_.reg(kRegTrigLevel) & 0xFFFFu);
    const uint32_t mode = drive_.reg(kRegTrigEdge) & 0xFFFFu;
    std::lock_guard lock(mutex_);
    previous_ = bufferLocked();
    if (!slots_.empty()) armedSlots_ = slots_;
    slots_.clear();
    channels_ = chan;
    skip_ = skip;
    tickUs_ = tick == 0 ? 1 : tick;
    trigSource_ = source;
    trigLevel_ = level;
    trigMode_ = mode;
    firedAt_.reset();
    searchedTo_ = 1;
    readCursor_ = 0;
    blockRequests_ = 0;
    armedAt_ = std::chrono::steady_clock::now();
    armed_ = true;
    ++armCount_;
}

void SimCapture::onSource(uint32_t value) {
    std::lock_guard lock(mutex_);
    const uint32_t slot = (value >> 8) & 0xFFu;
    if (slot >= 8) return;
    if (slots_.size() <= slot) slots_.resize(slot + 1, 0);
    slots_[slot] = value & 0xFFu;
}

uint32_t SimCapture::filledLocked() {
    if (!armed_ || channels_ == 0 || channels_ > 8 || armedSlots_.size() < channels_) return 0;
    const double elapsedUs =
        std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - armedAt_).count() * speedUp_;
    const double period = double(skip_ + 1) * double(tickUs_);
    const uint64_t elapsedSets = static_cast<uint64_t>(elapsedUs / period);
    if (!firedAt_) {
        if (trigMode_ == 2) {
            firedAt_ = 0;
        } else {
            const uint64_t end = std::min(elapsedSets, searchedTo_ + kSearchPerRequest);
            for (uint64_t i = searchedTo_; i < end; ++i) {
                if (fires(trigMode_, trigLevel_, sampleShape(trigSource_, i - 1), sampleShape(trigSource_, i))) {
                    firedAt_ = i;
                    break;
                }
            }
            if (!firedAt_) searchedTo_ = std::max(searchedTo_, end);
        }
    }
    if (!firedAt_ || elapsedSets <= *firedAt_) return 0;
    const uint64_t sets = elapsedSets - *firedAt_;
    return static_cast<uint32_t>(std::min<uint64_t>(sets, capacity(channels_) / channels_));
}

std::vector<int16_t> SimCapture::buffer() {
    std::lock_guard lock(mutex_);
    return bufferLocked();
}

std::vector<int16_t> SimCapture::previousBuffer() const {
    std::lock_guard lock(mutex_);
    return previous_;
}

std::vector<int16_t> SimCapture::bufferLocked() {
    const uint32_t sets = filledLocked();
    std::vector<int16_t> out;
    out.reserve(size_t(sets) * channels_);
    for (uint32_t k = 0; k < sets; ++k)
        for (uint32_t s = 0; s < channels_; ++s) out.push_back(sampleShape(armedSlots_[s], *firedAt_ + k));
    return out;
}

std::vector<uint16_t> SimCapture::onRead(uint32_t value) {
    value &= 0xFFFFu;
    std::lock_guard lock(mutex_);
    const uint32_t sets = filledLocked();
    const uint32_t count = sets * (channels_ == 0 || channels_ > 8 ? 0 : channels_);
    if (value == kCountRequest) return {reportedCount_ ? *reportedCount_ : static_cast<uint16_t>(count)};
    const bool next = (value & kNextFlag) != 0;
    const uint32_t n = value & 0x3FFFu;
    const int request = blockRequests_++;
    if (request == failBlock_) {
        failBlock_ = -1;
        return {};
    }
    if (!next) readCursor_ = 0;
    std::vector<uint16_t> out;
    for (uint32_t i = 0; i < n && readCursor_ < count; ++i, ++readCursor_) {
        const uint32_t k = readCursor_ / channels_;
        const uint32_t s = readCursor_ % channels_;
        out.push_back(static_cast<uint16_t>(sampleShape(armedSlots_[s], *firedAt_ + k)));
    }
    return out;
}

std::vector<uint32_t> SimCapture::slots() const {
    std::lock_guard lock(mutex_);
    return armedSlots_;
}

void SimCapture::setReportedCount(std::optional<uint16_t> count) {
    std::lock_guard lock(mutex_);
    reportedCount_ = count;
}

void SimCapture::setSpeedUp(double factor) {
    std::lock_guard lock(mutex_);
    if (factor > 0) speedUp_ = factor;
}

void SimCapture::failBlock(int index) {
    std::lock_guard lock(mutex_);
    failBlock_ = index;
}

int SimCapture::armCount() const {
    std::lock_guard lock(mutex_);
    return armCount_;
}

}  // namespace torvex::sim
