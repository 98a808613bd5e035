// The step-response test: two command values and a stop value written in turn into one
// command register, each held for its own time, until stopped.
//
// The thread owns every write to the step register, its last one included: whatever ends
// the test (a stop, a failed write), its final write is 0 in the register's width, so no
// write of the test can overtake the 0 and leave the motor moving. A stop wakes the
// thread at once; the owner joins it before the connection goes.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "link/worker_thread.h"

namespace torvex {

class DriveConnection;

inline constexpr uint32_t kStepRegCurrent = 0x21;
inline constexpr uint32_t kStepRegTorque = 0x90;
inline constexpr uint32_t kStepRegSpeed = 0x31;
inline constexpr uint32_t kStepRegPosition = 0x6E;

struct StepPlan {
    uint32_t reg = kStepRegSpeed;
    int32_t value1 = 0;
    uint32_t time1 = 0;  // milliseconds
    int32_t value2 = 0;
    uint32_t time2 = 0;
    int32_t stopValue = 0;
    uint32_t stopTime = 0;
};

// The texts of the step fields as typed.
struct StepTexts {
    std::string value1, time1, value2, time2, stop, stopTime;
};

// The plan from the texts, or the catalogue key of the first field that is wrong. The
// texts are read by the page's one number rule (parseScopeNumber: "+5" and " 5" are 5,
// "5.0" and "" no number); values must fit 32 bits, times must not be negative.
struct StepPlanResult {
    std::optional<StepPlan> plan;
    const char* errorKey = nullptr;
};
StepPlanResult parseStepPlan(uint32_t reg, const StepTexts& texts);

// Writes value to reg in its width: 32-bit registers whole, the others their low 16 bits.
bool writeStepValue(DriveConnection& drive, uint32_t reg, int32_t value);

// Called on a step thread right before it writes its closing 0, with the step register
// (nothing is called while none is set). Tests hold the thread there to see who waits for
// that 0. Returns the one set before.
using StepClosingHook = std::function<void(uint32_t reg)>;
StepClosingHook setStepClosingHook(StepClosingHook hook);

class StepWorker {
public:
    // finished is called from the thread when it ends by itself (a failed write), after
    // its message and its final 0. Stopped and joined when it goes (its thread is its last
    // member).
    StepWorker(DriveConnection& drive, const StepPlan& plan, std::function<void()> finished);

    bool start();
    // Wakes the thread; it writes 0 and ends. Never waits.
    void requestStop() { thread_.requestStop(); }
    void join() { thread_.join(); }
    bool running() const { return thread_.running(); }
    const StepPlan& plan() const { return plan_; }

private:
    void run();
    void writeFinalZero(bool report);

    DriveConnection& drive_;
    StepPlan plan_;
    std::function<void()> finished_;
    WorkerThread thread_;  // last: joined before the members it uses go
};

}  // namespace torvex

