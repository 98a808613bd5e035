// The drive status panel in a real main frame online with the simulated drive: what the
// watching thread brings to the window, and what the test area writes to the drive.
#include <wx/gauge.h>
#include <wx/stattext.h>

#include "tests/gui_status/status_fixture.h"
#include "frame/drive_status_bar_logic.h"
#include "widgets/events.h"
#include "widgets/field_sizers.h"
#include "widgets/percent_gauge.h"

namespace torvex {
namespace {

using test::pumpUntil;
using test::recordedDialogs;
using test::click;
using test::StatusFrameTest;

// A drive with lit status and In-Out lamps, a speed and a current, and the given error word.
void presetDrive(sim::SimDrive& sim, uint32_t errorWord) {
    sim.setReg(0x8F, errorWord);
    sim.setReg(0x40, 0x80010001);
    sim.setReg(0xD8, 0x8000);
    sim.setReg(0xA8, 16384);
    sim.setReg(0xCE, 3000);
    sim.setReg(0x5F, 100);
    sim.setReg(0xC6, 1000);
    sim.setReg(0xD9, 400);
}

wxString errorLines(std::initializer_list<int> bits) {
    wxString text;
    for (int bit : bits) text += translate(status::kErrorBitKeys[bit]);
    return text;
}

TEST_F(StatusFrameTest, ShowsTheDrivesWordsLampsAndReadouts) {
    sim::SimDrive* sim = startDrive();
    ASSERT_NE(sim, nullptr);
    presetDrive(*sim, 0x80020005);
    sim->setReg(0x34, 16384);
    makeFrame();
    // Offline the errors field says so.
    EXPECT_EQ(panel->errorsField()->GetValue(), tr("OFFLINE - Presently not online"));
    ASSERT_TRUE(goOnlineTcp());

    const wxString errors = errorLines({0, 2});  // BADPARAS and bit 2; CAN is bit 3
    EXPECT_TRUE(pumpUntil([&] { return panel->errorsField()->GetValue() == errors; }))
        << panel->errorsField()->GetValue();
    EXPECT_TRUE(pumpUntil([&] { return panel->warningsField()->GetValue() == tr("WARNING_1\n") + tr("WARNING_F\n"); }))
        << panel->warningsField()->GetValue();
    EXPECT_TRUE(pumpUntil([&] { return panel->speedText()->GetLabel() == " 1500"; })) << panel->speedText()->GetLabel();
    EXPECT_EQ(panel->speedRawText()->GetLabel(), " 0xa8\n 16384");
    EXPECT_EQ(panel->speedGauge()->GetValue(), 50);
    EXPECT_EQ(panel->speedGauge()->markerPercent(), 50u);
    EXPECT_TRUE(pumpUntil([&] { return panel->currentText()->GetLabel() == " 50.00"; }))
        << panel->currentText()->GetLabel();
    EXPECT_EQ(panel->currentGauge()->GetValue(), 50);
    for (int bit = 0; bit < 32; ++bit)
        EXPECT_EQ(panel->statusLamp(bit)->isLampLit(), bit == 0 || bit == 16 || bit == 31) << bit;
    for (int bit = 0; bit < 16; ++bit) EXPECT_EQ(panel->ioLamp(bit)->isLampLit(), bit == 15) << bit;

    sim->setReg(0xA8, 0xC000);  // -16384
    EXPECT_TRUE(pumpUntil([&] { return panel->speedText()->GetLabel() == "-1500"; })) << panel->speedText()->GetLabel();
    EXPECT_EQ(panel->speedGauge()->GetValue(), 50);

    // A warning bit alone: its text, and no connection line.
    sim->setReg(0x8F, 0x00010000);
    EXPECT_TRUE(pumpUntil([&] { return panel->warningsField()->GetValue() == tr("WARNING_0\n"); }));
    EXPECT_TRUE(pumpUntil([&] { return panel->errorsField()->GetValue().empty(); }))
        << panel->errorsField()->GetValue();

    // Scales of 0 read again: nothing divides by them.
    sim->setReg(0xCE, 0);
    sim->setReg(0xD9, 0);
    ASSERT_TRUE(panel->pollDriveStatus(0));
    EXPECT_EQ(panel->speedMax(), 0);
    EXPECT_TRUE(pumpUntil([&] { return panel->currentText()->GetLabel() == " -"; })) << panel->currentText()->GetLabel();
    EXPECT_TRUE(pumpUntil([&] { return panel->speedText()->GetLabel() == "0"; })) << panel->speedText()->GetLabel();

    // A drive that stops answering for a few cycles.
    sim->setFault(sim::Fault::Silent, 3);
    EXPECT_TRUE(pumpUntil([&] { return panel->errorsField()->GetValue().Contains(tr("NOREPLY- No RS232 COM reply from drive")); },
                          8000));
    EXPECT_TRUE(pumpUntil([&] { return panel->errorsField()->GetValue().empty(); }, 8000));
    EXPECT_TRUE(recordedDialogs().boxes.empty());
}

TEST_F(StatusFrameTest, TestButtonsWriteWhatTheFieldsSayAndRefuseWhatTheyCannot) {
    sim::SimDrive* sim = startDrive();
    ASSERT_NE(sim, nullptr);
    sim->setReg(0xCE, 3000);
    sim->setReg(0x7C, 0);
    sim->setReg(0x7D, 0);
    makeFrame();
    int stepTestStops = 0;
    frame->Bind(StopStepTestEvent, [&](wxCommandEvent& event) {
        ++stepTestStops;
        event.Skip();
    });
    ASSERT_TRUE(goOnlineTcp());
    ASSERT_EQ(panel->speedMax(), 3000);
    recordedDialogs().clear();

    wxTextCtrl* speed = panel->testSpeedField();
    wxTextCtrl* position = panel->testPositionField();
    speed->ChangeValue("500");
    click(panel->testPlusButton());
    EXPECT_TRUE(writeArrives(0x31, 500));
    EXPECT_EQ(stepTestStops, 1);
    click(panel->testMinusButton());
    EXPECT_TRUE(writeArrives(0x31, 0xFE0C));
    click(panel->testStopButton());
    EXPECT_TRUE(writeArrives(0x31, 0));

    position->ChangeValue("4294967396");
    click(panel->testDestButton());
    EXPECT_TRUE(recordedDialogs().sawBox("Wrong value for Test position!"));
    EXPECT_EQ(lastWrite(0x6E), -1);
    position->ChangeValue("-100000");
    click(panel->testDestButton());
    EXPECT_TRUE(writeArrives(0x6E, 0xFFFE7960));
    position->ChangeValue("70000");
    click(panel->testPresetButton());
    EXPECT_TRUE(writeArrives(0x7A, 70000));
    click(panel->testCalibButton());
    EXPECT_TRUE(writeArrives(0x78, 0));
    EXPECT_EQ(stepTestStops, 7);  // refused commands stop a step test too

    // Units: the fields convert back and forth and the commands scale.
    speed->ChangeValue("500");
    setUnits(true);
    EXPECT_EQ(speed->GetValue(), "46");
    setUnits(false);
    EXPECT_EQ(speed->GetValue(), "502");
    setUnits(true);
    speed->ChangeValue("1500");
    click(panel->testPlusButton());
    EXPECT_TRUE(writeArrives(0x31, 16383));
    recordedDialogs().clear();
    speed->ChangeValue("3001");
    click(panel->testPlusButton());
    EXPECT_TRUE(recordedDialogs().sawBox("Speed must be between 0 RPM and 3000 RPM!"));

    // A position scale typed on another page reaches the panel as the raw register value.
    sim->setReg(0x7C, 10000);
    wxCommandEvent changed(RegisterChangedEvent, 0);
    changed.SetInt(0x7C);
    changed.SetString("10000");
    frame->dispatchRegisterChanged(changed);
    EXPECT_EQ(panel->positionScale(), 10000);
    changed.SetString("abc");
    frame->dispatchRegisterChanged(changed);
    EXPECT_EQ(panel->positionScale(), 10000);
    changed.SetInt(0x34);
    changed.SetString("80");
    frame->dispatchRegisterChanged(changed);
    EXPECT_EQ(panel->speedGauge()->markerPercent(), 80u);
    position->ChangeValue("-1");
    click(panel->testDestButton());
    EXPECT_TRUE(writeArrives(0x6E, static_cast<uint32_t>(-10)));
    recordedDialogs().clear();
    for (const char* bad : {"inf", "1e300", "nan", "abc"}) {
        position->ChangeValue(bad);
        click(panel->testPresetButton());
    }
    EXPECT_EQ(recordedDialogs().boxes.size(), 4u);
    for (const auto& box : recordedDialogs().boxes) EXPECT_EQ(box.text, "Wrong value for Test position!");
    EXPECT_EQ(lastWrite(0x7A), 70000);

    // Without a maximum speed nothing converts and "+" refuses.
    // (A new maximum motor speed makes the panel read 0xCE again.)
    sim->setReg(0xCE, 0);
    changed.SetInt(0xC8);
    changed.SetString("0");
    frame->dispatchRegisterChanged(changed);
    EXPECT_EQ(panel->speedMax(), 0);
    speed->ChangeValue("100");
    setUnits(false);
    EXPECT_EQ(speed->GetValue(), "100");
    setUnits(true);
    recordedDialogs().clear();
    click(panel->testPlusButton());
    ASSERT_EQ(recordedDialogs().boxes.size(), 1u);
    EXPECT_EQ(recordedDialogs().boxes[0].text,
              "The drive's maximum speed (0xCE) is 0: RPM cannot be converted!");
    EXPECT_EQ(lastWrite(0x31), 16383);

    // Clear errors: the drive drops its errors, the warnings stay.
    sim->setReg(0x8F, 0x00020003);
    EXPECT_TRUE(pumpUntil([&] { return panel->errorsField()->GetValue() == errorLines({0, 1}); }));
    click(panel->clearErrorsButton());
    EXPECT_TRUE(writeArrives(0x8E, 0xFFFF));
    EXPECT_TRUE(pumpUntil([&] { return panel->errorsField()->GetValue().empty(); }));
    EXPECT_EQ(panel->warningsField()->GetValue(), tr("WARNING_1\n"));

    // Offline: the controls are off and a command that still arrives is refused.
    test::chooseMenuItem(frame, kIdOffline);
    EXPECT_FALSE(panel->testPlusButton()->IsEnabled());
    EXPECT_FALSE(panel->clearErrorsButton()->IsEnabled());
    EXPECT_TRUE(panel->testUnitsCheck()->IsEnabled());
    recordedDialogs().clear();
    const int stopsBefore = stepTestStops;
    click(panel->testPlusButton());
    EXPECT_TRUE(recordedDialogs().sawBox("Drive is not online!"));
    EXPECT_EQ(stepTestStops, stopsBefore);
    EXPECT_EQ(panel->errorsField()->GetValue(), tr("OFFLINE - Presently not online"));
}

TEST_F(StatusFrameTest, OfflineTheLampsAreDarkAndALateReadingOfTheLostLinkChangesNothing) {
    sim::SimDrive* sim = startDrive();
    ASSERT_NE(sim, nullptr);
    presetDrive(*sim, 0x00010001);
    makeFrame();
    ASSERT_TRUE(goOnlineTcp());
    ASSERT_TRUE(pumpUntil([&] {
        return panel->statusLamp(0)->isLampLit() && panel->ioLamp(15)->isLampLit() &&
               panel->speedText()->GetLabel() == " 1500" && panel->currentText()->GetLabel() == " 50.00" &&
               !panel->warningsField()->GetValue().empty();
    }));

    // The drive stops answering its error word while the watching thread asks for it; the
    // link is given up before that reading ends.
    sim->clearFrames();
    sim->setRegisterSilent(0x8F, true);
    ASSERT_TRUE(pumpUntil([&] {
        for (const auto& f : sim->frames())
            if (f.isRead && f.reg == 0x8F) return true;
        return false;
    }));
    test::chooseMenuItem(frame, kIdOffline);
    test::pumpFor(400);

    EXPECT_EQ(panel->errorsField()->GetValue(), tr("OFFLINE - Presently not online"));
    EXPECT_TRUE(panel->warningsField()->GetValue().empty());
    for (int bit = 0; bit < 32; ++bit) EXPECT_FALSE(panel->statusLamp(bit)->isLampLit()) << bit;
    for (int bit = 0; bit < 16; ++bit) EXPECT_FALSE(panel->ioLamp(bit)->isLampLit()) << bit;
    EXPECT_EQ(panel->speedText()->GetLabel(), " -");
    EXPECT_EQ(panel->speedRawText()->GetLabel(), " 0xa8\n -");
    EXPECT_EQ(panel->speedGauge()->GetValue(), 0);
    EXPECT_EQ(panel->currentText()->GetLabel(), " -");
    EXPECT_EQ(panel->currentRawText()->GetLabel(), " 0x5f\n -");
    EXPECT_EQ(panel->currentGauge()->GetValue(), 0);

    // Online again, the drive's state comes back, unchanged words included.
    sim->setRegisterSilent(0x8F, false);
    ASSERT_TRUE(goOnlineTcp());
    EXPECT_TRUE(pumpUntil([&] {
        return panel->statusLamp(0)->isLampLit() && panel->speedText()->GetLabel() == " 1500" &&
               panel->errorsField()->GetValue() == errorLines({0}) &&
               panel->warningsField()->GetValue() == tr("WARNING_0\n");
    })) << panel->errorsField()->GetValue();
}

TEST_F(StatusFrameTest, ASerialDriveFallingSilentTakesTheFrameOffline) {
    sim::SimOptions options;
    options.serial = true;
    options.tcpAddress.clear();
    sim::SimDrive* sim = startDrive(options);
    ASSERT_NE(sim, nullptr);
    setenv("TORVEX_COM2", sim->serialPath().c_str(), 1);
    makeFrame();
    test::chooseMenuItem(frame, kIdFirstPort + 1);
    ASSERT_TRUE(pumpUntil([&] { return frame->statusLine()->statusField(0) == "Drive is online (COM2)."; }, 8000));
    sim->setFault(sim::Fault::Silent);
    bool sawNoReply = false;
    const bool offline = pumpUntil(
        [&] {
            sawNoReply = sawNoReply || panel->errorsField()->GetValue().Contains(tr("NOREPLY- No RS232 COM reply from drive"));
            return frame->statusLine()->statusField(0) == "Drive is offline.";
        },
        60000);
    EXPECT_TRUE(offline);
    EXPECT_TRUE(sawNoReply);
    EXPECT_FALSE(panel->testPlusButton()->IsEnabled());
}

}  // namespace
}  // namespace torvex
