#include "tests/gui_logic_bus/logic_bus_fixture.h"

#include <wx/intl.h>
#include <wx/notebook.h>

#include "link/i18n.h"
#include "link/registers.h"
#include "services/catalogue.h"
#include "widgets/register_choice.h"

namespace torvex::test {

void LogicBusTest::SetUp() {
    FrameTest::SetUp();
    addCatalogueLookupPrefixes();
    ASSERT_TRUE(loadCatalogue(wxLANGUAGE_ENGLISH));
    installCatalogueTranslator();
}

wxString LogicBusTest::text(const char* key) { return wxGetTranslation(key); }

void LogicBusTest::TearDown() {
    if (frame) frame->connection().disconnectDrive();
    FrameTest::TearDown();
    setTranslator(nullptr);
    if (sim) sim->stop();
}

bool LogicBusTest::goOnline(const std::vector<std::pair<uint32_t, uint32_t>>& registers) {
    sim = startSimDrive(sim::SimOptions{}, &address);
    if (!sim) {
        ADD_FAILURE() << "no simulated drive";
        return false;
    }
    sim->setReg(kRegStatus, 0);
    for (const auto& [reg, value] : registers) sim->setReg(reg, value);
    makeFrame();
    frame->connection().setIpAddress(address);
    frame->goOnline("TCP");
    pumpFor(50);
    if (!frame->connection().isConnected()) {
        ADD_FAILURE() << "the frame did not go online";
        return false;
    }
    recordedDialogs().clear();
    sim->clearFrames();
    return true;
}

std::vector<std::string> LogicBusTest::framesOf(uint32_t reg) const {
    std::vector<std::string> seen;
    for (const sim::ReceivedFrame& frame : sim->frames()) {
        if (frame.reg != reg) continue;
        char text[24];
        std::snprintf(text, sizeof text, "w:0x%04x", frame.value);
        seen.push_back(frame.isRead ? "r" : text);
    }
    return seen;
}

void LogicBusTest::pick(wxComboBox* combo, long clientNumber) {
    const int index = findChoiceByClientData(combo, clientNumber);
    ASSERT_GE(index, 0) << "no entry " << clientNumber;
    combo->SetSelection(index);
    wxCommandEvent event(wxEVT_COMBOBOX, combo->GetId());
    event.SetEventObject(combo);
    event.SetInt(index);
    combo->GetEventHandler()->ProcessEvent(event);
}

void LogicBusTest::click(wxRadioButton* radio) {
    radio->SetValue(true);
    wxCommandEvent event(wxEVT_RADIOBUTTON, radio->GetId());
    event.SetEventObject(radio);
    event.SetInt(1);
    radio->GetEventHandler()->ProcessEvent(event);
}

void LogicBusTest::click(wxButton* button) {
    wxCommandEvent event(wxEVT_BUTTON, button->GetId());
    event.SetEventObject(button);
    button->GetEventHandler()->ProcessEvent(event);
}

void LogicBusTest::enter(wxTextCtrl* field, const wxString& text) {
    field->ChangeValue(text);
    wxCommandEvent event(wxEVT_TEXT_ENTER, field->GetId());
    event.SetEventObject(field);
    event.SetString(text);
    field->GetEventHandler()->ProcessEvent(event);
}

long LogicBusTest::selectedNumber(wxComboBox* combo) {
    const int index = combo->GetSelection();
    if (index == wxNOT_FOUND) return -1;
    return static_cast<long>(reinterpret_cast<intptr_t>(combo->GetClientData(index)));
}

}  // namespace torvex::test
