// The Diagnose page: drive diagnostics and the register panels opened from it.
#pragma once

#include <wx/panel.h>

#include "link/connection.h"

namespace torvex {

class DiagnosePage : public wxPanel {
public:
    DiagnosePage(wxWindow* notebook, DriveConnection* drive);

    // Reads the page's registers from the drive; false at the first failed read.
    bool readFromDrive(bool onlyIfShown);
    // The polling thread's refresh; false at the first failed read.
    bool cyclicUpdate(bool onlyIfShown);
    void setOnline(bool online);
    void onPageLeft();
    // A register was written elsewhere (or here): fields bound to it follow.
    void onRegisterChanged(int reg, const wxString& text);
    // The free trigger registers changed: refill the register choices.
    void reloadRegisterChoices();

private:
    DriveConnection* drive_;
};

}  // namespace torvex
