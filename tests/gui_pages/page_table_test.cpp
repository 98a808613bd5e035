// Every page that lays out its register controls from a table is checked against the
// register table and against the controls it built: a wrong register, half, scale or
// kind, an editable field on a read-only register, a lamp bit beyond the register's width,
// a control outside the page or a missing tooltip shows up here for every page at once.
#include <wx/button.h>
#include <wx/combobox.h>
#include <wx/notebook.h>
#include <wx/translation.h>

#include <string>

#include "link/registers.h"
#include "pages/drive_page.h"
#include "services/catalogue.h"
#include "tests/support/frame_fixture.h"
#include "tests/support/sim_fixture.h"
#include "widgets/compact_style.h"
#include "widgets/register_bit_label.h"
#include "widgets/register_display.h"
#include "widgets/register_edit.h"

namespace torvex::test {
namespace {

bool translatedKey(const std::string& key) {
    const wxTranslations* translations = wxTranslations::Get();
    return translations && translations->GetTranslatedString(wxString::FromUTF8(key)) != nullptr;
}

std::string describe(const std::string& page, size_t index, const ControlRow& row) {
    char text[96];
    std::snprintf(text, sizeof text, "%s row %zu (register 0x%02x, part %d)", page.c_str(), index, row.reg, row.part);
    return text;
}

// What is wrong with a row by itself, judged against the register table; empty when fine.
std::string rowFault(const ControlRow& row) {
    if (row.reg < 0 || row.reg > 255) return "register outside 0..255";
    if (row.part < 0 || row.part > 2) return "part outside 0..2";
    if (row.reg == 0) return {};
    const bool wide = is32bitRegister(static_cast<uint32_t>(row.reg));
    if (row.part != 0 && !wide) return "a half of a 16-bit register";
    const uint32_t access = registerAccessClass(static_cast<uint32_t>(row.reg));
    // A drive may hold registers the table does not describe; a page may show one (never
    // write it) when the catalogue says what it is.
    if (access == kClassUnknown && (row.kind == RowKind::Edit || !translatedKey(rowTooltipKey(row))))
        return "a register the table does not know";
    if (row.kind == RowKind::Edit && access == kClassRO) return "an editable field on a read-only register";
    if (row.kind != RowKind::Edit && access == kClassWO) return "a read-out of a write-only register";
    if (row.kind == RowKind::Lamp && (row.bit < 0 || row.bit >= ((wide && row.part == 0) ? 32 : 16)))
        return "a lamp bit beyond the register's width";
    if (row.hex && (row.scale != 0 || row.percentBase != 0)) return "a hexadecimal field with a scale";
    if (row.w <= 0 || row.h <= 0) return "no size";
    if (row.x < 0 || row.y < 0 || row.x + row.w > kPagePictureWidth || row.y + row.h > kPagePictureHeight)
        return "outside the page";
    return {};
}

// What differs between a row and the control built for it; empty when they agree.
std::string controlFault(const DrivePage& page, const ControlRow& row, wxWindow* control) {
    if (!control) return "no control";
    if (control->GetPosition() != wxPoint(row.x, row.y)) return "built at another position";
    switch (row.kind) {
    case RowKind::Edit: {
        auto* edit = dynamic_cast<RegisterEdit*>(control);
        if (!edit) return "not an editable register field";
        if (edit->registerNumber() != row.reg || edit->part() != row.part) return "bound to another register or half";
        if (edit->scale() != row.scale || edit->percentBase() != row.percentBase || edit->hexInput() != row.hex ||
            (row.scale != 0 && edit->decimals() != row.decimals))
            return "another scale, percent base, decimals or entry base";
        const auto& list = page.editList();
        if ((std::find(list.begin(), list.end(), edit) != list.end()) != row.listed) return "edit list membership";
        return {};
    }
    case RowKind::Display: {
        auto* display = dynamic_cast<RegisterDisplay*>(control);
        if (!display) return "not a register read-out";
        if (display->registerNumber() != row.reg || display->part() != row.part ||
            display->percentBase() != row.percentBase)
            return "bound to another register, half or percent base";
        const auto& list = page.displayList();
        if ((std::find(list.begin(), list.end(), display) != list.end()) != row.listed)
            return "display list membership";
        return {};
    }
    case RowKind::Lamp: {
        auto* lamp = dynamic_cast<RegisterBitLabel*>(control);
        if (!lamp) return "not a lamp";
        if (lamp->registerNumber() != row.reg || lamp->bit() != row.bit || lamp->isInverted() != row.inverted)
            return "another register, bit or sense";
        return {};
    }
    }
    return "unknown kind";
}

class PageTableTest : public FrameTest {};

TEST_F(PageTableTest, EveryTableRowFitsTheRegisterTableAndItsControl) {
    addCatalogueLookupPrefixes();
    ASSERT_TRUE(loadCatalogue(wxLANGUAGE_GERMAN));
    makeFrame();
    wxNotebook* book = frame->notebook();
    ASSERT_NE(book, nullptr);
    // The pages whose register fields, read-outs and lamps come from a table (the Logik
    // page's four variable fields are labelled sizer rows, placed by their sizer).
    for (int tab : {kTabSettings, kTabPosition, kTabSpeed, kTabCanBus, kTabMonitor, kTabOscilloscope}) {
        auto* page = dynamic_cast<DrivePage*>(book->GetPage(tab));
        ASSERT_NE(page, nullptr) << "tab " << tab;
        EXPECT_FALSE(page->tableRows().empty()) << book->GetPageText(tab).utf8_string();
    }
    for (size_t tab = 0; tab < book->GetPageCount(); ++tab) {
        auto* page = dynamic_cast<DrivePage*>(book->GetPage(tab));
        if (!page || page->tableRows().empty()) continue;
        const std::string name = book->GetPageText(tab).utf8_string();
        ASSERT_EQ(page->tableRows().size(), page->tableControls().size()) << name;
        for (size_t i = 0; i < page->tableRows().size(); ++i) {
            const ControlRow& row = page->tableRows()[i];
            EXPECT_EQ(rowFault(row), "") << describe(name, i, row);
            EXPECT_EQ(controlFault(*page, row, page->tableControls()[i]), "") << describe(name, i, row);
            if (row.kind != RowKind::Lamp || row.tooltipKey) {
                EXPECT_TRUE(translatedKey(rowTooltipKey(row))) << describe(name, i, row) << ": " << rowTooltipKey(row);
            }
            if (row.nameKey) {
                EXPECT_TRUE(translatedKey(row.nameKey)) << describe(name, i, row) << ": " << row.nameKey;
            }
        }
    }
}

class PageTableOnline : public FrameTest {
protected:
    void TearDown() override {
        if (frame) frame->connection().disconnectDrive();
        FrameTest::TearDown();
    }
    std::unique_ptr<sim::SimDrive> sim;
};

struct TableField {
    std::string page;
    DrivePage* owner;
    RegisterEdit* field;
};

std::string describe(const TableField& f) {
    const FieldFormat& format = f.field->format();
    char text[160];
    std::snprintf(text, sizeof text, "%s 0x%02x (part %d, percent %d, scale %d, decimals %d, hex %d)", f.page.c_str(),
                  format.reg, format.part, format.percentBase, format.scale, format.decimals, int(format.hexInput));
    return text;
}

TEST_F(PageTableOnline, FieldsOfOneRegisterInOtherUnitsShowTheDrivesValueAfterAChange) {
    makeFrame();
    std::string address;
    sim = startSimDrive({}, &address);
    ASSERT_TRUE(sim);
    frame->connection().setIpAddress(address);
    ASSERT_EQ(frame->connection().connectDrive("TCP", 9600), 0u);
    wxNotebook* book = frame->notebook();
    std::vector<TableField> fields;
    for (size_t tab = 0; tab < book->GetPageCount(); ++tab) {
        auto* page = dynamic_cast<DrivePage*>(book->GetPage(tab));
        if (!page) continue;
        for (size_t i = 0; i < page->tableRows().size(); ++i)
            if (page->tableRows()[i].kind == RowKind::Edit && page->tableRows()[i].reg != 0)
                fields.push_back({book->GetPageText(tab).utf8_string(), page,
                                  static_cast<RegisterEdit*>(page->tableControls()[i])});
    }

    // Every pair that shows one register (and half) in different units, both ways round.
    int pairs = 0;
    for (size_t a = 0; a < fields.size(); ++a) {
        for (size_t b = a + 1; b < fields.size(); ++b) {
            const FieldUnits unitsA = fields[a].owner->unitsOfField(fields[a].field);
            const FieldUnits unitsB = fields[b].owner->unitsOfField(fields[b].field);
            if (fields[a].field->registerNumber() != fields[b].field->registerNumber() ||
                unitsA.part != unitsB.part || unitsA == unitsB)
                continue;
            ++pairs;
            for (auto [sender, receiver] : {std::pair{fields[a], fields[b]}, std::pair{fields[b], fields[a]}}) {
                SCOPED_TRACE(describe(sender) + " -> " + describe(receiver));
                ASSERT_EQ(sender.owner->unitsOfField(sender.field).kind, FieldKind::Plain)
                    << "the walk types plain texts only";
                const auto reg = static_cast<uint32_t>(sender.field->registerNumber());
                const int part = sender.field->part();
                // Both show the drive's first value, then the sender takes a second one.
                sim->setReg(reg, mergeHalfRegister(part, 0x00C80064, 1000));
                ASSERT_TRUE(sender.field->refreshRegisterEdit());
                ASSERT_TRUE(receiver.field->refreshRegisterEdit());
                const uint32_t before = sim->reg(reg);
                const std::string typed = formatRawValue(sender.field->format(), mergeHalfRegister(part, before, 12000));
                recordedDialogs().clear();
                sender.field->wxTextCtrl::ChangeValue(wxString::FromUTF8(typed));
                wxCommandEvent enter(wxEVT_TEXT_ENTER, sender.field->GetId());
                enter.SetEventObject(sender.field);
                sender.field->GetEventHandler()->ProcessEvent(enter);
                ASSERT_NE(sim->reg(reg), before) << typed;
                const wxString expected = wxString::FromUTF8(formatRawValue(receiver.field->format(), sim->reg(reg)));
                EXPECT_TRUE(pumpUntil([&] { return receiver.field->GetValue() == expected; }, 2000))
                    << "shows " << receiver.field->GetValue() << ", the drive's value is " << expected;
                EXPECT_TRUE(recordedDialogs().boxes.empty()) << recordedDialogs().boxes[0].text;
            }
        }
    }
    EXPECT_GT(pairs, 0) << "no register is shown in different units on two fields";
}

TEST(CompactControls, SmallFixedSizeControlsKeepTheToolkitQuiet) {
    // The GUI test main installs the style sheet as the program does; a second call keeps it.
    ASSERT_TRUE(installCompactControlStyle());
    auto* frame = new wxFrame(nullptr, wxID_ANY, "compact", wxPoint(10, 10), wxSize(400, 200));
    auto* panel = new wxPanel(frame);
    // The sheet holds inside the windows marked for it, as the pages are.
    ASSERT_TRUE(useCompactControls(panel));
    wxFont font = panel->GetFont();
    font.SetPixelSize(wxSize(0, 11));
    panel->SetFont(font);
    new wxButton(panel, wxID_ANY, "UP", wxPoint(5, 5), wxSize(26, 20));
    new wxButton(panel, wxID_ANY, "Start", wxPoint(40, 5), wxSize(90, 20));
    new wxTextCtrl(panel, wxID_ANY, "0x35 L", wxPoint(5, 40), wxSize(49, 12), wxTE_PROCESS_ENTER);
    new wxTextCtrl(panel, wxID_ANY, "1500", wxPoint(60, 40), wxSize(40, 13), wxTE_READONLY);
    wxString items[] = {"AL", "AH", "Speed actual"};
    new wxComboBox(panel, wxID_ANY, "", wxPoint(5, 70), wxSize(40, 20), 3, items, wxCB_READONLY);
    new wxComboBox(panel, wxID_ANY, "", wxPoint(60, 70), wxSize(60, 20), 3, items, wxCB_READONLY);
    frame->Show();
    pumpFor(200);
    frame->Destroy();
    pumpFor(50);
    // The test main fails the test on any Gtk warning or critical message raised above.
}

}  // namespace
}  // namespace torvex::test
