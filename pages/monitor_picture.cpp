// The Monitor page's built-in picture: the page background with a panel meter on the
// right, beside the rows, so the page reads as a place to watch values.
#include <cmath>

#include <wx/dcmemory.h>

#include "pages/monitor_page.h"
#include "resources/builtin_picture.h"

namespace torvex {

wxBitmap drawMonitorPicture() {
    wxBitmap picture = builtinPagePicture(PagePicture::Monitor);
    wxMemoryDC dc(picture);
    if (!dc.IsOk()) return picture;

    const wxPoint centre(680, 470);
    const int radius = 110;
    // Meter housing.
    dc.SetPen(wxPen(wxColour(58, 78, 122), 3));
    dc.SetBrush(wxBrush(wxColour(232, 236, 246)));
    dc.DrawRoundedRectangle(centre.x - radius - 20, centre.y - radius - 20, 2 * radius + 40, radius + 60, 12);

    // Scale from 0 to 150 %, the last third in the warning colour, ticks every 10 %.
    const double pi = std::acos(-1.0);
    auto pointAt = [&](double fraction, int r) {
        double angle = pi * (1.0 - fraction);
        return wxPoint(centre.x + static_cast<int>(r * std::cos(angle)), centre.y - static_cast<int>(r * std::sin(angle)));
    };
    for (int tick = 0; tick <= 15; ++tick) {
        const double fraction = tick / 15.0;
        const bool major = tick % 5 == 0;
        dc.SetPen(wxPen(tick > 10 ? wxColour(190, 50, 40) : wxColour(58, 78, 122), major ? 3 : 1));
        dc.DrawLine(pointAt(fraction, radius - (major ? 18 : 10)), pointAt(fraction, radius));
    }
    // The marker line at 100 % of full scale, as on the gauges.
    dc.SetPen(wxPen(wxColour(90, 90, 90), 2, wxPENSTYLE_SHORT_DASH));
    dc.DrawLine(centre, pointAt(100.0 / 150.0, radius));
    // The needle.
    dc.SetPen(wxPen(wxColour(40, 40, 40), 3));
    dc.DrawLine(centre, pointAt(0.42, radius - 22));
    dc.SetBrush(wxBrush(wxColour(40, 40, 40)));
    dc.DrawCircle(centre, 7);

    dc.SelectObject(wxNullBitmap);
    return picture;
}

}  // namespace torvex
