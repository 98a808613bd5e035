// A field's change travels from its page through the notebook to the main frame, which
// hands it to every page and shows the axis name in the status line.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include <wx/fileconf.h>
#include <wx/notebook.h>
#include <wx/toplevel.h>

#include "frame/main_frame.h"
#include "pages/drive_page.h"
#include "tests/support/recording_dialogs.h"
#include "tests/support/sim_fixture.h"
#include "widgets/flashing_status_bar.h"
#include "widgets/register_edit.h"
#include "widgets/register_text_edit.h"

namespace torvex {
namespace {

using test::pumpFor;
using test::pumpUntil;
using test::recordedDialogs;

class FieldsInTheMainFrame : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/torvex-fields-frame-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        home = pattern;
        setenv("HOME", home.c_str(), 1);
        wxConfigBase::Set(new wxFileConfig("Torvex", wxEmptyString, wxEmptyString, wxEmptyString,
                                           wxCONFIG_USE_LOCAL_FILE));
        frame = new MainFrame("Torvex", wxPoint(50, 50), wxSize(1200, 750));
        frame->Show();
        pumpFor(30);

        sim = test::startSimDrive(sim::SimOptions{}, &address);
        ASSERT_TRUE(sim);
        frame->connection().setIpAddress(address);
        ASSERT_EQ(frame->connection().connectDrive("TCP", 9600), 0u);

        page = new DrivePage(frame->notebook(), &frame->connection(), &frame->limits(), DrivePageOptions{});
        limit = page->addEdit(new RegisterEdit(0x34, "Limit", page, "0x34", "", wxPoint(10, 10), wxSize(80, 22),
                                               &frame->connection(), &frame->limits(), 0, 0, 1, false, 0));
        axis = new RegisterTextEdit(0xF8, "Achse", page, "0xf8", "", wxPoint(10, 40), wxSize(60, 22),
                                    &frame->connection());
        page->setAxisNameField(axis);
        frame->notebook()->AddPage(page, "Fields");

        for (auto& step : frame->pageChains().registerChanged) {
            std::string name = step.name;
            step.call = [this, name](int reg, const wxString& text, const std::optional<FieldUnits>&) {
                received.push_back(name + ":" + std::to_string(reg) + ":" + text.utf8_string());
            };
        }
        recordedDialogs().clear();
    }

    void TearDown() override {
        if (frame) {
            frame->connection().disconnectDrive();
            frame->Close(true);
            pumpUntil([] { return wxTopLevelWindows.IsEmpty(); }, 3000);
        }
        delete wxConfigBase::Set(nullptr);
        std::error_code ignored;
        std::filesystem::remove_all(home, ignored);
    }

    static void enterText(wxTextCtrl* field, const wxString& text) {
        field->wxTextCtrl::ChangeValue(text);
        wxCommandEvent enter(wxEVT_TEXT_ENTER, field->GetId());
        enter.SetEventObject(field);
        field->GetEventHandler()->ProcessEvent(enter);
    }

    std::string home;
    std::string address;
    std::unique_ptr<sim::SimDrive> sim;
    MainFrame* frame = nullptr;
    DrivePage* page = nullptr;
    RegisterEdit* limit = nullptr;
    RegisterTextEdit* axis = nullptr;
    std::vector<std::string> received;
};

TEST_F(FieldsInTheMainFrame, EveryPageHearsOfTheChange) {
    enterText(limit, "1500");
    EXPECT_EQ(sim->reg(0x34), 1500u);
    ASSERT_TRUE(pumpUntil([&] { return received.size() == 9; }, 3000)) << received.size();
    for (const auto& line : received) EXPECT_NE(line.find(":52:1500"), std::string::npos) << line;
    EXPECT_EQ(received.front(), "Settings:52:1500");
}

TEST_F(FieldsInTheMainFrame, AxisNameReachesTheStatusLine) {
    enterText(axis, "X1");
    EXPECT_EQ(sim->reg(0xF8), 0x20203158u);
    ASSERT_TRUE(pumpUntil([&] { return received.size() == 9; }, 3000));
    EXPECT_EQ(received.front(), "Settings:248:X1  ");
    EXPECT_EQ(frame->statusLine()->statusField(2), "Achse: X1  ");
    EXPECT_TRUE(recordedDialogs().boxes.empty());
}

}  // namespace
}  // namespace torvex
