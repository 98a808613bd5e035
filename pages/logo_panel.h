// The first notebook page: the product picture with the maker's card, which opens
// the maker's web page in the browser.
#pragma once

#include <memory>

#include <wx/bitmap.h>
#include <wx/panel.h>

namespace torvex {

class LogoPanel : public wxPanel {
public:
    explicit LogoPanel(wxWindow* notebook);

    // Takes part in the polling step; nothing to refresh.
    bool cyclicUpdate() { return true; }

    // The clickable rectangle (panel coordinates, both corners inside).
    static bool isInsideLink(const wxPoint& point);
    bool handCursorShown() const { return handCursorShown_; }
    const wxBitmap& logoBitmap() const { return *logoBitmap_; }

    // The web page opener (the default browser unless replaced); returns whether it opened.
    using LinkOpener = bool (*)(const wxString& url);
    static LinkOpener setLinkOpener(LinkOpener opener);
    // Time source in whole seconds (the clock unless replaced).
    using SecondsClock = long long (*)();
    static SecondsClock setSecondsClock(SecondsClock clock);
    // When the web page was opened last (seconds of the clock above); 0 before.
    static long long lastLinkOpened();

private:
    void onPaint(wxPaintEvent& event);
    void onMotion(wxMouseEvent& event);
    void onLeftUp(wxMouseEvent& event);

    std::unique_ptr<wxBitmap> logoBitmap_;
    bool handCursorShown_ = false;
};

// The built-in picture of the logo page.
wxBitmap makeLogoPageBitmap();

}  // namespace torvex
