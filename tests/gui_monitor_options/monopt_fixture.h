// A main frame with a simulated drive over TCP, and what a person does on the Monitor and
// Options pages: pick a tab, click a radio button, press Enter in a field.
#pragma once

#include <gtest/gtest.h>

#include <wx/dialog.h>
#include <wx/radiobut.h>
#include <wx/textctrl.h>

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "link/registers.h"
#include "pages/monitor_page.h"
#include "pages/monitor_rows.h"
#include "pages/options_page.h"
#include "tests/support/frame_fixture.h"
#include "tests/support/menu_actions.h"
#include "tests/support/sim_fixture.h"

namespace torvex::test {

class MonOptTest : public FrameTest {
protected:
    void TearDown() override {
        FrameTest::TearDown();
        drive.reset();
        setMonitorCatalogueLookup(nullptr);
    }

    // Monitor rows from these keys instead of the catalogue (before the frame is built).
    static void useMonitorKeys(std::map<std::string, std::string> entries) {
        setMonitorCatalogueLookup([entries](const wxString& key) {
            auto found = entries.find(key.utf8_string());
            return found == entries.end() ? key : wxString::FromUTF8(found->second);
        });
    }

    // Starts the simulated drive and takes the frame online with it over TCP.
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
        ASSERT_TRUE(pumpUntil([&] { return statusField(0) == "Drive is online (TCP)."; }, 5000)) << statusField(0);
    }

    // The same over CAN, through the test build of the adapter library: the one link on
    // which the drive can make a write fail.
    void goOnlineOverCan() {
        const std::string library = sim::SimDrive::canAdapterLibrary();
        ASSERT_FALSE(library.empty());
        sim::SimOptions options;
        options.tcpAddress.clear();
        options.can = true;
        drive = startSimDrive(options, nullptr);
        ASSERT_TRUE(drive);
        drive->setReg(kRegStatus, 0);
        for (const auto& [reg, value] : startValues) drive->setReg(reg, value);
        setenv("TORVEX_CAN_LIBRARY", library.c_str(), 1);
        setenv("TORVEX_CAN_SIM", drive->canEndpoint().c_str(), 1);
        chooseMenuItem(frame, kIdFirstPort + 8);
        ASSERT_TRUE(pumpUntil([&] { return statusField(0) == "Drive is online (CAN)."; }, 5000)) << statusField(0);
    }

    void selectTab(int tab) {
        frame->notebook()->SetSelection(tab);
        pumpFor(20);
    }

    static void click(wxRadioButton* button) {
        button->SetValue(true);
        wxCommandEvent event(wxEVT_RADIOBUTTON, button->GetId());
        event.SetEventObject(button);
        event.SetInt(1);
        button->GetEventHandler()->ProcessEvent(event);
        pumpFor(20);
    }

    static void pressEnter(wxTextCtrl* field) {
        wxCommandEvent event(wxEVT_TEXT_ENTER, field->GetId());
        event.SetEventObject(field);
        event.SetString(field->GetValue());
        field->GetEventHandler()->ProcessEvent(event);
        pumpFor(20);
    }

    // The registers the drive was asked to read, oldest first, of those in regs only.
    std::vector<uint32_t> readsOf(const std::set<uint32_t>& regs) const {
        std::vector<uint32_t> out;
        for (const auto& frame : drive->frames())
            if (frame.isRead && regs.count(frame.reg)) out.push_back(frame.reg);
        return out;
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

    std::vector<std::string> boxTexts() const {
        std::vector<std::string> out;
        for (const auto& box : recordedDialogs().boxes) out.push_back(box.text);
        return out;
    }

    std::vector<RecordedBox> boxesWithCaption(const std::string& caption) const {
        std::vector<RecordedBox> out;
        for (const auto& box : recordedDialogs().boxes)
            if (box.caption == caption) out.push_back(box);
        return out;
    }

    MonitorPage* monitor() const { return frame->monitorPage(); }
    OptionsPage* options() const { return frame->optionsPage(); }

    std::unique_ptr<sim::SimDrive> drive;
    std::map<uint32_t, uint32_t> startValues;
};

// The first register of the table with this width and signedness, not among avoid.
inline uint32_t registerWith(bool wide, bool isUnsigned, std::set<uint32_t> avoid = {}) {
    for (uint32_t reg = 1; reg < 255; ++reg)
        if (registerAccessClass(reg) != 0 && is32bitRegister(reg) == wide && isRegisterUnsigned(reg) == isUnsigned &&
            !avoid.count(reg))
            return reg;
    return 0;
}

inline std::string hexKey(uint32_t reg) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02x", reg);
    return text;
}

}  // namespace torvex::test
