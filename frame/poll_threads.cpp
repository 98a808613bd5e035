#include "frame/poll_threads.h"

#include "widgets/events.h"

wxDEFINE_EVENT(DriveMenuStateEvent, wxCommandEvent);
wxDEFINE_EVENT(GoOfflineRequestEvent, wxCommandEvent);

namespace torvex {

std::atomic<uint32_t> pollIntervalMs{kDefaultPollIntervalMs};
std::atomic<bool> wasOnline{false};

uint32_t pollIntervalForPort(const std::string& port) {
    return port == "CAN" ? kCanPollIntervalMs : kDefaultPollIntervalMs;
}

uint32_t LinkSupervisor::generation() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return generation_;
}

bool LinkSupervisor::isCurrent(uint32_t generation) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return generation == generation_;
}

uint32_t LinkSupervisor::newGeneration() {
    std::lock_guard<std::mutex> lock(mutex_);
    // 0 never names a generation, so a detector that has seen nothing never matches.
    if (++generation_ == 0) generation_ = 1;
    failures_.store(0);
    return generation_;
}

void LinkSupervisor::resetFailures() {
    std::lock_guard<std::mutex> lock(mutex_);
    failures_.store(0);
}

void LinkSupervisor::recordSuccess(uint32_t generation) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (generation == generation_) failures_.store(0);
}

bool LinkSupervisor::recordFailure(uint32_t generation) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (generation != generation_) return false;
    uint32_t now = failures_.load() + 1;
    failures_.store(now);
    return now >= kFailureLimit;
}

bool LinkLossDetector::connectionLost(bool usable, uint32_t generation) {
    if (usable) {
        seenGeneration_.store(generation);
        return false;
    }
    const uint32_t seen = seenGeneration_.exchange(0);
    return seen != 0 && seen == generation;
}

void LinkLossDetector::forget() { seenGeneration_.store(0); }

void LinkLossDetector::markUsable(uint32_t generation) { seenGeneration_.store(generation); }

DriveMenuState driveMenuStateFor(bool fileShown, bool statusRead, uint32_t status) {
    if (fileShown) return DriveMenuState::Enabled;
    if (!statusRead) return DriveMenuState::Disabled;
    return (status & 1u) ? DriveMenuState::Disabled : DriveMenuState::Enabled;
}

WorkerLoop::WorkerLoop(std::function<void()> step, std::function<uint32_t()> intervalMs)
    : step_(std::move(step)), intervalMs_(std::move(intervalMs)) {}

// A thread that cannot be created is not started; the frame runs without it.
bool WorkerLoop::start() { return thread_.start([this] { run(); }); }

void WorkerLoop::run() {
    while (!thread_.stopRequested()) {
        step_();
        if (thread_.waitStop(intervalMs_())) break;
    }
}

void postTagged(wxEvtHandler* target, wxEventType type, int value, uint32_t generation) {
    if (!target) return;
    wxCommandEvent* event = newProgramEvent(type, value);
    event->SetExtraLong(static_cast<long>(generation));
    queueProgramEvent(target, event);
}

}  // namespace torvex
