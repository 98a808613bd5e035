#include "scope/oscilloscope_page.h"

namespace torvex {

OscilloscopePage::OscilloscopePage(wxWindow* notebook, DriveConnection* drive, RegisterLimits* limits) : drive_(drive), limits_(limits) {
    Create(notebook, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxTAB_TRAVERSAL | wxNO_BORDER, "panel");
    SetBackgroundColour(wxColour(129, 156, 214));
    SetSizeHints(831, 619);
}

bool OscilloscopePage::readFromDrive(bool) { return true; }
bool OscilloscopePage::cyclicUpdate(bool) { return true; }
void OscilloscopePage::setOnline(bool) {}
void OscilloscopePage::onPageSelected() { restoreFocus(); }
void OscilloscopePage::onRegisterChanged(int, const wxString&) {}
void OscilloscopePage::reloadRegisterChoices() {}
void OscilloscopePage::restoreFocus() {}
void OscilloscopePage::stopStepResponse() {}
void OscilloscopePage::setDigitalSpeedMode(int) {}
void OscilloscopePage::stopStepAndCapture() {}

}  // namespace torvex
