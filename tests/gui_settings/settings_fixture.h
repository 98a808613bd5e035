// A main frame with a simulated drive over TCP, and what a person does on the Settings
// page: type into a field and press Enter, pick a choice, click a button.
#pragma once

#include <gtest/gtest.h>

#include <wx/button.h>
#include <wx/combobox.h>
#include <wx/dialog.h>
#include <wx/notebook.h>
#include <wx/textctrl.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "link/registers.h"
#include "pages/settings/settings_page.h"
#include "services/catalogue.h"
#include "tests/support/frame_fixture.h"
#include "tests/support/menu_actions.h"
#include "tests/support/sim_fixture.h"
#include "widgets/register_edit.h"

namespace torvex::test {

class SettingsTest : public FrameTest {
protected:
    void TearDown() override {
        FrameTest::TearDown();
        drive.reset();
    }

    void useLanguage(wxLanguage language) {
        addCatalogueLookupPrefixes();
        ASSERT_TRUE(loadCatalogue(language));
    }

    // Starts the simulated drive with startValues and takes the frame online over TCP.
    void goOnline() {
        std::string address;
        drive = startSimDrive({}, &address);
        ASSERT_TRUE(drive);
        drive->setReg(kRegStatus, 0);
        for (const auto& [reg, value] : startValues) drive->setReg(reg, value);
        recordedDialogs().modalAnswers.push_back([address](wxDialog& dialog) {
            for (wxWindow* child : dialog.GetChildren())
                if (auto* field = dynamic_cast<wxTextCtrl*>(child)) field->ChangeValue(address);
            wxWindow* connect = wxWindow::FindWindowByName("connect", &dialog);
            if (connect) {
                wxCommandEvent click(wxEVT_BUTTON, connect->GetId());
                click.SetEventObject(connect);
                connect->GetEventHandler()->ProcessEvent(click);
            }
            return 1;
        });
        chooseMenuItem(frame, kIdTcp);
        ASSERT_TRUE(pumpUntil([&] { return frame->connection().isConnected(); }, 5000));
        pumpFor(50);
    }

    SettingsPage* page() const { return frame->settingsPage(); }

    void showSettings() {
        frame->notebook()->SetSelection(kTabSettings);
        pumpFor(20);
    }

    // The page's field of a register (part 0 whole, 1 low, 2 high half).
    RegisterEdit* field(int reg, int part = 0) const {
        for (RegisterEdit* edit : page()->editList())
            if (edit->registerNumber() == reg && edit->part() == part) return edit;
        ADD_FAILURE() << "no field for register " << reg << " part " << part;
        return nullptr;
    }

    // Typing leaves the text changed and the saved text as it was; Enter goes the page's way.
    static void enter(wxTextCtrl* control, const wxString& text) {
        control->wxTextCtrl::ChangeValue(text);
        wxCommandEvent event(wxEVT_TEXT_ENTER, control->GetId());
        event.SetEventObject(control);
        event.SetString(text);
        control->GetEventHandler()->ProcessEvent(event);
        pumpFor(20);
    }

    // A click on a button.
    static void click(wxWindow* button) {
        wxCommandEvent event(wxEVT_BUTTON, button->GetId());
        event.SetEventObject(button);
        button->GetEventHandler()->ProcessEvent(event);
        pumpFor(20);
    }

    // Picks the item shown with this text, as a person does in the list.
    static void choose(wxComboBox* box, const wxString& text) {
        int index = box->FindString(text, true);
        ASSERT_NE(index, wxNOT_FOUND) << text;
        box->SetSelection(index);
        wxCommandEvent event(wxEVT_COMBOBOX, box->GetId());
        event.SetEventObject(box);
        event.SetInt(index);
        event.SetString(text);
        box->GetEventHandler()->ProcessEvent(event);
        pumpFor(20);
    }

    // Tells the page that the user works in this field (the focus arrives there).
    static void focusArrives(wxWindow* control) {
        wxChildFocusEvent focus(control);
        control->GetEventHandler()->ProcessEvent(focus);
    }

    // Every frame on one register as "r" (read) or "w<value in hex>".
    std::vector<std::string> framesOn(uint32_t reg) const {
        std::vector<std::string> out;
        for (const auto& frame : drive->frames()) {
            if (frame.reg != reg) continue;
            char text[16];
            std::snprintf(text, sizeof text, "w%x", frame.value);
            out.push_back(frame.isRead ? "r" : text);
        }
        return out;
    }

    int writesTo(uint32_t reg) const {
        int count = 0;
        for (const auto& frame : drive->frames())
            if (!frame.isRead && frame.reg == reg) ++count;
        return count;
    }

    std::vector<std::string> boxTexts() const {
        std::vector<std::string> out;
        for (const auto& box : recordedDialogs().boxes) out.push_back(box.text);
        return out;
    }

    std::unique_ptr<sim::SimDrive> drive;
    std::map<uint32_t, uint32_t> startValues;
};

}  // namespace torvex::test
