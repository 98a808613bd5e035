// The tool's one top-level window. Its code spans several files, one per concern:
// main_frame.cpp (construction, menus, help, closing), main_frame_pages.cpp (page
// events and the page call orders), main_frame_online.cpp (going online and offline,
// polling and watching), main_frame_files.cpp (register-set, script, print and boot
// commands).
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <vector>

#include <wx/frame.h>

#include "link/connection.h"
#include "link/limits.h"
#include "widgets/field_logic.h"

class wxNotebook;
class wxImageList;
class wxMenu;
class wxBookCtrlEvent;

namespace torvex {

class FlashingStatusBar;
class DriveStatusBar;
class LogoPanel;
class SettingsPage;
class LogicPage;
class PositionPage;
class SpeedPage;
class CanBusPage;
class DiagnosePage;
class MonitorPage;
class OscilloscopePage;
class OptionsPage;
class ControlTuningPanel;
class PollThread;
class WatchThread;

// One call of a page operation: the window it reaches and the bound call.
template <class Signature>
struct PageCall {
    wxWindow* page = nullptr;
    const char* name = "";  // the page's tab text key, or "DriveStatusBar"
    std::function<Signature> call;
};

// The frame drives its pages through these lists, each built once after the pages in
// its fixed order; the chains with a result stop at the first page that fails.
// Read by the polling thread as well (cyclicUpdate), so they change only while the
// frame is offline.
struct PageChains {
    // The drive status panel's pollDriveStatus first, then Position, Speed, Settings,
    // Logik, Oszilloskop, BUS, Diagnose, Options, Monitor.
    std::vector<PageCall<bool()>> readFromDrive;
    // Settings, Position, Speed, Oszilloskop, Diagnose, Monitor, Options (the logo
    // page's own cyclic update is not part of it).
    std::vector<PageCall<bool()>> cyclicUpdate;
    // The drive status panel's enableTestControls, then Diagnose, Oszilloskop,
    // Settings, Logik, Options, Monitor.
    std::vector<PageCall<void(bool)>> setOnline;
    // Settings, Logik, Speed, Position, Oszilloskop, Diagnose, drive status panel,
    // Options, BUS. The register, the text and the units of the field that changed it
    // (nothing when the notice names none).
    std::vector<PageCall<void(int, const wxString&, const std::optional<FieldUnits>&)>> registerChanged;
    // Settings, Oszilloskop, Logik, Diagnose.
    std::vector<PageCall<void()>> reloadRegisterChoices;
    // By tab index: the page that became selected, and the page that was left.
    std::map<int, PageCall<void()>> pageSelected;
    std::map<int, PageCall<void()>> pageLeft;
};

// Tab indexes of the notebook.
enum PageTab : int {
    kTabLogo = 0,
    kTabSettings = 1,
    kTabLogic = 2,
    kTabPosition = 3,
    kTabSpeed = 4,
    kTabCanBus = 5,
    kTabDiagnose = 6,
    kTabMonitor = 7,
    kTabOscilloscope = 8,
    kTabOptions = 9,
    kTabControlTuning = 10,
};

// Opens the manual (a file path, never through a shell); returns whether it opened.
using ManualOpener = std::function<bool(const wxString& path)>;
// Replaces the opener (the desktop's default application when empty); returns the previous.
ManualOpener setManualOpener(ManualOpener opener);

// No window of the program works in idle time or from update-UI events, so the toolkit
// sends both only to windows that ask for them (wxWS_EX_PROCESS_IDLE,
// wxWS_EX_PROCESS_UI_UPDATES). The frame sets this up before it builds its windows.
void limitIdleAndUpdateUiEvents();

// Menu ids.
enum MenuId : int {
    kIdExit = 1,
    kIdAbout = 2,
    kIdOffline = 3,
    kIdFirstPort = 4,   // 4..13: COM1..COM8, CAN, TCP
    kIdTcp = 13,
    kIdViewFile = 14,
    kIdSerialBoot = 15,
    kIdLoadRegisters = 16,
    kIdSaveRegisters = 17,
    kIdPrintRegisters = 18,
    kIdPrintSelection = 19,
    kIdChangeLanguage = 20,
    kIdManual = 21,
    kIdExecuteScript = 22,
    kIdImport = 23,
    kIdBaudrateMenu = 24,
    kIdBaud9600 = 25,
    kIdBaud115200 = 26,
};

class MainFrame : public wxFrame {
public:
    MainFrame(const wxString& title, const wxPoint& position, const wxSize& size);
    ~MainFrame() override;

    DriveConnection& connection() { return connection_; }
    RegisterLimits& limits() { return limits_; }
    wxNotebook* notebook() const { return notebook_; }
    FlashingStatusBar* statusLine() const;
    DriveStatusBar* driveStatusBar() const { return driveStatusBar_; }

    // Pages (null until created).
    LogoPanel* logoPanel() const { return logoPanel_; }
    SettingsPage* settingsPage() const { return settingsPage_; }
    LogicPage* logicPage() const { return logicPage_; }
    PositionPage* positionPage() const { return positionPage_; }
    SpeedPage* speedPage() const { return speedPage_; }
    CanBusPage* canBusPage() const { return canBusPage_; }
    DiagnosePage* diagnosePage() const { return diagnosePage_; }
    MonitorPage* monitorPage() const { return monitorPage_; }
    OscilloscopePage* oscilloscopePage() const { return oscilloscopePage_; }
    OptionsPage* optionsPage() const { return optionsPage_; }
    ControlTuningPanel* controlTuningPanel() const { return controlTuningPanel_; }

    wxMenu* fileMenu() const { return fileMenu_; }
    wxMenu* communicationMenu() const { return communicationMenu_; }
    wxMenu* baudrateMenu() const { return baudrateMenu_; }

    // --- construction, menus, help, closing (main_frame.cpp) ---
    wxStatusBar* OnCreateStatusBar(int number, long style, wxWindowID id, const wxString& name) override;
    void onMenuExit(wxCommandEvent& event);
    void onBaudrate(wxCommandEvent& event);
    void onAbout(wxCommandEvent& event);
    void onLoadRegistersMenu(wxCommandEvent& event);
    void onSaveRegistersMenu(wxCommandEvent& event);
    void onExecuteScriptMenu(wxCommandEvent& event);
    void onPrintRegisters(wxCommandEvent& event);
    void onPrintSelection(wxCommandEvent& event);
    void onManual(wxCommandEvent& event);
    void onChangeLanguage(wxCommandEvent& event);
    void onClose(wxCloseEvent& event);

    // --- page events and call orders (main_frame_pages.cpp) ---
    void dispatchRegisterChanged(wxCommandEvent& event);
    void onPageChanged(wxBookCtrlEvent& event);
    void onTriggerRegistersChanged(wxCommandEvent& event);
    void onStopStepTest(wxCommandEvent& event);
    void onDigitalSpeed(wxCommandEvent& event);
    // readFromDrive(false) along the chain (the drive status panel's pollDriveStatus with
    // failureCount first); false at the first failure, the rest unread.
    bool callReadFromDrive();
    // cyclicUpdate(true) along the chain (polling thread); false at the first failure.
    bool callCyclicUpdate();
    // setOnline on the drive status panel and the pages.
    void callSetOnline(bool online);
    PageChains& pageChains() { return chains_; }
    // The selected tab, kept for worker threads (which must not ask the notebook).
    int selectedPage() const { return selectedPage_.load(); }
    // Whether page is the selected notebook page; callable from any thread.
    bool isPageShown(const wxWindow* page) const;

    // --- going online and offline, polling and watching (main_frame_online.cpp) ---
    void onCommunication(wxCommandEvent& event);
    void goOnline(const wxString& port);
    void goOffline();
    void enableOnlineMenus(bool online);
    bool updateStatusLine();
    bool readAllFromDrive();
    void onReadAll(wxCommandEvent& event);
    void onOfflineIndicator(wxCommandEvent& event);
    void pollDrive();          // polling thread
    void watchDriveStatus();   // watching thread
    std::atomic<uint32_t> failureCount{0};
    void onDriveMenuState(wxCommandEvent& event);     // menu states handed over by the polling step
    void onGoOfflineRequest(wxCommandEvent& event);   // go-offline requests of both steps
    uint32_t connectionGeneration() const;

    // --- register-set, script, print and boot commands (main_frame_files.cpp) ---
    void loadRegisterFile(wxCommandEvent& event);
    void onSaveRegisters(wxCommandEvent& event);
    void onExecuteScript(wxCommandEvent& event);
    void importDriveFile(wxCommandEvent& event);
    void viewRegisterFile(wxCommandEvent& event);
    void onSerialBoot(wxCommandEvent& event);

private:
    void createMenus();
    void createPages();
    void buildPageChains();
    void startThreads();
    // Asks both threads to stop and waits a bounded time; called again by the destructor,
    // so a second call must find nothing to do.
    void stopThreads();

    DriveConnection connection_;
    RegisterLimits limits_;

    wxNotebook* notebook_ = nullptr;
    wxImageList* imageList_ = nullptr;
    wxMenu* fileMenu_ = nullptr;
    wxMenu* communicationMenu_ = nullptr;
    wxMenu* baudrateMenu_ = nullptr;

    DriveStatusBar* driveStatusBar_ = nullptr;
    LogoPanel* logoPanel_ = nullptr;
    SettingsPage* settingsPage_ = nullptr;
    LogicPage* logicPage_ = nullptr;
    PositionPage* positionPage_ = nullptr;
    SpeedPage* speedPage_ = nullptr;
    CanBusPage* canBusPage_ = nullptr;
    DiagnosePage* diagnosePage_ = nullptr;
    MonitorPage* monitorPage_ = nullptr;
    OscilloscopePage* oscilloscopePage_ = nullptr;
    OptionsPage* optionsPage_ = nullptr;
    ControlTuningPanel* controlTuningPanel_ = nullptr;

    PageChains chains_;
    std::atomic<int> selectedPage_{kTabLogo};
    wxWindow* pagesByTab_[kTabControlTuning + 1] = {};

    // Threads (main_frame_online.cpp owns their life).
    PollThread* pollThread_ = nullptr;
    WatchThread* watchThread_ = nullptr;

    // --- members of the online concern ---
    struct OnlineState;
    struct OnlineStateHolder {
        MainFrame* frame;
        OnlineState* state = nullptr;
        OnlineState& get();
        ~OnlineStateHolder();  // joins the threads; declared after the connection, so it goes first
    };
    mutable OnlineStateHolder online_{this};
    void pollConnectedDrive(OnlineState& online);  // the polling step's drive part
    // --- members of the file-commands concern ---

    wxDECLARE_EVENT_TABLE();
};

}  // namespace torvex
