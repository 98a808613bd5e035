// An editable text field bound to one register (or one half of a 32-bit register):
// the typed text is checked, scaled, limited, written, read back and shown again.
#pragma once

#include <wx/textctrl.h>

#include "link/limits.h"
#include "widgets/field_logic.h"

namespace torvex {

class DriveConnection;

class RegisterEdit : public wxTextCtrl {
public:
    RegisterEdit(int reg, const wxString& fieldName, wxWindow* parent, const wxString& initialText,
                 const wxString& tooltip, const wxPoint& pos, const wxSize& size, DriveConnection* drive,
                 RegisterLimits* limits, int percentBase, int scale, int decimals, bool hexInput, int part);

    // Reads the register into the field; false when the read failed (its box was shown).
    bool refreshRegisterEdit();
    // The same without a box, for a re-read the user did not ask for (a change made in
    // another field); false when the read failed, the field then left as it was.
    bool rereadRegisterEdit();
    // Writes the field when its text changed; true when nothing had to be written or the
    // write succeeded. On failure the saved text comes back.
    bool commitRegisterEdit();
    // Adds delta to the saved whole number and commits it.
    bool stepRegisterEdit(long delta);
    bool isModified() const { return GetValue() != savedValue_; }
    // Runs now the entry that leaving the field queued, if it has not run yet: a click that
    // arrives before it must act on the value the user typed, as it would had it come later.
    void finishLeaving();

    const wxString& savedValue() const { return savedValue_; }
    const wxString& fieldName() const { return fieldName_; }
    int registerNumber() const { return format_.reg; }
    int part() const { return format_.part; }
    int scale() const { return format_.scale; }
    int decimals() const { return format_.decimals; }
    int percentBase() const { return format_.percentBase; }
    bool hexInput() const { return format_.hexInput; }
    bool isBusy() const { return busy_; }
    const FieldFormat& format() const { return format_; }
    DriveConnection* drive() const { return drive_; }
    RegisterLimits* limits() const { return limits_; }

    // Shows a text that came from the drive (or the program) and makes it the saved
    // text. No text event is sent, so nothing is written back.
    void showValue(const wxString& text);
    void SetValue(const wxString& text) override { showValue(text); }

    // Holds the field busy while a caller commits it by its own rules, so that leaving
    // the field (a message box taking the focus) does not start a second commit.
    class BusyHold {
    public:
        explicit BusyHold(RegisterEdit& field) : field_(field), was_(field.busy_) { field.busy_ = true; }
        ~BusyHold() { field_.busy_ = was_; }
        BusyHold(const BusyHold&) = delete;
        BusyHold& operator=(const BusyHold&) = delete;

    private:
        RegisterEdit& field_;
        bool was_;
    };

private:
    void onKillFocus(wxFocusEvent& event);
    void enterAfterLeaving();

    FieldFormat format_;
    bool busy_ = false;
    bool leaving_ = false;
    wxString savedValue_;
    wxString fieldName_;
    DriveConnection* drive_;
    RegisterLimits* limits_;
};

// Reads the register and shows it in the field (a RegisterEdit also takes it as its
// saved text). False when the read failed; the error box has been shown.
bool formatRegisterValue(wxTextCtrl* field, int reg, DriveConnection* drive, int percentBase, int scale,
                         int decimals, bool hexInput, int part);

// The whole entry path for the field's current text: check, limits, half merge, write,
// read back and the warning when the drive kept another value.
bool validateAndWriteRegister(wxTextCtrl* field, const wxString& prefix, int reg, DriveConnection* drive,
                              const RegisterLimits* limits, int percentBase, int scale, int decimals,
                              bool hexInput, int part);

// Shows a text in any field without a text event; register fields take it as saved text.
void showFieldText(wxTextCtrl* field, const wxString& text);

// Leaving an editable register field counts as pressing Enter in it: the parent's
// Enter handler gets the event (after the focus change has settled).
void sendEnterFromField(wxTextCtrl* field);
// After a refused or failed entry the cursor goes back into the field, while the drive can
// be used and the field is on the page shown: one left by picking another page stays unfocused.
void refocusAfterRefusal(wxTextCtrl* field, bool usable);
// Leaving a field while the drive cannot be used puts its saved text back silently;
// true when that was the case.
bool restoreWhileUnusable(wxTextCtrl* field, DriveConnection* drive, const wxString& savedValue);

}  // namespace torvex
