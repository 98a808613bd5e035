// The page interface: the fixed orders in which the frame calls its pages, and the
// frame's handlers of the page events.
#include <wx/notebook.h>
#include <wx/utils.h>

#include "services/catalogue.h"
#include "services/window_hold.h"
#include "frame/drive_status_bar.h"
#include "widgets/events.h"
#include "frame/main_frame.h"
#include "pages/can_bus_page.h"
#include "pages/diagnose_page.h"
#include "pages/drive_page.h"
#include "pages/logic_page.h"
#include "pages/monitor_page.h"
#include "pages/options_page.h"
#include "pages/position_page.h"
#include "pages/settings/settings_page.h"
#include "pages/speed_page.h"
#include "pages/scope/oscilloscope_page.h"
#include "widgets/flashing_status_bar.h"

namespace torvex {

void MainFrame::buildPageChains() {
    PageChains chains;
    SettingsPage* settings = settingsPage_;
    LogicPage* logic = logicPage_;
    PositionPage* position = positionPage_;
    SpeedPage* speed = speedPage_;
    CanBusPage* bus = canBusPage_;
    DiagnosePage* diagnose = diagnosePage_;
    MonitorPage* monitor = monitorPage_;
    OscilloscopePage* scope = oscilloscopePage_;
    OptionsPage* options = optionsPage_;
    DriveStatusBar* status = driveStatusBar_;

    chains.readFromDrive = {
        {status, "DriveStatusBar", [this, status] { return status->pollDriveStatus(static_cast<int>(failureCount.load())); }},
        {position, "Position", [position] { return position->readFromDrive(false); }},
        {speed, "Speed", [speed] { return speed->readFromDrive(false); }},
        {settings, "Settings", [settings] { return settings->readFromDrive(false); }},
        {logic, "Logik", [logic] { return logic->readFromDrive(false); }},
        {scope, "Oszilloskop", [scope] { return scope->readFromDrive(false); }},
        {bus, "BUS", [bus] { return bus->readFromDrive(false); }},
        {diagnose, "Diagnose", [diagnose] { return diagnose->readFromDrive(false); }},
        {options, "Options", [options] { return options->readFromDrive(false); }},
        {monitor, "Monitor", [monitor] { return monitor->readFromDrive(false); }},
    };
    chains.cyclicUpdate = {
        {settings, "Settings", [settings] { return settings->cyclicUpdate(true); }},
        {position, "Position", [position] { return position->cyclicUpdate(true); }},
        {speed, "Speed", [speed] { return speed->cyclicUpdate(true); }},
        {scope, "Oszilloskop", [scope] { return scope->cyclicUpdate(true); }},
        {diagnose, "Diagnose", [diagnose] { return diagnose->cyclicUpdate(true); }},
        {monitor, "Monitor", [monitor] { return monitor->cyclicUpdate(true); }},
        {options, "Options", [options] { return options->cyclicUpdate(true); }},
    };
    chains.setOnline = {
        {status, "DriveStatusBar", [status](bool online) { status->enableTestControls(online); }},
        {diagnose, "Diagnose", [diagnose](bool online) { diagnose->setOnline(online); }},
        {scope, "Oszilloskop", [scope](bool online) { scope->setOnline(online); }},
        {settings, "Settings", [settings](bool online) { settings->setOnline(online); }},
        {logic, "Logik", [logic](bool online) { logic->setOnline(online); }},
        {options, "Options", [options](bool online) { options->setOnline(online); }},
        {monitor, "Monitor", [monitor](bool online) { monitor->setOnline(online); }},
    };
    // The pages that follow changes in their own fields get the sender's units too.
    using Units = std::optional<FieldUnits>;
    chains.registerChanged = {
        {settings, "Settings",
         [settings](int reg, const wxString& text, const Units& units) { settings->onRegisterChanged(reg, text, units); }},
        {logic, "Logik",
         [logic](int reg, const wxString& text, const Units& units) { logic->onRegisterChanged(reg, text, units); }},
        {speed, "Speed",
         [speed](int reg, const wxString& text, const Units& units) { speed->onRegisterChanged(reg, text, units); }},
        {position, "Position",
         [position](int reg, const wxString& text, const Units& units) { position->onRegisterChanged(reg, text, units); }},
        {scope, "Oszilloskop",
         [scope](int reg, const wxString& text, const Units& units) { scope->onRegisterChanged(reg, text, units); }},
        {diagnose, "Diagnose", [diagnose](int reg, const wxString& text, const Units&) { diagnose->onRegisterChanged(reg, text); }},
        {status, "DriveStatusBar", [status](int reg, const wxString& text, const Units&) { status->onRegisterChanged(reg, text); }},
        {options, "Options", [options](int reg, const wxString& text, const Units&) { options->onRegisterChanged(reg, text); }},
        {bus, "BUS", [bus](int reg, const wxString& text, const Units& units) { bus->onRegisterChanged(reg, text, units); }},
    };
    chains.reloadRegisterChoices = {
        {settings, "Settings", [settings] { settings->reloadRegisterChoices(); }},
        {scope, "Oszilloskop", [scope] { scope->reloadRegisterChoices(); }},
        {logic, "Logik", [logic] { logic->reloadRegisterChoices(); }},
        {diagnose, "Diagnose", [diagnose] { diagnose->reloadRegisterChoices(); }},
    };
    chains.pageSelected = {
        {kTabSettings, {settings, "Settings", [settings] { settings->onPageSelected(); }}},
        {kTabLogic, {logic, "Logik", [logic] { logic->onPageSelected(); }}},
        {kTabPosition, {position, "Position", [position] { position->onPageSelected(); }}},
        {kTabSpeed, {speed, "Speed", [speed] { speed->onPageSelected(); }}},
        {kTabMonitor, {monitor, "Monitor", [monitor] { monitor->onPageSelected(); }}},
        {kTabOscilloscope, {scope, "Oszilloskop", [scope] { scope->onPageSelected(); }}},
        {kTabOptions, {options, "Options", [options] { options->onPageSelected(); }}},
    };
    chains.pageLeft = {
        {kTabDiagnose, {diagnose, "Diagnose", [diagnose] { diagnose->onPageLeft(); }}},
        {kTabOptions, {options, "Options", [options] { options->onPageLeft(); }}},
    };

    // A page that was not created is skipped in every chain.
    auto prune = [](auto& list) {
        std::erase_if(list, [](const auto& step) { return step.page == nullptr; });
    };
    prune(chains.readFromDrive);
    prune(chains.cyclicUpdate);
    prune(chains.setOnline);
    prune(chains.registerChanged);
    prune(chains.reloadRegisterChoices);
    std::erase_if(chains.pageSelected, [](const auto& entry) { return entry.second.page == nullptr; });
    std::erase_if(chains.pageLeft, [](const auto& entry) { return entry.second.page == nullptr; });
    chains_ = std::move(chains);
}

bool MainFrame::callReadFromDrive() {
    for (const auto& step : chains_.readFromDrive)
        if (!step.call()) return false;
    return true;
}

bool MainFrame::callCyclicUpdate() {
    for (const auto& step : chains_.cyclicUpdate)
        if (!step.call()) return false;
    return true;
}

void MainFrame::callSetOnline(bool online) {
    for (const auto& step : chains_.setOnline) step.call(online);
}

bool MainFrame::isPageShown(const wxWindow* page) const {
    int tab = selectedPage_.load();
    return page && tab >= 0 && tab <= kTabControlTuning && pagesByTab_[tab] == page;
}

void MainFrame::dispatchRegisterChanged(wxCommandEvent& event) {
    const int reg = event.GetInt();
    const wxString text = event.GetString();
    const std::optional<FieldUnits> units = decodeFieldUnits(event.GetExtraLong());
    if (reg == 0xF8) {
        if (FlashingStatusBar* status = statusLine())
            status->setStatusField(wxString::Format("%s %s", translate("Achse:"), text), 2);
    }
    // The page that wrote the register is among them: it gets its own change too.
    for (const auto& step : chains_.registerChanged) step.call(reg, text, units);
}

void MainFrame::onPageChanged(wxBookCtrlEvent& event) {
    // Events of notebooks inside the pages travel up here too: only the frame's own counts.
    if (event.GetEventObject() != notebook_ || !notebook_) {
        event.Skip();
        return;
    }
    const int selected = event.GetSelection();
    const int left = event.GetOldSelection();
    selectedPage_ = selected;
    for (int tab = 0; tab <= kTabControlTuning; ++tab)
        if (auto* page = dynamic_cast<DrivePage*>(pagesByTab_[tab])) page->setPageShown(tab == selected);
    if (auto entry = chains_.pageSelected.find(selected); entry != chains_.pageSelected.end()) entry->second.call();
    if (auto entry = chains_.pageLeft.find(left); entry != chains_.pageLeft.end()) entry->second.call();
}

void MainFrame::onTriggerRegistersChanged(wxCommandEvent&) {
    WindowHold hold;
    for (const auto& step : chains_.reloadRegisterChoices) step.call();
}

void MainFrame::onStopStepTest(wxCommandEvent&) {
    if (!oscilloscopePage_) return;
    oscilloscopePage_->stopStepResponse();
    // The test command that follows may go to the register the step drives: the step's
    // closing 0 has to be on the wire before it, not after it.
    oscilloscopePage_->endStepThread();
}

void MainFrame::onDigitalSpeed(wxCommandEvent& event) {
    if (oscilloscopePage_) oscilloscopePage_->setDigitalSpeedMode(event.GetInt());
}

}  // namespace torvex
