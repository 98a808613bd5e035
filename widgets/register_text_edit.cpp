#include "widgets/register_text_edit.h"

#include "widgets/field_logic.h"
#include "widgets/register_access.h"
#include "widgets/register_edit.h"

namespace torvex {

namespace {
const wxColour kEditBackground(253, 236, 197);

std::u32string toU32(const wxString& text) {
    std::wstring wide = text.ToStdWstring();
    return std::u32string(wide.begin(), wide.end());
}

wxString fromU32(const std::u32string& text) {
    return wxString(std::wstring(text.begin(), text.end()));
}
}  // namespace

RegisterTextEdit::RegisterTextEdit(int reg, const wxString& fieldName, wxWindow* parent, const wxString& initialText,
                                   const wxString& tooltip, const wxPoint& pos, const wxSize& size,
                                   DriveConnection* drive)
    : wxTextCtrl(parent, wxID_ANY, initialText, pos, size, wxBORDER_NONE | wxTE_PROCESS_ENTER, wxDefaultValidator,
                 "text"),
      reg_(reg),
      savedValue_(initialText),
      fieldName_(fieldName),
      drive_(drive) {
    SetBackgroundColour(kEditBackground);
    SetToolTip(tooltip);
    Bind(wxEVT_KILL_FOCUS, &RegisterTextEdit::onKillFocus, this);
}

void RegisterTextEdit::showValue(const wxString& text) {
    if (GetValue() != text) ChangeValue(text);
    savedValue_ = text;
}

bool RegisterTextEdit::refreshRegisterTextEdit() { return readAsciiRegister(this, reg_, drive_); }

bool RegisterTextEdit::rereadRegisterTextEdit() {
    DriveRegisterAccess access(drive_);
    return readAsciiText(
        access, reg_, [this](const std::u32string& text) { showValue(fromU32(text)); }, ReadFailure::Quiet);
}

bool RegisterTextEdit::commitRegisterTextEdit() {
    if (!isModified()) return true;
    wxString prefix = wxString::FromUTF8(messagePrefix(fieldName_.utf8_string()));
    busy_ = true;
    DriveRegisterAccess access(drive_);
    WriteOutcome outcome =
        writeAsciiFieldText(access, reg_, prefix.utf8_string(), toU32(GetValue()),
                            [this](const std::u32string& text) { showValue(fromU32(text)); });
    busy_ = false;
    if (outcome == WriteOutcome::Unconfirmed) {
        // As the register fields: neither the old nor the typed name is known to be the drive's.
        showValue(wxString());
        return false;
    }
    if (outcome != WriteOutcome::Confirmed) {
        ChangeValue(savedValue_);
        refocusAfterRefusal(this, access.usable());
    }
    return outcome == WriteOutcome::Confirmed;
}

void RegisterTextEdit::onKillFocus(wxFocusEvent& event) {
    event.Skip();
    // While the window closes the connection may already be gone.
    if (busy_ || IsBeingDeleted()) return;
    if (restoreWhileUnusable(this, drive_, savedValue_)) return;
    leaving_ = true;
    CallAfter(&RegisterTextEdit::enterAfterLeaving);
}

void RegisterTextEdit::finishLeaving() {
    if (leaving_) enterAfterLeaving();
}

void RegisterTextEdit::enterAfterLeaving() {
    if (!leaving_) return;
    leaving_ = false;
    if (busy_) return;
    if (restoreWhileUnusable(this, drive_, savedValue_)) return;
    sendEnterFromField(this);
}

bool readAsciiRegister(wxTextCtrl* field, int reg, DriveConnection* drive) {
    DriveRegisterAccess access(drive);
    return readAsciiText(access, reg,
                         [field](const std::u32string& text) { showFieldText(field, fromU32(text)); });
}

bool writeAsciiRegister(wxTextCtrl* field, const wxString& prefix, int reg, DriveConnection* drive) {
    DriveRegisterAccess access(drive);
    return writeAsciiText(access, reg, prefix.utf8_string(), toU32(field->GetValue()),
                          [field](const std::u32string& text) { showFieldText(field, fromU32(text)); });
}

}  // namespace torvex
