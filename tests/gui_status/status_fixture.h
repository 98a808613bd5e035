// A main frame online with a simulated drive over TCP, for the drive status panel's tests.
#pragma once

#include <gtest/gtest.h>

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/config.h>
#include <wx/dialog.h>
#include <wx/fileconf.h>
#include <wx/textctrl.h>
#include <wx/toplevel.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "frame/drive_status_bar.h"
#include "frame/main_frame.h"
#include "services/catalogue.h"
#include "tests/support/menu_actions.h"
#include "tests/support/recording_dialogs.h"
#include "tests/support/sim_fixture.h"
#include "widgets/flashing_status_bar.h"

namespace torvex::test {

// What a person's click does: the button's command event from the button itself.
inline void click(wxButton* button) {
    wxCommandEvent event(wxEVT_BUTTON, button->GetId());
    event.SetEventObject(button);
    button->GetEventHandler()->ProcessEvent(event);
}

class StatusFrameTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/torvex-status-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        home = pattern;
        setenv("HOME", home.c_str(), 1);
        delete wxConfigBase::Set(nullptr);
        std::ofstream(home + "/.Torvex") << "";
        wxConfigBase::Set(new wxFileConfig("Torvex", wxEmptyString, wxEmptyString, wxEmptyString,
                                           wxCONFIG_USE_LOCAL_FILE));
        recordedDialogs().clear();
    }

    void TearDown() override {
        if (frame) {
            frame->Close(true);
            frame = nullptr;
            pumpUntil([] { return wxTopLevelWindows.IsEmpty(); }, 3000);
        }
        drive.reset();
        delete wxConfigBase::Set(nullptr);
        std::error_code ignored;
        std::filesystem::remove_all(home, ignored);
    }

    void makeFrame() {
        frame = new MainFrame("Torvex", wxPoint(50, 50), wxSize(1200, 750));
        frame->Show();
        pumpFor(30);
        panel = frame->driveStatusBar();
        ASSERT_NE(panel, nullptr);
    }

    // A drive on its own loopback address, not yet connected.
    sim::SimDrive* startDrive(sim::SimOptions options = {}) {
        drive = startSimDrive(options, &address);
        return drive.get();
    }

    // Answers the address dialog and chooses TCP; true once the status line says online.
    bool goOnlineTcp() {
        recordedDialogs().modalAnswers.push_back([this](wxDialog& dialog) {
            if (auto* field = dynamic_cast<wxTextCtrl*>(wxWindow::FindWindowByName("ip_address", &dialog)))
                field->ChangeValue(address);
            if (auto* connect = dynamic_cast<wxButton*>(wxWindow::FindWindowByName("connect", &dialog))) test::click(connect);
            return 1;
        });
        chooseMenuItem(frame, kIdTcp);
        return pumpUntil([this] { return frame->statusLine()->statusField(0) == "Drive is online (TCP)."; }, 5000);
    }

    void setUnits(bool on) {
        wxCheckBox* check = panel->testUnitsCheck();
        check->SetValue(on);
        wxCommandEvent event(wxEVT_CHECKBOX, check->GetId());
        event.SetEventObject(check);
        event.SetInt(on ? 1 : 0);
        check->GetEventHandler()->ProcessEvent(event);
    }

    // The value of the last write of reg that reached the drive, or -1.
    long long lastWrite(uint32_t reg) const {
        long long value = -1;
        for (const auto& frame : drive->frames())
            if (!frame.isRead && frame.reg == reg) value = frame.value;
        return value;
    }
    bool writeArrives(uint32_t reg, uint32_t value) const {
        return pumpUntil([&] { return lastWrite(reg) == static_cast<long long>(value); }, 3000);
    }

    static wxString tr(const char* key) { return translate(wxString::FromUTF8(key)); }

    std::string home;
    std::string address;
    std::unique_ptr<sim::SimDrive> drive;
    MainFrame* frame = nullptr;
    DriveStatusBar* panel = nullptr;
};

}  // namespace torvex::test
