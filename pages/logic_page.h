// The Logik page: the drive's logic inputs, outputs and their functions.
#pragma once

#include <wx/panel.h>

#include "link/connection.h"
#include "link/limits.h"

namespace torvex {

class LogicPage : public wxPanel {
public:
    LogicPage(wxWindow* notebook, DriveConnection* drive, RegisterLimits* limits);

    // Reads the page's registers from the drive; false at the first failed read.
    bool readFromDrive(bool onlyIfShown);
    void setOnline(bool online);
    void onPageSelected();
    // A register was written elsewhere (or here): fields bound to it follow.
    void onRegisterChanged(int reg, const wxString& text);
    // The free trigger registers changed: refill the register choices.
    void reloadRegisterChoices();
    void restoreFocus();

private:
    DriveConnection* drive_;
    RegisterLimits* limits_;
};

}  // namespace torvex
