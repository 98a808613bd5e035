// The drive status panel's readers: they read the status registers and hand what they
// found to a poster (the panel queues it as its own events). No window is touched here, so
// the watching thread and the GUI thread's read-all may both call them.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>

#include <wx/event.h>

#include "link/connection.h"

namespace torvex {

class DriveStatusReaders {
public:
    // type, the event's int, its text, and its extra long (the link state of an error word).
    using Poster = std::function<void(wxEventType type, int value, const wxString& text, long extra)>;

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

    // The next readings are posted whatever was posted before (after going offline).
    void forgetPosted();

private:
    // Reads reg in the width the register table gives it.
    bool readRegister(uint32_t reg, uint32_t* value);

    DriveConnection* drive_;
    Poster poster_;
    std::mutex mutex_;  // the last-posted memory; held from a reader's read to its post
    bool errorPosted_ = false;
    uint32_t lastErrorWord_ = 0;
    long lastLinkState_ = 0;
    int lastFailureCount_ = 0;
    uint32_t lastWarningWord_ = 0xFFFFFFFFu;
};

}  // namespace torvex
