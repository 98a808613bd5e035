// Oscilloscope files from anywhere: the reader must neither crash nor read past the bytes,
// what it accepts must read the same after writing it again, and the canvas arithmetic
// must stay finite for every value such a file can carry.
#include <cstdint>
#include <cstdlib>
#include <algorithm>
#include <cstring>
#include <vector>

#include "scope/scope_geometry.h"
#include "scope/vof_file.h"

using namespace torvex;

namespace {

void check(bool condition) {
    if (!condition) std::abort();
}

bool sameFile(const ScopeFile& a, const ScopeFile& b) {
    return a.settings == b.settings && a.scales == b.scales && a.capture.channelRegisters == b.capture.channelRegisters &&
           a.capture.channelCount == b.capture.channelCount && a.capture.sampleCount == b.capture.sampleCount &&
           a.capture.samples == b.capture.samples;
}

bool finiteText(const std::string& text) {
    return text.find("inf") == std::string::npos && text.find("nan") == std::string::npos;
}

void exerciseCanvas(const ScopeFile& file, uint8_t zoomByte, int cursorX) {
    ScopeView view;
    const ScopeFileSettings& s = file.settings;
    for (int n = 0; n < kScopeChannels; ++n) {
        view.channels[n].uDiv = s.uDiv[n];
        view.channels[n].pos = s.pos[n];
        view.channels[n].colour = s.colours[n];
    }
    view.join = s.join;
    view.zoom = zoomByte % 6;  // also outside 1..4
    view.timePerDivision = s.timePerDivision;
    view.scales = file.scales;
    view.marker = {static_cast<int>(s.triggerOn % 9) - 1, true, s.triggerLevel};

    std::vector<ScopePoint> points;
    for (int n = 0; n < kScopeChannels; ++n) {
        tracePoints(file.capture, view, n, points);
        for (const ScopePoint& p : points) {
            check(p.x > 0 && p.x <= kCanvasWidth + kCanvasClampMargin);
            check(p.y >= -kCanvasClampMargin && p.y <= kCanvasHeight + kCanvasClampMargin);
        }
    }
    if (auto row = triggerMarkerRow(view, cursorX)) check(*row >= 30 && *row <= 450);
    for (int x : {0, 1, cursorX, kCanvasWidth - 1}) {
        ScopeReadout readout = cursorReadout(file.capture, view, x);
        check(finiteText(readout.time));
        for (const std::string& text : readout.channels) check(finiteText(text));
    }
}

void readAndRewrite(const uint8_t* data, size_t size) {
    ScopeFile file;
    // An exact copy, so that a read past the input is caught by the sanitizer.
    uint8_t* copy = static_cast<uint8_t*>(std::malloc(size ? size : 1));
    if (size) std::memcpy(copy, data, size);
    ScopeFileStatus status = decodeScopeFile(copy, size, file);
    if (status == ScopeFileStatus::Ok) {
        std::vector<uint8_t> again = encodeScopeFile(file);
        ScopeFile reread;
        check(decodeScopeFile(again.data(), again.size(), reread) == ScopeFileStatus::Ok);
        check(sameFile(file, reread));
        check(encodeScopeFile(reread) == again);
        exerciseCanvas(file, size > 255 ? copy[255] : 1, size > 0 ? static_cast<int>(copy[size - 1]) * 9 : 0);
    } else {
        check(file.capture.empty() && file.capture.samples.empty());
    }
    std::free(copy);
}

void put32(std::vector<uint8_t>& bytes, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

// The input's bytes made into a file the reader must accept: every choice field is set to a
// choice the page offers, picked by the byte that stood there; U/Div, Pos, level, scales and
// samples stay as they came, so the canvas arithmetic sees every extreme.
std::vector<uint8_t> acceptableFile(const uint8_t* data, size_t size) {
    std::vector<uint8_t> bytes(data, data + size);
    if (bytes.size() < kScopeFileHeaderSize) bytes.resize(kScopeFileHeaderSize, 0);
    std::memcpy(bytes.data(), kScopeFileMagic, kScopeFileMagicSize);
    static const uint32_t edges[] = {0, 1, 3, 4, 5, 6, 7};
    static const uint32_t buffers[] = {250, 500, 1000, 2000};
    static const uint32_t steps[] = {0x21, 0x90, 0x31, 0x6E};
    put32(bytes, 168, kScopeTimeScales[bytes[168] % kScopeTimeScales.size()]);
    put32(bytes, 204, edges[bytes[204] % 7]);
    put32(bytes, 212, buffers[bytes[212] % 4]);
    put32(bytes, 216, bytes[216] % 3);
    put32(bytes, 224, steps[bytes[224] % 4]);
    put32(bytes, 208, bytes[208] % 9 == 8 ? 0x31 : bytes[208] % 9);
    for (int n = 0; n < kScopeChannels; ++n) {
        uint8_t reg = bytes[172 + 4 * n];
        put32(bytes, 172 + 4 * n, reg < 8 ? 0 : reg);
    }
    put32(bytes, 288, bytes[288] % 9);
    uint32_t available = static_cast<uint32_t>((bytes.size() - kScopeFileHeaderSize) / 4);
    uint32_t wanted = (bytes[292] | (bytes[293] << 8)) % kScopeBufferSamples;
    put32(bytes, 292, std::min(wanted, available));
    return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    readAndRewrite(data, size);
    // The same bytes behind the right magic, so the search reaches the fields quickly.
    if (size >= kScopeFileMagicSize) {
        std::vector<uint8_t> stamped(data, data + size);
        std::memcpy(stamped.data(), kScopeFileMagic, kScopeFileMagicSize);
        readAndRewrite(stamped.data(), stamped.size());
    }
    std::vector<uint8_t> acceptable = acceptableFile(data, size);
    ScopeFile file;
    check(decodeScopeFile(acceptable.data(), acceptable.size(), file) == ScopeFileStatus::Ok);
    readAndRewrite(acceptable.data(), acceptable.size());
    return 0;
}
