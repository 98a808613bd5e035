// Placeholder until the register-set, script and boot commands are built.
#include "frame/main_frame.h"

namespace torvex {

void MainFrame::loadRegisterFile(wxCommandEvent&) {}
void MainFrame::onSaveRegisters(wxCommandEvent&) {}
void MainFrame::onExecuteScript(wxCommandEvent&) {}
void MainFrame::importDriveFile(wxCommandEvent&) {}
void MainFrame::viewRegisterFile(wxCommandEvent&) {}
void MainFrame::onSerialBoot(wxCommandEvent&) {}

}  // namespace torvex
