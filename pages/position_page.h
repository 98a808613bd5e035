// The Position page: the position controller and its read-outs.
#pragma once

#include <wx/panel.h>

#include "link/connection.h"
#include "link/limits.h"

namespace torvex {

class PositionPage : public wxPanel {
public:
    PositionPage(wxWindow* notebook, DriveConnection* drive, RegisterLimits* limits);

    // Reads the page's registers from the drive; false at the first failed read.
    bool readFromDrive(bool onlyIfShown);
    // The polling thread's refresh; false at the first failed read.
    bool cyclicUpdate(bool onlyIfShown);
    void onPageSelected();
    // A register was written elsewhere (or here): fields bound to it follow.
    void onRegisterChanged(int reg, const wxString& text);
    void restoreFocus();

private:
    DriveConnection* drive_;
    RegisterLimits* limits_;
};

}  // namespace torvex
