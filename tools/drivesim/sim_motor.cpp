#include "tools/drivesim/sim_motor.h"

#include <algorithm>
#include <chrono>
#include <cmath>

#include "tools/drivesim/sim_model.h"

namespace torvex::sim {

namespace {

constexpr uint32_t kStatus = 0x40;
constexpr uint32_t kCurrentActual = 0x20;     // I_IST
constexpr uint32_t kCurrentOffset = 0x21;     // I_SOLLOFFSET
constexpr uint32_t kCurrentCommand = 0x26;    // I_SOLL
constexpr uint32_t kSpeedActual = 0x30;       // SPEED_ACTUAL
constexpr uint32_t kSpeedSetpoint = 0x31;     // SPEED_CMD_SETPOINT
constexpr uint32_t kSpeedRamp = 0x32;         // SPEED_CMD_RAMP
constexpr uint32_t kSpeedError = 0x33;        // SPEED_ERR
constexpr uint32_t kMotorRpmMax = 0x59;       // MOTOR_RPMMAX
constexpr uint32_t kSpeedCommand = 0x5D;      // SPEED_CMD
constexpr uint32_t kPositionActual = 0x6D;    // POS_ACTUAL
constexpr uint32_t kPositionDest = 0x6E;      // POS_DEST
constexpr uint32_t kPositionError = 0x70;     // POS_ERR
constexpr uint32_t kTorqueSetpoint = 0x90;    // TORQUE_CMD_SETPOINT
constexpr uint32_t kPositionCommand = 0x91;   // POS_COMMAND
constexpr uint32_t kSpeedFiltered = 0xA8;     // SPEED_ACTUAL_FILT
constexpr uint32_t kSpeedRpmMax = 0xC8;       // SPEED_RPMMAX
constexpr uint32_t kSpeedScale = 0xCE;        // SPEED_RPMMAX_INT

constexpr double kSpeedTauMs = 20.0;
constexpr double kFilterTauMs = 10.0;
constexpr double kCurrentTauMs = 2.0;
constexpr double kTorqueSpeedTauMs = 200.0;
constexpr double kCountsPerRevolution = 4096.0;
// Raw current per raw speed error while the speed changes (what an acceleration costs).
constexpr double kAccelerationCurrent = 4.0;
// The speed loop's time constant and the counts a raw speed unit covers per ms make a
// critically damped position loop with this gain (raw speed per count of error) at
// 3000 rpm; at other scales it stays damped or nearly so.
constexpr double kPositionGain = 2.0;

int16_t s16(uint32_t value) { return int16_t(uint16_t(value)); }
int32_t s32(uint32_t value) { return int32_t(value); }
double clamp16(double value) { return std::clamp(value, -32768.0, 32767.0); }
int32_t nearest16(double value) { return int32_t(std::lround(clamp16(value))); }
uint32_t raw16(int32_t value) { return uint32_t(value) & 0xFFFFu; }
double follow(double value, double target, double tauMs) { return value + (target - value) * (1.0 - std::exp(-1.0 / tauMs)); }

}  // namespace

uint32_t speedScaleFor(uint32_t speedRpmMax, uint32_t motorRpmMax) {
    uint32_t motorLimit = (motorRpmMax & 0xFFFFu) * 10u / 8u;
    return std::min(speedRpmMax & 0xFFFFu, motorLimit) & 0xFFFFu;
}

MotorModel::MotorModel(DriveModel& drive) : drive_(drive) {}

MotorModel::~MotorModel() { run(false); }

void MotorModel::noteWrite(uint32_t reg, uint32_t) {
    switch (reg) {
    case kSpeedRpmMax:
    case kMotorRpmMax:
        drive_.setReg(kSpeedScale, speedScaleFor(drive_.reg(kSpeedRpmMax), drive_.reg(kMotorRpmMax)));
        return;
    case kSpeedSetpoint: {
        std::lock_guard lock(mutex_);
        mode_ = Mode::Speed;
        return;
    }
    case kPositionDest: {
        std::lock_guard lock(mutex_);
        mode_ = Mode::Position;
        return;
    }
    case kCurrentOffset:
    case kTorqueSetpoint: {
        std::lock_guard lock(mutex_);
        mode_ = Mode::Current;
        return;
    }
    default:
        return;
    }
}

void MotorModel::step(int ms) {
    std::lock_guard lock(mutex_);
    stepLocked(ms);
}

void MotorModel::stepLocked(int ms) {
    if (ms <= 0 || !(drive_.reg(kStatus) & 1u)) return;

    // Values set from outside since the last step become the state.
    const int32_t speedNow = s16(drive_.reg(kSpeedActual));
    const int32_t filteredNow = s16(drive_.reg(kSpeedFiltered));
    const int32_t currentNow = s16(drive_.reg(kCurrentActual));
    const int32_t positionNow = s32(drive_.reg(kPositionActual));
    if (speedNow != shownSpeed_) speed_ = speedNow;
    if (filteredNow != shownFiltered_) filtered_ = filteredNow;
    if (currentNow != shownCurrent_) current_ = currentNow;
    if (positionNow != shownPosition_) position_ = positionNow;

    const double rpmMax = double(drive_.reg(kSpeedScale) & 0xFFFFu);
    const double countsPerMs = (rpmMax > 0 ? rpmMax : 3000.0) / 60000.0 * kCountsPerRevolution / 32767.0;
    const double speedSetpoint = s16(drive_.reg(kSpeedSetpoint));
    const double currentSetpoint = clamp16(double(s16(drive_.reg(kCurrentOffset))) + s16(drive_.reg(kTorqueSetpoint)));
    const int32_t destination = s32(drive_.reg(kPositionDest));

    double speedCommand = 0, currentCommand = 0;
    for (int i = 0; i < ms; ++i) {
        switch (mode_) {
        case Mode::Speed:
            speedCommand = speedSetpoint;
            break;
        case Mode::Position: {
            // The drive's error is a 32-bit difference: across the ends of the counter the
            // short way round.
            double error = double(destination) - position_;
            if (error >= 2147483648.0) error -= 4294967296.0;
            if (error < -2147483648.0) error += 4294967296.0;
            speedCommand = clamp16(kPositionGain * error);
            break;
        }
        case Mode::Current:
            speedCommand = speed_;
            break;
        }
        if (mode_ == Mode::Current) {
            currentCommand = currentSetpoint;
            speed_ = follow(speed_, currentCommand, kTorqueSpeedTauMs);
        } else {
            currentCommand = clamp16(kAccelerationCurrent * (speedCommand - speed_));
            speed_ = follow(speed_, speedCommand, kSpeedTauMs);
        }
        filtered_ = follow(filtered_, speed_, kFilterTauMs);
        current_ = follow(current_, currentCommand, kCurrentTauMs);
        position_ += speed_ * countsPerMs;
        // The register is 32 bits wide: a long run wraps as the drive's counter would.
        if (position_ >= 2147483648.0) position_ -= 4294967296.0;
        if (position_ < -2147483648.0) position_ += 4294967296.0;
    }

    shownSpeed_ = nearest16(speed_);
    shownFiltered_ = nearest16(filtered_);
    shownCurrent_ = nearest16(current_);
    shownPosition_ = int32_t(uint32_t(int64_t(std::llround(position_))));
    const int32_t command = nearest16(speedCommand);
    const int32_t positionCommand = mode_ == Mode::Position ? destination : shownPosition_;

    drive_.setReg(kSpeedCommand, raw16(command));
    drive_.setReg(kSpeedRamp, raw16(command));
    drive_.setReg(kSpeedError, raw16(nearest16(double(command) - shownSpeed_)));
    drive_.setReg(kSpeedActual, raw16(shownSpeed_));
    drive_.setReg(kSpeedFiltered, raw16(shownFiltered_));
    drive_.setReg(kCurrentCommand, raw16(nearest16(currentCommand)));
    drive_.setReg(kCurrentActual, raw16(shownCurrent_));
    drive_.setReg(kPositionActual, uint32_t(shownPosition_));
    drive_.setReg(kPositionCommand, uint32_t(positionCommand));
    drive_.setReg(kPositionError, uint32_t(positionCommand) - uint32_t(shownPosition_));
}

void MotorModel::run(bool on, int periodMs) {
    std::unique_lock lock(timerMutex_);
    if (on) {
        if (timer_.joinable()) return;
        timerStop_ = false;
        const int period = std::max(1, periodMs);
        timer_ = std::thread([this, period] {
            std::unique_lock wait(timerMutex_);
            while (!timerWake_.wait_for(wait, std::chrono::milliseconds(period), [this] { return timerStop_; })) {
                wait.unlock();
                step(period);
                wait.lock();
            }
        });
        return;
    }
    if (!timer_.joinable()) return;
    timerStop_ = true;
    timerWake_.notify_all();
    std::thread ending = std::move(timer_);
    lock.unlock();
    ending.join();
}

bool MotorModel::running() const {
    std::lock_guard lock(timerMutex_);
    return timer_.joinable();
}

}  // namespace torvex::sim
