// The Options page: drive options and the two free trigger registers.
#pragma once

#include <wx/panel.h>

#include "link/connection.h"

namespace torvex {

class OptionsPage : public wxPanel {
public:
    OptionsPage(wxWindow* notebook, DriveConnection* drive);

    // Reads the page's registers from the drive; false at the first failed read.
    bool readFromDrive(bool onlyIfShown);
    // The polling thread's refresh; false at the first failed read.
    bool cyclicUpdate(bool onlyIfShown);
    void setOnline(bool online);
    void onPageSelected();
    void onPageLeft();
    // A register was written elsewhere (or here): fields bound to it follow.
    void onRegisterChanged(int reg, const wxString& text);

private:
    DriveConnection* drive_;
};

}  // namespace torvex
