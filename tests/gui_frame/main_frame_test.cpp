// The main frame after start, its menus and Help commands, and closing.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include <wx/app.h>
#include <wx/filename.h>
#include <wx/imaglist.h>
#include <wx/toplevel.h>

#include "widgets/events.h"
#include "services/catalogue.h"
#include "frame/drive_status_bar.h"
#include "pages/logo_panel.h"
#include "pages/scope/oscilloscope_page.h"
#include "link/i18n.h"
#include "tests/support/frame_fixture.h"
#include "tests/support/menu_actions.h"

namespace torvex::test {
namespace {

std::string fileContents(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST_F(FrameTest, StartsOfflineOnTheLogoPage) {
    makeFrame();
    wxNotebook* notebook = frame->notebook();
    ASSERT_NE(notebook, nullptr);
    EXPECT_EQ(notebook->GetSelection(), kTabLogo);
    EXPECT_EQ(frame->selectedPage(), kTabLogo);
    ASSERT_EQ(notebook->GetPageCount(), 11u);
    EXPECT_EQ(notebook->GetPageText(0), "");
    EXPECT_EQ(notebook->GetPageImage(0), 0);
    const char* tabs[] = {"",       "Settings", "Logik",       "Position", "Speed", "BUS",
                          "Diagnose", "Monitor", "Oszilloskop", "Options",  "Auto"};
    for (size_t tab = 1; tab < 11; ++tab) {
        EXPECT_EQ(notebook->GetPageText(tab), tabs[tab]) << tab;
        EXPECT_EQ(notebook->GetPageImage(tab), -1) << tab;
    }
    EXPECT_EQ(notebook->GetPage(kTabLogo), frame->logoPanel());
    EXPECT_EQ(notebook->GetPage(kTabOscilloscope), static_cast<wxWindow*>(frame->oscilloscopePage()));

    EXPECT_EQ(statusField(0), "Drive is offline.");
    EXPECT_EQ(statusField(1), "Firmware: -");
    EXPECT_EQ(statusField(2), "Achse: -");
    EXPECT_EQ(frame->GetStatusBar()->GetFieldsCount(), 3);
    EXPECT_EQ(frame->GetStatusBarPane(), -1);
    EXPECT_EQ(frame->GetStatusBar()->GetName(), "status_line");
    EXPECT_EQ(frame->GetName(), "frame");
    EXPECT_EQ(frame->GetTitle(), "Torvex V2.0beta43tcp");

    // Every page lives in the notebook; all but Logik keep the picture area as their minimum.
    for (size_t tab = 0; tab < 11; ++tab) {
        wxWindow* page = notebook->GetPage(tab);
        EXPECT_EQ(page->GetParent(), notebook) << tab;
        EXPECT_EQ(page->GetName(), "panel") << tab;
        if (tab != kTabLogic) {
            EXPECT_EQ(page->GetMinSize(), wxSize(831, 619)) << tab;
        }
    }

    EXPECT_TRUE(item(kIdOffline)->IsChecked());
    for (int port = kIdFirstPort; port <= kIdTcp; ++port) EXPECT_FALSE(item(port)->IsChecked()) << port;
    for (int id : {kIdLoadRegisters, kIdSaveRegisters, kIdImport, kIdPrintRegisters, kIdPrintSelection,
                   kIdExecuteScript, kIdSerialBoot})
        EXPECT_FALSE(item(id)->IsEnabled()) << id;
    for (int id : {kIdExit, kIdOffline, kIdViewFile, kIdManual, kIdAbout, kIdChangeLanguage, kIdBaud9600})
        EXPECT_TRUE(item(id)->IsEnabled()) << id;

    // The drive status panel sits at the left, given 100 x 450 and grown to what its blocks
    // need; the limits come from the file.
    EXPECT_GE(frame->driveStatusBar()->GetSize().x, 100);
    EXPECT_GE(frame->driveStatusBar()->GetSize().y, 450);
    EXPECT_EQ(frame->driveStatusBar()->GetParent(), frame);
    EXPECT_EQ(frame->limits().minimum.at(52), 0);
    EXPECT_EQ(frame->limits().maximum.at(52), 32767);
    EXPECT_TRUE(recordedDialogs().boxes.empty());
}

TEST_F(FrameTest, MenusCarryTheirTextsKindsAndShortcuts) {
    makeFrame();
    wxMenuBar* bar = frame->GetMenuBar();
    ASSERT_EQ(bar->GetMenuCount(), 3u);
    EXPECT_EQ(bar->GetMenuLabel(0), "&File");
    EXPECT_EQ(bar->GetMenuLabel(1), "Communication");
    EXPECT_EQ(bar->GetMenuLabel(2), "&Help");
    EXPECT_EQ(bar->GetMenu(0), frame->fileMenu());
    EXPECT_EQ(bar->GetMenu(1), frame->communicationMenu());

    struct Expected {
        int id;
        const char* label;
        wxItemKind kind;
    };
    const Expected items[] = {
        {kIdLoadRegisters, "&Load registers...\tAlt-L", wxITEM_NORMAL},
        {kIdSaveRegisters, "&Save registers...\tAlt-S", wxITEM_NORMAL},
        {kIdImport, "Import register file (*.vtd)...", wxITEM_NORMAL},
        {kIdPrintRegisters, "&Print registers...\tAlt-P", wxITEM_NORMAL},
        {kIdPrintSelection, "Print selection of registers...", wxITEM_NORMAL},
        {kIdExecuteScript, "Execute script", wxITEM_NORMAL},
        {kIdExit, "E&xit\tAlt-X", wxITEM_NORMAL},
        {kIdOffline, "Offline\tAlt-O", wxITEM_CHECK},
        {kIdFirstPort, "COM1\tAlt-1", wxITEM_CHECK},
        {kIdFirstPort + 7, "COM8\tAlt-8", wxITEM_CHECK},
        {kIdFirstPort + 8, "CAN\tAlt-9", wxITEM_CHECK},
        {kIdBaud9600, "9600", wxITEM_CHECK},
        {kIdBaud115200, "115200", wxITEM_CHECK},
        {kIdViewFile, "View File...\tAlt-V", wxITEM_CHECK},
        {kIdSerialBoot, "Serial Boot", wxITEM_NORMAL},
        {kIdManual, "Manual\tF1", wxITEM_NORMAL},
        {kIdAbout, "&About...", wxITEM_NORMAL},
        {kIdChangeLanguage, "Change Language...", wxITEM_NORMAL},
    };
    for (const auto& expected : items) {
        wxMenuItem* menuItem = item(expected.id);
        ASSERT_NE(menuItem, nullptr) << expected.id;
        EXPECT_EQ(menuItem->GetItemLabel(), expected.label) << expected.id;
        EXPECT_EQ(menuItem->GetKind(), expected.kind) << expected.id;
        EXPECT_EQ(menuItem->GetHelp(), "") << expected.id;
    }
    // TCP's shortcut text "Alt-10" names no key; the port itself is there.
    EXPECT_TRUE(item(kIdTcp)->GetItemLabelText().StartsWith("TCP"));
    ASSERT_NE(item(kIdBaudrateMenu), nullptr);
    EXPECT_EQ(item(kIdBaudrateMenu)->GetSubMenu(), frame->baudrateMenu());
}

TEST_F(FrameTest, BaudrateMarkFollowsTheConfiguration) {
    const struct {
        const char* config;
        int marked;
    } cases[] = {
        {"Baudrate=115200\n", kIdBaud115200},
        {"Baudrate=9600\n", kIdBaud9600},
        {"Baudrate=abc\n", kIdBaud9600},
        {"Baudrate=\n", kIdBaud9600},
        {"", kIdBaud9600},
        {"Baudrate=19200\n", kIdBaud9600},
    };
    for (const auto& c : cases) {
        writeConfig(c.config);
        makeFrame();
        int other = c.marked == kIdBaud9600 ? kIdBaud115200 : kIdBaud9600;
        EXPECT_TRUE(item(c.marked)->IsChecked()) << c.config;
        EXPECT_FALSE(item(other)->IsChecked()) << c.config;
        closeFrame();
    }
}

TEST_F(FrameTest, ChoosingABaudrateStoresItAndMovesTheMark) {
    makeFrame();
    wxCommandEvent choose115200(wxEVT_MENU, kIdBaud115200);
    item(kIdBaud115200)->Check(true);  // what the click itself does
    frame->ProcessWindowEvent(choose115200);
    EXPECT_EQ(readConfigValue("Baudrate"), "115200");
    EXPECT_TRUE(item(kIdBaud115200)->IsChecked());
    EXPECT_FALSE(item(kIdBaud9600)->IsChecked());
    EXPECT_NE(fileContents(home + "/.Torvex").find("Baudrate=115200"), std::string::npos);

    // Clicking the marked speed again toggles its mark off; it comes back, the value stays.
    item(kIdBaud115200)->Check(false);
    frame->ProcessWindowEvent(choose115200);
    EXPECT_TRUE(item(kIdBaud115200)->IsChecked());

    wxCommandEvent choose9600(wxEVT_MENU, kIdBaud9600);
    item(kIdBaud9600)->Check(true);
    frame->ProcessWindowEvent(choose9600);
    EXPECT_EQ(readConfigValue("Baudrate"), "9600");
    EXPECT_TRUE(item(kIdBaud9600)->IsChecked());
    EXPECT_FALSE(item(kIdBaud115200)->IsChecked());
}

TEST_F(FrameTest, FileMenuCommandsArePostedToTheFrame) {
    makeFrame();
    auto recorder = [this](const char* name) {
        return [this, name](wxCommandEvent& event) { calls.push_back(name + std::to_string(event.GetInt())); };
    };
    frame->Bind(LoadRegistersEvent, recorder("load "));
    frame->Bind(SaveRegistersEvent, recorder("save "));
    frame->Bind(ExecuteScriptEvent, recorder("script "));
    for (int id : {kIdLoadRegisters, kIdSaveRegisters, kIdExecuteScript}) {
        wxCommandEvent click(wxEVT_MENU, id);
        frame->ProcessWindowEvent(click);
    }
    EXPECT_TRUE(calls.empty()) << "posted, so handled later from the queue";
    pumpUntil([&] { return calls.size() == 3; }, 2000);
    // Saving from the menu saves every readable register (integer 1).
    EXPECT_EQ(calls, (std::vector<std::string>{"load 0", "save 1", "script 0"}));
}

TEST_F(FrameTest, AboutBoxShowsVersionAndCaption) {
    makeFrame();
    wxCommandEvent about(wxEVT_MENU, kIdAbout);
    frame->ProcessWindowEvent(about);
    ASSERT_EQ(recordedDialogs().boxes.size(), 1u);
    const RecordedBox& box = recordedDialogs().boxes[0];
    EXPECT_EQ(box.caption, "About Torvex");
    EXPECT_EQ(box.style, wxOK | wxICON_INFORMATION);
    EXPECT_EQ(box.text.rfind("Torvex V2.0beta43tcp\nLanguage file version is unknown\n\n", 0), 0u) << box.text;
    EXPECT_NE(box.text.find("Velmar"), std::string::npos);
}

TEST_F(FrameTest, ChangeLanguageStoresTheChoiceAndAsksForARestart) {
    writeConfig("Language=1\n");
    makeFrame();
    recordedDialogs().choiceAnswers.push_back(2);  // English
    wxCommandEvent change(wxEVT_MENU, kIdChangeLanguage);
    frame->ProcessWindowEvent(change);
    ASSERT_EQ(recordedDialogs().choiceMessages.size(), 1u);
    EXPECT_EQ(recordedDialogs().choiceMessages[0], "Please choose language:");
    EXPECT_EQ(readConfigValue("Language"), "3");
    EXPECT_NE(fileContents(home + "/.Torvex").find("Language=3"), std::string::npos);
    ASSERT_EQ(recordedDialogs().boxes.size(), 1u);
    EXPECT_EQ(recordedDialogs().boxes[0].text,
              "You have to restart Torvex to take effect of the newly choosen language.");
    EXPECT_EQ(recordedDialogs().boxes[0].caption, "Information");
    EXPECT_EQ(recordedDialogs().boxes[0].style, wxOK | wxICON_EXCLAMATION);
    // The running window keeps its texts.
    EXPECT_EQ(frame->GetMenuBar()->GetMenuLabel(0), "&File");

    // Cancelled, the choice changes nothing: the stored language stays and no restart is asked for.
    recordedDialogs().clear();
    frame->ProcessWindowEvent(change);
    EXPECT_EQ(recordedDialogs().choiceMessages.size(), 1u);
    EXPECT_EQ(readConfigValue("Language"), "3");
    EXPECT_NE(fileContents(home + "/.Torvex").find("Language=3"), std::string::npos);
    EXPECT_TRUE(recordedDialogs().boxes.empty());
}

TEST_F(FrameTest, ManualIsOpenedAsAPathNamedByTheLanguage) {
    setManualOpener([this](const wxString& path) {
        calls.push_back(path.utf8_string());
        return true;
    });
    std::vector<std::string>& opened = calls;
    const struct {
        const char* config;
        const char* file;
    } cases[] = {
        {"Language=1\n", "Torvex_de.pdf"}, {"Language=2\n", "Torvex_fr.pdf"}, {"Language=3\n", "Torvex_en.pdf"},
        {"Language=0\n", "Torvex_en.pdf"}, {"", "Torvex_en.pdf"},
    };
    for (const auto& c : cases) {
        writeConfig(c.config);
        makeFrame();
        opened.clear();
        wxCommandEvent manual(wxEVT_MENU, kIdManual);
        frame->ProcessWindowEvent(manual);
        ASSERT_EQ(opened.size(), 1u) << c.config;
        wxFileName path(wxString::FromUTF8(opened[0]));
        EXPECT_TRUE(path.IsAbsolute()) << opened[0];
        EXPECT_EQ(path.GetFullName(), c.file) << c.config;
        EXPECT_EQ(path.GetPath(), wxGetCwd());
        closeFrame();
    }
}

TEST_F(FrameTest, ClosingEndsQuicklyAndLeavesNoWindow) {
    makeFrame();
    wxCommandEvent exit(wxEVT_MENU, kIdExit);
    frame->ProcessWindowEvent(exit);
    frame = nullptr;
    EXPECT_TRUE(pumpUntil([] { return wxTopLevelWindows.IsEmpty(); }, 2000));
    EXPECT_TRUE(recordedDialogs().boxes.empty());
}

// Every wake-up of the event loop (a blink of the status line, a value from the polling
// thread) must not walk all of the frame's windows with events none of them handles.
TEST_F(FrameTest, IdleAndUpdateUiEventsReachOnlyTheWindowsThatAskOnTheShownPage) {
    makeFrame();
    int panelIdle = 0, panelUpdateUi = 0, askingIdle = 0, settingsIdle = 0;
    DriveStatusBar* panel = frame->driveStatusBar();
    ASSERT_NE(panel, nullptr);
    panel->Bind(wxEVT_IDLE, [&](wxIdleEvent& event) {
        ++panelIdle;
        event.Skip();
    });
    // Update-UI events travel up: the panel hears those of its controls too.
    panel->Bind(wxEVT_UPDATE_UI, [&](wxUpdateUIEvent& event) {
        ++panelUpdateUi;
        event.Skip();
    });
    auto asking = [](wxWindow* parent, int* count) {
        auto* window = new wxWindow(parent, wxID_ANY, wxPoint(0, 0), wxSize(1, 1));
        window->SetExtraStyle(wxWS_EX_PROCESS_IDLE);
        window->Bind(wxEVT_IDLE, [count](wxIdleEvent& event) {
            ++*count;
            event.Skip();
        });
    };
    asking(panel, &askingIdle);
    asking(frame->notebook()->GetPage(kTabSettings), &settingsIdle);

    for (int round = 0; round < 5; ++round) {
        wxWakeUpIdle();
        pumpFor(20);
    }
    EXPECT_EQ(panelIdle, 0);
    EXPECT_EQ(panelUpdateUi, 0);
    EXPECT_GT(askingIdle, 0) << "a window that asks still gets them";
    EXPECT_EQ(settingsIdle, 0) << "the Settings page is not shown";

    frame->notebook()->SetSelection(kTabSettings);
    EXPECT_TRUE(pumpUntil([&] { return settingsIdle > 0; }, 2000)) << "shown, its windows take part again";
}

TEST_F(FrameTest, MissingCanLibraryBoxNamesTheFileLookedFor) {
    const std::string missing = home + "/no-such-adapter.so";
    setenv("TORVEX_CAN_LIBRARY", missing.c_str(), 1);
    installCatalogueTranslator();
    makeFrame();
    const std::pair<wxLanguage, std::string> cases[] = {
        {wxLANGUAGE_ENGLISH, "Can't load " + missing + "!"},
        {wxLANGUAGE_GERMAN, missing + " kann nicht geladen werden!"},
        {wxLANGUAGE_FRENCH, "Impossible de charger " + missing + " !"},
    };
    for (const auto& [language, text] : cases) {
        ASSERT_TRUE(loadCatalogue(language));
        recordedDialogs().clear();
        chooseMenuItem(frame, kIdFirstPort + 8);  // CAN
        ASSERT_EQ(recordedDialogs().boxes.size(), 1u) << language;
        EXPECT_EQ(recordedDialogs().boxes[0].text, text);
        EXPECT_FALSE(frame->connection().isConnected());
    }
    setTranslator(nullptr);
    unsetenv("TORVEX_CAN_LIBRARY");
}

TEST_F(FrameTest, TextsComeFromTheCatalogue) {
    ASSERT_TRUE(loadCatalogue(wxLANGUAGE_FRENCH));
    makeFrame();
    EXPECT_EQ(statusField(0), wxString::FromUTF8("Le variateur est hors ligne."));
    EXPECT_EQ(statusField(2), wxString::FromUTF8("Axe : -"));
    EXPECT_EQ(frame->notebook()->GetPageText(kTabOscilloscope), "Oscilloscope");
    EXPECT_EQ(frame->GetMenuBar()->GetMenuLabel(2), "&Aide");
    EXPECT_EQ(item(kIdChangeLanguage)->GetItemLabel(), "Change Language...") << "shown as written";

    // A register change of the axis name shows the translated label.
    postProgramEvent(frame->notebook(), RegisterChangedEvent, 0xF8, "AX01");
    EXPECT_TRUE(pumpUntil([&] { return statusField(2) == wxString::FromUTF8("Axe : AX01"); }, 2000))
        << statusField(2);

    wxCommandEvent about(wxEVT_MENU, kIdAbout);
    frame->ProcessWindowEvent(about);
    ASSERT_EQ(recordedDialogs().boxes.size(), 1u);
    EXPECT_EQ(recordedDialogs().boxes[0].caption, wxString::FromUTF8("À propos de Torvex").utf8_string());
}

TEST(LogoPanelTest, LinkRectangleBordersAndCursor) {
    const struct {
        wxPoint point;
        bool inside;
    } points[] = {{{71, 61}, true},  {{249, 169}, true}, {{70, 100}, false}, {{250, 100}, false},
                  {{100, 60}, false}, {{100, 170}, false}, {{160, 120}, true}};
    for (const auto& p : points) EXPECT_EQ(LogoPanel::isInsideLink(p.point), p.inside) << p.point.x << "," << p.point.y;

    auto* top = new wxFrame(nullptr, wxID_ANY, "logo");
    auto* logo = new LogoPanel(top);
    EXPECT_EQ(logo->logoBitmap().GetSize(), wxSize(831, 619));
    EXPECT_EQ(logo->GetMinSize(), wxSize(831, 619));
    auto move = [logo](int x, int y) {
        wxMouseEvent motion(wxEVT_MOTION);
        motion.SetPosition(wxPoint(x, y));
        logo->ProcessWindowEvent(motion);
    };
    move(70, 100);
    EXPECT_FALSE(logo->handCursorShown());
    move(71, 100);
    EXPECT_TRUE(logo->handCursorShown());
    move(200, 100);
    EXPECT_TRUE(logo->handCursorShown());
    move(250, 100);
    EXPECT_FALSE(logo->handCursorShown());
    top->Destroy();
    pumpFor(10);
}

long long g_fakeSeconds = 0;
std::vector<wxString> g_openedPages;

TEST(LogoPanelTest, RepeatedClicksOpenThePageOnce) {
    LogoPanel::setSecondsClock([] { return g_fakeSeconds; });
    LogoPanel::setLinkOpener([](const wxString& url) {
        g_openedPages.push_back(url);
        return true;
    });
    auto* top = new wxFrame(nullptr, wxID_ANY, "logo");
    auto* logo = new LogoPanel(top);
    auto click = [logo](int x, int y) {
        wxMouseEvent up(wxEVT_LEFT_UP);
        up.SetPosition(wxPoint(x, y));
        logo->ProcessWindowEvent(up);
    };
    g_fakeSeconds = 1000;
    click(100, 100);
    g_fakeSeconds = 1001;
    click(100, 100);
    EXPECT_EQ(g_openedPages.size(), 1u);
    g_fakeSeconds = 1004;
    click(300, 300);  // outside the link
    EXPECT_EQ(g_openedPages.size(), 1u);
    click(100, 100);
    EXPECT_EQ(LogoPanel::lastLinkOpened(), 1004);
    LogoPanel::setSecondsClock(nullptr);
    LogoPanel::setLinkOpener(nullptr);
    top->Destroy();
    pumpFor(10);
    ASSERT_EQ(g_openedPages.size(), 2u);
    EXPECT_EQ(g_openedPages[0], "https://www.velmar.example/");
}

}  // namespace
}  // namespace torvex::test
