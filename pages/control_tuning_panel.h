// The Auto page: automatic tuning of the drive's controllers.
#pragma once

#include <wx/panel.h>

#include "link/connection.h"

namespace torvex {

class ControlTuningPanel : public wxPanel {
public:
    ControlTuningPanel(wxWindow* notebook, DriveConnection* drive);

private:
    DriveConnection* drive_;
};

}  // namespace torvex
