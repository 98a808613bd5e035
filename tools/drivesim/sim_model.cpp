#include "tools/drivesim/sim_model.h"

#include <chrono>

#include "link/registers.h"

namespace torvex::sim {

namespace {

constexpr uint32_t kReadRequest = kRegRead;

uint32_t keepWidth(uint32_t reg, uint32_t value) { return registerIs32bit(reg) ? value : (value & 0xFFFFu); }

// Values a panel shows when it is pointed at the simulator, so that it looks like a
// drive at rest rather than a block of zeros.
void fillStartValues(std::array<uint32_t, 256>& r, uint16_t firmware) {
    auto ascii = [](const char (&text)[5]) {
        return uint32_t(uint8_t(text[0])) | uint32_t(uint8_t(text[1])) << 8 | uint32_t(uint8_t(text[2])) << 16 |
               uint32_t(uint8_t(text[3])) << 24;
    };
    r[kRegFirmware] = firmware;
    r[kRegAxisName] = ascii("AX01");  // shown lowest byte first
    r[0x19] = 16;                     // PWM_FREQ
    r[0x1C] = 60;                     // I1_KP
    r[0x1D] = 25;                     // I1_KI
    r[0x24] = 2000;                   // I_MAXPLUS
    r[0x2C] = 30;                     // SPEED_KP
    r[0x2D] = 10;                     // SPEED_KI
    r[0x34] = 3000;                   // SPEED_LIMIT
    r[0x3A] = 560;                    // V_FILT
    r[0x46] = 1800;                   // I_LIMIT
    r[0x49] = 35;                     // T_MOTOR
    r[0x4A] = 41;                     // T_IGBT
    r[0x4B] = 29;                     // T_AIR
    r[0x4D] = 1500;                   // MOTOR_I_MAX
    r[0x4E] = 800;                    // MOTOR_I_DAUER
    r[0x4F] = 8;                      // MOTOR_POLE
    r[0x59] = 3000;                   // MOTOR_RPMMAX
    r[0x62] = 102345;                 // DEVICE_SERIAL_NUMBER
    r[0x64] = 400;                    // DEVICE_MAINS
    r[0x68] = 0x201;                  // CAN_ID_RX
    r[0x69] = 0x181;                  // CAN_ID_TX
    r[0x6A] = 20;                     // POS_KP
    r[0x73] = 0x0014;                 // CAN_BTR: 625 kbit/s
    r[0x9A] = 30;                     // TEMP
    r[0xA6] = 4096;                   // MOTOR_GEBER_INCPERREV
    r[0xA7] = 1;                      // MOTOR_GEBER_POLE
    r[0xAB] = 1000;                   // LOGIC_HZ
    r[0xAF] = 100;                    // TIMER_DELTA: sampling tick in microseconds
    r[0xBE] = 0x8001;                 // DEFINE_LOGIC_END1: function 1, active high
    r[0xBF] = 0x8002;                 // DEFINE_LOGIC_END2: function 2, active high
    r[0xC0] = 0x0003;                 // DEFINE_LOGIC_DIN1: function 3, active low
    r[0xC1] = 0x0004;                 // DEFINE_LOGIC_DIN2: function 4, active low
    r[0xC2] = 0x3021;                 // DEFINE_LOGIC_DOUT1: source 0x30, operand 2, operation 1
    r[0xC3] = 0x40C2;                 // DEFINE_LOGIC_DOUT2: source 0x40, operand 12, operation 2
    r[0xC4] = 32766;                  // REGLER_I_MAX_PC (200 %, 0x3FFF = 100 %)
    r[0xC5] = 16383;                  // REGLER_I_DAUER_PC (100 %)
    r[0xC6] = 20;                     // REGLER_I_GERAET
    r[0xC8] = 3000;                   // SPEED_RPMMAX
    r[0xD1] = 100;                    // VAR1
    r[0xD2] = 1500;                   // VAR2
    r[0xD3] = uint32_t(-200);         // VAR3
    r[0xD4] = 0;                      // VAR4
    r[0xCE] = 3000;                   // SPEED_RPMMAX_INT: rpm of raw 32767, min(0xC8, 0x59 * 10 / 8)
    r[0x37] = 1000;                   // SPEED_COUNTMAX
    r[0x7C] = 1000;                   // POS_TORVEX_SCALE: positions shown in counts with three decimals
    r[0x7D] = 0;                      // POS_TORVEX_OFFSET
    r[0xD9] = 1000;                   // KERN_I_200PC
    r[0xDA] = 0x3013;                 // DEFINE_LOGIC_DOUT3: source 0x30, operand 1, operation 3
    r[0xDB] = 0x0000;                 // DEFINE_LOGIC_DOUT4: off
    r[0xEE] = 500;                    // REGLER_I_IST_100PC
    // Settings page.
    r[0x36] = 0x0005;                 // COMMAND_SOURCE: digital speed, both inputs "Cmd"
    r[0x5A] = 0x00040020;             // KERN_OPTIONS: brake on, deceleration ramp "Acc"
    r[0x67] = 0x1203;                 // DEVICE_AUTO_ID: servo type 3
    r[0xA4] = 0x3042;                 // MOTOR_OPTIONS: feedback 2, second feedback out, factor 4
    r[0xCF] = 1234;                   // POSI_KY
}

}  // namespace

bool registerIs32bit(uint32_t reg) {
    static const std::array<bool, 256> widths = [] {
        std::array<bool, 256> w{};
        for (uint32_t r = 0; r < 255; ++r) w[r] = lookup32bitRegister(r);
        return w;
    }();
    return reg < widths.size() && widths[reg];
}

int registerBytes(uint32_t reg) { return registerIs32bit(reg) ? 4 : 2; }

DriveModel::DriveModel(uint16_t firmware) {
    fillStartValues(registers_, firmware);
    eeprom_ = EepromSets(registers_);
    installStatusBehaviour(*this);
}

void DriveModel::record(ReceivedFrame frame) {
    frames_.push_back(std::move(frame));
    framesChanged_.notify_all();
}

bool DriveModel::takeFault(Fault fault) {
    if (fault_ != fault || faultCount_ == 0) return false;
    if (faultCount_ > 0 && --faultCount_ == 0) fault_ = Fault::None;
    return true;
}

void DriveModel::logFrame(ReceivedFrame frame) {
    std::lock_guard lock(mutex_);
    record(std::move(frame));
}

Answer DriveModel::handleRequest(Link link, uint32_t reg, uint32_t value, std::vector<uint8_t> raw) {
    const bool isRead = reg == kReadRequest;
    const uint32_t target = isRead ? (value & 0xFFFFu) : reg;
    Answer answer;
    std::function<uint32_t(uint32_t, uint32_t)> filter;
    std::function<void(uint32_t)> writeHook;
    std::function<void(uint32_t, uint32_t)> observer;
    std::function<uint32_t(uint32_t)> readHook;
    std::function<std::vector<uint16_t>(uint32_t)> seriesHook;
    std::vector<uint16_t> series;
    ReceivedFrame frame{link, isRead, target, isRead ? 0u : value, std::move(raw)};
    {
        std::lock_guard lock(mutex_);
        answer.longReplies = longReplies_;
        if (takeFault(Fault::CloseLink)) {
            answer.closeLink = true;
            record(std::move(frame));
            return answer;
        }
        if (target >= registers_.size()) {
            record(std::move(frame));
            return answer;
        }
        if (isRead) {
            readHook = readHooks_[target];
            answer.replies.push_back({target, registers_[target], registerBytes(target)});
        } else if (shaping_.isWriteRefused(target)) {
            // A refused write changes nothing and is never answered, not even by a series.
            record(std::move(frame));
            return answer;
        } else {
            filter = writeFilter_;
            writeHook = writeHooks_[target];
            seriesHook = seriesHooks_[target];
            observer = writeObserver_;
            auto found = series_.find(target);
            if (found != series_.end()) series = found->second;
        }
    }
    // User code runs without the lock: a filter or hook may well ask the drive itself.
    if (isRead) {
        if (readHook) answer.replies[0].value = keepWidth(target, readHook(answer.replies[0].value));
    } else {
        uint32_t kept = keepWidth(target, filter ? filter(target, value) : value);
        {
            std::lock_guard lock(mutex_);
            registers_[target] = kept;
            eeprom_.command(target, kept, registers_);
        }
        if (writeHook) writeHook(kept);
        if (seriesHook) series = seriesHook(kept);
        if (observer) observer(target, kept);
        for (uint16_t sample : series) answer.replies.push_back({target, sample, 2});
    }
    // The frame is logged last, so that whoever waits for it sees the write's effect.
    std::lock_guard lock(mutex_);
    record(std::move(frame));
    if (isRead && shaping_.isSilent(target)) answer.replies.clear();
    if (answer.replies.empty()) return answer;
    answer.delayMs = shaping_.delayMs();
    if (takeFault(Fault::Silent)) {
        answer.replies.clear();
    } else if (takeFault(Fault::WrongRegister)) {
        // Another register's number and value, in the width asked for (a serial reply
        // carries no number, so only the value can be wrong there).
        for (Reply& reply : answer.replies) {
            reply.reg = (reply.reg + 1) & 0xFFu;
            reply.value = registers_[reply.reg] & (reply.bytes == 4 ? 0xFFFFFFFFu : 0xFFFFu);
        }
    } else if (takeFault(Fault::WrongLength)) {
        answer.wrongLength = true;
    } else if (takeFault(Fault::SplitRecord)) {
        answer.splitRecord = true;
    } else if (takeFault(Fault::StrayByte)) {
        answer.strayByte = true;
    }
    return answer;
}

uint32_t DriveModel::reg(uint32_t reg) const {
    std::lock_guard lock(mutex_);
    return reg < registers_.size() ? registers_[reg] : 0;
}

void DriveModel::setReg(uint32_t reg, uint32_t value) {
    std::lock_guard lock(mutex_);
    if (reg < registers_.size()) registers_[reg] = keepWidth(reg, value);
}

void DriveModel::setLongReplies(bool on) {
    std::lock_guard lock(mutex_);
    longReplies_ = on;
}

void DriveModel::setFault(Fault fault, int count) {
    std::lock_guard lock(mutex_);
    fault_ = count == 0 ? Fault::None : fault;
    faultCount_ = fault == Fault::None ? 0 : count;
}

void DriveModel::setSeriesReply(uint32_t reg, std::vector<uint16_t> values) {
    std::lock_guard lock(mutex_);
    if (values.empty()) {
        series_.erase(reg);
    } else {
        series_[reg] = std::move(values);
    }
}

void DriveModel::setWriteFilter(std::function<uint32_t(uint32_t, uint32_t)> filter) {
    std::lock_guard lock(mutex_);
    writeFilter_ = std::move(filter);
}

void DriveModel::setWriteHook(uint32_t reg, std::function<void(uint32_t)> hook) {
    std::lock_guard lock(mutex_);
    if (reg < writeHooks_.size()) writeHooks_[reg] = std::move(hook);
}

void DriveModel::setReadHook(uint32_t reg, std::function<uint32_t(uint32_t)> hook) {
    std::lock_guard lock(mutex_);
    if (reg < readHooks_.size()) readHooks_[reg] = std::move(hook);
}

void DriveModel::setSeriesHook(uint32_t reg, std::function<std::vector<uint16_t>(uint32_t)> hook) {
    std::lock_guard lock(mutex_);
    if (reg < seriesHooks_.size()) seriesHooks_[reg] = std::move(hook);
}

void DriveModel::setWriteObserver(std::function<void(uint32_t, uint32_t)> observer) {
    std::lock_guard lock(mutex_);
    writeObserver_ = std::move(observer);
}

std::vector<ReceivedFrame> DriveModel::frames() const {
    std::lock_guard lock(mutex_);
    return frames_;
}

void DriveModel::clearFrames() {
    std::lock_guard lock(mutex_);
    frames_.clear();
}

bool DriveModel::waitForFrames(size_t count, int timeoutMs) const {
    std::unique_lock lock(mutex_);
    return framesChanged_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                   [&] { return frames_.size() >= count; });
}

}  // namespace torvex::sim
