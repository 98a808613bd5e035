// The Monitor page: rows of register values with gauges.
#pragma once

#include <wx/panel.h>

#include "link/connection.h"

namespace torvex {

class MonitorPage : public wxPanel {
public:
    MonitorPage(wxWindow* notebook, DriveConnection* drive);

    // Reads the page's registers from the drive; false at the first failed read.
    bool readFromDrive(bool onlyIfShown);
    // The polling thread's refresh; false at the first failed read.
    bool cyclicUpdate(bool onlyIfShown);
    void setOnline(bool online);
    void onPageSelected();

private:
    DriveConnection* drive_;
};

}  // namespace torvex
