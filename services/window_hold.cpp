#include "services/window_hold.h"

#include <dlfcn.h>

#include <vector>

#include <wx/app.h>
#include <wx/evtloop.h>
#include <wx/utils.h>

namespace torvex {

namespace {

int g_holdDepth = 0;  // the window's own thread only

// The few calls of the toolkit and its drawing layer used here are looked up in the running
// process (the GUI library has them loaded), as for the control style: their headers are
// no part of the build.
struct Toolkit {
    using Invisible = void* (*)();
    using WidgetCall = void (*)(void*);
    using Display = void* (*)();
    using DisplayCall = void (*)(void*);
    using TakeEvent = void* (*)(void*);
    using PutEvent = void (*)(void*, const void*);
    using EventCall = void (*)(void*);
    using EventType = int (*)(const void*);
    using Paint = void (*)();
    using CurrentGrab = void* (*)();

    static const Toolkit& get() {
        static const Toolkit toolkit;
        return toolkit;
    }

    template <typename Call>
    static Call find(const char* name) {
        return reinterpret_cast<Call>(dlsym(RTLD_DEFAULT, name));
    }

    Invisible invisibleNew = find<Invisible>("gtk_invisible_new");
    WidgetCall show = find<WidgetCall>("gtk_widget_show");
    WidgetCall grabAdd = find<WidgetCall>("gtk_grab_add");
    WidgetCall grabRemove = find<WidgetCall>("gtk_grab_remove");
    CurrentGrab currentGrab = find<CurrentGrab>("gtk_grab_get_current");
    Display display = find<Display>("gdk_display_get_default");
    DisplayCall sync = find<DisplayCall>("gdk_display_sync");
    DisplayCall flush = find<DisplayCall>("gdk_display_flush");
    TakeEvent takeEvent = find<TakeEvent>("gdk_display_get_event");
    PutEvent putEvent = find<PutEvent>("gdk_display_put_event");
    EventCall freeEvent = find<EventCall>("gdk_event_free");
    EventType eventType = find<EventType>("gdk_event_get_event_type");
    EventCall handleEvent = find<EventCall>("gtk_main_do_event");
    Paint paintPending = find<Paint>("gdk_window_process_all_updates");

    bool hasGrab() const { return invisibleNew && show && grabAdd && grabRemove && currentGrab; }
    bool hasQueue() const { return display && sync && flush && takeEvent && putEvent && freeEvent && eventType; }
};

// The toolkit's own way to keep input from every window of the program: while a widget
// holds the grab, clicks and keys meant for any other window go to that widget, and an
// invisible one does nothing with them. Disabling the windows instead would restyle every
// control twice per command (a third of a second on the main frame) and take the focus
// off the focused field, which the field would take for the user leaving it.
class InputGrab {
public:
    static InputGrab& instance() {
        static InputGrab grab;
        return grab;
    }
    bool available() const { return widget_ != nullptr; }
    void take() { Toolkit::get().grabAdd(widget_); }
    void release() { Toolkit::get().grabRemove(widget_); }
    // False while a dialog shown during the command takes the input.
    bool current() const { return Toolkit::get().currentGrab() == widget_; }

private:
    InputGrab() {
        const Toolkit& toolkit = Toolkit::get();
        if (!toolkit.hasGrab()) return;
        widget_ = toolkit.invisibleNew();
        if (widget_) toolkit.show(widget_);
    }

    void* widget_ = nullptr;  // lives as long as the program
};

// The kinds of the drawing layer's events that a person's keys, buttons, wheel and touches
// make (its event type numbers).
bool isUserInput(int type) {
    switch (type) {
    case 4: case 5: case 6: case 7:      // button pressed (once, twice, three times), released
    case 8: case 9:                      // key pressed, released
    case 31:                             // wheel
    case 37: case 38: case 39: case 40:  // touch begins, moves, ends, is cancelled
        return true;
    default:
        return false;
    }
}

// Reads everything the display server has sent up to now into the toolkit's queue and hands
// each event to keep (which keeps it queued by answering true). Reading an event is what
// tells the toolkit where the pointer is (so that it shows the window's cursor there) and
// which parts of a window a closed dialog uncovered. Reading hands no event to a window and
// runs no timer, idle work or posted event. The events kept go back in their order (behind a
// last pointer motion, which the toolkit holds back to merge it with the next).
template <typename Keep>
bool readDisplayEvents(Keep keep) {
    const Toolkit& toolkit = Toolkit::get();
    if (!toolkit.hasQueue()) return false;
    void* display = toolkit.display();
    if (!display) return false;
    toolkit.sync(display);
    std::vector<void*> kept;
    // A bound, should the pointer flood the queue faster than it is read.
    constexpr int kMostEvents = 10000;
    for (int count = 0; count < kMostEvents; ++count) {
        void* event = toolkit.takeEvent(display);
        if (!event) break;
        if (keep(event)) kept.push_back(event);
        else toolkit.freeEvent(event);
    }
    for (void* event : kept) {
        toolkit.putEvent(display, event);  // queues a copy
        toolkit.freeEvent(event);
    }
    return true;
}

}  // namespace

struct WindowHold::Held {
    Held() {
        if (grab.available()) grab.take();
        else noInput = std::make_unique<wxWindowDisabler>();
        showAtOnce();
    }
    ~Held() {
        if (grab.available()) grab.release();
    }

    // The busy cursor is set on every window, but the toolkit shows it only in the window it
    // knows the pointer to be in; after a dialog's button was clicked that is still the
    // closed dialog until the display server's news of the dialog going away is read, and the
    // parts of the main window the dialog covered wait for the same news to be drawn again.
    // Both are done now, before the command keeps the window's thread.
    static void showAtOnce() {
        if (!readDisplayEvents([](void*) { return true; })) return;
        const Toolkit& toolkit = Toolkit::get();
        if (toolkit.paintPending) toolkit.paintPending();
        toolkit.flush(toolkit.display());
    }

    wxBusyCursor busy;
    InputGrab& grab = InputGrab::instance();
    std::unique_ptr<wxWindowDisabler> noInput;  // only where the toolkit has no grab
};

WindowHold::WindowHold() {
    if (g_holdDepth++ == 0) held_ = std::make_unique<Held>();
}

WindowHold::~WindowHold() {
    if (held_) dropHeldInput();  // while this hold still counts
    --g_holdDepth;
    if (!held_) return;
    held_.reset();
    // What was posted during the hold is not left waiting for the next input.
    wxWakeUpIdle();
}

void WindowHold::dropHeldInput() {
    if (g_holdDepth == 0) return;
    // A dialog of the command's own that has the input now is being used: its input is live.
    InputGrab& grab = InputGrab::instance();
    if (grab.available() && !grab.current()) return;
    // The input made up to now is handed to the windows while they still refuse it, so it is
    // dropped. Only input: posted events, timers and idle work wait for the event loop, as
    // they would without the hold.
    const Toolkit& toolkit = Toolkit::get();
    const bool read = toolkit.handleEvent && readDisplayEvents([&toolkit](void* event) {
        if (!isUserInput(toolkit.eventType(event))) return true;
        toolkit.handleEvent(event);
        return false;
    });
    if (read) return;
    if (wxEventLoopBase* loop = wxEventLoopBase::GetActive()) loop->YieldFor(wxEVT_CATEGORY_USER_INPUT);
}

}  // namespace torvex
