// Printing register lists through the print dialog.
#pragma once

class wxWindow;

namespace torvex {

class DriveConnection;

// Prints every register (allRegisters) or the "Reglist.txt" selection.
void printRegisters(wxWindow* parent, DriveConnection* connection, bool allRegisters);

}  // namespace torvex
