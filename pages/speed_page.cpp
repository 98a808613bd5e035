#include "pages/speed_page.h"

namespace torvex {

SpeedPage::SpeedPage(wxWindow* notebook, DriveConnection* drive, RegisterLimits* limits) : drive_(drive), limits_(limits) {
    Create(notebook, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxTAB_TRAVERSAL | wxNO_BORDER, "panel");
    SetBackgroundColour(wxColour(129, 156, 214));
    SetSizeHints(831, 619);
}

bool SpeedPage::readFromDrive(bool) { return true; }
bool SpeedPage::cyclicUpdate(bool) { return true; }
void SpeedPage::onPageSelected() { restoreFocus(); }
void SpeedPage::onRegisterChanged(int, const wxString&) {}
void SpeedPage::restoreFocus() {}

}  // namespace torvex
