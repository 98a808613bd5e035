#include "widgets/theme_colours.h"

#include <wx/window.h>

namespace torvex {

namespace {

void takeFromTheme(wxWindow* window, bool foreground, bool background) {
    if (foreground) {
        window->SetForegroundColour(wxNullColour);
        window->SetOwnForegroundColour(window->GetForegroundColour());
    }
    if (background) {
        window->SetBackgroundColour(wxNullColour);
        window->SetOwnBackgroundColour(window->GetBackgroundColour());
    }
}

}  // namespace

void holdThemeColours(wxWindow* window) {
    if (!window) return;
    // Only what the window leaves to the theme; a colour it set stays its own.
    const bool foreground = !window->UseForegroundColour();
    const bool background = !window->UseBackgroundColour();
    takeFromTheme(window, foreground, background);
    window->Bind(wxEVT_SYS_COLOUR_CHANGED, [window, foreground, background](wxSysColourChangedEvent& event) {
        takeFromTheme(window, foreground, background);
        window->Refresh(false);
        event.Skip();
    });
}

}  // namespace torvex
