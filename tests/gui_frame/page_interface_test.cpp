// The fixed page orders of the frame and the page events travelling through it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "frame/drive_status_bar.h"
#include "widgets/events.h"
#include "pages/diagnose_page.h"
#include "pages/logo_panel.h"
#include "pages/monitor_page.h"
#include "pages/options_page.h"
#include "pages/settings/settings_page.h"
#include "pages/scope/oscilloscope_page.h"
#include "tests/support/frame_fixture.h"

namespace torvex::test {
namespace {

template <class Call>
std::vector<std::string> namesOf(const std::vector<PageCall<Call>>& chain) {
    std::vector<std::string> names;
    for (const auto& step : chain) names.push_back(step.name);
    return names;
}

using Names = std::vector<std::string>;

const Names kReadOrder = {"DriveStatusBar", "Position", "Speed",    "Settings", "Logik",
                          "Oszilloskop",    "BUS",      "Diagnose", "Options",  "Monitor"};
const Names kCyclicOrder = {"Settings", "Position", "Speed", "Oszilloskop", "Diagnose", "Monitor", "Options"};

// Which window each chain name must reach.
wxWindow* pageNamed(MainFrame* frame, const std::string& name) {
    if (name == "DriveStatusBar") return frame->driveStatusBar();
    if (name == "Settings") return frame->notebook()->GetPage(kTabSettings);
    if (name == "Logik") return frame->notebook()->GetPage(kTabLogic);
    if (name == "Position") return frame->notebook()->GetPage(kTabPosition);
    if (name == "Speed") return frame->notebook()->GetPage(kTabSpeed);
    if (name == "BUS") return frame->notebook()->GetPage(kTabCanBus);
    if (name == "Diagnose") return frame->notebook()->GetPage(kTabDiagnose);
    if (name == "Monitor") return frame->notebook()->GetPage(kTabMonitor);
    if (name == "Oszilloskop") return frame->notebook()->GetPage(kTabOscilloscope);
    if (name == "Options") return frame->notebook()->GetPage(kTabOptions);
    return nullptr;
}

TEST_F(FrameTest, ChainsReachThePagesInTheirFixedOrders) {
    makeFrame();
    PageChains& chains = frame->pageChains();
    EXPECT_EQ(namesOf(chains.readFromDrive), kReadOrder);
    EXPECT_EQ(namesOf(chains.cyclicUpdate), kCyclicOrder);
    EXPECT_EQ(namesOf(chains.setOnline),
              (Names{"DriveStatusBar", "Diagnose", "Oszilloskop", "Settings", "Logik", "Options", "Monitor"}));
    EXPECT_EQ(namesOf(chains.registerChanged), (Names{"Settings", "Logik", "Speed", "Position", "Oszilloskop",
                                                      "Diagnose", "DriveStatusBar", "Options", "BUS"}));
    EXPECT_EQ(namesOf(chains.reloadRegisterChoices), (Names{"Settings", "Oszilloskop", "Logik", "Diagnose"}));

    auto checkPages = [this](const auto& chain) {
        for (const auto& step : chain) EXPECT_EQ(step.page, pageNamed(frame, step.name)) << step.name;
    };
    checkPages(chains.readFromDrive);
    checkPages(chains.cyclicUpdate);
    checkPages(chains.setOnline);
    checkPages(chains.registerChanged);
    checkPages(chains.reloadRegisterChoices);

    std::vector<int> selectedTabs, leftTabs;
    for (const auto& [tab, step] : chains.pageSelected) {
        selectedTabs.push_back(tab);
        EXPECT_EQ(step.page, frame->notebook()->GetPage(tab)) << tab;
    }
    for (const auto& [tab, step] : chains.pageLeft) {
        leftTabs.push_back(tab);
        EXPECT_EQ(step.page, frame->notebook()->GetPage(tab)) << tab;
    }
    EXPECT_EQ(selectedTabs, (std::vector<int>{kTabSettings, kTabLogic, kTabPosition, kTabSpeed, kTabMonitor,
                                              kTabOscilloscope, kTabOptions}));
    EXPECT_EQ(leftTabs, (std::vector<int>{kTabDiagnose, kTabOptions}));

    // The stand-in pages succeed while there is nothing to read.
    EXPECT_TRUE(frame->callCyclicUpdate());
    EXPECT_TRUE(frame->logoPanel()->cyclicUpdate());
}

// Replaces each call of a chain by a recorder that fails at the page named failAt.
void instrument(std::vector<PageCall<bool()>>& chain, Names& called, const std::string& failAt) {
    Names* log = &called;
    for (auto& step : chain) {
        std::string name = step.name;
        step.call = [log, name, failAt] {
            log->push_back(name);
            return name != failAt;
        };
    }
}

TEST_F(FrameTest, ChainsWithAResultStopAtTheFirstFailure) {
    makeFrame();
    for (size_t failing = 0; failing <= kReadOrder.size(); ++failing) {
        const std::string failAt = failing < kReadOrder.size() ? kReadOrder[failing] : "";
        Names& called = calls;
        called.clear();
        instrument(frame->pageChains().readFromDrive, called, failAt);
        bool ok = frame->callReadFromDrive();
        EXPECT_EQ(ok, failAt.empty()) << failAt;
        size_t expectedCalls = failAt.empty() ? kReadOrder.size() : failing + 1;
        EXPECT_EQ(called, Names(kReadOrder.begin(), kReadOrder.begin() + expectedCalls)) << failAt;
    }
    for (size_t failing = 0; failing <= kCyclicOrder.size(); ++failing) {
        const std::string failAt = failing < kCyclicOrder.size() ? kCyclicOrder[failing] : "";
        Names& called = calls;
        called.clear();
        instrument(frame->pageChains().cyclicUpdate, called, failAt);
        EXPECT_EQ(frame->callCyclicUpdate(), failAt.empty()) << failAt;
        size_t expectedCalls = failAt.empty() ? kCyclicOrder.size() : failing + 1;
        EXPECT_EQ(called, Names(kCyclicOrder.begin(), kCyclicOrder.begin() + expectedCalls)) << failAt;
    }
}

TEST_F(FrameTest, SpeedFailingLeavesSettingsAndLaterPagesUnread) {
    makeFrame();
    instrument(frame->pageChains().readFromDrive, calls, "Speed");
    EXPECT_FALSE(frame->callReadFromDrive());
    EXPECT_EQ(calls, (Names{"DriveStatusBar", "Position", "Speed"}));
}

TEST_F(FrameTest, SetOnlineReachesEveryPageInOrder) {
    makeFrame();
    for (auto& step : frame->pageChains().setOnline) {
        std::string name = step.name;
        step.call = [this, name](bool online) { calls.push_back(name + (online ? " on" : " off")); };
    }
    frame->callSetOnline(true);
    EXPECT_EQ(calls, (Names{"DriveStatusBar on", "Diagnose on", "Oszilloskop on", "Settings on", "Logik on",
                            "Options on", "Monitor on"}));
}

TEST_F(FrameTest, RegisterChangeTravelsThroughTheNotebookToEveryPage) {
    makeFrame();
    Names& called = calls;
    for (auto& step : frame->pageChains().registerChanged) {
        std::string name = step.name;
        step.call = [this, name](int reg, const wxString& text, const std::optional<FieldUnits>&) {
            calls.push_back(name + ":" + std::to_string(reg) + ":" + text.utf8_string());
        };
    }
    // A page posts its change to its parent, the notebook.
    wxWindow* speed = frame->notebook()->GetPage(kTabSpeed);
    postProgramEvent(speed->GetParent(), RegisterChangedEvent, 0x34, "1234");
    ASSERT_TRUE(pumpUntil([&] { return called.size() == 9; }, 2000));
    EXPECT_EQ(called, (std::vector<std::string>{"Settings:52:1234", "Logik:52:1234", "Speed:52:1234",
                                                "Position:52:1234", "Oszilloskop:52:1234", "Diagnose:52:1234",
                                                "DriveStatusBar:52:1234", "Options:52:1234", "BUS:52:1234"}));
    EXPECT_EQ(statusField(2), "Achse: -") << "only the axis name register changes the status line";

    called.clear();
    postProgramEvent(frame->notebook()->GetPage(kTabSettings)->GetParent(), RegisterChangedEvent, 0xF8, "X1Y2");
    ASSERT_TRUE(pumpUntil([&] { return called.size() == 9; }, 2000));
    EXPECT_EQ(statusField(2), "Achse: X1Y2");
    EXPECT_EQ(called[0], "Settings:248:X1Y2");
}

TEST_F(FrameTest, PageChangeCallsTheSelectedAndTheLeftPage) {
    makeFrame();
    Names& called = calls;
    for (auto& [tab, step] : frame->pageChains().pageSelected) {
        std::string name = step.name;
        step.call = [this, name] { calls.push_back("selected " + name); };
    }
    for (auto& [tab, step] : frame->pageChains().pageLeft) {
        std::string name = step.name;
        step.call = [this, name] { calls.push_back("left " + name); };
    }
    wxNotebook* notebook = frame->notebook();
    notebook->SetSelection(kTabDiagnose);
    pumpFor(20);
    EXPECT_EQ(called, std::vector<std::string>{}) << "nothing is called for Diagnose becoming selected";
    EXPECT_EQ(frame->selectedPage(), kTabDiagnose);

    notebook->SetSelection(kTabMonitor);
    pumpFor(20);
    EXPECT_EQ(called, (std::vector<std::string>{"selected Monitor", "left Diagnose"}));
    EXPECT_TRUE(frame->isPageShown(frame->monitorPage()));
    EXPECT_FALSE(frame->isPageShown(frame->diagnosePage()));

    called.clear();
    notebook->SetSelection(kTabSettings);
    pumpFor(20);
    EXPECT_EQ(called, (std::vector<std::string>{"selected Settings"}));
    called.clear();
    notebook->SetSelection(kTabCanBus);
    pumpFor(20);
    EXPECT_TRUE(called.empty());
}

TEST_F(FrameTest, LeavingOptionsReloadsTheFourRegisterChoiceLists) {
    makeFrame();
    Names& reloaded = calls;
    for (auto& step : frame->pageChains().reloadRegisterChoices) {
        std::string name = step.name;
        step.call = [this, name] { calls.push_back(name); };
    }
    wxNotebook* notebook = frame->notebook();
    notebook->SetSelection(kTabOptions);
    pumpFor(20);
    EXPECT_TRUE(reloaded.empty());
    notebook->SetSelection(kTabPosition);
    ASSERT_TRUE(pumpUntil([&] { return reloaded.size() == 4; }, 2000));
    EXPECT_EQ(reloaded, (std::vector<std::string>{"Settings", "Oszilloskop", "Logik", "Diagnose"}));
}

TEST_F(FrameTest, SentEventsFromPagesReachTheFrame) {
    makeFrame();
    // The drive status panel stops a step test; the Settings page switches the digital speed mode.
    EXPECT_TRUE(sendProgramEventToParent(frame->driveStatusBar(), StopStepTestEvent));
    EXPECT_TRUE(sendProgramEventToParent(frame->settingsPage(), DigitalSpeedEvent, 1));
    EXPECT_FALSE(sendProgramEventToParent(frame, StopStepTestEvent)) << "a window without parent sends nothing";
}

}  // namespace
}  // namespace torvex::test
