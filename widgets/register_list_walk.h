// The reading behind a register list: one worker thread walks the registers that have a
// line, reads each once in ascending order and hands every value (or the failed read),
// then an end marker, to a sink. The lines are formatted by the receiver: anything done
// between two reads holds the next request back, and the walk reads back to back. Kept apart from the window so that its life can be checked without
// a display: a walk is stopped and joined before its owner goes, so nothing it posts
// can reach a destroyed window, and every walk carries a number so that a stopped walk's
// late lines are told apart from those of a newer one.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "link/worker_thread.h"

namespace torvex {

class DriveConnection;

class RegisterListWalk {
public:
    static constexpr int kEndMarker = -1;

    // Runs on the walk's thread: reg 0..255 with its value (null: not read, offline or
    // failed), then kEndMarker with null. walk: the number start() returned for this walk.
    using Sink = std::function<void(int reg, const uint32_t* value, uint64_t walk)>;
    using Launcher = WorkerThread::Launcher;

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
    bool running() const { return thread_.started(); }
    // Joins a walk whose end marker arrived (the thread is about to end by then).
    void finished(uint64_t walk);
    uint64_t currentWalk() const { return current_; }

    void setLauncher(Launcher launcher) { thread_.setLauncher(std::move(launcher)); }

    // A register's line: both value columns empty unless value is given.
    static std::string lineFor(uint32_t reg, const uint32_t* value);

private:
    void run(std::array<bool, 256> hasLine, const Sink& sink, uint64_t walk);

    DriveConnection* drive_;
    uint64_t current_ = 0;  // GUI thread only
    uint64_t nextWalk_ = 1;
    WorkerThread thread_;  // last: joined before the members it uses go
};

}  // namespace torvex
