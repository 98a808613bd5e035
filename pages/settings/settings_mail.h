// Mailing the drive's settings: the "Mail to" button of the Settings page.
#pragma once

class wxWindow;

namespace torvex {

class DriveConnection;

// Whether the system can hand a mail on (the button is enabled only then).
bool mailAvailable();

// Asks for the addressee, saves the drive's registers as a register file and mails it as
// an attachment; reports the result in a box.
void mailSettings(wxWindow* parent, DriveConnection* drive);

}  // namespace torvex
