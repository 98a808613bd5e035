#include "frame/drive_status_bar.h"

namespace torvex {

DriveStatusBar::DriveStatusBar(wxWindow* parent, const wxSize& size, DriveConnection* drive) : drive_(drive) {
    Create(parent, wxID_ANY, wxDefaultPosition, size, wxTAB_TRAVERSAL, "DriveStatusBar");
}

bool DriveStatusBar::pollDriveStatus(int failureCount) { return updateDriveStatus(failureCount); }

bool DriveStatusBar::updateDriveStatus(int) { return drive_ && drive_->isConnected(); }

void DriveStatusBar::enableTestControls(bool) {}

void DriveStatusBar::onRegisterChanged(int, const wxString&) {}

}  // namespace torvex
