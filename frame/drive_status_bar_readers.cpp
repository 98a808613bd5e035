#include "frame/drive_status_bar_readers.h"

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

}  // namespace

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
    if (!drive_ || !drive_->isConnected()) return false;
    return postErrorWord(failureCount) && postWarningWord() && postIoBits() && postStatusBits() &&
           postSpeedRegister() && postCurrentValue();
}

bool DriveStatusReaders::postErrorWord(int failureCount) {
    // Read and post under one lock: a word read earlier by another thread is never posted
    // after a newer one.
    std::lock_guard lock(mutex_);
    uint32_t word = 0;
    long state = status::kDriveAnswered;
    if (!drive_ || !drive_->isConnected()) state = status::kNoCom;
    else if (!readRegister(kRegErrorWord, &word)) state = status::kNoReply;
    if (state != status::kDriveAnswered) word = 0;
    if (errorPosted_ && word == lastErrorWord_ && state == lastLinkState_ && failureCount == lastFailureCount_)
        return true;
    errorPosted_ = true;
    lastErrorWord_ = word;
    lastLinkState_ = state;
    lastFailureCount_ = failureCount;
    poster_(ErrorWordEvent, static_cast<int>(word), wxString::Format("%u", static_cast<unsigned>(failureCount)), state);
    return true;
}

bool DriveStatusReaders::postWarningWord() {
    if (!drive_ || !drive_->isConnected()) return true;
    std::lock_guard lock(mutex_);
    uint32_t word = 0;
    if (!readRegister(kRegErrorWord, &word)) return false;
    word &= 0xFFFF0000u;
    if (word == lastWarningWord_) return true;
    lastWarningWord_ = word;
    poster_(WarningWordEvent, static_cast<int>(word), wxString(), 0);
    return true;
}

bool DriveStatusReaders::postIoBits() {
    std::lock_guard lock(mutex_);
    uint32_t value = 0;
    if (!readRegister(kRegStatusWord, &value)) return false;
    poster_(IoBitsEvent, static_cast<int>(value), wxString(), 0);
    return true;
}

bool DriveStatusReaders::postStatusBits() {
    std::lock_guard lock(mutex_);
    uint32_t value = 0;
    if (!readRegister(kRegIoBitmap, &value)) return false;
    poster_(StatusBitsEvent, static_cast<int>(value & 0xFFFFu), wxString(), 0);
    return true;
}

bool DriveStatusReaders::postSpeedRegister() {
    std::lock_guard lock(mutex_);
    uint32_t value = 0;
    if (!readRegister(kRegSpeedActual, &value)) return false;
    poster_(SpeedValueEvent, static_cast<int16_t>(value & 0xFFFFu), wxString(), 0);
    return true;
}

bool DriveStatusReaders::postCurrentValue() {
    std::lock_guard lock(mutex_);
    uint32_t value = 0;
    if (!readRegister(kRegCurrentActual, &value)) return false;
    poster_(CurrentValueEvent, static_cast<int16_t>(value & 0xFFFFu), wxString(), 0);
    return true;
}

void DriveStatusReaders::forgetPosted() {
    std::lock_guard lock(mutex_);
    errorPosted_ = false;
    lastWarningWord_ = 0xFFFFFFFFu;
}

}  // namespace torvex
