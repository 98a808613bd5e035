// Every page and panel as a person sees it, in each language, online with a drive whose
// registers hold their widest values: every label, caption, button text and read-out fits
// its control, no two captions overlap and no painted caption hides under a control, and no
// text or tooltip shows a catalogue key that the catalogue translates. Showing each page once
// also lets the test main catch any toolkit warning a page raises.
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

#include <cstdint>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "frame/drive_status_bar.h"
#include "link/registers.h"
#include "pages/diagnose_page.h"
#include "pages/logic_bus_auto_pictures.h"
#include "pages/loop_picture.h"
#include "pages/position_page.h"
#include "pages/scope/oscilloscope_page.h"
#include "pages/scope/oscilloscope_page_parts.h"
#include "pages/settings/settings_page.h"
#include "pages/settings/settings_texts.h"
#include "pages/speed_page.h"
#include "scope/vof_file.h"
#include "services/catalogue.h"
#include "tests/support/frame_fixture.h"
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
    void* (*binChild)(void*) = nullptr;
    void* (*frameLabel)(void*) = nullptr;
    void (*preferredWidth)(void*, int*, int*) = nullptr;
    void (*preferredHeight)(void*, int*, int*) = nullptr;
    int (*allocatedWidth)(void*) = nullptr;
    int (*allocatedHeight)(void*) = nullptr;
    void (*entryTextArea)(void*, Rectangle*) = nullptr;

    Toolkit() {
        look(binChild, "gtk_bin_get_child");
        look(frameLabel, "gtk_frame_get_label_widget");
        look(preferredWidth, "gtk_widget_get_preferred_width");
        look(preferredHeight, "gtk_widget_get_preferred_height");
        look(allocatedWidth, "gtk_widget_get_allocated_width");
        look(allocatedHeight, "gtk_widget_get_allocated_height");
        look(entryTextArea, "gtk_entry_get_text_area");
    }
    template <class F>
    static void look(F& function, const char* name) {
        function = reinterpret_cast<F>(dlsym(RTLD_DEFAULT, name));
    }
    bool ok() const {
        return binChild && frameLabel && preferredWidth && preferredHeight && allocatedWidth && allocatedHeight &&
               entryTextArea;
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
        if (dynamic_cast<wxComboBox*>(root)) return;
        if (auto* box = dynamic_cast<wxStaticBox*>(root)) {
            shown(box->GetLabel(), where);
            fits(toolkit_.labelShortfall(toolkit_.frameLabel(box->GetHandle())), where);
            return;
        }
        if (dynamic_cast<wxButton*>(root) || dynamic_cast<wxCheckBox*>(root) || dynamic_cast<wxRadioButton*>(root)) {
            const wxString label = root->GetLabel();
            if (label.empty()) return;
            shown(label, where);
            fits(toolkit_.labelShortfall(toolkit_.binChild(root->GetHandle())), where);
            if (!dynamic_cast<wxButton*>(root)) captions_.push_back({label, pageRect(page, root), where});
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

    // No two captions of the page overlap, and no painted one lies under a control.
    void checkCaptions(wxWindow* page, const std::string& name) {
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
};

// The widest text a register's value gives: the most negative value of a signed register
// (both halves of a 32-bit one most negative too), every bit of an unsigned one.
uint32_t widestValue(uint32_t reg) {
    if (is32bitRegister(reg)) return isRegisterUnsigned(reg) ? 0xFFFFFFFFu : 0x80008000u;
    return isRegisterUnsigned(reg) ? 0xFFFFu : 0x8000u;
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
    void show(wxWindow* page) {
        wxNotebook* book = frame->notebook();
        book->SetSelection(size_t(book->FindPage(page)));
        pumpFor(300);
    }
};

TEST_P(ReadableTexts, EveryPageAndPanelInEveryLanguage) {
    const Toolkit toolkit;
    ASSERT_TRUE(toolkit.ok());
    addCatalogueLookupPrefixes();
    ASSERT_TRUE(loadCatalogue(GetParam().language));
    installCatalogueTranslator();
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
    writeConfig("Write2=1\n");
    makeFrame();
    frame->connection().setIpAddress(address);
    frame->goOnline("TCP");
    ASSERT_TRUE(frame->connection().isOnline());
    // Going online read every page; the status panel shows its values with a watching step.
    DriveStatusBar* status = frame->driveStatusBar();
    EXPECT_TRUE(pumpUntil([&] { return status->speedRawText()->GetLabel().Contains("-32768"); }, 10000));

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

    for (const std::string& fault : walk.faults) ADD_FAILURE() << GetParam().code << ": " << fault;
    frame->goOffline();
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
    addCatalogueLookupPrefixes();
    ASSERT_TRUE(loadCatalogue(wxLANGUAGE_ENGLISH));
    installCatalogueTranslator();
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
