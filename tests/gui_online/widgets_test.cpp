// The gauge with its marker, the lamp row and the register choice lists, on a real display.
#include <gtest/gtest.h>

#include <wx/bitmap.h>
#include <wx/choice.h>
#include <wx/config.h>
#include <wx/dcmemory.h>
#include <wx/frame.h>
#include <wx/gauge.h>
#include <wx/image.h>
#include <wx/intl.h>
#include <wx/translation.h>
#include <wx/memconf.h>
#include <wx/panel.h>
#include <wx/settings.h>
#include <wx/statbmp.h>

#include <map>
#include <tuple>
#include <wx/stattext.h>

#include "tests/support/recording_dialogs.h"
#include "widgets/field_sizers.h"
#include "widgets/percent_gauge.h"
#include "widgets/readout.h"
#include "widgets/register_choice.h"
#include "link/connection.h"
#include "link/limits.h"
#include "widgets/register_edit.h"

namespace torvex {
namespace {

class WidgetTest : public ::testing::Test {
protected:
    void SetUp() override {
        previousConfig_ = wxConfigBase::Set(new wxMemoryConfig);
        // The register list is built once, from the catalogue loaded at the time.
        if (!wxTranslations::Get()) {
            wxFileTranslationsLoader::AddCatalogLookupPathPrefix(TORVEX_BINARY_DIR "/locale");
            auto* translations = new wxTranslations;
            wxTranslations::Set(translations);
            translations->SetLanguage("en");
            translations->AddCatalog("Torvex");
        }
        frame_ = new wxFrame(nullptr, wxID_ANY, "widgets", wxDefaultPosition, wxSize(400, 300));
        panel_ = new wxPanel(frame_);
        frame_->Show();
    }
    void TearDown() override {
        frame_->Destroy();
        test::pumpFor(20);
        delete wxConfigBase::Set(previousConfig_);
    }

    wxConfigBase* previousConfig_ = nullptr;
    wxFrame* frame_ = nullptr;
    wxPanel* panel_ = nullptr;
};

// The column where the marker colour starts in a rendering of the gauge.
int renderedMarkerColumn(const PercentGauge& gauge, const wxSize& size) {
    wxBitmap bitmap(size);
    {
        wxMemoryDC dc(bitmap);
        dc.SetBackground(*wxBLACK_BRUSH);
        dc.Clear();
        gauge.render(dc, size);
    }
    wxImage image = bitmap.ConvertToImage();
    const wxColour marker = wxSystemSettings::GetColour(wxSYS_COLOUR_BTNFACE);
    const int y = size.GetHeight() / 2;
    for (int x = 0; x < size.GetWidth(); ++x)
        if (image.GetRed(x, y) == marker.Red() && image.GetGreen(x, y) == marker.Green() &&
            image.GetBlue(x, y) == marker.Blue())
            return x;
    return -1;
}

TEST_F(WidgetTest, GaugeMarkerOutsideTheRangeSitsAtTheRightEdge) {
    auto* gauge = new PercentGauge(panel_, wxID_ANY, 1000, 150, wxDefaultPosition, wxSize(200, 16));
    EXPECT_EQ(gauge->GetName(), "gauge");
    EXPECT_EQ(gauge->GetRange(), 1000);
    EXPECT_EQ(gauge->markerPercent(), 100u);
    EXPECT_EQ(renderedMarkerColumn(*gauge, wxSize(200, 16)), 198);

    gauge->setGaugePercent(50);
    EXPECT_EQ(gauge->markerPercent(), 50u);
    EXPECT_EQ(gauge->markerX(200), 100);
    EXPECT_EQ(renderedMarkerColumn(*gauge, wxSize(200, 16)), 100);

    gauge->setGaugePercent(-5);
    EXPECT_EQ(gauge->markerPercent(), 100u);
    gauge->setGaugePercent(33);
    EXPECT_EQ(gauge->markerX(150), 49);  // trunc(33 * 150 * 0.01)
    gauge->setGaugePercent(0);
    EXPECT_EQ(renderedMarkerColumn(*gauge, wxSize(200, 16)), 0);
}

TEST_F(WidgetTest, GaugeValuesAreClampedToTheRange) {
    auto* gauge = new PercentGauge(panel_, wxID_ANY, 100, 80, wxDefaultPosition, wxSize(120, 12));
    const std::vector<std::pair<int, int>> cases = {{50, 50}, {150, 100}, {-20, 0}, {100, 100}, {0, 0}};
    for (const auto& [value, shown] : cases) {
        gauge->SetValue(value);
        EXPECT_EQ(gauge->GetValue(), shown) << value;
    }
    gauge->SetValue(90);
    gauge->SetRange(60);
    EXPECT_EQ(gauge->GetValue(), 60);
    // A painted gauge on screen draws without complaint (no Gtk warnings fail the run).
    gauge->Refresh();
    gauge->Update();
    test::pumpFor(30);
}

TEST_F(WidgetTest, LampRowSwitchesItsPictureOnlyOnChange) {
    wxBitmap on(wxSize(8, 8)), off(wxSize(6, 6));
    auto* row = new BitmapLabelSizer(panel_, "Enabled", &on, &off);
    panel_->SetSizer(row);
    EXPECT_FALSE(row->isLampLit());
    EXPECT_EQ(row->text->GetLabel(), "Enabled");
    EXPECT_EQ(row->lamp->GetBitmap().GetWidth(), 6);
    row->setLampLit(true);
    EXPECT_EQ(row->lamp->GetBitmap().GetWidth(), 8);
    row->setLampLit(true);
    EXPECT_EQ(row->lamp->GetBitmap().GetWidth(), 8);
    row->setLampLit(false);
    EXPECT_EQ(row->lamp->GetBitmap().GetWidth(), 6);
    ASSERT_EQ(row->GetItemCount(), 2u);
    EXPECT_EQ(row->GetItem(size_t(0))->GetWindow(), row->lamp);
    EXPECT_EQ(row->GetItem(size_t(1))->GetBorder(), 2);
}

TEST_F(WidgetTest, LabelledFieldRowHoldsLabelFieldAndOptionalUnit) {
    DriveConnection drive;
    RegisterLimits limits;
    LabelledFieldSizer withUnit(0x2C, "Kp", "ms", "speed_kp", panel_, "0", "tip", wxSize(60, 16), wxSize(50, 16),
                                &drive, &limits, 0);
    ASSERT_NE(withUnit.sizer, nullptr);
    ASSERT_NE(withUnit.field, nullptr);
    EXPECT_EQ(withUnit.drive, &drive);
    ASSERT_EQ(withUnit.sizer->GetItemCount(), 3u);
    auto* label = dynamic_cast<wxStaticText*>(withUnit.sizer->GetItem(size_t(0))->GetWindow());
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->GetLabel(), "Kp");
    EXPECT_EQ(withUnit.sizer->GetItem(size_t(1))->GetWindow(), withUnit.field);
    EXPECT_EQ(withUnit.sizer->GetItem(size_t(1))->GetBorder(), 1);
    EXPECT_EQ(withUnit.field->registerNumber(), 0x2C);
    EXPECT_EQ(withUnit.field->scale(), 0);
    EXPECT_EQ(withUnit.field->decimals(), 1);
    EXPECT_FALSE(withUnit.field->hexInput());
    auto* unit = dynamic_cast<wxStaticText*>(withUnit.sizer->GetItem(size_t(2))->GetWindow());
    ASSERT_NE(unit, nullptr);
    EXPECT_EQ(unit->GetLabel(), "ms");

    LabelledFieldSizer withoutUnit(0x2D, "Ki", "", "speed_ki", panel_, "0", "tip", wxSize(60, 16), wxSize(50, 16),
                                   &drive, &limits, 100);
    EXPECT_EQ(withoutUnit.sizer->GetItemCount(), 2u);
    EXPECT_EQ(withoutUnit.field->percentBase(), 100);
    delete withUnit.sizer;  // never given to a window here; the fields belong to the panel
    delete withoutUnit.sizer;
}

TEST_F(WidgetTest, FindChoiceByClientDataFindsTheFirstMatch) {
    auto* choice = new wxChoice(panel_, wxID_ANY);
    EXPECT_EQ(findChoiceByClientData(choice, 48), -1);  // empty
    choice->Append("--Off--");
    EXPECT_EQ(findChoiceByClientData(choice, 0), -1);   // no client data at all
    choice->Append("a", reinterpret_cast<void*>(intptr_t(48)));
    choice->Append("b", reinterpret_cast<void*>(intptr_t(109)));
    choice->Append("c", reinterpret_cast<void*>(intptr_t(48)));
    EXPECT_EQ(findChoiceByClientData(choice, 48), 1);
    EXPECT_EQ(findChoiceByClientData(choice, 109), 2);
    EXPECT_EQ(findChoiceByClientData(choice, 7), -1);
    EXPECT_EQ(findChoiceByClientData(nullptr, 48), -1);
}

TEST_F(WidgetTest, TriggerRegistersJoinTheListsOnlyWithAValidId) {
    setTriggerRegister1("", "0");
    setTriggerRegister2("", "0");
    auto* base = new wxChoice(panel_, wxID_ANY);
    fillRegisterChoice(base);
    const unsigned listed = base->GetCount();

    const std::vector<std::tuple<const char*, bool, unsigned>> cases = {
        {"8", true, 8}, {"255", true, 255}, {"300", false, 0}, {"7", false, 0}, {"abc", false, 0}};
    for (const auto& [idText, shown, id] : cases) {
        setTriggerRegister1("My trigger", idText);
        wxString name;
        unsigned storedId = 99;
        getTriggerRegister1(name, storedId);
        EXPECT_EQ(name, "My trigger") << idText;
        EXPECT_EQ(storedId, id) << idText;
        EXPECT_EQ(wxConfigBase::Get()->Read("Trigger1_ID", "?"), wxString::Format("%u", id)) << idText;
        EXPECT_EQ(wxConfigBase::Get()->Read("Trigger1_Name", "?"), "My trigger");

        auto* choice = new wxChoice(panel_, wxID_ANY);
        choice->Append("--Off--");
        fillRegisterChoice(choice);
        EXPECT_EQ(choice->GetCount(), listed + 1 + (shown ? 1 : 0)) << idText;
        if (shown) {
            EXPECT_EQ(choice->GetString(choice->GetCount() - 1), "My trigger");
            EXPECT_EQ(findChoiceByClientData(choice, id) >= 1, true);
        }
    }

    setTriggerRegister1("First", "200");
    setTriggerRegister2("Second", "201");
    auto* both = new wxChoice(panel_, wxID_ANY);
    fillRegisterChoice(both);
    ASSERT_EQ(both->GetCount(), listed + 2);
    EXPECT_EQ(both->GetString(listed), "First");
    EXPECT_EQ(both->GetString(listed + 1), "Second");
    EXPECT_EQ(findChoiceByClientData(both, 201), static_cast<int>(listed + 1));
    setTriggerRegister1("", "0");
    setTriggerRegister2("", "0");
}

TEST_F(WidgetTest, RegisterListItemsCarryTheirRegisterNumbers) {
    auto* choice = new wxChoice(panel_, wxID_ANY);
    fillRegisterChoice(choice);
    const RegisterChoiceTable& table = registerChoiceList();
    unsigned expected = 0;
    for (const auto& entry : table)
        if (!entry.name.empty()) {
            ASSERT_LT(expected, choice->GetCount());
            EXPECT_EQ(choice->GetString(expected), entry.name);
            EXPECT_EQ(reinterpret_cast<intptr_t>(choice->GetClientData(expected)), intptr_t(entry.id));
            EXPECT_GT(entry.id, 7u);
            ++expected;
        }
    EXPECT_EQ(choice->GetCount(), expected);
    EXPECT_GE(expected, 10u) << "the shipped catalogue offers registers";
    EXPECT_EQ(choice->GetString(0), "Speed actual");
}

// The drive status panel's read-outs get a value every 300 ms; one that did not change must
// not be set again (a label set lays the window out again, a native gauge re-allocates).
TEST_F(WidgetTest, ReadOutsAreSetOnlyWhenTheirValueChanges) {
    class CountingText : public wxStaticText {
    public:
        CountingText(wxWindow* parent) : wxStaticText(parent, wxID_ANY, " -") {}
        void SetLabel(const wxString& label) override {
            ++sets;
            wxStaticText::SetLabel(label);
        }
        int sets = 0;
    };
    class CountingGauge : public wxGauge {
    public:
        CountingGauge(wxWindow* parent) : wxGauge(parent, wxID_ANY, 200) {}
        void SetValue(int value) override {
            ++sets;
            wxGauge::SetValue(value);
        }
        int sets = 0;
    };
    auto* text = new CountingText(panel_);
    EXPECT_TRUE(showLabel(text, "1500"));
    EXPECT_FALSE(showLabel(text, "1500"));
    EXPECT_TRUE(showLabel(text, "1501"));
    EXPECT_EQ(text->sets, 2);
    EXPECT_EQ(text->GetLabel(), "1501");
    auto* gauge = new CountingGauge(panel_);
    for (int value : {40, 40, 40, 41, 41}) showGaugeValue(gauge, value);
    EXPECT_EQ(gauge->sets, 2);
    EXPECT_EQ(gauge->GetValue(), 41);
    EXPECT_FALSE(showLabel(nullptr, "x"));
}

// A list given its items one by one updates the toolkit's model and its size per item; the
// register lists and the logic lists go in with one call each.
TEST_F(WidgetTest, ListsAreFilledInOneCall) {
    class CountingChoice : public wxChoice {
    public:
        CountingChoice(wxWindow* parent) : wxChoice(parent, wxID_ANY) {}
        int insertions = 0;

    protected:
        int DoInsertItems(const wxArrayStringsAdapter& items, unsigned int pos, void** clientData,
                          wxClientDataType type) override {
            ++insertions;
            return wxChoice::DoInsertItems(items, pos, clientData, type);
        }
    };
    auto* registers = new CountingChoice(panel_);
    initRegisterChoice(registers);
    EXPECT_GE(registers->GetCount(), 11u);
    EXPECT_EQ(registers->insertions, 1);
    EXPECT_EQ(registers->GetString(0), "--Off--");
    EXPECT_EQ(reinterpret_cast<intptr_t>(registers->GetClientData(0)), 0);
    EXPECT_EQ(registers->GetSelection(), 0);
    EXPECT_EQ(reinterpret_cast<intptr_t>(registers->GetClientData(1)), intptr_t(registerChoiceList()[0].id));

    auto* logic = new CountingChoice(panel_);
    fillLogicInputChoice(logic);
    EXPECT_GT(logic->GetCount(), 1u);
    EXPECT_EQ(logic->insertions, 1);

    ChoiceItems none;
    auto* empty = new CountingChoice(panel_);
    none.appendTo(empty);
    EXPECT_EQ(empty->insertions, 0);
    EXPECT_EQ(empty->GetCount(), 0u);
}

TEST_F(WidgetTest, ShippedCataloguesOfferRegistersInEveryLanguage) {
    wxFileTranslationsLoader::AddCatalogLookupPathPrefix(TORVEX_BINARY_DIR "/locale");
    for (const char* language : {"de", "fr", "en"}) {
        auto* translations = new wxTranslations;
        wxTranslations::Set(translations);
        translations->SetLanguage(language);
        ASSERT_TRUE(translations->AddCatalog("Torvex")) << language;
        RegisterChoiceTable table = buildRegisterChoiceTable([](const wxString& key) { return wxGetTranslation(key); });
        std::map<uint32_t, wxString> byId;
        for (const auto& entry : table)
            if (!entry.name.empty()) byId[entry.id] = entry.name;
        EXPECT_GE(byId.size(), 10u) << language;
        ASSERT_TRUE(byId.count(0x30)) << language;  // the actual speed is always offered
        const wxString expected = std::string(language) == "de"   ? wxString::FromUTF8("Drehzahl Ist")
                                  : std::string(language) == "fr" ? wxString::FromUTF8("Vitesse r\xc3\xa9" "elle")
                                                                   : wxString("Speed actual");
        EXPECT_EQ(byId[0x30], expected) << language;
    }
    wxTranslations::Set(nullptr);  // deletes the last one; keys come back untranslated again
}

}  // namespace
}  // namespace torvex
