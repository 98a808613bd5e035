#include "pages/settings/settings_mail.h"

#include <wx/file.h>
#include <wx/filefn.h>
#include <wx/filename.h>
#include <wx/app.h>
#include <wx/utils.h>

#include "link/mapi_mailer.h"
#include "link/register_file.h"
#include "services/catalogue.h"
#include "services/config.h"
#include "services/dialogs.h"
#include "services/ui_seam.h"
#include "services/window_hold.h"

namespace torvex {

namespace {

// Removes the temporary register file however the mailing ends.
class TemporaryFile {
public:
    explicit TemporaryFile(wxString path) : path_(std::move(path)) {}
    ~TemporaryFile() {
        if (!path_.empty() && wxFileExists(path_)) wxRemoveFile(path_);
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

private:
    wxString path_;
};

std::string utf8(const wxString& text) { return std::string(text.utf8_str()); }

}  // namespace

bool mailAvailable() {
    MapiMailer mailer;
    return mailer.loadMapi();
}

MailResult sendSettingsMail(DriveConnection* drive, const MailDetails& details, MapiMailer& mailer) {
    if (!mailer.addRecipient(utf8(details.recipient))) return MailResult::Refused;
    wxFile file;
    const wxString path = wxFileName::CreateTempFileName("TorvexTemp", &file);
    if (path.empty()) return MailResult::SaveFailed;
    TemporaryFile removal(path);
    file.Close();
    // A set that could not be read whole is not mailed as if it were the drive's settings.
    if (saveRegisterFile(drive, utf8(path)) != kSaveOk) return MailResult::SaveFailed;
    if (!mailer.addAttachment(utf8(path), utf8(details.fileName))) return MailResult::Refused;
    if (!mailer.sendMail(utf8(details.message), utf8(details.subject))) return MailResult::SendFailed;
    return MailResult::Sent;
}

void mailSettings(wxWindow* parent, DriveConnection* drive) {
    SendSettingsDialog dialog(parent);
    if (ui::dialogs().showModal(dialog) != kDialogAccepted) return;
    MailDetails details{dialog.recipient(), dialog.subject(), dialog.fileName(), dialog.message()};
    // A cleared name still sends the file, under the name the dialog proposed (never under
    // the temporary file's own).
    if (details.fileName.empty()) details.fileName = dialog.defaultFileName();
    MapiMailer mailer;
    MailResult result;
    {
        // The window keeps painting (and the status panel showing the drive) while the
        // mail program works, but takes no input meanwhile, nor afterwards the input made
        // while the settings were read.
        WindowHold hold;
        mailer.setWhileWaiting([] {
            if (wxTheApp) wxTheApp->Yield(true);
        });
        result = sendSettingsMail(drive, details, mailer);
    }
    if (result != MailResult::Sent) {
        ui::messageBox(translate("Error sending mail!"), translate("Error"), wxOK | wxICON_ERROR);
        return;
    }
    setEmailRecipient(details.recipient);
    ui::messageBox(translate("Mail send succesful!"), translate("Mail send"), wxOK | wxICON_INFORMATION);
}

}  // namespace torvex
