#include <gtest/gtest.h>

#include <climits>

#include "scope/scope_geometry.h"

namespace torvex {
namespace {

TEST(ScopeGeometry, SamplesLieTheirDivisionsAboveTheZeroLine) {
    struct Case { int32_t raw; long uDiv; long pos; unsigned zoom; int row; };
    const Case cases[] = {
        {100, 100, 0, 1, 1100},    // one U/Div: one division up
        {100, 100, 0, 2, 1000},    // two at zoom 2
        {-100, 100, 0, 1, 1300},
        {0, 100, 50, 1, 1150},     // Pos shifts up by pixels
        {0, 100, 50, 2, 1100},     // ... times zoom
        {1, 3, 0, 1, 1167},        // 33.3 pixels truncated to 33
        {100, -100, 0, 1, 1300},   // a negative U/Div turns the trace over
        {100, 100, 0, 9, 800},     // a zoom beyond 4 is taken as 4
    };
    for (const Case& c : cases)
        EXPECT_EQ(traceRow(c.raw, c.uDiv, c.pos, c.zoom), c.row) << c.raw << " " << c.uDiv << " " << c.pos << " " << c.zoom;

    // Far-off values stay finite coordinates just beyond the bitmap, in their own direction.
    EXPECT_EQ(traceRow(INT32_MAX, 1, 0, 4), -kCanvasClampMargin);
    EXPECT_EQ(traceRow(INT32_MIN, 1, 0, 4), kCanvasHeight + kCanvasClampMargin);
    EXPECT_EQ(traceRow(0, 1, LONG_MAX, 4), -kCanvasClampMargin);
    EXPECT_EQ(traceRow(0, 1, LONG_MIN, 4), kCanvasHeight + kCanvasClampMargin);
}

TEST(ScopeGeometry, GridAndColumnsFollowTheZoom) {
    EXPECT_EQ(traceColumn(0, 1), 2);
    EXPECT_EQ(traceColumn(498, 1), 998);
    EXPECT_EQ(traceColumn(0, 3), 6);
    EXPECT_EQ(gridColumns(1).size(), 10u);
    EXPECT_EQ(gridColumns(4), (std::vector<int>{0, 400, 800}));
    for (unsigned zoom = 1; zoom <= 4; ++zoom) {
        auto rows = gridRows(zoom);
        EXPECT_NE(std::find(rows.begin(), rows.end(), kCanvasZeroRow), rows.end()) << zoom;
        for (int row : rows) EXPECT_TRUE(row >= 0 && row < kCanvasHeight) << row;
    }
    EXPECT_EQ(gridRows(1).size(), 23u);

    auto curves = demoCurves();
    for (const auto& curve : curves) ASSERT_EQ(curve.size(), static_cast<size_t>(kCanvasWidth));
    EXPECT_EQ(curves[0].front(), (ScopePoint{0, 1200}));  // sin
    EXPECT_EQ(curves[1].front(), (ScopePoint{0, 1100}));  // cos: 100 up
    EXPECT_EQ(curves[3].front(), (ScopePoint{0, 1300}));  // -cos
}

ScopeCapture rampCapture(uint32_t perSlot) {
    ScopeCapture capture;
    capture.channelRegisters = {0x32, 0, 0x30, 0x20, 0, 0, 0, 0x10};
    capture.channelCount = 4;
    capture.sampleCount = perSlot * 4;
    for (uint32_t k = 0; k < perSlot; ++k)
        for (int32_t slot = 0; slot < 4; ++slot) capture.samples.push_back(static_cast<int32_t>(k) * 10 + slot);
    return capture;
}

TEST(ScopeGeometry, TracesUseTheCapturesOwnSlotsAndStopAtTheBitmapEdge) {
    ScopeCapture capture = rampCapture(600);
    ScopeView view;
    for (auto& channel : view.channels) channel.uDiv = 1000;
    std::vector<ScopePoint> points;

    tracePoints(capture, view, 2, points);  // channel 3 was sampled in slot 1
    ASSERT_EQ(points.size(), 499u);
    EXPECT_EQ(points[0], (ScopePoint{2, 1200}));   // sample 0 of slot 1 is 1: below one pixel
    EXPECT_EQ(points[100], (ScopePoint{202, 1100}));  // 1001 / 1000 divisions
    EXPECT_EQ(points.back().x, 998);

    tracePoints(capture, view, 7, points);  // slot 3
    EXPECT_EQ(points[10].y, 1200 - 10);     // 103 raw: 10 pixels

    view.zoom = 2;
    tracePoints(capture, view, 0, points);
    EXPECT_EQ(points[1], (ScopePoint{8, 1200 - 2}));

    // Nothing for a channel that was off at capture time, hidden, or drawn at U/Div 0.
    tracePoints(capture, view, 1, points);
    EXPECT_TRUE(points.empty());
    view.channels[0].visible = false;
    tracePoints(capture, view, 0, points);
    EXPECT_TRUE(points.empty());
    view.channels[3].uDiv = 0;
    tracePoints(capture, view, 3, points);
    EXPECT_TRUE(points.empty());

    // A capture shorter than the bitmap gives its own samples only.
    tracePoints(rampCapture(7), view, 2, points);
    EXPECT_EQ(points.size(), 7u);
}

TEST(ScopeGeometry, TriggerMarkerShowsOnlyForAChannelWithNumbersAndStaysOnThePage) {
    ScopeView view;
    view.marker = {0, true, 100};
    view.channels[0].uDiv = 100;
    EXPECT_EQ(triggerMarkerRow(view, 1000), 134);
    view.zoom = 2;
    EXPECT_EQ(triggerMarkerRow(view, 1000), 34);
    EXPECT_EQ(triggerMarkerRow(view, 0), 450);

    view.marker.level = LONG_MAX;
    EXPECT_EQ(triggerMarkerRow(view, 1000), 30);
    view.marker.level = LONG_MIN;
    EXPECT_EQ(triggerMarkerRow(view, 1000), 450);

    ScopeView hidden = view;
    hidden.marker.channel = -1;  // a register entry
    EXPECT_FALSE(triggerMarkerRow(hidden, 1000));
    hidden = view;
    hidden.marker.levelValid = false;
    EXPECT_FALSE(triggerMarkerRow(hidden, 1000));
    hidden = view;
    hidden.channels[0].uDiv = 0;
    EXPECT_FALSE(triggerMarkerRow(hidden, 1000));
}

TEST(ScopeGeometry, ReadoutShowsTimeAndEachChannelInItsUnit) {
    ScopeCapture capture;
    capture.channelRegisters = {0x30, 0x20, 0x10, 0, 0x56, 0, 0, 0};
    capture.channelCount = 4;
    capture.sampleCount = 4 * 50;
    capture.samples.assign(capture.sampleCount, 0);
    capture.samples[0] = 32767;  // slot 0, sample 0
    capture.samples[1] = 1000;
    capture.samples[2] = -7;
    capture.samples[3] = -1000;
    ScopeView view;
    view.scales = {3000, 100, 2000};

    ScopeReadout r = cursorReadout(capture, view, 0);
    EXPECT_EQ(r.time, " 0ms");
    EXPECT_EQ(r.channels[0], " 3000 RPM");
    EXPECT_EQ(r.channels[1], " 14.14 A");
    EXPECT_EQ(r.channels[2], " -7");
    EXPECT_EQ(r.channels[3], " -");
    EXPECT_EQ(r.channels[4], " -14.14 A");

    view.units = false;
    r = cursorReadout(capture, view, 1);  // the first column right of the edge is still sample 0
    EXPECT_EQ(r.channels[0], " 32767");
    EXPECT_EQ(r.channels[1], " 1000");

    // Without a current base the raw value shows, never inf or nan.
    view.units = true;
    view.scales.currentBase = 0;
    r = cursorReadout(capture, view, 0);
    EXPECT_EQ(r.channels[1], " 1000");

    // 500 ms per division: 100 pixels (one division) right of the first sample.
    r = cursorReadout(capture, view, 101);
    EXPECT_EQ(r.time, " 500ms");
    view.zoom = 2;
    r = cursorReadout(capture, view, 202);
    EXPECT_EQ(r.time, " 500ms");
    EXPECT_EQ(r.channels[2], " -");  // sample 50 of 50
    r = cursorReadout(capture, view, 102);
    EXPECT_EQ(r.time, " 250ms");
    EXPECT_EQ(r.channels[2], " 0");  // sample 25

    // 50 samples per channel: index 50 and beyond shows nothing.
    view.zoom = 1;
    r = cursorReadout(capture, view, 101);
    EXPECT_EQ(r.channels[0], " -");
    r = cursorReadout(capture, view, 100);
    EXPECT_NE(r.channels[0], " -");

    // A current too small to show is zero, without a sign.
    view.scales = {3000, 1, 2000};
    capture.samples[1] = -1;
    r = cursorReadout(capture, view, 0);
    EXPECT_EQ(r.channels[1], " 0.00 A");

    view.timePerDivision = 0;
    r = cursorReadout(capture, view, 0);
    EXPECT_EQ(r.time, " -");
    EXPECT_EQ(r.channels[0], " -");
}

TEST(ScopeGeometry, FieldNumbersAndWarningsOncePerFault) {
    struct Case { const char* text; bool ok; long value; };
    const Case cases[] = {{"+5", true, 5}, {"-1", true, -1}, {"0", true, 0}, {"5.0", false, 0}, {"", false, 0},
                          {"12a", false, 0}, {"-", false, 0}, {"99999999999999999999", false, 0}};
    for (const Case& c : cases) {
        long value = 4711;
        EXPECT_EQ(parseScopeNumber(c.text, value), c.ok) << c.text;
        if (c.ok) EXPECT_EQ(value, c.value) << c.text;
        else EXPECT_EQ(value, 4711) << c.text;
    }

    ScopeFieldWarnings warnings;
    EXPECT_TRUE(warnings.turnedBad(3, true));
    EXPECT_FALSE(warnings.turnedBad(3, true));
    EXPECT_TRUE(warnings.turnedBad(4, true));
    EXPECT_FALSE(warnings.turnedBad(3, false));
    EXPECT_TRUE(warnings.turnedBad(3, true));
    EXPECT_FALSE(warnings.turnedBad(4, true));
}

}  // namespace
}  // namespace torvex
