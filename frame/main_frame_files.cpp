// The frame's commands that move whole register sets and scripts between files and
// the drive: load, import, save, view, execute a script, serial boot.
#include <fstream>

#include <wx/filedlg.h>
#include <wx/filename.h>
#include <wx/menu.h>
#include <wx/utils.h>

#include "frame/app.h"
#include "services/config.h"
#include "services/file_chooser.h"
#include "widgets/events.h"
#include "frame/main_frame.h"
#include "services/ui_seam.h"
#include "services/window_hold.h"
#include "link/i18n.h"
#include "link/limits.h"
#include "link/register_file.h"
#include "link/registers.h"
#include "link/script.h"
#include "pages/scope/oscilloscope_page.h"
#include "widgets/flashing_status_bar.h"

namespace torvex {

namespace {

constexpr uint32_t kFirstCurrentFirmware = 300;

wxString trx(const char* key) { return wxString::FromUTF8(tr(key)); }

std::string toPath(const wxString& path) { return std::string(path.fn_str()); }

constexpr const char* kRegisterFilesWildcard = "Velmar Register File (*.vrf)|*.vrf";
constexpr const char* kDriveFilesWildcard = "Velmar Drive Files (*.vtd)|*.vtd";
constexpr const char* kScriptFilesWildcard = "Velmar Script File (*.vsf)|*.vsf";

void errorBox(const wxString& text) { ui::messageBox(text, trx("Error"), wxOK | wxICON_HAND); }
void noticeBox(const wxString& text) { ui::messageBox(text, trx("Information"), wxOK | wxICON_INFORMATION); }

wxString plainTitle() { return wxString::Format("Torvex %s", kVersionText); }
wxString fileTitle(const wxString& path) {
    return wxString::Format("Torvex %s - %s", kVersionText, wxFileName(path).GetFullName());
}

void rememberRegisterFile(const wxString& path) {
    wxFileName name(path);
    setRegisterDataDirectory(name.GetPath());
    setRegisterDataFilename(name.GetFullName());
}

void checkMenuItem(wxFrame& frame, int id, bool checked) {
    if (wxMenuBar* bar = frame.GetMenuBar())
        if (bar->FindItem(id)) bar->Check(id, checked);
}

// Every page reads again at once (offline when that fails).
void sendReadAll(wxFrame& frame) {
    wxCommandEvent event(ReadAllEvent, 0);
    frame.GetEventHandler()->ProcessEvent(event);
}

void loadRegisterSetCommand(MainFrame& frame, bool oldDriveFile) {
    const wxString path =
        oldDriveFile
            ? chooseFile(&frame, "Import old Drive File", getRegisterDataDirectory(), wxString(), kDriveFilesWildcard,
                         wxFD_OPEN | wxFD_FILE_MUST_EXIST)
            : chooseFile(&frame, "Load Register File", getRegisterDataDirectory(), getRegisterDataFilename(),
                         kRegisterFilesWildcard, wxFD_OPEN | wxFD_FILE_MUST_EXIST);
    if (path.empty()) return;
    WindowHold hold;
    // An import leaves the remembered register file alone.
    if (!oldDriveFile) rememberRegisterFile(path);

    uint32_t rc = loadRegisterSet(&frame.connection(), toPath(path), oldDriveFile);
    if (rc != 0) {
        errorBox(trx(oldDriveFile ? "Error importing file!" : "Error loading file!"));
        frame.SetTitle(plainTitle());
    } else {
        frame.SetTitle(fileTitle(path));
    }
    sendReadAll(frame);
}

}  // namespace

void MainFrame::loadRegisterFile(wxCommandEvent&) { loadRegisterSetCommand(*this, false); }

void MainFrame::importDriveFile(wxCommandEvent&) { loadRegisterSetCommand(*this, true); }

void MainFrame::onSaveRegisters(wxCommandEvent& event) {
    const wxString path = chooseFile(this, "Save Register File", getRegisterDataDirectory(),
                                     getRegisterDataFilename(), kRegisterFilesWildcard,
                                     wxFD_SAVE | wxFD_OVERWRITE_PROMPT);
    if (path.empty()) return;
    WindowHold hold;
    rememberRegisterFile(path);

    int32_t rc;
    uint32_t failedRegister = 0;
    if (event.GetInt() != 0) {
        rc = saveRegisterFile(&connection_, toPath(path), &failedRegister);
    } else {
        std::vector<uint32_t> registers;
        // A missing list must not produce a file that holds no register at all.
        const std::string listFile = installationFile(kRegisterListFileName);
        bool listed = std::ifstream(listFile).good() && readNumberList(listFile, registers) == 0 && !registers.empty();
        if (!listed) {
            errorBox(trx("Can't load the list of registers to save!"));
            return;
        }
        rc = writeRegisterFile(&connection_, toPath(path), registers, &failedRegister);
    }

    if (rc == kSaveOk) {
        SetTitle(fileTitle(path));
    } else if (rc == kSaveFileError) {
        errorBox(trx("Error saving file!"));
    } else if (rc == kSaveNotConnected) {
        errorBox(trx("Drive is offline!"));
    } else {
        errorBox(wxString::Format(trx("Error reading register %d from the Drive!"), static_cast<int>(failedRegister)));
    }
}

void MainFrame::viewRegisterFile(wxCommandEvent&) {
    const wxString path = chooseFile(this, "View Register File", getRegisterDataDirectory(),
                                     getRegisterDataFilename(), kRegisterFilesWildcard,
                                     wxFD_OPEN | wxFD_FILE_MUST_EXIST);
    if (path.empty()) {
        checkMenuItem(*this, kIdViewFile, false);
        return;
    }
    WindowHold hold;
    rememberRegisterFile(path);

    RegisterValueMap16 values16;
    RegisterValueMap32 values32;
    if (readRegisterFile(toPath(path), values16, values32, false) != 0) {
        errorBox(trx("Error loading registers!"));
        checkMenuItem(*this, kIdViewFile, false);
        return;
    }
    if (connection_.isConnected()) goOffline();
    connection_.loadOfflineImage(values16, values32);

    const uint32_t firmware = firmwareVersion.load();
    if (firmware < kFirstCurrentFirmware) {
        connection_.disconnectDrive();
        errorBox(wxString::Format(trx("The register file you want to view has registers for firmware %u.\nThis "
                                      "version of Torvex only supports firmwares greater than (and including) "
                                      "300.\nPlease use an older version of Torvex."),
                                  static_cast<unsigned>(firmware)));
        firmwareVersion = 0;
        checkMenuItem(*this, kIdViewFile, false);
        return;
    }

    for (int id = kIdOffline; id <= kIdTcp; ++id) checkMenuItem(*this, id, false);
    checkMenuItem(*this, kIdViewFile, true);
    if (FlashingStatusBar* status = statusLine()) status->setStatusField(trx("File is shown."), 0);
    SetTitle(fileTitle(path));
    enableOnlineMenus(true);
    if (!readAllFromDrive()) goOffline();
}

void MainFrame::onExecuteScript(wxCommandEvent&) {
    const wxString path = chooseFile(this, "Execute script", getScriptDataDirectory(), getScriptDataFilename(),
                                     kScriptFilesWildcard, wxFD_OPEN | wxFD_FILE_MUST_EXIST);
    if (path.empty()) return;
    WindowHold hold;
    wxFileName name(path);
    setScriptDataDirectory(name.GetPath());
    setScriptDataFilename(name.GetFullName());

    RegisterScript script;
    // A script that cannot be read is not an empty one: nothing would run and the
    // command would still report success.
    std::ifstream file(toPath(path), std::ios::binary);
    uint32_t rc = file ? parseScript(script, file) : kScriptParseException;
    if (rc == kScriptParseException) {
        errorBox(trx("Error loading script!"));
        return;
    }
    if (rc != 0) {
        errorBox(wxString::Format(trx("Error in script on line %d!"), static_cast<int>(rc)));
        return;
    }

    setScriptBusyIndicator([](bool on) {
        if (on)
            wxBeginBusyCursor();
        else
            wxEndBusyCursor();
    });
    uint32_t result = executeScript(script, &connection_);
    sendReadAll(*this);
    if (result != 0)
        errorBox(trx("Error executing script!"));
    else
        noticeBox(wxString::Format(trx("Script '%s' executed succesful!"), name.GetFullName()));
}

void MainFrame::onSerialBoot(wxCommandEvent&) {
    if (connection_.isConnected())
        if (OscilloscopePage* scope = oscilloscopePage()) scope->stopStepAndCapture();
    uint32_t rc = connection_.write16bitRegisterAndOffline(kRegSerialBoot, 0);
    if (rc != 0)
        errorBox(trx("Fehler beim Senden des Kommandos FUN_SERIALBOOT!"));
    else
        noticeBox(trx("Drive set into serial boot modus and Torvex has gone offline!"));
    goOffline();
}

}  // namespace torvex
