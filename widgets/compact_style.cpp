#include "widgets/compact_style.h"

#include <dlfcn.h>

#include <wx/textctrl.h>
#include <wx/window.h>

#include <cstring>

namespace torvex {

namespace {

// The few toolkit calls needed, looked up in the running process (the GUI library has the
// toolkit loaded): the build needs no toolkit headers of its own.
using CssProviderNew = void* (*)();
using CssProviderLoad = int (*)(void* provider, const char* data, long length, void** error);
using ScreenGetDefault = void* (*)();
using AddProviderForScreen = void (*)(void* screen, void* provider, unsigned priority);
using WidgetGetStyleContext = void* (*)(void* widget);
using StyleContextAddClass = void (*)(void* context, const char* name);
using BinGetChild = void* (*)(void* bin);
using TextViewSetInt = void (*)(void* view, int value);
using TypeCheckInstanceIsA = int (*)(void* instance, unsigned long type);
using GetType = unsigned long (*)();

constexpr unsigned kApplicationPriority = 600;

// The style class that marks a window whose controls are laid out at fixed pixel sizes.
constexpr const char* kCompactClass = "torvex-compact";

// Every rule holds only below a window of the compact class.
constexpr const char* kStyleSheet =
    ".torvex-compact button { padding: 0px 2px; min-height: 0px; min-width: 0px; }\n"
    ".torvex-compact entry { padding: 0px 2px; min-height: 0px; min-width: 0px; }\n"
    ".torvex-compact combobox button, .torvex-compact combobox entry"
    " { padding: 0px 1px; min-height: 0px; min-width: 0px; }\n"
    ".torvex-compact combobox arrow { min-height: 0px; min-width: 8px; }\n"
    ".torvex-compact combobox box, .torvex-compact combobox cellview { min-height: 0px; min-width: 0px; }\n"
    ".torvex-compact spinbutton, .torvex-compact spinbutton entry, .torvex-compact spinbutton button"
    " { padding: 0px 1px; min-height: 0px; min-width: 0px; }\n"
    ".torvex-compact radiobutton, .torvex-compact checkbutton { padding: 0px; min-height: 0px; }\n"
    // A label-less 20-pixel radio (the logic polarities) holds its indicator; a label keeps
    // the box's own spacing from it.
    ".torvex-compact radiobutton radio { margin: 0px; }\n"
    // The theme greys the label of a disabled radio or check box for a white window; on the
    // pages' blue it would all but vanish. The greyed indicator says it is disabled; the
    // text stays dark enough to read on the page colour and the status panel's.
    ".torvex-compact radiobutton:disabled label, .torvex-compact checkbutton:disabled label"
    " { color: #484848; }\n"
    // A titled box's frame line runs right up to the first letter of its title: the title
    // keeps a little way in from the corner.
    ".torvex-compact frame > label { margin: 0px 4px; }\n"
    // The default theme's sliders are 40 pixels long at least: a scroll bar of the status
    // panel's few-line text fields would have less than no room left for its trough.
    ".torvex-compact scrollbar slider { min-width: 8px; min-height: 8px; }\n";

bool g_installed = false;

template <class F>
F look(const char* name) {
    return reinterpret_cast<F>(dlsym(RTLD_DEFAULT, name));
}

}  // namespace

bool installCompactControlStyle() {
    if (g_installed) return true;
    auto providerNew = look<CssProviderNew>("gtk_css_provider_new");
    auto load = look<CssProviderLoad>("gtk_css_provider_load_from_data");
    auto screenDefault = look<ScreenGetDefault>("gdk_screen_get_default");
    auto addProvider = look<AddProviderForScreen>("gtk_style_context_add_provider_for_screen");
    if (!providerNew || !load || !screenDefault || !addProvider) return false;
    void* screen = screenDefault();
    void* provider = providerNew();
    if (!screen || !provider) return false;
    if (!load(provider, kStyleSheet, static_cast<long>(std::strlen(kStyleSheet)), nullptr)) return false;
    addProvider(screen, provider, kApplicationPriority);
    g_installed = true;
    return true;
}

bool useCompactControls(wxWindow* window) {
    if (!window || !installCompactControlStyle()) return false;
    auto styleContext = look<WidgetGetStyleContext>("gtk_widget_get_style_context");
    auto addClass = look<StyleContextAddClass>("gtk_style_context_add_class");
    void* widget = window->GetHandle();
    if (!styleContext || !addClass || !widget) return false;
    void* context = styleContext(widget);
    if (!context) return false;
    addClass(context, kCompactClass);
    return true;
}

bool indentWrappedLines(wxTextCtrl* field, int indent) {
    auto binChild = look<BinGetChild>("gtk_bin_get_child");
    auto setLeftMargin = look<TextViewSetInt>("gtk_text_view_set_left_margin");
    auto setIndent = look<TextViewSetInt>("gtk_text_view_set_indent");
    auto isA = look<TypeCheckInstanceIsA>("g_type_check_instance_is_a");
    auto textViewType = look<GetType>("gtk_text_view_get_type");
    if (!field || !binChild || !setLeftMargin || !setIndent || !isA || !textViewType) return false;
    // A multi-line field is a text view inside a scrolled window.
    void* view = binChild(static_cast<wxWindow*>(field)->GetHandle());
    if (!view || !isA(view, textViewType())) return false;
    // A negative paragraph indent hangs: the first line starts at the edge, every line
    // wrapped from it indent pixels in.
    setLeftMargin(view, 0);
    setIndent(view, -indent);
    return true;
}

}  // namespace torvex
