#include "tests/gui_position_speed/pages_fixture.h"

#include <wx/button.h>
#include <wx/toplevel.h>

namespace torvex::test {

void PagesOnTheirOwn::SetUp() {
    recordedDialogs().clear();
    sim = startSimDrive({}, &address);
    ASSERT_TRUE(sim);
    window = new wxFrame(nullptr, wxID_ANY, "pages", wxPoint(20, 20), wxSize(900, 700));
    book = new wxNotebook(window, wxID_ANY);
    position = new PositionPage(book, &connection, &limits);
    book->AddPage(position, "Position");
    speed = new SpeedPage(book, &connection, &limits);
    book->AddPage(speed, "Speed");
    window->Show();
    pumpFor(30);
}

void PagesOnTheirOwn::TearDown() {
    connection.disconnectDrive();
    if (window) window->Destroy();
    pumpUntil([] { return wxTopLevelWindows.IsEmpty(); }, 3000);
    recordedDialogs().clear();
}

void PagesOnTheirOwn::connect() {
    connection.setIpAddress(address);
    ASSERT_EQ(connection.connectDrive("TCP", 9600), 0u);
    sim->clearFrames();
}

void PagesOnTheirOwn::enterText(wxTextCtrl* field, const wxString& text) {
    field->wxTextCtrl::ChangeValue(text);
    wxCommandEvent enter(wxEVT_TEXT_ENTER, field->GetId());
    enter.SetEventObject(field);
    field->GetEventHandler()->ProcessEvent(enter);
}

void PagesOnTheirOwn::focusField(DrivePage* page, wxWindow* field) {
    wxChildFocusEvent focus(field);
    page->GetEventHandler()->ProcessEvent(focus);
}

void PagesOnTheirOwn::click(wxWindow* button) {
    wxCommandEvent event(wxEVT_BUTTON, button->GetId());
    event.SetEventObject(button);
    button->GetEventHandler()->ProcessEvent(event);
}

bool PagesOnTheirOwn::shows(wxWindow* control, const wxString& text, int timeoutMs) {
    auto current = [control] {
        if (auto* field = dynamic_cast<wxTextCtrl*>(control)) return field->GetValue();
        return control->GetLabel();
    };
    bool ok = pumpUntil([&] { return current() == text; }, timeoutMs);
    if (!ok) ADD_FAILURE() << "shows '" << current() << "', expected '" << text << "'";
    return ok;
}

RegisterEdit* PagesOnTheirOwn::speedEdit(int reg, int part) const {
    for (RegisterEdit* field : speed->editList())
        if (field->registerNumber() == reg && field->part() == part) return field;
    ADD_FAILURE() << "no Speed field for register " << reg;
    return nullptr;
}

RegisterEdit* PagesOnTheirOwn::positionEditOf(int reg, size_t nth) const {
    for (RegisterEdit* field : position->editList())
        if (field->registerNumber() == reg && nth-- == 0) return field;
    ADD_FAILURE() << "no Position field for register " << reg;
    return nullptr;
}

std::vector<uint32_t> PagesOnTheirOwn::readsSinceClear() const {
    std::vector<uint32_t> reads;
    for (const sim::ReceivedFrame& frame : sim->frames())
        if (frame.isRead) reads.push_back(frame.reg);
    return reads;
}

std::vector<sim::ReceivedFrame> PagesOnTheirOwn::writesSinceClear() const {
    std::vector<sim::ReceivedFrame> writes;
    for (const sim::ReceivedFrame& frame : sim->frames())
        if (!frame.isRead) writes.push_back(frame);
    return writes;
}

}  // namespace torvex::test
