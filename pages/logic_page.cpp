#include "pages/logic_page.h"

namespace torvex {

LogicPage::LogicPage(wxWindow* notebook, DriveConnection* drive, RegisterLimits* limits) : drive_(drive), limits_(limits) {
    Create(notebook, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxTAB_TRAVERSAL | wxNO_BORDER, "panel");
    SetBackgroundColour(wxColour(129, 156, 214));
}

bool LogicPage::readFromDrive(bool) { return true; }
void LogicPage::setOnline(bool) {}
void LogicPage::onPageSelected() { restoreFocus(); }
void LogicPage::onRegisterChanged(int, const wxString&) {}
void LogicPage::reloadRegisterChoices() {}
void LogicPage::restoreFocus() {}

}  // namespace torvex
