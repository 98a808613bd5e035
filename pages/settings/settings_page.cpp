#include "pages/settings/settings_page.h"

namespace torvex {

SettingsPage::SettingsPage(wxWindow* notebook, DriveConnection* drive, RegisterLimits* limits) : drive_(drive), limits_(limits) {
    Create(notebook, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxTAB_TRAVERSAL | wxNO_BORDER, "panel");
    SetBackgroundColour(wxColour(129, 156, 214));
    SetSizeHints(831, 619);
}

bool SettingsPage::readFromDrive(bool) { return true; }
bool SettingsPage::cyclicUpdate(bool) { return true; }
void SettingsPage::setOnline(bool) {}
void SettingsPage::onPageSelected() { restoreFocus(); }
void SettingsPage::onRegisterChanged(int, const wxString&) {}
void SettingsPage::reloadRegisterChoices() {}
void SettingsPage::restoreFocus() {}

}  // namespace torvex
