// Mailing the drive's settings: the Settings page's "Mail to" button asks for the mail's
// details, writes the drive's register set to a temporary register file and mails it as
// an attachment through the system's mail submission program.
#pragma once

#include <wx/string.h>

class wxWindow;

namespace torvex {

class DriveConnection;
class MapiMailer;

// Whether a mail can be sent at all (the submission program is there). The page asks
// once, when it is built, and offers "Mail to" only then.
bool mailAvailable();

// The whole mailing from the button: dialog, temporary file, mail, result box; the
// addressee is kept for next time only when the mail went out.
void mailSettings(wxWindow* parent, DriveConnection* drive);

// What the user typed into the dialog.
struct MailDetails {
    wxString recipient;
    wxString subject;
    wxString fileName;  // the attachment's name as the reader sees it
    wxString message;
};

enum class MailResult {
    Sent,
    Refused,     // the mailer refused the addressee or the attachment
    SaveFailed,  // no temporary file, or the register set could not be saved into it
    SendFailed,  // the submission program did not take the mail
};

// The mailing without windows: the temporary file ("TorvexTemp..." in the temporary
// folder) is removed on every path once it exists, after the message was built.
MailResult sendSettingsMail(DriveConnection* drive, const MailDetails& details, MapiMailer& mailer);

}  // namespace torvex
