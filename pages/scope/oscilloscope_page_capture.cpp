// The page's side of a capture: arming it, running its thread and showing what the thread
// reports.
#include <wx/button.h>
#include <wx/combobox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "link/connection.h"
#include "pages/scope/oscilloscope_page.h"
#include "pages/scope/oscilloscope_page_parts.h"
#include "pages/scope/scope_canvas.h"
#include "scope/capture_worker.h"
#include "widgets/events.h"

namespace torvex {

using namespace scope_page;

namespace {

ChoiceValue choiceOf(wxComboBox* box) {
    const int index = box->GetSelection();
    return index < 0 ? ChoiceValue{} : ChoiceValue::of(index, clientData(box));
}

}  // namespace

CaptureSettings OscilloscopePage::captureSettings() const {
    CaptureSettings settings;
    for (int n = 0; n < kScopeChannels; ++n) settings.channels[n] = choiceOf(channelSignal_[n]);
    settings.triggerOn = choiceOf(triggerOn_);
    long level = 0;
    if (parseScopeNumber(triggerLevel_->GetValue().utf8_string(), level)) settings.triggerLevel = level;
    settings.triggerRun = choiceOf(triggerRun_);
    settings.triggerEdge = choiceOf(triggerEdge_);
    settings.timeScale = choiceOf(timeScale_);
    settings.triggerBuffer = choiceOf(triggerBuffer_);
    return settings;
}

void OscilloscopePage::startCapture() {
    if (captureWorker_) return;
    captureButton_->SetLabel(trw("Stop capture"));
    enableScopeControls(false);
    std::optional<ArmedCapture> armed = armCapture(*drive(), captureSettings());
    if (!armed) {
        returnCaptureToIdle();
        return;
    }
    const uint32_t generation = ++captureGeneration_;
    wxEvtHandler* page = this;
    captureWorker_ = std::make_unique<CaptureWorker>(
        *drive(), *armed, [page, generation](CaptureNotice notice, int value, const std::string& text) {
            const wxString shown = wxString::FromUTF8(text);
            switch (notice) {
            case CaptureNotice::StatusColour:
                postGenerationEvent(page, CaptureStatusColourEvent, value, shown, generation);
                break;
            case CaptureNotice::StatusText:
                postGenerationEvent(page, CaptureStatusTextEvent, value, shown, generation);
                break;
            case CaptureNotice::ButtonLabel:
                postGenerationEvent(page, CaptureButtonLabelEvent, value, shown, generation);
                break;
            case CaptureNotice::EnableControls:
                postGenerationEvent(page, EnableScopeControlsEvent, value, shown, generation);
                break;
            case CaptureNotice::Redraw:
                postGenerationEvent(page, ScopeRedrawEvent, value, shown, generation);
                break;
            case CaptureNotice::Finished:
                postGenerationEvent(page, CaptureFinishedEvent, value, shown, generation);
                break;
            }
        });
    if (!captureWorker_->start()) {
        captureWorker_.reset();
        returnCaptureToIdle();
    }
}

bool OscilloscopePage::endCaptureThread() {
    if (!captureWorker_) return false;
    captureWorker_->requestStop();
    captureWorker_->join();
    const bool taken = takeLatestCapture();
    captureWorker_.reset();
    return taken;
}

bool OscilloscopePage::takeLatestCapture() {
    if (!captureWorker_) return false;
    std::shared_ptr<const ScopeCapture> latest = captureWorker_->latestCapture();
    if (!latest || latest == takenCapture_) return false;
    takenCapture_ = latest;
    capture_ = *latest;
    return true;
}

void OscilloscopePage::showCapture() {
    redrawAll();
    if (canvas_->mouseInside()) showCursorReadout(canvas_->mouseX(), canvas_->mouseY());
}

void OscilloscopePage::returnCaptureToIdle() {
    captureButton_->SetLabel(trw("Start capture"));
    captureStatus_->SetForegroundColour(*wxBLACK);
    captureStatus_->SetLabel(trw(" idle"));
    enableScopeControls(true);
}

void OscilloscopePage::stopCapture() {
    // A capture read completely before the stop is shown, though its redraw is dropped.
    const bool taken = endCaptureThread();
    ++captureGeneration_;  // whatever the thread posted last is dropped
    returnCaptureToIdle();
    if (taken) showCapture();
}

namespace {
bool current(const wxCommandEvent& event, uint32_t generation) {
    return static_cast<uint32_t>(event.GetExtraLong()) == generation;
}
}  // namespace

void OscilloscopePage::onCaptureStatusText(wxCommandEvent& event) {
    if (!current(event, captureGeneration_)) return;
    captureStatus_->SetLabel(event.GetString());
}

void OscilloscopePage::onCaptureStatusColour(wxCommandEvent& event) {
    if (!current(event, captureGeneration_)) return;
    const uint32_t packed = static_cast<uint32_t>(event.GetInt());
    captureStatus_->SetForegroundColour(wxColour(packed & 0xFF, (packed >> 8) & 0xFF, (packed >> 16) & 0xFF));
    captureStatus_->Refresh();
}

void OscilloscopePage::onCaptureButtonLabel(wxCommandEvent& event) {
    if (!current(event, captureGeneration_)) return;
    captureButton_->SetLabel(event.GetString());
}

void OscilloscopePage::onEnableScopeControls(wxCommandEvent& event) {
    if (!current(event, captureGeneration_)) return;
    enableScopeControls(event.GetInt() != 0);
}

void OscilloscopePage::onScopeRedraw(wxCommandEvent& event) {
    if (!current(event, captureGeneration_) || !captureWorker_) return;
    takeLatestCapture();
    showCapture();
}

void OscilloscopePage::onCaptureFinished(wxCommandEvent& event) {
    if (!current(event, captureGeneration_)) return;
    // The thread has posted its last report and is ending: this join is short.
    if (endCaptureThread()) showCapture();
}

}  // namespace torvex
