// The capture thread: waits for the drive's buffer to fill, reads it back in blocks of at
// most 50 samples into a capture of its own and hands the complete capture over; then
// arms the next one unless the capture is a single shot.
//
// It never touches a window: what the page is to show is handed to a sink (the page posts
// it as events tagged with the capture's generation). The thread is joinable and waits on
// a condition variable, so a stop wakes it at once; the owner joins it before it or the
// connection goes.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "link/worker_thread.h"
#include "scope/capture_arming.h"
#include "scope/scope_capture.h"

namespace torvex {

class DriveConnection;

enum class CaptureNotice {
    StatusColour,    // value: 0x00BBGGRR
    StatusText,      // text
    ButtonLabel,     // text
    EnableControls,  // value 0/1
    Redraw,          // a new capture is ready (takeCapture)
    Finished,        // the thread has ended by itself (single shot or failure)
};

using CaptureSink = std::function<void(CaptureNotice notice, int value, const std::string& text)>;

inline constexpr int kCaptureColourRed = 0x0000FF;
inline constexpr int kCaptureColourFilling = 0x25742D;  // RGB 45,116,37
inline constexpr int kCaptureColourBlue = 0xFF0000;
inline constexpr int kCaptureColourBlack = 0x000000;
inline constexpr uint32_t kCaptureBlock = 50;
inline constexpr uint32_t kCaptureCountRequest = 0x4001;
inline constexpr uint32_t kCaptureNextFlag = 0x8000;
inline constexpr int kCapturePollMs = 200;

class CaptureWorker {
public:
    // Stopped and joined when it goes (its thread is its last member).
    CaptureWorker(DriveConnection& drive, const ArmedCapture& armed, CaptureSink sink);

    bool start();
    // Wakes the thread at once; it ends after the exchange in progress.
    void requestStop() { thread_.requestStop(); }
    void join() { thread_.join(); }
    bool stopRequested() const { return thread_.stopRequested(); }
    bool running() const { return thread_.running(); }

    // The last complete capture (null before the first); safe from any thread.
    std::shared_ptr<const ScopeCapture> latestCapture() const;

private:
    void run();
    // The number of samples in the drive's buffer; nullopt when the read failed or the
    // answer cannot be a count of this buffer.
    std::optional<uint32_t> readCount();
    // Fails: message, idle state and the end of the thread.
    void fail(const std::string& message);
    void postIdle();

    DriveConnection& drive_;
    ArmedCapture armed_;
    CaptureSink sink_;
    mutable std::mutex captureMutex_;
    std::shared_ptr<const ScopeCapture> latest_;
    WorkerThread thread_;  // last: joined before the members it uses go
};

}  // namespace torvex
