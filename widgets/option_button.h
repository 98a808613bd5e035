// A push button of an option pair (the Settings page's option bits), drawn by the program:
// its face in its background colour inside its rounded outline, its label in the colour of
// an enabled button's text. A toolkit button leaves the face to the theme, which may ignore
// the colour, and the page's own painting around it spilled past the rounded corners.
#pragma once

#include <wx/control.h>

class wxDC;

namespace torvex {

class OptionButton : public wxControl {
public:
    OptionButton(wxWindow* parent, wxWindowID id, const wxString& label, const wxPoint& pos, const wxSize& size,
                 const wxString& name = "button");

    // The face colour; the outline and the label keep theirs.
    bool SetBackgroundColour(const wxColour& colour) override;
    void SetLabel(const wxString& label) override;

    // Draws the button into dc over an area of the given size (the paint handler's work).
    void render(wxDC& dc, const wxSize& size) const;

    // The label is drawn in the window's font made bold, in the colour of an enabled
    // button's text: in the small fonts of the Settings page a regular weight leaves no
    // stroke at its full colour, and the label reads as disabled.
    wxFont labelFont() const;
    static wxColour labelColour();
    // Radius of the outline's corners.
    static constexpr int kCornerRadius = 3;

protected:
    wxSize DoGetBestSize() const override;
    // Also called when a parent is disabled or enabled (while the frame reads a page, say).
    void DoEnable(bool enable) override;

private:
    void onPaint(wxPaintEvent& event);
    void onLeftDown(wxMouseEvent& event);
    void onLeftUp(wxMouseEvent& event);
    void onLeave(wxMouseEvent& event);
    void onKeyDown(wxKeyEvent& event);
    void onFocusChanged(wxFocusEvent& event);
    // What a click does: the button event, as a toolkit button sends it.
    void click();

    bool armed_ = false;
};

}  // namespace torvex
