#include "pages/can_bus_page.h"

namespace torvex {

CanBusPage::CanBusPage(wxWindow* notebook, DriveConnection* drive, RegisterLimits* limits) : drive_(drive), limits_(limits) {
    Create(notebook, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxTAB_TRAVERSAL | wxNO_BORDER, "panel");
    SetBackgroundColour(wxColour(129, 156, 214));
    SetSizeHints(831, 619);
}

bool CanBusPage::readFromDrive(bool) { return true; }
void CanBusPage::onRegisterChanged(int, const wxString&) {}

}  // namespace torvex
