#include "pages/scope/scope_canvas.h"

#include <wx/dcclient.h>
#include <wx/dcmemory.h>
#include <wx/graphics.h>
#include <wx/pen.h>

#include "widgets/events.h"

namespace torvex {

namespace {

constexpr int kScrollUnit = 10;

wxColour toColour(const ScopeRgb& rgb) { return wxColour(rgb.red, rgb.green, rgb.blue); }

void drawChain(wxDC& dc, const std::vector<ScopePoint>& points, std::vector<wxPoint>& scratch) {
    scratch.clear();
    for (const ScopePoint& p : points) scratch.emplace_back(p.x, p.y);
    if (scratch.size() >= 2) dc.DrawLines(static_cast<int>(scratch.size()), scratch.data());
}

// Traces and grid are drawn pixel-exact: a sample's row is its value, and a blended edge
// would only blur where one division ends.
void drawAliased(wxDC& dc) {
    if (wxGraphicsContext* context = dc.GetGraphicsContext()) context->SetAntialiasMode(wxANTIALIAS_NONE);
}

void paintGrid(wxDC& dc, const ScopeView& view, bool demo, std::vector<wxPoint>& scratch) {
    drawAliased(dc);
    dc.SetBackground(wxBrush(toColour(view.background), wxBRUSHSTYLE_SOLID));
    if (!view.over) dc.Clear();
    dc.SetPen(wxPen(toColour(view.grid), 1, wxPENSTYLE_SOLID));
    for (int x : gridColumns(view.zoom)) dc.DrawLine(x, 0, x, kCanvasHeight);
    for (int y : gridRows(view.zoom)) dc.DrawLine(0, y, kCanvasWidth, y);
    if (view.zero) {
        dc.SetPen(wxPen(toColour(view.zeroLine), 1, wxPENSTYLE_SOLID));
        dc.DrawLine(0, kCanvasZeroRow, kCanvasWidth, kCanvasZeroRow);
    }
    if (demo) {
        const wxPen pens[4] = {*wxCYAN_PEN, *wxGREEN_PEN, *wxWHITE_PEN, wxPen(wxColour(255, 255, 0), 1, wxPENSTYLE_SOLID)};
        auto curves = demoCurves();
        for (int c = 0; c < 4; ++c) {
            dc.SetPen(pens[c]);
            drawChain(dc, curves[c], scratch);
        }
    }
}

void paintTraces(wxDC& dc, const ScopeCapture& capture, const ScopeView& view, std::vector<ScopePoint>& points,
                 std::vector<wxPoint>& scratch) {
    if (capture.empty()) return;
    drawAliased(dc);
    for (int n = 0; n < kScopeChannels; ++n) {
        tracePoints(capture, view, n, points);
        if (points.empty()) continue;
        dc.SetPen(wxPen(toColour(view.channels[n].colour), 1, wxPENSTYLE_SOLID));
        if (view.join) {
            // A single sample starts the line and draws nothing.
            drawChain(dc, points, scratch);
        } else {
            for (const ScopePoint& p : points) dc.DrawPoint(p.x, p.y);
        }
    }
}

}  // namespace

ScopeCanvas::ScopeCanvas(wxWindow* page, const wxPoint& position, const wxSize& size)
    : wxScrolledWindow(page, wxID_ANY, position, size, wxHSCROLL | wxVSCROLL, "panel"),
      bitmap_(kCanvasWidth, kCanvasHeight),
      blankCursor_(wxCURSOR_BLANK) {
    // The bitmap is all there is to paint; no background erase under it.
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    SetScrollbars(kScrollUnit, kScrollUnit, kCanvasWidth / kScrollUnit, kCanvasHeight / kScrollUnit);
    Scroll(0, 1000 / kScrollUnit);

    Bind(wxEVT_PAINT, &ScopeCanvas::onPaint, this);
    Bind(wxEVT_MOTION, &ScopeCanvas::onMotion, this);
    Bind(wxEVT_ENTER_WINDOW, &ScopeCanvas::onEnter, this);
    Bind(wxEVT_LEAVE_WINDOW, &ScopeCanvas::onLeave, this);
    for (auto type : {wxEVT_SCROLLWIN_TOP, wxEVT_SCROLLWIN_BOTTOM, wxEVT_SCROLLWIN_LINEUP, wxEVT_SCROLLWIN_LINEDOWN,
                      wxEVT_SCROLLWIN_PAGEUP, wxEVT_SCROLLWIN_PAGEDOWN, wxEVT_SCROLLWIN_THUMBTRACK,
                      wxEVT_SCROLLWIN_THUMBRELEASE})
        Bind(type, &ScopeCanvas::onScroll, this);
}

void ScopeCanvas::drawGrid(const ScopeView& view, bool demo) {
    crosshair_ = view.zeroLine;
    wxMemoryDC dc(bitmap_);
    paintGrid(dc, view, demo, linePoints_);
}

void ScopeCanvas::drawTraces(const ScopeCapture& capture, const ScopeView& view) {
    {
        wxMemoryDC dc(bitmap_);
        paintTraces(dc, capture, view, points_, linePoints_);
    }
    Refresh(false);
}

void ScopeCanvas::redraw(const ScopeCapture& capture, const ScopeView& view) {
    crosshair_ = view.zeroLine;
    {
        wxMemoryDC dc(bitmap_);
        paintGrid(dc, view, false, linePoints_);
        paintTraces(dc, capture, view, points_, linePoints_);
    }
    Refresh(false);
}

int ScopeCanvas::viewTop() const { return GetViewStart().y * kScrollUnit; }

wxPoint ScopeCanvas::bitmapPosition(const wxPoint& windowPosition) const {
    return CalcUnscrolledPosition(windowPosition);
}

void ScopeCanvas::moveCursor(int x, int y, bool inside) {
    mouseInside_ = inside;
    mouseX_ = x;
    mouseY_ = y;
    Refresh(false);
    if (inside && cursorListener_) cursorListener_(mouseX_, mouseY_);
}

void ScopeCanvas::onPaint(wxPaintEvent&) {
    wxPaintDC dc(this);
    DoPrepareDC(dc);
    // Only the part of the bitmap in view is copied.
    wxPoint top = CalcUnscrolledPosition(wxPoint(0, 0));
    wxSize visible = GetClientSize();
    {
        wxMemoryDC source;
        source.SelectObjectAsSource(bitmap_);
        dc.Blit(top.x, top.y, visible.x, visible.y, &source, top.x, top.y);
    }
    if (mouseInside_) {
        dc.SetPen(wxPen(toColour(crosshair_), 1, wxPENSTYLE_SOLID));
        dc.DrawLine(mouseX_, 0, mouseX_, kCanvasHeight);
        dc.DrawLine(0, mouseY_, kCanvasWidth, mouseY_);
    }
}

void ScopeCanvas::onMotion(wxMouseEvent& event) {
    wxPoint p = bitmapPosition(event.GetPosition());
    moveCursor(p.x, p.y, true);
}

void ScopeCanvas::onEnter(wxMouseEvent& event) {
    SetCursor(blankCursor_);
    wxPoint p = bitmapPosition(event.GetPosition());
    mouseInside_ = true;
    mouseX_ = p.x;
    mouseY_ = p.y;
    Refresh(false);
}

void ScopeCanvas::onLeave(wxMouseEvent&) {
    SetCursor(wxNullCursor);
    mouseInside_ = false;
    Refresh(false);
}

void ScopeCanvas::onScroll(wxScrollWinEvent& event) {
    // The trigger-level marker follows the view; the page moves it after the scroll.
    if (wxWindow* page = GetParent()) wxQueueEvent(page, new wxCommandEvent(TriggerMarkerEvent));
    event.Skip();
}

}  // namespace torvex
