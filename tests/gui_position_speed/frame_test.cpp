// The Position and Speed pages inside the main frame: a change on one page reaches the
// fields of the same register on the others, and the polling shows new scales.
#include <wx/button.h>
#include <wx/notebook.h>

#include "pages/position_page.h"
#include "pages/scope/oscilloscope_page.h"
#include "pages/settings/settings_page.h"
#include "pages/speed_page.h"
#include "tests/support/frame_fixture.h"
#include "tests/support/sim_fixture.h"
#include "widgets/register_display.h"
#include "widgets/register_edit.h"

namespace torvex::test {
namespace {

class PositionSpeedInTheFrame : public FrameTest {
protected:
    void connect() {
        makeFrame();
        sim = startSimDrive({}, &address);
        ASSERT_TRUE(sim);
        frame->connection().setIpAddress(address);
        ASSERT_EQ(frame->connection().connectDrive("TCP", 9600), 0u);
    }
    void TearDown() override {
        if (frame) frame->connection().disconnectDrive();
        FrameTest::TearDown();
    }
    static RegisterEdit* fieldOf(DrivePage* page, int reg, int part = 0, size_t nth = 0) {
        for (RegisterEdit* field : page->editList())
            if (field->registerNumber() == reg && field->part() == part && nth-- == 0) return field;
        return nullptr;
    }
    static void enterText(wxTextCtrl* field, const wxString& text) {
        field->wxTextCtrl::ChangeValue(text);
        wxCommandEvent enter(wxEVT_TEXT_ENTER, field->GetId());
        enter.SetEventObject(field);
        field->GetEventHandler()->ProcessEvent(enter);
    }
    static void stepUp(DrivePage* page, wxWindow* field) {
        wxChildFocusEvent focus(field);
        page->GetEventHandler()->ProcessEvent(focus);
        wxCommandEvent click(wxEVT_BUTTON, page->upButton()->GetId());
        click.SetEventObject(page->upButton());
        page->upButton()->GetEventHandler()->ProcessEvent(click);
    }

    std::unique_ptr<sim::SimDrive> sim;
    std::string address;
};

TEST_F(PositionSpeedInTheFrame, ChangesReachEveryFieldOfTheRegister) {
    connect();
    sim->setReg(0x35, 0x00C80064);
    sim->setReg(0x6A, 20);
    sim->setReg(0x76, 16396);  // 1501 rpm
    PositionPage* position = frame->positionPage();
    SpeedPage* speed = frame->speedPage();
    auto* settings = dynamic_cast<DrivePage*>(frame->settingsPage());
    ASSERT_NE(settings, nullptr);
    ASSERT_TRUE(position->readFromDrive(false));
    ASSERT_TRUE(speed->readFromDrive(false));
    RegisterEdit* rampAcc = fieldOf(position, 0x35, 1, 0);
    RegisterEdit* rampAcc2 = fieldOf(position, 0x35, 1, 1);
    RegisterEdit* speedRamp = fieldOf(speed, 0x35, 1);
    ASSERT_TRUE(rampAcc && rampAcc2 && speedRamp);
    EXPECT_EQ(rampAcc->GetValue(), "100");
    EXPECT_EQ(rampAcc2->GetValue(), "100");
    EXPECT_EQ(speedRamp->GetValue(), "100");

    // "150" in any of them writes the low half; the others follow.
    enterText(rampAcc2, "150");
    EXPECT_EQ(sim->reg(0x35), 0x00C80096u);
    EXPECT_TRUE(pumpUntil([&] { return rampAcc->GetValue() == "150" && speedRamp->GetValue() == "150"; }))
        << rampAcc->GetValue() << " " << speedRamp->GetValue();
    enterText(speedRamp, "120");
    EXPECT_EQ(sim->reg(0x35), 0x00C80078u);
    EXPECT_TRUE(pumpUntil([&] { return rampAcc->GetValue() == "120" && rampAcc2->GetValue() == "120"; }));

    // A step is a change like Enter: the Settings page's field of 0x6A follows it.
    RegisterEdit* settingsKp = fieldOf(settings, 0x6A);
    ASSERT_NE(settingsKp, nullptr);
    stepUp(position, fieldOf(position, 0x6A));
    EXPECT_EQ(sim->reg(0x6A), 21u);
    EXPECT_TRUE(pumpUntil([&] { return settingsKp->GetValue() == "21"; })) << settingsKp->GetValue();

    // Up on "Speed to" steps one rpm.
    ASSERT_EQ(position->speedToField()->GetValue(), "1501");
    stepUp(position, position->speedToField());
    EXPECT_EQ(sim->reg(0x76), 16405u);
    EXPECT_TRUE(recordedDialogs().boxes.empty()) << recordedDialogs().boxes.front().text;
}

TEST_F(PositionSpeedInTheFrame, OneEntryGivesAtMostOneBoxWhateverThePagesReadAgain) {
    connect();
    sim->setReg(0x35, 0x00C80064);
    sim->setReg(0x25, 16384);
    PositionPage* position = frame->positionPage();
    SpeedPage* speed = frame->speedPage();
    auto* settings = dynamic_cast<DrivePage*>(frame->settingsPage());
    auto* scope = dynamic_cast<DrivePage*>(frame->oscilloscopePage());
    ASSERT_TRUE(settings && scope);
    for (DrivePage* page : {settings, static_cast<DrivePage*>(position), static_cast<DrivePage*>(speed), scope})
        for (RegisterEdit* field : page->editList())
            if (field->registerNumber() == 0x35 || field->registerNumber() == 0x25) {
                ASSERT_TRUE(field->refreshRegisterEdit());
            }
    RegisterEdit* speedRamp = fieldOf(speed, 0x35, 1);
    RegisterEdit* settingsHigh = fieldOf(settings, 0x35, 2);
    RegisterEdit* scopeWhole = fieldOf(scope, 0x35);
    ASSERT_TRUE(speedRamp && settingsHigh && scopeWhole);
    EXPECT_EQ(settingsHigh->GetValue(), "200");
    EXPECT_EQ(scopeWhole->GetValue(), "13107300");
    auto readsOf = [&](uint32_t reg) {
        int count = 0;
        for (const auto& frame : sim->frames()) count += frame.isRead && frame.reg == reg;
        return count;
    };

    // 0x35 falls silent: the entry's own read fails once, with one box. The fields in the
    // same units take the text; the others read again without a box and keep their text.
    sim->setRegisterSilent(0x35, true);
    recordedDialogs().clear();
    enterText(speedRamp, "150");
    pumpFor(300);
    ASSERT_EQ(recordedDialogs().boxes.size(), 1u);
    EXPECT_EQ(recordedDialogs().boxes[0].text, "Fehler beim Lesen des Registers 0x35!");
    EXPECT_EQ(sim->reg(0x35), 0x00C80064u);
    for (RegisterEdit* low : {speedRamp, fieldOf(position, 0x35, 1, 0), fieldOf(position, 0x35, 1, 1),
                              fieldOf(settings, 0x35, 1)})
        EXPECT_EQ(low->GetValue(), "100");
    EXPECT_EQ(settingsHigh->GetValue(), "200");
    EXPECT_EQ(scopeWhole->GetValue(), "13107300");
    sim->setRegisterSilent(0x35, false);

    // A write the drive takes but does not confirm: its field and the others show no value,
    // and no page reads the register for it (the entry's read-back is the only read).
    RegisterEdit* speedCurrentRamp = fieldOf(speed, 0x25);
    RegisterEdit* settingsCurrentRamp = fieldOf(settings, 0x25);
    ASSERT_TRUE(speedCurrentRamp && settingsCurrentRamp);
    EXPECT_EQ(speedCurrentRamp->GetValue(), "50");
    EXPECT_EQ(settingsCurrentRamp->GetValue(), "16384");
    sim::SimDrive* drive = sim.get();
    sim->setWriteHook(0x25, [drive](uint32_t) { drive->setRegisterSilent(0x25, true); });
    recordedDialogs().clear();
    sim->clearFrames();
    enterText(speedCurrentRamp, "25");
    EXPECT_TRUE(pumpUntil([&] { return settingsCurrentRamp->GetValue().empty(); }, 2000))
        << settingsCurrentRamp->GetValue();
    pumpFor(100);
    EXPECT_EQ(recordedDialogs().boxes.size(), 1u);
    EXPECT_EQ(speedCurrentRamp->GetValue(), "");
    EXPECT_EQ(fieldOf(scope, 0x25)->GetValue(), "");
    EXPECT_EQ(readsOf(0x25), 1);
    sim->setWriteHook(0x25, nullptr);
    sim->setRegisterSilent(0x25, false);
}

TEST_F(PositionSpeedInTheFrame, ANewPositionScaleShowsAtTheNextPoll) {
    connect();
    sim->setReg(0x7C, 1000);
    sim->setReg(0x7D, 0);
    sim->setReg(0x6D, 12000);
    PositionPage* position = frame->positionPage();
    ASSERT_TRUE(position->readFromDrive(false));
    frame->notebook()->SetSelection(static_cast<size_t>(frame->notebook()->FindPage(position)));
    RegisterDisplay* actual = position->scaledDisplays().at(2);
    ASSERT_TRUE(pumpUntil([&] { return actual->GetValue() == "12000.000"; }, 5000)) << actual->GetValue();

    RegisterEdit* txScale = fieldOf(position, 0x7C);
    ASSERT_NE(txScale, nullptr);
    enterText(txScale, "2000");
    EXPECT_EQ(sim->reg(0x7C), 2000u);
    EXPECT_TRUE(pumpUntil([&] { return actual->GetValue() == "6000.000"; }, 5000)) << actual->GetValue();
    EXPECT_EQ(position->cycleState().positionScale.load(), 2000);
}

// A new scale makes the offset fields read their register again. That re-read is no entry
// of the user's: when it fails it shows no box (the scale's entry had its own say) and the
// field keeps its text.
TEST_F(PositionSpeedInTheFrame, AFailedOffsetReReadAfterANewScaleShowsNoBox) {
    connect();
    sim->setReg(0x7C, 1000);
    sim->setReg(0x72, 12345);
    PositionPage* position = frame->positionPage();
    ASSERT_TRUE(position->readFromDrive(false));
    ASSERT_EQ(position->offsetField()->GetValue(), "12345.000");
    frame->connection().transport().setTcpTimeouts(1000, 200);
    sim->setRegisterSilent(0x72, true);
    recordedDialogs().clear();
    enterText(fieldOf(position, 0x7C), "2000");
    EXPECT_EQ(sim->reg(0x7C), 2000u);
    ASSERT_TRUE(pumpUntil([&] { return position->cycleState().positionScale.load() == 2000; }, 2000));
    pumpFor(600);  // the re-reads of the Position and Settings pages run out of time
    EXPECT_TRUE(recordedDialogs().boxes.empty()) << recordedDialogs().boxes.front().text;
    EXPECT_EQ(position->offsetField()->GetValue(), "12345.000");
    sim->setRegisterSilent(0x72, false);
}

}  // namespace
}  // namespace torvex::test
