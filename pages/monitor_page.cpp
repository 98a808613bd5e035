#include "pages/monitor_page.h"

namespace torvex {

MonitorPage::MonitorPage(wxWindow* notebook, DriveConnection* drive) : drive_(drive) {
    Create(notebook, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxTAB_TRAVERSAL | wxNO_BORDER, "panel");
    SetBackgroundColour(wxColour(129, 156, 214));
    SetSizeHints(831, 619);
}

bool MonitorPage::readFromDrive(bool) { return true; }
bool MonitorPage::cyclicUpdate(bool) { return true; }
void MonitorPage::setOnline(bool) {}
void MonitorPage::onPageSelected() {}

}  // namespace torvex
