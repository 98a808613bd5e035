// The BUS and Auto pages in the real frame against the simulated drive.
#include <wx/notebook.h>
#include <wx/statbmp.h>

#include "pages/can_bus_page.h"
#include "pages/control_tuning_panel.h"
#include "tests/gui_logic_bus/logic_bus_fixture.h"
#include "widgets/events.h"
#include "widgets/register_display.h"
#include "widgets/register_edit.h"

namespace torvex::test {
namespace {

class BusPageTest : public LogicBusTest {
protected:
    CanBusPage* page() const { return frame->canBusPage(); }
    wxString rate() const { return page()->bitRateDisplay()->GetValue(); }
    std::vector<std::string> writes() const {
        std::vector<std::string> seen;
        for (const sim::ReceivedFrame& frame : sim->frames())
            if (!frame.isRead) seen.push_back(std::to_string(frame.reg));
        return seen;
    }
};

TEST_F(BusPageTest, ShowsAndTakesTheBitTiming) {
    ASSERT_TRUE(goOnline({{0x68, 0x201}, {0x69, 0x181}, {0x73, 0x0014}}));
    EXPECT_EQ(page()->GetMinSize(), wxSize(831, 619));
    EXPECT_EQ(page()->rxIdField()->GetValue(), "201");
    EXPECT_EQ(page()->txIdField()->GetValue(), "181");
    EXPECT_EQ(page()->btrField()->GetValue(), "14");
    EXPECT_EQ(rate(), "625.00");
    EXPECT_EQ(page()->btrField()->GetSize(), wxSize(49, 12));

    enter(page()->btrField(), "1c");
    EXPECT_EQ(framesOf(0x73), (std::vector<std::string>{"w:0x001c", "r"}));
    EXPECT_EQ(sim->reg(0x73), 0x1Cu);
    EXPECT_EQ(rate(), "312.50");
    EXPECT_TRUE(recordedDialogs().boxes.empty());

    // Texts that are no hexadecimal register value: refused, nothing sent, nothing changed.
    for (const char* typed : {"0x1c", "g", " 1c", "10000", "-1"}) {
        SCOPED_TRACE(typed);
        recordedDialogs().clear();
        sim->clearFrames();
        enter(page()->btrField(), typed);
        EXPECT_EQ(recordedDialogs().boxes.size(), 1u);
        EXPECT_TRUE(framesOf(0x73).empty());
        EXPECT_EQ(page()->btrField()->GetValue(), "1c");
        EXPECT_EQ(rate(), "312.50");
    }

    // Upper-case digits and leading zeros are taken; the drive's lower-case answer is the
    // same number, so it is no change by the drive.
    recordedDialogs().clear();
    enter(page()->btrField(), "314");
    EXPECT_EQ(rate(), "156.25");
    enter(page()->btrField(), "1C");
    EXPECT_EQ(sim->reg(0x73), 0x1Cu);
    EXPECT_TRUE(recordedDialogs().boxes.empty()) << recordedDialogs().boxes[0].text;
    EXPECT_EQ(page()->btrField()->GetValue(), "1c");
    EXPECT_EQ(rate(), "312.50");
    enter(page()->btrField(), "0014");
    EXPECT_EQ(sim->reg(0x73), 0x14u);
    EXPECT_TRUE(recordedDialogs().boxes.empty()) << recordedDialogs().boxes[0].text;
    EXPECT_EQ(page()->btrField()->GetValue(), "14");
    // A drive that keeps another number is still reported, with the typed text.
    sim->setWriteFilter([](uint32_t reg, uint32_t value) { return reg == 0x73 ? 0x1Cu : value; });
    enter(page()->btrField(), "3F");
    sim->setWriteFilter(nullptr);
    ASSERT_EQ(recordedDialogs().boxes.size(), 1u);
    EXPECT_EQ(recordedDialogs().boxes[0].text,
              wxString::Format(text("Value changed by the Drive (%s -> %s)!"), "3F", "1c"));
    EXPECT_EQ(page()->btrField()->GetValue(), "1c");
    EXPECT_EQ(rate(), "312.50");
    recordedDialogs().clear();

    // A change of 0x73 made elsewhere and reported by the frame.
    postProgramEvent(frame->notebook(), RegisterChangedEvent, 0x73, "0");
    EXPECT_TRUE(pumpUntil([&] { return rate() == "1666.67"; }, 2000));
    EXPECT_EQ(page()->btrField()->GetValue(), "0");

    // Offline the page reads nothing and says so to the frame's read-all.
    frame->connection().disconnectDrive();
    sim->clearFrames();
    EXPECT_FALSE(page()->readFromDrive(false));
    pumpFor(50);
    EXPECT_TRUE(sim->frames().empty());
}

TEST_F(BusPageTest, ADriveThatFallsSilentAfterNewTimingShowsNoValue) {
    ASSERT_TRUE(goOnline({{0x73, 0x0014}, {0x68, 0x201}}));
    // Recorded into the fixture's member, which outlives the frame's last events.
    frame->Bind(RegisterChangedEvent, [this](wxCommandEvent& event) {
        calls.push_back(std::to_string(event.GetInt()) + ":" + event.GetString().utf8_string());
        event.Skip();
    });
    // As a drive on CAN does: the new bit timing is taken, then the drive is gone.
    sim::SimDrive* drive = sim.get();
    sim->setWriteHook(0x73, [drive](uint32_t) { drive->setRegisterSilent(0x73, true); });
    enter(page()->btrField(), "1c");
    EXPECT_EQ(sim->reg(0x73), 0x1Cu);
    ASSERT_EQ(recordedDialogs().boxes.size(), 1u);
    EXPECT_EQ(recordedDialogs().boxes[0].text, wxString::Format(text("Fehler beim Lesen des Registers 0x%x!"), 0x73));
    // Neither the old "14" nor its rate stays as if the drive held it.
    EXPECT_EQ(page()->btrField()->GetValue(), "");
    EXPECT_EQ(rate(), "");
    ASSERT_TRUE(pumpUntil([&] { return !calls.empty(); }, 2000));
    EXPECT_EQ(calls[0], "115:") << "the other pages hear of no value either";

    // The same for a new receive identifier, with the whole drive silent afterwards.
    recordedDialogs().clear();
    sim->setWriteHook(0x68, [drive](uint32_t) { drive->setFault(sim::Fault::Silent); });
    enter(page()->rxIdField(), "202");
    EXPECT_EQ(sim->reg(0x68), 0x202u);
    EXPECT_TRUE(recordedDialogs().sawBox(
        wxString::Format(text("Fehler beim Lesen des Registers 0x%x!"), 0x68).utf8_string()));
    EXPECT_EQ(page()->rxIdField()->GetValue(), "");
    sim->setFault(sim::Fault::None);
}

TEST_F(BusPageTest, TheBitRateReadOutKeepsTheFocus) {
    ASSERT_TRUE(goOnline({{0x73, 0x0014}}));
    frame->notebook()->SetSelection(kTabCanBus);
    // Hidden, the window keeps the focus its code asks for: other test programs sharing
    // the display cannot take the keyboard focus away in between.
    frame->Hide();
    pumpFor(50);
    // The user worked in a field, then clicks into the read-out to copy its rate.
    auto focusArrives = [&](wxWindow* control) {
        control->SetFocus();
        wxChildFocusEvent focus(control);
        control->GetEventHandler()->ProcessEvent(focus);
        pumpFor(100);
    };
    focusArrives(page()->rxIdField());
    ASSERT_EQ(wxWindow::FindFocus(), page()->rxIdField());
    focusArrives(page()->bitRateDisplay());
    EXPECT_EQ(wxWindow::FindFocus(), page()->bitRateDisplay()) << "the page has no refocus step of its own";
    EXPECT_TRUE(recordedDialogs().boxes.empty());
}

TEST_F(LogicBusTest, AutoPageShowsBothSequencesAndItsStartButtonsDoNothing) {
    ASSERT_TRUE(goOnline({}));
    ControlTuningPanel* panel = frame->controlTuningPanel();
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(panel->GetMinSize(), wxSize(831, 619));
    EXPECT_EQ(panel->standstillSteps(), (std::vector<wxString>{text("Start"), text("Freigabe"), wxString(),
                                                                text("Werte ermitteln"), text("Ende"), text("Fehler")}));
    EXPECT_EQ(panel->movementSteps(), (std::vector<wxString>{text("Start"), text("Freigabe"), text("Drehbewegung"),
                                                              text("Werte ermitteln"), text("Ende"), text("Fehler")}));
    for (wxButton* start : {panel->standstillStartButton(), panel->movementStartButton()}) {
        ASSERT_NE(start, nullptr);
        EXPECT_EQ(start->GetSize(), wxSize(90, 20));
        EXPECT_FALSE(start->GetToolTipText().empty());
    }
    EXPECT_EQ(panel->standstillStartButton()->GetToolTipText(),
              text("Tooltip Button Start Regelparameter bei Stillstand"));
    // The first row's lamp is A, the second's B: two different pictures of 20 x 20.
    wxBitmap first = panel->firstLamp()->GetBitmap();
    wxBitmap second = panel->secondLamp()->GetBitmap();
    ASSERT_TRUE(first.IsOk() && second.IsOk());
    EXPECT_EQ(first.GetSize(), wxSize(20, 20));
    EXPECT_EQ(second.GetSize(), wxSize(20, 20));
    wxImage a = first.ConvertToImage(), b = second.ConvertToImage();
    EXPECT_NE(std::vector<unsigned char>(a.GetData(), a.GetData() + 1200),
              std::vector<unsigned char>(b.GetData(), b.GetData() + 1200));

    frame->notebook()->SetSelection(kTabControlTuning);
    pumpFor(30);
    sim->clearFrames();
    click(panel->standstillStartButton());
    click(panel->movementStartButton());
    pumpFor(100);
    for (const sim::ReceivedFrame& received : sim->frames())
        EXPECT_TRUE(received.isRead) << "a write of register " << received.reg;
    EXPECT_TRUE(recordedDialogs().boxes.empty());
    EXPECT_EQ(panel->standstillStartButton()->GetLabel(), text("Start"));
}

}  // namespace
}  // namespace torvex::test
