// Real input on the Settings page, as the display server delivers a person's keys and
// clicks.
#include "frame/drive_status_bar.h"
#include "services/window_hold.h"
#include "tests/gui_settings/settings_fixture.h"
#include "tests/support/display_server.h"

namespace torvex::test {
namespace {

// Real input, as the display server delivers a person's keys and clicks, that waits in the
// toolkit's queue while "Read 1" holds the window (the drive takes the command while the
// window's thread sleeps in it): it must be dropped, not carried out after the command. The
// input is made on the window's own thread just before the command starts, so it is there,
// unread, for the whole command, as input made meanwhile is.
TEST_F(SettingsTest, InputMadeWhileAnEepromCommandHoldsTheWindowIsDropped) {
    constexpr uint32_t kRegErrorCancel = 0x8E;  // written by the status panel's "Clear errors"
    constexpr unsigned long kSpace = 0x20;
    makeFrame();
    // The display is shared with the other test programs, whose windows all lie above this
    // line: the buttons clicked here are nobody else's.
    frame->Move(50, 450);
    goOnline();
    SettingsPage* settings = page();
    showSettings();
    wxButton* clearErrors = frame->driveStatusBar()->clearErrorsButton();
    auto centre = [](wxWindow* window) {
        const wxRect r = window->GetScreenRect();
        return r.GetPosition() + wxPoint(r.width / 2, r.height / 2);
    };
    const wxPoint write0 = centre(settings->write0Button);
    ASSERT_GT(write0.y, 900);
    const unsigned long frameWindow = serverWindowOf(frame);
    ASSERT_NE(frameWindow, 0u);
    DisplayServer person;
    ASSERT_TRUE(person.connected());

    // Whether the keys reach the window: Space presses the focused button. Other test
    // programs sharing the display may hold its keyboard; then only the clicks are judged.
    frame->Raise();
    clearErrors->SetFocus();
    person.pressKey(kSpace, frameWindow);
    const bool keysArrive = pumpUntil([&] { return writesTo(kRegErrorCancel) == 1; });

    drive->clearFrames();
    recordedDialogs().clear();
    if (keysArrive) person.pressKey(kSpace, frameWindow);
    person.movePointer(write0);
    person.click();
    click(settings->read1Button);
    pumpFor(100);
    EXPECT_EQ(framesOn(kRegParaRead), std::vector<std::string>{"w1"});
    EXPECT_EQ(writesTo(kRegParaWrite), 0) << "set 0 stored over with the values just read from set 1";
    EXPECT_EQ(writesTo(kRegErrorCancel), 0) << "Space pressed \"Clear errors\" after the command";
    // The focus stays where it was (unless another program sharing the display took the
    // keyboard from the whole window meanwhile).
    if (keysArrive && frame->IsActive()) {
        EXPECT_EQ(wxWindow::FindFocus(), clearErrors);
    }
    EXPECT_TRUE(recordedDialogs().boxes.empty()) << boxTexts()[0];

    // The clicks reach the buttons: the same click later stores set 0.
    person.movePointer(write0);
    person.click();
    EXPECT_TRUE(pumpUntil([&] { return framesOn(kRegParaWrite) == std::vector<std::string>{"w0"}; }));

    // Dropping the input runs nothing else: what was posted meanwhile waits for the loop.
    bool ran = false;
    {
        WindowHold hold;
        settings->CallAfter([&] { ran = true; });
    }
    EXPECT_FALSE(ran);
    EXPECT_TRUE(pumpUntil([&] { return ran; }));
}

}  // namespace
}  // namespace torvex::test
