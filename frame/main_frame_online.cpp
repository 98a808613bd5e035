// Going online and offline, the status line's connection fields, the online menus, and
// the steps of the polling and watching threads.
#include <wx/menu.h>
#include <wx/utils.h>

#include <memory>
#include <mutex>
#include <optional>

#include "frame/app.h"
#include "services/dialogs.h"
#include "frame/drive_status_bar.h"
#include "widgets/events.h"
#include "services/config.h"
#include "frame/main_frame.h"
#include "frame/poll_threads.h"
#include "services/ui_seam.h"
#include "services/window_hold.h"
#include "link/registers.h"
#include "pages/logo_panel.h"
#include "pages/scope/oscilloscope_page.h"
#include "widgets/flashing_status_bar.h"

namespace torvex {

namespace {

constexpr int kFirstCommunicationCheckItem = kIdOffline;  // 3 .. 14: Offline, the ports, View File
constexpr int kLastCommunicationCheckItem = kIdViewFile;

std::mutex g_updaterMutex;
DriveStatusUpdater g_driveStatusUpdater;

// The panel's readers; without a panel there is nothing to watch but the connection.
std::optional<bool> panelUpdateDriveStatus(MainFrame& frame, uint32_t failures) {
    if (DriveStatusBar* panel = frame.driveStatusBar()) return panel->updateDriveStatus(static_cast<int>(failures));
    return std::nullopt;
}

std::optional<bool> runDriveStatusUpdate(MainFrame& frame, uint32_t failures) {
    DriveStatusUpdater updater;
    {
        std::lock_guard<std::mutex> lock(g_updaterMutex);
        updater = g_driveStatusUpdater;
    }
    if (updater) return updater(frame, failures);
    return panelUpdateDriveStatus(frame, failures);
}

wxString translated(const char* key) { return wxGetTranslation(wxString::FromUTF8(key)); }

// The axis name is four characters packed lowest byte first; a zero byte ends it.
wxString axisNameText(uint32_t value) {
    wxString name;
    for (int i = 0; i < 4; ++i) {
        auto byte = static_cast<unsigned char>((value >> (8 * i)) & 0xFF);
        if (byte == 0) break;
        name += wxUniChar(static_cast<unsigned>(byte));
    }
    return name;
}

}  // namespace

DriveStatusUpdater setDriveStatusUpdater(DriveStatusUpdater updater) {
    std::lock_guard<std::mutex> lock(g_updaterMutex);
    DriveStatusUpdater previous = std::move(g_driveStatusUpdater);
    g_driveStatusUpdater = std::move(updater);
    return previous;
}

PollThread::PollThread(MainFrame* frame)
    : WorkerLoop([frame] { frame->pollDrive(); }, [] { return pollIntervalMs.load(); }) {}

WatchThread::WatchThread(MainFrame* frame)
    : WorkerLoop([frame] { frame->watchDriveStatus(); }, [] { return kWatchIntervalMs; }) {}

// Everything of the online concern that the frame's header need not show.
struct MainFrame::OnlineState {
    explicit OnlineState(std::atomic<uint32_t>& failures) : supervisor(failures) {}

    LinkSupervisor supervisor;
    // Non-zero while the GUI thread connects or disconnects: the workers start no exchange
    // then, so the GUI thread does not queue for the link behind them.
    std::atomic<int> linkChanging{0};
    // One worker step at a time: the connection's lock favours no one, and two workers
    // queued for it could keep the GUI thread waiting for two slow exchanges.
    std::mutex workerGate;
    LinkLossDetector lossDetector;            // watching thread; marked by the GUI thread when online
    std::unique_ptr<PollThread> pollThread;
    std::unique_ptr<WatchThread> watchThread;
    // Polling thread only: the last menu state handed over, and in which generation.
    uint32_t menuGeneration = 0;
    DriveMenuState menuState = DriveMenuState::Disabled;
    // Set by the GUI thread when it dropped a hand-over of the current generation (the
    // connection was no longer usable): the polling step hands its state over again.
    std::atomic<bool> menuStateDropped{false};
};

namespace {
struct LinkChange {
    explicit LinkChange(std::atomic<int>& counter) : counter_(counter) { counter_.fetch_add(1); }
    ~LinkChange() { counter_.fetch_sub(1); }
    std::atomic<int>& counter_;
};
}  // namespace

MainFrame::OnlineState& MainFrame::OnlineStateHolder::get() {
    if (!state) {
        state = new OnlineState(frame->failureCount);
        frame->Bind(DriveMenuStateEvent, &MainFrame::onDriveMenuState, frame);
        frame->Bind(GoOfflineRequestEvent, &MainFrame::onGoOfflineRequest, frame);
    }
    return *state;
}

MainFrame::OnlineStateHolder::~OnlineStateHolder() {
    if (!state) return;
    for (WorkerLoop* loop : {static_cast<WorkerLoop*>(state->pollThread.get()),
                             static_cast<WorkerLoop*>(state->watchThread.get())})
        if (loop) loop->requestStop();
    delete state;  // joins both threads
    state = nullptr;
}

uint32_t MainFrame::connectionGeneration() const { return online_.get().supervisor.generation(); }

void MainFrame::startThreads() {
    OnlineState& online = online_.get();
    if (!online.watchThread) {
        online.watchThread = std::make_unique<WatchThread>(this);
        if (online.watchThread->start()) watchThread_ = online.watchThread.get();
        else online.watchThread.reset();
    }
    if (!online.pollThread) {
        online.pollThread = std::make_unique<PollThread>(this);
        if (online.pollThread->start()) pollThread_ = online.pollThread.get();
        else online.pollThread.reset();
    }
}

void MainFrame::stopThreads() {
    OnlineState& online = online_.get();
    // Both are asked first, so that their sleeps end together; the polling thread first.
    if (online.pollThread) online.pollThread->requestStop();
    if (online.watchThread) online.watchThread->requestStop();
    if (online.pollThread) online.pollThread->join();
    pollThread_ = nullptr;
    online.pollThread.reset();
    if (online.watchThread) online.watchThread->join();
    watchThread_ = nullptr;
    online.watchThread.reset();
}

void MainFrame::onCommunication(wxCommandEvent& event) {
    const int id = event.GetId();
    if (communicationMenu_) {
        for (int item = kFirstCommunicationCheckItem; item <= kLastCommunicationCheckItem; ++item)
            if (item != id && communicationMenu_->FindItem(item)) communicationMenu_->Check(item, false);
    }
    SetTitle(wxString::Format("Torvex %s", kVersionText));

    if (id == kIdOffline) {
        goOffline();
        return;
    }
    if (id < kIdFirstPort || id > kIdTcp) return;
    if (id == kIdTcp) {
        IpAddressDialog dialog(this, wxString::FromUTF8(connection_.getIpAddress()));
        if (ui::dialogs().showModal(dialog) != kDialogAccepted) {
            goOffline();
            return;
        }
        connection_.setIpAddress(dialog.address().utf8_string());
    }
    goOnline(wxString::FromUTF8(portChoices[id - kIdFirstPort]));
}

void MainFrame::goOnline(const wxString& port) {
    OnlineState& online = online_.get();
    LinkChange change(online.linkChanging);
    // Whatever the workers decided about the connection before is stale from here on.
    online.supervisor.newGeneration();
    if (connection_.isConnected() || connection_.isOnline()) connection_.disconnectDrive();

    WindowHold hold;
    const std::string portName = port.utf8_string();
    pollIntervalMs.store(pollIntervalForPort(portName));
    const uint32_t rc = connection_.connectDrive(portName, getBaudrate());
    // Everything the workers saw during the attempt belongs to the attempt.
    online.supervisor.newGeneration();

    if (rc == 3) {
        wxString text = wxString::Format(
            translated("The Drive attached uses firmware %u.\nThis version of Torvex only supports firmwares "
                       "greater than (and including) 300.\nPlease use an older version of Torvex."),
            static_cast<unsigned>(firmwareVersion.load()));
        ui::messageBox(text, translated("Error"), wxOK | wxICON_HAND, nullptr);
        // The link is closed: show it, whatever the frame showed before.
        goOffline();
        return;
    }
    if (rc != 0 || !connection_.isConnected()) {
        goOffline();
        return;
    }

    if (FlashingStatusBar* status = statusLine())
        status->setStatusField(translated("Drive is online") + " (" + port + ").", 0);
    if (communicationMenu_) {
        int index = -1;
        for (int i = 0; i < 10; ++i)
            if (port == portChoices[i]) index = i;
        // The clicked item toggles its own mark; a port chosen again must stay marked.
        if (index >= 0) communicationMenu_->Check(kIdFirstPort + index, true);
        communicationMenu_->Check(kIdOffline, false);
    }
    enableOnlineMenus(true);
    if (!readAllFromDrive()) {
        goOffline();
        return;
    }
    // The watcher may not have looked at this connection yet (it skips while the link
    // changes, or is still busy with a step of the one before).
    online.lossDetector.markUsable(online.supervisor.generation());
}

void MainFrame::goOffline() {
    OnlineState& online = online_.get();
    LinkChange change(online.linkChanging);
    online.supervisor.newGeneration();
    // A link lost under the frame leaves the connection online but unusable: it must be
    // closed (and the oscilloscope stopped) all the same.
    if (connection_.isConnected() || connection_.isOnline() || connection_.isOfflineImage() ||
        connection_.isLinkOpen()) {
        if (OscilloscopePage* scope = oscilloscopePage()) scope->stopStepAndCapture();
        connection_.disconnectDrive();
    }
    online.supervisor.resetFailures();

    if (FlashingStatusBar* status = statusLine()) {
        status->setStatusField(translated("Drive is offline."), 0);
        status->setStatusField(translated("Firmware:") + " -", 1);
        status->setStatusField(translated("Achse:") + " -", 2);
    }
    if (communicationMenu_) {
        communicationMenu_->Check(kIdOffline, true);
        for (int item = kIdFirstPort; item <= kIdTcp; ++item)
            if (communicationMenu_->FindItem(item)) communicationMenu_->Check(item, false);
    }
    enableOnlineMenus(false);
    SetTitle(wxString::Format("Torvex %s", kVersionText));
}

void MainFrame::enableOnlineMenus(bool online) {
    const bool steady = online && !connection_.isOfflineImage();
    postProgramEvent(this, OfflineIndicatorEvent, steady ? 0 : 1);
    callSetOnline(online);

    if (fileMenu_) {
        fileMenu_->Enable(kIdSaveRegisters, online);
        fileMenu_->Enable(kIdPrintRegisters, online);
        fileMenu_->Enable(kIdPrintSelection, online);
        if (!online) {
            // While online these three follow the drive's status bit (the polling step).
            fileMenu_->Enable(kIdLoadRegisters, false);
            fileMenu_->Enable(kIdExecuteScript, false);
            fileMenu_->Enable(kIdImport, false);
        }
    }
    if (communicationMenu_) communicationMenu_->Enable(kIdSerialBoot, online);
    if (baudrateMenu_) {
        baudrateMenu_->Enable(kIdBaud9600, !online);
        baudrateMenu_->Enable(kIdBaud115200, !online);
    }
    // The polling step hands over its menu state again in the new generation.
}

void MainFrame::onOfflineIndicator(wxCommandEvent& event) {
    FlashingStatusBar* status = statusLine();
    if (!status) return;
    if (event.GetInt() != 0) status->startFlashing(kFlashPeriodMs);
    else status->stopFlashing();
}

bool MainFrame::updateStatusLine() {
    FlashingStatusBar* status = statusLine();
    if (status)
        status->setStatusField(
            wxString::Format("%s %u", translated("Firmware:"), static_cast<unsigned>(firmwareVersion.load())), 1);
    uint32_t value = 0;
    if (connection_.read32bitRegister(kRegAxisName, &value) != 0) return false;
    if (status) status->setStatusField(translated("Achse:") + " " + axisNameText(value), 2);
    return true;
}

bool MainFrame::readAllFromDrive() {
    if (!connection_.isConnected()) return false;
    WindowHold hold;
    updateStatusLine();
    const bool ok = callReadFromDrive();
    if (ok) online_.get().supervisor.resetFailures();
    return ok;
}

void MainFrame::onReadAll(wxCommandEvent&) {
    if (!readAllFromDrive()) goOffline();
}

void MainFrame::pollDrive() {
    OnlineState& online = online_.get();
    std::lock_guard<std::mutex> gate(online.workerGate);
    // The shown page's values reach the window together, not one wake-up each.
    PostBurst burst;
    if (!online.linkChanging.load() && connection_.isConnected()) pollConnectedDrive(online);
    // The logo page takes part in every step, connected or not.
    if (LogoPanel* logo = logoPanel()) logo->cyclicUpdate();
}

void MainFrame::pollConnectedDrive(OnlineState& online) {
    const uint32_t generation = online.supervisor.generation();
    auto handOverMenus = [&](DriveMenuState state) {
        const bool dropped = online.menuStateDropped.exchange(false);
        if (!dropped && online.menuGeneration == generation && online.menuState == state) return;
        online.menuGeneration = generation;
        online.menuState = state;
        postTagged(this, DriveMenuStateEvent, state == DriveMenuState::Enabled ? 1 : 0, generation);
    };

    if (connection_.isOfflineImage()) {
        handOverMenus(driveMenuStateFor(true, false, 0));
    } else {
        uint32_t status = 0;
        bool read;
        if (is32bitRegister(kRegStatus)) {
            read = connection_.read32bitRegister(kRegStatus, &status) == 0;
        } else {
            uint16_t status16 = 0;
            read = connection_.read16bitRegister(kRegStatus, &status16) == 0;
            status = status16;
        }
        handOverMenus(driveMenuStateFor(false, read, status));
        if (!read) {
            if (online.supervisor.recordFailure(generation)) postTagged(this, GoOfflineRequestEvent, 0, generation);
            return;
        }
    }

    if (callCyclicUpdate()) online.supervisor.recordSuccess(generation);
    else if (online.supervisor.recordFailure(generation)) postTagged(this, GoOfflineRequestEvent, 0, generation);
}

void MainFrame::watchDriveStatus() {
    OnlineState& online = online_.get();
    std::lock_guard<std::mutex> gate(online.workerGate);
    PostBurst burst;
    if (online.linkChanging.load()) return;
    const uint32_t generation = online.supervisor.generation();
    const bool usable = connection_.isConnected();
    if (online.lossDetector.connectionLost(usable, generation)) {
        wasOnline.store(false);
        postTagged(this, GoOfflineRequestEvent, 0, generation);
        return;
    }
    if (!usable) {
        wasOnline.store(false);
        return;
    }
    wasOnline.store(true);
    const std::optional<bool> updated = runDriveStatusUpdate(*this, failureCount.load());
    if (!updated) return;
    if (*updated) {
        online.supervisor.recordSuccess(generation);
    } else if (online.supervisor.recordFailure(generation)) {
        wasOnline.store(false);
        online.lossDetector.forget();
        postTagged(this, GoOfflineRequestEvent, 0, generation);
    }
}

void MainFrame::onDriveMenuState(wxCommandEvent& event) {
    OnlineState& online = online_.get();
    // Decided for a connection that is gone, or the frame is offline: keep the menus as they are.
    if (!online.supervisor.isCurrent(static_cast<uint32_t>(event.GetExtraLong()))) return;
    if (!fileMenu_) return;
    if (!connection_.isConnected()) {
        online.menuStateDropped.store(true);
        return;
    }
    const bool enable = event.GetInt() != 0;
    fileMenu_->Enable(kIdLoadRegisters, enable);
    fileMenu_->Enable(kIdExecuteScript, enable);
    fileMenu_->Enable(kIdImport, enable);
}

void MainFrame::onGoOfflineRequest(wxCommandEvent& event) {
    if (!online_.get().supervisor.isCurrent(static_cast<uint32_t>(event.GetExtraLong()))) return;
    goOffline();
}

}  // namespace torvex
