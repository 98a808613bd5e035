#include "scope/capture_arming.h"

#include "link/connection.h"
#include "link/i18n.h"
#include "link/message_seam.h"

namespace torvex {

namespace {

constexpr uint32_t kSamplesPerDivision = 50;

bool write16(DriveConnection& drive, uint32_t reg, uint32_t value) {
    if (drive.write16bitRegister(reg, static_cast<uint16_t>(value & 0xFFFFu)) == 0) return true;
    reportWriteError(reg);
    return false;
}

void nothingSelectedInChannel(int n) { reportScopeError(strprintfRuntime(tr("Nothing selected in Channel %d!"), n)); }

}  // namespace

void reportScopeError(const std::string& text) {
    messageBox(text, tr(kCaptionError), kMsgOk | kMsgIconError);
}

void reportWriteError(uint32_t reg) {
    reportScopeError(strprintfRuntime(tr("Fehler beim Beschreiben des Registers 0x%x!"), reg));
}

uint32_t countChannelsOn(const CaptureSettings& settings) {
    uint32_t count = 0;
    for (const ChoiceValue& channel : settings.channels)
        if (channel.selected() && channel.data != 0) ++count;
    return count;
}

uint16_t captureSkip(uint32_t timePerDivisionUs, uint32_t tickUs) {
    if (tickUs == 0) return 0;
    const uint64_t ticksPerSample = uint64_t(timePerDivisionUs) / (uint64_t(tickUs) * kSamplesPerDivision);
    if (ticksPerSample <= 1) return 0;
    // A very long time base over a short tick: the slowest the register allows.
    return static_cast<uint16_t>(std::min<uint64_t>(ticksPerSample - 1, 0xFFFFu));
}

bool writeTriggerSource(DriveConnection& drive, const CaptureSettings& settings) {
    const ChoiceValue& on = settings.triggerOn;
    if (!on.selected()) {
        reportScopeError(tr("Nothing selected in Trigger On!"));
        return true;
    }
    uint32_t source = 0;
    if (on.index < kScopeChannels) {
        const ChoiceValue& channel = settings.channels[on.index];
        if (!channel.selected()) {
            nothingSelectedInChannel(on.index);
            return true;
        }
        if (channel.data == 0) return true;  // an "--Off--" channel triggers nothing
        source = static_cast<uint32_t>(channel.data);
    } else {
        source = static_cast<uint32_t>(on.data);
    }
    return write16(drive, kRegCaptureTrigSource, source);
}

bool writeTriggerLevel(DriveConnection& drive, const CaptureSettings& settings) {
    if (!settings.triggerLevel) {
        reportScopeError(tr("Trigger Level: ") + tr("Falsche Eingabe (keine Nummer)!"));
        return false;
    }
    // The level register holds 16 bits, read signed or unsigned as the channel is: a level
    // beyond both would be written wrapped and trigger somewhere the user never typed.
    const long level = *settings.triggerLevel;
    if (level < kTriggerLevelMin || level > kTriggerLevelMax) {
        const bool tooBig = level > kTriggerLevelMax;
        std::string limit = tr(tooBig ? "Zahl zu gross, max. %ld!" : "Zahl zu klein, min. %ld!");
        if (size_t at = limit.find("%ld"); at != std::string::npos)
            limit.replace(at, 3, std::to_string(tooBig ? kTriggerLevelMax : kTriggerLevelMin));
        reportScopeError(tr("Trigger Level: ") + limit);
        return false;
    }
    return write16(drive, kRegCaptureTrigLevel, static_cast<uint32_t>(level));
}

bool writeTriggerMode(DriveConnection& drive, const CaptureSettings& settings) {
    if (!settings.triggerRun.selected()) {
        reportScopeError(tr("Nothing selected in Trigger Run!"));
        return true;
    }
    uint32_t code = kTriggerModeAuto;
    if (settings.triggerRun.data != kTriggerRunAuto) {
        if (!settings.triggerEdge.selected()) {
            reportScopeError(tr("Nothing selected in Trigger Edge!"));
            return true;
        }
        code = static_cast<uint32_t>(settings.triggerEdge.data);
    }
    return write16(drive, kRegCaptureTrigEdge, code);
}

bool writeChannelSlots(DriveConnection& drive, const CaptureSettings& settings) {
    uint32_t slot = 0;
    for (int n = 0; n < kScopeChannels; ++n) {
        const ChoiceValue& channel = settings.channels[n];
        if (!channel.selected()) {
            nothingSelectedInChannel(n);
            continue;
        }
        if (channel.data == 0) continue;
        // The catalogue's register list only offers registers up to 255; anything else
        // would spill into the slot byte.
        if (channel.data < 0 || channel.data > 0xFF) {
            reportWriteError(kRegCaptureSource);
            return false;
        }
        if (!write16(drive, kRegCaptureSource, (slot << 8) + static_cast<uint32_t>(channel.data))) return false;
        ++slot;
    }
    return true;
}

std::optional<ArmedCapture> armCapture(DriveConnection& drive, const CaptureSettings& settings) {
    if (!write16(drive, kRegCaptureRun, 0)) return std::nullopt;
    writeTriggerSource(drive, settings);
    writeTriggerLevel(drive, settings);
    writeTriggerMode(drive, settings);
    writeChannelSlots(drive, settings);

    const uint32_t channels = countChannelsOn(settings);
    if (!write16(drive, kRegCaptureChan, channels - 1)) return std::nullopt;

    uint16_t tick = 0;
    if (drive.read16bitRegister(kRegTimerDelta, &tick) != 0) {
        reportScopeError(tr("Fehler beim Lesen des timer_delta!"));
        return std::nullopt;
    }
    if (!settings.timeScale.selected()) {
        reportScopeError(tr("Nothing selected in Time scale!"));
        return std::nullopt;
    }
    const uint16_t skip = captureSkip(static_cast<uint32_t>(settings.timeScale.data), tick);
    if (!write16(drive, kRegCaptureSkip, skip)) return std::nullopt;

    if (!settings.triggerBuffer.selected()) {
        reportScopeError(tr("Nothing selected in Trigger Buffer!"));
        return std::nullopt;
    }
    ArmedCapture armed;
    armed.triggerBufferSize = static_cast<uint32_t>(settings.triggerBuffer.data);
    armed.singleShot = settings.triggerRun.selected() && settings.triggerRun.data == kTriggerRunSingle;
    for (int n = 0; n < kScopeChannels; ++n) {
        const ChoiceValue& channel = settings.channels[n];
        if (channel.selected() && channel.data > 0 && channel.data <= 0xFF) {
            armed.channelRegisters[n] = static_cast<uint32_t>(channel.data);
            ++armed.channelCount;
        }
    }
    if (!write16(drive, kRegCaptureRun, 0)) return std::nullopt;
    return armed;
}

}  // namespace torvex
