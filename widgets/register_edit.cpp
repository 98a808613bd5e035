#include "widgets/register_edit.h"

#include "widgets/register_access.h"
#include "widgets/register_text_edit.h"

namespace torvex {

namespace {
const wxColour kEditBackground(253, 236, 197);
}  // namespace

RegisterEdit::RegisterEdit(int reg, const wxString& fieldName, wxWindow* parent, const wxString& initialText,
                           const wxString& tooltip, const wxPoint& pos, const wxSize& size, DriveConnection* drive,
                           RegisterLimits* limits, int percentBase, int scale, int decimals, bool hexInput, int part)
    : wxTextCtrl(parent, wxID_ANY, initialText, pos, size, wxBORDER_NONE | wxTE_PROCESS_ENTER, wxDefaultValidator,
                 "text"),
      savedValue_(initialText),
      fieldName_(fieldName),
      drive_(drive),
      limits_(limits) {
    format_.reg = reg;
    format_.percentBase = percentBase;
    format_.scale = scale;
    format_.decimals = decimals;
    format_.hexInput = hexInput;
    format_.part = part;
    SetBackgroundColour(kEditBackground);
    SetToolTip(tooltip);
    Bind(wxEVT_KILL_FOCUS, &RegisterEdit::onKillFocus, this);
}

void RegisterEdit::showValue(const wxString& text) {
    if (GetValue() != text) ChangeValue(text);
    savedValue_ = text;
}

bool RegisterEdit::refreshRegisterEdit() {
    return formatRegisterValue(this, format_.reg, drive_, format_.percentBase, format_.scale, format_.decimals,
                               format_.hexInput, format_.part);
}

bool RegisterEdit::rereadRegisterEdit() {
    DriveRegisterAccess access(drive_);
    return readFieldText(
        access, format_, [this](const std::string& text) { showValue(wxString::FromUTF8(text)); },
        ReadFailure::Quiet);
}

bool RegisterEdit::commitRegisterEdit() {
    if (!isModified()) return true;
    wxString prefix = wxString::FromUTF8(messagePrefix(fieldName_.utf8_string()));
    busy_ = true;
    DriveRegisterAccess access(drive_);
    WriteOutcome outcome = writeFieldText(access, format_, limits_, prefix.utf8_string(), GetValue().utf8_string(),
                                          [this](const std::string& text) { showValue(wxString::FromUTF8(text)); });
    busy_ = false;
    if (outcome == WriteOutcome::Unconfirmed) {
        // The drive took the write but could not be asked what it kept: the old text would
        // claim a value the drive may no longer hold, so the field shows none until read again.
        showValue(wxString());
        return false;
    }
    if (outcome != WriteOutcome::Confirmed) {
        ChangeValue(savedValue_);
        refocusAfterRefusal(this, access.usable());
    }
    return outcome == WriteOutcome::Confirmed;
}

bool RegisterEdit::stepRegisterEdit(long delta) {
    // Only fields that show whole numbers can be stepped; a hexadecimal text of decimal
    // digits would otherwise be stepped in the wrong base.
    if (format_.hexInput) return false;
    std::optional<long> start = stepStartValue(savedValue_.utf8_string());
    if (!start) return false;
    SetFocus();
    ChangeValue(wxString::Format("%ld", *start + delta));
    return commitRegisterEdit();
}

void RegisterEdit::onKillFocus(wxFocusEvent& event) {
    event.Skip();
    // While the window closes the connection may already be gone.
    if (busy_ || IsBeingDeleted()) return;
    if (restoreWhileUnusable(this, drive_, savedValue_)) return;
    // The commit may show boxes, which must not open inside a focus change.
    leaving_ = true;
    CallAfter(&RegisterEdit::enterAfterLeaving);
}

void RegisterEdit::finishLeaving() {
    if (leaving_) enterAfterLeaving();
}

void RegisterEdit::enterAfterLeaving() {
    if (!leaving_) return;
    leaving_ = false;
    if (busy_) return;
    if (restoreWhileUnusable(this, drive_, savedValue_)) return;
    sendEnterFromField(this);
}

void refocusAfterRefusal(wxTextCtrl* field, bool usable) {
    if (!usable) return;
    // A field on a page that is not the one picked (the window itself may be hidden).
    for (const wxWindow* window = field; window && !window->IsTopLevel(); window = window->GetParent())
        if (!window->IsShown()) return;
    field->SetFocus();
}

bool restoreWhileUnusable(wxTextCtrl* field, DriveConnection* drive, const wxString& savedValue) {
    if (DriveRegisterAccess(drive).usable()) return false;
    if (field->GetValue() != savedValue) field->ChangeValue(savedValue);
    return true;
}

void sendEnterFromField(wxTextCtrl* field) {
    wxWindow* parent = field->GetParent();
    if (!parent) return;
    wxCommandEvent enter(wxEVT_TEXT_ENTER, field->GetId());
    enter.SetEventObject(field);
    enter.SetString(field->GetValue());
    parent->GetEventHandler()->ProcessEvent(enter);
}

void showFieldText(wxTextCtrl* field, const wxString& text) {
    if (auto* edit = dynamic_cast<RegisterEdit*>(field)) {
        edit->showValue(text);
    } else if (auto* textEdit = dynamic_cast<RegisterTextEdit*>(field)) {
        textEdit->showValue(text);
    } else if (field->GetValue() != text) {
        field->ChangeValue(text);
    }
}

bool formatRegisterValue(wxTextCtrl* field, int reg, DriveConnection* drive, int percentBase, int scale,
                         int decimals, bool hexInput, int part) {
    FieldFormat format{reg, percentBase, scale, decimals, hexInput, part};
    DriveRegisterAccess access(drive);
    return readFieldText(access, format,
                         [field](const std::string& text) { showFieldText(field, wxString::FromUTF8(text)); });
}

bool validateAndWriteRegister(wxTextCtrl* field, const wxString& prefix, int reg, DriveConnection* drive,
                              const RegisterLimits* limits, int percentBase, int scale, int decimals,
                              bool hexInput, int part) {
    FieldFormat format{reg, percentBase, scale, decimals, hexInput, part};
    DriveRegisterAccess access(drive);
    return validateAndWriteText(access, format, limits, prefix.utf8_string(), field->GetValue().utf8_string(),
                                [field](const std::string& text) { showFieldText(field, wxString::FromUTF8(text)); });
}

}  // namespace torvex
