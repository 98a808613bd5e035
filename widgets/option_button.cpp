#include "widgets/option_button.h"

#include <wx/dcclient.h>
#include <wx/settings.h>

namespace torvex {

OptionButton::OptionButton(wxWindow* parent, wxWindowID id, const wxString& label, const wxPoint& pos,
                           const wxSize& size, const wxString& name) {
    // Only the rounded face is painted: the corners show the page beneath.
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    Create(parent, id, pos, size, wxBORDER_NONE | wxFULL_REPAINT_ON_RESIZE, wxDefaultValidator, name);
    wxControl::SetLabel(label);
    SetInitialSize(size);
    Bind(wxEVT_PAINT, &OptionButton::onPaint, this);
    Bind(wxEVT_LEFT_DOWN, &OptionButton::onLeftDown, this);
    Bind(wxEVT_LEFT_DCLICK, &OptionButton::onLeftDown, this);
    Bind(wxEVT_LEFT_UP, &OptionButton::onLeftUp, this);
    Bind(wxEVT_LEAVE_WINDOW, &OptionButton::onLeave, this);
    Bind(wxEVT_KEY_DOWN, &OptionButton::onKeyDown, this);
    Bind(wxEVT_SET_FOCUS, &OptionButton::onFocusChanged, this);
    Bind(wxEVT_KILL_FOCUS, &OptionButton::onFocusChanged, this);
}

bool OptionButton::SetBackgroundColour(const wxColour& colour) {
    // Kept for the face alone: handed to the toolkit, it would become the background of the
    // whole rectangle, corners included.
    if (colour == m_backgroundColour) return false;
    m_backgroundColour = colour;
    Refresh(false);
    return true;
}

void OptionButton::SetLabel(const wxString& label) {
    if (label == GetLabel()) return;
    wxControl::SetLabel(label);
    Refresh(false);
}

void OptionButton::DoEnable(bool enable) {
    wxControl::DoEnable(enable);
    // The label's colour follows the state.
    Refresh(false);
}

wxFont OptionButton::labelFont() const { return GetFont().Bold(); }

wxColour OptionButton::labelColour() { return wxSystemSettings::GetColour(wxSYS_COLOUR_BTNTEXT); }

void OptionButton::render(wxDC& dc, const wxSize& size) const {
    if (size.x <= 0 || size.y <= 0) return;
    dc.SetPen(wxPen(wxSystemSettings::GetColour(wxSYS_COLOUR_BTNSHADOW)));
    dc.SetBrush(wxBrush(GetBackgroundColour()));
    dc.DrawRoundedRectangle(0, 0, size.x, size.y, kCornerRadius);
    dc.SetFont(labelFont());
    dc.SetTextForeground(IsEnabled() ? labelColour() : wxSystemSettings::GetColour(wxSYS_COLOUR_GRAYTEXT));
    dc.DrawLabel(GetLabel(), wxRect(size), wxALIGN_CENTER);
    if (HasFocus() && size.x > 4 && size.y > 4) {
        dc.SetPen(wxPen(labelColour(), 1, wxPENSTYLE_DOT));
        dc.SetBrush(*wxTRANSPARENT_BRUSH);
        dc.DrawRectangle(2, 2, size.x - 4, size.y - 4);
    }
}

wxSize OptionButton::DoGetBestSize() const {
    wxClientDC dc(const_cast<OptionButton*>(this));
    dc.SetFont(labelFont());
    const wxSize text = dc.GetTextExtent(GetLabel());
    return wxSize(text.x + 2 * (kCornerRadius + 2), text.y + 4);
}

void OptionButton::onPaint(wxPaintEvent&) {
    wxPaintDC dc(this);
    render(dc, GetClientSize());
}

void OptionButton::onLeftDown(wxMouseEvent& event) {
    // A toolkit button takes the focus on a click too (the page remembers it).
    if (!HasFocus()) SetFocus();
    armed_ = true;
    event.Skip();
}

void OptionButton::onLeftUp(wxMouseEvent& event) {
    const bool fire = armed_ && wxRect(GetClientSize()).Contains(event.GetPosition());
    armed_ = false;
    event.Skip();
    if (fire) click();
}

void OptionButton::onLeave(wxMouseEvent& event) {
    armed_ = false;
    event.Skip();
}

void OptionButton::onKeyDown(wxKeyEvent& event) {
    switch (event.GetKeyCode()) {
    case WXK_SPACE:
    case WXK_RETURN:
    case WXK_NUMPAD_ENTER: click(); break;
    default: event.Skip();
    }
}

void OptionButton::onFocusChanged(wxFocusEvent& event) {
    Refresh(false);
    event.Skip();
}

void OptionButton::click() {
    if (!IsEnabled()) return;
    wxCommandEvent event(wxEVT_BUTTON, GetId());
    event.SetEventObject(this);
    ProcessWindowEvent(event);
}

}  // namespace torvex
