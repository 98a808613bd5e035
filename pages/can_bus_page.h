// The BUS page: CAN identifiers, bit timing and bus counters.
#pragma once

#include <wx/panel.h>

#include "link/connection.h"
#include "link/limits.h"

namespace torvex {

class CanBusPage : public wxPanel {
public:
    CanBusPage(wxWindow* notebook, DriveConnection* drive, RegisterLimits* limits);

    // Reads the page's registers from the drive; false at the first failed read.
    bool readFromDrive(bool onlyIfShown);
    // A register was written elsewhere (or here): fields bound to it follow.
    void onRegisterChanged(int reg, const wxString& text);

private:
    DriveConnection* drive_;
    RegisterLimits* limits_;
};

}  // namespace torvex
