#include "widgets/percent_gauge.h"

#include <wx/dcbuffer.h>
#include <wx/settings.h>

#include "widgets/theme_colours.h"

#include <algorithm>

namespace torvex {

PercentGauge::PercentGauge(wxWindow* parent, int id, int range, int markerPercent, const wxPoint& pos,
                           const wxSize& size, long style)
    : range_(range), markerPercent_(clampPercent(markerPercent)) {
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    Create(parent, id, pos, size, style | wxFULL_REPAINT_ON_RESIZE, "gauge");
    holdThemeColours(this);
    Bind(wxEVT_PAINT, &PercentGauge::onPaint, this);
    Bind(wxEVT_SYS_COLOUR_CHANGED, &PercentGauge::onSysColourChanged, this);
}

const PercentGauge::Colours& PercentGauge::colours() const {
    if (!colours_)
        colours_ = Colours{wxSystemSettings::GetColour(wxSYS_COLOUR_BTNSHADOW),
                           wxSystemSettings::GetColour(wxSYS_COLOUR_WINDOW),
                           wxSystemSettings::GetColour(wxSYS_COLOUR_HIGHLIGHT),
                           wxSystemSettings::GetColour(wxSYS_COLOUR_BTNFACE)};
    return *colours_;
}

void PercentGauge::onSysColourChanged(wxSysColourChangedEvent& event) {
    colours_.reset();
    event.Skip();
}

void PercentGauge::SetValue(int value) {
    int clamped = std::clamp(value, 0, std::max(range_, 0));
    if (clamped == value_) return;
    value_ = clamped;
    Refresh(false);
}

void PercentGauge::SetRange(int range) {
    range_ = range;
    value_ = std::clamp(value_, 0, std::max(range_, 0));
    Refresh(false);
}

void PercentGauge::setGaugePercent(int percent) {
    const unsigned marker = clampPercent(percent);
    if (marker == markerPercent_) return;
    markerPercent_ = marker;
    Refresh(false);
    // Painting at once is only possible on screen: forced on a window that GTK has not
    // sized yet (a frame still being built), it draws its neighbours with negative sizes.
    if (IsShownOnScreen()) Update();
}

void PercentGauge::setMarkerShown(bool shown) {
    if (shown == markerShown_) return;
    markerShown_ = shown;
    Refresh(false);
}

int PercentGauge::markerX(int width) const {
    return width <= 0 ? 0 : static_cast<int>(markerPercent_ * width * 0.01);
}

void PercentGauge::render(wxDC& dc, const wxSize& size) const {
    const int width = size.GetWidth();
    const int height = size.GetHeight();
    if (width <= 0 || height <= 0) return;

    const Colours& colour = colours();
    dc.SetPen(wxPen(colour.frame));
    dc.SetBrush(wxBrush(colour.fill));
    dc.DrawRectangle(0, 0, width, height);

    if (range_ > 0 && value_ > 0 && width > 2 && height > 2) {
        int filled = static_cast<int>(static_cast<long long>(value_) * (width - 2) / range_);
        dc.SetPen(*wxTRANSPARENT_PEN);
        dc.SetBrush(wxBrush(colour.bar));
        dc.DrawRectangle(1, 1, filled, height - 2);
    }

    if (!markerShown_) return;
    // The 2 pixel marker line, kept inside the window at 100 %.
    const int x = std::max(0, std::min(markerX(width), width - 2));
    dc.SetPen(*wxTRANSPARENT_PEN);
    dc.SetBrush(wxBrush(colour.marker));
    dc.DrawRectangle(x, 0, std::min(2, width), height);
}

void PercentGauge::onPaint(wxPaintEvent&) {
    wxAutoBufferedPaintDC dc(this);
    render(dc, GetClientSize());
}

wxSize PercentGauge::DoGetBestSize() const { return FromDIP(wxSize(100, 14)); }

}  // namespace torvex
