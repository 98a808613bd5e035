#include "pages/diagnose_page.h"

namespace torvex {

DiagnosePage::DiagnosePage(wxWindow* notebook, DriveConnection* drive) : drive_(drive) {
    Create(notebook, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxTAB_TRAVERSAL | wxNO_BORDER, "panel");
    SetBackgroundColour(wxColour(129, 156, 214));
    SetSizeHints(831, 619);
}

bool DiagnosePage::readFromDrive(bool) { return true; }
bool DiagnosePage::cyclicUpdate(bool) { return true; }
void DiagnosePage::setOnline(bool) {}
void DiagnosePage::onPageLeft() {}
void DiagnosePage::onRegisterChanged(int, const wxString&) {}
void DiagnosePage::reloadRegisterChoices() {}

}  // namespace torvex
