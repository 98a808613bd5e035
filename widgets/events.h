// The program's own event types. Each is a command event with id 0 carrying its
// payload in the event's integer and text. Worker threads only ever post these.
#pragma once

#include <wx/event.h>

wxDECLARE_EVENT(CurrentValueEvent, wxCommandEvent);
wxDECLARE_EVENT(StatusBitsEvent, wxCommandEvent);
wxDECLARE_EVENT(IoBitsEvent, wxCommandEvent);
wxDECLARE_EVENT(SpeedValueEvent, wxCommandEvent);
wxDECLARE_EVENT(WarningWordEvent, wxCommandEvent);
wxDECLARE_EVENT(ErrorWordEvent, wxCommandEvent);
wxDECLARE_EVENT(SettingsRefocusEvent, wxCommandEvent);
wxDECLARE_EVENT(SettingsStatusEvent, wxCommandEvent);
wxDECLARE_EVENT(LogicRefocusEvent, wxCommandEvent);
wxDECLARE_EVENT(BaudEnableEvent, wxCommandEvent);
wxDECLARE_EVENT(CaptureButtonLabelEvent, wxCommandEvent);
wxDECLARE_EVENT(StepButtonLabelEvent, wxCommandEvent);
wxDECLARE_EVENT(DriveEnableStateEvent, wxCommandEvent);
wxDECLARE_EVENT(CaptureStatusColourEvent, wxCommandEvent);
wxDECLARE_EVENT(CaptureStatusTextEvent, wxCommandEvent);
wxDECLARE_EVENT(TriggerMarkerEvent, wxCommandEvent);
wxDECLARE_EVENT(ScopeRedrawEvent, wxCommandEvent);
wxDECLARE_EVENT(EnableScopeControlsEvent, wxCommandEvent);
wxDECLARE_EVENT(PositionRefocusEvent, wxCommandEvent);
wxDECLARE_EVENT(CalcValueEvent, wxCommandEvent);
wxDECLARE_EVENT(SpeedRefocusEvent, wxCommandEvent);
wxDECLARE_EVENT(SaveRegistersEvent, wxCommandEvent);
wxDECLARE_EVENT(RegisterChangedEvent, wxCommandEvent);
wxDECLARE_EVENT(StopStepTestEvent, wxCommandEvent);
wxDECLARE_EVENT(LoadRegistersEvent, wxCommandEvent);
wxDECLARE_EVENT(DigitalSpeedEvent, wxCommandEvent);
wxDECLARE_EVENT(ExecuteScriptEvent, wxCommandEvent);
wxDECLARE_EVENT(ReadAllEvent, wxCommandEvent);
wxDECLARE_EVENT(OfflineIndicatorEvent, wxCommandEvent);
wxDECLARE_EVENT(TriggerRegistersChangedEvent, wxCommandEvent);
wxDECLARE_EVENT(BitLabelValueEvent, wxCommandEvent);
wxDECLARE_EVENT(DisplayValueEvent, wxCommandEvent);
wxDECLARE_EVENT(DisplayTextEvent, wxCommandEvent);
wxDECLARE_EVENT(RegisterListLineEvent, wxCommandEvent);
wxDECLARE_EVENT(InformationValueEvent, wxCommandEvent);
wxDECLARE_EVENT(TrackValueEvent, wxCommandEvent);

class wxWindow;

// Builds a program event (id 0) with its payload. The text is copied deeply, so the
// event shares no string buffer with the caller's text and may cross threads.
wxCommandEvent* newProgramEvent(wxEventType type, int value = 0, const wxString& text = wxString());
// Posts (queues) a program event to a handler; safe from any thread. Nothing without a target.
void postProgramEvent(wxEvtHandler* target, wxEventType type, int value = 0, const wxString& text = wxString());
// Posts an event made by newProgramEvent (and takes it); as postProgramEvent otherwise.
void queueProgramEvent(wxEvtHandler* target, wxCommandEvent* event);

// One polling step posts a value for every field and lamp of the shown page, each within a
// fraction of a millisecond of the last, and every post on its own wakes the GUI thread for
// a round of its event loop. While a PostBurst is open on a thread, the program events that
// thread posts are held and handed over together, in the order they were posted: as soon as
// a post finds the oldest one held for kHoldMs, and when the burst closes. The GUI thread
// then wakes about once per burst, and a value is held no longer than that plus one
// exchange with the drive. Bursts on the same thread nest; the outermost hands over.
class PostBurst {
public:
    static constexpr int kHoldMs = 20;

    PostBurst();
    ~PostBurst();
    PostBurst(const PostBurst&) = delete;
    PostBurst& operator=(const PostBurst&) = delete;
};

// Sends a program event at once through the event handler of sender's parent; an event
// the parent does not handle travels up the window chain to the frame. GUI thread only.
// Returns whether some handler took it; false when sender has no parent.
bool sendProgramEventToParent(wxWindow* sender, wxEventType type, int value = 0, const wxString& text = wxString());
