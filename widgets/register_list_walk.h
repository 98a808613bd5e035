// The reading behind a register list: one worker thread walks the registers that have a
// line, reads each once in ascending order and hands every finished line, then an end
// marker, to a sink. Kept apart from the window so that its life can be checked without
// a display: a walk is stopped and joined before its owner goes, so nothing it posts
// can reach a destroyed window, and every walk carries a number so that a stopped walk's
// late lines are told apart from those of a newer one.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>

namespace torvex {

class DriveConnection;

class RegisterListWalk {
public:
    static constexpr int kEndMarker = -1;

    // Runs on the walk's thread: reg 0..255 with its line, then kEndMarker with an
    // empty line. walk: the number start() returned for this walk.
    using Sink = std::function<void(int reg, const std::string& line, uint64_t walk)>;
    // Makes the thread; throws (std::system_error) when it cannot be made.
    using Launcher = std::function<std::thread(std::function<void()>)>;

    explicit RegisterListWalk(DriveConnection* drive);
    ~RegisterListWalk();  // stops and joins
    RegisterListWalk(const RegisterListWalk&) = delete;
    RegisterListWalk& operator=(const RegisterListWalk&) = delete;

    // Starts a walk over the registers marked in hasLine; 0 when one is already running
    // or no thread could be made (nothing will be posted then), else the walk's number.
    uint64_t start(const std::array<bool, 256>& hasLine, Sink sink);
    // Asks the walk to stop and waits for it: at most the one read under way. Its end
    // marker was handed to the sink before this returns. Nothing happens without a walk.
    void stop();
    // A walk was started and has not been stopped or joined; the end marker of a walk
    // that finished by itself may be on its way.
    bool running() const { return thread_.joinable(); }
    // Joins a walk whose end marker arrived (the thread is about to end by then).
    void finished(uint64_t walk);
    uint64_t currentWalk() const { return current_; }

    void setLauncher(Launcher launcher) { launcher_ = std::move(launcher); }

    // One line as the walk formats it: both value columns empty unless value is given.
    static std::string lineFor(uint32_t reg, const uint32_t* value);

private:
    void run(std::array<bool, 256> hasLine, const Sink& sink, uint64_t walk);

    DriveConnection* drive_;
    std::thread thread_;
    std::atomic<bool> stopRequested_{false};
    uint64_t current_ = 0;  // GUI thread only
    uint64_t nextWalk_ = 1;
    Launcher launcher_;
};

}  // namespace torvex
