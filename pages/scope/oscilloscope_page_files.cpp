// The page's open and save commands for oscilloscope files.
#include <climits>
#include <cstdint>

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/combobox.h>
#include <wx/filedlg.h>
#include <wx/filename.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "link/connection.h"
#include "link/i18n.h"
#include "link/message_seam.h"
#include "pages/scope/oscilloscope_page.h"
#include "pages/scope/oscilloscope_page_parts.h"
#include "pages/scope/scope_canvas.h"
#include "scope/vof_file.h"
#include "services/config.h"
#include "services/file_chooser.h"
#include "services/ui_seam.h"
#include "widgets/register_choice.h"

namespace torvex {

using namespace scope_page;

namespace {

constexpr const char* kScopeFilesWildcard = "Velmar Oscilloscope File (*.vof)|*.vof";

void rememberScopeFile(const wxString& path) {
    wxFileName name(path);
    setOscilloscopeDataDirectory(name.GetPath());
    setOscilloscopeDataFilename(name.GetFullName());
}

// A field's number as the file stores it: one that does not fit the file's 32 bits is no
// number for the file either.
bool numberOf(wxTextCtrl* field, int32_t& value) {
    long parsed = 0;
    if (!parseScopeNumber(field->GetValue().utf8_string(), parsed) || parsed < INT32_MIN || parsed > INT32_MAX)
        return false;
    value = static_cast<int32_t>(parsed);
    return true;
}

}  // namespace

bool OscilloscopePage::collectScopeFile(ScopeFile& file) {
    ScopeFileSettings& s = file.settings;
    file.scales = scales_;
    for (int n = 0; n < kScopeChannels; ++n) {
        // A bad U/Div is reported and stored as 0; the file is written all the same.
        if (!numberOf(channelUDiv_[n], s.uDiv[n])) {
            errorBox(wxString::Format(trw("Wrong value for U/Div value %d!"), n));
            s.uDiv[n] = 0;
        }
        s.colours[n] = toRgb(channelColour_[n]);
        if (channelSignal_[n]->GetSelection() < 0) {
            errorBox(wxString::Format(trw("Nothing selected in Channel %d!"), n));
            return false;
        }
        if (!numberOf(channelPos_[n], s.pos[n])) {
            errorBox(wxString::Format(trw("Pos Channel %d: Falsche Eingabe (keine Nummer)!"), n));
            return false;
        }
    }
    s.join = joinCheck_->GetValue();
    s.zero = zeroCheck_->GetValue();
    s.over = overCheck_->GetValue();
    s.background = toRgb(backgroundColour_);
    s.grid = toRgb(gridColour_);
    s.zeroLine = toRgb(zeroColour_);
    const std::pair<wxComboBox*, const char*> choices[] = {
        {timeScale_, "Nothing selected in Time scale!"},     {triggerEdge_, "Nothing selected in Trigger Edge!"},
        {triggerOn_, "Nothing selected in Trigger On!"},     {triggerBuffer_, "Nothing selected in Trigger Buffer!"},
        {triggerRun_, "Nothing selected in Trigger Run!"}};
    for (auto [box, message] : choices) {
        if (box->GetSelection() < 0) {
            errorBox(trw(message));
            return false;
        }
    }
    s.timePerDivision = static_cast<uint32_t>(clientData(timeScale_));
    s.triggerEdge = static_cast<uint32_t>(clientData(triggerEdge_));
    s.triggerOn = static_cast<uint32_t>(clientData(triggerOn_));
    s.triggerBuffer = static_cast<uint32_t>(clientData(triggerBuffer_));
    s.triggerRun = static_cast<uint32_t>(clientData(triggerRun_));
    if (!numberOf(triggerLevel_, s.triggerLevel)) {
        errorBox(trw("Trigger Level: ") + trw("Falsche Eingabe (keine Nummer)!"));
        return false;
    }
    if (stepType_->GetSelection() < 0) {
        errorBox(trw("Nothing selected as Step type!"));
        return false;
    }
    s.stepRegister = static_cast<uint32_t>(clientData(stepType_));
    const char* stepErrors[6] = {"Wrong value for Step value 1!", "Wrong value for Step time 1!",
                                 "Wrong value for Step value 2!", "Wrong value for Step time 2!",
                                 "Wrong value for Step stop!",    "Wrong value for Step stop-time!"};
    int32_t* stepValues[6] = {&s.stepValue1, &s.stepTime1, &s.stepValue2, &s.stepTime2, &s.stepStopValue,
                              &s.stepStopTime};
    for (int i = 0; i < 6; ++i) {
        if (!numberOf(stepFields_[i], *stepValues[i])) {
            errorBox(trw(stepErrors[i]));
            return false;
        }
    }
    // The capture as it was taken, with its own channel list; without one, the channels
    // as they are set now.
    file.capture = capture_;
    if (capture_.empty()) {
        file.capture = ScopeCapture{};
        for (int n = 0; n < kScopeChannels; ++n)
            file.capture.channelRegisters[n] = static_cast<uint32_t>(clientData(channelSignal_[n]));
    }
    return true;
}

void OscilloscopePage::saveScopeFile() {
    const wxString path = chooseFile(this, "Save Oscilloscope File", getOscilloscopeDataDirectory(),
                                     getOscilloscopeDataFilename(), kScopeFilesWildcard,
                                     wxFD_SAVE | wxFD_OVERWRITE_PROMPT);
    if (path.empty()) return;
    rememberScopeFile(path);
    ScopeFile file;
    if (!collectScopeFile(file)) return;
    const std::string fsPath(path.fn_str());
    // Written beside the old file and put in its place only when complete.
    const ScopeFileStatus status = writeScopeFile(fsPath, file);
    if (status != ScopeFileStatus::Ok) errorBox(wxString::FromUTF8(scopeFileMessage(status, path.utf8_string())));
}

void OscilloscopePage::loadScopeFile() {
    const wxString path = chooseFile(this, "Load Oscilloscope File", getOscilloscopeDataDirectory(),
                                     getOscilloscopeDataFilename(), kScopeFilesWildcard,
                                     wxFD_OPEN | wxFD_FILE_MUST_EXIST);
    if (path.empty()) return;
    rememberScopeFile(path);
    stopStepResponse();
    ScopeFile file;
    wxComboBox* list = channelSignal_[0];
    const ScopeFileStatus status = readScopeFile(std::string(path.fn_str()), file, [list](uint32_t reg) {
        return reg <= 0xFF && findChoiceByClientData(list, static_cast<long>(reg)) >= 0;
    });
    if (status != ScopeFileStatus::Ok) {
        capture_ = ScopeCapture{};
        errorBox(wxString::FromUTF8(scopeFileMessage(status, path.utf8_string())));
        return;
    }
    applyScopeFile(file, path);
}

bool OscilloscopePage::applyScopeFile(const ScopeFile& file, const wxString& path) {
    const ScopeFileSettings& s = file.settings;
    auto refuse = [&] {
        capture_ = ScopeCapture{};
        errorBox(wxString::FromUTF8(strprintfRuntime(tr("Unable to read datas from file '%s'!"),
                                                     path.utf8_string().c_str())));
        return false;
    };
    if (!drive()->isConnected()) {
        // Offline the file's scales give the read-out in the units of the time of saving.
        scales_ = file.scales;
    } else if (!(scales_ == file.scales)) {
        ui::messageBox(trw("The stored values to calculate the current and speed are different than the values in "
                           "the Drive. You have to go offline and reload the file to see correct units!"),
                       trw(kCaptionWarning), wxOK | wxICON_EXCLAMATION);
    }
    for (int n = 0; n < kScopeChannels; ++n) {
        channelUDiv_[n]->ChangeValue(wxString::Format("%d", s.uDiv[n]));
        channelColour_[n] = toColour(s.colours[n]);
        paintColourButton(channelColourButton_[n], channelColour_[n]);
        channelReadout_[n]->SetForegroundColour(channelColour_[n]);
        if (!selectByClientData(channelSignal_[n], static_cast<long>(file.capture.channelRegisters[n])))
            return refuse();
        channelPos_[n]->ChangeValue(wxString::Format("%d", s.pos[n]));
    }
    joinCheck_->SetValue(s.join);
    zeroCheck_->SetValue(s.zero);
    overCheck_->SetValue(s.over);
    if (!selectByClientData(timeScale_, s.timePerDivision)) return refuse();
    // Trigger On: channel entries carry 0..7 and come first; a register beyond them.
    bool onFound = false;
    for (unsigned i = 0; i < triggerOn_->GetCount(); ++i) {
        const long data = static_cast<long>(reinterpret_cast<intptr_t>(triggerOn_->GetClientData(i)));
        if (data == static_cast<long>(s.triggerOn) && ((i < kScopeChannels) == (s.triggerOn < kScopeChannels))) {
            triggerOn_->SetSelection(static_cast<int>(i));
            onFound = true;
            break;
        }
    }
    if (!onFound) return refuse();
    if (!selectByClientData(triggerEdge_, s.triggerEdge)) return refuse();
    if (!selectByClientData(triggerBuffer_, s.triggerBuffer)) return refuse();
    if (!selectByClientData(triggerRun_, s.triggerRun)) return refuse();
    singleShot_ = s.triggerRun == kTriggerRunSingle;
    backgroundColour_ = toColour(s.background);
    paintColourButton(backgroundButton_, backgroundColour_);
    for (wxStaticText* readout : channelReadout_) readout->SetBackgroundColour(backgroundColour_);
    gridColour_ = toColour(s.grid);
    paintColourButton(gridButton_, gridColour_);
    zeroColour_ = toColour(s.zeroLine);
    paintColourButton(zeroButton_, zeroColour_);
    triggerLevel_->ChangeValue(wxString::Format("%d", s.triggerLevel));
    if (!selectByClientData(stepType_, s.stepRegister)) return refuse();
    const int32_t steps[6] = {s.stepValue1, s.stepTime1, s.stepValue2, s.stepTime2, s.stepStopValue, s.stepStopTime};
    for (int i = 0; i < 6; ++i) stepFields_[i]->ChangeValue(wxString::Format("%d", steps[i]));

    capture_ = file.capture;
    redrawAll();
    updateTriggerMarker();
    showCursorReadout(canvas_->mouseX(), canvas_->mouseY());
    return true;
}

}  // namespace torvex
