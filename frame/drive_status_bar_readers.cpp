#include "frame/drive_status_bar_readers.h"

#include <climits>

#include "frame/drive_status_bar_logic.h"
#include "link/registers.h"
#include "widgets/events.h"

namespace torvex {

namespace {

constexpr uint32_t kRegStatusWord = 0x40;
constexpr uint32_t kRegErrorWord = 0x8F;
constexpr uint32_t kRegIoBitmap = 0xD8;
constexpr uint32_t kRegSpeedActual = 0xA8;
constexpr uint32_t kRegCurrentActual = 0x5F;

static_assert(sizeof(long) * CHAR_BIT >= 64, "the event tag packs a generation and a link state into a long");

int wholeWord(uint32_t value) { return static_cast<int>(value); }
int lowWord(uint32_t value) { return static_cast<int>(value & 0xFFFFu); }
int signedLowWord(uint32_t value) { return static_cast<int16_t>(value & 0xFFFFu); }

}  // namespace

long statusEventTag(uint32_t generation, long linkState) {
    return static_cast<long>((static_cast<uint64_t>(generation) << 32) | static_cast<uint32_t>(linkState));
}

uint32_t tagGeneration(long tag) { return static_cast<uint32_t>(static_cast<uint64_t>(tag) >> 32); }

long tagLinkState(long tag) { return static_cast<long>(static_cast<uint32_t>(static_cast<uint64_t>(tag))); }

DriveStatusReaders::DriveStatusReaders(DriveConnection* drive, Poster poster)
    : drive_(drive), poster_(std::move(poster)) {}

bool DriveStatusReaders::readRegister(uint32_t reg, uint32_t* value) {
    if (!drive_) return false;
    if (is32bitRegister(reg)) return drive_->read32bitRegister(reg, value) == 0;
    uint16_t half = 0;
    if (drive_->read16bitRegister(reg, &half) != 0) return false;
    *value = half;
    return true;
}

bool DriveStatusReaders::updateDriveStatus(int failureCount) {
    // Taken before anything is looked at: a link lost during the cycle makes all of it stale.
    const uint32_t generation = generation_.load();
    if (!drive_ || !drive_->isConnected()) return false;
    return postErrorWordOf(generation, failureCount) && postWarningWordOf(generation) &&
           postValueOf(generation, kRegStatusWord, IoBitsEvent, wholeWord) &&
           postValueOf(generation, kRegIoBitmap, StatusBitsEvent, lowWord) &&
           postValueOf(generation, kRegSpeedActual, SpeedValueEvent, signedLowWord) &&
           postValueOf(generation, kRegCurrentActual, CurrentValueEvent, signedLowWord);
}

bool DriveStatusReaders::postErrorWord(int failureCount) { return postErrorWordOf(generation_.load(), failureCount); }
bool DriveStatusReaders::postWarningWord() { return postWarningWordOf(generation_.load()); }
bool DriveStatusReaders::postIoBits() { return postValueOf(generation_.load(), kRegStatusWord, IoBitsEvent, wholeWord); }
bool DriveStatusReaders::postStatusBits() {
    return postValueOf(generation_.load(), kRegIoBitmap, StatusBitsEvent, lowWord);
}
bool DriveStatusReaders::postSpeedRegister() {
    return postValueOf(generation_.load(), kRegSpeedActual, SpeedValueEvent, signedLowWord);
}
bool DriveStatusReaders::postCurrentValue() {
    return postValueOf(generation_.load(), kRegCurrentActual, CurrentValueEvent, signedLowWord);
}

bool DriveStatusReaders::postErrorWordOf(uint32_t generation, int failureCount) {
    // Read and post under one lock: a word read earlier by another thread is never posted
    // after a newer one.
    std::lock_guard lock(mutex_);
    uint32_t word = 0;
    long state = status::kDriveAnswered;
    if (!drive_ || !drive_->isConnected()) state = status::kNoCom;
    else if (!readRegister(kRegErrorWord, &word)) state = status::kNoReply;
    if (state != status::kDriveAnswered) word = 0;
    if (generation != generation_.load()) return true;
    if (errorPosted_ && word == lastErrorWord_ && state == lastLinkState_ && failureCount == lastFailureCount_)
        return true;
    errorPosted_ = true;
    lastErrorWord_ = word;
    lastLinkState_ = state;
    lastFailureCount_ = failureCount;
    poster_(ErrorWordEvent, static_cast<int>(word), wxString::Format("%u", static_cast<unsigned>(failureCount)),
            statusEventTag(generation, state));
    return true;
}

bool DriveStatusReaders::postWarningWordOf(uint32_t generation) {
    if (!drive_ || !drive_->isConnected()) return true;
    std::lock_guard lock(mutex_);
    uint32_t word = 0;
    if (!readRegister(kRegErrorWord, &word)) return false;
    word &= 0xFFFF0000u;
    if (generation != generation_.load()) return true;
    if (word == lastWarningWord_) return true;
    lastWarningWord_ = word;
    poster_(WarningWordEvent, static_cast<int>(word), wxString(), statusEventTag(generation, 0));
    return true;
}

bool DriveStatusReaders::postValueOf(uint32_t generation, uint32_t reg, wxEventType type, int (*shown)(uint32_t)) {
    std::lock_guard lock(mutex_);
    uint32_t value = 0;
    if (!readRegister(reg, &value)) return false;
    if (generation == generation_.load()) poster_(type, shown(value), wxString(), statusEventTag(generation, 0));
    return true;
}

uint32_t DriveStatusReaders::newGeneration() {
    // Moved on before waiting for a reading under way: when that reading comes to post, it
    // finds itself stale. The memory is cleared after, so nothing stale is remembered.
    const uint32_t next = ++generation_;
    std::lock_guard lock(mutex_);
    errorPosted_ = false;
    lastWarningWord_ = 0xFFFFFFFFu;
    return next;
}

}  // namespace torvex
