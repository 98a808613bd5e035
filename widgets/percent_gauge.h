// A horizontal gauge with a vertical marker line at a percentage of its width (the speed
// and current bars of the drive status panel, the monitor rows). Drawn by itself: the
// native gauge neither paints over nor accepts values outside its range, and in a bar as
// low as the status panel's it shows no trough at all while it reads 0.
#pragma once

#include <wx/window.h>

#include <optional>

class wxDC;

namespace torvex {

class PercentGauge : public wxWindow {
public:
    // range is kept as given; a markerPercent above 100 or below 0 becomes 100.
    PercentGauge(wxWindow* parent, int id, int range, int markerPercent, const wxPoint& pos = wxDefaultPosition,
                 const wxSize& size = wxDefaultSize, long style = 0);

    // Values outside 0..range are shown at the nearest end.
    void SetValue(int value);
    int GetValue() const { return value_; }
    void SetRange(int range);
    int GetRange() const { return range_; }

    // Moves the marker (below 0 or above 100: 100) and repaints at once when it moved.
    void setGaugePercent(int percent);
    unsigned markerPercent() const { return markerPercent_; }
    // A plain bar (the status panel's current) draws no marker line.
    void setMarkerShown(bool shown);
    bool isMarkerShown() const { return markerShown_; }

    // The marker's x position in a client area of the given width.
    int markerX(int width) const;
    // Draws the gauge into dc over an area of the given size (the paint handler's work).
    void render(wxDC& dc, const wxSize& size) const;

    static unsigned clampPercent(int percent) { return (percent < 0 || percent > 100) ? 100u : unsigned(percent); }

private:
    // The theme's colours the gauge draws with, asked once: a monitor row's gauge is
    // repainted at every polling step, and the theme's answer costs more than the drawing.
    struct Colours {
        wxColour frame, fill, bar, marker;
    };
    const Colours& colours() const;
    void onPaint(wxPaintEvent& event);
    void onSysColourChanged(wxSysColourChangedEvent& event);
    wxSize DoGetBestSize() const override;

    int range_;
    int value_ = 0;
    unsigned markerPercent_;
    bool markerShown_ = true;
    mutable std::optional<Colours> colours_;
};

}  // namespace torvex
