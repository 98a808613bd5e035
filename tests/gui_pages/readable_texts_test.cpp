// Every page and panel as a person sees it, in each language, online with a drive whose
// registers hold their widest values: every label, caption, button text and read-out fits
// its control (a button's text inside the button's border), every entry of a closed choice
// fits it, every control of a titled box lies inside the box clear of its border and title,
// the labels of check and radio buttons stand out from the page, no two captions overlap and
// no painted caption hides under a control, and no text or tooltip shows a catalogue key
// that the catalogue translates; every button has a name for assistive tools. Showing each
// page once also lets the test main catch any toolkit warning a page raises. The status
// panel's error lines read whole, clear of the field's scroll bar, and line up. The program's dialogs are built and measured too: each
// field they show is as high as a line of its text.
#include <dlfcn.h>

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/combobox.h>
#include <wx/dcclient.h>
#include <wx/notebook.h>
#include <wx/radiobut.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/tooltip.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "frame/drive_status_bar.h"
#include "frame/drive_status_bar_logic.h"
#include "link/registers.h"
#include "pages/diagnose_page.h"
#include "pages/logic_bus_auto_pictures.h"
#include "pages/loop_picture.h"
#include "pages/options_page.h"
#include "pages/position_page.h"
#include "pages/scope/oscilloscope_page.h"
#include "pages/scope/oscilloscope_page_parts.h"
#include "pages/settings/settings_page.h"
#include "pages/settings/settings_texts.h"
#include "pages/speed_page.h"
#include "scope/vof_file.h"
#include "services/catalogue.h"
#include "services/dialogs.h"
#include "tests/support/frame_fixture.h"
#include "tests/support/contrast.h"
#include "tests/support/sim_fixture.h"
#include "widgets/information_panel.h"
#include "widgets/manual_rw_panel.h"
#include "widgets/register_bit_label.h"
#include "widgets/register_choice.h"
#include "widgets/register_list_panel.h"
#include "widgets/track_panel.h"

namespace torvex::test {
namespace {

// The toolkit's own measure of what it gave a native control's label and what the label
// needs, looked up in the running process (the build has no toolkit headers).
struct Toolkit {
    struct Rectangle {
        int x, y, width, height;
    };
    struct Colour {
        double red, green, blue, alpha;
    };
    struct Border {
        int16_t left, right, top, bottom;
    };
    using Type = unsigned long;
    void* (*binChild)(void*) = nullptr;
    void* (*frameLabel)(void*) = nullptr;
    void (*preferredWidth)(void*, int*, int*) = nullptr;
    void (*preferredHeight)(void*, int*, int*) = nullptr;
    int (*allocatedWidth)(void*) = nullptr;
    int (*allocatedHeight)(void*) = nullptr;
    void (*entryTextArea)(void*, Rectangle*) = nullptr;
    void* (*entryLayout)(void*) = nullptr;
    void (*layoutPixelSize)(void*, int*, int*) = nullptr;
    int (*translate)(void*, void*, int, int, int*, int*) = nullptr;
    int (*mapped)(void*) = nullptr;
    void (*forall)(void*, void (*)(void*, void*), void*) = nullptr;
    Type (*entryType)() = nullptr;
    Type (*containerType)() = nullptr;
    int (*isA)(void*, Type) = nullptr;
    const char* (*entryText)(void*) = nullptr;
    void* (*labelLayout)(void*) = nullptr;
    void (*labelLayoutOffsets)(void*, int*, int*) = nullptr;
    void (*allocation)(void*, Rectangle*) = nullptr;
    void* (*textBuffer)(void*) = nullptr;
    void (*lineStart)(void*, void*, int) = nullptr;
    int (*iterForwardChar)(void*) = nullptr;
    int (*startsDisplayLine)(void*, const void*) = nullptr;
    void (*iterLocation)(void*, const void*, Rectangle*) = nullptr;
    void (*visibleRect)(void*, Rectangle*) = nullptr;
    void* (*styleContext)(void*) = nullptr;
    int (*state)(void*) = nullptr;
    void (*colour)(void*, int, Colour*) = nullptr;
    void (*border)(void*, int, Border*) = nullptr;
    void (*padding)(void*, int, Border*) = nullptr;
    void* (*verticalScrollBar)(void*) = nullptr;
    void* (*accessible)(void*) = nullptr;
    const char* (*accessibleName)(void*) = nullptr;

    Toolkit() {
        look(binChild, "gtk_bin_get_child");
        look(frameLabel, "gtk_frame_get_label_widget");
        look(preferredWidth, "gtk_widget_get_preferred_width");
        look(preferredHeight, "gtk_widget_get_preferred_height");
        look(allocatedWidth, "gtk_widget_get_allocated_width");
        look(allocatedHeight, "gtk_widget_get_allocated_height");
        look(entryTextArea, "gtk_entry_get_text_area");
        look(entryLayout, "gtk_entry_get_layout");
        look(layoutPixelSize, "pango_layout_get_pixel_size");
        look(translate, "gtk_widget_translate_coordinates");
        look(mapped, "gtk_widget_get_mapped");
        look(forall, "gtk_container_forall");
        look(entryType, "gtk_entry_get_type");
        look(containerType, "gtk_container_get_type");
        look(isA, "g_type_check_instance_is_a");
        look(entryText, "gtk_entry_get_text");
        look(labelLayout, "gtk_label_get_layout");
        look(labelLayoutOffsets, "gtk_label_get_layout_offsets");
        look(allocation, "gtk_widget_get_allocation");
        look(textBuffer, "gtk_text_view_get_buffer");
        look(lineStart, "gtk_text_buffer_get_iter_at_line");
        look(iterForwardChar, "gtk_text_iter_forward_char");
        look(startsDisplayLine, "gtk_text_view_starts_display_line");
        look(iterLocation, "gtk_text_view_get_iter_location");
        look(visibleRect, "gtk_text_view_get_visible_rect");
        look(styleContext, "gtk_widget_get_style_context");
        look(state, "gtk_style_context_get_state");
        look(colour, "gtk_style_context_get_color");
        look(border, "gtk_style_context_get_border");
        look(padding, "gtk_style_context_get_padding");
        look(verticalScrollBar, "gtk_scrolled_window_get_vscrollbar");
        look(accessible, "gtk_widget_get_accessible");
        look(accessibleName, "atk_object_get_name");
    }
    template <class F>
    static void look(F& function, const char* name) {
        function = reinterpret_cast<F>(dlsym(RTLD_DEFAULT, name));
    }
    bool ok() const {
        return binChild && frameLabel && preferredWidth && preferredHeight && allocatedWidth && allocatedHeight &&
               entryTextArea && entryLayout && layoutPixelSize && translate && mapped && forall && entryType &&
               containerType && isA && entryText && labelLayout && labelLayoutOffsets && allocation && textBuffer &&
               lineStart && iterForwardChar && startsDisplayLine && iterLocation && visibleRect && styleContext &&
               state && colour && border && padding && verticalScrollBar && accessible && accessibleName;
    }
    // What assistive tools call a widget.
    wxString nameOf(void* widget) const {
        void* object = accessible(widget);
        const char* name = object ? accessibleName(object) : nullptr;
        return name ? wxString::FromUTF8(name) : wxString();
    }
    // Where the child widget lies within the ancestor widget.
    wxRect within(void* child, void* ancestor) const {
        int x = 0, y = 0;
        if (!child || !ancestor || !translate(child, ancestor, 0, 0, &x, &y)) return wxRect();
        return wxRect(x, y, allocatedWidth(child), allocatedHeight(child));
    }
    // Where a frame's title text stands within the frame (the title's own margins left out).
    wxRect titleText(void* frame) const {
        void* label = frameLabel(frame);
        if (!label) return wxRect();
        Rectangle box{};
        allocation(frame, &box);
        int x = 0, y = 0, width = 0, height = 0;
        labelLayoutOffsets(label, &x, &y);
        layoutPixelSize(labelLayout(label), &width, &height);
        return wxRect(x - box.x, y - box.y, width, height);
    }
    // The room an entry gives its text, and the height of a line of that text.
    Rectangle textArea(void* entry) const {
        Rectangle area{};
        entryTextArea(entry, &area);
        return area;
    }
    int lineHeight(void* entry) const {
        int width = 0, height = 0;
        layoutPixelSize(entryLayout(entry), &width, &height);
        return height;
    }
    // The colour the toolkit draws a widget's text in, in its present state.
    wxColour textColour(void* widget) const {
        void* context = styleContext(widget);
        Colour c{};
        colour(context, state(context), &c);
        return wxColour(static_cast<unsigned char>(std::lround(c.red * 255)),
                        static_cast<unsigned char>(std::lround(c.green * 255)),
                        static_cast<unsigned char>(std::lround(c.blue * 255)));
    }
    // The room a widget leaves its content inside its border and padding, as its theme lays
    // it out, with at least air pixels between the border and the content at either side.
    wxSize labelRoom(void* widget, int air) const {
        void* context = styleContext(widget);
        Border line{}, inner{};
        border(context, state(context), &line);
        padding(context, state(context), &inner);
        return wxSize(allocatedWidth(widget) - line.left - line.right - std::max<int>(inner.left, air) -
                          std::max<int>(inner.right, air),
                      allocatedHeight(widget) - line.top - line.bottom - inner.top - inner.bottom);
    }
    // What a label widget needs against what it was given; empty when it fits.
    std::string labelShortfall(void* label) const {
        if (!label) return {};
        int minimum = 0, natural = 0, minimumHeight = 0, naturalHeight = 0;
        preferredWidth(label, &minimum, &natural);
        preferredHeight(label, &minimumHeight, &naturalHeight);
        const int width = allocatedWidth(label), height = allocatedHeight(label);
        if (natural <= width && naturalHeight <= height) return {};
        return "needs " + std::to_string(natural) + "x" + std::to_string(naturalHeight) + ", has " +
               std::to_string(width) + "x" + std::to_string(height);
    }
};

// The keys of the catalogue in use that a shown text must never be: keys whose translation
// differs from the key. A key that is also the translation of another key (German "Status"
// for both the panel's title and a register's name) reads as a word of the language and is
// left out.
std::set<std::string> untranslatedKeys(const std::string& language) {
    std::ifstream in(std::string(TORVEX_BINARY_DIR) + "/locale/" + language + "/Torvex.mo", std::ios::binary);
    const std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    auto word = [&data](size_t at) {
        uint32_t value = 0;
        for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(data.at(at + size_t(i)));
        return value;
    };
    std::set<std::string> keys, translations;
    if (data.size() < 20 || word(0) != 0x950412deu) return keys;
    const uint32_t count = word(8), originals = word(12), texts = word(16);
    for (uint32_t i = 0; i < count; ++i) {
        const std::string key = data.substr(word(originals + 8 * i + 4), word(originals + 8 * i));
        const std::string text = data.substr(word(texts + 8 * i + 4), word(texts + 8 * i));
        translations.insert(text);
        if (!key.empty() && key != text) keys.insert(key);
    }
    for (const std::string& text : translations) keys.erase(text);
    return keys;
}

struct Caption {
    wxString text;
    wxRect rect;  // in page coordinates
    std::string where;
};

// The air a titled box leaves between its border or title and what it holds, the border
// line included.
constexpr int kBoxAir = 3;
// A button's label keeps this far from the button's border line at either end, the padding
// counted in: a label that reaches the line reads as running over it. The compact style
// pads the pages' buttons so; an exact-fit button has no padding of its own.
constexpr int kButtonAir = 2;
// A text needs this contrast to its background to be read at a glance (the ratio asked of
// large text and of controls).
constexpr double kLeastContrast = 3.0;


// The colour a window is seen on: its own background, or the nearest parent's that has one.
wxColour seenOn(wxWindow* window) {
    for (wxWindow* w = window; w; w = w->GetParent())
        if (w->UseBgCol()) return w->GetBackgroundColour();
    return window->GetBackgroundColour();
}

class Walk {
public:
    Walk(const Toolkit& toolkit, const std::set<std::string>& keys) : toolkit_(toolkit), keys_(keys) {}

    // Every shown child of root (root included), in root's page coordinates.
    void measureWindows(wxWindow* page, wxWindow* root, const std::string& name) {
        if (!root->IsShown()) return;
        for (wxWindow* child : root->GetChildren()) measureWindows(page, child, name);
        if (root == page) return;
        const std::string where = name + ": " + describe(root);
        const wxString tip = root->GetToolTipText();
        if (!tip.empty()) shown(tip, where + " tooltip");
        if (auto* combo = dynamic_cast<wxComboBox*>(root)) {
            // A read-only combo box shows the picked entry in its entry field.
            void* entry = toolkit_.binChild(combo->GetHandle());
            closedChoice(combo, entry ? toolkit_.textArea(entry).width : 0, where);
            return;
        }
        if (auto* choice = dynamic_cast<wxChoice*>(root)) {
            void* view = toolkit_.binChild(choice->GetHandle());
            closedChoice(choice, view ? toolkit_.allocatedWidth(view) : 0, where);
            return;
        }
        if (auto* box = dynamic_cast<wxStaticBox*>(root)) {
            shown(box->GetLabel(), where);
            fits(toolkit_.labelShortfall(toolkit_.frameLabel(box->GetHandle())), where);
            boxes_.push_back(box);
            return;
        }
        if (dynamic_cast<wxButton*>(root) || dynamic_cast<wxCheckBox*>(root) || dynamic_cast<wxRadioButton*>(root)) {
            const wxString label = root->GetLabel();
            // Assistive tools announce a push button by its name: its label, or what the
            // tooltip of a button that shows a picture says.
            if (const wxString name = toolkit_.nameOf(root->GetHandle());
                dynamic_cast<wxButton*>(root) && (name.empty() || (label.empty() && name != tip)))
                faults.push_back(where + " reaches assistive tools named \"" + name.utf8_string() + "\"");
            if (label.empty()) return;
            shown(label, where);
            void* text = toolkit_.binChild(root->GetHandle());
            fits(toolkit_.labelShortfall(text), where);
            // The toolkit gives a button's label the room it asks for even where the button
            // is narrower, and the label then runs over the button's border.
            if (auto* button = dynamic_cast<wxButton*>(root); button && !button->GetBitmap().IsOk()) {
                int width = 0, height = 0;
                toolkit_.layoutPixelSize(toolkit_.labelLayout(text), &width, &height);
                const wxSize room = toolkit_.labelRoom(button->GetHandle(), kButtonAir);
                if (width > room.x || height > room.y)
                    faults.push_back(where + " label needs " + std::to_string(width) + "x" + std::to_string(height) +
                                     ", the button has room for " + std::to_string(room.x) + "x" +
                                     std::to_string(room.y));
            }
            if (!dynamic_cast<wxButton*>(root)) {
                captions_.push_back({label, pageRect(page, root), where});
                // The label stands on the page itself, enabled or not.
                const double ratio = contrast(toolkit_.textColour(text), seenOn(root));
                if (ratio < kLeastContrast)
                    faults.push_back(where + (root->IsEnabled() ? "" : " (disabled)") + " hard to read: contrast " +
                                     std::to_string(ratio) + " to its background");
            }
            return;
        }
        if (auto* text = dynamic_cast<wxStaticText*>(root)) {
            shown(text->GetLabel(), where);
            fitsExtent(root, text->GetLabel(), root->GetClientSize(), where);
            if (!text->GetLabel().empty()) captions_.push_back({text->GetLabel(), inkRect(page, text), where});
            return;
        }
        if (auto* field = dynamic_cast<wxTextCtrl*>(root)) {
            // A field the user types into, one with scroll bars, and a line of the scrolled
            // register lists scroll their text by design.
            if (field->IsEditable() || field->IsMultiLine() || inRegisterList(field)) return;
            shown(field->GetValue(), where);
            Toolkit::Rectangle area{};
            toolkit_.entryTextArea(field->GetHandle(), &area);
            fitsExtent(root, field->GetValue(), wxSize(area.width, area.height), where);
            return;
        }
        if (auto* lamp = dynamic_cast<RegisterBitLabel*>(root)) {
            shown(lamp->GetLabel(), where);
            const wxSize client = lamp->GetClientSize();
            fitsExtent(root, lamp->GetLabel(), wxSize(client.x - 1, client.y), where);
        }
    }

    // A text painted over a page's picture.
    void painted(const wxString& text, const wxRect& rect, const std::string& where) {
        shown(text, where);
        captions_.push_back({text, rect, where});
        painted_.push_back(captions_.size() - 1);
    }

    // No two captions of the page overlap, no painted one lies under a control, and every
    // titled box holds its controls clear of its border and title.
    void checkCaptions(wxWindow* page, const std::string& name) {
        for (wxStaticBox* box : boxes_) checkBox(box, name);
        boxes_.clear();
        for (size_t i = 0; i < captions_.size(); ++i)
            for (size_t k = i + 1; k < captions_.size(); ++k)
                if (captions_[i].rect.Intersects(captions_[k].rect))
                    faults.push_back(name + ": \"" + captions_[i].text.utf8_string() + "\" (" + captions_[i].where +
                                     ") overlaps \"" + captions_[k].text.utf8_string() + "\" (" +
                                     captions_[k].where + ")");
        for (size_t i : painted_) {
            const Caption& caption = captions_[i];
            if (!wxRect(page->GetClientSize()).Contains(caption.rect))
                faults.push_back(name + ": \"" + caption.text.utf8_string() + "\" outside the page");
            for (wxWindow* control : page->GetChildren())
                if (control->IsShown() && control->GetRect().Intersects(caption.rect))
                    faults.push_back(name + ": \"" + caption.text.utf8_string() + "\" (" + caption.where +
                                     ") under " + describe(control));
        }
        captions_.clear();
        painted_.clear();
    }

    std::vector<std::string> faults;

private:
    // Whichever entry is picked, the closed choice shows it whole.
    void closedChoice(wxChoice* choice, int room, const std::string& where) {
        wxClientDC dc(choice);
        dc.SetFont(choice->GetFont());
        for (unsigned i = 0; i < choice->GetCount(); ++i) {
            const wxString text = choice->GetString(i);
            shown(text, where);
            const int width = dc.GetTextExtent(text).x;
            if (width > room)
                faults.push_back(where + " entry \"" + text.utf8_string() + "\" cut: needs " + std::to_string(width) +
                                 ", has " + std::to_string(room));
        }
    }

    // The box's controls (its children, and the page's controls over it) lie inside its
    // border with air to spare and below its title, and the title keeps clear of the border.
    // Measured where the toolkit put them, in the box's own coordinates.
    void checkBox(wxStaticBox* box, const std::string& name) {
        void* frame = box->GetHandle();
        const wxRect outer(box->GetSize());
        const std::string where = name + ": box " + describe(box);
        int top = kBoxAir;
        if (toolkit_.frameLabel(frame) && !box->GetLabel().empty()) {
            const wxRect title = toolkit_.titleText(frame);
            if (title.x < kBoxAir || title.GetRight() > outer.GetRight() - kBoxAir)
                faults.push_back(where + ": title at " + std::to_string(title.x) + ".." +
                                 std::to_string(title.GetRight()) + " touches the border");
            top = title.GetBottom() + kBoxAir;
        }
        const wxRect inner(wxPoint(kBoxAir, top), wxPoint(outer.GetRight() - kBoxAir, outer.GetBottom() - kBoxAir));
        std::vector<wxWindow*> held(box->GetChildren().begin(), box->GetChildren().end());
        if (wxWindow* parent = box->GetParent())
            for (wxWindow* sibling : parent->GetChildren())
                if (sibling != box && !sibling->IsTopLevel() && sibling->GetRect().Intersects(box->GetRect()))
                    held.push_back(sibling);
        for (wxWindow* control : held) {
            if (!control->IsShown()) continue;
            const wxRect rect = toolkit_.within(control->GetHandle(), frame);
            if (!inner.Contains(rect))
                faults.push_back(where + ": " + describe(control) + " lies at " + std::to_string(rect.x) + "," +
                                 std::to_string(rect.y) + " " + std::to_string(rect.width) + "x" +
                                 std::to_string(rect.height) + ", the room inside is " + std::to_string(inner.x) +
                                 "," + std::to_string(inner.y) + " " + std::to_string(inner.width) + "x" +
                                 std::to_string(inner.height));
        }
    }

    static std::string describe(wxWindow* window) {
        const wxPoint at = window->GetPosition();
        const wxSize size = window->GetSize();
        return wxString::Format("%s \"%s\" at %d,%d %dx%d", window->GetClassInfo()->GetClassName(),
                                window->GetLabel().Left(40), at.x, at.y, size.x, size.y)
            .utf8_string();
    }
    static bool inRegisterList(wxWindow* window) {
        for (wxWindow* parent = window->GetParent(); parent; parent = parent->GetParent())
            if (dynamic_cast<RegisterListPanel*>(parent)) return true;
        return false;
    }
    static wxRect pageRect(wxWindow* page, wxWindow* window) {
        return wxRect(page->ScreenToClient(window->GetScreenPosition()), window->GetSize());
    }
    // Where a label's text stands in its control: aligned as the control says, centred in height.
    static wxRect inkRect(wxWindow* page, wxStaticText* label) {
        wxClientDC dc(label);
        dc.SetFont(label->GetFont());
        const wxSize extent = dc.GetMultiLineTextExtent(label->GetLabel());
        const wxRect whole = pageRect(page, label);
        int x = whole.x;
        if (label->HasFlag(wxALIGN_RIGHT)) x = whole.GetRight() + 1 - extent.x;
        if (label->HasFlag(wxALIGN_CENTRE_HORIZONTAL)) x = whole.x + (whole.width - extent.x) / 2;
        return wxRect(x, whole.y + (whole.height - extent.y) / 2, std::min(extent.x, whole.width),
                      std::min(extent.y, whole.height));
    }
    void shown(const wxString& text, const std::string& where) {
        if (keys_.count(text.utf8_string())) faults.push_back(where + " shows the key \"" + text.utf8_string() + "\"");
    }
    void fits(const std::string& shortfall, const std::string& where) {
        if (!shortfall.empty()) faults.push_back(where + " cut: " + shortfall);
    }
    // The text's extent, every line of it, within room: a text of two lines in a control one
    // line high fails on its height.
    void fitsExtent(wxWindow* window, const wxString& text, const wxSize& room, const std::string& where) {
        if (text.empty()) return;
        wxClientDC dc(window);
        dc.SetFont(window->GetFont());
        const wxSize extent = dc.GetMultiLineTextExtent(text);
        if (extent.x > room.x || extent.y > room.y)
            faults.push_back(where + " cut: \"" + text.utf8_string() + "\" needs " + std::to_string(extent.x) + "x" +
                             std::to_string(extent.y) + ", has " + std::to_string(room.x) + "x" +
                             std::to_string(room.y));
    }

    const Toolkit& toolkit_;
    const std::set<std::string>& keys_;
    std::vector<Caption> captions_;
    std::vector<size_t> painted_;
    std::vector<wxStaticBox*> boxes_;
};

// The one-line fields a dialog shows, found among the toolkit's widgets: each text area is
// at least a line of its text high.
class DialogFields {
public:
    explicit DialogFields(const Toolkit& toolkit) : toolkit_(toolkit) {}

    void measure(wxWindow* dialog, const std::string& name) {
        name_ = name;
        const int before = count;
        visit(dialog->GetHandle(), this);
        if (count == before) faults.push_back(name + ": no field found");
    }

    std::vector<std::string> faults;
    int count = 0;

private:
    static void visit(void* widget, void* self) {
        auto* walk = static_cast<DialogFields*>(self);
        const Toolkit& toolkit = walk->toolkit_;
        if (!toolkit.mapped(widget)) return;
        if (toolkit.isA(widget, toolkit.entryType())) {
            ++walk->count;
            const Toolkit::Rectangle area = toolkit.textArea(widget);
            const int line = toolkit.lineHeight(widget);
            if (area.height < line)
                walk->faults.push_back(walk->name_ + ": field \"" + toolkit.entryText(widget) + "\" cut: its text " +
                                       std::to_string(line) + " high, the field shows " +
                                       std::to_string(area.height));
        }
        if (toolkit.isA(widget, toolkit.containerType())) toolkit.forall(widget, &DialogFields::visit, self);
    }

    const Toolkit& toolkit_;
    std::string name_;
};

// The widest text a register's value gives: the most negative value of a signed register
// (both halves of a 32-bit one most negative too), every bit of an unsigned one.
uint32_t widestValue(uint32_t reg) {
    if (is32bitRegister(reg)) return isRegisterUnsigned(reg) ? 0xFFFFFFFFu : 0x80008000u;
    return isRegisterUnsigned(reg) ? 0xFFFFu : 0x8000u;
}

// The errors field of the status panel: every error line can be read whole without
// scrolling sideways, a line wraps only between words and goes on under the column where the
// descriptions start, and that column is the same on every line.
std::vector<std::string> errorLineFaults(const Toolkit& toolkit, wxTextCtrl* field) {
    std::vector<std::string> faults;
    void* view = toolkit.binChild(field->GetHandle());
    if (!view) return {"the errors field has no text view"};
    Toolkit::Rectangle visible{};
    toolkit.visibleRect(view, &visible);
    // A scroll bar that shows over the text (the toolkit's overlay bars) hides what lies
    // under it: the text ends where the bar begins.
    int right = visible.x + visible.width;
    void* bar = toolkit.verticalScrollBar(field->GetHandle());
    if (bar && toolkit.mapped(bar)) {
        const wxRect barRect = toolkit.within(bar, view);
        if (barRect.width > 0 && barRect.x < visible.width) right = std::min(right, visible.x + barRect.x);
    } else {
        faults.push_back("no scroll bar shows beside lines that do not fit the field's height");
    }
    alignas(16) unsigned char iter[256] = {};
    std::set<int> columns;
    for (int line = 0; line < field->GetNumberOfLines(); ++line) {
        const wxString text = field->GetLineText(line);
        if (text.empty()) continue;
        const std::string shown = text.utf8_string();
        toolkit.lineStart(toolkit.textBuffer(view), iter, line);
        int column = -1;
        for (size_t offset = 0; offset < text.length(); ++offset) {
            Toolkit::Rectangle at{};
            toolkit.iterLocation(view, iter, &at);
            if (at.x + at.width > right) {
                faults.push_back("\"" + shown + "\" runs out of the field at \"" + text.Mid(offset).utf8_string() +
                                 "\"");
                break;
            }
            if (offset == size_t(torvex::status::kErrorNameColumn) && text[offset - 1] == ' ' && text[offset] != ' ') {
                column = at.x;
                columns.insert(at.x);
            }
            if (offset > 0 && toolkit.startsDisplayLine(view, iter)) {
                if (text[offset - 1] != ' ')
                    faults.push_back("\"" + shown + "\" is broken inside a word at \"" +
                                     text.Mid(offset).utf8_string() + "\"");
                else if (column >= 0 && at.x != column)
                    faults.push_back("\"" + shown + "\" goes on at " + std::to_string(at.x) +
                                     ", not under its description at " + std::to_string(column));
            }
            toolkit.iterForwardChar(iter);
        }
    }
    if (columns.size() > 1)
        faults.push_back("the descriptions start at " + std::to_string(columns.size()) + " columns");
    if (columns.empty()) faults.push_back("no error line shown");
    return faults;
}

struct Language {
    wxLanguage language;
    const char* code;
};
void PrintTo(const Language& language, std::ostream* out) { *out << language.code; }

class ReadableTexts : public FrameTest, public ::testing::WithParamInterface<Language> {
protected:
    static void click(wxWindow* button) { test::pressButton(button); }
    static void pick(wxComboBox* combo, long reg) { test::pickByClientData(combo, reg); }
    // The language's catalogue, installed as the program installs it.
    static void useCatalogue(wxLanguage language) {
        addCatalogueLookupPrefixes();
        ASSERT_TRUE(loadCatalogue(language));
        installCatalogueTranslator();
    }
    void show(wxWindow* page) {
        wxNotebook* book = frame->notebook();
        book->SetSelection(size_t(book->FindPage(page)));
        pumpFor(300);
    }
};

TEST_P(ReadableTexts, EveryPageAndPanelInEveryLanguage) {
    const Toolkit toolkit;
    ASSERT_TRUE(toolkit.ok());
    ASSERT_NO_FATAL_FAILURE(useCatalogue(GetParam().language));
    const std::set<std::string> keys = untranslatedKeys(GetParam().code);
    ASSERT_GT(keys.size(), 500u);

    std::string address;
    std::unique_ptr<sim::SimDrive> drive = startSimDrive({}, &address);
    ASSERT_TRUE(drive);
    // The firmware and the scales the read-outs are computed with stay as a drive holds them;
    // every other register holds its widest value (a page may show one the table calls
    // write-only: the information panel's mode).
    const std::set<uint32_t> scales = {0x1B, 0x7C, 0x7D, 0xC6, 0xCE, 0xD9};
    for (uint32_t reg = 0; reg < 256; ++reg)
        if (!scales.count(reg)) drive->setReg(reg, widestValue(reg));
    // Every error and every warning at once.
    drive->setReg(0x8F, 0xFFFFFFFF);
    writeConfig("Write2=1\n");
    makeFrame();
    frame->connection().setIpAddress(address);
    frame->goOnline("TCP");
    ASSERT_TRUE(frame->connection().isOnline());
    // Going online read every page; the status panel shows its values with a watching step.
    DriveStatusBar* status = frame->driveStatusBar();
    EXPECT_TRUE(pumpUntil([&] { return status->speedRawText()->GetLabel().Contains("-32768"); }, 10000));

    EXPECT_TRUE(pumpUntil([&] { return status->errorsField()->GetNumberOfLines() >= 16; }, 10000));
    pumpFor(100);
    for (const std::string& fault : errorLineFaults(toolkit, status->errorsField()))
        ADD_FAILURE() << GetParam().code << ": errors field: " << fault;

    Walk walk(toolkit, keys);
    wxNotebook* book = frame->notebook();
    walk.measureWindows(frame->driveStatusBar(), frame->driveStatusBar(), "status panel");
    walk.checkCaptions(frame->driveStatusBar(), "status panel");
    for (size_t tab = 0; tab < book->GetPageCount(); ++tab) {
        wxWindow* page = book->GetPage(tab);
        const std::string name = book->GetPageText(tab).utf8_string();
        show(page);
        walk.measureWindows(page, page, name);
        if (auto* settings = dynamic_cast<SettingsPage*>(page)) {
            wxClientDC dc(settings);
            dc.SetFont(settings->GetFont());
            for (const PaintedText& text : settingsPaintedTexts()) {
                const wxString shown = wxGetTranslation(wxString::FromUTF8(text.key));
                walk.painted(shown, wxRect(wxPoint(text.x, text.y), dc.GetTextExtent(shown)), text.key);
            }
        }
        for (const PictureCaption& caption : page == frame->positionPage() ? pictureCaptions(PositionPage::picture())
                                             : page == frame->speedPage()  ? pictureCaptions(SpeedPage::picture())
                                             : page == frame->oscilloscopePage() ? scope_page::scopePictureCaptions()
                                                                                 : std::vector<PictureCaption>())
            walk.painted(caption.text, caption.rect, "picture");
        walk.checkCaptions(page, name);
    }

    // The oscilloscope's read-outs under the cursor: a capture whose every sample is the most
    // negative 16-bit value, at the longest time base, the cursor at the right edge.
    OscilloscopePage* scope = frame->oscilloscopePage();
    show(scope);
    ScopeFile file;
    ASSERT_TRUE(scope->collectScopeFile(file));
    file.settings.timePerDivision = kScopeTimeScales.back();
    uint32_t slots = 0;
    for (int n = 0; n < kScopeChannels; ++n) {
        const int index = scope->channelSignal(n)->GetSelection();
        if (index >= 0)
            file.capture.channelRegisters[size_t(n)] =
                uint32_t(reinterpret_cast<intptr_t>(scope->channelSignal(n)->GetClientData(unsigned(index))));
        slots += file.capture.channelRegisters[size_t(n)] != 0;
    }
    file.capture.channelCount = slots;
    file.capture.sampleCount = slots * 500;
    file.capture.samples.assign(file.capture.sampleCount, -32768);
    ASSERT_TRUE(scope->applyScopeFile(file, "widest.vof"));
    scope->showCursorReadout(kCanvasWidth - 1, 10);
    pumpFor(100);
    EXPECT_TRUE(scope->channelReadout(1)->GetLabel().Contains("-3000")) << scope->channelReadout(1)->GetLabel();
    walk.measureWindows(scope, scope, "Oscilloscope with a capture");
    walk.checkCaptions(scope, "Oscilloscope with a capture");

    // The five panels of the Diagnose page, each with its widest values.
    DiagnosePage* diagnose = frame->diagnosePage();
    show(diagnose);
    for (auto button : {DiagnosePage::kManualButton, DiagnosePage::kTrackButton, DiagnosePage::kInformationButton})
        click(diagnose->button(button));
    // The track rows show a register of each width and sign the choice list offers, twice over.
    std::vector<uint32_t> kinds[4];
    for (const RegisterChoiceEntry& entry : registerChoiceList())
        if (entry.id != 0)
            kinds[(is32bitRegister(entry.id) ? 2 : 0) + (isRegisterUnsigned(entry.id) ? 1 : 0)].push_back(entry.id);
    for (int row = 0; row < TrackPanel::kRows; ++row) {
        const std::vector<uint32_t>& kind = kinds[(row + 2) % 4];
        ASSERT_FALSE(kind.empty()) << row;
        pick(diagnose->trackPanel()->choice(row), kind[size_t(row / 4) % kind.size()]);
    }
    ManualReadWritePanel* manual = diagnose->manualPanel();
    manual->readRegisterField()->ChangeValue(wxString::Format("0x%02x", kinds[2].front()));
    click(manual->readButton());
    // The information and track panels show their values with the next polling step.
    EXPECT_TRUE(pumpUntil(
        [&] {
            return diagnose->informationPanel()->valueText(4)->GetLabel() == " 65535" &&
                   diagnose->trackPanel()->valueText(TrackPanel::kRows - 1)->GetLabel().StartsWith(" 4294967295");
        },
        10000))
        << diagnose->informationPanel()->valueText(4)->GetLabel() << "|"
        << diagnose->trackPanel()->valueText(TrackPanel::kRows - 1)->GetLabel();
    EXPECT_TRUE(manual->readValueText()->GetLabel().StartsWith("-2147450880")) << manual->readValueText()->GetLabel();
    EXPECT_TRUE(diagnose->trackPanel()->valueText(0)->GetLabel().StartsWith(" -2147450880"));
    walk.measureWindows(diagnose, diagnose, "Diagnose panels");
    walk.checkCaptions(diagnose, "Diagnose panels");
    for (auto button : {DiagnosePage::kAllRegistersButton, DiagnosePage::kSelectionButton}) {
        click(diagnose->button(button));
        pumpFor(300);
        walk.measureWindows(diagnose, diagnose, "Diagnose register list");
        walk.checkCaptions(diagnose, "Diagnose register list");
    }

    // Offline the baud rate buttons are disabled: their labels still read on the page.
    frame->goOffline();
    OptionsPage* options = frame->optionsPage();
    show(options);
    EXPECT_FALSE(options->radio9600()->IsEnabled());
    walk.measureWindows(options, options, "Options offline");
    walk.checkCaptions(options, "Options offline");

    for (const std::string& fault : walk.faults) ADD_FAILURE() << GetParam().code << ": " << fault;
}

TEST_P(ReadableTexts, EveryDialogShowsItsFieldsWhole) {
    const Toolkit toolkit;
    ASSERT_TRUE(toolkit.ok());
    ASSERT_NO_FATAL_FAILURE(useCatalogue(GetParam().language));
    const std::set<std::string> keys = untranslatedKeys(GetParam().code);
    makeFrame();

    Walk walk(toolkit, keys);
    DialogFields fields(toolkit);
    auto showAndMeasure = [&](wxDialog& dialog, const std::string& name) {
        dialog.Show();
        pumpFor(300);
        fields.measure(&dialog, name);
        walk.measureWindows(&dialog, &dialog, name);
        walk.checkCaptions(&dialog, name);
        dialog.Hide();
    };

    // The program's own dialogs, with the longest texts they are opened with.
    {
        SendSettingsDialog mail(frame, wxDateTime(7, wxDateTime::Dec, 2026, 23, 9, 58));
        showAndMeasure(mail, "mail dialog");
    }
    {
        IpAddressDialog tcp(frame, "127.255.255.255");
        showAndMeasure(tcp, "TCP dialog");
    }
    // The program's other dialogs have no fields (the language choice, the start-up
    // progress, the message boxes) or are the desktop's own (the file chooser, the colour and
    // print dialogs, which save the desktop's settings through a service this display lacks).
    EXPECT_EQ(fields.count, 4) << "the mail dialog's three one-line fields and the TCP dialog's";
    for (const std::string& fault : fields.faults) ADD_FAILURE() << GetParam().code << ": " << fault;
    for (const std::string& fault : walk.faults) ADD_FAILURE() << GetParam().code << ": " << fault;
}

INSTANTIATE_TEST_SUITE_P(Languages, ReadableTexts,
                         ::testing::Values(Language{wxLANGUAGE_GERMAN, "de"}, Language{wxLANGUAGE_FRENCH, "fr"},
                                           Language{wxLANGUAGE_ENGLISH, "en"}),
                         [](const auto& info) { return std::string(info.param.code); });

// The Logik and BUS pictures in the page's language: a picture text whose words the catalogue
// translates reads otherwise than the English one, a text naming one of the page's boxes
// carries the words of the label beside that box, and every text stays readable (inside the
// page, clear of the controls, the labels and the other texts).
TEST_P(ReadableTexts, LogicAndBusPicturesUseTheWordsOfTheirLabels) {
    const Toolkit toolkit;
    ASSERT_TRUE(toolkit.ok());
    ASSERT_NO_FATAL_FAILURE(useCatalogue(wxLANGUAGE_ENGLISH));
    const std::vector<PictureText> english[2] = {logicPictureTexts(), canBusPictureTexts()};
    std::map<std::string, wxString> englishWords;
    for (const std::vector<PictureText>& texts : english)
        for (const PictureText& text : texts)
            for (const std::string& key : text.keys) englishWords[key] = translate(wxString::FromUTF8(key));

    ASSERT_TRUE(loadCatalogue(GetParam().language));
    // Online, as the pages are used: the read-outs show values.
    std::string address;
    std::unique_ptr<sim::SimDrive> drive = startSimDrive({}, &address);
    ASSERT_TRUE(drive);
    makeFrame();
    frame->connection().setIpAddress(address);
    frame->goOnline("TCP");
    ASSERT_TRUE(frame->connection().isOnline());
    // The labels beside the boxes of each page.
    const std::set<std::string> labelKeys[2] = {
        {"Limit1", "Limit2", "Din1", "Din2", "Dout1", "Dout2", "Dout3", "Dout4", "Var1", "Var2", "Var3", "Var4"},
        {"RxID", "TxID", "BTR", "NBT"}};
    wxWindow* pages[2] = {frame->notebook()->GetPage(kTabLogic), frame->notebook()->GetPage(kTabCanBus)};
    const std::vector<PictureText> shown[2] = {logicPictureTexts(), canBusPictureTexts()};
    const std::set<std::string> keys = untranslatedKeys(GetParam().code);
    Walk walk(toolkit, keys);
    for (int p = 0; p < 2; ++p) {
        wxWindow* page = pages[p];
        const std::string name = p == 0 ? "Logic" : "BUS";
        show(page);
        std::set<wxString> labels;
        for (wxWindow* child : page->GetChildren())
            if (auto* label = dynamic_cast<wxStaticText*>(child)) labels.insert(label->GetLabel());
        walk.measureWindows(page, page, name);
        ASSERT_EQ(shown[p].size(), english[p].size());
        for (size_t i = 0; i < shown[p].size(); ++i) {
            const PictureText& text = shown[p][i];
            const std::string where = name + " picture: \"" + text.text.utf8_string() + "\"";
            bool translated = false;
            for (const std::string& key : text.keys) {
                const wxString word = translate(wxString::FromUTF8(key));
                translated = translated || word != englishWords[key];
                if (!labelKeys[p].count(key)) continue;
                EXPECT_TRUE(labels.count(word)) << where << ": no label \"" << word.utf8_string() << "\" beside";
                EXPECT_TRUE(text.text.Contains(word)) << where << " names the box labelled \"" << word.utf8_string()
                                                      << "\"";
            }
            if (translated) {
                EXPECT_NE(text.text.utf8_string(), english[p][i].text.utf8_string()) << where << " reads as in English";
            }
            walk.painted(text.text, text.rect, "picture");
        }
        walk.checkCaptions(page, name);
    }
    for (const std::string& fault : walk.faults) ADD_FAILURE() << GetParam().code << ": " << fault;
    frame->goOffline();
}

}  // namespace
}  // namespace torvex::test
