#include "pages/control_tuning_panel.h"

namespace torvex {

ControlTuningPanel::ControlTuningPanel(wxWindow* notebook, DriveConnection* drive) : drive_(drive) {
    Create(notebook, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxTAB_TRAVERSAL | wxNO_BORDER, "panel");
    SetBackgroundColour(wxColour(129, 156, 214));
    SetSizeHints(831, 619);
}


}  // namespace torvex
