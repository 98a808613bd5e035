// The page's side of the step-response test.
#include <wx/button.h>
#include <wx/combobox.h>
#include <wx/textctrl.h>

#include "link/connection.h"
#include "pages/scope/oscilloscope_page.h"
#include "pages/scope/oscilloscope_page_parts.h"
#include "scope/step_test.h"
#include "widgets/events.h"

namespace torvex {

using namespace scope_page;

void OscilloscopePage::startStepResponse() {
    if (stepWorker_) return;
    endStepThread();  // threads stopped before have ended by now; collect them
    if (stepType_->GetSelection() < 0) {
        errorBox(trw("Nothing selected as Step type!"));
        return;
    }
    StepTexts texts;
    std::string* fields[6] = {&texts.value1, &texts.time1, &texts.value2, &texts.time2, &texts.stop, &texts.stopTime};
    for (int i = 0; i < 6; ++i) *fields[i] = stepFields_[i]->GetValue().utf8_string();
    StepPlanResult result = parseStepPlan(static_cast<uint32_t>(clientData(stepType_)), texts);
    if (!result.plan) {
        errorBox(trw(result.errorKey));
        return;
    }
    const uint32_t generation = ++stepGeneration_;
    wxEvtHandler* page = this;
    stepWorker_ = std::make_unique<StepWorker>(*drive(), *result.plan, [page, generation] {
        postGenerationEvent(page, StepFinishedEvent, 0, wxString(), generation);
    });
    if (!stepWorker_->start()) {
        stepWorker_.reset();
        return;
    }
    stepButton_->SetLabel(trw("Stop"));
    stepType_->Disable();
    for (wxTextCtrl* field : stepFields_) field->Disable();
}

void OscilloscopePage::showStepIdle() {
    stepButton_->SetLabel(trw("Start"));
    stepType_->Enable();
    for (wxTextCtrl* field : stepFields_) field->Enable();
}

void OscilloscopePage::stopStepResponse() {
    if (!stepWorker_) return;
    // The thread wakes at once, writes the 0 itself (so nothing it sends can follow the 0)
    // and ends; the GUI does not wait for it here.
    stepWorker_->requestStop();
    stoppingSteps_.push_back(std::move(stepWorker_));
    ++stepGeneration_;
    showStepIdle();
}

void OscilloscopePage::endStepThread() {
    for (auto& worker : stoppingSteps_) {
        worker->requestStop();
        worker->join();
    }
    stoppingSteps_.clear();
}

void OscilloscopePage::onStepButtonLabel(wxCommandEvent& event) { stepButton_->SetLabel(event.GetString()); }

void OscilloscopePage::onStepFinished(wxCommandEvent& event) {
    if (static_cast<uint32_t>(event.GetExtraLong()) != stepGeneration_ || !stepWorker_) return;
    // Ended by a failed write, after its message and its 0.
    stepWorker_->join();
    stepWorker_.reset();
    showStepIdle();
}

}  // namespace torvex
