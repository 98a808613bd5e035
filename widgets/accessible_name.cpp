#include "widgets/accessible_name.h"

#include <dlfcn.h>

#include <wx/string.h>
#include <wx/window.h>

namespace torvex {

bool setAccessibleName(wxWindow* control, const wxString& name) {
    // The library offers no accessibility of its own on this toolkit; the toolkit's calls are
    // looked up in the running process, as for the control style.
    using Accessible = void* (*)(void*);
    using SetName = void (*)(void*, const char*);
    static const auto accessible = reinterpret_cast<Accessible>(dlsym(RTLD_DEFAULT, "gtk_widget_get_accessible"));
    static const auto setName = reinterpret_cast<SetName>(dlsym(RTLD_DEFAULT, "atk_object_set_name"));
    void* object = accessible && setName && control && control->GetHandle() ? accessible(control->GetHandle()) : nullptr;
    if (!object) return false;
    setName(object, name.utf8_str());
    return true;
}

}  // namespace torvex
