// The two worker threads that keep the frame current while it is online (polling) and
// notice a connection that failed or closed under it (watching), and the bookkeeping
// they share with the GUI thread.
//
// Both threads are joinable and sleep on a condition variable, so a stop request wakes
// them at once and the frame joins them before it or its connection goes away.
// Anything a worker decides about windows (menu states, going offline) is posted to the
// frame tagged with the connection generation it was decided in; the GUI thread drops
// it when the connection has changed since.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <mutex>
#include <string>

#include <wx/event.h>

#include "link/worker_thread.h"

// Posted by the polling step: int 1 enable, 0 disable "Load registers", "Execute script"
// and "Import"; extra long: the connection generation.
wxDECLARE_EVENT(DriveMenuStateEvent, wxCommandEvent);
// Posted by either step when the frame is to go offline; extra long: the generation.
wxDECLARE_EVENT(GoOfflineRequestEvent, wxCommandEvent);

namespace torvex {

class MainFrame;

// Pause of the polling thread between two steps: 100 ms on CAN, 1500 ms on other ports.
extern std::atomic<uint32_t> pollIntervalMs;
// Set by the watching step while the connection is usable, cleared when it takes the
// frame offline.
extern std::atomic<bool> wasOnline;

inline constexpr uint32_t kFailureLimit = 13;        // the 13th failure in a row goes offline
inline constexpr uint32_t kWatchIntervalMs = 300;
inline constexpr uint32_t kCanPollIntervalMs = 100;
inline constexpr uint32_t kDefaultPollIntervalMs = 1500;
inline constexpr int kFlashPeriodMs = 300;

// The polling interval for a port name.
uint32_t pollIntervalForPort(const std::string& port);

// Consecutive failures of the polling and watching steps, and the connection generation
// that every hand-over to the GUI thread is tagged with. The count itself lives in the
// frame (the drive status panel shows it); this guards its changes so that a failure
// that belongs to an earlier connection is never counted against the next one.
class LinkSupervisor {
public:
    explicit LinkSupervisor(std::atomic<uint32_t>& failures) : failures_(failures) {}

    uint32_t generation() const;
    bool isCurrent(uint32_t generation) const;
    // GUI thread, whenever the connection changes (connecting, going offline): every
    // decision taken before becomes stale, and the count starts again.
    uint32_t newGeneration();
    // The count starts again (a successful read of all pages).
    void resetFailures();
    // A worker step succeeded within generation: the count starts again.
    void recordSuccess(uint32_t generation);
    // A worker step failed within generation: counts it. True when the count has reached
    // the limit, i.e. the frame is to go offline. Stale failures count nothing.
    bool recordFailure(uint32_t generation);

private:
    mutable std::mutex mutex_;
    std::atomic<uint32_t>& failures_;
    uint32_t generation_ = 1;
};

// The watching step's memory of having seen the connection usable. A connection that is
// no longer usable although the watcher saw it usable within the same generation was
// lost under the frame; one that the frame closed itself (a new generation) was not.
class LinkLossDetector {
public:
    // True once when the frame is to go offline.
    bool connectionLost(bool usable, uint32_t generation);
    void forget();
    // The GUI thread has the frame online in generation: a link lost before the watcher
    // first looks at it is lost under the frame all the same.
    void markUsable(uint32_t generation);

private:
    std::atomic<uint32_t> seenGeneration_{0};
};

// The state of "Load registers", "Execute script" and "Import" that the polling step
// decides: enabled while a file is viewed, or while status bit 0 of the drive is clear.
enum class DriveMenuState { Enabled, Disabled };
DriveMenuState driveMenuStateFor(bool fileShown, bool statusRead, uint32_t status);

// A loop that runs step, then sleeps interval() ms, until asked to stop. The sleep ends at
// once on a stop request; a step in progress is finished first.
class WorkerLoop {
public:
    WorkerLoop(std::function<void()> step, std::function<uint32_t()> intervalMs);
    virtual ~WorkerLoop() = default;

    bool start();
    void requestStop() { thread_.requestStop(); }
    void join() { thread_.join(); }
    bool isRunning() const { return thread_.running(); }

private:
    void run();

    std::function<void()> step_;
    std::function<uint32_t()> intervalMs_;
    WorkerThread thread_;  // last: joined before the members it uses go
};

// Runs the frame's polling step every pollIntervalMs.
class PollThread : public WorkerLoop {
public:
    explicit PollThread(MainFrame* frame);
};

// Runs the frame's watching step every 300 ms.
class WatchThread : public WorkerLoop {
public:
    explicit WatchThread(MainFrame* frame);
};

// The drive status panel's readers as the watching step runs them; tests replace it to
// make the watching step fail or succeed, or (nothing) watch nothing at all, so that only
// the polling step counts. Returns the previous one; null restores the panel's own.
using DriveStatusUpdater = std::function<std::optional<bool>(MainFrame& frame, uint32_t failures)>;
DriveStatusUpdater setDriveStatusUpdater(DriveStatusUpdater updater);

// Posts a hand-over to the frame tagged with a generation (safe from any thread).
void postTagged(wxEvtHandler* target, wxEventType type, int value, uint32_t generation);

}  // namespace torvex
