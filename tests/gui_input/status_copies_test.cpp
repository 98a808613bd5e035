// What a person copies from the status panel's errors field: the catalogue's text, with its
// plain hyphens, whichever way it leaves the field, while the field still shows its
// non-breaking ones.
#include <dlfcn.h>

#include <cstring>
#include <string>

#include "frame/drive_status_bar_logic.h"
#include "tests/gui_status/status_fixture.h"

namespace torvex {
namespace {

using test::pumpUntil;
using test::StatusFrameTest;

constexpr wxUint32 kNonBreakingHyphen = 0x2011;
// The toolkit's numbers for the forms a text view's drag offers besides text.
constexpr int kBufferForm = -1;
constexpr int kRichTextForm = -2;

// The toolkit's calls the test makes as the field's copy keys and menu, drops and pastes make
// them, looked up in the running process (the build has no toolkit headers).
struct Toolkit {
    struct TargetEntry {
        const char* target;
        unsigned flags;
        unsigned info;
    };
    using ServeSelection = void (*)(void*, void*, unsigned, void*);
    using SelectionTaken = void (*)(void*, void*);

    void* (*binChild)(void*) = nullptr;
    void* (*atom)(const char*, int) = nullptr;
    void* (*clipboardGet)(void*) = nullptr;
    void (*setText)(void*, const char*, int) = nullptr;
    char* (*waitForText)(void*) = nullptr;
    void* (*waitForContents)(void*, void*) = nullptr;
    int (*setWithData)(void*, const TargetEntry*, unsigned, ServeSelection, SelectionTaken, void*) = nullptr;
    void (*clear)(void*) = nullptr;
    void (*unrealize)(void*) = nullptr;
    void (*realize)(void*) = nullptr;
    void (*map)(void*) = nullptr;
    void (*emit)(void*, const char*, ...) = nullptr;
    void* (*viewBuffer)(void*) = nullptr;
    void* (*copyTargets)(void*) = nullptr;
    TargetEntry* (*targetTable)(void*, int*) = nullptr;
    void (*freeTargetTable)(TargetEntry*, int) = nullptr;
    char* (*dataText)(void*) = nullptr;
    const unsigned char* (*dataBytes)(void*) = nullptr;
    int (*dataLength)(void*) = nullptr;
    void (*freeData)(void*) = nullptr;
    int (*selectionBounds)(void*, void*, void*) = nullptr;
    char* (*bufferText)(void*, const void*, const void*, int) = nullptr;
    void (*free)(void*) = nullptr;

    Toolkit() {
        look(binChild, "gtk_bin_get_child");
        look(atom, "gdk_atom_intern");
        look(clipboardGet, "gtk_clipboard_get");
        look(setText, "gtk_clipboard_set_text");
        look(waitForText, "gtk_clipboard_wait_for_text");
        look(waitForContents, "gtk_clipboard_wait_for_contents");
        look(setWithData, "gtk_clipboard_set_with_data");
        look(clear, "gtk_clipboard_clear");
        look(unrealize, "gtk_widget_unrealize");
        look(realize, "gtk_widget_realize");
        look(map, "gtk_widget_map");
        look(emit, "g_signal_emit_by_name");
        look(viewBuffer, "gtk_text_view_get_buffer");
        look(copyTargets, "gtk_text_buffer_get_copy_target_list");
        look(targetTable, "gtk_target_table_new_from_list");
        look(freeTargetTable, "gtk_target_table_free");
        look(dataText, "gtk_selection_data_get_text");
        look(dataBytes, "gtk_selection_data_get_data");
        look(dataLength, "gtk_selection_data_get_length");
        look(freeData, "gtk_selection_data_free");
        look(selectionBounds, "gtk_text_buffer_get_selection_bounds");
        look(bufferText, "gtk_text_buffer_get_text");
        look(free, "g_free");
    }
    template <class F>
    static void look(F& function, const char* name) {
        function = reinterpret_cast<F>(dlsym(RTLD_DEFAULT, name));
    }
    bool ok() const {
        return binChild && atom && clipboardGet && setText && waitForText && waitForContents && setWithData && clear &&
               unrealize && realize && map && emit && viewBuffer && copyTargets && targetTable && freeTargetTable &&
               dataText && dataBytes && dataLength && freeData && selectionBounds && bufferText && free;
    }

    void* clipboard() const { return clipboardGet(atom("CLIPBOARD", 0)); }
    void* primary() const { return clipboardGet(atom("PRIMARY", 0)); }
    // What a paste from the selection would insert; "(nothing)" when no one offers text.
    std::string pasted(void* selection) const {
        char* text = waitForText(selection);
        if (!text) return "(nothing)";
        std::string pasted = text;
        free(text);
        return pasted;
    }
    // The text a buffer has selected.
    std::string selectedIn(void* buffer) const {
        alignas(16) unsigned char start[256] = {}, end[256] = {};
        if (!selectionBounds(buffer, start, end)) return "(no selection)";
        char* text = bufferText(buffer, start, end, 0);
        std::string selected = text ? text : "";
        free(text);
        return selected;
    }
};

// A selection of the test's own offers what a drag of the view offers; asked for a form, it
// hands on what the view hands a drop target asking for that form, as the toolkit's drag
// does: the view's drag-data-get with the form's number from the drag's list.
void answerAsTheDrag(void*, void* data, unsigned info, void* view) {
    static const Toolkit gtk;
    gtk.emit(view, "drag-data-get", nullptr, data, info, 0u);
}
void dragOver(void*, void*) {}

// The catalogues hold no non-breaking hyphen of their own: whatever the field shows of a line,
// the catalogue's text comes back whole from it.
TEST(ErrorsFieldTexts, EveryShownLineGivesBackItsCatalogueTextInEveryLanguage) {
    addCatalogueLookupPrefixes();
    int kept = 0;
    for (wxLanguage language : {wxLANGUAGE_ENGLISH, wxLANGUAGE_GERMAN, wxLANGUAGE_FRENCH}) {
        ASSERT_TRUE(loadCatalogue(language)) << language;
        for (const wxString& line : status::allErrorLines()) {
            EXPECT_FALSE(line.Contains(wxUniChar(kNonBreakingHyphen))) << line;
            const wxString shown = status::keepHyphenatedWordsWhole(line);
            kept += shown != line;
            EXPECT_EQ(status::catalogueText(shown), line) << language;
        }
    }
    unloadCatalogue();
    // Some lines keep hyphenated words ("re-entered", "EEPROM-Parameter").
    EXPECT_GT(kept, 0);
}

TEST_F(StatusFrameTest, CopiesFromTheErrorsFieldCarryTheCataloguesHyphen) {
    const Toolkit gtk;
    ASSERT_TRUE(gtk.ok());
    sim::SimDrive* sim = startDrive();
    ASSERT_NE(sim, nullptr);
    sim->setReg(0x8F, 1u << 14);  // ADCINT: "... interrupt re-entered"
    makeFrame();
    ASSERT_TRUE(goOnlineTcp());

    const wxString catalogue = tr(status::kErrorBitKeys[14]);
    const int hyphen = catalogue.Find("re-entered") + 2;
    ASSERT_GT(hyphen, 2);
    wxTextCtrl* field = panel->errorsField();
    void* view = gtk.binChild(field->GetHandle());
    ASSERT_NE(view, nullptr);
    // The field shows the catalogue's line with the one hyphen non-breaking.
    wxString expectedShown = catalogue;
    expectedShown[hyphen] = wxUniChar(kNonBreakingHyphen);
    ASSERT_TRUE(pumpUntil([&] { return field->GetValue() == expectedShown; })) << field->GetValue();

    // "error: interrupt re-entered", from the catalogue itself.
    const long from = catalogue.Find("error");
    const long to = hyphen + 8;
    const std::string copied = catalogue.Mid(from, to - from).utf8_string();
    ASSERT_EQ(copied.find('-'), copied.size() - 8);
    auto select = [&] {
        field->SetSelection(from, to);
        EXPECT_EQ(field->GetStringSelection(), expectedShown.Mid(from, to - from));
    };
    const char* const nothingYet = "nothing copied yet";

    // The selection a middle click pastes elsewhere.
    select();
    EXPECT_EQ(gtk.pasted(gtk.primary()), copied);

    // The copy keys and the field's own menu item emit its copy signal; Ctrl+X, which only
    // copies from a read-only field, its cut signal.
    for (const char* signal : {"copy-clipboard", "cut-clipboard"}) {
        select();
        gtk.setText(gtk.clipboard(), nothingYet, -1);
        gtk.emit(view, signal);
        EXPECT_TRUE(pumpUntil([&] { return gtk.pasted(gtk.clipboard()) != nothingYet; })) << signal;
        EXPECT_EQ(gtk.pasted(gtk.clipboard()), copied) << signal;
    }

    // A drag: every form a drop target may ask it for.
    select();
    void* buffer = gtk.viewBuffer(view);
    int forms = 0;
    Toolkit::TargetEntry* offered = gtk.targetTable(gtk.copyTargets(buffer), &forms);
    ASSERT_GT(forms, 0);
    void* drag = gtk.clipboardGet(gtk.atom("DRAG_PROBE", 0));
    ASSERT_TRUE(gtk.setWithData(drag, offered, unsigned(forms), answerAsTheDrag, dragOver, view));
    void* plain = gtk.clipboardGet(gtk.atom("PLAIN_PROBE", 0));
    gtk.setText(plain, "plain", -1);
    int textForms = 0;
    for (int n = 0; n < forms; ++n) {
        const std::string form = offered[n].target;
        select();
        void* data = gtk.waitForContents(drag, gtk.atom(form.c_str(), 0));
        switch (static_cast<int>(offered[n].info)) {
        case kBufferForm: {  // a text view of the program takes the drop from the buffer's selection
            void* dropped = nullptr;
            ASSERT_TRUE(data && gtk.dataLength(data) == int(sizeof dropped)) << form;
            std::memcpy(&dropped, gtk.dataBytes(data), sizeof dropped);
            EXPECT_EQ(gtk.selectedIn(dropped), copied) << form;
            break;
        }
        case kRichTextForm: {  // the text stands in it as it is
            ASSERT_TRUE(data && gtk.dataLength(data) > 0) << form;
            const std::string rich(reinterpret_cast<const char*>(gtk.dataBytes(data)), size_t(gtk.dataLength(data)));
            EXPECT_NE(rich.find(copied), std::string::npos) << form << ": " << rich;
            EXPECT_EQ(rich.find("\xE2\x80\x91"), std::string::npos) << form << ": " << rich;
            break;
        }
        default: {  // text
            void* made = gtk.waitForContents(plain, gtk.atom(form.c_str(), 0));
            // A form the toolkit makes of no text here (compound text under a locale the
            // display's conversion does not know) says nothing about the field.
            if (!made) break;
            gtk.freeData(made);
            ++textForms;
            char* text = data ? gtk.dataText(data) : nullptr;
            EXPECT_EQ(text ? std::string(text) : "(no text)", copied) << form;
            gtk.free(text);
        }
        }
        if (data) gtk.freeData(data);
    }
    EXPECT_GE(textForms, 4);
    gtk.clear(drag);
    gtk.clear(plain);
    gtk.freeTargetTable(offered, forms);

    // The field goes on showing the non-breaking hyphen, the selection where it was.
    EXPECT_EQ(field->GetValue(), expectedShown);
    EXPECT_EQ(field->GetStringSelection(), expectedShown.Mid(from, to - from));

    // The field offers its selection to a middle click only while it has one; a selection
    // made elsewhere takes its place and the field's goes, as in any other field.
    EXPECT_EQ(gtk.pasted(gtk.primary()), copied);
    gtk.setText(gtk.primary(), "selected elsewhere", -1);
    EXPECT_TRUE(pumpUntil([&] { return field->GetStringSelection().empty(); }));
    EXPECT_EQ(gtk.pasted(gtk.primary()), "selected elsewhere");
    select();
    EXPECT_EQ(gtk.pasted(gtk.primary()), copied);
    field->SetSelection(to, to);
    EXPECT_EQ(gtk.pasted(gtk.primary()), "(nothing)");
    // So again once the field's window was made anew (as when it is moved to another window).
    gtk.unrealize(view);
    gtk.realize(view);
    gtk.map(view);
    select();
    EXPECT_EQ(gtk.pasted(gtk.primary()), copied);
    // A new error text takes the selection with the old one.
    sim->setReg(0x8F, (1u << 14) | 1u);
    ASSERT_TRUE(pumpUntil([&] { return field->GetValue() != expectedShown; }));
    EXPECT_EQ(gtk.pasted(gtk.primary()), "(nothing)");
}

}  // namespace
}  // namespace torvex
