// The oscilloscope page in the real frame: its defaults and controls offline, and a
// capture, a file round trip and the step test against the simulated drive.
#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/combobox.h>
#include <wx/dialog.h>
#include <wx/filefn.h>
#include <wx/notebook.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/weakref.h>

#include <atomic>
#include <chrono>
#include <climits>
#include <cstdio>
#include <thread>
#include <fstream>

#include "frame/drive_status_bar.h"
#include "frame/main_frame.h"
#include "link/registers.h"
#include "pages/scope/oscilloscope_page.h"
#include "pages/settings/settings_page.h"
#include "pages/scope/scope_canvas.h"
#include "scope/step_test.h"
#include "scope/vof_file.h"
#include "services/catalogue.h"
#include "services/config.h"
#include "tests/support/frame_fixture.h"
#include "tests/support/menu_actions.h"
#include "tests/support/sim_fixture.h"
#include "tools/drivesim/sim_capture.h"
#include "widgets/events.h"
#include "widgets/register_choice.h"
#include "widgets/register_edit.h"

namespace torvex::test {
namespace {

void click(wxButton* button) {
    wxCommandEvent event(wxEVT_BUTTON, button->GetId());
    event.SetEventObject(button);
    button->GetEventHandler()->ProcessEvent(event);
}

void pick(wxComboBox* box, const wxString& text) {
    ASSERT_TRUE(box->SetStringSelection(text)) << text;
    wxCommandEvent event(wxEVT_COMBOBOX, box->GetId());
    event.SetEventObject(box);
    event.SetInt(box->GetSelection());
    box->GetEventHandler()->ProcessEvent(event);
}

// Types text into a register field and presses Enter, as a person does.
void enter(DrivePage* page, int reg, const wxString& text) {
    for (RegisterEdit* field : page->editList()) {
        if (field->registerNumber() != reg) continue;
        field->wxTextCtrl::ChangeValue(text);
        wxCommandEvent event(wxEVT_TEXT_ENTER, field->GetId());
        event.SetEventObject(field);
        field->GetEventHandler()->ProcessEvent(event);
        return;
    }
    ADD_FAILURE() << "no field of register " << reg;
}

long selectedData(wxComboBox* box) {
    return box->GetSelection() < 0 ? -1 : static_cast<long>(reinterpret_cast<intptr_t>(box->GetClientData(box->GetSelection())));
}

class ScopePageTest : public FrameTest {
protected:
    void TearDown() override {
        FrameTest::TearDown();  // the frame (and its link) go first
        if (drive) drive->stop();
        engine.reset();
        driveOwner.reset();
    }

    OscilloscopePage* page() const { return frame->oscilloscopePage(); }

    static void useEnglish() {
        addCatalogueLookupPrefixes();
        ASSERT_TRUE(loadCatalogue(wxLANGUAGE_ENGLISH));
        installCatalogueTranslator();
    }

    // A drive with its capture engine on TCP and the frame online with it.
    void goOnline() {
        std::string address;
        driveOwner = startSimDrive({}, &address);
        ASSERT_TRUE(driveOwner);
        drive = driveOwner.get();
        drive->setReg(kRegStatus, 1);
        drive->setReg(0xAF, 100);  // sampling tick in microseconds
        engine = std::make_unique<sim::SimCapture>(*drive);
        engine->setSpeedUp(100.0);
        recordedDialogs().modalAnswers.push_back([address](wxDialog& dialog) {
            for (wxWindow* child : dialog.GetChildren())
                if (auto* field = dynamic_cast<wxTextCtrl*>(child)) field->ChangeValue(address);
            wxWindow* connect = wxWindow::FindWindowByName("connect", &dialog);
            if (connect) {
                wxCommandEvent press(wxEVT_BUTTON, connect->GetId());
                press.SetEventObject(connect);
                connect->GetEventHandler()->ProcessEvent(press);
            }
            return 1;
        });
        chooseMenuItem(frame, kIdTcp);
        ASSERT_TRUE(pumpUntil([&] { return frame->connection().isOnline(); }));
    }

    // Starts a step test of type that holds each value a minute, once its first value
    // reached reg.
    void startHeldStep(const wxString& type, uint32_t reg) {
        OscilloscopePage* p = page();
        pick(p->stepType(), type);
        for (int i : {1, 3, 5}) p->stepField(i)->ChangeValue("60000");
        drive->clearFrames();
        click(p->stepButton());
        ASSERT_TRUE(p->isStepRunning());
        ASSERT_TRUE(pumpUntil([&] { return !writesTo(reg).empty(); }));
    }

    std::vector<sim::ReceivedFrame> writesTo(uint32_t reg) const {
        std::vector<sim::ReceivedFrame> out;
        for (const auto& f : drive->frames())
            if (!f.isRead && f.reg == reg) out.push_back(f);
        return out;
    }

    std::unique_ptr<sim::SimDrive> driveOwner;
    sim::SimDrive* drive = nullptr;
    std::unique_ptr<sim::SimCapture> engine;
};

TEST_F(ScopePageTest, DefaultsZoomColoursAndChoicesOffline) {
    useEnglish();
    makeFrame();
    OscilloscopePage* p = page();
    ASSERT_TRUE(p);

    // Defaults: the channel signals are the registers behind the default texts.
    const long signals[8] = {0x32, 0x30, 0x22, 0x20, 0x48, 0x3A, 0x8A, 0};
    const char* uDiv[8] = {"20000", "20000", "600", "600", "2", "20000", "4000", "0"};
    for (int n = 0; n < 8; ++n) {
        EXPECT_EQ(selectedData(p->channelSignal(n)), signals[n]) << n;
        EXPECT_EQ(p->channelUDiv(n)->GetValue(), uDiv[n]) << n;
        EXPECT_EQ(p->channelPos(n)->GetValue(), "0");
        EXPECT_TRUE(p->channelVisible(n)->GetValue());
    }
    EXPECT_EQ(p->channelColour(7), wxColour(9, 175, 0));
    EXPECT_EQ(selectedData(p->triggerOn()), 0);
    EXPECT_EQ(p->triggerLevel()->GetValue(), "100");
    EXPECT_EQ(selectedData(p->triggerBuffer()), 1000);
    EXPECT_EQ(selectedData(p->triggerRun()), 2);
    EXPECT_EQ(selectedData(p->timeScale()), 500000);
    EXPECT_EQ(selectedData(p->stepType()), 0x31);
    EXPECT_EQ(p->editList().size(), 23u);
    EXPECT_FALSE(p->captureButton()->IsEnabled());
    EXPECT_FALSE(p->stepButton()->IsEnabled());
    EXPECT_EQ(p->captureStatus()->GetLabel(), " idle");

    // Zoom stays within 1..4 and the buttons name the zoom they lead to.
    struct Step { bool in; unsigned zoom; const char* outLabel; const char* inLabel; bool outOn, inOn; };
    const Step steps[] = {{true, 2, "1x", "3x", true, true},  {true, 3, "2x", "4x", true, true},
                          {true, 4, "3x", "4x", true, false}, {false, 3, "2x", "4x", true, true},
                          {false, 2, "1x", "3x", true, true}, {false, 1, "1x", "2x", false, true}};
    for (const Step& s : steps) {
        click(s.in ? p->zoomInButton() : p->zoomOutButton());
        EXPECT_EQ(p->zoom(), s.zoom);
        EXPECT_EQ(p->zoomOutButton()->GetLabel(), s.outLabel) << s.zoom;
        EXPECT_EQ(p->zoomInButton()->GetLabel(), s.inLabel) << s.zoom;
        EXPECT_EQ(p->zoomOutButton()->IsEnabled(), s.outOn);
        EXPECT_EQ(p->zoomInButton()->IsEnabled(), s.inOn);
    }

    // Button text: white up to a component sum of 270, black from 271.
    OscilloscopePage::paintColourButton(p->colourButtonB(), wxColour(90, 90, 90));
    EXPECT_EQ(p->colourButtonB()->GetForegroundColour(), *wxWHITE);
    OscilloscopePage::paintColourButton(p->colourButtonB(), wxColour(90, 90, 91));
    EXPECT_EQ(p->colourButtonB()->GetForegroundColour(), *wxBLACK);

    // A bad U/Div is reported once, not at every redraw, and again after it was good.
    recordedDialogs().clear();
    p->channelUDiv(2)->ChangeValue("abc");
    p->drawScopeTraces();
    p->drawScopeTraces();
    EXPECT_EQ(p->getChannelUDiv(2), 0);
    ASSERT_EQ(recordedDialogs().boxes.size(), 1u);
    EXPECT_EQ(recordedDialogs().boxes[0].text, "Wrong value for U/Div value 2!");
    p->channelUDiv(2)->ChangeValue("600");
    p->drawScopeTraces();
    p->channelUDiv(2)->ChangeValue("x");
    p->drawScopeTraces();
    EXPECT_EQ(recordedDialogs().boxes.size(), 2u);
    p->channelUDiv(2)->ChangeValue("600");

    // Enter in a U/Div field offline: "Drive is not online!"; in a Pos field: a redraw only.
    recordedDialogs().clear();
    wxCommandEvent enter(wxEVT_TEXT_ENTER, p->channelUDiv(0)->GetId());
    enter.SetEventObject(p->channelUDiv(0));
    p->GetEventHandler()->ProcessEvent(enter);
    EXPECT_TRUE(recordedDialogs().sawBox("Drive is not online!"));
    recordedDialogs().clear();
    enter.SetEventObject(p->channelPos(0));
    p->GetEventHandler()->ProcessEvent(enter);
    EXPECT_TRUE(recordedDialogs().boxes.empty());

    // The register lists are refilled: a signal still offered stays, one gone falls back
    // to "--Off--"; a trigger register gone falls back to "Chan 1".
    setTriggerRegister1("Free one", "200");
    p->reloadRegisterChoices();
    ASSERT_GE(findChoiceByClientData(p->channelSignal(7), 200), 0);
    p->channelSignal(7)->SetSelection(findChoiceByClientData(p->channelSignal(7), 200));
    p->triggerOn()->SetSelection(static_cast<int>(p->triggerOn()->GetCount()) - 1);
    EXPECT_EQ(selectedData(p->triggerOn()), 200);
    setTriggerRegister1("Free one", "0");
    p->reloadRegisterChoices();
    EXPECT_EQ(selectedData(p->channelSignal(7)), 0);
    EXPECT_EQ(selectedData(p->channelSignal(0)), 0x32);
    EXPECT_EQ(p->triggerOn()->GetSelection(), 0);

    // Switching every channel off keeps the capture button off.
    for (int n = 0; n < 8; ++n) pick(p->channelSignal(n), p->channelSignal(n)->GetString(0));
    EXPECT_EQ(p->countScopeChannels(), 0);
    EXPECT_FALSE(p->captureButton()->IsEnabled());
}

TEST_F(ScopePageTest, SavingStoresWhatFitsTheFileAndSaysWhyItFailed) {
    useEnglish();
    makeFrame();
    OscilloscopePage* p = page();
    const std::string path = home + "/settings.vof";
    auto save = [&](const std::string& to) {
        recordedDialogs().clear();
        recordedDialogs().fileAnswers.push_back(to);
        click(p->saveButton());
    };
    auto read = [&](ScopeFile& file) { return readScopeFile(path, file) == ScopeFileStatus::Ok; };

    // A U/Div beyond 32 bits is reported as one that is no number and stored as 0; the
    // others are saved as they are, a leading blank in a number field as elsewhere.
    p->channelUDiv(1)->ChangeValue("5000000000");
    p->channelUDiv(2)->ChangeValue("-2147483648");
    p->channelUDiv(3)->ChangeValue("2147483647");
    p->stepField(0)->ChangeValue(" 5");
    save(path);
    ASSERT_EQ(recordedDialogs().boxes.size(), 1u);
    EXPECT_EQ(recordedDialogs().boxes[0].text, "Wrong value for U/Div value 1!");
    ScopeFile file;
    ASSERT_TRUE(read(file));
    EXPECT_EQ(file.settings.uDiv[0], 20000);
    EXPECT_EQ(file.settings.uDiv[1], 0);
    EXPECT_EQ(file.settings.uDiv[2], INT32_MIN);
    EXPECT_EQ(file.settings.uDiv[3], INT32_MAX);
    EXPECT_EQ(file.settings.stepValue1, 5);
    // Opened again, the largest number comes back as it was typed.
    p->channelUDiv(3)->ChangeValue("600");
    recordedDialogs().clear();
    recordedDialogs().fileAnswers.push_back(path);
    click(p->openButton());
    EXPECT_TRUE(recordedDialogs().boxes.empty());
    EXPECT_EQ(p->channelUDiv(3)->GetValue(), "2147483647");
    p->channelUDiv(1)->ChangeValue("20000");

    // A Pos, a trigger level or a step value beyond 32 bits stops the save as a text that
    // is no number does; the file saved before stays.
    struct Case { wxTextCtrl* field; const char* message; };
    const Case cases[] = {{p->channelPos(3), "Pos channel 3: wrong input (not a number)!"},
                          {p->triggerLevel(), "Trigger Level: Invalid entry (not a number)!"},
                          {p->stepField(1), "Wrong value for step time 1!"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        const wxString before = c.field->GetValue();
        c.field->ChangeValue("-2147483649");
        save(path);
        ASSERT_EQ(recordedDialogs().boxes.size(), 1u);
        EXPECT_EQ(recordedDialogs().boxes[0].text, c.message);
        ASSERT_TRUE(read(file));
        EXPECT_EQ(file.settings.uDiv[1], 0);
        c.field->ChangeValue(before);
    }

    // A file that cannot be made there says so; the message for a failed write is another.
    for (const std::string& nowhere : {home + "/no-such-folder/x.vof", home}) {
        save(nowhere);
        ASSERT_EQ(recordedDialogs().boxes.size(), 1u) << nowhere;
        EXPECT_EQ(recordedDialogs().boxes[0].text, "Unable to open file '" + nowhere + "' for writing!");
    }
}

TEST_F(ScopePageTest, ACaptureSavedUnderATypedNameGetsTheFileExtension) {
    useEnglish();
    makeFrame();
    recordedDialogs().fileAnswers.push_back(home + "/run1");
    click(page()->saveButton());
    EXPECT_TRUE(recordedDialogs().boxes.empty());
    EXPECT_FALSE(wxFileExists(home + "/run1"));
    ScopeFile file;
    EXPECT_EQ(readScopeFile(home + "/run1.vof", file), ScopeFileStatus::Ok);
    EXPECT_EQ(getOscilloscopeDataFilename(), "run1.vof");

    // Replacing the completed file is asked in the catalogue's words; No keeps it.
    std::ofstream(home + "/run1.vof") << "kept";
    recordedDialogs().clear();
    recordedDialogs().fileAnswers.push_back(home + "/run1");
    recordedDialogs().boxAnswers.push_back(wxNO);
    click(page()->saveButton());
    ASSERT_EQ(recordedDialogs().boxes.size(), 1u);
    EXPECT_EQ(recordedDialogs().boxes[0].text,
              "The file '" + home + "/run1.vof' already exists.\nDo you want to replace it?");
    EXPECT_EQ(recordedDialogs().boxes[0].caption, "Save Oscilloscope File");
    EXPECT_NE(readScopeFile(home + "/run1.vof", file), ScopeFileStatus::Ok);
}

TEST_F(ScopePageTest, DefaultChannelTextsAreRegisterListEntriesInEveryLanguage) {
    addCatalogueLookupPrefixes();
    const char* defaults[] = {"N cmd Ramp", "N actual", "I cmd Ramp", "I actual", "I_Run (Frg.)", "DC-BUS", "Vout"};
    for (wxLanguage language : {wxLANGUAGE_GERMAN, wxLANGUAGE_FRENCH, wxLANGUAGE_ENGLISH}) {
        ASSERT_TRUE(loadCatalogue(language));
        const RegisterChoiceTable table = buildRegisterChoiceTable([](const wxString& key) { return translate(key); });
        for (const char* key : defaults) {
            const wxString text = translate(key);
            EXPECT_NE(text, key) << key << " untranslated in " << language;
            bool found = false;
            for (const auto& entry : table) found = found || (!entry.name.empty() && entry.name == text);
            EXPECT_TRUE(found) << key << " -> " << text << " is not in the register list (" << language << ")";
        }
    }
}

TEST_F(ScopePageTest, CaptureFileAndStepTestOnline) {
    useEnglish();
    makeFrame();
    goOnline();
    OscilloscopePage* p = page();
    EXPECT_TRUE(p->captureButton()->IsEnabled());
    p->setDigitalSpeedMode(0);  // the Settings page's servo command is not digital speed
    EXPECT_FALSE(p->stepButton()->IsEnabled());

    // A single shot of the two speed channels only.
    for (int n = 2; n < 8; ++n) pick(p->channelSignal(n), p->channelSignal(n)->GetString(0));
    pick(p->triggerRun(), "Single");
    EXPECT_TRUE(p->singleShot());
    pick(p->triggerBuffer(), "250");
    pick(p->triggerOn(), "Chan 2");
    const int arms = engine->armCount();
    click(p->captureButton());
    EXPECT_TRUE(p->isCapturing());
    EXPECT_FALSE(p->channelSignal(0)->IsEnabled());
    ASSERT_TRUE(pumpUntil([&] { return !p->isCapturing(); }, 10000));
    EXPECT_EQ(p->captureStatus()->GetLabel(), " idle");
    EXPECT_EQ(p->captureButton()->GetLabel(), "Start capture");
    EXPECT_TRUE(p->channelSignal(0)->IsEnabled());
    // Armed twice by the page, once more after the read-out (taken by the drive in its time).
    ASSERT_TRUE(pumpUntil([&] { return engine->armCount() >= arms + 3; }));
    const ScopeCapture shown = p->capture();
    ASSERT_GE(shown.sampleCount, 250u);
    EXPECT_EQ(shown.channelCount, 2u);
    const std::vector<int16_t> buffer = engine->previousBuffer();
    ASSERT_GE(buffer.size(), shown.sampleCount);
    for (uint32_t i = 0; i < shown.sampleCount; ++i) ASSERT_EQ(shown.samples[i], buffer[i]) << i;
    EXPECT_TRUE(recordedDialogs().boxes.empty());

    // A channel changed after the capture does not change what the capture holds.
    pick(p->channelSignal(0), p->channelSignal(0)->GetString(0));
    EXPECT_EQ(p->capture().channelRegisters[0], 0x32u);

    // Saved and read back: the same samples; loading online with other scales warns.
    const std::string path = home + "/capture.vof";
    recordedDialogs().fileAnswers.push_back(path);
    click(p->saveButton());
    ASSERT_TRUE(std::ifstream(path).good());
    EXPECT_TRUE(recordedDialogs().boxes.empty());
    drive->setReg(0xCE, 1234);
    p->readFromDrive(false);
    recordedDialogs().fileAnswers.push_back(path);
    click(p->openButton());
    ASSERT_EQ(recordedDialogs().boxes.size(), 1u);
    EXPECT_EQ(recordedDialogs().boxes[0].caption, "Warning");
    EXPECT_TRUE(recordedDialogs().sawBox("offline")) << recordedDialogs().boxes[0].text;
    ASSERT_EQ(p->capture().sampleCount, shown.sampleCount);
    ASSERT_GE(p->capture().samples.size(), shown.sampleCount);
    EXPECT_EQ(p->capture().samples[shown.sampleCount - 1], shown.samples[shown.sampleCount - 1]);
    EXPECT_EQ(selectedData(p->channelSignal(0)), 0x32);
    EXPECT_EQ(p->scales().speedScale, 1234);

    // The step test: enabled with digital speed, refused with a bad time.
    p->setDigitalSpeedMode(1);
    EXPECT_TRUE(p->stepButton()->IsEnabled());
    recordedDialogs().clear();
    p->stepField(1)->ChangeValue("-1");
    click(p->stepButton());
    EXPECT_FALSE(p->isStepRunning());
    EXPECT_TRUE(recordedDialogs().sawBox("Wrong value for step time 1!"));
    // A blank before the number, as the file's fields take it, is no fault here either.
    for (int i : {1, 3, 5}) p->stepField(i)->ChangeValue(" 5");
    recordedDialogs().clear();

    auto lastStepWriteIsZero = [&](uint32_t reg) {
        const auto w = writesTo(reg);
        return !w.empty() && w.back().value == 0;
    };
    // Stopped by the button, by the enable bit, by going offline: the last write is 0.
    struct Stop { const char* how; uint32_t reg; };
    for (const Stop& stop : {Stop{"button", 0x31}, Stop{"enable bit", 0x6E}}) {
        SCOPED_TRACE(stop.how);
        pick(p->stepType(), stop.reg == 0x31 ? "Speed" : "Position");
        drive->clearFrames();
        drive->setReg(kRegStatus, 1);
        click(p->stepButton());
        ASSERT_TRUE(p->isStepRunning());
        EXPECT_FALSE(p->stepType()->IsEnabled());
        ASSERT_TRUE(pumpUntil([&] { return writesTo(stop.reg).size() >= 4; }));
        if (std::string(stop.how) == "button") {
            click(p->stepButton());
        } else {
            drive->setReg(kRegStatus, 0);
            p->cyclicUpdate(false);
            pumpFor(50);
            EXPECT_FALSE(p->stepButton()->IsEnabled());
        }
        EXPECT_FALSE(p->isStepRunning());
        EXPECT_EQ(p->stepButton()->GetLabel(), "Start");
        EXPECT_TRUE(p->stepType()->IsEnabled());
        EXPECT_TRUE(pumpUntil([&] { return lastStepWriteIsZero(stop.reg); }, 2000));
    }
    EXPECT_TRUE(recordedDialogs().boxes.empty()) << recordedDialogs().boxes[0].text;

    // Closing the frame during a capture and a step test ends at once with the motor at 0.
    drive->setReg(kRegStatus, 1);
    p->cyclicUpdate(false);
    pumpFor(20);
    pick(p->triggerRun(), "Normal");
    ASSERT_NO_FATAL_FAILURE(startHeldStep("Speed", 0x31));
    click(p->captureButton());
    ASSERT_TRUE(p->isCapturing());
    const auto start = std::chrono::steady_clock::now();
    closeFrame();
    EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count(),
              3000);
    EXPECT_TRUE(pumpUntil([&] { return lastStepWriteIsZero(0x31); }, 2000));
}

// The cursor read-out's rpm follow the drive's rpm for raw 32767 (0xCE), which the drive
// derives from the motor's maximum speed (0x59) as well as from its own (0xC8).
TEST_F(ScopePageTest, TheSpeedScaleFollowsBothMaximumSpeeds) {
    makeFrame();
    goOnline();
    OscilloscopePage* p = page();
    ASSERT_TRUE(pumpUntil([&] { return p->scales().speedScale == 3000; }));

    // The motor's maximum on the Settings page: the drive makes 0xCE min(0xC8, 0x59 * 10 / 8).
    enter(frame->settingsPage(), 0x59, "1600");
    ASSERT_EQ(drive->reg(0xCE), 2000u);
    EXPECT_TRUE(pumpUntil([&] { return p->scales().speedScale == 2000; })) << p->scales().speedScale;

    // The drive's maximum in the page's own parameter field.
    enter(p, 0xC8, "1000");
    ASSERT_EQ(drive->reg(0xCE), 1000u);
    EXPECT_TRUE(pumpUntil([&] { return p->scales().speedScale == 1000; })) << p->scales().speedScale;
    EXPECT_TRUE(recordedDialogs().boxes.empty()) << recordedDialogs().boxes.front().text;
}

TEST_F(ScopePageTest, SerialBootEndsAStepTestWithItsZeroBeforeTheBootCommand) {
    makeFrame();
    goOnline();
    OscilloscopePage* p = page();
    ASSERT_NO_FATAL_FAILURE(startHeldStep("Speed", 0x31));
    chooseMenuItem(frame, kIdSerialBoot);
    EXPECT_FALSE(p->isStepRunning());
    ASSERT_TRUE(pumpUntil([&] { return !writesTo(kRegSerialBoot).empty(); }));
    // The drive leaves the link with the boot command: the 0 must be on the wire before it.
    std::vector<std::pair<uint32_t, uint32_t>> writes;
    for (const auto& f : drive->frames())
        if (!f.isRead) writes.emplace_back(f.reg, f.value);
    ASSERT_GE(writes.size(), 2u);
    EXPECT_EQ(writes.back(), std::make_pair(uint32_t(kRegSerialBoot), 0u));
    EXPECT_EQ(writes[writes.size() - 2], std::make_pair(0x31u, 0u)) << "the step register keeps its last value";
}

TEST_F(ScopePageTest, GoingOnlineWithEveryChannelOffOffersNoCapture) {
    useEnglish();
    makeFrame();
    OscilloscopePage* p = page();
    for (int n = 0; n < 8; ++n) pickByClientData(p->channelSignal(n), 0);
    goOnline();
    EXPECT_FALSE(p->captureButton()->IsEnabled());
    pickByClientData(p->channelSignal(3), 0x30);
    EXPECT_TRUE(p->captureButton()->IsEnabled());
}

TEST_F(ScopePageTest, ATestCommandOfTheStatusPanelDuringAStepTestIsTheLastWriteOfItsRegister) {
    makeFrame();
    goOnline();
    OscilloscopePage* p = page();
    DriveStatusBar* panel = frame->driveStatusBar();
    // The command goes to the register the step test drives: the step's closing 0 must
    // reach the drive before it, or the motor is sent back to 0 right after the command.
    struct Row { const char* type; uint32_t reg; wxButton* button; uint32_t value; };
    // The woken step thread would win the race for the register on its own: it is held
    // before its 0 until the command has reached the drive (or a second has passed), so
    // that only waiting for the 0 puts the command last.
    std::atomic<uint32_t> command{0};
    setStepClosingHook([&](uint32_t reg) {
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(1);
        auto arrived = [&] {
            for (const auto& f : writesTo(reg))
                if (f.value == command.load()) return true;
            return false;
        };
        while (!arrived() && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    });
    struct Unhook {
        ~Unhook() { setStepClosingHook(nullptr); }
    } unhook;
    for (const Row& row : {Row{"Speed", 0x31, panel->testPlusButton(), 500},
                           Row{"Position", 0x6E, panel->testDestButton(), 12345}}) {
        SCOPED_TRACE(row.type);
        command = row.value;
        panel->testSpeedField()->ChangeValue("500");
        panel->testPositionField()->ChangeValue("12345");
        ASSERT_NO_FATAL_FAILURE(startHeldStep(row.type, row.reg));
        click(row.button);
        EXPECT_FALSE(p->isStepRunning());
        auto sawBoth = [&] {
            bool zero = false, command = false;
            for (const auto& f : writesTo(row.reg)) {
                zero = zero || f.value == 0;
                command = command || f.value == row.value;
            }
            return zero && command;
        };
        ASSERT_TRUE(pumpUntil(sawBoth, 3000));
        EXPECT_EQ(writesTo(row.reg).back().value, row.value);
        EXPECT_EQ(drive->reg(row.reg), row.value);
    }
    EXPECT_TRUE(recordedDialogs().boxes.empty());
}

TEST_F(ScopePageTest, BadReadOutsKeepTheShownCaptureAndGoingOfflineStopsEverything) {
    useEnglish();
    makeFrame();
    goOnline();
    OscilloscopePage* p = page();
    for (int n = 1; n < 8; ++n) pick(p->channelSignal(n), p->channelSignal(n)->GetString(0));
    pick(p->triggerRun(), "Single");
    pick(p->triggerBuffer(), "500");
    click(p->captureButton());
    ASSERT_TRUE(pumpUntil([&] { return !p->isCapturing(); }, 10000));
    const ScopeCapture first = p->capture();
    ASSERT_GE(first.sampleCount, 500u);
    EXPECT_EQ(first.channelCount, 1u);

    // A count the buffer cannot hold, and a block without answer: the message, the idle
    // state, and the capture shown before stays as it was.
    struct Bad { std::optional<uint16_t> count; int failBlock; const char* message; };
    for (const Bad& bad : {Bad{6000, -1, "capture buffer"}, Bad{0x9000, -1, "capture buffer"},
                           Bad{std::nullopt, 1, "Error reading 50 values!"}}) {
        SCOPED_TRACE(bad.message);
        recordedDialogs().clear();
        engine->setReportedCount(bad.count);
        engine->failBlock(bad.failBlock);
        click(p->captureButton());
        ASSERT_TRUE(pumpUntil([&] { return !p->isCapturing(); }, 10000));
        pumpFor(20);
        EXPECT_TRUE(recordedDialogs().sawBox(bad.message));
        EXPECT_EQ(p->captureStatus()->GetLabel(), " idle");
        EXPECT_TRUE(p->channelSignal(0)->IsEnabled());
        EXPECT_EQ(p->capture().sampleCount, first.sampleCount);
        EXPECT_EQ(p->capture().samples, first.samples);
        engine->setReportedCount(std::nullopt);
    }

    // A U/Div typed without Enter that is no number: the mouse over the canvas, a scroll
    // and a Trigger On pick compute silently. The read-out is what it was with a good
    // U/Div, and the marker hides.
    recordedDialogs().clear();
    pick(p->triggerOn(), "Chan 1");
    ASSERT_TRUE(p->triggerMarker()->IsShown());
    auto moveMouse = [&] {
        wxMouseEvent motion(wxEVT_MOTION);
        motion.SetPosition(wxPoint(60, 100));
        p->canvas()->ProcessWindowEvent(motion);
    };
    moveMouse();
    const wxString goodReadout = p->channelReadout(0)->GetLabel();
    ASSERT_NE(goodReadout, " -");
    for (const char* bad : {"2O000", "20000x"}) {
        SCOPED_TRACE(bad);
        p->channelUDiv(0)->ChangeValue(bad);
        moveMouse();
        EXPECT_EQ(p->channelReadout(0)->GetLabel(), goodReadout);
        wxScrollWinEvent scroll(wxEVT_SCROLLWIN_LINEDOWN, 0, wxVERTICAL);
        p->canvas()->ProcessWindowEvent(scroll);
        pumpFor(30);
        EXPECT_FALSE(p->triggerMarker()->IsShown());
        pick(p->triggerOn(), "Chan 1");
        EXPECT_FALSE(p->triggerMarker()->IsShown());
        for (const auto& box : recordedDialogs().boxes) ADD_FAILURE() << box.text;
        recordedDialogs().clear();
    }
    p->channelUDiv(0)->ChangeValue("20000");
    pick(p->triggerOn(), "Chan 1");
    EXPECT_TRUE(p->triggerMarker()->IsShown());

    // Stop pressed once the drive has been read out, before the page has handled the
    // thread's reports: the capture read completely is shown all the same.
    pick(p->triggerBuffer(), "1000");
    pick(p->channelSignal(0), p->channelSignal(0)->GetString(findChoiceByClientData(p->channelSignal(0), 0x20)));
    const int arms = engine->armCount();
    click(p->captureButton());
    ASSERT_TRUE(p->isCapturing());
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    // (No events handled meanwhile: the drive is armed again only after the read-out.)
    while (engine->armCount() < arms + 3 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_GE(engine->armCount(), arms + 3);
    click(p->captureButton());
    EXPECT_FALSE(p->isCapturing());
    pumpFor(50);
    EXPECT_EQ(p->captureStatus()->GetLabel(), " idle");
    const ScopeCapture stopped = p->capture();
    EXPECT_EQ(stopped.channelRegisters[0], 0x20u) << "the capture read before the stop was dropped";
    ASSERT_GE(stopped.sampleCount, 1000u);
    const std::vector<int16_t> stoppedBuffer = engine->previousBuffer();
    ASSERT_GE(stoppedBuffer.size(), stopped.sampleCount);
    for (uint32_t i = 0; i < stopped.sampleCount; ++i) ASSERT_EQ(stopped.samples[i], stoppedBuffer[i]) << i;
    EXPECT_TRUE(recordedDialogs().boxes.empty());

    // Stopping a waiting capture: no request after the stop.
    recordedDialogs().clear();
    pick(p->triggerRun(), "Normal");
    p->triggerLevel()->ChangeValue("30000");  // the sine never gets there
    pick(p->triggerEdge(), "> Lev");
    pick(p->triggerOn(), "Chan 2");
    click(p->captureButton());
    ASSERT_TRUE(pumpUntil([&] { return p->captureStatus()->GetLabel().StartsWith(" waiting"); }));
    click(p->captureButton());
    EXPECT_FALSE(p->isCapturing());
    EXPECT_EQ(p->captureButton()->GetLabel(), "Start capture");
    // (The frame's own threads go on reading; the capture register must fall silent.)
    const size_t requests = writesTo(0x17).size();
    pumpFor(400);
    EXPECT_EQ(writesTo(0x17).size(), requests);
    EXPECT_EQ(p->captureStatus()->GetLabel(), " idle") << "a late report of the stopped capture";

    // A file saved now carries the drive's scales of this moment.
    drive->setReg(0xCE, 2500);
    ASSERT_TRUE(p->readFromDrive(false));
    const std::string path = home + "/scales.vof";
    recordedDialogs().fileAnswers.push_back(path);
    click(p->saveButton());
    ASSERT_TRUE(std::ifstream(path).good());

    // Stopped while the thread's reports wait to be handled: once handled, none of them
    // shows; the page is idle.
    click(p->captureButton());
    ASSERT_TRUE(p->isCapturing());
    const size_t asked = writesTo(0x17).size();
    const auto start = std::chrono::steady_clock::now();
    auto reportedAWhile = [&] {
        return std::chrono::steady_clock::now() - start >= std::chrono::milliseconds(700) &&
               writesTo(0x17).size() >= asked + 3;
    };
    while (!reportedAWhile() && std::chrono::steady_clock::now() - start < std::chrono::seconds(10))
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_TRUE(reportedAWhile());
    click(p->captureButton());
    pumpFor(100);
    EXPECT_EQ(p->captureStatus()->GetLabel(), " idle");
    EXPECT_EQ(p->captureStatus()->GetForegroundColour(), *wxBLACK);
    EXPECT_EQ(p->captureButton()->GetLabel(), "Start capture");
    EXPECT_TRUE(p->channelSignal(0)->IsEnabled());

    // Going offline during a step test on the 32-bit position register: its last write is
    // a 32-bit 0 before the link closes, and nothing is left enabled.
    p->setDigitalSpeedMode(1);
    ASSERT_NO_FATAL_FAILURE(startHeldStep("Position", 0x6E));
    click(p->captureButton());
    chooseMenuItem(frame, kIdOffline);
    EXPECT_FALSE(frame->connection().isOnline());
    EXPECT_FALSE(p->isStepRunning());
    EXPECT_FALSE(p->isCapturing());
    EXPECT_FALSE(p->stepButton()->IsEnabled());
    EXPECT_FALSE(p->captureButton()->IsEnabled());
    ASSERT_TRUE(drive->waitForFrames(2));
    const auto w = writesTo(0x6E);
    ASSERT_EQ(w.size(), 2u);
    EXPECT_EQ(w[0].value, 15000u);
    EXPECT_EQ(w[1].value, 0u);
    EXPECT_EQ(w[1].raw.size(), w[0].raw.size());
    for (const auto& box : recordedDialogs().boxes) ADD_FAILURE() << box.text;

    // Offline, a file's own scales are taken (no warning), so its read-out shows the
    // units of the time of saving.
    drive->setReg(0xCE, 1000);
    recordedDialogs().clear();
    recordedDialogs().fileAnswers.push_back(path);
    click(p->openButton());
    EXPECT_TRUE(recordedDialogs().boxes.empty());
    EXPECT_EQ(p->scales().speedScale, 2500);
    EXPECT_EQ(p->capture().sampleCount, stopped.sampleCount);

    // Showing a register file: no capture and no step test.
    p->setDigitalSpeedMode(1);
    frame->connection().loadOfflineImage({}, {});
    p->setOnline(true);
    EXPECT_FALSE(p->captureButton()->IsEnabled());
    EXPECT_FALSE(p->stepButton()->IsEnabled());
    frame->connection().disconnectDrive();
    p->setOnline(false);

    // A late enable report of the old link enables nothing.
    wxCommandEvent late(DriveEnableStateEvent, 0);
    late.SetInt(1);
    late.SetExtraLong(0);
    p->GetEventHandler()->ProcessEvent(late);
    EXPECT_FALSE(p->stepButton()->IsEnabled());
}

}  // namespace
}  // namespace torvex::test
