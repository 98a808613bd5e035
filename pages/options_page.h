// The Options page: the tool's two free trigger registers (a name and a register number
// each, offered at the end of every register choice list) and the drive's own serial
// baud rate, bit 15 of KERN_OPTIONS.
#pragma once

#include "pages/drive_page.h"

class wxRadioButton;
class wxTextCtrl;

namespace torvex {

class DriveConnection;

// KERN_OPTIONS: bit 15 set while the drive's serial port runs at 9600 baud, clear at 115200.
inline constexpr uint32_t kRegKernOptions = 0x5A;
inline constexpr uint32_t kBaud9600Bit = 0x8000;

// The KERN_OPTIONS value that selects a baud rate: every other bit as read.
inline uint32_t kernOptionsForBaud(uint32_t current, bool baud9600) {
    return baud9600 ? (current | kBaud9600Bit) : (current & ~kBaud9600Bit);
}

class OptionsPage : public DrivePage {
public:
    OptionsPage(wxWindow* notebook, DriveConnection* drive);

    // Lays the page out and shows the drive's baud rate; false when the drive is not usable.
    bool readFromDrive(bool onlyIfShown);
    // Polling thread: reads STATUS and queues whether the baud rate may be changed
    // (only while the drive is not enabled).
    bool cyclicUpdate(bool onlyIfShown);
    void setOnline(bool online);
    void onPageSelected() {}
    // Stores the trigger registers as typed, shows what was kept and has the choice lists
    // refilled, on every leave.
    void onPageLeft();
    void onRegisterChanged(int reg, const wxString& text) {}

    // Shows the drive's baud rate on the radio buttons; false when KERN_OPTIONS cannot be read.
    bool showDriveBaudRate();
    // Writes the chosen baud rate to the drive and checks that it kept it.
    void changeDriveBaudRate();
    void showFreeTriggers();
    bool refreshOptionsPage(bool onlyIfShown);

    wxTextCtrl* trigger1NameField() const { return trigger1Name_; }
    wxTextCtrl* trigger1IdField() const { return trigger1Id_; }
    wxTextCtrl* trigger2NameField() const { return trigger2Name_; }
    wxTextCtrl* trigger2IdField() const { return trigger2Id_; }
    wxRadioButton* radio9600() const { return radio9600_; }
    wxRadioButton* radio115200() const { return radio115200_; }
    int labelWidth() const { return labelWidth_; }

protected:
    // Enter in a trigger field does nothing, online or not.
    bool enterBeforeOnlineTest(wxCommandEvent& event) override;
    // The page keeps no focus memory.
    bool isNotRemembered(wxWindow* control) const override { return true; }

private:
    wxSizer* buildTriggerBox(const wxString& title, wxTextCtrl** name, wxTextCtrl** id);
    wxSizer* buildBaudBox();
    void showBaud(bool baud9600);
    void onRadio(wxCommandEvent& event);
    void onEnableBaud(wxCommandEvent& event);
    void enableBaud(bool enable);

    int labelWidth_ = 70;
    wxTextCtrl* trigger1Name_ = nullptr;
    wxTextCtrl* trigger1Id_ = nullptr;
    wxTextCtrl* trigger2Name_ = nullptr;
    wxTextCtrl* trigger2Id_ = nullptr;
    wxRadioButton* radio9600_ = nullptr;
    wxRadioButton* radio115200_ = nullptr;
    bool shown9600_ = false;   // what the radio buttons showed before the user's click
    bool online_ = false;      // the frame's last word on whether the drive can be used
};

// The page's built-in picture.
wxBitmap drawOptionsPicture();

}  // namespace torvex
