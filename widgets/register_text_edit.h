// An editable field for a 32-bit register that holds four characters (the axis name).
#pragma once

#include <wx/textctrl.h>

namespace torvex {

class DriveConnection;

class RegisterTextEdit : public wxTextCtrl {
public:
    RegisterTextEdit(int reg, const wxString& fieldName, wxWindow* parent, const wxString& initialText,
                     const wxString& tooltip, const wxPoint& pos, const wxSize& size, DriveConnection* drive);

    bool refreshRegisterTextEdit();
    // The same without a box, for a re-read the user did not ask for.
    bool rereadRegisterTextEdit();
    bool commitRegisterTextEdit();
    bool isModified() const { return GetValue() != savedValue_; }
    // As RegisterEdit::finishLeaving.
    void finishLeaving();

    const wxString& savedValue() const { return savedValue_; }
    const wxString& fieldName() const { return fieldName_; }
    int registerNumber() const { return reg_; }
    bool isBusy() const { return busy_; }
    DriveConnection* drive() const { return drive_; }

    // Shows a text and makes it the saved text, without a text event.
    void showValue(const wxString& text);
    void SetValue(const wxString& text) override { showValue(text); }

private:
    void onKillFocus(wxFocusEvent& event);
    void enterAfterLeaving();

    int reg_;
    bool busy_ = false;
    bool leaving_ = false;
    wxString savedValue_;
    wxString fieldName_;
    DriveConnection* drive_;
};

// Shows the register's four characters, lowest byte first.
bool readAsciiRegister(wxTextCtrl* field, int reg, DriveConnection* drive);
// Writes the field's text (at most four characters, padded with blanks) and reads it back.
bool writeAsciiRegister(wxTextCtrl* field, const wxString& prefix, int reg, DriveConnection* drive);

}  // namespace torvex
