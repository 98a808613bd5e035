// The drive status panel's readers: they read the status registers and hand what they
// found to a poster (the panel queues it as its own events). No window is touched here, so
// the watching thread and the GUI thread's read-all may both call them.
//
// Every reading belongs to the link generation it began in. When the link changes (the
// panel goes online or offline) the generation moves on: a reading begun before is never
// posted, and what was posted before but not yet shown carries the old generation, so the
// panel drops it. A watching cycle still in flight when the link is lost thus never
// overwrites what the panel shows for the new state.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>

#include <wx/event.h>

#include "link/connection.h"

namespace torvex {

// The extra long of the panel's events: the generation the reading began in (high 32 bits)
// and, for the error word, the link state (status::LinkState, low 32 bits).
long statusEventTag(uint32_t generation, long linkState);
uint32_t tagGeneration(long tag);
long tagLinkState(long tag);

class DriveStatusReaders {
public:
    // type, the event's int, its text, and its extra long (statusEventTag).
    using Poster = std::function<void(wxEventType type, int value, const wxString& text, long tag)>;

    DriveStatusReaders(DriveConnection* drive, Poster poster);

    // The six readers in their order; false at the first that fails.
    bool updateDriveStatus(int failureCount);

    // Always true. Posts ErrorWordEvent when the word, its link state or the count changed.
    bool postErrorWord(int failureCount);
    // Posts WarningWordEvent (bits 16..31) when they changed; true without reading when the
    // drive is not usable.
    bool postWarningWord();
    bool postIoBits();        // 0x40, IoBitsEvent
    bool postStatusBits();    // 0xD8, StatusBitsEvent
    bool postSpeedRegister(); // 0xA8 (signed), SpeedValueEvent
    bool postCurrentValue();  // 0x5F (signed), CurrentValueEvent

    // The link changed: readings begun before are stale, and the next readings are posted
    // whatever was posted before. Returns the new generation.
    uint32_t newGeneration();
    uint32_t generation() const { return generation_.load(); }

private:
    // Reads reg in the width the register table gives it.
    bool readRegister(uint32_t reg, uint32_t* value);
    // The readers within a reading begun in generation; mutex_ is taken inside.
    bool postErrorWordOf(uint32_t generation, int failureCount);
    bool postWarningWordOf(uint32_t generation);
    bool postValueOf(uint32_t generation, uint32_t reg, wxEventType type, int (*shown)(uint32_t));

    DriveConnection* drive_;
    Poster poster_;
    std::mutex mutex_;  // the last-posted memory; held from a reader's read to its post
    // Compared by a reader under mutex_ just before it posts; read by the panel's handlers.
    std::atomic<uint32_t> generation_{1};
    bool errorPosted_ = false;
    uint32_t lastErrorWord_ = 0;
    long lastLinkState_ = 0;
    int lastFailureCount_ = 0;
    uint32_t lastWarningWord_ = 0xFFFFFFFFu;
};

}  // namespace torvex
