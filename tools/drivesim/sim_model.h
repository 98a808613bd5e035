// The drive behind the links: register store, answers to requests, faults on request
// and the log of what arrived. Link-independent; every link turns a decoded request
// into a call of handleRequest and puts the answer on its own wire.
#pragma once

#include <array>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <vector>

#include "tools/drivesim/sim_drive.h"
#include "tools/drivesim/sim_eeprom.h"
#include "tools/drivesim/sim_reply_shaping.h"

namespace torvex::sim {

// Widths come from the register table once per process; the link code's flag cache is
// refilled by whoever calls buildRegisterCache, which the drive's threads must not race.
bool registerIs32bit(uint32_t reg);
int registerBytes(uint32_t reg);  // 2 or 4

struct Reply {
    uint32_t reg;    // register number the reply carries
    uint32_t value;
    int bytes;       // 2 or 4
};

struct Answer {
    std::vector<Reply> replies;
    bool closeLink = false;
    bool wrongLength = false;
    bool splitRecord = false;
    bool strayByte = false;
    bool longReplies = false;
    int delayMs = 0;  // the link waits this long before it answers
};

class DriveModel {
public:
    explicit DriveModel(uint16_t firmware);

    // reg/value as decoded from the wire: a write of reg, or a read when reg is 0x3D.
    Answer handleRequest(Link link, uint32_t reg, uint32_t value, std::vector<uint8_t> raw);
    // A frame that is no request (another identifier); only logged.
    void logFrame(ReceivedFrame frame);

    uint32_t reg(uint32_t reg) const;
    void setReg(uint32_t reg, uint32_t value);
    void setLongReplies(bool on);
    void setFault(Fault fault, int count);
    void setSeriesReply(uint32_t reg, std::vector<uint16_t> values);
    void setWriteFilter(std::function<uint32_t(uint32_t, uint32_t)> filter);
    void setWriteHook(uint32_t reg, std::function<void(uint32_t)> hook);
    void setReadHook(uint32_t reg, std::function<uint32_t(uint32_t)> hook);
    void setSeriesHook(uint32_t reg, std::function<std::vector<uint16_t>(uint32_t)> hook);
    // The drive's own behaviour (motor, derived registers): sees every stored write after
    // the register's hook, without the lock held. Not replaceable by tests.
    void setWriteObserver(std::function<void(uint32_t reg, uint32_t value)> observer);

    ReplyShaping& shaping() { return shaping_; }

    std::vector<ReceivedFrame> frames() const;
    void clearFrames();
    bool waitForFrames(size_t count, int timeoutMs) const;

private:
    void record(ReceivedFrame frame);  // lock held
    bool takeFault(Fault fault);       // lock held: true when the fault hits this request

    mutable std::mutex mutex_;
    mutable std::condition_variable framesChanged_;
    std::array<uint32_t, 256> registers_{};
    bool longReplies_ = false;
    Fault fault_ = Fault::None;
    int faultCount_ = 0;
    std::map<uint32_t, std::vector<uint16_t>> series_;
    std::function<uint32_t(uint32_t, uint32_t)> writeFilter_;
    std::array<std::function<void(uint32_t)>, 256> writeHooks_;
    std::array<std::function<uint32_t(uint32_t)>, 256> readHooks_;
    std::array<std::function<std::vector<uint16_t>(uint32_t)>, 256> seriesHooks_;
    std::function<void(uint32_t, uint32_t)> writeObserver_;
    std::vector<ReceivedFrame> frames_;
    ReplyShaping shaping_;
    EepromSets eeprom_;
};

// Built-in drive behaviour, each in a file of its own, installed by the model's constructor.
void installStatusBehaviour(DriveModel& model);  // sim_status.cpp

}  // namespace torvex::sim
