#include "pages/position_page.h"

namespace torvex {

PositionPage::PositionPage(wxWindow* notebook, DriveConnection* drive, RegisterLimits* limits) : drive_(drive), limits_(limits) {
    Create(notebook, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxTAB_TRAVERSAL | wxNO_BORDER, "panel");
    SetBackgroundColour(wxColour(129, 156, 214));
    SetSizeHints(831, 619);
}

bool PositionPage::readFromDrive(bool) { return true; }
bool PositionPage::cyclicUpdate(bool) { return true; }
void PositionPage::onPageSelected() { restoreFocus(); }
void PositionPage::onRegisterChanged(int, const wxString&) {}
void PositionPage::restoreFocus() {}

}  // namespace torvex
