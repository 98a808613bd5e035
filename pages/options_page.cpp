#include "pages/options_page.h"

#include <wx/toplevel.h>

#include "widgets/events.h"

namespace torvex {

OptionsPage::OptionsPage(wxWindow* notebook, DriveConnection* drive) : drive_(drive) {
    Create(notebook, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxTAB_TRAVERSAL | wxNO_BORDER, "panel");
    SetBackgroundColour(wxColour(129, 156, 214));
    SetSizeHints(831, 619);
}

bool OptionsPage::readFromDrive(bool) { return true; }
bool OptionsPage::cyclicUpdate(bool) { return true; }
void OptionsPage::setOnline(bool) {}
void OptionsPage::onPageSelected() {}
void OptionsPage::onPageLeft() {
    // The choice lists of the other pages offer the free trigger registers: have them refilled.
    postProgramEvent(wxGetTopLevelParent(this), TriggerRegistersChangedEvent);
}
void OptionsPage::onRegisterChanged(int, const wxString&) {}

}  // namespace torvex
