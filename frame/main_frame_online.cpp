// Placeholder until going online and offline is built: the frame stays offline.
#include "frame/main_frame.h"

namespace torvex {

void MainFrame::onCommunication(wxCommandEvent&) {}
void MainFrame::goOnline(const wxString&) {}
void MainFrame::goOffline() {}
void MainFrame::enableOnlineMenus(bool) {}
bool MainFrame::updateStatusLine() { return false; }
bool MainFrame::readAllFromDrive() { return false; }
void MainFrame::onReadAll(wxCommandEvent&) {}
void MainFrame::onOfflineIndicator(wxCommandEvent&) {}
void MainFrame::pollDrive() {}
void MainFrame::watchDriveStatus() {}
void MainFrame::startThreads() {}
void MainFrame::stopThreads() {}

}  // namespace torvex
