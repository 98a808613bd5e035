// The Settings page's layout in every language: every control inside the page, no two
// overlapping beyond the button pairs that share an edge, no painted text running into a
// control, no button label wider than its button, the tab order of the controls, and the
// built-in picture standing in for the picture file.
#include <wx/checkbox.h>
#include <wx/dcclient.h>
#include <wx/dcmemory.h>
#include <wx/settings.h>
#include <wx/translation.h>

#include <algorithm>
#include <set>

#include "link/i18n.h"
#include "pages/settings/settings_texts.h"
#include "tests/gui_settings/settings_fixture.h"
#include "widgets/option_button.h"
#include "widgets/register_display.h"
#include "widgets/register_text_edit.h"

namespace torvex::test {
namespace {

std::string describe(wxWindow* control) {
    wxString text = control->GetLabel();
    if (auto* edit = dynamic_cast<RegisterEdit*>(control)) text = wxString::Format("field 0x%02x", edit->registerNumber());
    return wxString::Format("%s at %d,%d", text, control->GetPosition().x, control->GetPosition().y).utf8_string();
}

class SettingsLayout : public SettingsTest, public ::testing::WithParamInterface<wxLanguage> {};

TEST_P(SettingsLayout, EverythingFitsAndNothingIsCovered) {
    useLanguage(GetParam());
    makeFrame();
    SettingsPage* settings = page();
    const wxRect pageRect(0, 0, kPagePictureWidth, kPagePictureHeight);
    // The button pairs share one pixel column, as the layout has them.
    const std::set<std::pair<wxWindow*, wxWindow*>> sharedEdges = {
        {settings->directionCwButton, settings->directionCcwButton},
        {settings->brakeOnButton, settings->brakeOffButton},
        {settings->coastStopOnButton, settings->coastStopOffButton},
        {settings->decRampAccButton, settings->decRampLimButton},
    };
    std::vector<wxWindow*> controls;
    for (wxWindow* child : settings->GetChildren())
        if (child->IsShown()) controls.push_back(child);
    ASSERT_GT(controls.size(), 120u);
    for (size_t i = 0; i < controls.size(); ++i) {
        const wxRect rect = controls[i]->GetRect();
        EXPECT_TRUE(pageRect.Contains(rect)) << describe(controls[i]);
        for (size_t k = i + 1; k < controls.size(); ++k) {
            if (!rect.Intersects(controls[k]->GetRect())) continue;
            const bool shared = sharedEdges.count({controls[i], controls[k]}) > 0 &&
                                rect.Intersect(controls[k]->GetRect()).GetWidth() <= 1;
            EXPECT_TRUE(shared) << describe(controls[i]) << " covers " << describe(controls[k]);
        }
    }

    // Painted texts stay clear of the controls, in the page's font.
    wxClientDC dc(settings);
    dc.SetFont(settings->GetFont());
    ASSERT_EQ(settingsPaintedTexts().size(), 194u);
    for (const PaintedText& text : settingsPaintedTexts()) {
        const wxString shown = wxGetTranslation(wxString::FromUTF8(text.key));
        EXPECT_NE(wxTranslations::Get()->GetTranslatedString(wxString::FromUTF8(text.key)), nullptr)
            << "untranslated: " << text.key;
        const wxRect area(wxPoint(text.x, text.y), dc.GetTextExtent(shown));
        EXPECT_TRUE(pageRect.Contains(area)) << text.key;
        for (wxWindow* control : controls) {
            EXPECT_FALSE(area.Intersects(control->GetRect()))
                << "\"" << shown.utf8_string() << "\" (" << text.key << ") runs into " << describe(control);
        }
    }

    // Button labels fit their buttons, the option buttons' labels in the font they are drawn in.
    for (wxWindow* control : controls) {
        auto* button = dynamic_cast<wxButton*>(control);
        auto* option = dynamic_cast<OptionButton*>(control);
        if (!button && !option) continue;
        wxClientDC buttonDc(control);
        buttonDc.SetFont(option ? option->labelFont() : control->GetFont());
        EXPECT_LE(buttonDc.GetTextExtent(control->GetLabel()).GetWidth(), control->GetSize().GetWidth() - 2)
            << describe(control);
    }
    // The test main fails the test on any Gtk warning raised while building and showing.
    showSettings();
    settings->Refresh();
    settings->Update();
    pumpFor(50);
}

INSTANTIATE_TEST_SUITE_P(Languages, SettingsLayout,
                         ::testing::Values(wxLANGUAGE_GERMAN, wxLANGUAGE_FRENCH, wxLANGUAGE_ENGLISH));

// A catalogue that names the two speed-limit clips' first texts, for as long as it lives.
class ClipTextCatalogue {
public:
    ClipTextCatalogue()
        : previous_(setTranslator([](const std::string& key) -> std::string {
              if (key == "0x3f") return "N+ clip";
              if (key == "0x3e") return "N- clip";
              return key;
          })) {}
    ~ClipTextCatalogue() { setTranslator(previous_); }

private:
    Translator previous_;
};

TEST_F(SettingsTest, ControlsFollowTheTabOrderAndStartAsBuilt) {
    writeConfig("Write2=0\n");
    {
        ClipTextCatalogue catalogue;
        makeFrame();
    }
    SettingsPage* settings = page();
    // A sample across the whole order: choices, fields, buttons, read-outs, check boxes.
    std::vector<wxWindow*> order;
    for (wxWindow* control : std::initializer_list<wxWindow*>{
             settings->motorTypeChoice,
             field(0x59),
             field(0x4F),
             settings->directionCwButton,
             settings->brakeOffButton,
             field(0xF1),
             settings->coastStopOffButton,
             field(0xA3),
             settings->motorFeedbackChoice,
             field(0xA6),
             settings->motorFeedback2Choice,
             field(0x7E),
             settings->incOutFactorChoice,
             settings->servoTypeDisplay,
             settings->axisNameEdit,
             settings->mainsAcButton,
             field(0xA5, 2),
             field(0x65, 2),
             settings->btbPowerWithoutButton,
             settings->analogOutChoice,
             settings->servoCommandChoice,
             field(0x1E),
             settings->ain1FormatChoice,
             field(0x2F, 2),
             settings->ain2ModeChoice,
             settings->loadButton,
             settings->write2Button,
             settings->upButton(),
             settings->downButton(),
             field(0x1C),
             settings->imaxDisplay,
             field(0x0D, 1),
             settings->currentShape1Choice,
             field(0x5E),
             settings->rampSelectCheck,
             field(0x35, 1),
             settings->sFormCheck,
             field(0xC7),
             field(0x0D, 2),
             settings->currentShape2Choice,
             field(0x75),
             settings->decRampAccButton,
             settings->decRampLimButton,
             field(0x79),
             field(0x7C)})
        order.push_back(control);
    const wxWindowList& children = settings->GetChildren();
    int previous = -1;
    for (wxWindow* control : order) {
        int index = children.IndexOf(control);
        EXPECT_GT(index, previous) << describe(control);
        previous = index;
    }

    EXPECT_EQ(settings->editList().size(), 79u);
    EXPECT_EQ(settings->displayList().size(), 2u);
    EXPECT_EQ(settings->defaultField(), field(0x59));
    EXPECT_EQ(settings->lastFocused(), field(0x59)) << "the cursor goes to the default field first";
    EXPECT_EQ(field(0xA5, 2)->GetValue(), "0xa5 H");
    // The speed-limit clips start with their catalogue texts, the other fields with plain numbers.
    EXPECT_EQ(field(0x3F)->GetValue(), "N+ clip");
    EXPECT_EQ(field(0x3F)->savedValue(), "N+ clip");
    EXPECT_EQ(field(0x3E)->GetValue(), "N- clip");
    EXPECT_EQ(field(0x34)->GetValue(), "0x34");
    EXPECT_EQ(field(0x07, 1)->GetToolTipText(), wxGetTranslation("Tooltip Register 0x07_low"));
    EXPECT_TRUE(settings->write2Button->IsShown()) << "any text shows the button, \"0\" too";
    EXPECT_FALSE(settings->mailButton->IsEnabled()) << "offline: no mail";
    EXPECT_TRUE(settings->rampSelectCheck->GetValue());
    EXPECT_TRUE(settings->isPressed(settings->directionCwButton)) << "the first of each pair until a read";
    EXPECT_FALSE(settings->isPressed(settings->directionCcwButton));
    EXPECT_EQ(settings->servoCommandChoice->GetCount(), 4u);
    EXPECT_EQ(settings->analogOutChoice->GetSelection(), 0);
    EXPECT_FALSE(settings->pictureFromFile());

    // The built-in picture draws its blocks: not one plain colour.
    wxImage picture = settings->backgroundPicture().ConvertToImage();
    ASSERT_EQ(picture.GetWidth(), kPagePictureWidth);
    const auto& block = settingsPictureBlocks()[0];
    EXPECT_NE(picture.GetRed(block.x + block.w / 2, block.y + block.h / 2), picture.GetRed(2, 2));
}

// What the page shows in rect (page coordinates): its own painting with the option buttons
// drawn over it, as the screen composes them. Drawn off screen, so that no other window on
// the display can cover it.
wxImage pageShot(SettingsPage* page, const std::vector<OptionButton*>& buttons, const wxRect& rect) {
    wxBitmap shot(page->GetClientSize().x, page->GetClientSize().y, 24);
    {
        wxMemoryDC memory(shot);
        page->renderPage(memory);
        for (OptionButton* button : buttons) {
            memory.SetDeviceOrigin(button->GetPosition().x, button->GetPosition().y);
            button->render(memory, button->GetSize());
        }
    }
    return shot.ConvertToImage().GetSubImage(rect);
}

TEST_F(SettingsTest, OptionButtonsShowTheirStateInsideTheirOutlineWithEnabledLabels) {
    startValues = {{settings::kRegKernOptions, 0x100}};  // bit 8: "ccw"
    makeFrame();
    goOnline();
    showSettings();
    OptionButton* pressed = page()->directionCcwButton;
    OptionButton* released = page()->directionCwButton;
    ASSERT_EQ(pressed->GetParent(), page());
    const wxColour text = wxSystemSettings::GetColour(wxSYS_COLOUR_BTNTEXT);
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round == 0 ? "as read" : "after a click on the other");
        const int margin = 3;
        wxRect pair = pressed->GetRect().Union(released->GetRect());
        pair.Inflate(margin);
        const wxImage shot = pageShot(page(), {pressed, released}, pair);
        auto local = [&](wxWindow* button) {
            return wxRect(button->GetPosition() - pair.GetPosition(), button->GetSize());
        };
        const wxRect buttons[2] = {local(pressed), local(released)};
        auto green = [&](int x, int y) {
            return shot.GetGreen(x, y) > 200 && shot.GetRed(x, y) < 80 && shot.GetBlue(x, y) < 80;
        };
        // Green only inside a button's rounded outline: nowhere around the pair, never in the
        // corners a rounded outline leaves out, and only on the pressed button.
        int spilled = 0, onPressed = 0, onReleased = 0;
        for (int y = 0; y < shot.GetHeight(); ++y) {
            for (int x = 0; x < shot.GetWidth(); ++x) {
                if (!green(x, y)) continue;
                bool inside = false;
                for (int b = 0; b < 2; ++b) {
                    const wxRect& r = buttons[b];
                    if (!r.Contains(x, y)) continue;
                    const int dx = std::min(x - r.x, r.GetRight() - x), dy = std::min(y - r.y, r.GetBottom() - y);
                    if (dx + dy < 2) continue;  // a corner
                    inside = true;
                    ++(b == 0 ? onPressed : onReleased);
                }
                if (!inside) ++spilled;
            }
        }
        EXPECT_EQ(spilled, 0) << "green pixels outside the buttons' outlines";
        EXPECT_GT(onPressed, buttons[0].width * buttons[0].height / 3) << "the pressed button's face is green";
        EXPECT_EQ(onReleased, 0);
        // The released button's label at the full colour of an enabled button's text.
        const wxRect label = wxRect(buttons[1]).Deflate(3);
        int darkest = 3 * 255;
        wxColour ink;
        for (int y = label.y; y <= label.GetBottom(); ++y)
            for (int x = label.x; x <= label.GetRight(); ++x) {
                const int sum = shot.GetRed(x, y) + shot.GetGreen(x, y) + shot.GetBlue(x, y);
                if (sum < darkest) {
                    darkest = sum;
                    ink = wxColour(shot.GetRed(x, y), shot.GetGreen(x, y), shot.GetBlue(x, y));
                }
            }
        EXPECT_LE(std::abs(ink.Red() - text.Red()) + std::abs(ink.Green() - text.Green()) +
                      std::abs(ink.Blue() - text.Blue()),
                  30)
            << "label ink " << ink.GetAsString(wxC2S_HTML_SYNTAX) << ", enabled text "
            << text.GetAsString(wxC2S_HTML_SYNTAX);

        if (round == 1) break;
        click(released);
        std::swap(pressed, released);
    }
    EXPECT_EQ(drive->reg(settings::kRegKernOptions), 0u) << "the click on cw cleared bit 8";
}

TEST_F(SettingsTest, WithoutWrite2TheButtonStaysHidden) {
    writeConfig("Language=3\n");
    makeFrame();
    EXPECT_FALSE(page()->write2Button->IsShown());
}

}  // namespace
}  // namespace torvex::test
