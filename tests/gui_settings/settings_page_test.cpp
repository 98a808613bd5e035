// The Settings page against the simulated drive: what going online shows, entries in
// plain, half and scaled fields, the choice boxes and option-bit pairs, the EEPROM
// parameter sets and the buttons' online state.
#include <wx/checkbox.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <set>

#include "link/register_file.h"
#include "pages/position_page.h"
#include "pages/scope/oscilloscope_page.h"
#include "services/ui_seam.h"
#include "tests/gui_settings/settings_fixture.h"
#include "widgets/events.h"
#include "widgets/register_display.h"
#include "widgets/register_text_edit.h"
#include "widgets/scaled_fields.h"

namespace torvex::test {
namespace {

using Clock = std::chrono::steady_clock;

RegisterDisplay* readout(SettingsPage* page, int reg, int index = 0) {
    for (size_t i = 0; i < page->tableRows().size(); ++i)
        if (page->tableRows()[i].kind == RowKind::Display && page->tableRows()[i].reg == reg && index-- == 0)
            return static_cast<RegisterDisplay*>(page->tableControls()[i]);
    return nullptr;
}

TEST_F(SettingsTest, OnlineShowsEveryKindOfField) {
    useLanguage(wxLANGUAGE_ENGLISH);
    makeFrame();
    startValues = {{0x05, 125},        {0xA5, 0x7FFF0CCC}, {0xCE, 3000},   {0x76, 16384},      {0x77, uint32_t(-16384)},
                   {0x72, 12345},      {0x7C, 10000},      {0x67, 0x1203}, {0xC4, 0x3FFF},     {0xC5, 0x3FFF},
                   {0xC6, 20},         {0xCF, 4321},       {0x5A, 0x100},  {0xA4, 0x4042},     {0x36, 0x2322},
                   {0x44, 37},         {0xF8, 0x31305841}};
    goOnline();
    SettingsPage* settings = page();

    EXPECT_EQ(field(0x05)->GetValue(), "12.5");
    EXPECT_EQ(field(0x44)->GetValue(), "4") << "scale 10 without decimals";
    EXPECT_EQ(field(0xA5, 2)->GetValue(), "100");
    EXPECT_EQ(field(0xA5, 1)->GetValue(), "10");
    EXPECT_EQ(field(0x76)->GetValue(), "1500");
    EXPECT_EQ(field(0x77)->GetValue(), "-1500") << "the speed registers are signed";
    EXPECT_EQ(field(0x72)->GetValue(), "1234.500");
    EXPECT_EQ(field(0x7C)->GetValue(), "10000");
    EXPECT_EQ(settings->axisNameEdit->GetValue(), "AX01");
    EXPECT_EQ(settings->servoTypeDisplay->GetValue(), wxGetTranslation("Servo Type 3"));
    EXPECT_NE(settings->servoTypeDisplay->GetValue(), "unknown");
    EXPECT_EQ(settings->imaxDisplay->GetValue(), "4.2");
    EXPECT_EQ(settings->icontDisplay->GetValue(), "2.0");
    EXPECT_EQ(settings->incOutFactorChoice->GetValue(), "8");
    EXPECT_EQ(settings->motorFeedback2Choice->GetValue(), wxGetTranslation("INC-OUT"));
    EXPECT_EQ(settings->servoCommandChoice->GetValue(), wxGetTranslation("Analog Speed"));
    EXPECT_EQ(settings->ain1ModeChoice->GetValue(), "4...20mA");
    EXPECT_EQ(settings->ain2ModeChoice->GetValue(), "Off");
    EXPECT_TRUE(settings->isPressed(settings->directionCcwButton));
    EXPECT_FALSE(settings->isPressed(settings->directionCwButton));
    EXPECT_TRUE(settings->isPressed(settings->brakeOffButton));
    EXPECT_EQ(settings->directionCcwButton->GetBackgroundColour(), SettingsPage::pressedColour());
    EXPECT_EQ(settings->directionCwButton->GetBackgroundColour(), SettingsPage::releasedColour());
    EXPECT_TRUE(settings->loadButton->IsEnabled());
    EXPECT_TRUE(recordedDialogs().boxes.empty()) << boxTexts()[0];

    // 0xCF is 16 bits wide: both read-outs show it whole, filled by the cyclic update.
    showSettings();
    EXPECT_TRUE(pumpUntil([&] { return readout(settings, 0xCF, 0)->GetValue() == "4321"; }, 4000));
    EXPECT_TRUE(pumpUntil([&] { return readout(settings, 0xCF, 1)->GetValue() == "4321"; }, 4000));

    // Reading everything: the servo type, the command source, then the choices' registers
    // with the Inc-Out factor (motor options 0xA4) ninth, before the analog output.
    drive->clearFrames();
    ASSERT_TRUE(settings->readFromDrive(false));
    std::vector<std::string> choiceReads;
    bool fromServoType = false;
    for (const auto& frame : drive->frames()) {
        if (!frame.isRead) continue;
        fromServoType = fromServoType || frame.reg == 0x67;
        if (fromServoType && std::set<uint32_t>{0x67, 0x36, 0x5A, 0xA4, 0x0F, 0xDC}.count(frame.reg)) {
            char name[8];
            std::snprintf(name, sizeof name, "%02x", frame.reg);
            choiceReads.push_back(name);
        }
        if (frame.reg == 0xDC) break;
    }
    EXPECT_EQ(choiceReads, (std::vector<std::string>{"67", "36", "5a", "a4", "a4", "5a", "0f", "0f", "36", "36",
                                                     "a4", "dc"}));

    // An unknown servo type shows "unknown".
    drive->setReg(0x67, 0x12FE);
    ASSERT_TRUE(settings->readServoType());
    EXPECT_EQ(settings->servoTypeDisplay->GetValue(), "unknown");
}

TEST_F(SettingsTest, EntriesFollowTheirFieldsRules) {
    makeFrame();
    startValues = {{0xA5, 0x7FFF0CCC}, {0xCE, 3000}, {0x76, 0}, {0x72, 12345}, {0x7C, 10000}};
    goOnline();
    SettingsPage* settings = page();
    recordedDialogs().clear();

    // A half keeps the other half.
    enter(field(0xA5, 1), "50");
    EXPECT_EQ(drive->reg(0xA5), 0x7FFF3FFFu);

    // Speed in rpm: written raw, shown back without a warning.
    enter(field(0x76), "1500");
    EXPECT_EQ(drive->reg(0x76), 16384u);
    EXPECT_EQ(field(0x76)->GetValue(), "1500");
    enter(field(0x76), "7");
    EXPECT_EQ(drive->reg(0x76), 76u);
    EXPECT_EQ(field(0x76)->GetValue(), "7");
    EXPECT_TRUE(recordedDialogs().boxes.empty()) << boxTexts()[0];

    // Position in units: -1 is ten raw units below zero.
    enter(field(0x72), "-1");
    EXPECT_EQ(drive->reg(0x72), uint32_t(-10));
    EXPECT_EQ(field(0x72)->GetValue(), "-1.000");
    EXPECT_TRUE(recordedDialogs().boxes.empty()) << boxTexts()[0];

    // A drive that clamps the speed: the entered and the kept value are reported.
    drive->setWriteFilter([](uint32_t reg, uint32_t value) { return reg == 0x76 ? std::min(value, 8192u) : value; });
    enter(field(0x76), "1500");
    EXPECT_EQ(field(0x76)->GetValue(), "750");
    ASSERT_EQ(recordedDialogs().boxes.size(), 1u);
    EXPECT_EQ(recordedDialogs().boxes[0].text, "Value changed by the Drive (1500 -> 750)!");
    drive->setWriteFilter(nullptr);
    recordedDialogs().clear();

    // Bad texts write nothing and bring the old text back.
    drive->clearFrames();
    for (const char* text : {"12a", "1e400", "nan", "inf", "1,5", "123456789012345678901234567890"}) {
        enter(field(0x76), text);
        EXPECT_EQ(field(0x76)->GetValue(), "750") << text;
    }
    EXPECT_EQ(writesTo(0x76), 0);
    EXPECT_EQ(recordedDialogs().boxes.size(), 6u);
    recordedDialogs().clear();

    // No speed scale: nothing is written, the message names the register.
    drive->setReg(0xCE, 0);
    ASSERT_TRUE(settings->readFromDrive(false));
    drive->clearFrames();
    enter(field(0x76), "100");
    EXPECT_EQ(writesTo(0x76), 0);
    ASSERT_EQ(recordedDialogs().boxes.size(), 1u);
    EXPECT_NE(recordedDialogs().boxes[0].text.find("0xce"), std::string::npos) << recordedDialogs().boxes[0].text;
    recordedDialogs().clear();

    // Up at 1500 rpm steps to 1501 rpm.
    drive->setReg(0xCE, 3000);
    drive->setReg(0x76, 16384);
    ASSERT_TRUE(settings->readFromDrive(false));
    focusArrives(field(0x76));
    click(settings->upButton());
    EXPECT_EQ(drive->reg(0x76), 16394u);
    EXPECT_EQ(field(0x76)->GetValue(), "1501");
    // A position with decimals is not stepped.
    focusArrives(field(0x72));
    drive->clearFrames();
    click(settings->downButton());
    EXPECT_EQ(writesTo(0x72), 0);
    EXPECT_TRUE(recordedDialogs().boxes.empty()) << boxTexts()[0];

    // A new position scale from the TX-Scale field: the offset is shown again with it.
    drive->setReg(0x72, 12345);
    enter(field(0x7C), "1000");
    EXPECT_EQ(drive->reg(0x7C), 1000u);
    EXPECT_TRUE(pumpUntil([&] { return field(0x72)->GetValue() == "12345.000"; }, 2000)) << field(0x72)->GetValue();
    EXPECT_EQ(settings->positionScale(), 1000);

    // A new maximum speed: the speed fields show rpm of the new scale.
    // (The drive derives its maximum speed register from 0xC8 and 0x59 itself.)
    enter(field(0xC8), "6000");
    ASSERT_NE(drive->reg(0xCE), 3000u);
    const wxString expected = speedText(int(drive->reg(0xCE)), 16394);
    EXPECT_TRUE(pumpUntil([&] { return field(0x76)->GetValue() == expected; }, 2000))
        << field(0x76)->GetValue() << " " << expected;
    EXPECT_EQ(settings->speedScale(), int(drive->reg(0xCE)));
    EXPECT_TRUE(recordedDialogs().boxes.empty()) << boxTexts()[0];
}

// A read-all that fails half-way keeps the scales the fields are shown in: an entry then
// still means position units, not a raw count.
TEST_F(SettingsTest, AReadAllThatFailsKeepsTheScalesTheFieldsShow) {
    makeFrame();
    startValues = {{0xCE, 3000}, {0x72, 12345}, {0x7C, 2000}};
    goOnline();
    SettingsPage* settings = page();
    ASSERT_TRUE(settings->readFromDrive(false));
    ASSERT_EQ(field(0x72)->GetValue(), "6172.500");
    frame->connection().transport().setTcpTimeouts(1000, 200);
    for (uint32_t silent : {0xCEu, 0xC6u, 0x7Cu}) {
        SCOPED_TRACE(silent);
        drive->setRegisterSilent(silent, true);
        EXPECT_FALSE(settings->readFromDrive(false));
        drive->setRegisterSilent(silent, false);
        EXPECT_EQ(settings->positionScale(), 2000);
        EXPECT_EQ(settings->speedScale(), 3000);
    }
    recordedDialogs().clear();
    enter(field(0x72), "100");
    EXPECT_EQ(drive->reg(0x72), 200u);
    EXPECT_EQ(field(0x72)->GetValue(), "100.000");
    EXPECT_TRUE(recordedDialogs().boxes.empty()) << boxTexts()[0];
}

// Leaving a field without typing writes nothing and tells no page anything: its text,
// delivered after a re-read queued before it, would put the old scale's rpm back.
TEST_F(SettingsTest, LeavingAnUnchangedFieldTellsNoPage) {
    makeFrame();
    startValues = {{0xCE, 3000}, {0x76, 16384}};
    goOnline();
    PositionPage* position = frame->positionPage();
    ASSERT_TRUE(page()->readFromDrive(false));
    ASSERT_TRUE(position->readFromDrive(false));
    ASSERT_EQ(field(0x76)->GetValue(), "1500");
    ASSERT_EQ(position->speedToField()->GetValue(), "1500");
    for (RegisterEdit* left : {field(0x76), position->speedToField()}) {
        wxFocusEvent leaving(wxEVT_KILL_FOCUS, left->GetId());
        leaving.SetEventObject(left);
        left->GetEventHandler()->ProcessEvent(leaving);
    }
    enter(field(0xC8), "6000");
    pumpFor(100);
    const wxString expected = speedText(int(drive->reg(0xCE)), 16384);
    ASSERT_NE(expected, "1500");
    EXPECT_EQ(field(0x76)->GetValue(), expected);
    EXPECT_EQ(position->speedToField()->GetValue(), expected);
    EXPECT_EQ(writesTo(0x76), 0);
}

TEST_F(SettingsTest, AScaledWriteTheDriveDoesNotConfirmShowsNoValueAnywhere) {
    makeFrame();
    startValues = {{0xCE, 3000}, {0x76, 16384}, {0x72, 12345}, {0x7C, 10000},
                   {0x67, 0x1203}, {0xC4, 0x3FFF}, {0xC5, 0x3FFF}};
    goOnline();
    PositionPage* position = frame->positionPage();
    ASSERT_TRUE(position->readFromDrive(false));
    frame->Bind(RegisterChangedEvent, [this](wxCommandEvent& event) {
        calls.push_back(std::to_string(event.GetInt()) + ":" + event.GetString().utf8_string());
        event.Skip();
    });
    const struct {
        int reg;
        const char* typed;
        uint32_t written;
        RegisterEdit* other;
    } cases[] = {{0x76, "1000", 10922, position->speedToField()}, {0x72, "1.5", 15, position->offsetField()}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reg);
        ASSERT_FALSE(c.other->GetValue().empty());
        recordedDialogs().clear();
        calls.clear();
        // The drive takes the value, then answers no more for that register.
        sim::SimDrive* silent = drive.get();
        const uint32_t reg = static_cast<uint32_t>(c.reg);
        drive->setWriteHook(reg, [silent, reg](uint32_t) { silent->setRegisterSilent(reg, true); });
        enter(field(c.reg), c.typed);
        EXPECT_EQ(drive->reg(reg), c.written);
        ASSERT_EQ(recordedDialogs().boxes.size(), 1u);
        EXPECT_EQ(recordedDialogs().boxes[0].text, wxString::Format("Fehler beim Lesen des Registers 0x%x!", c.reg));
        // Neither the old nor the typed text stays as if the drive held it, here or elsewhere.
        EXPECT_EQ(field(c.reg)->GetValue(), "");
        EXPECT_EQ(field(c.reg)->savedValue(), "");
        ASSERT_TRUE(pumpUntil([&] { return !calls.empty(); }, 2000));
        EXPECT_EQ(calls[0], std::to_string(c.reg) + ":");
        EXPECT_TRUE(pumpUntil([&] { return c.other->GetValue().empty(); }, 2000)) << c.other->GetValue();
        drive->setWriteHook(reg, nullptr);
        drive->setRegisterSilent(reg, false);
    }

    // The axis name likewise.
    recordedDialogs().clear();
    calls.clear();
    sim::SimDrive* silent = drive.get();
    drive->setWriteHook(kRegAxisName, [silent](uint32_t) { silent->setRegisterSilent(kRegAxisName, true); });
    enter(page()->axisNameEdit, "X1");
    EXPECT_EQ(drive->reg(kRegAxisName), 0x20203158u);
    EXPECT_EQ(recordedDialogs().boxes.size(), 1u);
    EXPECT_EQ(page()->axisNameEdit->GetValue(), "");
    ASSERT_TRUE(pumpUntil([&] { return !calls.empty(); }, 2000));
    EXPECT_EQ(calls[0], "248:");
    pumpFor(50);
    EXPECT_EQ(recordedDialogs().boxes.size(), 1u) << "the page's own re-read is skipped";
    drive->setWriteHook(kRegAxisName, nullptr);
    drive->setRegisterSilent(kRegAxisName, false);

    // The currents beside Imax and Icont come from their fields: unknown with them.
    for (const auto& [reg, current] : {std::pair{0xC4, page()->imaxDisplay}, std::pair{0xC5, page()->icontDisplay}}) {
        SCOPED_TRACE(reg);
        ASSERT_FALSE(current->GetValue().empty());
        recordedDialogs().clear();
        const uint32_t r = static_cast<uint32_t>(reg);
        drive->setWriteHook(r, [silent, r](uint32_t) { silent->setRegisterSilent(r, true); });
        enter(field(reg), "50");
        EXPECT_EQ(drive->reg(r), 8191u);  // percent of 0x3FFF
        EXPECT_EQ(recordedDialogs().boxes.size(), 1u);
        EXPECT_EQ(field(reg)->GetValue(), "");
        EXPECT_EQ(current->GetValue(), "");
        drive->setWriteHook(r, nullptr);
        drive->setRegisterSilent(r, false);
    }
}

// A write of the maximum speed whose read-back fails may still have changed the rpm that
// raw 32767 stands for: every page that converts rpm takes the drive's new value, so that
// an rpm typed next is written at the drive's scale. A scale that cannot be read changes none.
TEST_F(SettingsTest, AnUnconfirmedMaximumSpeedStillMovesEveryPagesSpeedScale) {
    makeFrame();
    // The drive keeps 0xCE = min(0xC8, 0x59 * 10 / 8): 6000 once 0xC8 is 6000.
    startValues = {{0xCE, 3000}, {0xC8, 3000}, {0x59, 8000}, {0x76, 0}, {0x77, 16384}};
    goOnline();
    PositionPage* position = frame->positionPage();
    OscilloscopePage* scope = frame->oscilloscopePage();
    ASSERT_EQ(field(0x77)->GetValue(), "1500");
    ASSERT_EQ(position->speedFromField()->GetValue(), "1500");
    ASSERT_EQ(page()->speedScale(), 3000);
    ASSERT_EQ(position->cycleState().speedScale.load(), 3000);
    ASSERT_EQ(scope->scales().speedScale, 3000);

    frame->connection().transport().setTcpTimeouts(1000, 200);
    sim::SimDrive* silent = drive.get();
    drive->setWriteHook(0xC8, [silent](uint32_t) { silent->setRegisterSilent(0xC8, true); });
    recordedDialogs().clear();
    enter(field(0xC8), "6000");
    ASSERT_EQ(drive->reg(0xCE), 6000u);
    EXPECT_EQ(field(0xC8)->GetValue(), "") << "the field's own read-back failed";
    EXPECT_TRUE(pumpUntil([&] {
        return page()->speedScale() == 6000 && position->cycleState().speedScale.load() == 6000 &&
               scope->scales().speedScale == 6000;
    }, 2000)) << page()->speedScale() << " " << position->cycleState().speedScale.load() << " "
              << scope->scales().speedScale;
    // The speed fields of both pages show their raw speeds in rpm of the new scale.
    EXPECT_EQ(field(0x77)->GetValue(), "3000");
    EXPECT_EQ(position->speedFromField()->GetValue(), "3000");
    drive->setWriteHook(0xC8, nullptr);
    drive->setRegisterSilent(0xC8, false);
    pumpFor(50);
    ASSERT_EQ(recordedDialogs().boxes.size(), 1u) << "only the read-back's own error";

    // 1500 rpm is now a quarter of the full raw speed, on either page.
    recordedDialogs().clear();
    enter(position->speedToField(), "1500");
    EXPECT_EQ(drive->reg(0x76), 8192u);
    enter(field(0x76), "3000");
    EXPECT_EQ(drive->reg(0x76), 16384u);
    EXPECT_TRUE(recordedDialogs().boxes.empty()) << boxTexts()[0];

    // A maximum speed after which the scale cannot be read: every page keeps the scale it
    // had, and an rpm typed next is still written at it.
    drive->setRegisterSilent(0xCE, true);
    enter(field(0xC8), "6000");
    EXPECT_EQ(drive->reg(0xC8), 6000u);
    pumpFor(100);
    drive->setRegisterSilent(0xCE, false);
    EXPECT_EQ(page()->speedScale(), 6000);
    EXPECT_EQ(position->cycleState().speedScale.load(), 6000);
    EXPECT_EQ(scope->scales().speedScale, 6000);
    enter(position->speedToField(), "1500");
    EXPECT_EQ(drive->reg(0x76), 8192u);
    enter(field(0x77), "-750");
    EXPECT_EQ(drive->reg(0x77), uint32_t(-4096) & 0xFFFFu);
    EXPECT_TRUE(recordedDialogs().boxes.empty()) << boxTexts()[0];
}

// The warning compares numbers at the field's resolution: a position finer than the raw
// count the drive keeps is rounded, and that is said; the same number printed the field's
// way is no change.
TEST_F(SettingsTest, AScaledEntryTheFieldRoundsIsReported) {
    makeFrame();
    startValues = {{0x7C, 1000}, {0x72, 0}};
    goOnline();
    recordedDialogs().clear();

    enter(field(0x72), "1.5");
    EXPECT_EQ(drive->reg(0x72), 2u);
    EXPECT_EQ(field(0x72)->GetValue(), "2.000");
    ASSERT_EQ(recordedDialogs().boxes.size(), 1u);
    EXPECT_EQ(recordedDialogs().boxes[0].text, "Value changed by the Drive (1.5 -> 2.000)!");
    EXPECT_EQ(recordedDialogs().boxes[0].caption, "Warning");

    recordedDialogs().clear();
    enter(field(0x72), "100");
    EXPECT_EQ(drive->reg(0x72), 100u);
    EXPECT_EQ(field(0x72)->GetValue(), "100.000");
    EXPECT_TRUE(recordedDialogs().boxes.empty()) << boxTexts()[0];
}

// A message box takes the focus from the field and runs its own event loop; the field's
// focus loss must not start a second commit inside it.
class FocusTakingBoxes : public RecordingDialogs {
public:
    int messageBox(const wxString& text, const wxString& caption, long style, wxWindow* parent) override {
        int answer = RecordingDialogs::messageBox(text, caption, style, parent);
        if (field && ++depth == 1) {
            wxFocusEvent kill(wxEVT_KILL_FOCUS, field->GetId());
            kill.SetEventObject(field);
            field->GetEventHandler()->ProcessEvent(kill);
            pumpFor(50);
        }
        --depth;
        return answer;
    }
    wxTextCtrl* field = nullptr;
    int depth = 0;
};

TEST_F(SettingsTest, AScaledCommitIsNotRepeatedFromInsideItsOwnBox) {
    makeFrame();
    startValues = {{0xCE, 3000}, {0x76, 0}, {0x72, 0}, {0x7C, 1000}};
    goOnline();
    FocusTakingBoxes boxes;
    ui::DialogSeam* previous = ui::setDialogSeam(&boxes);
    for (int reg : {0x76, 0x72}) {
        boxes.clear();
        boxes.field = field(reg);
        drive->clearFrames();
        enter(field(reg), "12a");
        pumpFor(50);
        EXPECT_EQ(boxes.boxes.size(), 1u) << reg;
        EXPECT_EQ(writesTo(reg), 0) << reg;
        EXPECT_EQ(field(reg)->GetValue(), reg == 0x72 ? "0.000" : "0") << reg;
    }
    // A drive keeping another value: one write, one warning.
    boxes.clear();
    boxes.field = field(0x76);
    drive->setWriteFilter([](uint32_t reg, uint32_t value) { return reg == 0x76 ? 100u : value; });
    drive->clearFrames();
    enter(field(0x76), "1500");
    pumpFor(50);
    EXPECT_EQ(writesTo(0x76), 1);
    EXPECT_EQ(boxes.boxes.size(), 1u);
    ui::setDialogSeam(previous);
}

TEST_F(SettingsTest, ChoicesAndOptionBitsWriteOnlyTheirBits) {
    useLanguage(wxLANGUAGE_ENGLISH);
    makeFrame();
    int digitalSpeed = -1;
    frame->Bind(DigitalSpeedEvent, [&digitalSpeed](wxCommandEvent& event) {
        digitalSpeed = event.GetInt();
        event.Skip();
    });
    startValues = {{0xA4, 0x4025}, {0x36, 0x2322}, {0x5A, 0}};
    goOnline();
    SettingsPage* settings = page();
    recordedDialogs().clear();
    drive->clearFrames();

    choose(settings->incOutFactorChoice, "16");
    EXPECT_EQ(drive->reg(0xA4), 0x0025u);

    // 0xA4 cannot be read: the other bits are unknown, so nothing is written and no box.
    drive->setRegisterSilent(0xA4, true);
    drive->clearFrames();
    choose(settings->incOutFactorChoice, "4");
    EXPECT_EQ(writesTo(0xA4), 0);
    EXPECT_EQ(drive->reg(0xA4), 0x0025u);
    EXPECT_TRUE(recordedDialogs().boxes.empty()) << boxTexts()[0];
    drive->setRegisterSilent(0xA4, false);

    choose(settings->ain1FormatChoice, wxGetTranslation("N limit"));
    EXPECT_EQ(framesOn(0x36), (std::vector<std::string>{"r", "wa320", "r"}));
    EXPECT_EQ(settings->ain1FormatChoice->GetValue(), wxGetTranslation("N limit"));
    EXPECT_EQ(settings->ain1ModeChoice->GetValue(), "4...20mA") << "the input modes stay";

    choose(settings->servoCommandChoice, wxGetTranslation("Digital Speed"));
    EXPECT_EQ(digitalSpeed, 1);
    EXPECT_EQ(drive->reg(0x36) & 0x3000, 0u);

    // The combined command reads back as its own item.
    drive->setReg(0x36, 0x1000);
    ASSERT_TRUE(settings->readServoCommand());
    EXPECT_EQ(settings->servoCommandChoice->GetValue(), wxGetTranslation("Digi+Ana Speed"));
    EXPECT_EQ(digitalSpeed, 0);
    // A pattern no item stands for leaves the box as it was.
    drive->setReg(0x36, 0x8000);
    ASSERT_TRUE(settings->readServoCommand());
    EXPECT_EQ(settings->ain1FormatChoice->GetValue(), wxGetTranslation("N limit"));
    drive->setReg(0x36, 0x0003);
    ASSERT_TRUE(settings->readServoCommand());
    EXPECT_EQ(settings->ain1FormatChoice->GetValue(), wxGetTranslation("sq(Cmd)"));
    drive->setReg(0x36, 0x8003);
    ASSERT_TRUE(settings->readServoCommand());
    EXPECT_EQ(settings->ain1FormatChoice->GetValue(), wxGetTranslation("sq(Cmd)"));
    // Changing Ain2 then writes Ain2 only: the Ain1 box shows no choice of the drive's.
    drive->clearFrames();
    choose(settings->ain2FormatChoice, wxGetTranslation("-Cmd"));
    EXPECT_EQ(framesOn(0x36), (std::vector<std::string>{"r", "w800b", "r"}));
    EXPECT_EQ(settings->ain2FormatChoice->GetValue(), wxGetTranslation("-Cmd"));

    // "ccw" sets bit 8 only and swaps the colours.
    drive->setReg(0x5A, 0x00400001);
    click(settings->directionCcwButton);
    EXPECT_EQ(drive->reg(0x5A), 0x00400101u);
    EXPECT_TRUE(settings->isPressed(settings->directionCcwButton));
    EXPECT_FALSE(settings->isPressed(settings->directionCwButton));

    // A failed read before the write keeps the colours and writes nothing.
    drive->setRegisterSilent(0x5A, true);
    drive->clearFrames();
    click(settings->directionCwButton);
    EXPECT_EQ(writesTo(0x5A), 0);
    EXPECT_TRUE(settings->isPressed(settings->directionCcwButton));
    ASSERT_EQ(recordedDialogs().boxes.size(), 1u);
    EXPECT_EQ(recordedDialogs().boxes[0].text, "Fehler beim Lesen des Registers 0x5a!");
    drive->setRegisterSilent(0x5A, false);

    // Offline: choices and bit buttons write nothing and say nothing.
    frame->goOffline();
    recordedDialogs().clear();
    drive->clearFrames();
    choose(settings->incOutFactorChoice, "4");
    choose(settings->motorFeedback2Choice, wxGetTranslation("HAND"));
    click(settings->directionCwButton);
    EXPECT_TRUE(drive->frames().empty());
    EXPECT_TRUE(recordedDialogs().boxes.empty()) << boxTexts()[0];
}

TEST_F(SettingsTest, ParameterSetsAndTheButtonsOnlineState) {
    makeFrame();
    EXPECT_FALSE(page()->loadButton->IsEnabled()) << "offline at start";
    EXPECT_FALSE(page()->read1Button->IsEnabled());
    startValues = {{0x1C, 77}};
    goOnline();
    SettingsPage* settings = page();
    showSettings();
    recordedDialogs().clear();

    click(settings->write1Button);
    EXPECT_EQ(framesOn(kRegParaWrite), std::vector<std::string>{"w1"});
    drive->setReg(0x1C, 5);

    // "Read 1": the command, then two seconds of quiet, then every page reads again.
    std::atomic<int64_t> commandAt{0}, firstReadAfter{0};
    auto now = [] { return Clock::now().time_since_epoch().count(); };
    drive->setWriteHook(kRegParaRead, [&](uint32_t) { commandAt = now(); });
    drive->setReadHook(0x1C, [&](uint32_t stored) {
        int64_t expected = 0;
        if (commandAt != 0) firstReadAfter.compare_exchange_strong(expected, now());
        return stored;
    });
    drive->clearFrames();
    click(settings->read1Button);
    EXPECT_EQ(framesOn(kRegParaRead), std::vector<std::string>{"w1"});
    ASSERT_NE(firstReadAfter.load(), 0);
    EXPECT_GE(std::chrono::nanoseconds(firstReadAfter - commandAt), std::chrono::milliseconds(1900));
    EXPECT_EQ(field(0x1C)->GetValue(), "77");
    EXPECT_TRUE(recordedDialogs().boxes.empty()) << boxTexts()[0];
    EXPECT_TRUE(settings->read1Button->IsEnabled());
    drive->setReadHook(0x1C, nullptr);
    drive->setWriteHook(kRegParaRead, nullptr);

    // "Write 1" clicked right after leaving a changed field, before the entry that leaving
    // queued has run: the entry goes first, so the set stores the value typed.
    std::atomic<uint32_t> stored{0};
    drive->setWriteHook(kRegParaWrite, [&](uint32_t) { stored = drive->reg(0x1C); });
    focusArrives(field(0x1C));
    field(0x1C)->wxTextCtrl::ChangeValue("55");
    wxFocusEvent leaving(wxEVT_KILL_FOCUS, field(0x1C)->GetId());
    leaving.SetEventObject(field(0x1C));
    field(0x1C)->GetEventHandler()->ProcessEvent(leaving);
    click(settings->write1Button);
    drive->setWriteHook(kRegParaWrite, nullptr);
    EXPECT_EQ(stored.load(), 55u);
    EXPECT_EQ(field(0x1C)->GetValue(), "55");

    // Save and Load ask the frame, which asks for the file; Print prints the listed registers.
    recordedDialogs().clear();
    click(settings->saveButton);
    EXPECT_EQ(recordedDialogs().fileDialogMessages.size(), 1u);
    click(settings->loadButton);
    EXPECT_EQ(recordedDialogs().fileDialogMessages.size(), 2u);
    click(settings->printButton);
    EXPECT_EQ(recordedDialogs().printCalls, 1);
    EXPECT_TRUE(settings->printButton->IsEnabled()) << "enabled again after printing";
    EXPECT_TRUE(recordedDialogs().boxes.empty()) << boxTexts()[0];

    // The drive busy with a register set (status bit 0): loading and the sets wait.
    drive->setReg(kRegStatus, 1);
    EXPECT_TRUE(pumpUntil([&] { return !settings->loadButton->IsEnabled(); }, 4000));
    EXPECT_FALSE(settings->write0Button->IsEnabled());
    EXPECT_TRUE(settings->saveButton->IsEnabled());
    drive->setReg(kRegStatus, 0);
    EXPECT_TRUE(pumpUntil([&] { return settings->loadButton->IsEnabled(); }, 4000));

    // Offline: a status report queued just before changes nothing.
    postProgramEvent(settings, SettingsStatusEvent, 0);
    frame->goOffline();
    pumpFor(50);
    EXPECT_FALSE(settings->loadButton->IsEnabled());
    EXPECT_FALSE(settings->saveButton->IsEnabled());
    click(settings->read0Button);
    EXPECT_EQ(boxTexts(), std::vector<std::string>{"Drive is offline!"});
}

TEST_F(SettingsTest, AViewedFileKeepsEveryPageButtonDisabled) {
    const std::string file = home + "/set.vrf";
    {
        std::vector<uint8_t> bytes(kRegisterFileMagic, kRegisterFileMagic + kRegisterFileMagicSize);
        appendRegisterRecord(bytes, kRegFirmware, false, 310);
        appendRegisterRecord(bytes, 0x1C, false, 42);
        std::ofstream(file, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    makeFrame();
    showSettings();
    recordedDialogs().fileAnswers.push_back(file);
    chooseMenuItem(frame, kIdViewFile);
    ASSERT_TRUE(frame->connection().isOfflineImage());
    EXPECT_EQ(field(0x1C)->GetValue(), "42");
    SettingsPage* settings = page();
    auto anyEnabled = [&] {
        for (wxButton* button : {settings->loadButton, settings->saveButton, settings->printButton, settings->mailButton,
                                 settings->read0Button, settings->write0Button, settings->read1Button,
                                 settings->write1Button, settings->read2Button, settings->write2Button})
            if (button->IsEnabled()) return true;
        return false;
    };
    for (int poll = 0; poll < 4; ++poll) {
        ASSERT_TRUE(settings->cyclicUpdate(true));
        pumpFor(30);
        EXPECT_FALSE(anyEnabled()) << "poll " << poll;
    }
}

}  // namespace
}  // namespace torvex::test
