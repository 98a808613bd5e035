// The drive's error handling as the status panel sees it: writing 0xFFFF to 0x8E
// (FUN_ERRCANCEL) clears the error half of 0x8F (LOGIC_ERR_BITMAP); the warnings in its
// upper half stay until their cause is gone.
#include "tools/drivesim/sim_model.h"

namespace torvex::sim {

namespace {
constexpr uint32_t kRegErrorCancel = 0x8E;
constexpr uint32_t kRegErrorBitmap = 0x8F;
constexpr uint32_t kCancelAll = 0xFFFF;
}  // namespace

void installStatusBehaviour(DriveModel& model) {
    model.setWriteHook(kRegErrorCancel, [&model](uint32_t value) {
        if (value == kCancelAll) model.setReg(kRegErrorBitmap, model.reg(kRegErrorBitmap) & 0xFFFF0000u);
    });
}

}  // namespace torvex::sim
