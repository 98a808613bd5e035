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
    label_ = label;
    InvalidateBestSize();
    Refresh(false);
}

wxSize RegisterBitLabel::DoGetBestSize() const {
    int width = 0, height = 0;
    GetTextExtent(label_.empty() ? wxString("M") : label_, &width, &height);
    return wxSize(width + 2, height + 2);
}

void RegisterBitLabel::onValue(wxCommandEvent& event) {
    bool lit = bitLampLit(static_cast<uint32_t>(event.GetInt()), bit_, inverted_);
    SetForegroundColour(lit ? activeColour() : wxSystemSettings::GetColour(wxSYS_COLOUR_BTNFACE));
    active_ = lit;
    SetLabel(label_);
}

void RegisterBitLabel::onPaint(wxPaintEvent&) {
    wxAutoBufferedPaintDC dc(this);
    dc.SetBackground(wxBrush(GetBackgroundColour()));
    dc.Clear();
    dc.SetFont(GetFont());
    dc.SetTextForeground(GetForegroundColour());
    wxSize client = GetClientSize();
    int width = 0, height = 0;
    dc.GetTextExtent(label_, &width, &height);
    dc.DrawText(label_, 1, std::max(0, (client.y - height) / 2));
}

}  // namespace torvex
