// Register fields on a page, against the simulated drive: typing and Enter, leaving a
// field, the drive keeping another value, offline entry, the register-changed notice,
// stepping, focus memory, displays and lamps fed from another thread, pictures.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include <wx/button.h>
#include <wx/choice.h>
#include <wx/frame.h>
#include <wx/image.h>
#include <wx/notebook.h>
#include <wx/settings.h>

#include "widgets/events.h"
#include "link/connection.h"
#include "link/limits.h"
#include "pages/drive_page.h"
#include "tests/support/recording_dialogs.h"
#include "tests/support/sim_fixture.h"
#include "widgets/register_bit_label.h"
#include "widgets/register_display.h"
#include "widgets/register_edit.h"
#include "widgets/register_text_edit.h"

namespace torvex {
namespace {

using test::pumpFor;
using test::pumpUntil;
using test::recordedDialogs;

constexpr int kSpeedLimit = 0x34;   // 16-bit signed
constexpr int kKp = 0x2C;           // 16-bit signed, shown with two decimals
constexpr int kRegen = 0x65;        // 32-bit unsigned, low half
constexpr int kSerial = 0x62;       // 32-bit unsigned
constexpr int kStatus = 0x40;       // 32-bit unsigned
constexpr int kAxis = 0xF8;

// The notebook's frame records the register-changed notices that travel up to it.
class RecordingFrame : public wxFrame {
public:
    RecordingFrame() : wxFrame(nullptr, wxID_ANY, "fields", wxDefaultPosition, wxSize(900, 700)) {
        notebook = new wxNotebook(this, wxID_ANY);
        Bind(RegisterChangedEvent, [this](wxCommandEvent& event) {
            changes.push_back({event.GetInt(), event.GetString().utf8_string()});
        });
        // An Enter the page skips travels on up to here.
        Bind(wxEVT_TEXT_ENTER, [this](wxCommandEvent&) { ++skippedEnters; });
    }
    int skippedEnters = 0;
    wxNotebook* notebook;
    std::vector<std::pair<int, std::string>> changes;
};

class TestPage : public DrivePage {
public:
    TestPage(wxWindow* notebook, DriveConnection* drive, RegisterLimits* limits, const DrivePageOptions& options)
        : DrivePage(notebook, drive, limits, options) {
        limit = addEdit(new RegisterEdit(kSpeedLimit, "Limit", this, "0x34", "Tooltip Register 0x34",
                                         wxPoint(10, 10), wxSize(80, 22), drive, limits, 0, 0, 1, false, 0));
        kp = addEdit(new RegisterEdit(kKp, "Kp", this, "0x2c", "Tooltip Register 0x2c", wxPoint(10, 40),
                                      wxSize(80, 22), drive, limits, 0, 100, 2, false, 0));
        low = addEdit(new RegisterEdit(kRegen, "Regen", this, "0x65 L", "Tooltip Register 0x65_low",
                                       wxPoint(10, 70), wxSize(80, 22), drive, limits, 0, 0, 1, false, 1));
        unbound = addEdit(new RegisterEdit(0, "", this, "", "", wxPoint(10, 100), wxSize(80, 22), drive, limits, 0,
                                           0, 1, false, 0));
        serial = addDisplay(new RegisterDisplay(kSerial, this, "0x62", "Tooltip Register 0x62", wxPoint(120, 10),
                                                wxSize(100, 22), drive, 0, 0));
        axis = new RegisterTextEdit(kAxis, "Achse", this, "0xf8", "Tooltip Register 0xf8", wxPoint(120, 40),
                                    wxSize(60, 22), drive);
        setAxisNameField(axis);
        choice = new wxChoice(this, wxID_ANY, wxPoint(120, 70), wxSize(100, -1));
        choice->Append("one");
        lamp = new RegisterBitLabel(kStatus, 0, this, "Ready", wxPoint(120, 110), wxSize(60, 18), drive, false);
        lampInverted = new RegisterBitLabel(kStatus, 0, this, "Busy", wxPoint(190, 110), wxSize(60, 18), drive, true);
        createUpDownButtons(wxPoint(250, 10), wxPoint(250, 45), wxSize(60, 30));
        setDefaultField(limit);
    }
    RegisterEdit* limit;
    RegisterEdit* kp;
    RegisterEdit* low;
    RegisterEdit* unbound;
    RegisterDisplay* serial;
    RegisterTextEdit* axis;
    wxChoice* choice;
    RegisterBitLabel* lamp;
    RegisterBitLabel* lampInverted;
};

class FieldsOnAPage : public ::testing::Test {
protected:
    void SetUp() override {
        sim = test::startSimDrive(sim::SimOptions{}, &address);
        ASSERT_TRUE(sim);
        drive.setIpAddress(address);
        ASSERT_EQ(drive.connectDrive("TCP", 9600), 0u);
        frame = new RecordingFrame;
        DrivePageOptions options;
        options.smallFont = true;
        options.pictureFile = "pictures/Settings.bmp";
        options.refocusEvent = SettingsRefocusEvent;
        page = new TestPage(frame->notebook, &drive, &limits, options);
        frame->notebook->AddPage(page, "Test");
        frame->Show();
        pumpFor(100);
        // Leaving a field tells the frame too; park the focus outside the fields so that
        // only the tests' own actions send notices.
        page->choice->SetFocus();
        pumpFor(100);
        frame->changes.clear();
        sim->clearFrames();
        recordedDialogs().clear();
    }
    void TearDown() override {
        if (frame) frame->Destroy();
        pumpFor(20);
        drive.disconnectDrive();
    }

    // What a person's typing leaves: the text changed, the saved text not.
    static void type(wxTextCtrl* field, const wxString& text) { field->wxTextCtrl::ChangeValue(text); }
    static void pressEnter(wxTextCtrl* field) {
        wxCommandEvent enter(wxEVT_TEXT_ENTER, field->GetId());
        enter.SetEventObject(field);
        enter.SetString(field->GetValue());
        field->GetEventHandler()->ProcessEvent(enter);
    }
    static void leave(wxWindow* field) {
        wxFocusEvent kill(wxEVT_KILL_FOCUS, field->GetId());
        kill.SetEventObject(field);
        field->GetEventHandler()->ProcessEvent(kill);
    }
    static void focusArrives(wxWindow* control) {
        wxChildFocusEvent focus(control);
        control->GetEventHandler()->ProcessEvent(focus);
    }
    static void click(wxButton* button) {
        wxCommandEvent clicked(wxEVT_BUTTON, button->GetId());
        clicked.SetEventObject(button);
        button->GetEventHandler()->ProcessEvent(clicked);
    }
    int writesTo(uint32_t reg) const {
        int count = 0;
        for (const auto& f : sim->frames())
            if (!f.isRead && f.reg == reg) ++count;
        return count;
    }
    int notices(int reg) const {
        int count = 0;
        for (const auto& c : frame->changes)
            if (c.first == reg) ++count;
        return count;
    }
    bool changeArrived(int reg, const std::string& text) {
        return pumpUntil([&] {
            for (const auto& c : frame->changes)
                if (c.first == reg && c.second == text) return true;
            return false;
        }, 2000);
    }

    std::unique_ptr<sim::SimDrive> sim;
    std::string address;
    DriveConnection drive;
    RegisterLimits limits;
    RecordingFrame* frame = nullptr;
    TestPage* page = nullptr;
};

TEST_F(FieldsOnAPage, EnterWritesTheRegisterAndTellsTheFrame) {
    type(page->limit, "1234");
    pressEnter(page->limit);
    EXPECT_EQ(sim->reg(kSpeedLimit), 1234u);
    EXPECT_TRUE(recordedDialogs().boxes.empty());
    EXPECT_EQ(page->limit->savedValue(), "1234");
    EXPECT_EQ(frame->skippedEnters, 0);
    // Queued to the notebook, handed up to the frame.
    EXPECT_EQ(notices(kSpeedLimit), 0) << "the notice is posted, not sent";
    EXPECT_TRUE(changeArrived(kSpeedLimit, "1234"));

    // Negative values reach the 16-bit register as their two's complement.
    type(page->limit, "-2");
    pressEnter(page->limit);
    EXPECT_EQ(sim->reg(kSpeedLimit), 0xFFFEu);

    // Scaled entry rounds to the nearest raw unit.
    type(page->kp, "1.15");
    pressEnter(page->kp);
    EXPECT_EQ(sim->reg(kKp), 115u);
    EXPECT_EQ(page->kp->GetValue(), "1.15");
    EXPECT_TRUE(recordedDialogs().boxes.empty());
}

TEST_F(FieldsOnAPage, LeavingAFieldCountsAsEnter) {
    type(page->limit, "77");
    leave(page->limit);
    EXPECT_EQ(writesTo(kSpeedLimit), 0) << "no write inside the focus change";
    ASSERT_TRUE(pumpUntil([&] { return sim->reg(kSpeedLimit) == 77u; }, 2000));
    EXPECT_TRUE(changeArrived(kSpeedLimit, "77"));
}

TEST_F(FieldsOnAPage, HalfFieldKeepsTheOtherHalf) {
    sim->setReg(kRegen, 0x12345678);
    type(page->low, "43981");
    pressEnter(page->low);
    EXPECT_EQ(sim->reg(kRegen), 0x1234ABCDu);
    EXPECT_EQ(page->low->GetValue(), "43981");
}

TEST_F(FieldsOnAPage, DriveKeepingAnotherValueIsReported) {
    sim->setWriteFilter([](uint32_t reg, uint32_t value) { return reg == kSpeedLimit ? std::min(value, 3000u) : value; });
    type(page->limit, "5000");
    pressEnter(page->limit);
    EXPECT_EQ(sim->reg(kSpeedLimit), 3000u);
    ASSERT_EQ(recordedDialogs().boxes.size(), 1u);
    EXPECT_EQ(recordedDialogs().boxes[0].text, "Value changed by the Drive (5000 -> 3000)!");
    EXPECT_EQ(recordedDialogs().boxes[0].caption, "Warning");
    EXPECT_EQ(recordedDialogs().boxes[0].style, wxOK | wxICON_EXCLAMATION);
    EXPECT_EQ(page->limit->GetValue(), "3000");
    EXPECT_TRUE(changeArrived(kSpeedLimit, "3000"));
}

TEST_F(FieldsOnAPage, RefusedEntryRestoresTheTextAndStillTellsTheFrame) {
    limits.maximum[kSpeedLimit] = 1000;
    page->limit->refreshRegisterEdit();
    wxString before = page->limit->GetValue();
    sim->clearFrames();
    type(page->limit, "1001");
    pressEnter(page->limit);
    ASSERT_EQ(recordedDialogs().boxes.size(), 1u);
    EXPECT_EQ(recordedDialogs().boxes[0].text, "Limit: Zahl zu gross, max. 1000!");
    EXPECT_EQ(recordedDialogs().boxes[0].style, wxOK | wxICON_ERROR);
    EXPECT_EQ(page->limit->GetValue(), before);
    EXPECT_EQ(writesTo(kSpeedLimit), 0);
    EXPECT_TRUE(changeArrived(kSpeedLimit, before.utf8_string()));

    // Beyond what the register holds: refused, not wrapped.
    recordedDialogs().clear();
    type(page->limit, "70000");
    pressEnter(page->limit);
    EXPECT_TRUE(recordedDialogs().sawBox("Zahl zu gross"));
    EXPECT_EQ(writesTo(kSpeedLimit), 0);
}

TEST_F(FieldsOnAPage, RefusedEntryPutsTheCursorBackIntoTheField) {
    // Hidden, the window keeps the focus its code asks for: other test programs sharing
    // the display cannot take the keyboard focus away in between.
    frame->Hide();
    pumpFor(50);
    limits.maximum[kSpeedLimit] = 1000;
    page->choice->SetFocus();
    ASSERT_EQ(wxWindow::FindFocus(), page->choice);
    type(page->limit, "1001");
    pressEnter(page->limit);
    ASSERT_TRUE(recordedDialogs().sawBox("Zahl zu gross"));
    EXPECT_EQ(wxWindow::FindFocus(), page->limit);
}

TEST_F(FieldsOnAPage, FailedWriteRestoresTheSavedText) {
    sim->setReg(kSpeedLimit, 40);
    ASSERT_TRUE(page->limit->refreshRegisterEdit());
    // The drive drops the link on the write: the value never arrives and the read-back fails.
    sim->setFault(sim::Fault::CloseLink, 1);
    type(page->limit, "41");
    pressEnter(page->limit);
    EXPECT_EQ(sim->reg(kSpeedLimit), 40u);
    EXPECT_TRUE(recordedDialogs().sawBox("Registers 0x34!")) << "a read or write failure box";
    // The request went out before the link closed: from here nobody can tell whether the
    // drive took it, so the field claims neither value; a failed send would keep "40".
    const bool sent = recordedDialogs().sawBox("Fehler beim Lesen");
    EXPECT_EQ(page->limit->GetValue(), sent ? "" : "40");
    EXPECT_EQ(page->limit->savedValue(), sent ? "" : "40");
    EXPECT_TRUE(changeArrived(kSpeedLimit, sent ? "" : "40"));
}

TEST_F(FieldsOnAPage, FailedReadBackShowsNoValue) {
    sim->setReg(kSpeedLimit, 40);
    ASSERT_TRUE(page->limit->refreshRegisterEdit());
    sim->setFault(sim::Fault::WrongRegister, 1);
    type(page->limit, "42");
    pressEnter(page->limit);
    EXPECT_EQ(sim->reg(kSpeedLimit), 42u);
    ASSERT_EQ(recordedDialogs().boxes.size(), 1u);
    EXPECT_EQ(recordedDialogs().boxes[0].text, "Fehler beim Lesen des Registers 0x34!");
    // The drive holds 42 while the field could not confirm it: the old 40 must not stay
    // as if the drive held it, nor go out to the other pages.
    EXPECT_EQ(page->limit->GetValue(), "");
    EXPECT_EQ(page->limit->savedValue(), "");
    EXPECT_TRUE(changeArrived(kSpeedLimit, ""));
    for (const auto& change : frame->changes) EXPECT_NE(change.second, "40");
    // Leaving the blank field writes nothing; the next read shows the drive's value again.
    sim->clearFrames();
    ASSERT_TRUE(page->limit->commitRegisterEdit());
    EXPECT_TRUE(sim->frames().empty());
    ASSERT_TRUE(page->limit->refreshRegisterEdit());
    EXPECT_EQ(page->limit->GetValue(), "42");
}

TEST_F(FieldsOnAPage, OfflineEnterWarnsAndSendsNothing) {
    drive.disconnectDrive();
    sim->clearFrames();
    type(page->limit, "55");
    pressEnter(page->limit);
    ASSERT_EQ(recordedDialogs().boxes.size(), 1u);
    EXPECT_EQ(recordedDialogs().boxes[0].text, "Drive is not online!");
    EXPECT_EQ(recordedDialogs().boxes[0].caption, "Error");
    EXPECT_EQ(recordedDialogs().boxes[0].style, wxOK | wxICON_ERROR);
    EXPECT_EQ(page->limit->GetValue(), "55");
    EXPECT_EQ(frame->skippedEnters, 1) << "the event is skipped";
    pumpFor(100);
    EXPECT_TRUE(sim->frames().empty());
    EXPECT_EQ(notices(kSpeedLimit), 0);
}

TEST_F(FieldsOnAPage, AViewedRegisterFileTakesEntriesLikeADrive) {
    drive.disconnectDrive();
    drive.loadOfflineImage({{kSpeedLimit, 10}}, {{kAxis, 0x20202020u}});
    ASSERT_TRUE(page->limit->refreshRegisterEdit());
    EXPECT_EQ(page->limit->GetValue(), "10");
    type(page->limit, "12");
    pressEnter(page->limit);
    EXPECT_TRUE(recordedDialogs().boxes.empty());
    EXPECT_EQ(drive.imageValues16().at(kSpeedLimit), 12u);
    EXPECT_EQ(page->limit->savedValue(), "12");
    EXPECT_TRUE(changeArrived(kSpeedLimit, "12"));

    // Leaving the axis-name field counts as Enter too.
    type(page->axis, "Z9");
    leave(page->axis);
    ASSERT_TRUE(pumpUntil([&] { return drive.imageValues32().at(kAxis) == 0x2020395Au; }, 2000));
    EXPECT_TRUE(changeArrived(kAxis, "Z9  "));
    EXPECT_TRUE(sim->frames().empty()) << "nothing goes to the drive while a file is viewed";
}

TEST_F(FieldsOnAPage, LeavingWhileOfflineRestoresSilently) {
    page->limit->refreshRegisterEdit();
    wxString saved = page->limit->savedValue();
    drive.disconnectDrive();
    sim->clearFrames();
    type(page->limit, "55");
    leave(page->limit);
    pumpFor(100);
    EXPECT_EQ(page->limit->GetValue(), saved);
    EXPECT_TRUE(recordedDialogs().boxes.empty());
    EXPECT_TRUE(sim->frames().empty());
    EXPECT_EQ(notices(kSpeedLimit), 0);
}

TEST_F(FieldsOnAPage, ValuesFromTheDriveAreNeverWrittenBack) {
    sim->setReg(kSpeedLimit, 321);
    ASSERT_TRUE(page->limit->refreshRegisterEdit());
    EXPECT_EQ(page->limit->GetValue(), "321");
    EXPECT_FALSE(page->limit->isModified());
    leave(page->limit);
    pumpFor(100);
    EXPECT_EQ(writesTo(kSpeedLimit), 0);
    EXPECT_TRUE(recordedDialogs().boxes.empty());
}

TEST_F(FieldsOnAPage, FieldWithoutRegisterIsNotImplemented) {
    type(page->unbound, "5");
    pressEnter(page->unbound);
    ASSERT_EQ(recordedDialogs().boxes.size(), 1u);
    EXPECT_EQ(recordedDialogs().boxes[0].text, "Noch nicht implementiert!");
    pumpFor(100);
    EXPECT_EQ(notices(0), 0);
    EXPECT_TRUE(sim->frames().empty());
}

TEST_F(FieldsOnAPage, AxisNameIsWrittenAsFourCharacters) {
    type(page->axis, "AB");
    pressEnter(page->axis);
    EXPECT_EQ(sim->reg(kAxis), 0x20204241u);
    EXPECT_EQ(page->axis->GetValue(), "AB  ");
    EXPECT_TRUE(recordedDialogs().boxes.empty());
    EXPECT_TRUE(changeArrived(kAxis, "AB  "));

    type(page->axis, "ABCDE");
    pressEnter(page->axis);
    EXPECT_TRUE(recordedDialogs().sawBox("Achse: Zuviele Zeichen (max 4)!"));
    EXPECT_EQ(page->axis->GetValue(), "AB  ");
}

TEST_F(FieldsOnAPage, UpAndDownStepTheFieldLastWorkedIn) {
    // The focus moves by the test's own focus events only: a hidden window gets none
    // from the toolkit, so every notice seen below would come from the stepping.
    frame->Hide();
    pumpFor(100);
    frame->changes.clear();
    sim->setReg(kSpeedLimit, 7);
    page->limit->refreshRegisterEdit();
    focusArrives(page->limit);
    focusArrives(page->upButton());  // the button takes the focus when clicked
    EXPECT_EQ(page->lastFocused(), page->limit);
    click(page->upButton());
    EXPECT_EQ(sim->reg(kSpeedLimit), 8u);
    EXPECT_EQ(page->limit->GetValue(), "8");
    click(page->downButton());
    click(page->downButton());
    EXPECT_EQ(sim->reg(kSpeedLimit), 6u);

    // A field showing decimals cannot be stepped.
    sim->setReg(kKp, 150);
    page->kp->refreshRegisterEdit();
    focusArrives(page->kp);
    sim->clearFrames();
    click(page->upButton());
    EXPECT_EQ(writesTo(kKp), 0);

    // After a choice took the focus the buttons do nothing.
    focusArrives(page->choice);
    click(page->upButton());
    EXPECT_EQ(writesTo(kSpeedLimit), 0);
    EXPECT_EQ(writesTo(kKp), 0);
    pumpFor(50);
    EXPECT_EQ(notices(kSpeedLimit), 3) << "each step that changed the field tells the other pages";
    EXPECT_EQ(notices(kKp), 0) << "a field that was not stepped tells nothing";

    // A quick click reaches the page before the field it left has taken the entry (that
    // waits for the focus change to settle): the entry goes first and the step starts from
    // it; after a refused entry the click does nothing.
    focusArrives(page->limit);
    type(page->limit, "20");
    leave(page->limit);
    click(page->upButton());
    EXPECT_EQ(sim->reg(kSpeedLimit), 21u);
    EXPECT_EQ(page->limit->GetValue(), "21");
    recordedDialogs().clear();
    sim->clearFrames();
    type(page->limit, "2x");
    leave(page->limit);
    click(page->downButton());
    EXPECT_TRUE(recordedDialogs().sawBox("keine Nummer"));
    EXPECT_EQ(page->limit->GetValue(), "21");
    pumpFor(50);  // the delayed leaves find nothing left to commit
    EXPECT_EQ(writesTo(kSpeedLimit), 0);
    EXPECT_EQ(recordedDialogs().boxes.size(), 1u);
}

TEST_F(FieldsOnAPage, FocusComesBackToTheLastField) {
    // The focus arrives by the test's own focus events, and the window, hidden, keeps the
    // focus the page asks for: other test programs sharing the display cannot take the
    // keyboard focus away in between.
    frame->Hide();
    pumpFor(50);

    // A fresh page lands in its default field.
    page->restoreFocus();
    EXPECT_EQ(page->lastFocused(), page->limit);
    EXPECT_EQ(wxWindow::FindFocus(), page->limit);

    focusArrives(page->kp);
    EXPECT_EQ(page->lastFocused(), page->kp);

    // A read-only display hands the focus back, later (queued).
    focusArrives(page->serial);
    EXPECT_EQ(page->lastFocused(), page->kp);
    EXPECT_EQ(wxWindow::FindFocus(), page->limit) << "handed back only by the queued event";
    EXPECT_TRUE(pumpUntil([&] { return wxWindow::FindFocus() == page->kp; }, 2000));

    // The axis-name field is remembered, the Up button is not, and selecting the page
    // again puts the cursor back into the axis-name field.
    focusArrives(page->axis);
    EXPECT_EQ(page->lastFocused(), page->axis);
    focusArrives(page->upButton());
    EXPECT_EQ(page->lastFocused(), page->axis);
    page->onPageSelected();
    EXPECT_EQ(wxWindow::FindFocus(), page->axis);

    // Something outside the edit list is remembered but not restored to.
    focusArrives(page->choice);
    EXPECT_EQ(page->lastFocused(), page->choice);
    page->restoreFocus();
    EXPECT_EQ(page->lastFocused(), page->limit);
    EXPECT_EQ(wxWindow::FindFocus(), page->limit);
}

TEST_F(FieldsOnAPage, DisplaysAndLampsFollowTheDriveFromAnotherThread) {
    // Hidden, the window gets no focus changes from other programs on the display, whose
    // leave-counts-as-Enter traffic would otherwise run between the reads checked here.
    frame->Hide();
    pumpFor(50);
    recordedDialogs().clear();
    sim->setReg(kSerial, 0x80000000u);
    sim->setReg(kStatus, 0x1);
    bool displayRead = false, lampRead = false;
    std::thread poller([&] {
        displayRead = page->serial->refreshRegisterDisplay();
        lampRead = page->lamp->refreshRegisterBitLabel() && page->lampInverted->refreshRegisterBitLabel();
    });
    poller.join();
    EXPECT_TRUE(displayRead);
    EXPECT_TRUE(lampRead);
    // Each control handles its own queued value; wait for all three rather than taking
    // the display's as a sign that the lamps' have been handled too.
    ASSERT_TRUE(pumpUntil([&] {
        return page->serial->GetValue() == "2147483648" && page->lamp->isActive() &&
               !page->lampInverted->isActive();
    }, 5000)) << page->serial->GetValue();
    EXPECT_EQ(page->lamp->GetForegroundColour(), RegisterBitLabel::activeColour());
    EXPECT_EQ(page->lampInverted->GetForegroundColour(), wxSystemSettings::GetColour(wxSYS_COLOUR_BTNFACE));

    sim->setReg(kStatus, 0x0);
    ASSERT_TRUE(page->lamp->refreshRegisterBitLabel());
    ASSERT_TRUE(pumpUntil([&] { return !page->lamp->isActive(); }, 5000));
    EXPECT_EQ(page->lamp->GetLabel(), "Ready");

    postProgramEvent(page->serial, DisplayTextEvent, 0, "12.5 mm");
    EXPECT_TRUE(pumpUntil([&] { return page->serial->GetLabel() == "12.5 mm"; }, 5000));
    EXPECT_TRUE(recordedDialogs().boxes.empty());

    // A failed read is only a false result.
    drive.disconnectDrive();
    EXPECT_FALSE(page->serial->refreshRegisterDisplay());
    EXPECT_FALSE(page->lamp->refreshRegisterBitLabel());
    pumpFor(50);
    EXPECT_TRUE(recordedDialogs().boxes.empty());
}

TEST_F(FieldsOnAPage, PanelSkeleton) {
    EXPECT_EQ(page->GetBackgroundColour(), wxColour(129, 156, 214));
    EXPECT_EQ(page->GetMinSize(), wxSize(831, 619));
    EXPECT_NEAR(page->GetFont().GetPixelSize().GetHeight(), 11, 1);  // the toolkit rounds through points
    EXPECT_EQ(page->limit->GetBackgroundColour(), wxColour(253, 236, 197));
    EXPECT_EQ(page->serial->GetBackgroundColour(), wxColour(235, 235, 235));
    EXPECT_EQ(page->upButton()->GetLabel(), "UP");
    EXPECT_EQ(page->downButton()->GetLabel(), "DOWN");
    EXPECT_EQ(page->limit->GetName(), "text");
    EXPECT_EQ(page->lamp->GetName(), "staticText");
    EXPECT_EQ(page->GetName(), "panel");
}

// Pictures are looked up relative to the working folder.
class PagePictures : public ::testing::Test {
protected:
    void SetUp() override {
        previous = std::filesystem::current_path();
        folder = std::filesystem::temp_directory_path() / ("torvex-pictures-" + std::to_string(getpid()));
        std::filesystem::create_directories(folder);
        std::filesystem::current_path(folder);
        frame = new wxFrame(nullptr, wxID_ANY, "pictures");
        recordedDialogs().clear();
    }
    void TearDown() override {
        frame->Destroy();
        pumpFor(20);
        std::filesystem::current_path(previous);
        std::filesystem::remove_all(folder);
    }
    std::filesystem::path previous, folder;
    wxFrame* frame = nullptr;
};

TEST_F(PagePictures, MissingFileGivesTheBuiltInPictureQuietly) {
    DrivePageOptions options;
    options.pictureFile = "pictures/Settings.bmp";
    auto* page = new DrivePage(frame, nullptr, nullptr, options);
    EXPECT_FALSE(page->pictureFromFile());
    EXPECT_EQ(page->backgroundPicture().GetSize(), wxSize(831, 619));
    pumpFor(50);
    EXPECT_TRUE(recordedDialogs().boxes.empty());
}

int g_picturesDrawn = 0;
wxBitmap countedPicture() {
    ++g_picturesDrawn;
    return wxBitmap(831, 619, 24);
}

// Most pages are never shown in a run: a page's picture is drawn when it is first needed,
// once, not when the page is built.
TEST_F(PagePictures, APictureIsDrawnWhenFirstNeeded) {
    g_picturesDrawn = 0;
    DrivePageOptions options;
    options.drawBuiltinPicture = countedPicture;
    auto* page = new DrivePage(frame, nullptr, nullptr, options);
    pumpFor(20);
    EXPECT_EQ(g_picturesDrawn, 0) << "not with the page";
    frame->Show();
    EXPECT_TRUE(pumpUntil([] { return g_picturesDrawn == 1; }, 2000)) << "the first paint draws it";
    EXPECT_EQ(page->backgroundPicture().GetSize(), wxSize(831, 619));
    EXPECT_FALSE(page->pictureFromFile());
    page->Refresh();
    pumpFor(50);
    EXPECT_EQ(g_picturesDrawn, 1) << "and only once";
}

TEST_F(PagePictures, PictureFileIsUsedWhenPresent) {
    std::filesystem::create_directories("pictures");
    wxImage image(40, 30);
    image.SetRGB(wxRect(0, 0, 40, 30), 10, 200, 30);
    ASSERT_TRUE(image.SaveFile("pictures/Settings.bmp", wxBITMAP_TYPE_BMP));
    DrivePageOptions options;
    options.pictureFile = "pictures/Settings.bmp";
    auto* page = new DrivePage(frame, nullptr, nullptr, options);
    EXPECT_TRUE(page->pictureFromFile());
    EXPECT_EQ(page->backgroundPicture().GetSize(), wxSize(40, 30));

    // A file that is no picture falls back without a box too.
    std::FILE* broken = std::fopen("pictures/Speed.bmp", "w");
    std::fputs("not a picture", broken);
    std::fclose(broken);
    options.pictureFile = "pictures/Speed.bmp";
    auto* second = new DrivePage(frame, nullptr, nullptr, options);
    EXPECT_FALSE(second->pictureFromFile());
    pumpFor(50);
    EXPECT_TRUE(recordedDialogs().boxes.empty());
}

}  // namespace
}  // namespace torvex

namespace torvex {
namespace {
// The pages place 13-pixel-high fields; they must keep that size (and the toolkit
// must not complain, which fails the whole test program).
TEST(FieldSizes, SmallFieldsKeepTheirSize) {
    auto* frame = new wxFrame(nullptr, wxID_ANY, "sizes", wxDefaultPosition, wxSize(400, 300));
    auto* panel = new wxPanel(frame);
    wxWindow* controls[] = {
        new RegisterEdit(0x34, "", panel, "0x34", "", wxPoint(5, 5), wxSize(59, 13), nullptr, nullptr, 0, 0, 1,
                         false, 0),
        new RegisterDisplay(0x34, panel, "0x34", "", wxPoint(5, 25), wxSize(59, 13), nullptr, 0, 0),
        new RegisterTextEdit(0xF8, "", panel, "0xf8", "", wxPoint(5, 45), wxSize(40, 13), nullptr),
        new RegisterBitLabel(0x40, 0, panel, "Ready", wxPoint(5, 65), wxSize(40, 13), nullptr, false),
    };
    frame->Show();
    pumpFor(200);
    for (wxWindow* control : controls) EXPECT_EQ(control->GetSize().GetHeight(), 13) << control->GetName();
    frame->Destroy();
    pumpFor(20);
}
}  // namespace
}  // namespace torvex

namespace torvex {
namespace {
// The polling thread reports every lamp of the shown page at every step; a lamp whose state
// stays the same must not be repainted (nor measure its text) each time.
TEST(LampRepaints, OnlyAChangeOfStateRepaintsALamp) {
    class CountingLamp : public RegisterBitLabel {
    public:
        using RegisterBitLabel::RegisterBitLabel;
        void Refresh(bool eraseBackground, const wxRect* rect) override {
            ++refreshes;
            RegisterBitLabel::Refresh(eraseBackground, rect);
        }
        int refreshes = 0;
    };
    auto* frame = new wxFrame(nullptr, wxID_ANY, "lamps", wxDefaultPosition, wxSize(300, 200));
    auto* lamp = new CountingLamp(kStatus, 0, frame, "Ready", wxPoint(5, 5), wxSize(60, 18), nullptr, false);
    frame->Show();
    pumpFor(50);
    lamp->refreshes = 0;

    for (int step = 0; step < 5; ++step) postProgramEvent(lamp, BitLabelValueEvent, 1);  // lit, as it starts
    pumpFor(50);
    EXPECT_TRUE(lamp->isActive());
    EXPECT_EQ(lamp->refreshes, 0);

    for (int step = 0; step < 5; ++step) postProgramEvent(lamp, BitLabelValueEvent, 0);
    ASSERT_TRUE(pumpUntil([&] { return !lamp->isActive(); }, 2000));
    pumpFor(50);
    EXPECT_EQ(lamp->refreshes, 1) << "one repaint for the one change";
    EXPECT_EQ(lamp->GetForegroundColour(), wxSystemSettings::GetColour(wxSYS_COLOUR_BTNFACE));

    lamp->SetLabel("Ready");
    EXPECT_EQ(lamp->refreshes, 1) << "the same text again";
    lamp->SetLabel("Busy");
    EXPECT_EQ(lamp->refreshes, 2);
    EXPECT_EQ(lamp->GetLabel(), "Busy");
    frame->Destroy();
    pumpFor(20);
}
}  // namespace
}  // namespace torvex
