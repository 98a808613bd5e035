#include "pages/logo_panel.h"

#include <ctime>

#include <wx/dcbuffer.h>
#include <wx/image.h>
#include <wx/intl.h>
#include <wx/mstream.h>
#include <wx/utils.h>

#include "services/catalogue.h"
#include "resources/logo_images.h"

namespace torvex {

namespace {

// The maker's web page (a catalogue text, so each language may point to its own page).
constexpr const char* kMakerWebPageKey = "https://www.velmar.example/";

bool openInBrowser(const wxString& url) { return wxLaunchDefaultBrowser(url); }
long long clockSeconds() { return static_cast<long long>(std::time(nullptr)); }

LogoPanel::LinkOpener g_linkOpener = &openInBrowser;
LogoPanel::SecondsClock g_secondsClock = &clockSeconds;
long long g_lastLinkOpened = 0;

}  // namespace

wxBitmap makeLogoPageBitmap() {
    if (!wxImage::FindHandler(wxBITMAP_TYPE_PNG)) wxImage::AddHandler(new wxPNGHandler);
    wxMemoryInputStream stream(kLogoPagePng, kLogoPagePngSize);
    wxImage image(stream, wxBITMAP_TYPE_PNG);
    return image.IsOk() ? wxBitmap(image) : wxBitmap(831, 619);
}

LogoPanel::LogoPanel(wxWindow* notebook) {
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    Create(notebook, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxTAB_TRAVERSAL | wxBORDER_NONE, "panel");
    SetBackgroundColour(wxColour(129, 156, 214));
    SetMinSize(wxSize(831, 619));
    logoBitmap_ = std::make_unique<wxBitmap>(makeLogoPageBitmap());

    Bind(wxEVT_PAINT, &LogoPanel::onPaint, this);
    Bind(wxEVT_MOTION, &LogoPanel::onMotion, this);
    Bind(wxEVT_LEFT_UP, &LogoPanel::onLeftUp, this);
}

bool LogoPanel::isInsideLink(const wxPoint& point) {
    return point.x >= 71 && point.x <= 249 && point.y >= 61 && point.y <= 169;
}

LogoPanel::LinkOpener LogoPanel::setLinkOpener(LinkOpener opener) {
    LinkOpener previous = g_linkOpener;
    g_linkOpener = opener ? opener : &openInBrowser;
    return previous;
}

LogoPanel::SecondsClock LogoPanel::setSecondsClock(SecondsClock clock) {
    SecondsClock previous = g_secondsClock;
    g_secondsClock = clock ? clock : &clockSeconds;
    return previous;
}

long long LogoPanel::lastLinkOpened() { return g_lastLinkOpened; }

void LogoPanel::onPaint(wxPaintEvent&) {
    wxAutoBufferedPaintDC dc(this);
    dc.SetBackground(wxBrush(GetBackgroundColour()));
    dc.Clear();
    if (logoBitmap_ && logoBitmap_->IsOk()) dc.DrawBitmap(*logoBitmap_, 0, 0, false);
}

void LogoPanel::onMotion(wxMouseEvent& event) {
    bool inside = isInsideLink(event.GetPosition());
    if (inside && !handCursorShown_) {
        SetCursor(wxCursor(wxCURSOR_HAND));
        handCursorShown_ = true;
    } else if (!inside && handCursorShown_) {
        SetCursor(wxNullCursor);
        handCursorShown_ = false;
    }
    event.Skip();
}

void LogoPanel::onLeftUp(wxMouseEvent& event) {
    event.Skip();
    if (!isInsideLink(event.GetPosition())) return;
    long long now = g_secondsClock();
    // Repeated clicks within two seconds open the page only once.
    if (now <= g_lastLinkOpened + 2) return;
    g_linkOpener(translate(kMakerWebPageKey));
    g_lastLinkOpened = now;
}

}  // namespace torvex
