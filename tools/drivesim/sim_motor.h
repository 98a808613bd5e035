// A small motor behind the simulated drive, so that speed, current and position read-outs
// move when the tool gives commands. It is off unless asked: tests advance it with
// step(ms), the program torvex-drivesim on a timer. While STATUS (0x40) bit 0 (enable)
// is clear it leaves every register alone.
//
// What follows what, once enabled:
//   - speed mode (the last command written was 0x31 SPEED_CMD_SETPOINT, the default):
//     0x5D SPEED_CMD = 0x32 SPEED_CMD_RAMP = 0x31; 0x30 SPEED_ACTUAL follows it first
//     order (20 ms), 0xA8 SPEED_ACTUAL_FILT follows 0x30 (10 ms); 0x33 = 0x5D - 0x30.
//   - position mode (last command 0x6E POS_DEST): 0x91 POS_COMMAND = 0x6E and the speed
//     command is a proportional position loop, so 0x6D reaches 0x6E without overshoot.
//   - current mode (last command 0x21 I_SOLLOFFSET or 0x90 TORQUE_CMD_SETPOINT):
//     0x26 I_SOLL = 0x21 + 0x90, and the speed drifts towards that current slowly.
//   In every mode 0x20 I_IST follows 0x26 (2 ms), 0x6D POS_ACTUAL integrates the speed
//   (raw 32767 is 0xCE rpm, 4096 counts a revolution), 0x70 POS_ERR = 0x91 - 0x6D, and
//   outside position mode 0x91 stays on 0x6D.
// A register set from outside (setReg) is taken as the new state at the next step.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

namespace torvex::sim {

class DriveModel;

// 0xCE SPEED_RPMMAX_INT from 0xC8 SPEED_RPMMAX and 0x59 MOTOR_RPMMAX: the smaller of
// 0xC8 and 0x59 × 10 / 8.
uint32_t speedScaleFor(uint32_t speedRpmMax, uint32_t motorRpmMax);

class MotorModel {
public:
    explicit MotorModel(DriveModel& drive);
    ~MotorModel();
    MotorModel(const MotorModel&) = delete;
    MotorModel& operator=(const MotorModel&) = delete;

    // Every stored write passes here (on a link thread): it picks the command mode and
    // keeps 0xCE in step with 0xC8 and 0x59.
    void noteWrite(uint32_t reg, uint32_t value);

    // Advances the motor ms milliseconds at once (1 ms steps).
    void step(int ms);

    // Steps every periodMs on a thread of its own until run(false) or destruction.
    void run(bool on, int periodMs = 10);
    bool running() const;

private:
    enum class Mode { Speed, Position, Current };
    void stepLocked(int ms);

    DriveModel& drive_;
    mutable std::mutex mutex_;  // the state below; never held while the drive's lock is
    Mode mode_ = Mode::Speed;
    double speed_ = 0, filtered_ = 0, current_ = 0, position_ = 0;
    // What the last step wrote, to notice values set from outside since.
    int32_t shownSpeed_ = 0, shownFiltered_ = 0, shownCurrent_ = 0, shownPosition_ = 0;

    mutable std::mutex timerMutex_;
    std::condition_variable timerWake_;
    bool timerStop_ = false;
    std::thread timer_;
};

}  // namespace torvex::sim
