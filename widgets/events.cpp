#include "widgets/events.h"

#include <wx/window.h>

#include <chrono>
#include <utility>
#include <vector>

wxDEFINE_EVENT(CurrentValueEvent, wxCommandEvent);
wxDEFINE_EVENT(StatusBitsEvent, wxCommandEvent);
wxDEFINE_EVENT(IoBitsEvent, wxCommandEvent);
wxDEFINE_EVENT(SpeedValueEvent, wxCommandEvent);
wxDEFINE_EVENT(WarningWordEvent, wxCommandEvent);
wxDEFINE_EVENT(ErrorWordEvent, wxCommandEvent);
wxDEFINE_EVENT(SettingsRefocusEvent, wxCommandEvent);
wxDEFINE_EVENT(SettingsStatusEvent, wxCommandEvent);
wxDEFINE_EVENT(LogicRefocusEvent, wxCommandEvent);
wxDEFINE_EVENT(BaudEnableEvent, wxCommandEvent);
wxDEFINE_EVENT(CaptureButtonLabelEvent, wxCommandEvent);
wxDEFINE_EVENT(StepButtonLabelEvent, wxCommandEvent);
wxDEFINE_EVENT(DriveEnableStateEvent, wxCommandEvent);
wxDEFINE_EVENT(CaptureStatusColourEvent, wxCommandEvent);
wxDEFINE_EVENT(CaptureStatusTextEvent, wxCommandEvent);
wxDEFINE_EVENT(TriggerMarkerEvent, wxCommandEvent);
wxDEFINE_EVENT(ScopeRedrawEvent, wxCommandEvent);
wxDEFINE_EVENT(EnableScopeControlsEvent, wxCommandEvent);
wxDEFINE_EVENT(PositionRefocusEvent, wxCommandEvent);
wxDEFINE_EVENT(CalcValueEvent, wxCommandEvent);
wxDEFINE_EVENT(SpeedRefocusEvent, wxCommandEvent);
wxDEFINE_EVENT(SaveRegistersEvent, wxCommandEvent);
wxDEFINE_EVENT(RegisterChangedEvent, wxCommandEvent);
wxDEFINE_EVENT(StopStepTestEvent, wxCommandEvent);
wxDEFINE_EVENT(LoadRegistersEvent, wxCommandEvent);
wxDEFINE_EVENT(DigitalSpeedEvent, wxCommandEvent);
wxDEFINE_EVENT(ExecuteScriptEvent, wxCommandEvent);
wxDEFINE_EVENT(ReadAllEvent, wxCommandEvent);
wxDEFINE_EVENT(OfflineIndicatorEvent, wxCommandEvent);
wxDEFINE_EVENT(TriggerRegistersChangedEvent, wxCommandEvent);
wxDEFINE_EVENT(BitLabelValueEvent, wxCommandEvent);
wxDEFINE_EVENT(DisplayValueEvent, wxCommandEvent);
wxDEFINE_EVENT(DisplayTextEvent, wxCommandEvent);
wxDEFINE_EVENT(RegisterListLineEvent, wxCommandEvent);
wxDEFINE_EVENT(InformationValueEvent, wxCommandEvent);
wxDEFINE_EVENT(TrackValueEvent, wxCommandEvent);

wxCommandEvent* newProgramEvent(wxEventType type, int value, const wxString& text) {
    auto* event = new wxCommandEvent(type, 0);
    event->SetInt(value);
    // A fresh buffer built from the characters: nothing of the caller's string (nor its
    // cached conversions) is shared with the thread that handles the event.
    event->SetString(wxString(text.wc_str(), text.length()));
    return event;
}

namespace {

// The posts held by the bursts open on this thread.
struct HeldPosts {
    int depth = 0;
    std::vector<std::pair<wxEvtHandler*, wxCommandEvent*>> posts;
    std::chrono::steady_clock::time_point oldest;
};

thread_local HeldPosts t_held;

void handOver(HeldPosts& held) {
    // Back to back: the first wakes the GUI thread, which by then finds the rest queued too.
    for (const auto& [target, event] : held.posts) wxQueueEvent(target, event);
    held.posts.clear();
}

}  // namespace

PostBurst::PostBurst() { ++t_held.depth; }

PostBurst::~PostBurst() {
    if (--t_held.depth == 0) handOver(t_held);
}

void queueProgramEvent(wxEvtHandler* target, wxCommandEvent* event) {
    if (!target) {
        delete event;
        return;
    }
    HeldPosts& held = t_held;
    if (held.depth == 0) {
        wxQueueEvent(target, event);
        return;
    }
    const auto now = std::chrono::steady_clock::now();
    if (held.posts.empty()) held.oldest = now;
    held.posts.emplace_back(target, event);
    if (now - held.oldest >= std::chrono::milliseconds(PostBurst::kHoldMs)) handOver(held);
}

void postProgramEvent(wxEvtHandler* target, wxEventType type, int value, const wxString& text) {
    if (target) queueProgramEvent(target, newProgramEvent(type, value, text));
}

bool sendProgramEventToParent(wxWindow* sender, wxEventType type, int value, const wxString& text) {
    if (!sender || !sender->GetParent()) return false;
    wxCommandEvent event(type, 0);
    event.SetInt(value);
    event.SetString(text);
    event.SetEventObject(sender);
    return sender->GetParent()->GetEventHandler()->ProcessEvent(event);
}
