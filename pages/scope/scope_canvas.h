// The oscilloscope's drawing area: a scrollable view of a 1000 x 2400 bitmap that holds
// the grid, the zero line and the traces, with a crosshair under the mouse.
#pragma once

#include <functional>
#include <vector>

#include <wx/bitmap.h>
#include <wx/cursor.h>
#include <wx/scrolwin.h>

#include "scope/scope_capture.h"
#include "scope/scope_geometry.h"

namespace torvex {

class ScopeCanvas : public wxScrolledWindow {
public:
    // Placed on the page at its usual spot; the view starts 1000 rows down, so the zero
    // line is in sight.
    explicit ScopeCanvas(wxWindow* page, const wxPoint& position = wxPoint(157, 39),
                         const wxSize& size = wxSize(424, 424));

    // Clears the bitmap to the background (unless Over is set), draws the grid, the zero
    // line and, for the start-up picture, four demonstration curves. The window is not
    // refreshed: drawTraces follows.
    void drawGrid(const ScopeView& view, bool demo);
    // Draws the capture's traces over the bitmap and refreshes the window.
    void drawTraces(const ScopeCapture& capture, const ScopeView& view);
    // drawGrid without the demonstration, then drawTraces.
    void redraw(const ScopeCapture& capture, const ScopeView& view);

    // Called with the crosshair's bitmap position whenever the mouse moves over the canvas
    // (the page shows the cursor read-out there).
    void setCursorListener(std::function<void(int x, int y)> listener) { cursorListener_ = std::move(listener); }

    bool mouseInside() const { return mouseInside_; }
    int mouseX() const { return mouseX_; }
    int mouseY() const { return mouseY_; }
    // The view's top row in the bitmap.
    int viewTop() const;
    const wxBitmap& bitmap() const { return bitmap_; }

    // Moves the crosshair as the mouse would (bitmap coordinates); inside false hides it.
    void moveCursor(int x, int y, bool inside);

private:
    void onPaint(wxPaintEvent& event);
    void onMotion(wxMouseEvent& event);
    void onEnter(wxMouseEvent& event);
    void onLeave(wxMouseEvent& event);
    void onScroll(wxScrollWinEvent& event);
    wxPoint bitmapPosition(const wxPoint& windowPosition) const;

    wxBitmap bitmap_;
    wxCursor blankCursor_;
    ScopeRgb crosshair_{255, 0, 0};
    bool mouseInside_ = false;
    int mouseX_ = 0;
    int mouseY_ = 0;
    std::function<void(int, int)> cursorListener_;
    std::vector<ScopePoint> points_;
    std::vector<wxPoint> linePoints_;
};

}  // namespace torvex
