// The Settings page's layout in every language: every control inside the page, no two
// overlapping beyond the button pairs that share an edge, no painted text running into a
// control, every button label given the room it needs, the tab order of the controls, the
// option-bit buttons as assistive tools and the eye find them, and the built-in picture
// standing in for the picture file.
#include <dlfcn.h>

#include <wx/checkbox.h>
#include <wx/dcclient.h>
#include <wx/settings.h>
#include <wx/translation.h>

#include <algorithm>
#include <cmath>
#include <set>

#include "link/i18n.h"
#include "pages/settings/settings_texts.h"
#include "tests/gui_settings/settings_fixture.h"
#include "tests/support/contrast.h"
#include "widgets/register_display.h"
#include "widgets/register_text_edit.h"

namespace torvex::test {
namespace {

std::string describe(wxWindow* control) {
    wxString text = control->GetLabel();
    if (auto* edit = dynamic_cast<RegisterEdit*>(control)) text = wxString::Format("field 0x%02x", edit->registerNumber());
    return wxString::Format("%s at %d,%d", text, control->GetPosition().x, control->GetPosition().y).utf8_string();
}

// The toolkit's own calls, looked up in the running process: the build has no toolkit headers.
template <class F>
F look(const char* name) {
    return reinterpret_cast<F>(dlsym(RTLD_DEFAULT, name));
}

// The toolkit's label widget inside a native button, or null (the test then fails).
void* toolkitLabel(wxWindow* button) {
    using BinGetChild = void* (*)(void*);
    auto child = look<BinGetChild>("gtk_bin_get_child");
    void* label = child ? child(button->GetHandle()) : nullptr;
    if (!label) ADD_FAILURE() << "no toolkit label in " << describe(button);
    return label;
}

// The room a native button gives its label: what the label needs and what it got, and
// whether what it got lies inside the button.
struct LabelRoom {
    wxSize needed, given;
    bool inside = false;
};

LabelRoom labelRoom(wxButton* button) {
    struct Allocation {
        int x, y, width, height;
    };
    using PreferredSize = void (*)(void*, int*, int*);
    using GetAllocation = void (*)(void*, Allocation*);
    auto width = look<PreferredSize>("gtk_widget_get_preferred_width");
    auto height = look<PreferredSize>("gtk_widget_get_preferred_height");
    auto allocation = look<GetAllocation>("gtk_widget_get_allocation");
    LabelRoom room;
    void* label = toolkitLabel(button);
    if (!label) return room;
    if (!width || !height || !allocation) {
        ADD_FAILURE() << "no toolkit sizes for " << describe(button);
        return room;
    }
    int least = 0;
    width(label, &least, &room.needed.x);
    height(label, &least, &room.needed.y);
    Allocation own{}, outer{};
    allocation(label, &own);
    allocation(button->GetHandle(), &outer);
    room.given = wxSize(own.width, own.height);
    room.inside = wxRect(outer.x, outer.y, outer.width, outer.height)
                      .Contains(wxRect(own.x, own.y, own.width, own.height));
    return room;
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

    // The test main fails the test on any Gtk warning raised while building and showing.
    showSettings();
    settings->Refresh();
    settings->Update();
    pumpFor(50);
    // Every button gives its label all the room the label asks for, inside the button.
    for (wxWindow* control : controls) {
        auto* button = dynamic_cast<wxButton*>(control);
        if (!button) continue;
        const LabelRoom room = labelRoom(button);
        EXPECT_GE(room.given.x, room.needed.x) << describe(button);
        EXPECT_GE(room.given.y, room.needed.y) << describe(button);
        EXPECT_TRUE(room.inside) << describe(button);
    }
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

// What the display shows of rect (screen coordinates): the pixels the X server holds, which
// the toolkit's own drawing of native controls reaches and the page's off-screen rendering
// does not.
wxImage fromScreen(const wxRect& rect) {
    using RootWindow = void* (*)();
    using FromWindow = GdkPixbuf* (*)(void* window, int x, int y, int width, int height);
    auto root = look<RootWindow>("gdk_get_default_root_window");
    auto fromWindow = look<FromWindow>("gdk_pixbuf_get_from_window");
    GdkPixbuf* pixels = root && fromWindow ? fromWindow(root(), rect.x, rect.y, rect.width, rect.height) : nullptr;
    if (!pixels) {
        ADD_FAILURE() << "the display's pixels cannot be read";
        return wxImage(rect.width, rect.height);
    }
    // The bitmap takes the pixels over.
    return wxBitmap(pixels).ConvertToImage();
}

// What assistive tools learn of a control through the toolkit's accessibility object.
struct Accessible {
    std::string role, name, description;
};

Accessible accessibleOf(wxWindow* control) {
    using GetAccessible = void* (*)(void*);
    using GetRole = int (*)(void*);
    using RoleName = const char* (*)(int);
    using GetText = const char* (*)(void*);
    auto accessible = look<GetAccessible>("gtk_widget_get_accessible");
    auto role = look<GetRole>("atk_object_get_role");
    auto roleName = look<RoleName>("atk_role_get_name");
    auto name = look<GetText>("atk_object_get_name");
    auto description = look<GetText>("atk_object_get_description");
    Accessible seen;
    void* object = accessible ? accessible(control->GetHandle()) : nullptr;
    if (!object || !role || !roleName || !name || !description) {
        ADD_FAILURE() << "no accessibility object for " << describe(control);
        return seen;
    }
    auto text = [](const char* value) { return std::string(value ? value : ""); };
    seen.role = text(roleName(role(object)));
    seen.name = text(name(object));
    seen.description = text(description(object));
    return seen;
}

// The colour the toolkit gives a button's label in the button's present state.
wxColour labelColour(wxWindow* button) {
    struct Rgba {
        double red, green, blue, alpha;
    };
    using StyleContext = void* (*)(void*);
    using State = int (*)(void*);
    using Colour = void (*)(void*, int, Rgba*);
    auto context = look<StyleContext>("gtk_widget_get_style_context");
    auto state = look<State>("gtk_style_context_get_state");
    auto colour = look<Colour>("gtk_style_context_get_color");
    void* label = toolkitLabel(button);
    if (!label) return wxColour();
    void* style = context ? context(label) : nullptr;
    if (!style || !state || !colour) {
        ADD_FAILURE() << "no toolkit style for " << describe(button);
        return wxColour();
    }
    Rgba rgba{};
    colour(style, state(style), &rgba);
    auto channel = [](double value) { return static_cast<unsigned char>(std::lround(value * 255)); };
    return wxColour(channel(rgba.red), channel(rgba.green), channel(rgba.blue));
}

bool near(const wxColour& a, const wxColour& b, int tolerance) {
    if (!a.IsOk() || !b.IsOk()) return false;
    return std::abs(a.Red() - b.Red()) + std::abs(a.Green() - b.Green()) + std::abs(a.Blue() - b.Blue()) <= tolerance;
}

// What the guidelines ask of the text of controls. A disabled button's text, or a label of
// the page's small size in a regular weight on green, stays below it.
constexpr double kReadableContrast = 3.0;

// In German, whose labels have the thinnest strokes ("li").
TEST_F(SettingsTest, OptionButtonsAreNamedPushButtonsShowingTheirStateInsideTheirOutlines) {
    useLanguage(wxLANGUAGE_GERMAN);
    startValues = {{settings::kRegKernOptions, 0x100}};  // bit 8: "ccw"; every other bit 0
    makeFrame();
    goOnline();
    showSettings();
    const std::vector<OptionBitPair>& pairs = page()->optionPairs();
    ASSERT_EQ(pairs.size(), 8u);

    // Push buttons named by their labels, their tooltips as descriptions.
    for (const OptionBitPair& pair : pairs) {
        for (wxWindow* button : std::initializer_list<wxWindow*>{pair.forOne, pair.forZero}) {
            ASSERT_EQ(button->GetParent(), page());
            const Accessible seen = accessibleOf(button);
            EXPECT_EQ(seen.role, "push button") << describe(button);
            EXPECT_EQ(seen.name, button->GetLabel().utf8_string()) << describe(button);
            EXPECT_FALSE(seen.name.empty()) << describe(button);
            EXPECT_EQ(seen.description, button->GetToolTipText().utf8_string()) << describe(button);
            EXPECT_FALSE(seen.description.empty()) << describe(button);
        }
    }

    // The colours are read from the display, which other test programs share: their frames
    // stand at the fixture's place, and the one that clicks stands below it. Each pair is read
    // right of that place, where no other frame reaches, with this frame at the fixture's
    // height, clear of those clicks.
    const wxRect usual = frame->GetScreenRect();
    auto bringIntoView = [&](const wxRect& around) {
        const int pageTop = page()->GetScreenPosition().y - frame->GetScreenPosition().y;
        const wxPoint target(usual.GetRight() + 10, usual.y + pageTop + around.y);
        const wxPoint shift = target - (page()->GetScreenPosition() + around.GetPosition());
        frame->Move(frame->GetScreenPosition() + shift);
        const bool moved =
            pumpUntil([&] { return page()->GetScreenPosition() + around.GetPosition() == target; }, 3000);
        frame->Raise();
        page()->Refresh();
        page()->Update();
        pumpFor(50);
        return moved && wxRect(wxGetDisplaySize()).Contains(wxRect(target, around.GetSize()));
    };

    const wxColour text = wxSystemSettings::GetColour(wxSYS_COLOUR_BTNTEXT);
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round == 0 ? "as read" : "after a click on the other of each pair");
        const uint32_t options = drive->reg(settings::kRegKernOptions);
        for (const OptionBitPair& pair : pairs) {
            const bool one = (options >> pair.bit) & 1u;
            wxWindow* pressed = one ? pair.forOne : pair.forZero;
            wxWindow* released = one ? pair.forZero : pair.forOne;
            SCOPED_TRACE(describe(pressed));
            const int margin = 3;
            wxRect around = pressed->GetRect().Union(released->GetRect());
            around.Inflate(margin);
            ASSERT_TRUE(bringIntoView(around)) << "the pair stands on the screen";
            around.SetPosition(page()->ClientToScreen(around.GetPosition()));
            auto local = [&](wxWindow* button) {
                return wxRect(button->GetScreenPosition() - around.GetPosition(), button->GetSize());
            };
            const wxRect buttons[2] = {local(pressed), local(released)};
            wxImage shot;
            auto green = [&](int x, int y) {
                return shot.GetGreen(x, y) > 200 && shot.GetRed(x, y) < 80 && shot.GetBlue(x, y) < 80;
            };
            auto white = [&](int x, int y) {
                return shot.GetRed(x, y) > 240 && shot.GetGreen(x, y) > 240 && shot.GetBlue(x, y) > 240;
            };
            // Each colour only inside a button's rounded outline: nowhere around the pair, never
            // in the corners a rounded outline leaves out; green on the pressed button alone,
            // white on the released one alone.
            int spilled = 0, greenOn[2] = {0, 0}, whiteOn[2] = {0, 0};
            auto tally = [&] {
                spilled = greenOn[0] = greenOn[1] = whiteOn[0] = whiteOn[1] = 0;
                for (int y = 0; y < shot.GetHeight(); ++y) {
                    for (int x = 0; x < shot.GetWidth(); ++x) {
                        const bool isGreen = green(x, y), isWhite = white(x, y);
                        if (!isGreen && !isWhite) continue;
                        bool inside = false;
                        for (int b = 0; b < 2; ++b) {
                            const wxRect& r = buttons[b];
                            if (!r.Contains(x, y)) continue;
                            const int dx = std::min(x - r.x, r.GetRight() - x);
                            const int dy = std::min(y - r.y, r.GetBottom() - y);
                            if (dx + dy < 2) continue;  // a corner
                            inside = true;
                            ++(isGreen ? greenOn : whiteOn)[b];
                        }
                        if (!inside) ++spilled;
                    }
                }
            };
            // What the move uncovered may still be on its way to the display.
            pumpUntil(
                [&] {
                    shot = fromScreen(around);
                    tally();
                    return greenOn[0] > 0 && whiteOn[1] > 0;
                },
                1000);
            EXPECT_EQ(spilled, 0) << "green or white pixels outside the buttons' outlines";
            EXPECT_GT(greenOn[0], buttons[0].width * buttons[0].height / 3) << "the pressed button's face is green";
            EXPECT_EQ(whiteOn[0], 0);
            EXPECT_GT(whiteOn[1], buttons[1].width * buttons[1].height / 3) << "the released button's face is white";
            EXPECT_EQ(greenOn[1], 0);
            // Both labels in the colour of an enabled button's text, and drawn dark enough on
            // their faces to read as enabled: a disabled button's pale text stays below that.
            const wxColour faces[2] = {SettingsPage::pressedColour(), SettingsPage::releasedColour()};
            for (int b = 0; b < 2; ++b) {
                wxWindow* button = b == 0 ? pressed : released;
                const wxColour colour = labelColour(button);
                EXPECT_TRUE(near(colour, text, 3)) << describe(button) << ": label colour "
                                                   << colour.GetAsString(wxC2S_HTML_SYNTAX).utf8_string()
                                                   << ", enabled text " << text.GetAsString(wxC2S_HTML_SYNTAX);
                const wxRect label = wxRect(buttons[b]).Deflate(3);
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
                EXPECT_GE(contrast(ink, faces[b]), kReadableContrast)
                    << describe(button) << ": label ink " << ink.GetAsString(wxC2S_HTML_SYNTAX);
            }
            if (round == 0) click(released);
        }
        if (round == 0) {
            // Every bit turned over: 8 cleared, 18, 3, 7, 1, 19, 6 and 5 set.
            EXPECT_EQ(drive->reg(settings::kRegKernOptions), 0xC00EAu) << "each click wrote its button's value";
        }
    }
}

TEST_F(SettingsTest, WithoutWrite2TheButtonStaysHidden) {
    writeConfig("Language=3\n");
    makeFrame();
    EXPECT_FALSE(page()->write2Button->IsShown());
}

}  // namespace
}  // namespace torvex::test
