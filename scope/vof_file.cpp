#include "scope/vof_file.h"

#include <algorithm>
#include <cstring>
#include <fstream>

#include "link/atomic_file.h"
#include "link/i18n.h"

namespace torvex {

namespace {

// Header offsets.
enum : size_t {
    kUDivAt = 100,
    kRedAt = 132,
    kGreenAt = 143,
    kBlueAt = 154,
    kTimeScaleAt = 168,
    kSignalsAt = 172,
    kTriggerEdgeAt = 204,
    kTriggerOnAt = 208,
    kTriggerBufferAt = 212,
    kTriggerRunAt = 216,
    kTriggerLevelAt = 220,
    kStepRegisterAt = 224,
    kStepValuesAt = 228,  // value 1, time 1, value 2, time 2, stop value, stop time
    kJoinAt = 252,
    kZeroAt = 253,
    kOverAt = 254,
    kPosAt = 256,
    kChannelCountAt = 288,
    kSampleCountAt = 292,
    kSpeedScaleAt = 296,
    kCurrentScaleAt = 298,
    kCurrentBaseAt = 300,
};

// Colours in file order: channels 1..8, background, grid, zero line.
constexpr size_t kColourCount = kScopeChannels + 3;
// A full drive buffer is the largest capture there is, and a saved one must load back.
constexpr size_t kLargestFile = kScopeFileHeaderSize + 4 * kScopeBufferSamples;

void put32(std::vector<uint8_t>& out, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) out[at + i] = static_cast<uint8_t>(value >> (8 * i));
}
void put16(std::vector<uint8_t>& out, size_t at, uint16_t value) {
    out[at] = static_cast<uint8_t>(value);
    out[at + 1] = static_cast<uint8_t>(value >> 8);
}
uint32_t get32(const uint8_t* data, size_t at) {
    return static_cast<uint32_t>(data[at]) | (static_cast<uint32_t>(data[at + 1]) << 8) |
           (static_cast<uint32_t>(data[at + 2]) << 16) | (static_cast<uint32_t>(data[at + 3]) << 24);
}
int32_t getSigned32(const uint8_t* data, size_t at) { return static_cast<int32_t>(get32(data, at)); }
int16_t getSigned16(const uint8_t* data, size_t at) {
    return static_cast<int16_t>(static_cast<uint16_t>(data[at] | (data[at + 1] << 8)));
}

std::array<ScopeRgb, kColourCount> fileColours(const ScopeFileSettings& s) {
    std::array<ScopeRgb, kColourCount> colours{};
    std::copy(s.colours.begin(), s.colours.end(), colours.begin());
    colours[kScopeChannels] = s.background;
    colours[kScopeChannels + 1] = s.grid;
    colours[kScopeChannels + 2] = s.zeroLine;
    return colours;
}

template <typename T, size_t N>
bool isOneOf(T value, const std::array<T, N>& allowed) {
    return std::find(allowed.begin(), allowed.end(), value) != allowed.end();
}

bool knownSettings(const ScopeFileSettings& s) {
    constexpr std::array<uint32_t, 7> edges{0, 1, 3, 4, 5, 6, 7};
    constexpr std::array<uint32_t, 4> buffers{250, 500, 1000, 2000};
    constexpr std::array<uint32_t, 4> stepRegisters{0x21, 0x90, 0x31, 0x6E};
    return isOneOf(s.timePerDivision, kScopeTimeScales) && isOneOf(s.triggerEdge, edges) &&
           isOneOf(s.triggerBuffer, buffers) && s.triggerRun <= 2 && isOneOf(s.stepRegister, stepRegisters);
}

// The register list offers registers 8..255 only; a larger number would spill into the
// slot byte of the capture source register.
bool knownSignal(uint32_t reg, const ScopeSignalCheck& check) {
    if (reg > 255) return false;
    return check ? check(reg) : reg >= 8;
}

}  // namespace

std::vector<uint8_t> encodeScopeFile(const ScopeFile& file) {
    const ScopeFileSettings& s = file.settings;
    const ScopeCapture& capture = file.capture;
    uint32_t sampleCount = static_cast<uint32_t>(std::min<size_t>(capture.sampleCount, capture.samples.size()));

    std::vector<uint8_t> out(kScopeFileHeaderSize + 4 * static_cast<size_t>(sampleCount), 0);
    std::memcpy(out.data(), kScopeFileMagic, kScopeFileMagicSize);
    auto colours = fileColours(s);
    for (size_t i = 0; i < kColourCount; ++i) {
        out[kRedAt + i] = colours[i].red;
        out[kGreenAt + i] = colours[i].green;
        out[kBlueAt + i] = colours[i].blue;
    }
    for (int n = 0; n < kScopeChannels; ++n) {
        put32(out, kUDivAt + 4 * n, static_cast<uint32_t>(s.uDiv[n]));
        put32(out, kSignalsAt + 4 * n, capture.channelRegisters[n]);
        put32(out, kPosAt + 4 * n, static_cast<uint32_t>(s.pos[n]));
    }
    put32(out, kTimeScaleAt, s.timePerDivision);
    put32(out, kTriggerEdgeAt, s.triggerEdge);
    put32(out, kTriggerOnAt, s.triggerOn);
    put32(out, kTriggerBufferAt, s.triggerBuffer);
    put32(out, kTriggerRunAt, s.triggerRun);
    put32(out, kTriggerLevelAt, static_cast<uint32_t>(s.triggerLevel));
    put32(out, kStepRegisterAt, s.stepRegister);
    const int32_t steps[6] = {s.stepValue1, s.stepTime1, s.stepValue2, s.stepTime2, s.stepStopValue, s.stepStopTime};
    for (int i = 0; i < 6; ++i) put32(out, kStepValuesAt + 4 * i, static_cast<uint32_t>(steps[i]));
    out[kJoinAt] = s.join ? 1 : 0;
    out[kZeroAt] = s.zero ? 1 : 0;
    out[kOverAt] = s.over ? 1 : 0;
    put32(out, kChannelCountAt, capture.channelCount);
    put32(out, kSampleCountAt, sampleCount);
    put16(out, kSpeedScaleAt, static_cast<uint16_t>(file.scales.speedScale));
    put16(out, kCurrentScaleAt, static_cast<uint16_t>(file.scales.currentScale));
    put16(out, kCurrentBaseAt, static_cast<uint16_t>(file.scales.currentBase));
    for (uint32_t i = 0; i < sampleCount; ++i)
        put32(out, kScopeFileHeaderSize + 4 * static_cast<size_t>(i), static_cast<uint32_t>(capture.samples[i]));
    return out;
}

ScopeFileStatus decodeScopeFile(const uint8_t* data, size_t size, ScopeFile& out, const ScopeSignalCheck& check) {
    out.capture = ScopeCapture{};
    if (size < kScopeFileHeaderSize) return ScopeFileStatus::TooShort;
    if (std::memcmp(data, kScopeFileMagic, kScopeFileMagicSize) != 0) return ScopeFileStatus::WrongMagic;
    uint32_t sampleCount = get32(data, kSampleCountAt);
    if (sampleCount > kScopeBufferSamples) return ScopeFileStatus::TooManySamples;
    uint32_t channelCount = get32(data, kChannelCountAt);
    if (channelCount > static_cast<uint32_t>(kScopeChannels)) return ScopeFileStatus::TooManyChannels;
    if ((size - kScopeFileHeaderSize) / 4 < sampleCount) return ScopeFileStatus::MissingSamples;

    ScopeFileSettings s;
    std::array<ScopeRgb, kColourCount> colours{};
    for (size_t i = 0; i < kColourCount; ++i) colours[i] = {data[kRedAt + i], data[kGreenAt + i], data[kBlueAt + i]};
    std::copy_n(colours.begin(), kScopeChannels, s.colours.begin());
    s.background = colours[kScopeChannels];
    s.grid = colours[kScopeChannels + 1];
    s.zeroLine = colours[kScopeChannels + 2];
    std::array<uint32_t, kScopeChannels> signals{};
    for (int n = 0; n < kScopeChannels; ++n) {
        s.uDiv[n] = getSigned32(data, kUDivAt + 4 * n);
        s.pos[n] = getSigned32(data, kPosAt + 4 * n);
        signals[n] = get32(data, kSignalsAt + 4 * n);
        if (signals[n] != 0 && !knownSignal(signals[n], check)) return ScopeFileStatus::UnknownSignal;
    }
    s.timePerDivision = get32(data, kTimeScaleAt);
    s.triggerEdge = get32(data, kTriggerEdgeAt);
    s.triggerOn = get32(data, kTriggerOnAt);
    s.triggerBuffer = get32(data, kTriggerBufferAt);
    s.triggerRun = get32(data, kTriggerRunAt);
    s.triggerLevel = getSigned32(data, kTriggerLevelAt);
    s.stepRegister = get32(data, kStepRegisterAt);
    int32_t* steps[6] = {&s.stepValue1, &s.stepTime1, &s.stepValue2, &s.stepTime2, &s.stepStopValue, &s.stepStopTime};
    for (int i = 0; i < 6; ++i) *steps[i] = getSigned32(data, kStepValuesAt + 4 * i);
    s.join = data[kJoinAt] != 0;
    s.zero = data[kZeroAt] != 0;
    s.over = data[kOverAt] != 0;
    if (!knownSettings(s)) return ScopeFileStatus::UnknownSetting;
    if (s.triggerOn >= static_cast<uint32_t>(kScopeChannels) && !knownSignal(s.triggerOn, check))
        return ScopeFileStatus::UnknownSignal;

    out.settings = s;
    out.scales = {getSigned16(data, kSpeedScaleAt), getSigned16(data, kCurrentScaleAt),
                  getSigned16(data, kCurrentBaseAt)};
    out.capture.channelRegisters = signals;
    out.capture.channelCount = channelCount;
    out.capture.sampleCount = sampleCount;
    out.capture.samples.resize(sampleCount);
    for (uint32_t i = 0; i < sampleCount; ++i)
        out.capture.samples[i] = getSigned32(data, kScopeFileHeaderSize + 4 * static_cast<size_t>(i));
    return ScopeFileStatus::Ok;
}

ScopeFileStatus readScopeFile(const std::string& path, ScopeFile& out, const ScopeSignalCheck& check) {
    out.capture = ScopeCapture{};
    std::ifstream in(path, std::ios::binary);
    if (!in) return ScopeFileStatus::NotOpened;
    // Anything after the largest sample count the format allows is never looked at.
    std::vector<uint8_t> bytes(kLargestFile);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (in.bad()) return ScopeFileStatus::TooShort;
    bytes.resize(static_cast<size_t>(in.gcount()));
    return decodeScopeFile(bytes.data(), bytes.size(), out, check);
}

ScopeFileStatus writeScopeFile(const std::string& path, const ScopeFile& file) {
    std::vector<uint8_t> bytes = encodeScopeFile(file);
    switch (replaceFileAtomically(path, bytes.data(), bytes.size())) {
        case FileReplaceResult::Replaced: return ScopeFileStatus::Ok;
        case FileReplaceResult::NotCreated: return ScopeFileStatus::NotCreated;
        case FileReplaceResult::WriteFailed: break;
    }
    return ScopeFileStatus::WriteFailed;
}

std::string scopeFileMessage(ScopeFileStatus status, const std::string& path) {
    switch (status) {
        case ScopeFileStatus::Ok: return {};
        case ScopeFileStatus::NotOpened: return strprintfRuntime(tr("Unable to open file '%s' for reading!"), path.c_str());
        case ScopeFileStatus::NotCreated:
            return strprintfRuntime(tr("Unable to open file '%s' for writing!"), path.c_str());
        case ScopeFileStatus::WriteFailed: return strprintfRuntime(tr("Unable to write datas to file '%s'!"), path.c_str());
        default: return strprintfRuntime(tr("Unable to read datas from file '%s'!"), path.c_str());
    }
}

}  // namespace torvex
