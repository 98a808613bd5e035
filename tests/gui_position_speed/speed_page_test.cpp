// The Speed page against a simulated drive: every field kind, half registers, the limit
// marks, the command-source symbols and the polling step's reads.
#include <wx/button.h>

#include <algorithm>

#include "tests/gui_position_speed/pages_fixture.h"
#include "widgets/register_bit_label.h"
#include "widgets/register_display.h"

namespace torvex::test {
namespace {

using SpeedPageTest = PagesOnTheirOwn;

wxColour pixel(const wxBitmap& bitmap, int x, int y) {
    wxImage image = bitmap.ConvertToImage();
    return wxColour(image.GetRed(x, y), image.GetGreen(x, y), image.GetBlue(x, y));
}

// Whether the painted picture differs from the background at a symbol's middle.
bool drawnAt(SpeedPage* page, int x, int y) {
    return pixel(page->paintedPicture(), x, y) != pixel(page->backgroundPicture(), x, y);
}

TEST_F(SpeedPageTest, ShowsEveryFieldKindFromTheDrive) {
    sim->setReg(0x3E, 31783);
    sim->setReg(0x3F, 32767);
    sim->setReg(0x34, 16384);
    sim->setReg(0x35, 0x00C80064);
    sim->setReg(0xED, 0x012C00FA);
    sim->setReg(0x2F, 0x10000064);
    sim->setReg(0xD7, 0x2800FFF6);
    sim->setReg(0xD5, 0x08000064);
    sim->setReg(0x25, 16384);
    sim->setReg(0x45, 70000);
    sim->setReg(0x48, 32767);
    sim->setReg(0x30, 0xFC18);  // -1000
    connect();
    ASSERT_TRUE(speed->readFromDrive(false));

    EXPECT_EQ(speedEdit(0x3E)->GetValue(), "97") << "percent of 32767";
    EXPECT_EQ(speedEdit(0x3F)->GetValue(), "100");
    EXPECT_EQ(speedEdit(0x34)->GetValue(), "50");
    EXPECT_EQ(speedEdit(0x35, 1)->GetValue(), "100");
    EXPECT_EQ(speedEdit(0xED, 1)->GetValue(), "250");
    EXPECT_EQ(speedEdit(0x2F, 1)->GetValue(), "100");
    EXPECT_EQ(speedEdit(0x2F, 2)->GetValue(), "1.000") << "4096 stands for 1";
    EXPECT_EQ(speedEdit(0xD7, 2)->GetValue(), "2.500");
    EXPECT_EQ(speedEdit(0x25)->GetValue(), "50") << "the current ramp in percent";
    EXPECT_TRUE(shows(speedRow(49), "100"));
    EXPECT_TRUE(shows(speedRow(57), "2048"));
    EXPECT_TRUE(shows(speedRow(40), "70000")) << "I2t actual, all 32 bits";
    EXPECT_TRUE(shows(speedRow(20), "100"));
    EXPECT_TRUE(shows(speedRow(7), "-1000"));
    EXPECT_EQ(speedRow(35), speedEdit(0x25));
    EXPECT_EQ(speed->defaultField(), speedEdit(0x35, 1));

    // The marks: drawn while a limit is at 98 % or more.
    EXPECT_TRUE(speed->cycleState().nLimitMinusBelow98.load());
    EXPECT_FALSE(speed->cycleState().nLimitPlusBelow98.load());
    EXPECT_TRUE(speed->cycleState().speedLimitBelow98.load());
    EXPECT_FALSE(drawnAt(speed, 473, 142)) << "N Limit - mark hidden";
    EXPECT_TRUE(drawnAt(speed, 473, 127)) << "N Limit + mark shown";
    EXPECT_TRUE(drawnAt(speed, 301, 407)) << "the fixed mark";
    EXPECT_TRUE(recordedDialogs().boxes.empty());
}

TEST_F(SpeedPageTest, EntriesAndStepsKeepTheOtherHalfAndMoveTheMarks) {
    sim->setReg(0x35, 0x00C80064);
    sim->setReg(0x2F, 0x10000064);
    sim->setReg(0x3F, 32767);
    connect();
    ASSERT_TRUE(speed->readFromDrive(false));

    enterText(speedEdit(0x35, 1), "150");
    EXPECT_EQ(sim->reg(0x35), 0x00C80096u);
    enterText(speedEdit(0x2F, 2), "2.5");
    EXPECT_EQ(sim->reg(0x2F), 0x28000064u) << "scale in the high half, offset kept";

    enterText(speedEdit(0x3F), "97");
    EXPECT_EQ(speedEdit(0x3F)->GetValue(), "97");
    EXPECT_TRUE(speed->cycleState().nLimitPlusBelow98.load());
    EXPECT_FALSE(drawnAt(speed, 473, 127));
    const int repaints = speed->repaintRequests();
    focusField(speed, speedEdit(0x3F));
    click(speed->upButton());
    EXPECT_EQ(speedEdit(0x3F)->GetValue(), "98");
    EXPECT_FALSE(speed->cycleState().nLimitPlusBelow98.load()) << "98 counts as not below";
    EXPECT_TRUE(drawnAt(speed, 473, 127));
    EXPECT_EQ(speed->repaintRequests(), repaints + 1);

    // A quick click on Up right after typing: the button's click comes before the entry that
    // leaving the field queued. The step starts from the typed value, not the one before it.
    speedEdit(0x3F)->wxTextCtrl::ChangeValue("60");
    wxFocusEvent leave(wxEVT_KILL_FOCUS, speedEdit(0x3F)->GetId());
    leave.SetEventObject(speedEdit(0x3F));
    speedEdit(0x3F)->GetEventHandler()->ProcessEvent(leave);
    sim->clearFrames();
    click(speed->upButton());
    pumpFor(50);
    EXPECT_EQ(sim->reg(0x3F), 19987u) << "61 % of 32767";
    EXPECT_EQ(speedEdit(0x3F)->GetValue(), "61");
    EXPECT_EQ(writesSinceClear().size(), 2u) << "the typed value, then the step";
    // Typing the entry refuses: its box, and no step from the value it was to replace.
    speedEdit(0x3F)->wxTextCtrl::ChangeValue("6x");
    speedEdit(0x3F)->GetEventHandler()->ProcessEvent(leave);
    sim->clearFrames();
    recordedDialogs().clear();
    click(speed->upButton());
    pumpFor(50);
    EXPECT_EQ(recordedDialogs().boxes.size(), 1u);
    EXPECT_TRUE(writesSinceClear().empty());
    EXPECT_EQ(speedEdit(0x3F)->GetValue(), "61");

    // Another page's change of a limit moves the mark too; a text that is no whole
    // number leaves it.
    speed->onRegisterChanged(0x3F, "50");
    EXPECT_EQ(speedEdit(0x3F)->GetValue(), "50");
    EXPECT_TRUE(speed->cycleState().nLimitPlusBelow98.load());
    speed->onRegisterChanged(0x3F, "abc");
    EXPECT_TRUE(speed->cycleState().nLimitPlusBelow98.load());

    // A half field reads its half from the drive, whatever text came with the change.
    sim->setReg(0x35, 0x00C80033);
    speed->onRegisterChanged(0x35, "whatever");
    EXPECT_EQ(speedEdit(0x35, 1)->GetValue(), "51");

    // I2t actual is measured by the drive: no field to type into or step.
    for (RegisterEdit* field : speed->editList()) EXPECT_NE(field->registerNumber(), 0x45);
    EXPECT_EQ(speed->editList().size(), 32u);
    EXPECT_EQ(speed->displayList().size(), 26u);
}

// One row of the Speed or Position page's layout: edit field or read-out, register, half
// (0 whole, 1 low, 2 high), percent base, scale and decimals, and the units beyond the raw
// number in which the Position page's field shows its register.
struct LayoutRow {
    char kind;  // 'E' edit, 'D' read-out
    int reg, part = 0, percentBase = 0, scale = 0, decimals = 1;
    FieldKind units = FieldKind::Plain;
};

// What each control built for the rows shows; one message per row that differs.
void expectLayout(DrivePage* page, const std::vector<LayoutRow>& layout) {
    std::vector<wxWindow*> controls;
    for (size_t i = 0; i < page->tableRows().size(); ++i)
        if (page->tableRows()[i].kind != RowKind::Lamp) controls.push_back(page->tableControls()[i]);
    ASSERT_EQ(controls.size(), layout.size());
    for (size_t i = 0; i < layout.size(); ++i) {
        const LayoutRow& want = layout[i];
        SCOPED_TRACE(testing::Message() << "row " << i + 1 << ", register 0x" << std::hex << want.reg);
        if (want.kind == 'E') {
            auto* field = dynamic_cast<RegisterEdit*>(controls[i]);
            ASSERT_NE(field, nullptr);
            EXPECT_EQ(field->registerNumber(), want.reg);
            EXPECT_EQ(field->part(), want.part);
            EXPECT_EQ(field->percentBase(), want.percentBase);
            EXPECT_EQ(field->scale(), want.scale);
            if (want.scale != 0) {
                EXPECT_EQ(field->format().decimals, want.decimals);
            }
            EXPECT_EQ(page->unitsOfField(field).kind, want.units);
        } else {
            auto* display = dynamic_cast<RegisterDisplay*>(controls[i]);
            ASSERT_NE(display, nullptr);
            EXPECT_EQ(display->registerNumber(), want.reg);
            EXPECT_EQ(display->part(), want.part);
            EXPECT_EQ(display->percentBase(), want.percentBase);
        }
    }
}

TEST_F(SpeedPageTest, EveryRowShowsTheRegisterHalfAndUnitsOfTheLayout) {
    // The Speed page's 58 rows in layout order.
    const std::vector<LayoutRow> speedLayout = {
        {'D', 0x90}, {'D', 0x31}, {'E', 0x1E}, {'D', 0x5D}, {'D', 0x32}, {'D', 0x33}, {'D', 0x30}, {'D', 0xA8},
        {'D', 0x26}, {'D', 0x27}, {'D', 0x28}, {'D', 0x22}, {'D', 0x23}, {'D', 0x38}, {'D', 0x39}, {'D', 0x29},
        {'D', 0x2A}, {'D', 0x20}, {'D', 0x5F}, {'D', 0x48, 0, 32767}, {'D', 0xEB}, {'D', 0x8A},
        {'E', 0x35, 1}, {'E', 0xED, 1}, {'E', 0xC7}, {'E', 0x34, 0, 32767}, {'E', 0x3F, 0, 32767},
        {'E', 0x3E, 0, 32767}, {'E', 0x5E}, {'E', 0x2C}, {'E', 0x2D}, {'E', 0x2E}, {'E', 0x3B}, {'E', 0x21},
        {'E', 0x25, 0, 32767},  // "Ramp": the layout leaves its register open; the current ramp
        {'E', 0xC4, 0, 16383}, {'E', 0xC5, 0, 16383}, {'E', 0xF0}, {'E', 0x46, 0, 32767},
        {'D', 0x45},  // "I2t actual", open in the layout: the drive measures it, so a read-out
        {'E', 0x1C}, {'E', 0x1D}, {'E', 0x2B}, {'E', 0xB2}, {'E', 0xB5}, {'E', 0x8B}, {'E', 0x8C}, {'E', 0x8D},
        {'D', 0xD5, 1}, {'D', 0xD6, 1}, {'E', 0x2F, 1}, {'E', 0xD7, 1}, {'E', 0x50}, {'E', 0x53},
        {'E', 0x2F, 2, 0, 4096, 3}, {'E', 0xD7, 2, 0, 4096, 3}, {'D', 0xD5, 2}, {'D', 0xD6, 2},
    };
    expectLayout(speed, speedLayout);

    // The Position page's nine read-outs and twenty fields.
    const std::vector<LayoutRow> positionLayout = {
        {'D', 0x6E}, {'D', 0x91}, {'D', 0x70}, {'D', 0x5D}, {'D', 0x32}, {'D', 0x6D}, {'D', 0x26}, {'D', 0xCF},
        {'D', 0x81},
        {'E', 0x7E}, {'E', 0x6A}, {'E', 0x6B}, {'E', 0x6C}, {'E', 0x71}, {'E', 0x34, 0, 32767},
        {'E', 0x35, 1},  // each ramp is the low half of its register, as on the Speed page
        {'E', 0x79}, {'E', 0xC9}, {'E', 0xCA}, {'E', 0xCB}, {'E', 0xCD},
        {'E', 0x76, 0, 0, 0, 1, FieldKind::Speed}, {'E', 0x77, 0, 0, 0, 1, FieldKind::Speed},
        {'E', 0x72, 0, 0, 0, 1, FieldKind::Position}, {'E', 0x35, 1}, {'E', 0xED, 1}, {'E', 0xC7}, {'E', 0x7C},
        {'E', 0x7D},
    };
    expectLayout(position, positionLayout);

    // The current limits are percent of 0x3FFF: half of it is 50, not the 25 of 0x7FFF.
    sim->setReg(0xC4, 8192);
    sim->setReg(0xC5, 8192);
    connect();
    ASSERT_TRUE(speed->readFromDrive(false));
    EXPECT_EQ(speedEdit(0xC4)->GetValue(), "50");
    EXPECT_EQ(speedEdit(0xC5)->GetValue(), "50");
}

TEST_F(SpeedPageTest, TabFromAFieldNeverStopsOnAReadOutThatHandsTheFocusBack) {
    // Such a read-out sends the cursor back to the field it came from: as a Tab stop it
    // would keep Tab from ever getting past it.
    connect();
    for (DrivePage* page : {static_cast<DrivePage*>(position), static_cast<DrivePage*>(speed)}) {
        book->SetSelection(page == position ? 0 : 1);
        pumpFor(30);
        std::vector<wxWindow*> readOuts(page->displayList().begin(), page->displayList().end());
        if (page == position) readOuts.insert(readOuts.end(), position->scaledDisplays().begin(),
                                              position->scaledDisplays().end());
        for (RegisterEdit* field : page->editList()) {
            field->SetFocus();
            field->Navigate(wxNavigationKeyEvent::IsForward);
            wxWindow* next = wxWindow::FindFocus();
            EXPECT_EQ(std::find(readOuts.begin(), readOuts.end(), next), readOuts.end()) << field->fieldName();
            field->Navigate(wxNavigationKeyEvent::IsBackward);
            next = wxWindow::FindFocus();
            EXPECT_EQ(std::find(readOuts.begin(), readOuts.end(), next), readOuts.end()) << field->fieldName();
        }
    }
}

TEST_F(SpeedPageTest, PollingReadsInOrderOnlyWhileShownAndFollowsTheCommandSource) {
    sim->setReg(0x40, 0x0001);  // enabled; no limit switch, speed not zero, no brake
    sim->setReg(0x36, 0x2000);
    connect();

    speed->setPageShown(false);
    sim->clearFrames();
    EXPECT_TRUE(speed->cyclicUpdate(true));
    EXPECT_TRUE(speed->readFromDrive(true));
    EXPECT_TRUE(readsSinceClear().empty()) << "a hidden page reads nothing";

    speed->setPageShown(true);
    sim->clearFrames();
    ASSERT_TRUE(speed->cyclicUpdate(true));
    std::vector<uint32_t> expected;
    for (RegisterDisplay* display : speed->displayList()) expected.push_back(uint32_t(display->registerNumber()));
    const std::vector<uint32_t> displays = {0x90, 0x31, 0x5D, 0x32, 0x33, 0x30, 0xA8, 0x26, 0x27,
                                            0x28, 0x22, 0x23, 0x38, 0x39, 0x29, 0x2A, 0x20, 0x5F,
                                            0x48, 0xEB, 0x8A, 0x45, 0xD5, 0xD6, 0xD5, 0xD6};
    EXPECT_EQ(expected, displays);
    for (uint32_t reg : {0x40u, 0xD8u, 0x40u, 0x40u, 0x40u, 0x40u, 0x40u, 0x36u}) expected.push_back(reg);
    EXPECT_EQ(readsSinceClear(), expected);

    // Mode 2: only the at-least-1 symbol.
    EXPECT_TRUE(speed->cycleState().sourceModeAtLeast1.load());
    EXPECT_FALSE(speed->cycleState().sourceModeAtMost1.load());
    EXPECT_FALSE(speed->cycleState().sourceModeIs3.load());
    EXPECT_TRUE(drawnAt(speed, 179, 189));
    EXPECT_FALSE(drawnAt(speed, 179, 261));
    EXPECT_FALSE(drawnAt(speed, 577, 189));

    sim->setReg(0x36, 0x3000);
    ASSERT_TRUE(speed->cyclicUpdate(true));
    EXPECT_TRUE(drawnAt(speed, 577, 189)) << "mode 3 draws the command path";
    EXPECT_TRUE(drawnAt(speed, 179, 189));

    // The lamps as the GUI thread shows them: all active, a cycle later.
    pumpFor(50);
    ASSERT_TRUE(speed->cyclicUpdate(true));
    EXPECT_TRUE(speed->cycleState().enableGoActive.load() == false) << "GO (0xD8 bit 11) is off";
    EXPECT_TRUE(speed->cycleState().statusLampsActive.load());
    pumpFor(20);
    const int before = speed->repaintRequests();
    ASSERT_TRUE(speed->cyclicUpdate(true));
    EXPECT_EQ(speed->repaintRequests(), before) << "unchanged bits ask for no repaint";

    sim->setReg(0xD8, 0x800);
    ASSERT_TRUE(speed->cyclicUpdate(true));
    pumpFor(50);
    ASSERT_TRUE(speed->cyclicUpdate(true));
    EXPECT_TRUE(speed->cycleState().enableGoActive.load());
    EXPECT_EQ(speed->repaintRequests(), before + 1);
}

}  // namespace
}  // namespace torvex::test
