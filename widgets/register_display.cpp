#include "widgets/register_display.h"

#include "widgets/events.h"
#include "link/registers.h"
#include "widgets/field_logic.h"
#include "widgets/register_access.h"

namespace torvex {

namespace {
const wxColour kDisplayBackground(235, 235, 235);
}  // namespace

RegisterDisplay::RegisterDisplay(int reg, wxWindow* parent, const wxString& initialText, const wxString& tooltip,
                                 const wxPoint& pos, const wxSize& size, DriveConnection* drive, int part,
                                 int percentBase)
    : wxTextCtrl(parent, wxID_ANY, initialText, pos, size, wxBORDER_NONE | wxTE_READONLY, wxDefaultValidator,
                 "text"),
      reg_(reg),
      drive_(drive),
      part_(part),
      percentBase_(percentBase) {
    SetBackgroundColour(kDisplayBackground);
    SetToolTip(tooltip);
    Bind(DisplayValueEvent, &RegisterDisplay::onValue, this);
    Bind(DisplayTextEvent, &RegisterDisplay::onText, this);
}

bool RegisterDisplay::refreshRegisterDisplay() {
    if (reg_ == 0) return true;
    DriveRegisterAccess access(drive_);
    uint32_t raw = 0;
    if (readByWidth(access, reg_, &raw) != 0) return false;
    postProgramEvent(this, DisplayValueEvent, displayValueOf(reg_, part_, percentBase_, raw));
    return true;
}

void RegisterDisplay::SetLabel(const wxString& text) {
    if (GetValue() != text) ChangeValue(text);
}

void RegisterDisplay::onValue(wxCommandEvent& event) {
    // The event carries 32 bits; a whole unsigned 32-bit register is shown unsigned, so a
    // serial number or a status word never reads as a negative number.
    uint32_t reg = static_cast<uint32_t>(reg_);
    bool wholeUnsigned32 = is32bitRegister(reg) && isRegisterUnsigned(reg) && part_ == 0 && percentBase_ == 0;
    int value = event.GetInt();
    SetLabel(wholeUnsigned32 ? wxString::Format("%u", static_cast<unsigned>(value)) : wxString::Format("%d", value));
}

void RegisterDisplay::onText(wxCommandEvent& event) { SetLabel(event.GetString()); }

}  // namespace torvex
