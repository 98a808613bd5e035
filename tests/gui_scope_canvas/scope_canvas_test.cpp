// The oscilloscope canvas's bitmap, pixel by pixel: grid, zero line, start-up curves,
// traces at their U/Div, Pos and zoom, Join and Over; the view, crosshair and scrolling.
#include <gtest/gtest.h>

#include <wx/frame.h>
#include <wx/image.h>
#include <wx/panel.h>

#include "pages/scope/scope_canvas.h"
#include "tests/support/recording_dialogs.h"
#include "widgets/events.h"

namespace torvex {
namespace {

using test::pumpFor;
using test::pumpUntil;

constexpr ScopeRgb kBlack{0, 0, 0};
constexpr ScopeRgb kYellow{255, 255, 0};
constexpr ScopeRgb kCyan{63, 255, 255};
constexpr ScopeRgb kGrey{192, 192, 192};
constexpr ScopeRgb kRed{255, 0, 0};

struct CanvasWindow {
    CanvasWindow() {
        frame = new wxFrame(nullptr, wxID_ANY, "scope", wxDefaultPosition, wxSize(700, 600));
        page = new wxPanel(frame, wxID_ANY);
        canvas = new ScopeCanvas(page);
        page->Bind(TriggerMarkerEvent, [this](wxCommandEvent&) { ++markerRequests; });
        frame->Show();
    }
    ~CanvasWindow() { frame->Destroy(); pumpFor(20); }
    ScopeRgb pixel(int x, int y) {
        if (!image.IsOk()) image = canvas->bitmap().ConvertToImage();
        return {image.GetRed(x, y), image.GetGreen(x, y), image.GetBlue(x, y)};
    }
    void redraw(const ScopeCapture& capture, const ScopeView& view) {
        canvas->redraw(capture, view);
        image = wxImage();
    }
    wxFrame* frame;
    wxPanel* page;
    ScopeCanvas* canvas;
    wxImage image;
    int markerRequests = 0;
};

// One channel's constant value in every sample.
ScopeCapture constantCapture(std::array<uint32_t, kScopeChannels> registers, uint32_t slots, int32_t value,
                             uint32_t perSlot = 60) {
    ScopeCapture capture;
    capture.channelRegisters = registers;
    capture.channelCount = slots;
    capture.sampleCount = slots * perSlot;
    capture.samples.assign(capture.sampleCount, value);
    return capture;
}

ScopeView plainView() {
    ScopeView view;
    view.background = kBlack;
    view.grid = kGrey;
    view.zeroLine = kRed;
    for (int n = 0; n < kScopeChannels; ++n) {
        view.channels[n].colour = kScopeDefaultColours[n];
        view.channels[n].uDiv = 100;
    }
    return view;
}

TEST(ScopeCanvasPixels, TracesGridAndZeroLineLandOnTheirRows) {
    CanvasWindow window;
    ScopeView view = plainView();
    ScopeCapture capture = constantCapture({0x30, 0, 0, 0, 0, 0, 0, 0}, 1, 100);

    // +U/Div lies one division (100 rows) above the zero line, on nothing but itself.
    window.redraw(capture, view);
    EXPECT_EQ(window.pixel(51, 1100), kYellow);
    EXPECT_EQ(window.pixel(51, 1099), kBlack);
    EXPECT_EQ(window.pixel(51, 1101), kBlack);
    EXPECT_EQ(window.pixel(51, 1200), kRed);      // zero line
    EXPECT_EQ(window.pixel(51, 1000), kGrey);     // grid row
    EXPECT_EQ(window.pixel(100, 1050), kGrey);    // grid column
    EXPECT_EQ(window.pixel(300, 1100), kGrey);    // past the 60 samples only the grid
    EXPECT_EQ(window.pixel(150, 1150), kBlack);

    // Zoom 2: two divisions up, the grid twice as wide.
    view.zoom = 2;
    window.redraw(capture, view);
    EXPECT_EQ(window.pixel(51, 1000), kYellow);
    EXPECT_EQ(window.pixel(51, 1100), kBlack);
    EXPECT_EQ(window.pixel(100, 1050), kBlack);
    EXPECT_EQ(window.pixel(200, 1050), kGrey);

    // Pos moves the trace up by its pixels (times zoom); no zero line when Zero is off.
    view.zoom = 1;
    view.zero = false;
    view.channels[0].pos = 30;
    window.redraw(capture, view);
    EXPECT_EQ(window.pixel(51, 1070), kYellow);
    EXPECT_EQ(window.pixel(51, 1200), kGrey);  // the grid row under it stays

    // U/Div 0 and a hidden channel are not drawn.
    view.channels[0].uDiv = 0;
    window.redraw(capture, view);
    EXPECT_EQ(window.pixel(51, 1070), kBlack);
    view.channels[0].uDiv = 100;
    view.channels[0].visible = false;
    window.redraw(capture, view);
    EXPECT_EQ(window.pixel(51, 1070), kBlack);
}

TEST(ScopeCanvasPixels, ChannelsJoinOverAndTheStartUpPicture) {
    CanvasWindow window;
    ScopeView view = plainView();
    view.zero = false;

    // Half a division per 100: the traces lie between grid rows.
    for (auto& channel : view.channels) channel.uDiv = 200;

    // The capture's own list: channel 2 was the only one on, so slot 0 is channel 2's
    // and is drawn in channel 2's colour, whatever channel 1 shows now.
    ScopeCapture capture = constantCapture({0, 0x31, 0, 0, 0, 0, 0, 0}, 1, -100);
    window.redraw(capture, view);
    EXPECT_EQ(window.pixel(51, 1250), kCyan);
    EXPECT_EQ(window.pixel(51, 1150), kBlack);

    // Over keeps the last picture under the new one.
    view.over = true;
    window.redraw(constantCapture({0, 0x31, 0, 0, 0, 0, 0, 0}, 1, 100), view);
    EXPECT_EQ(window.pixel(51, 1250), kCyan);
    EXPECT_EQ(window.pixel(51, 1150), kCyan);
    view.over = false;
    window.redraw(capture, view);
    EXPECT_EQ(window.pixel(51, 1150), kBlack);

    // Without Join each sample is one point, two columns apart.
    view.join = false;
    window.redraw(capture, view);
    EXPECT_EQ(window.pixel(2, 1250), kCyan);
    EXPECT_EQ(window.pixel(4, 1250), kCyan);
    EXPECT_EQ(window.pixel(3, 1250), kBlack);

    // The start-up curves: each colour crosses its own rows.
    window.canvas->drawGrid(view, true);
    window.image = wxImage();
    auto curves = demoCurves();
    const ScopeRgb colours[4] = {{0, 255, 255}, {0, 255, 0}, {255, 255, 255}, {255, 255, 0}};
    for (int c = 0; c < 4; ++c) {
        for (int x : {150, 420, 777}) {
            int row = curves[c][x].y;
            bool found = false;
            for (int dy = -1; dy <= 1; ++dy) found = found || window.pixel(x, row + dy) == colours[c];
            EXPECT_TRUE(found) << "curve " << c << " at " << x;
        }
    }
}

TEST(ScopeCanvasView, StartsAtTheZeroLineAndFollowsTheMouseAndTheScrollbar) {
    CanvasWindow window;
    EXPECT_EQ(window.canvas->viewTop(), 1000);
    EXPECT_FALSE(window.canvas->mouseInside());

    std::vector<std::pair<int, int>> seen;
    window.canvas->setCursorListener([&](int x, int y) { seen.push_back({x, y}); });
    wxMouseEvent motion(wxEVT_MOTION);
    motion.SetPosition(wxPoint(40, 25));
    window.canvas->ProcessWindowEvent(motion);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0], std::make_pair(40, 1025));  // bitmap rows, below the view's top
    EXPECT_TRUE(window.canvas->mouseInside());

    wxMouseEvent leave(wxEVT_LEAVE_WINDOW);
    window.canvas->ProcessWindowEvent(leave);
    EXPECT_FALSE(window.canvas->mouseInside());

    // Scrolling moves the view and asks the page to move the trigger marker after it.
    wxScrollWinEvent scroll(wxEVT_SCROLLWIN_LINEDOWN, 0, wxVERTICAL);
    window.canvas->ProcessWindowEvent(scroll);
    EXPECT_TRUE(pumpUntil([&] { return window.markerRequests == 1; }, 2000));
    EXPECT_EQ(window.canvas->viewTop(), 1010);
}

}  // namespace
}  // namespace torvex
