#include "services/dialogs.h"

#include <algorithm>
#include <initializer_list>

#include <wx/button.h>
#include <wx/intl.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "services/catalogue.h"
#include "services/config.h"

namespace torvex {

namespace {

// The maker's address, offered when no recipient has been used yet (a catalogue text).
constexpr const char* kDefaultRecipientKey = "service@velmar.example";

// The labels of a dialog's rows share one width: the widest label's, 70 pixels at least.
int labelColumnWidth(wxWindow* dialog, std::initializer_list<wxString> labels) {
    int width = 70;
    for (const wxString& label : labels) width = std::max(width, dialog->GetTextExtent(label).x);
    return width;
}

wxBoxSizer* labelledRow(wxWindow* parent, const wxString& label, int labelWidth, wxWindow* field) {
    auto* row = new wxBoxSizer(wxHORIZONTAL);
    row->Add(new wxStaticText(parent, wxID_ANY, label, wxDefaultPosition, wxSize(labelWidth, -1)), 0,
             wxALL | wxALIGN_CENTER_VERTICAL, 5);
    row->Add(field, 1, wxALL, 5);
    return row;
}

// Ends the dialog with code whether it runs modally or was handed to a test seam.
void endDialog(wxDialog& dialog, int code) {
    dialog.SetReturnCode(code);
    if (dialog.IsModal())
        dialog.EndModal(code);
    else
        dialog.Hide();
}

}  // namespace

SendSettingsDialog::SendSettingsDialog(wxWindow* parent) : SendSettingsDialog(parent, wxDateTime::Now()) {}

SendSettingsDialog::SendSettingsDialog(wxWindow* parent, const wxDateTime& now)
    : wxDialog(parent, wxID_ANY, translate("Send Settings"), wxDefaultPosition, wxDefaultSize,
               wxDEFAULT_DIALOG_STYLE, "dialog") {
    const wxString date = now.Format("%Y-%m-%d");
    const wxString time = now.Format("%H:%M:%S");

    wxString to = getEmailRecipient();
    if (to.empty()) to = translate(kDefaultRecipientKey);

    toField_ = new wxTextCtrl(this, wxID_ANY, to, wxDefaultPosition, wxSize(320, -1), 0, wxDefaultValidator, "to");
    subjectField_ = new wxTextCtrl(this, wxID_ANY, wxString::Format(translate("Torvex Settings %s %s"), date, time),
                                   wxDefaultPosition, wxSize(320, -1), 0, wxDefaultValidator, "subject");
    defaultFileName_ = attachmentName(now);
    fileNameField_ = new wxTextCtrl(this, wxID_ANY, defaultFileName_, wxDefaultPosition, wxSize(320, -1), 0,
                                    wxDefaultValidator, "filename");
    messageField_ = new wxTextCtrl(
        this, wxID_ANY, wxString::Format(translate("Attached are the settings from Torvex dated %s %s."), date, time),
        wxDefaultPosition, wxSize(320, 120), wxTE_MULTILINE, wxDefaultValidator, "message");

    const wxString toLabel = translate("To:"), subjectLabel = translate("Subject:"),
                   fileNameLabel = translate("Filename:"), messageLabel = translate("Message:");
    const int labelWidth = labelColumnWidth(this, {toLabel, subjectLabel, fileNameLabel, messageLabel});
    auto* column = new wxBoxSizer(wxVERTICAL);
    column->Add(labelledRow(this, toLabel, labelWidth, toField_), 0, wxEXPAND);
    column->Add(labelledRow(this, subjectLabel, labelWidth, subjectField_), 0, wxEXPAND);
    column->Add(labelledRow(this, fileNameLabel, labelWidth, fileNameField_), 0, wxEXPAND);
    column->Add(labelledRow(this, messageLabel, labelWidth, messageField_), 1, wxEXPAND);

    sendButton_ = new wxButton(this, wxID_ANY, translate("Send email"), wxDefaultPosition, wxDefaultSize, 0,
                               wxDefaultValidator, "send");
    cancelButton_ = new wxButton(this, wxID_ANY, translate("Cancel"), wxDefaultPosition, wxDefaultSize, 0,
                                 wxDefaultValidator, "cancel");
    auto* buttons = new wxBoxSizer(wxHORIZONTAL);
    buttons->Add(sendButton_, 0, wxALL, 5);
    buttons->Add(cancelButton_, 0, wxALL, 5);
    column->Add(buttons, 0, wxALIGN_RIGHT);

    sendButton_->SetDefault();
    // Escape presses the escape button; "Cancel" is made by id -1, not as the cancel id,
    // so the dialog is told which button that is, or Escape would leave it open.
    SetEscapeId(cancelButton_->GetId());
    SetSizerAndFit(column);
    toField_->SetFocus();

    Bind(wxEVT_BUTTON, &SendSettingsDialog::onButton, this);
    Bind(wxEVT_CLOSE_WINDOW, &SendSettingsDialog::onClose, this);
}

wxString SendSettingsDialog::attachmentName(const wxDateTime& when) {
    wxString time = when.Format("%H:%M:%S");
    time.Replace(":", "-");
    return wxString::Format(translate("TorvexSettings_%s_%s.vrf"), when.Format("%Y-%m-%d"), time);
}

void SendSettingsDialog::finish(int code) { endDialog(*this, code); }

void SendSettingsDialog::onButton(wxCommandEvent& event) {
    if (event.GetEventObject() == sendButton_) {
        recipient_ = toField_->GetValue();
        subject_ = subjectField_->GetValue();
        fileName_ = fileNameField_->GetValue();
        message_ = messageField_->GetValue();
        finish(kDialogAccepted);
    } else if (event.GetEventObject() == cancelButton_) {
        finish(kDialogCancelled);
    } else {
        event.Skip();
    }
}

void SendSettingsDialog::onClose(wxCloseEvent&) { finish(kDialogCancelled); }

IpAddressDialog::IpAddressDialog(wxWindow* parent, const wxString& initialAddress)
    // A title of its own: the user is about to connect, not to mail anything.
    : wxDialog(parent, wxID_ANY, translate("Connect over TCP"), wxDefaultPosition, wxDefaultSize,
               wxDEFAULT_DIALOG_STYLE, "dialog") {
    addressField_ = new wxTextCtrl(this, wxID_ANY, initialAddress, wxDefaultPosition, wxSize(180, -1), 0,
                                   wxDefaultValidator, "ip_address");
    connectButton_ = new wxButton(this, wxID_ANY, translate("Connect"), wxDefaultPosition, wxDefaultSize, 0,
                                  wxDefaultValidator, "connect");
    cancelButton_ = new wxButton(this, wxID_ANY, translate("Cancel"), wxDefaultPosition, wxDefaultSize, 0,
                                 wxDefaultValidator, "cancel");

    auto* column = new wxBoxSizer(wxVERTICAL);
    auto* row = new wxBoxSizer(wxHORIZONTAL);
    row->Add(new wxStaticText(this, wxID_ANY, translate("IP:")), 0, wxALL | wxALIGN_CENTER_VERTICAL, 5);
    row->Add(addressField_, 1, wxALL, 5);
    column->Add(row, 0, wxEXPAND);
    auto* buttons = new wxBoxSizer(wxHORIZONTAL);
    buttons->Add(connectButton_, 0, wxALL, 5);
    buttons->Add(cancelButton_, 0, wxALL, 5);
    column->Add(buttons, 0, wxALIGN_RIGHT);

    connectButton_->SetDefault();
    SetEscapeId(cancelButton_->GetId());  // Escape as "Cancel", as in SendSettingsDialog
    SetSizerAndFit(column);
    addressField_->SetFocus();

    Bind(wxEVT_BUTTON, &IpAddressDialog::onButton, this);
    Bind(wxEVT_CLOSE_WINDOW, &IpAddressDialog::onClose, this);
}

void IpAddressDialog::finish(int code) { endDialog(*this, code); }

void IpAddressDialog::onButton(wxCommandEvent& event) {
    if (event.GetEventObject() == connectButton_) {
        address_ = addressField_->GetValue();
        finish(kDialogAccepted);
    } else if (event.GetEventObject() == cancelButton_) {
        finish(kDialogCancelled);
    } else {
        event.Skip();
    }
}

void IpAddressDialog::onClose(wxCloseEvent&) { finish(kDialogCancelled); }

}  // namespace torvex
