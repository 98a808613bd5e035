// The Logik page in the real frame against the simulated drive: what the controls show
// for the drive's logic words, what a choice or a polarity writes, and what happens when
// the drive cannot take it.
#include <wx/notebook.h>

#include "pages/logic_page.h"
#include "tests/gui_logic_bus/logic_bus_fixture.h"
#include "widgets/events.h"
#include "widgets/field_sizers.h"
#include "widgets/register_choice.h"
#include "widgets/register_edit.h"

namespace torvex::test {
namespace {

enum Input { Limit1, Limit2, Din1, Din2 };
enum Output { Dout1, Dout2, Dout3, Dout4 };

class LogicPageTest : public LogicBusTest {
protected:
    LogicPage* page() const { return frame->logicPage(); }

    bool high(int input) const { return page()->highRadio(input)->GetValue(); }
    bool low(int input) const { return page()->lowRadio(input)->GetValue(); }
    std::vector<long> output(int o) const {
        return {selectedNumber(page()->sourceCombo(o)), selectedNumber(page()->operandCombo(o)),
                selectedNumber(page()->operationCombo(o))};
    }
};

TEST_F(LogicPageTest, ShowsTheDrivesLogicWords) {
    makeFrame();
    // Before the first read: the lists' first entries, "AL" and the fields' register texts.
    ASSERT_NE(page(), nullptr);
    EXPECT_EQ(page()->functionCombo(Limit1)->GetValue(), text("ComboLogicInput_0"));
    EXPECT_EQ(selectedNumber(page()->functionCombo(Limit1)), 0);
    EXPECT_TRUE(low(Limit1));
    EXPECT_EQ(page()->sourceCombo(Dout1)->GetValue(), text("--Off--"));
    EXPECT_EQ(page()->operationCombo(Dout1)->GetValue(), text("ComboLogicOPN_0"));
    EXPECT_EQ(page()->operandCombo(Dout1)->GetValue(), text("ComboLogicOP2_0"));
    // The catalogue's "." entries are not offered; the numbers keep their gaps.
    EXPECT_EQ(findChoiceByClientData(page()->operandCombo(Dout1), 14), -1);
    EXPECT_GE(findChoiceByClientData(page()->operandCombo(Dout1), 15), 0);
    EXPECT_EQ(findChoiceByClientData(page()->functionCombo(Din2), 31), -1);
    EXPECT_EQ(page()->varField(3)->GetValue(), "0xd3");
    EXPECT_EQ(page()->GetBackgroundColour(), wxColour(129, 156, 214));
    // The fields are stepped and read in the order Var1, Var3, Var2, Var4.
    ASSERT_EQ(page()->fieldHolders().size(), 4u);
    const int order[] = {0xD1, 0xD3, 0xD2, 0xD4};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(page()->fieldHolders()[i]->field->registerNumber(), order[i]);
    closeFrame();

    ASSERT_TRUE(goOnline({{0xBE, 0x8005},
                          {0xBF, 0x0005},
                          {0xC0, 0x0040},  // function 64: no entry
                          {0xC1, 0xFFFF},  // function 0x7FFF: no entry, active high
                          {0xC2, 0x3021},
                          {0xC3, 0x5A21},  // source 0x5A is not in the register list
                          {0xDA, 0x0000},
                          {0xDB, 0x40F2},
                          {0xD1, uint32_t(-5)},
                          {0xD3, 70000}}));
    EXPECT_EQ(selectedNumber(page()->functionCombo(Limit1)), 5);
    EXPECT_TRUE(high(Limit1));
    EXPECT_FALSE(low(Limit1));
    EXPECT_EQ(selectedNumber(page()->functionCombo(Limit2)), 5);
    EXPECT_TRUE(low(Limit2));
    // A number without an entry shows no selection, not the one shown before.
    EXPECT_EQ(selectedNumber(page()->functionCombo(Din1)), -1);
    EXPECT_EQ(page()->functionCombo(Din1)->GetValue(), "") << "no function's text either";
    EXPECT_TRUE(low(Din1));
    EXPECT_EQ(selectedNumber(page()->functionCombo(Din2)), -1);
    EXPECT_TRUE(high(Din2));
    EXPECT_EQ(output(Dout1), (std::vector<long>{0x30, 2, 1}));
    EXPECT_EQ(output(Dout2), (std::vector<long>{-1, 2, 1}));
    EXPECT_EQ(page()->sourceCombo(Dout2)->GetValue(), "");
    EXPECT_EQ(output(Dout3), (std::vector<long>{0, 0, 0}));
    EXPECT_EQ(page()->sourceCombo(Dout3)->GetValue(), text("--Off--"));
    EXPECT_EQ(output(Dout4), (std::vector<long>{0x40, 15, 2}));
    EXPECT_EQ(page()->varField(1)->GetValue(), "-5");
    EXPECT_EQ(page()->varField(3)->GetValue(), "70000");
    EXPECT_TRUE(recordedDialogs().boxes.empty());

    // A free trigger register naming 0x5A puts it into the source lists: Dout2 shows it.
    setTriggerRegister1("Options", "300");  // not a drive register: left out
    page()->reloadRegisterChoices();
    EXPECT_EQ(selectedNumber(page()->sourceCombo(Dout2)), -1);
    EXPECT_EQ(findChoiceByClientData(page()->sourceCombo(Dout2), 300), -1);
    setTriggerRegister1("Options", "abc");
    page()->reloadRegisterChoices();
    EXPECT_EQ(selectedNumber(page()->sourceCombo(Dout2)), -1);
    setTriggerRegister1("Options", "90");
    page()->reloadRegisterChoices();
    EXPECT_EQ(output(Dout2), (std::vector<long>{0x5A, 2, 1}));
    EXPECT_EQ(output(Dout1), (std::vector<long>{0x30, 2, 1}));

    // A reload whose read fails keeps the source shown, not "--Off--".
    sim->setRegisterSilent(0xC2, true);
    page()->reloadRegisterChoices();
    EXPECT_EQ(selectedNumber(page()->sourceCombo(Dout1)), 0x30);
    sim->setRegisterSilent(0xC2, false);
    setTriggerRegister1("", "");
}

TEST_F(LogicPageTest, ChoicesAreWrittenAndReadBack) {
    ASSERT_TRUE(goOnline({{0xBE, 0x0003},
                          {0xBF, 0x0002},
                          {0xC0, 0x0001},
                          {0xC1, 0x7FFF},
                          {0xC2, 0x3021},
                          {0xC3, 0x5A21},
                          {0xDA, 0x0000}}));

    // "AH" with function 3: 0x8003, then the register is read again.
    click(page()->highRadio(Limit1));
    EXPECT_EQ(framesOf(0xBE), (std::vector<std::string>{"w:0x8003", "r"}));
    EXPECT_EQ(sim->reg(0xBE), 0x8003u);
    EXPECT_TRUE(high(Limit1));

    // Dout3 built up one list at a time: each change is one write and one read.
    sim->clearFrames();
    pick(page()->operationCombo(Dout3), 2);
    pick(page()->operandCombo(Dout3), 15);
    pick(page()->sourceCombo(Dout3), 0x40);
    EXPECT_EQ(framesOf(0xDA), (std::vector<std::string>{"w:0x0002", "r", "w:0x00f2", "r", "w:0x40f2", "r"}));
    EXPECT_EQ(sim->reg(0xDA), 0x40F2u);
    EXPECT_TRUE(recordedDialogs().boxes.empty());

    // A drive that keeps another function: the page shows the drive's.
    sim->setWriteFilter([](uint32_t reg, uint32_t value) { return reg == 0xC0 ? 0x0004u : value; });
    pick(page()->functionCombo(Din1), 6);
    EXPECT_EQ(selectedNumber(page()->functionCombo(Din1)), 4);
    sim->setWriteFilter(nullptr);

    // No function shown (the drive holds an unknown one): "AH" is refused, nothing is
    // written and the polarity goes back to the drive's.
    sim->clearFrames();
    click(page()->highRadio(Din2));
    ASSERT_EQ(recordedDialogs().boxes.size(), 1u);
    EXPECT_EQ(recordedDialogs().boxes[0].text, text("Nothing selected in Logic Input Din2!"));
    EXPECT_EQ(recordedDialogs().boxes[0].caption, text("Error"));
    EXPECT_TRUE(framesOf(0xC1).empty());
    EXPECT_EQ(sim->reg(0xC1), 0x7FFFu);
    EXPECT_TRUE(low(Din2));

    // The same for an output whose source is not in the list.
    recordedDialogs().clear();
    pick(page()->operationCombo(Dout2), 3);
    ASSERT_EQ(recordedDialogs().boxes.size(), 1u);
    EXPECT_EQ(recordedDialogs().boxes[0].text, text("Nothing selected in Logic Dout2_1!"));
    EXPECT_TRUE(framesOf(0xC3).empty());
    EXPECT_EQ(output(Dout2), (std::vector<long>{-1, 2, 1}));

    // Writes the drive takes but whose read-back goes unanswered: the lists keep the
    // written choice, nothing is reported, and the next pick writes on from it.
    recordedDialogs().clear();
    frame->connection().transport().setTcpTimeouts(1000, 200);
    sim->setRegisterSilent(0xC2, true);
    pick(page()->operandCombo(Dout1), 5);
    EXPECT_EQ(sim->reg(0xC2), 0x3051u);
    EXPECT_EQ(output(Dout1), (std::vector<long>{0x30, 5, 1}));
    EXPECT_EQ(page()->operandCombo(Dout1)->GetValue(), text("ComboLogicOP2_5"));
    pick(page()->operationCombo(Dout1), 2);
    EXPECT_EQ(sim->reg(0xC2), 0x3052u);
    EXPECT_EQ(output(Dout1), (std::vector<long>{0x30, 5, 2}));
    // An input the same: the polarity, then the function, each written in full.
    sim->setRegisterSilent(0xBF, true);
    click(page()->highRadio(Limit2));
    EXPECT_EQ(sim->reg(0xBF), 0x8002u);
    EXPECT_TRUE(high(Limit2));
    EXPECT_EQ(selectedNumber(page()->functionCombo(Limit2)), 2);
    pick(page()->functionCombo(Limit2), 5);
    EXPECT_EQ(sim->reg(0xBF), 0x8005u);
    EXPECT_TRUE(high(Limit2));
    for (const RecordedBox& box : recordedDialogs().boxes) ADD_FAILURE() << box.text;
    sim->setRegisterSilent(0xBF, false);
    sim->setRegisterSilent(0xC2, false);
    ASSERT_TRUE(page()->readLogicOutput(Dout1));
    EXPECT_EQ(output(Dout1), (std::vector<long>{0x30, 5, 2}));

    // Offline a list change writes nothing, says nothing and goes back to the drive's value.
    recordedDialogs().clear();
    frame->connection().disconnectDrive();
    sim->clearFrames();
    pick(page()->functionCombo(Limit1), 7);
    EXPECT_EQ(selectedNumber(page()->functionCombo(Limit1)), 3);
    EXPECT_TRUE(recordedDialogs().boxes.empty());
    // A polarity click tries the write, which fails: the box names the register and the
    // radio goes back.
    click(page()->lowRadio(Limit1));
    ASSERT_EQ(recordedDialogs().boxes.size(), 1u);
    EXPECT_EQ(recordedDialogs().boxes[0].text,
              wxString::Format(text("Fehler beim Beschreiben des Registers 0x%x!"), 0xbe));
    EXPECT_TRUE(high(Limit1));
    // An input whose last write went unanswered goes back to the word written.
    pick(page()->functionCombo(Limit2), 7);
    EXPECT_EQ(selectedNumber(page()->functionCombo(Limit2)), 5);
    EXPECT_TRUE(high(Limit2));
    pumpFor(50);
    EXPECT_TRUE(sim->frames().empty());
    EXPECT_EQ(sim->reg(0xBE), 0x8003u);
}

TEST_F(LogicPageTest, VariablesStepAndAViewedFileTakesTheChanges) {
    ASSERT_TRUE(goOnline({{0xD1, 41}, {0xD2, 7}}));
    LogicPage* logic = page();
    frame->notebook()->SetSelection(kTabLogic);
    pumpFor(30);
    ASSERT_EQ(logic->lastFocused(), logic->varField(1)) << "Var1's field is the default";

    // Var fields write whole 32-bit values; Up adds one to the field last worked in.
    enter(logic->varField(2), "-100000");
    EXPECT_EQ(framesOf(0xD2), (std::vector<std::string>{"w:0xfffe7960", "r"}));
    EXPECT_EQ(int32_t(sim->reg(0xD2)), -100000);
    sim->clearFrames();
    ASSERT_TRUE(logic->upButton()->IsEnabled());
    click(logic->upButton());
    EXPECT_EQ(sim->reg(0xD1), 42u);
    EXPECT_EQ(logic->varField(1)->GetValue(), "42");

    // Up pressed while typed text waits for the field's leave (a quick click is handled
    // before it): the typed value is written and stepped, not the one before it. Typing that
    // is refused shows its box and nothing is stepped.
    logic->varField(1)->ChangeValue("55");
    sim->clearFrames();
    click(logic->upButton());
    EXPECT_EQ(framesOf(0xD1), (std::vector<std::string>{"w:0x0037", "r", "w:0x0038", "r"}));
    EXPECT_EQ(logic->varField(1)->GetValue(), "56");
    logic->varField(1)->ChangeValue("5x");
    sim->clearFrames();
    recordedDialogs().clear();
    click(logic->downButton());
    EXPECT_EQ(recordedDialogs().boxes.size(), 1u);
    EXPECT_TRUE(framesOf(0xD1).empty());
    EXPECT_EQ(logic->varField(1)->GetValue(), "56");
    // Back to 42 for the entries below.
    sim->setReg(0xD1, 42);
    ASSERT_TRUE(logic->varField(1)->rereadRegisterEdit());

    // Texts that are no whole 32-bit number are refused and the drive keeps its value.
    for (const char* typed : {"5.0", "2147483648", "abc"}) {
        SCOPED_TRACE(typed);
        recordedDialogs().clear();
        sim->clearFrames();
        enter(logic->varField(1), typed);
        EXPECT_EQ(recordedDialogs().boxes.size(), 1u);
        EXPECT_TRUE(framesOf(0xD1).empty());
        EXPECT_EQ(logic->varField(1)->GetValue(), "42");
    }
    recordedDialogs().clear();

    // Focus memory: a field and "AH" are remembered, "AL" is not; the refocus after a
    // polarity click brings the cursor back to a field (Var1's when "AH" was the last).
    auto focusMoves = [&](wxWindow* child) {
        wxChildFocusEvent event(child);
        logic->GetEventHandler()->ProcessEvent(event);
    };
    focusMoves(logic->varField(2));
    EXPECT_EQ(logic->lastFocused(), logic->varField(2));
    focusMoves(logic->lowRadio(Din1));
    EXPECT_EQ(logic->lastFocused(), logic->varField(2)) << "AL is not remembered";
    focusMoves(logic->highRadio(Din1));
    EXPECT_EQ(logic->lastFocused(), logic->highRadio(Din1));
    postProgramEvent(logic, LogicRefocusEvent);
    EXPECT_TRUE(pumpUntil([&] { return logic->lastFocused() == logic->varField(1); }, 2000));

    // A change reported by the frame reaches the field bound to it.
    postProgramEvent(frame->notebook(), RegisterChangedEvent, 0xD4, "99");
    EXPECT_TRUE(pumpUntil([&] { return logic->varField(4)->GetValue() == "99"; }, 2000));

    // Viewing a register file: the page reads and writes the image, Up and Down stay off.
    frame->connection().disconnectDrive();
    frame->connection().loadOfflineImage({{0xBE, 0x8005}, {0xDB, 0x3021}}, {{0xD1, 12}});
    logic->setOnline(true);
    EXPECT_FALSE(logic->upButton()->IsEnabled());
    EXPECT_FALSE(logic->downButton()->IsEnabled());
    sim->clearFrames();
    ASSERT_TRUE(logic->readFromDrive(false));
    EXPECT_EQ(selectedNumber(logic->functionCombo(Limit1)), 5);
    EXPECT_EQ(output(Dout4), (std::vector<long>{0x30, 2, 1}));
    EXPECT_EQ(logic->varField(1)->GetValue(), "12");
    click(logic->lowRadio(Limit1));
    pick(logic->sourceCombo(Dout4), 0x40);
    uint16_t word = 0;
    ASSERT_EQ(frame->connection().read16bitRegister(0xBE, &word), 0u);
    EXPECT_EQ(word, 0x0005);
    ASSERT_EQ(frame->connection().read16bitRegister(0xDB, &word), 0u);
    EXPECT_EQ(word, 0x4021);
    EXPECT_TRUE(low(Limit1));
    for (const RecordedBox& box : recordedDialogs().boxes) ADD_FAILURE() << box.text;
    pumpFor(50);
    EXPECT_TRUE(sim->frames().empty()) << "nothing goes to the drive while a file is viewed";
    logic->setOnline(false);
    EXPECT_FALSE(logic->upButton()->IsEnabled());
}

}  // namespace
}  // namespace torvex::test
