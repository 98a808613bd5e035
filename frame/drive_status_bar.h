// The narrow panel at the left of the main frame: the drive's speed, current, status
// and in/out bits, warnings, errors and a small test area, whatever page is selected.
#pragma once

#include <wx/panel.h>

#include "link/connection.h"

namespace torvex {

class DriveStatusBar : public wxPanel {
public:
    DriveStatusBar(wxWindow* parent, const wxSize& size, DriveConnection* drive);

    // Reads the panel's scaling registers, then the status (read-all, GUI thread).
    bool pollDriveStatus(int failureCount);
    // Reads the status registers and posts them to the panel (watching thread).
    bool updateDriveStatus(int failureCount);
    // The panel's part in going online and offline: the test controls follow.
    void enableTestControls(bool enable);
    void onRegisterChanged(int reg, const wxString& text);

private:
    DriveConnection* drive_;
};

}  // namespace torvex
