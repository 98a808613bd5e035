#include "widgets/compact_style.h"

#include <dlfcn.h>

#include <cstring>

namespace torvex {

namespace {

// The few toolkit calls needed, looked up in the running process (the GUI library has the
// toolkit loaded): the build needs no toolkit headers of its own.
using CssProviderNew = void* (*)();
using CssProviderLoad = int (*)(void* provider, const char* data, long length, void** error);
using ScreenGetDefault = void* (*)();
using AddProviderForScreen = void (*)(void* screen, void* provider, unsigned priority);

constexpr unsigned kApplicationPriority = 600;

constexpr const char* kStyleSheet =
    "button { padding: 0px 2px; min-height: 0px; min-width: 0px; }\n"
    "entry { padding: 0px 2px; min-height: 0px; min-width: 0px; }\n"
    "combobox button, combobox entry { padding: 0px 1px; min-height: 0px; min-width: 0px; }\n"
    "combobox arrow { min-height: 0px; min-width: 8px; }\n"
    "combobox box, combobox cellview { min-height: 0px; min-width: 0px; }\n"
    "spinbutton, spinbutton entry, spinbutton button { padding: 0px 1px; min-height: 0px; min-width: 0px; }\n"
    "radiobutton, checkbutton { padding: 0px; min-height: 0px; }\n"
    // A label-less 20-pixel radio (the logic polarities) holds its indicator; a label keeps
    // the box's own spacing from it.
    "radiobutton radio { margin: 0px; }\n"
    // The default theme's sliders are 40 pixels long at least: a scroll bar of the status
    // panel's few-line text fields would have less than no room left for its trough.
    "scrollbar slider { min-width: 8px; min-height: 8px; }\n";

bool g_installed = false;

}  // namespace

bool installCompactControlStyle() {
    if (g_installed) return true;
    auto providerNew = reinterpret_cast<CssProviderNew>(dlsym(RTLD_DEFAULT, "gtk_css_provider_new"));
    auto load = reinterpret_cast<CssProviderLoad>(dlsym(RTLD_DEFAULT, "gtk_css_provider_load_from_data"));
    auto screenDefault = reinterpret_cast<ScreenGetDefault>(dlsym(RTLD_DEFAULT, "gdk_screen_get_default"));
    auto addProvider =
        reinterpret_cast<AddProviderForScreen>(dlsym(RTLD_DEFAULT, "gtk_style_context_add_provider_for_screen"));
    if (!providerNew || !load || !screenDefault || !addProvider) return false;
    void* screen = screenDefault();
    void* provider = providerNew();
    if (!screen || !provider) return false;
    if (!load(provider, kStyleSheet, static_cast<long>(std::strlen(kStyleSheet)), nullptr)) return false;
    addProvider(screen, provider, kApplicationPriority);
    g_installed = true;
    return true;
}

}  // namespace torvex
