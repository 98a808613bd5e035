// Pixel and read-out arithmetic of the oscilloscope canvas, without windows.
//
// Rows are bitmap rows counted from the top (0 .. kCanvasHeight - 1); the drawing model
// itself counts upward from the bottom edge with the zero line at kCanvasZeroRow. Every
// value coming from a capture, a file or a field is computed wide and clamped, so no
// sample, U/Div, Pos or scale register can overflow a coordinate or print inf or nan.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "scope/scope_capture.h"

namespace torvex {

struct ScopePoint {
    int x = 0;
    int y = 0;
    friend bool operator==(const ScopePoint&, const ScopePoint&) = default;
};

// Rows and columns drawn beyond the bitmap are kept within this margin, so a line towards
// a far-off sample still leaves the bitmap in its own direction.
constexpr int kCanvasClampMargin = kCanvasHeight;

// A zoom outside 1..4 is taken as the nearest valid one.
unsigned clampZoom(unsigned zoom);

// The bitmap row of a drawing y counted upward from the bottom edge.
int rowOfHeight(long long height);

// The bitmap row of a raw sample: raw / uDiv divisions (100 pixels each) above the zero
// line, shifted up by pos pixels, both times zoom. uDiv must not be 0.
int traceRow(int32_t raw, long uDiv, long pos, unsigned zoom);
// The column of sample k of a slot.
int traceColumn(uint32_t k, unsigned zoom);
// How many samples of a slot are drawn: the capture's own, at most 499 (x below 1000).
uint32_t drawnSamplesPerSlot(const ScopeCapture& capture);

// The points of channel n's trace: empty when the channel is hidden, its U/Div is 0, or
// it has no slot in the capture.
void tracePoints(const ScopeCapture& capture, const ScopeView& view, int channel, std::vector<ScopePoint>& out);

// Grid lines at every division times zoom, within the bitmap.
std::vector<int> gridColumns(unsigned zoom);
std::vector<int> gridRows(unsigned zoom);

// The start-up picture: sin, cos, -sin, -cos over one and a half periods, 100 pixels high.
std::array<std::vector<ScopePoint>, 4> demoCurves();

// The page row of the trigger-level marker, or nothing when it is hidden. viewStart is the
// canvas's vertical scroll position in pixels.
std::optional<int> triggerMarkerRow(const ScopeView& view, int viewStart);

// The cursor read-out: time under the cursor and each channel's sample there.
struct ScopeReadout {
    std::string time;
    std::array<std::string, kScopeChannels> channels;
};
ScopeReadout cursorReadout(const ScopeCapture& capture, const ScopeView& view, int x);

// A field's text as a base-10 number: optional leading blanks and sign, digits, nothing
// after. The one rule of the oscilloscope page's number fields: channels, trigger level,
// step test and the file's settings.
bool parseScopeNumber(const std::string& text, long& value);

// Remembers which fields were reported bad, so a field is reported once when it turns bad
// and not again at every redraw until it was good in between.
class ScopeFieldWarnings {
public:
    // True when the field has just turned bad (the caller reports it now).
    bool turnedBad(int field, bool bad);

private:
    std::vector<int> bad_;
};

}  // namespace torvex
