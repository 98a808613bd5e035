// A lamp showing one bit of a register by its text colour, painted by hand (themes
// ignore the colours of native labels). Refreshed from any thread through its own
// queued event.
#pragma once

#include <atomic>

#include <wx/control.h>

namespace torvex {

class DriveConnection;

class RegisterBitLabel : public wxControl {
public:
    RegisterBitLabel(int reg, int bit, wxWindow* parent, const wxString& label, const wxPoint& pos,
                     const wxSize& size, DriveConnection* drive, bool inverted);

    // Reads the register and queues its value to the lamp. False when the read failed
    // (no box); true when unbound.
    bool refreshRegisterBitLabel();

    int registerNumber() const { return reg_; }
    int bit() const { return bit_; }
    bool isInverted() const { return inverted_; }
    // Read by the polling thread, set on the GUI thread.
    bool isActive() const { return active_.load(); }
    static wxColour activeColour() { return wxColour(26, 102, 26); }

    void SetLabel(const wxString& label) override;
    bool SetFont(const wxFont& font) override;
    wxString GetLabel() const override { return label_; }
    bool AcceptsFocus() const override { return false; }
    bool AcceptsFocusFromKeyboard() const override { return false; }

protected:
    wxSize DoGetBestSize() const override;

private:
    wxSize labelExtent() const;
    void onValue(wxCommandEvent& event);
    void onPaint(wxPaintEvent& event);

    const int reg_;
    const int bit_;
    const bool inverted_;
    std::atomic<bool> active_{true};
    wxString label_;
    // The label's extent in the lamp's font, measured once per label and font: a lamp is
    // repainted whenever its page is, and asking the text layout each time is not free.
    mutable wxSize labelExtent_ = wxDefaultSize;
    DriveConnection* const drive_;
};

}  // namespace torvex
