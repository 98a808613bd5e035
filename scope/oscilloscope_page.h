// The Oszilloskop page: captures sampled by the drive, trigger and time base, step tests.
#pragma once

#include <wx/panel.h>

#include "link/connection.h"
#include "link/limits.h"

namespace torvex {

class OscilloscopePage : public wxPanel {
public:
    OscilloscopePage(wxWindow* notebook, DriveConnection* drive, RegisterLimits* limits);

    // Reads the page's registers from the drive; false at the first failed read.
    bool readFromDrive(bool onlyIfShown);
    // The polling thread's refresh; false at the first failed read.
    bool cyclicUpdate(bool onlyIfShown);
    void setOnline(bool online);
    void onPageSelected();
    // A register was written elsewhere (or here): fields bound to it follow.
    void onRegisterChanged(int reg, const wxString& text);
    // The free trigger registers changed: refill the register choices.
    void reloadRegisterChoices();
    void restoreFocus();
    // Stops a running step-response test (without waiting for its thread).
    void stopStepResponse();
    // Follows the Settings page's servo-command choice: 1 digital speed, 0 otherwise.
    void setDigitalSpeedMode(int digitalSpeed);
    // Stops the step test and a running capture (before the link goes away).
    void stopStepAndCapture();

private:
    DriveConnection* drive_;
    RegisterLimits* limits_;
};

}  // namespace torvex
