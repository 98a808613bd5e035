// The two small modal dialogs of the program: the mail details before the drive's
// settings are sent, and the drive's TCP address before connecting over TCP.
// Show them through ui::dialogs().showModal(); the end code is kDialogAccepted for
// "Send email" / "Connect" and kDialogCancelled for "Cancel" or the close box.
#pragma once

#include <wx/datetime.h>
#include <wx/dialog.h>

class wxTextCtrl;
class wxButton;

namespace torvex {

enum DialogEndCode : int { kDialogCancelled = 0, kDialogAccepted = 1 };

class SendSettingsDialog : public wxDialog {
public:
    explicit SendSettingsDialog(wxWindow* parent);
    // The subject, attachment name and message are dated with now.
    SendSettingsDialog(wxWindow* parent, const wxDateTime& now);

    // Filled when the user sends.
    const wxString& recipient() const { return recipient_; }
    const wxString& subject() const { return subject_; }
    const wxString& fileName() const { return fileName_; }
    const wxString& message() const { return message_; }
    // The attachment name the dialog proposed when it opened.
    const wxString& defaultFileName() const { return defaultFileName_; }

    // "TorvexSettings_<date>_<time>.vrf" with the time's colons turned into dashes.
    static wxString attachmentName(const wxDateTime& when);

private:
    void onButton(wxCommandEvent& event);
    void onClose(wxCloseEvent& event);
    void finish(int code);

    wxTextCtrl* toField_ = nullptr;
    wxTextCtrl* subjectField_ = nullptr;
    wxTextCtrl* fileNameField_ = nullptr;
    wxTextCtrl* messageField_ = nullptr;
    wxButton* sendButton_ = nullptr;
    wxButton* cancelButton_ = nullptr;
    wxString recipient_, subject_, fileName_, message_;
    wxString defaultFileName_;
};

class IpAddressDialog : public wxDialog {
public:
    IpAddressDialog(wxWindow* parent, const wxString& initialAddress);

    // The field's text once the user pressed "Connect".
    const wxString& address() const { return address_; }

private:
    void onButton(wxCommandEvent& event);
    void onClose(wxCloseEvent& event);
    void finish(int code);

    wxTextCtrl* addressField_ = nullptr;
    wxButton* connectButton_ = nullptr;
    wxButton* cancelButton_ = nullptr;
    wxString address_;
};

}  // namespace torvex
