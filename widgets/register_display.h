// A read-only text field showing one register (or half); refreshed from any thread,
// shown on the GUI thread through its own queued event.
#pragma once

#include <wx/textctrl.h>

namespace torvex {

class DriveConnection;

class RegisterDisplay : public wxTextCtrl {
public:
    RegisterDisplay(int reg, wxWindow* parent, const wxString& initialText, const wxString& tooltip,
                    const wxPoint& pos, const wxSize& size, DriveConnection* drive, int part, int percentBase);

    // Reads the register and queues its value to the display. False when the read
    // failed (no box: the polling counts failures); true when unbound.
    bool refreshRegisterDisplay();

    int registerNumber() const { return reg_; }
    int part() const { return part_; }
    int percentBase() const { return percentBase_; }

    // A read-out that hands the focus straight back to the page's field must not be a Tab
    // stop: Tab would land on it, go back to the field it came from, and never get past it.
    void setKeyboardStop(bool stop) { keyboardStop_ = stop; }
    bool AcceptsFocusFromKeyboard() const override {
        return keyboardStop_ && wxTextCtrl::AcceptsFocusFromKeyboard();
    }

    // The label of a display is its shown text.
    void SetLabel(const wxString& text) override;
    wxString GetLabel() const override { return GetValue(); }

private:
    void onValue(wxCommandEvent& event);
    void onText(wxCommandEvent& event);

    const int reg_;
    DriveConnection* const drive_;
    const int part_;
    const int percentBase_;
    bool keyboardStop_ = true;
};

}  // namespace torvex
