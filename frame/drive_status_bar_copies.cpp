#include "frame/drive_status_bar_copies.h"

#include <dlfcn.h>

#include <string>

#include <wx/textctrl.h>

#include "frame/drive_status_bar_logic.h"

namespace torvex {

namespace {

// A text position is a structure its caller provides: room enough for the toolkit's.
struct TextIter {
    alignas(16) unsigned char bytes[256];
};

using Atom = void*;
using Handler = void (*)();  // any signal handler, as the signal library takes it
using ServeSelection = void (*)(void* clipboard, void* data, unsigned info, void* owner);
using SelectionTaken = void (*)(void* clipboard, void* owner);

constexpr int kConnectAfter = 1;  // after the class's own handler
// Where a view keeps the buffer it hands a drop into another view of the program.
constexpr const char* kDragBufferKey = "torvex-catalogue-text";

// The toolkit's calls, looked up in the running process (the GUI library has the toolkit
// loaded): the build has no toolkit headers, and the toolkit's objects are opaque here.
class Toolkit {
public:
    static const Toolkit& get() {
        static const Toolkit toolkit;
        return toolkit;
    }

    bool ok() const {
        return binChild && isA && textViewType && viewBuffer && viewEditable && selectionBounds && bufferText &&
               deleteSelection && insertMark && selectionBoundMark && iterAtMark && moveMark &&
               addSelectionClipboard && removeSelectionClipboard && bufferNew && bufferSetText && bufferBounds &&
               selectRange && realized && widgetClipboard && atom && clipboardSetText && clipboardSetWithOwner &&
               clipboardOwner && clipboardClear && targetListNew && targetListAddText && targetTable &&
               targetListUnref && selectionDataTarget && targetsIncludeText && serializeFormats && serialize &&
               selectionDataSetText && selectionDataSet &&
               connect && connectObject && stopEmission && setData && getData && unref && free;
    }
    void* primary(void* view) const { return widgetClipboard(view, atom("PRIMARY", 0)); }
    void* clipboard(void* view) const { return widgetClipboard(view, atom("CLIPBOARD", 0)); }

    void* (*binChild)(void*) = nullptr;
    int (*isA)(void*, unsigned long) = nullptr;
    unsigned long (*textViewType)() = nullptr;
    void* (*viewBuffer)(void*) = nullptr;
    int (*viewEditable)(void*) = nullptr;
    int (*selectionBounds)(void*, TextIter*, TextIter*) = nullptr;
    char* (*bufferText)(void*, const TextIter*, const TextIter*, int) = nullptr;
    int (*deleteSelection)(void*, int, int) = nullptr;
    void* (*insertMark)(void*) = nullptr;
    void* (*selectionBoundMark)(void*) = nullptr;
    void (*iterAtMark)(void*, TextIter*, void*) = nullptr;
    void (*moveMark)(void*, void*, const TextIter*) = nullptr;
    void (*addSelectionClipboard)(void*, void*) = nullptr;
    void (*removeSelectionClipboard)(void*, void*) = nullptr;
    void* (*bufferNew)(void*) = nullptr;
    void (*bufferSetText)(void*, const char*, int) = nullptr;
    void (*bufferBounds)(void*, TextIter*, TextIter*) = nullptr;
    void (*selectRange)(void*, const TextIter*, const TextIter*) = nullptr;
    int (*realized)(void*) = nullptr;
    void* (*widgetClipboard)(void*, Atom) = nullptr;
    Atom (*atom)(const char*, int) = nullptr;
    void (*clipboardSetText)(void*, const char*, int) = nullptr;
    int (*clipboardSetWithOwner)(void*, const void*, unsigned, ServeSelection, SelectionTaken, void*) = nullptr;
    void* (*clipboardOwner)(void*) = nullptr;
    void (*clipboardClear)(void*) = nullptr;
    void* (*targetListNew)(const void*, unsigned) = nullptr;
    void (*targetListAddText)(void*, unsigned) = nullptr;
    void* (*targetTable)(void*, int*) = nullptr;
    void (*targetListUnref)(void*) = nullptr;
    Atom (*selectionDataTarget)(const void*) = nullptr;
    int (*targetsIncludeText)(Atom*, int) = nullptr;
    Atom* (*serializeFormats)(void*, int*) = nullptr;
    unsigned char* (*serialize)(void*, void*, Atom, const TextIter*, const TextIter*, unsigned long*) = nullptr;
    int (*selectionDataSetText)(void*, const char*, int) = nullptr;
    void (*selectionDataSet)(void*, Atom, int, const unsigned char*, int) = nullptr;
    unsigned long (*connect)(void*, const char*, Handler, void*, void*, int) = nullptr;
    unsigned long (*connectObject)(void*, const char*, Handler, void*, int) = nullptr;
    void (*stopEmission)(void*, const char*) = nullptr;
    void (*setData)(void*, const char*, void*, void (*)(void*)) = nullptr;
    void* (*getData)(void*, const char*) = nullptr;
    void (*unref)(void*) = nullptr;
    void (*free)(void*) = nullptr;

private:
    Toolkit() {
        look(binChild, "gtk_bin_get_child");
        look(isA, "g_type_check_instance_is_a");
        look(textViewType, "gtk_text_view_get_type");
        look(viewBuffer, "gtk_text_view_get_buffer");
        look(viewEditable, "gtk_text_view_get_editable");
        look(selectionBounds, "gtk_text_buffer_get_selection_bounds");
        look(bufferText, "gtk_text_buffer_get_text");
        look(deleteSelection, "gtk_text_buffer_delete_selection");
        look(insertMark, "gtk_text_buffer_get_insert");
        look(selectionBoundMark, "gtk_text_buffer_get_selection_bound");
        look(iterAtMark, "gtk_text_buffer_get_iter_at_mark");
        look(moveMark, "gtk_text_buffer_move_mark");
        look(addSelectionClipboard, "gtk_text_buffer_add_selection_clipboard");
        look(removeSelectionClipboard, "gtk_text_buffer_remove_selection_clipboard");
        look(bufferNew, "gtk_text_buffer_new");
        look(bufferSetText, "gtk_text_buffer_set_text");
        look(bufferBounds, "gtk_text_buffer_get_bounds");
        look(selectRange, "gtk_text_buffer_select_range");
        look(realized, "gtk_widget_get_realized");
        look(widgetClipboard, "gtk_widget_get_clipboard");
        look(atom, "gdk_atom_intern");
        look(clipboardSetText, "gtk_clipboard_set_text");
        look(clipboardSetWithOwner, "gtk_clipboard_set_with_owner");
        look(clipboardOwner, "gtk_clipboard_get_owner");
        look(clipboardClear, "gtk_clipboard_clear");
        look(targetListNew, "gtk_target_list_new");
        look(targetListAddText, "gtk_target_list_add_text_targets");
        look(targetTable, "gtk_target_table_new_from_list");
        look(targetListUnref, "gtk_target_list_unref");
        look(selectionDataTarget, "gtk_selection_data_get_target");
        look(targetsIncludeText, "gtk_targets_include_text");
        look(serializeFormats, "gtk_text_buffer_get_serialize_formats");
        look(serialize, "gtk_text_buffer_serialize");
        look(selectionDataSetText, "gtk_selection_data_set_text");
        look(selectionDataSet, "gtk_selection_data_set");
        look(connect, "g_signal_connect_data");
        look(connectObject, "g_signal_connect_object");
        look(stopEmission, "g_signal_stop_emission_by_name");
        look(setData, "g_object_set_data_full");
        look(getData, "g_object_get_data");
        look(unref, "g_object_unref");
        look(free, "g_free");
    }
    template <class F>
    static void look(F& function, const char* name) {
        function = reinterpret_cast<F>(dlsym(RTLD_DEFAULT, name));
    }
};

// The text forms a pasting program may ask for, as the toolkit offers a text's: made once,
// kept for the program's life.
struct TextTargets {
    void* entries = nullptr;
    int count = 0;
};
const TextTargets& textTargets() {
    static const TextTargets targets = [] {
        const Toolkit& gtk = Toolkit::get();
        TextTargets made;
        void* list = gtk.targetListNew(nullptr, 0);
        gtk.targetListAddText(list, 0);
        made.entries = gtk.targetTable(list, &made.count);
        gtk.targetListUnref(list);
        return made;
    }();
    return targets;
}

// The catalogue's text of what is selected in the view, in UTF-8; empty without a selection.
std::string selectedText(void* view) {
    const Toolkit& gtk = Toolkit::get();
    void* buffer = gtk.viewBuffer(view);
    TextIter start{}, end{};
    if (!buffer || !gtk.selectionBounds(buffer, &start, &end)) return {};
    char* shown = gtk.bufferText(buffer, &start, &end, 0);
    if (!shown) return {};
    const std::string text = status::catalogueText(wxString::FromUTF8(shown)).utf8_string();
    gtk.free(shown);
    return text;
}

void putOnClipboard(void* view) {
    const Toolkit& gtk = Toolkit::get();
    const std::string text = selectedText(view);
    if (!text.empty()) gtk.clipboardSetText(gtk.clipboard(view), text.data(), static_cast<int>(text.size()));
}

// The copy keys and the view's own menu item emit its copy signal. The view's handler would
// put what it shows on the clipboard; it is stopped here. (The GUI library's handler comes
// first: a copy event the program handles itself never gets here.)
void copySelection(void* view, void*) {
    putOnClipboard(view);
    Toolkit::get().stopEmission(view, "copy-clipboard");
}

// A cut copies too (from a read-only field that is all it does).
void cutSelection(void* view, void*) {
    const Toolkit& gtk = Toolkit::get();
    putOnClipboard(view);
    if (void* buffer = gtk.viewBuffer(view)) gtk.deleteSelection(buffer, 1, gtk.viewEditable(view));
    gtk.stopEmission(view, "cut-clipboard");
}

// Whether the buffer's drag hands target over as the toolkit's rich text.
bool isRichText(void* buffer, Atom target) {
    const Toolkit& gtk = Toolkit::get();
    int count = 0;
    Atom* formats = gtk.serializeFormats(buffer, &count);
    bool found = false;
    for (int n = 0; n < count; ++n) found = found || formats[n] == target;
    gtk.free(formats);
    return found;
}

// After the view's own handler has handed over the dragged selection as it shows, in the
// form the drop target asked for.
void dragSelection(void* view, void*, void* data, unsigned, unsigned, void*) {
    const Toolkit& gtk = Toolkit::get();
    const std::string text = selectedText(view);
    if (text.empty()) return;
    Atom target = gtk.selectionDataTarget(data);
    if (gtk.targetsIncludeText(&target, 1)) {
        gtk.selectionDataSetText(data, text.data(), static_cast<int>(text.size()));
        return;
    }
    // A text view of this program takes a drop from the selection of the buffer it is handed;
    // a program that reads the toolkit's rich text may ask for that. Both are made from a
    // buffer of the catalogue's text, selected whole, which the view keeps for the next drag.
    void* copy = gtk.getData(view, kDragBufferKey);
    if (!copy) {
        copy = gtk.bufferNew(nullptr);
        gtk.setData(view, kDragBufferKey, copy, gtk.unref);
    }
    gtk.bufferSetText(copy, text.data(), static_cast<int>(text.size()));
    TextIter start{}, end{};
    gtk.bufferBounds(copy, &start, &end);
    gtk.selectRange(copy, &start, &end);
    if (target == gtk.atom("GTK_TEXT_BUFFER_CONTENTS", 0)) {
        gtk.selectionDataSet(data, target, 8, reinterpret_cast<const unsigned char*>(&copy), sizeof copy);
    } else if (void* buffer = gtk.viewBuffer(view); buffer && isRichText(buffer, target)) {
        unsigned long length = 0;
        if (unsigned char* rich = gtk.serialize(buffer, copy, target, &start, &end, &length)) {
            gtk.selectionDataSet(data, target, 8, rich, static_cast<int>(length));
            gtk.free(rich);
        }
    }
}

// What a middle click elsewhere pastes, asked for when it is pasted.
void servePrimary(void*, void* data, unsigned, void* view) {
    const std::string text = selectedText(view);
    if (!text.empty()) Toolkit::get().selectionDataSetText(data, text.data(), static_cast<int>(text.size()));
}

// Another window selected something: as in the toolkit's own fields, the selection here goes.
void primaryTaken(void*, void* view) {
    const Toolkit& gtk = Toolkit::get();
    void* buffer = gtk.viewBuffer(view);
    if (!buffer) return;
    TextIter insert{};
    gtk.iterAtMark(buffer, &insert, gtk.insertMark(buffer));
    gtk.moveMark(buffer, gtk.selectionBoundMark(buffer), &insert);
}

// The selection a middle click pastes is the view's while it has a selection, taken again at
// each change of it as the toolkit does (the display server keeps the time of the latest).
// With the view as the owner the toolkit lets go of it when the view goes.
void followSelection(void* view) {
    const Toolkit& gtk = Toolkit::get();
    if (!gtk.realized(view)) return;
    void* primary = gtk.primary(view);
    void* buffer = gtk.viewBuffer(view);
    TextIter start{}, end{};
    if (buffer && gtk.selectionBounds(buffer, &start, &end)) {
        const TextTargets& targets = textTargets();
        gtk.clipboardSetWithOwner(primary, targets.entries, static_cast<unsigned>(targets.count), servePrimary,
                                  primaryTaken, view);
    } else if (gtk.clipboardOwner(primary) == view) {
        gtk.clipboardClear(primary);
    }
}

void markSet(void* buffer, const void*, void* mark, void* view) {
    const Toolkit& gtk = Toolkit::get();
    if (mark == gtk.insertMark(buffer) || mark == gtk.selectionBoundMark(buffer)) followSelection(view);
}

// A realized view hands its buffer the selection a middle click pastes, and the buffer would
// serve what is shown: the view serves it instead.
void viewRealized(void* view, void*) {
    const Toolkit& gtk = Toolkit::get();
    if (void* buffer = gtk.viewBuffer(view)) gtk.removeSelectionClipboard(buffer, gtk.primary(view));
    followSelection(view);
}

// The view's own unrealizing takes that selection back from its buffer, which must hold it then.
void viewUnrealizing(void* view, void*) {
    const Toolkit& gtk = Toolkit::get();
    void* primary = gtk.primary(view);
    if (gtk.clipboardOwner(primary) == view) gtk.clipboardClear(primary);
    if (void* buffer = gtk.viewBuffer(view)) gtk.addSelectionClipboard(buffer, primary);
}

}  // namespace

bool copyCatalogueText(wxTextCtrl* field) {
    const Toolkit& gtk = Toolkit::get();
    if (!field || !gtk.ok()) return false;
    // A multi-line field is a text view inside a scrolled window.
    void* view = gtk.binChild(field->GetHandle());
    if (!view || !gtk.isA(view, gtk.textViewType())) return false;
    void* buffer = gtk.viewBuffer(view);
    if (!buffer || !textTargets().entries) return false;
    gtk.connect(view, "copy-clipboard", reinterpret_cast<Handler>(&copySelection), nullptr, nullptr, 0);
    gtk.connect(view, "cut-clipboard", reinterpret_cast<Handler>(&cutSelection), nullptr, nullptr, 0);
    gtk.connect(view, "drag-data-get", reinterpret_cast<Handler>(&dragSelection), nullptr, nullptr, kConnectAfter);
    gtk.connect(view, "realize", reinterpret_cast<Handler>(&viewRealized), nullptr, nullptr, kConnectAfter);
    gtk.connect(view, "unrealize", reinterpret_cast<Handler>(&viewUnrealizing), nullptr, nullptr, 0);
    // Gone with the view, should the buffer outlive it. (A new text places the cursor, which
    // ends the selection with the old text.)
    gtk.connectObject(buffer, "mark-set", reinterpret_cast<Handler>(&markSet), view, kConnectAfter);
    if (gtk.realized(view)) viewRealized(view, nullptr);
    return true;
}

}  // namespace torvex
