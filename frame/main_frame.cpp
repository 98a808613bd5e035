// The main frame's construction, menus, status line, notebook, Help commands and closing.
#include "frame/main_frame.h"

#include <wx/config.h>
#include <wx/filename.h>
#include <wx/icon.h>
#include <wx/imaglist.h>
#include <wx/intl.h>
#include <wx/log.h>
#include <wx/menu.h>
#include <wx/notebook.h>
#include <wx/sizer.h>
#include <wx/tooltip.h>
#include <wx/utils.h>
#include <wx/wupdlock.h>

#include "frame/app.h"
#include "services/catalogue.h"
#include "widgets/compact_style.h"
#include "services/config.h"
#include "frame/drive_status_bar.h"
#include "widgets/events.h"
#include "services/register_printout.h"
#include "services/ui_seam.h"
#include "pages/can_bus_page.h"
#include "pages/control_tuning_panel.h"
#include "pages/diagnose_page.h"
#include "pages/logic_page.h"
#include "pages/logo_panel.h"
#include "pages/monitor_page.h"
#include "pages/options_page.h"
#include "pages/position_page.h"
#include "pages/settings/settings_page.h"
#include "pages/speed_page.h"
#include "resources/logo_images.h"
#include "pages/scope/oscilloscope_page.h"
#include "widgets/flashing_status_bar.h"
#include "widgets/register_choice.h"

namespace torvex {

namespace {

wxString tx(const wxString& key) { return translate(key); }

bool openWithDesktop(const wxString& path) { return wxLaunchDefaultApplication(path); }

ManualOpener& manualOpener() {
    static ManualOpener opener;
    return opener;
}

}  // namespace

void limitIdleAndUpdateUiEvents() {
    // Sent to every window, each wake-up of the event loop (each blink of the status line,
    // each value a worker thread posts) walked all of the frame's windows and searched each
    // one's handlers for an idle and an update-UI handler that none of them has.
    wxIdleEvent::SetMode(wxIDLE_PROCESS_SPECIFIED);
    wxUpdateUIEvent::SetMode(wxUPDATE_UI_PROCESS_SPECIFIED);
}

ManualOpener setManualOpener(ManualOpener opener) {
    ManualOpener previous = std::move(manualOpener());
    manualOpener() = std::move(opener);
    return previous;
}

// clang-format off
wxBEGIN_EVENT_TABLE(MainFrame, wxFrame)
    EVT_CLOSE(MainFrame::onClose)
    EVT_MENU(wxID_EXIT, MainFrame::onMenuExit)
    EVT_MENU(kIdExit, MainFrame::onMenuExit)
    EVT_MENU(kIdAbout, MainFrame::onAbout)
    EVT_MENU_RANGE(kIdOffline, kIdTcp, MainFrame::onCommunication)
    EVT_MENU_RANGE(kIdBaud9600, kIdBaud115200, MainFrame::onBaudrate)
    EVT_MENU(kIdViewFile, MainFrame::viewRegisterFile)
    EVT_MENU(kIdLoadRegisters, MainFrame::onLoadRegistersMenu)
    EVT_MENU(kIdImport, MainFrame::importDriveFile)
    EVT_MENU(kIdExecuteScript, MainFrame::onExecuteScriptMenu)
    EVT_MENU(kIdSaveRegisters, MainFrame::onSaveRegistersMenu)
    EVT_MENU(kIdSerialBoot, MainFrame::onSerialBoot)
    EVT_MENU(kIdPrintRegisters, MainFrame::onPrintRegisters)
    EVT_MENU(kIdPrintSelection, MainFrame::onPrintSelection)
    EVT_MENU(kIdChangeLanguage, MainFrame::onChangeLanguage)
    EVT_MENU(kIdManual, MainFrame::onManual)
    EVT_COMMAND(wxID_ANY, RegisterChangedEvent, MainFrame::dispatchRegisterChanged)
    EVT_COMMAND(wxID_ANY, ReadAllEvent, MainFrame::onReadAll)
    EVT_COMMAND(wxID_ANY, StopStepTestEvent, MainFrame::onStopStepTest)
    EVT_COMMAND(wxID_ANY, DigitalSpeedEvent, MainFrame::onDigitalSpeed)
    EVT_COMMAND(wxID_ANY, LoadRegistersEvent, MainFrame::loadRegisterFile)
    EVT_COMMAND(wxID_ANY, ExecuteScriptEvent, MainFrame::onExecuteScript)
    EVT_COMMAND(wxID_ANY, SaveRegistersEvent, MainFrame::onSaveRegisters)
    EVT_COMMAND(wxID_ANY, OfflineIndicatorEvent, MainFrame::onOfflineIndicator)
    EVT_NOTEBOOK_PAGE_CHANGED(wxID_ANY, MainFrame::onPageChanged)
    EVT_COMMAND(wxID_ANY, TriggerRegistersChangedEvent, MainFrame::onTriggerRegistersChanged)
wxEND_EVENT_TABLE()
// clang-format on

MainFrame::MainFrame(const wxString& title, const wxPoint& position, const wxSize& size)
    : wxFrame(nullptr, wxID_ANY, title, position, size, wxDEFAULT_FRAME_STYLE, "frame") {
    limitIdleAndUpdateUiEvents();
    // The limits and the connection exist (empty, closed) as members; sockets need no start-up here.
    // The pages' fixed pixel layouts are drawable only with the compact control style: the
    // frame puts it in place itself, whoever hosts it (once per process).
    installCompactControlStyle();
    SetBackgroundColour(wxColour(236, 233, 216));
    failureCount = 0;

    wxFont font = GetFont();
    font.SetPixelSize(wxSize(0, 11));
    SetFont(font);

    SetIcon(wxIcon(kTorvexIconXpm));

    wxString triggerName;
    unsigned triggerId = 0;
    getTrigger1(triggerName, triggerId);
    setTriggerRegister1(triggerName, wxString::Format("%u", triggerId));
    getTrigger2(triggerName, triggerId);
    setTriggerRegister2(triggerName, wxString::Format("%u", triggerId));

    createMenus();

    CreateStatusBar(3, wxSTB_SIZEGRIP | wxFULL_REPAINT_ON_RESIZE, 0, "status_line");
    // Menu help must never overwrite the connection state in field 0.
    SetStatusBarPane(-1);
    if (FlashingStatusBar* status = statusLine()) {
        status->setStatusField(tx("Drive is offline."), 0);
        status->setStatusField(tx("Firmware:") + " -", 1);
        status->setStatusField(tx("Achse:") + " -", 2);
    }

    auto* sizer = new wxBoxSizer(wxHORIZONTAL);
    driveStatusBar_ = new DriveStatusBar(this, wxSize(100, 450), &connection_);
    sizer->Add(driveStatusBar_, 0, 0, 0);

    readMinMaxTable(limits_, installationFile(kMinMaxFileName));

    {
        // Nothing of the frame is drawn or laid out on the way: the pages go in whole.
        wxWindowUpdateLocker frozen(this);
        createPages();

        sizer->Add(notebook_, 1, wxEXPAND, 0);
        sizer->Fit(this);
        SetAutoLayout(true);
        SetSizer(sizer);
    }

    wxToolTip::SetAutoPop(32767);

    enableOnlineMenus(false);
    startThreads();
    closeStartupProgress();
}

MainFrame::~MainFrame() {
    // Normally done when the frame closed; a frame destroyed another way must not leave a
    // worker running against it.
    stopThreads();
    // Pages and panels keep pointers to the connection and the limits, which are members
    // and would otherwise go before the base class destroys the child windows.
    if (notebook_) notebook_->SetImageList(nullptr);
    DestroyChildren();
    notebook_ = nullptr;
    delete imageList_;
    imageList_ = nullptr;
    // The connection (closing its transport) and the limits go with the members.
}

FlashingStatusBar* MainFrame::statusLine() const { return dynamic_cast<FlashingStatusBar*>(GetStatusBar()); }

wxStatusBar* MainFrame::OnCreateStatusBar(int number, long style, wxWindowID id, const wxString& name) {
    auto* status = new FlashingStatusBar(this, id, style, name);
    status->SetFieldsCount(number);
    return status;
}

void MainFrame::createMenus() {
    fileMenu_ = new wxMenu(wxString());
    fileMenu_->Append(kIdLoadRegisters, tx("&Load registers...\tAlt-L"), wxString(), wxITEM_NORMAL);
    fileMenu_->Append(kIdSaveRegisters, tx("&Save registers...\tAlt-S"), wxString(), wxITEM_NORMAL);
    fileMenu_->Append(kIdImport, tx("Import register file (*.vtd)..."), wxString(), wxITEM_NORMAL);
    fileMenu_->AppendSeparator();
    fileMenu_->Append(kIdPrintRegisters, tx("&Print registers...\tAlt-P"), wxString(), wxITEM_NORMAL);
    fileMenu_->Append(kIdPrintSelection, tx("Print selection of registers..."), wxString(), wxITEM_NORMAL);
    fileMenu_->AppendSeparator();
    fileMenu_->Append(kIdExecuteScript, tx("Execute script"), wxString(), wxITEM_NORMAL);
    fileMenu_->AppendSeparator();
    fileMenu_->Append(kIdExit, tx("E&xit\tAlt-X"), wxString(), wxITEM_NORMAL);

    communicationMenu_ = new wxMenu(wxString());
    communicationMenu_->Append(kIdOffline, tx("Offline\tAlt-O"), wxString(), wxITEM_CHECK);
    communicationMenu_->AppendSeparator();
    {
        // "Alt-10" (TCP) names no key: the library would log a notice about it.
        wxLogNull quiet;
        for (int index = 0; index < 10; ++index)
            communicationMenu_->Append(kIdFirstPort + index,
                                       wxString::Format("%s\tAlt-%d", portChoices[index], index + 1), wxString(),
                                       wxITEM_CHECK);
    }
    communicationMenu_->AppendSeparator();
    baudrateMenu_ = new wxMenu;
    baudrateMenu_->Append(kIdBaud9600, tx("9600"), wxString(), wxITEM_CHECK);
    baudrateMenu_->Append(kIdBaud115200, tx("115200"), wxString(), wxITEM_CHECK);
    communicationMenu_->Append(kIdBaudrateMenu, tx("Baudrate"), baudrateMenu_, wxString());
    communicationMenu_->AppendSeparator();
    communicationMenu_->Append(kIdViewFile, tx("View File...\tAlt-V"), wxString(), wxITEM_CHECK);
    communicationMenu_->AppendSeparator();
    communicationMenu_->Append(kIdSerialBoot, tx("Serial Boot"), wxString(), wxITEM_NORMAL);

    auto* helpMenu = new wxMenu;
    helpMenu->Append(kIdManual, tx("Manual\tF1"), wxString(), wxITEM_NORMAL);
    helpMenu->Append(kIdAbout, tx("&About..."), wxString(), wxITEM_NORMAL);
    helpMenu->AppendSeparator();
    helpMenu->Append(kIdChangeLanguage, "Change Language...", wxString(), wxITEM_NORMAL);

    // Only 115200 is marked as such: every other stored speed is used as 9600.
    baudrateMenu_->Check(getBaudrate() == 115200 ? kIdBaud115200 : kIdBaud9600, true);

    auto* menuBar = new wxMenuBar;
    menuBar->Append(fileMenu_, tx("&File"));
    menuBar->Append(communicationMenu_, tx("Communication"));
    menuBar->Append(helpMenu, tx("&Help"));

    communicationMenu_->Check(kIdOffline, true);
    for (int id : {kIdLoadRegisters, kIdImport, kIdSaveRegisters, kIdPrintRegisters, kIdPrintSelection,
                   kIdExecuteScript})
        fileMenu_->Enable(id, false);
    communicationMenu_->Enable(kIdSerialBoot, false);
    SetMenuBar(menuBar);
}

void MainFrame::createPages() {
    notebook_ = new wxNotebook(this, wxID_ANY, wxDefaultPosition, wxDefaultSize, 0, "notebook");
    imageList_ = new wxImageList(66, 29, true, 1);
    imageList_->Add(wxBitmap(kLogoTabXpm));
    notebook_->SetImageList(imageList_);

    logoPanel_ = new LogoPanel(notebook_);
    notebook_->AddPage(logoPanel_, wxString(), true, 0);
    reportStartupProgress(10);

    settingsPage_ = new SettingsPage(notebook_, &connection_, &limits_);
    notebook_->AddPage(settingsPage_, tx("Settings"), false, -1);
    reportStartupProgress(20);

    logicPage_ = new LogicPage(notebook_, &connection_, &limits_);
    notebook_->AddPage(logicPage_, tx("Logik"), false, -1);
    reportStartupProgress(30);

    positionPage_ = new PositionPage(notebook_, &connection_, &limits_);
    notebook_->AddPage(positionPage_, tx("Position"), false, -1);
    reportStartupProgress(40);

    speedPage_ = new SpeedPage(notebook_, &connection_, &limits_);
    notebook_->AddPage(speedPage_, tx("Speed"), false, -1);
    reportStartupProgress(50);

    canBusPage_ = new CanBusPage(notebook_, &connection_, &limits_);
    notebook_->AddPage(canBusPage_, tx("BUS"), false, -1);
    reportStartupProgress(60);

    diagnosePage_ = new DiagnosePage(notebook_, &connection_);
    notebook_->AddPage(diagnosePage_, tx("Diagnose"), false, -1);
    reportStartupProgress(70);

    monitorPage_ = new MonitorPage(notebook_, &connection_);
    notebook_->AddPage(monitorPage_, tx("Monitor"), false, -1);
    reportStartupProgress(80);

    oscilloscopePage_ = new OscilloscopePage(notebook_, &connection_, &limits_);
    notebook_->AddPage(oscilloscopePage_, tx("Oszilloskop"), false, -1);
    reportStartupProgress(90);

    optionsPage_ = new OptionsPage(notebook_, &connection_);
    notebook_->AddPage(optionsPage_, tx("Options"), false, -1);
    reportStartupProgress(95);

    controlTuningPanel_ = new ControlTuningPanel(notebook_, &connection_);
    notebook_->AddPage(controlTuningPanel_, tx("Auto"), false, -1);
    reportStartupProgress(99);

    wxWindow* pages[] = {logoPanel_,  settingsPage_, logicPage_,        positionPage_, speedPage_,         canBusPage_,
                         diagnosePage_, monitorPage_, oscilloscopePage_, optionsPage_,  controlTuningPanel_};
    for (int tab = 0; tab <= kTabControlTuning; ++tab) pagesByTab_[tab] = pages[tab];
    selectedPage_ = notebook_->GetSelection();

    buildPageChains();
}

void MainFrame::onBaudrate(wxCommandEvent& event) {
    if (event.GetId() == kIdBaud115200) {
        setBaudrate(115200);
        baudrateMenu_->Check(kIdBaud9600, false);
    } else {
        setBaudrate(9600);
        baudrateMenu_->Check(kIdBaud115200, false);
    }
    // A click on the marked speed would take its mark away; one speed always stays marked.
    baudrateMenu_->Check(event.GetId(), true);
}

void MainFrame::onLoadRegistersMenu(wxCommandEvent&) { postProgramEvent(this, LoadRegistersEvent); }

void MainFrame::onSaveRegistersMenu(wxCommandEvent&) { postProgramEvent(this, SaveRegistersEvent, 1); }

void MainFrame::onExecuteScriptMenu(wxCommandEvent&) { postProgramEvent(this, ExecuteScriptEvent); }

void MainFrame::onPrintRegisters(wxCommandEvent&) { printRegisters(this, &connection_, true); }

void MainFrame::onPrintSelection(wxCommandEvent&) { printRegisters(this, &connection_, false); }

void MainFrame::onAbout(wxCommandEvent&) {
    wxString text;
    text << "Torvex " << kVersionText << "\n";
    text << tx("Language file version is unknown") << "\n";
    text << "\n";
    text << wxString::FromUTF8("\xC2\xA9 Velmar Industrieelektronik GmbH") << "\n";
    text << "\n";
    text << tx("TORVEX_CREDITS");
    ui::messageBox(text, tx("About Torvex"), wxOK | wxICON_INFORMATION, this);
}

void MainFrame::onManual(wxCommandEvent&) {
    wxConfigBase* config = wxConfigBase::Get(false);
    if (!config) return;
    wxString language = config->Read("Language", wxString());
    const char* code = language == "1" ? "de" : language == "2" ? "fr" : "en";
    wxString name = tx(wxString::Format("Torvex_%s.pdf", code));
    if (name.empty()) return;
    // The catalogue's name is a file, relative to the working folder; it goes to the
    // desktop as a path, so no text of it is ever read by a shell.
    wxFileName file(name);
    file.MakeAbsolute();
    const ManualOpener& opener = manualOpener();
    if (opener)
        opener(file.GetFullPath());
    else
        openWithDesktop(file.GetFullPath());
}

void MainFrame::onChangeLanguage(wxCommandEvent&) {
    wxConfigBase* config = wxConfigBase::Get(false);
    if (!config) return;
    // Cancelled, nothing changes: storing "0" would drop the language the user had chosen.
    const wxString language = askLanguage();
    if (language.empty()) return;
    storeLanguage(config, language);
    ui::messageBox("You have to restart Torvex to take effect of the newly choosen language.", tx("Information"),
                   wxOK | wxICON_EXCLAMATION, nullptr);
}

void MainFrame::onMenuExit(wxCommandEvent&) { Close(true); }

void MainFrame::onClose(wxCloseEvent&) {
    goOffline();
    // Each thread is asked to stop and waited for a bounded time; none outlives the frame's use.
    stopThreads();
    Destroy();
}

}  // namespace torvex
