// The Options page's built-in picture: the page background with a serial plug beside the
// baud-rate box and a trigger edge beside the trigger boxes.
#include <wx/dcmemory.h>

#include "pages/options_page.h"
#include "resources/builtin_picture.h"

namespace torvex {

wxBitmap drawOptionsPicture() {
    wxBitmap picture = builtinPagePicture(PagePicture::Options);
    wxMemoryDC dc(picture);
    if (!dc.IsOk()) return picture;
    const wxColour ink(58, 78, 122);
    const wxColour light(232, 236, 246);

    // A trigger edge: low, rising, high, with the trigger level dashed across.
    dc.SetPen(wxPen(ink, 3));
    const wxPoint edge[] = {{420, 140}, {500, 140}, {520, 60}, {620, 60}};
    dc.DrawLines(4, edge);
    dc.SetPen(wxPen(wxColour(190, 50, 40), 2, wxPENSTYLE_SHORT_DASH));
    dc.DrawLine(410, 100, 630, 100);

    // A nine-pin serial plug seen from the front.
    dc.SetPen(wxPen(ink, 3));
    dc.SetBrush(wxBrush(light));
    const wxPoint shell[] = {{420, 300}, {620, 300}, {600, 380}, {440, 380}};
    dc.DrawPolygon(4, shell);
    dc.SetBrush(wxBrush(ink));
    for (int pin = 0; pin < 5; ++pin) dc.DrawCircle(450 + pin * 35, 325, 7);
    for (int pin = 0; pin < 4; ++pin) dc.DrawCircle(467 + pin * 35, 355, 7);

    dc.SelectObject(wxNullBitmap);
    return picture;
}

}  // namespace torvex
