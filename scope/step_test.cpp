#include "scope/step_test.h"

#include <climits>
#include <cstdint>
#include <mutex>

#include "link/connection.h"
#include "link/registers.h"
#include "scope/capture_arming.h"
#include "scope/scope_geometry.h"

namespace torvex {

StepPlanResult parseStepPlan(uint32_t reg, const StepTexts& texts) {
    StepPlan plan;
    plan.reg = reg;
    // The 16-bit command registers take signed values: 40000 would be written as -25536,
    // a step the other way.
    const long lowest = is32bitRegister(reg) ? INT32_MIN : INT16_MIN;
    const long highest = is32bitRegister(reg) ? INT32_MAX : INT16_MAX;
    // The step fields read numbers as every other field of the page does.
    auto value = [lowest, highest](const std::string& text, int32_t& out) {
        long v = 0;
        if (!parseScopeNumber(text, v) || v < lowest || v > highest) return false;
        out = static_cast<int32_t>(v);
        return true;
    };
    // A negative time would wrap to weeks of holding one value.
    auto time = [](const std::string& text, uint32_t& out) {
        long v = 0;
        if (!parseScopeNumber(text, v) || v < 0 || v > UINT32_MAX) return false;
        out = static_cast<uint32_t>(v);
        return true;
    };
    StepPlanResult result;
    if (!value(texts.value1, plan.value1)) result.errorKey = "Wrong value for Step value 1!";
    else if (!time(texts.time1, plan.time1)) result.errorKey = "Wrong value for Step time 1!";
    else if (!value(texts.value2, plan.value2)) result.errorKey = "Wrong value for Step value 2!";
    else if (!time(texts.time2, plan.time2)) result.errorKey = "Wrong value for Step time 2!";
    else if (!value(texts.stop, plan.stopValue)) result.errorKey = "Wrong value for Step stop!";
    else if (!time(texts.stopTime, plan.stopTime)) result.errorKey = "Wrong value for Step stop-time!";
    else result.plan = plan;
    return result;
}

bool writeStepValue(DriveConnection& drive, uint32_t reg, int32_t value) {
    if (is32bitRegister(reg)) return drive.write32bitRegister(reg, static_cast<uint32_t>(value)) == 0;
    return drive.write16bitRegister(reg, static_cast<uint16_t>(static_cast<uint32_t>(value) & 0xFFFFu)) == 0;
}

namespace {
std::mutex g_closingHookMutex;
StepClosingHook g_closingHook;
}  // namespace

StepClosingHook setStepClosingHook(StepClosingHook hook) {
    std::lock_guard<std::mutex> lock(g_closingHookMutex);
    StepClosingHook previous = std::move(g_closingHook);
    g_closingHook = std::move(hook);
    return previous;
}

StepWorker::StepWorker(DriveConnection& drive, const StepPlan& plan, std::function<void()> finished)
    : drive_(drive), plan_(plan), finished_(std::move(finished)) {}

bool StepWorker::start() { return thread_.start([this] { run(); }); }

void StepWorker::writeFinalZero(bool report) {
    StepClosingHook hook;
    {
        std::lock_guard<std::mutex> lock(g_closingHookMutex);
        hook = g_closingHook;
    }
    if (hook) hook(plan_.reg);
    // Nothing to report when the link is gone: the drive stops on its own then.
    if (!writeStepValue(drive_, plan_.reg, 0) && report && drive_.isConnected()) reportWriteError(plan_.reg);
}

void StepWorker::run() {
    const int32_t values[3] = {plan_.value1, plan_.value2, plan_.stopValue};
    const uint32_t times[3] = {plan_.time1, plan_.time2, plan_.stopTime};
    while (!thread_.stopRequested()) {
        for (int i = 0; i < 3 && !thread_.stopRequested(); ++i) {
            if (!writeStepValue(drive_, plan_.reg, values[i])) {
                if (thread_.stopRequested()) break;
                reportWriteError(plan_.reg);
                // The last value may still be in force: try the 0 once all the same.
                writeFinalZero(false);
                if (finished_) finished_();
                return;
            }
            if (thread_.waitStop(times[i])) break;
        }
    }
    writeFinalZero(true);
}

}  // namespace torvex
