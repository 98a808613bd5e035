#include "scope/scope_geometry.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <numbers>

#include "link/number_text.h"

namespace torvex {

namespace {

long long clampWide(double value, long long low, long long high) {
    if (std::isnan(value)) return 0;
    if (value <= static_cast<double>(low)) return low;
    if (value >= static_cast<double>(high)) return high;
    return static_cast<long long>(value);  // truncates toward zero
}

bool isSpeedSignal(uint32_t reg) { return reg >= 0x30 && reg <= 0x33; }

bool isCurrentSignal(uint32_t reg) {
    switch (reg) {
        case 0x20: case 0x22: case 0x26: case 0x54: case 0x55: case 0x56: return true;
        default: return false;
    }
}

std::string formatted(const char* format, auto... args) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, format, args...);
    return buffer;
}

std::string sampleText(const ScopeView& view, uint32_t reg, int32_t raw) {
    const ScopeScales& scales = view.scales;
    if (view.units && isSpeedSignal(reg)) {
        // Full scale is 32767, not 32768: raw 32767 reads exactly the speed register.
        long long rpm = clampWide(static_cast<double>(scales.speedScale) * raw / 32767.0, INT32_MIN, INT32_MAX);
        return formatted(" %d RPM", static_cast<int>(rpm));
    }
    if (view.units && isCurrentSignal(reg) && scales.currentBase != 0) {
        double amps = static_cast<double>(scales.currentScale) * raw * 2.82842 / scales.currentBase * 0.1;
        return " " + fixedDecimalText(amps, 2) + " A";
    }
    // Without a current base the current has no unit: the raw value is what is known.
    return formatted(" %d", static_cast<int>(raw));
}

}  // namespace

unsigned clampZoom(unsigned zoom) { return std::clamp(zoom, kScopeMinZoom, kScopeMaxZoom); }

int rowOfHeight(long long height) {
    long long row = static_cast<long long>(kCanvasHeight) - height;
    return static_cast<int>(std::clamp<long long>(row, -kCanvasClampMargin, kCanvasHeight + kCanvasClampMargin));
}

int traceRow(int32_t raw, long uDiv, long pos, unsigned zoom) {
    zoom = clampZoom(zoom);
    // The value in pixels below the zero line, truncated as whole pixels before Pos and
    // zoom apply, so a trace keeps its shape at every zoom.
    double divisions = uDiv == 0 ? 0.0 : static_cast<double>(raw) / static_cast<double>(uDiv);
    double below = std::trunc(divisions * -100.0);
    double height = (static_cast<double>(pos) - below) * zoom + kCanvasZeroRow;
    return rowOfHeight(clampWide(height, -kCanvasClampMargin, kCanvasHeight + kCanvasClampMargin));
}

int traceColumn(uint32_t k, unsigned zoom) {
    long long x = 2LL * (static_cast<long long>(k) + 1) * clampZoom(zoom);
    return static_cast<int>(std::min<long long>(x, kCanvasWidth + kCanvasClampMargin));
}

uint32_t drawnSamplesPerSlot(const ScopeCapture& capture) {
    // Sample k lies at 2 (k + 1) before zoom; the last one drawn lies below the width.
    constexpr uint32_t kFit = kCanvasWidth / 2 - 1;
    return std::min(capture.samplesPerSlot(), kFit);
}

void tracePoints(const ScopeCapture& capture, const ScopeView& view, int channel, std::vector<ScopePoint>& out) {
    out.clear();
    if (channel < 0 || channel >= kScopeChannels) return;
    const ScopeChannelView& settings = view.channels[channel];
    int slot = capture.slotOfChannel(channel);
    if (!settings.visible || settings.uDiv == 0 || slot < 0) return;
    uint32_t count = drawnSamplesPerSlot(capture);
    out.reserve(count);
    unsigned zoom = clampZoom(view.zoom);
    for (uint32_t k = 0; k < count; ++k) {
        int32_t raw = 0;
        if (!capture.sampleAt(k, static_cast<uint32_t>(slot), raw)) break;
        out.push_back({traceColumn(k, zoom), traceRow(raw, settings.uDiv, settings.pos, zoom)});
    }
}

std::vector<int> gridColumns(unsigned zoom) {
    zoom = clampZoom(zoom);
    std::vector<int> columns;
    for (int i = 0; kCanvasDivision * i < kCanvasWidth; ++i) {
        int x = kCanvasDivision * i * static_cast<int>(zoom);
        if (x < kCanvasWidth) columns.push_back(x);
    }
    return columns;
}

std::vector<int> gridRows(unsigned zoom) {
    zoom = clampZoom(zoom);
    std::vector<int> rows;
    for (int j = 0; kCanvasDivision * j < kCanvasHeight; ++j) {
        int row = rowOfHeight(static_cast<long long>(kCanvasDivision) * j * zoom);
        if (row >= 0 && row < kCanvasHeight) rows.push_back(row);
    }
    return rows;
}

std::array<std::vector<ScopePoint>, 4> demoCurves() {
    std::array<std::vector<ScopePoint>, 4> curves;
    const double pi = std::numbers::pi;
    for (int x = 0; x < kCanvasWidth; ++x) {
        double a = 3.0 * pi * x / kCanvasWidth;
        const double values[4] = {std::sin(a), std::cos(a), std::sin(a + pi), std::cos(a + pi)};
        for (int c = 0; c < 4; ++c) {
            int height = static_cast<int>(kCanvasZeroRow + 100.0 * values[c]);
            curves[c].push_back({x, rowOfHeight(height)});
        }
    }
    return curves;
}

std::optional<int> triggerMarkerRow(const ScopeView& view, int viewStart) {
    const ScopeTriggerMarker& marker = view.marker;
    if (marker.channel < 0 || marker.channel >= kScopeChannels || !marker.levelValid) return std::nullopt;
    long uDiv = view.channels[marker.channel].uDiv;
    if (uDiv == 0) return std::nullopt;
    double offset = std::trunc(static_cast<double>(clampZoom(view.zoom)) / uDiv * marker.level * 100.0);
    // 34 rows lie between the page's top and the canvas's view, less the marker's middle.
    double row = static_cast<double>(kCanvasZeroRow) - viewStart - offset + 34.0;
    return static_cast<int>(clampWide(row, 30, 450));
}

ScopeReadout cursorReadout(const ScopeCapture& capture, const ScopeView& view, int x) {
    ScopeReadout readout;
    readout.time = " -";
    readout.channels.fill(" -");
    if (view.timePerDivision == 0) return readout;

    unsigned zoom = clampZoom(view.zoom);
    long long column = std::max(x, 0);
    // The trace starts one step (times zoom) right of the left edge.
    if (column >= zoom) column -= zoom;
    double ms = static_cast<double>(view.timePerDivision) * column * 0.001 / zoom * 0.01;
    readout.time = formatted(" %ums", static_cast<unsigned>(clampWide(ms, 0, UINT32_MAX)));

    uint64_t index = static_cast<uint64_t>(column / zoom) / 2;
    if (capture.empty() || index >= capture.samplesPerSlot()) return readout;
    for (int n = 0; n < kScopeChannels; ++n) {
        int slot = capture.slotOfChannel(n);
        int32_t raw = 0;
        if (slot < 0 || !capture.sampleAt(static_cast<uint32_t>(index), static_cast<uint32_t>(slot), raw)) continue;
        readout.channels[n] = sampleText(view, capture.channelRegisters[n], raw);
    }
    return readout;
}

bool parseScopeNumber(const std::string& text, long& value) {
    if (text.empty()) return false;
    errno = 0;
    char* end = nullptr;
    long parsed = std::strtol(text.c_str(), &end, 10);
    if (end == text.c_str() || *end != '\0' || errno == ERANGE) return false;
    value = parsed;
    return true;
}

bool ScopeFieldWarnings::turnedBad(int field, bool bad) {
    auto found = std::find(bad_.begin(), bad_.end(), field);
    if (!bad) {
        if (found != bad_.end()) bad_.erase(found);
        return false;
    }
    if (found != bad_.end()) return false;
    bad_.push_back(field);
    return true;
}

}  // namespace torvex
