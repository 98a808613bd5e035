#include "widgets/register_bit_label.h"

#include <wx/dcbuffer.h>
#include <wx/settings.h>

#include "widgets/events.h"
#include "link/registers.h"
#include "widgets/field_logic.h"
#include "widgets/register_access.h"

namespace torvex {

RegisterBitLabel::RegisterBitLabel(int reg, int bit, wxWindow* parent, const wxString& label, const wxPoint& pos,
                                   const wxSize& size, DriveConnection* drive, bool inverted)
    : reg_(reg), bit_(bit), inverted_(inverted), label_(label), drive_(drive) {
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    Create(parent, wxID_ANY, pos, size, wxBORDER_NONE | wxFULL_REPAINT_ON_RESIZE, wxDefaultValidator,
           "staticText");
    SetBackgroundColour(wxSystemSettings::GetColour(wxSYS_COLOUR_BTNSHADOW));
    SetForegroundColour(activeColour());
    wxFont font = GetFont();
    font.SetWeight(wxFONTWEIGHT_BOLD);
    SetFont(font);
    SetInitialSize(size);
    Bind(wxEVT_PAINT, &RegisterBitLabel::onPaint, this);
    Bind(BitLabelValueEvent, &RegisterBitLabel::onValue, this);
}

bool RegisterBitLabel::refreshRegisterBitLabel() {
    if (reg_ == 0) return true;
    DriveRegisterAccess access(drive_);
    uint32_t raw = 0;
    if (readByWidth(access, reg_, &raw) != 0) return false;
    postProgramEvent(this, BitLabelValueEvent, static_cast<int>(bitLabelValueOf(reg_, raw)));
    return true;
}

void RegisterBitLabel::SetLabel(const wxString& label) {
    if (label == label_) return;
    label_ = label;
    labelExtent_ = wxDefaultSize;
    InvalidateBestSize();
    Refresh(false);
}

bool RegisterBitLabel::SetFont(const wxFont& font) {
    if (!wxControl::SetFont(font)) return false;
    labelExtent_ = wxDefaultSize;
    return true;
}

wxSize RegisterBitLabel::labelExtent() const {
    if (labelExtent_ == wxDefaultSize) labelExtent_ = GetTextExtent(label_);
    return labelExtent_;
}

wxSize RegisterBitLabel::DoGetBestSize() const {
    const wxSize extent = label_.empty() ? GetTextExtent("M") : labelExtent();
    return wxSize(extent.x + 2, extent.y + 2);
}

void RegisterBitLabel::onValue(wxCommandEvent& event) {
    bool lit = bitLampLit(static_cast<uint32_t>(event.GetInt()), bit_, inverted_);
    // The polling thread reports every cycle; a lamp whose state stays is left alone.
    if (lit == active_.load()) return;
    SetForegroundColour(lit ? activeColour() : wxSystemSettings::GetColour(wxSYS_COLOUR_BTNFACE));
    active_ = lit;
    Refresh(false);
}

void RegisterBitLabel::onPaint(wxPaintEvent&) {
    wxAutoBufferedPaintDC dc(this);
    dc.SetBackground(wxBrush(GetBackgroundColour()));
    dc.Clear();
    dc.SetFont(GetFont());
    dc.SetTextForeground(GetForegroundColour());
    const wxSize client = GetClientSize();
    dc.DrawText(label_, 1, std::max(0, (client.y - labelExtent().y) / 2));
}

}  // namespace torvex
