#include "scope/capture_worker.h"

#include <algorithm>

#include "link/connection.h"
#include "link/i18n.h"
#include "link/message_seam.h"

namespace torvex {

CaptureWorker::CaptureWorker(DriveConnection& drive, const ArmedCapture& armed, CaptureSink sink)
    : drive_(drive), armed_(armed), sink_(std::move(sink)) {}

bool CaptureWorker::start() { return thread_.start([this] { run(); }); }

std::shared_ptr<const ScopeCapture> CaptureWorker::latestCapture() const {
    std::lock_guard lock(captureMutex_);
    return latest_;
}

std::optional<uint32_t> CaptureWorker::readCount() {
    int count = 0;
    if (drive_.readRegisterSeries(static_cast<int16_t>(kRegCaptureRead), kCaptureCountRequest, &count, 1) != 1)
        return std::nullopt;
    // The reply is a signed word: a word above 0x8000 comes out negative. Neither that nor
    // more than the buffer holds can be believed.
    if (count < 0 || static_cast<uint32_t>(count) > kScopeBufferSamples) return std::nullopt;
    return static_cast<uint32_t>(count);
}

void CaptureWorker::postIdle() {
    sink_(CaptureNotice::StatusColour, kCaptureColourBlack, std::string());
    sink_(CaptureNotice::StatusText, 0, tr(" idle"));
    sink_(CaptureNotice::ButtonLabel, 0, tr("Start capture"));
    sink_(CaptureNotice::EnableControls, 1, std::string());
}

void CaptureWorker::fail(const std::string& message) {
    reportScopeError(message);
    postIdle();
    sink_(CaptureNotice::Finished, 0, std::string());
}

void CaptureWorker::run() {
    const std::string countError = tr("Fehler beim Lesen der Anzahl Bytes im Capturepuffer!");
    while (!thread_.stopRequested()) {
        sink_(CaptureNotice::StatusColour, kCaptureColourRed, std::string());
        sink_(CaptureNotice::StatusText, 0, tr(" waiting"));

        // Wait for the buffer to fill up to the trigger buffer size.
        bool full = false;
        while (!full) {
            if (thread_.stopRequested()) break;
            std::optional<uint32_t> count = readCount();
            if (!count) {
                if (thread_.stopRequested()) break;
                fail(countError);
                return;
            }
            if (*count > 0) sink_(CaptureNotice::StatusColour, kCaptureColourFilling, std::string());
            if (*count >= armed_.triggerBufferSize) {
                full = true;
                break;
            }
            sink_(CaptureNotice::StatusText, 0, strprintfRuntime(tr(" waiting (%u)"), *count));
            if (thread_.waitStop(kCapturePollMs)) break;
        }
        if (!full || thread_.stopRequested()) break;

        std::optional<uint32_t> total = readCount();
        if (!total) {
            if (thread_.stopRequested()) break;
            fail(countError);
            return;
        }
        sink_(CaptureNotice::StatusColour, kCaptureColourBlue, std::string());
        sink_(CaptureNotice::StatusText, 0, tr(" reading"));

        // The samples go into a capture of this thread's own; the page sees it only once
        // the last block has arrived.
        auto capture = std::make_shared<ScopeCapture>();
        capture->samples.assign(kScopeBufferSamples, 0);
        const uint32_t n = *total;
        uint32_t read = 0;
        while (read < n) {
            if (thread_.stopRequested()) break;
            const uint32_t block = std::min(n - read, kCaptureBlock);
            const uint32_t request = read == 0 ? block : (block | kCaptureNextFlag);
            if (drive_.readRegisterSeries(static_cast<int16_t>(kRegCaptureRead), request,
                                          capture->samples.data() + read, block) != block) {
                if (thread_.stopRequested()) break;
                fail(strprintfRuntime(tr(read == 0 ? "Error reading first %u datas" : "Error reading %u datas!"),
                                      block));
                return;
            }
            read += block;
        }
        // A stop before the last block leaves nothing; once every block is in, the capture
        // is complete and is handed over, whatever the stop (the page shows it then).
        if (read < n) break;
        capture->sampleCount = n;
        capture->channelCount = armed_.channelCount;
        capture->channelRegisters = armed_.channelRegisters;
        {
            std::lock_guard lock(captureMutex_);
            latest_ = std::move(capture);
        }
        if (thread_.stopRequested()) break;

        // Arms the next capture; the complete one is shown even when that fails.
        const bool rearmed = drive_.write16bitRegister(kRegCaptureRun, 0) == 0;
        if (thread_.stopRequested()) break;
        sink_(CaptureNotice::StatusText, 0, tr(" drawing"));
        sink_(CaptureNotice::Redraw, 0, std::string());
        if (!rearmed) {
            fail(strprintfRuntime(tr("Fehler beim Beschreiben des Registers 0x%x!"), kRegCaptureRun));
            return;
        }

        if (armed_.singleShot) {
            postIdle();
            sink_(CaptureNotice::Finished, 0, std::string());
            return;
        }
    }
}

}  // namespace torvex
