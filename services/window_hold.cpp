#include "services/window_hold.h"

#include <dlfcn.h>

#include <wx/app.h>
#include <wx/evtloop.h>
#include <wx/utils.h>

namespace torvex {

namespace {

int g_holdDepth = 0;  // the window's own thread only

// The toolkit's own way to keep input from every window of the program: while a widget
// holds the grab, clicks and keys meant for any other window go to that widget, and an
// invisible one does nothing with them. Disabling the windows instead would restyle every
// control twice per command (a third of a second on the main frame) and take the focus
// off the focused field, which the field would take for the user leaving it. The few calls
// are looked up in the running process (the GUI library has the toolkit loaded), as for
// the control style.
class InputGrab {
public:
    static InputGrab& instance() {
        static InputGrab grab;
        return grab;
    }
    bool available() const { return widget_ != nullptr; }
    void take() { grabAdd_(widget_); }
    void release() { grabRemove_(widget_); }

private:
    using InvisibleNew = void* (*)();
    using WidgetCall = void (*)(void*);

    InputGrab() {
        auto invisibleNew = reinterpret_cast<InvisibleNew>(dlsym(RTLD_DEFAULT, "gtk_invisible_new"));
        auto show = reinterpret_cast<WidgetCall>(dlsym(RTLD_DEFAULT, "gtk_widget_show"));
        grabAdd_ = reinterpret_cast<WidgetCall>(dlsym(RTLD_DEFAULT, "gtk_grab_add"));
        grabRemove_ = reinterpret_cast<WidgetCall>(dlsym(RTLD_DEFAULT, "gtk_grab_remove"));
        if (!invisibleNew || !show || !grabAdd_ || !grabRemove_) return;
        widget_ = invisibleNew();
        if (widget_) show(widget_);
    }

    void* widget_ = nullptr;  // lives as long as the program
    WidgetCall grabAdd_ = nullptr;
    WidgetCall grabRemove_ = nullptr;
};

}  // namespace

struct WindowHold::Held {
    Held() {
        if (grab.available()) grab.take();
        else noInput = std::make_unique<wxWindowDisabler>();
    }
    ~Held() {
        if (grab.available()) grab.release();
    }

    wxBusyCursor busy;
    InputGrab& grab = InputGrab::instance();
    std::unique_ptr<wxWindowDisabler> noInput;  // only where the toolkit has no grab
};

WindowHold::WindowHold() {
    if (g_holdDepth++ == 0) held_ = std::make_unique<Held>();
}

WindowHold::~WindowHold() {
    --g_holdDepth;
    if (!held_) return;
    // The input that queued up while the command held the window is handled now, while
    // the windows still refuse it, so it is dropped. Only input: posted events and idle
    // work wait for the event loop, as they would without the hold.
    if (wxEventLoopBase* loop = wxEventLoopBase::GetActive()) loop->YieldFor(wxEVT_CATEGORY_USER_INPUT);
    held_.reset();
    // What was posted during the hold is not left waiting for the next input.
    wxWakeUpIdle();
}

}  // namespace torvex
