// Going online and offline against the simulated drive over TCP, a serial pseudo-terminal
// and the test CAN adapter, with the polling and watching threads running for real.
#include <gtest/gtest.h>

#include <wx/config.h>
#include <wx/dialog.h>
#include <wx/menu.h>
#include <wx/notebook.h>
#include <wx/statusbr.h>
#include <wx/textctrl.h>
#include <wx/weakref.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <thread>

#include "widgets/events.h"
#include "frame/main_frame.h"
#include "frame/poll_threads.h"
#include "link/registers.h"
#include "tests/support/menu_actions.h"
#include "tests/support/recording_dialogs.h"
#include "tests/support/sim_fixture.h"
#include "widgets/flashing_status_bar.h"

namespace torvex {
namespace {

using Clock = std::chrono::steady_clock;

long msSince(Clock::time_point start) {
    return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

uint32_t packAxisName(const char* name) {
    uint32_t value = 0;
    for (int i = 0; i < 4 && name[i]; ++i) value |= uint32_t(uint8_t(name[i])) << (8 * i);
    return value;
}

class OnlineTest : public ::testing::Test {
protected:
    void SetUp() override {
        home_ = std::string(P_tmpdir) + "/torvex-online-XXXXXX";
        ASSERT_NE(mkdtemp(home_.data()), nullptr);
        setenv("HOME", home_.c_str(), 1);
        delete wxConfigBase::Set(nullptr);  // the next one is made in this home
        previousUpdater_ = setDriveStatusUpdater(nullptr);
        frame_ = new MainFrame("Torvex", wxPoint(50, 50), wxSize(1200, 750));
        frame_->Show();
        test::pumpFor(50);
    }

    void TearDown() override {
        if (frame_) closeFrame();
        pollIntervalMs = kDefaultPollIntervalMs;  // the next test in this process starts as the program does
        setDriveStatusUpdater(previousUpdater_);
        drives_.clear();
        delete wxConfigBase::Set(nullptr);
        std::string command = "rm -rf '" + home_ + "'";
        (void)system(command.c_str());
    }

    // Closes the frame as the window's close box does; returns the milliseconds it took.
    long closeFrame() {
        wxWeakRef<wxFrame> ref(frame_);
        auto start = Clock::now();
        frame_->Close(true);
        long took = msSince(start);
        test::pumpUntil([&] { return !ref; }, 5000);
        EXPECT_FALSE(ref) << "the frame was not destroyed";
        frame_ = nullptr;
        return took;
    }

    sim::SimDrive* startDrive(sim::SimOptions options = {}, std::string* address = nullptr) {
        std::string ip;
        auto drive = test::startSimDrive(options, &ip);
        if (!drive) return nullptr;
        drive->setReg(kRegAxisName, packAxisName("AX01"));
        drive->setReg(kRegStatus, 0);
        if (address) *address = ip;
        drives_.push_back(std::move(drive));
        return drives_.back().get();
    }

    wxMenuBar* menus() const { return frame_->GetMenuBar(); }
    bool checked(int id) const { return menus()->IsChecked(id); }
    bool enabled(int id) const { return menus()->IsEnabled(id); }

    void choose(int id) { test::chooseMenuItem(frame_, id); }

    // Answers the IP address dialog with an address and "Connect".
    static void answerIpAddress(const std::string& address) {
        test::recordedDialogs().modalAnswers.push_back([address](wxDialog& dialog) {
            for (wxWindow* child : dialog.GetChildren())
                if (auto* field = dynamic_cast<wxTextCtrl*>(child)) field->ChangeValue(address);
            wxWindow* connect = wxWindow::FindWindowByName("connect", &dialog);
            EXPECT_NE(connect, nullptr);
            if (connect) {
                wxCommandEvent click(wxEVT_BUTTON, connect->GetId());
                click.SetEventObject(connect);
                connect->GetEventHandler()->ProcessEvent(click);
            }
            return 1;
        });
    }

    void goOnlineTcp(const std::string& address) {
        answerIpAddress(address);
        choose(kIdTcp);
    }

    // A drive on TCP and the frame online with it; null (and a failure) when not.
    sim::SimDrive* onlineOverTcp() {
        std::string address;
        sim::SimDrive* drive = startDrive({}, &address);
        if (!drive) return nullptr;
        goOnlineTcp(address);
        EXPECT_TRUE(isOnlineOn("TCP"));
        return isOnlineOn("TCP", 0) ? drive : nullptr;
    }

    // A drive on a serial pseudo-terminal as COMn and the frame online with it.
    sim::SimDrive* onlineOverSerial(int comNumber) {
        sim::SimOptions options;
        options.serial = true;
        sim::SimDrive* drive = startDrive(options);
        if (!drive) return nullptr;
        const std::string port = "COM" + std::to_string(comNumber);
        setenv(("TORVEX_" + port).c_str(), drive->serialPath().c_str(), 1);
        choose(kIdFirstPort + comNumber - 1);
        EXPECT_TRUE(isOnlineOn(port, 8000));
        return isOnlineOn(port, 0) ? drive : nullptr;
    }

    wxString field(int index) const { return frame_->statusLine()->statusField(index); }
    bool flashing() const { return frame_->statusLine()->isFlashing(); }

    // The text last set for a status field (flashing blanks what is shown every other period).
    bool fieldShows(int index, const wxString& text, int timeoutMs = 3000) const {
        return test::pumpUntil([&] { return field(index) == text; }, timeoutMs);
    }

    bool isOnlineOn(const wxString& port, int timeoutMs = 3000) const {
        return fieldShows(0, "Drive is online (" + port + ").", timeoutMs);
    }

    // The distinct texts field 0 shows on the screen over a while.
    std::set<wxString> field0Over(int milliseconds) const {
        std::set<wxString> seen;
        auto start = Clock::now();
        while (msSince(start) < milliseconds) {
            test::pumpFor(10);
            seen.insert(frame_->statusLine()->shownField(0));
        }
        return seen;
    }

    void expectOfflineMenus() {
        EXPECT_TRUE(checked(kIdOffline));
        for (int id = kIdFirstPort; id <= kIdTcp; ++id) EXPECT_FALSE(checked(id)) << id;
        for (int id : {kIdLoadRegisters, kIdSaveRegisters, kIdPrintRegisters, kIdPrintSelection, kIdExecuteScript,
                       kIdImport, kIdSerialBoot})
            EXPECT_FALSE(enabled(id)) << id;
        EXPECT_TRUE(enabled(kIdBaud9600));
        EXPECT_TRUE(enabled(kIdBaud115200));
    }

    std::string home_;
    MainFrame* frame_ = nullptr;
    std::vector<std::unique_ptr<sim::SimDrive>> drives_;
    DriveStatusUpdater previousUpdater_;
};

TEST_F(OnlineTest, StartsOfflineWithAFlashingStatusLine) {
    EXPECT_TRUE(fieldShows(0, "Drive is offline."));
    EXPECT_TRUE(fieldShows(1, "Firmware: -"));
    EXPECT_TRUE(fieldShows(2, "Achse: -"));
    expectOfflineMenus();
    EXPECT_TRUE(test::pumpUntil([&] { return flashing(); }));
    std::set<wxString> seen = field0Over(1000);
    EXPECT_TRUE(seen.count("Drive is offline.") && seen.count("")) << "the offline status line must flash";
}

TEST_F(OnlineTest, GoesOnlineOverTcpAndOfflineAgain) {
    std::string address;
    sim::SimDrive* drive = startDrive({}, &address);
    ASSERT_NE(drive, nullptr);
    goOnlineTcp(address);

    ASSERT_TRUE(isOnlineOn("TCP"));
    EXPECT_EQ(field(1), "Firmware: 310");
    EXPECT_EQ(field(2), "Achse: AX01");
    EXPECT_EQ(frame_->connection().getIpAddress(), address);
    EXPECT_EQ(test::recordedDialogs().modalDialogTitles.size(), 1u);
    EXPECT_TRUE(checked(kIdTcp));
    EXPECT_FALSE(checked(kIdOffline));
    for (int id : {kIdSaveRegisters, kIdPrintRegisters, kIdPrintSelection, kIdSerialBoot}) EXPECT_TRUE(enabled(id)) << id;
    EXPECT_FALSE(enabled(kIdBaud9600));
    EXPECT_FALSE(enabled(kIdBaud115200));
    EXPECT_EQ(pollIntervalMs.load(), 1500u);
    EXPECT_EQ(field0Over(800), std::set<wxString>{"Drive is online (TCP)."}) << "online the status line is steady";
    EXPECT_FALSE(flashing());
    EXPECT_EQ(frame_->GetTitle(), "Torvex V2.0beta43tcp");

    choose(kIdOffline);
    EXPECT_TRUE(fieldShows(0, "Drive is offline."));
    EXPECT_TRUE(fieldShows(1, "Firmware: -"));
    EXPECT_FALSE(frame_->connection().isOnline());
    expectOfflineMenus();
    EXPECT_TRUE(test::pumpUntil([&] { return flashing(); }));
    std::set<wxString> seen = field0Over(1000);
    EXPECT_TRUE(seen.count("")) << "offline again, the status line flashes";
    EXPECT_TRUE(test::recordedDialogs().boxes.empty());
}

TEST_F(OnlineTest, CancellingTheIpAddressGoesOffline) {
    std::string address;
    sim::SimDrive* drive = startDrive({}, &address);
    ASSERT_NE(drive, nullptr);
    test::recordedDialogs().modalAnswers.push_back([](wxDialog&) { return 0; });
    choose(kIdTcp);
    EXPECT_EQ(test::recordedDialogs().modalDialogTitles.size(), 1u);
    EXPECT_TRUE(fieldShows(0, "Drive is offline."));
    expectOfflineMenus();
    EXPECT_FALSE(frame_->connection().isOnline());
    EXPECT_EQ(drive->connectionCount(), 0);

    // Cancelled while online: offline as well.
    goOnlineTcp(address);
    ASSERT_TRUE(isOnlineOn("TCP"));
    test::recordedDialogs().modalAnswers.push_back([](wxDialog&) { return 0; });
    choose(kIdTcp);
    EXPECT_TRUE(fieldShows(0, "Drive is offline."));
    expectOfflineMenus();
    EXPECT_FALSE(frame_->connection().isOnline());
}

TEST_F(OnlineTest, StatusBitZeroSwitchesLoadExecuteAndImport) {
    sim::SimDrive* drive = onlineOverTcp();
    ASSERT_NE(drive, nullptr);
    pollIntervalMs = 50;
    auto allThree = [&](bool state) {
        return test::pumpUntil(
            [&] {
                return enabled(kIdLoadRegisters) == state && enabled(kIdExecuteScript) == state &&
                       enabled(kIdImport) == state;
            },
            4000);
    };
    EXPECT_TRUE(allThree(true)) << "status bit 0 clear";
    drive->setReg(kRegStatus, 0x00010001);
    EXPECT_TRUE(allThree(false)) << "status bit 0 set";
    drive->setReg(kRegStatus, 0x00010000);
    EXPECT_TRUE(allThree(true)) << "status bit 0 clear again";

    choose(kIdOffline);
    pollIntervalMs = 50;
    test::pumpFor(300);
    EXPECT_FALSE(enabled(kIdLoadRegisters)) << "a menu state handed over before going offline stays unused";
}

TEST_F(OnlineTest, FirmwareBelow300IsRefusedAndTheFrameIsOffline) {
    std::string oldAddress, newAddress;
    sim::SimDrive* modern = startDrive({}, &newAddress);
    sim::SimOptions options;
    options.firmware = 250;
    sim::SimDrive* old = startDrive(options, &oldAddress);
    ASSERT_TRUE(modern && old);

    goOnlineTcp(oldAddress);
    ASSERT_TRUE(test::pumpUntil([] { return !test::recordedDialogs().boxes.empty(); }));
    const test::RecordedBox box = test::recordedDialogs().boxes.front();
    EXPECT_NE(box.text.find("firmware 250."), std::string::npos) << box.text;
    EXPECT_EQ(box.caption, "Error");
    EXPECT_TRUE(box.style & wxICON_ERROR);
    EXPECT_TRUE(fieldShows(0, "Drive is offline."));
    expectOfflineMenus();

    // From online on another drive: the message, and the frame shows offline at once.
    test::recordedDialogs().boxes.clear();
    goOnlineTcp(newAddress);
    ASSERT_TRUE(isOnlineOn("TCP"));
    goOnlineTcp(oldAddress);
    EXPECT_EQ(test::recordedDialogs().boxes.size(), 1u);
    EXPECT_TRUE(fieldShows(0, "Drive is offline.", 200));
    EXPECT_TRUE(fieldShows(1, "Firmware: -", 200));
    expectOfflineMenus();
    EXPECT_FALSE(frame_->connection().isOnline());
}

TEST_F(OnlineTest, ADriveFallingSilentBeforeThePagesAreReadIsTakenOffline) {
    std::string address;
    sim::SimDrive* drive = startDrive({}, &address);
    ASSERT_NE(drive, nullptr);
    frame_->connection().transport().setTcpTimeouts(1000, 200);
    // The firmware check is answered; every request after it goes unanswered.
    drive->setReadHook(kRegFirmware, [drive](uint32_t stored) {
        drive->setFault(sim::Fault::Silent);
        return stored;
    });
    goOnlineTcp(address);
    EXPECT_TRUE(fieldShows(0, "Drive is offline.", 10000));
    EXPECT_TRUE(fieldShows(1, "Firmware: -", 100));
    expectOfflineMenus();
    EXPECT_FALSE(frame_->connection().isOnline());
    EXPECT_FALSE(frame_->connection().isLinkOpen());
    EXPECT_TRUE(test::pumpUntil([&] { return flashing(); }));
}

TEST_F(OnlineTest, GoingOfflineRestoresTheTitleAndLeavesTheViewFileMark) {
    frame_->SetTitle("Torvex - some file.vrf");
    menus()->Check(kIdViewFile, true);
    frame_->goOffline();
    EXPECT_EQ(frame_->GetTitle(), "Torvex V2.0beta43tcp");
    EXPECT_TRUE(checked(kIdViewFile));
    EXPECT_TRUE(checked(kIdOffline));

    // The Offline item clears it as it clears every other mark.
    choose(kIdOffline);
    EXPECT_FALSE(checked(kIdViewFile));
    EXPECT_TRUE(checked(kIdOffline));
}

TEST_F(OnlineTest, SerialPortsSwitchFromCom1ToCom3WhileOnline) {
    sim::SimOptions options;
    options.serial = true;
    sim::SimDrive* first = startDrive(options);
    sim::SimDrive* third = startDrive(options);
    ASSERT_TRUE(first && third);
    third->setReg(kRegAxisName, packAxisName("AX03"));
    setenv("TORVEX_COM1", first->serialPath().c_str(), 1);
    setenv("TORVEX_COM3", third->serialPath().c_str(), 1);

    choose(kIdFirstPort);  // COM1
    ASSERT_TRUE(isOnlineOn("COM1", 8000));
    EXPECT_EQ(field(2), "Achse: AX01");
    EXPECT_TRUE(checked(kIdFirstPort));

    int offlineIndications = 0;
    auto countOffline = [&](wxCommandEvent& event) {
        if (event.GetInt() != 0) ++offlineIndications;
        event.Skip();
    };
    frame_->Bind(OfflineIndicatorEvent, countOffline);
    choose(kIdFirstPort + 2);  // COM3
    ASSERT_TRUE(isOnlineOn("COM3", 8000));
    test::pumpFor(50);
    frame_->Unbind(OfflineIndicatorEvent, countOffline);
    EXPECT_EQ(offlineIndications, 0) << "from COM1 to COM3 without passing through offline";
    EXPECT_EQ(field(2), "Achse: AX03");
    EXPECT_TRUE(checked(kIdFirstPort + 2));
    EXPECT_FALSE(checked(kIdFirstPort));
    EXPECT_FALSE(checked(kIdOffline));
    EXPECT_TRUE(enabled(kIdSaveRegisters));
    test::pumpFor(700);
    EXPECT_TRUE(isOnlineOn("COM3", 100)) << "no request of the COM1 connection may take COM3 offline";

    // Choosing the port it is online on again keeps it online and marked.
    choose(kIdFirstPort + 2);
    ASSERT_TRUE(isOnlineOn("COM3", 8000));
    EXPECT_TRUE(checked(kIdFirstPort + 2));
}

TEST_F(OnlineTest, GoesOnlineOverCan) {
    const std::string library = TORVEX_BINARY_DIR "/tools/drivesim/can_test_adapter/libpcan_usb_sim.so";
    ASSERT_TRUE(wxFileExists(library)) << library;
    sim::SimOptions options;
    options.can = true;
    sim::SimDrive* drive = startDrive(options);
    ASSERT_NE(drive, nullptr);
    setenv("TORVEX_CAN_LIBRARY", library.c_str(), 1);
    setenv("TORVEX_CAN_SIM", drive->canEndpoint().c_str(), 1);

    choose(kIdFirstPort + 8);  // CAN
    ASSERT_TRUE(isOnlineOn("CAN"));
    EXPECT_EQ(field(1), "Firmware: 310");
    EXPECT_EQ(field(2), "Achse: AX01");
    EXPECT_EQ(pollIntervalMs.load(), 100u);
    drive->setReg(kRegStatus, 1);
    EXPECT_TRUE(test::pumpUntil([&] { return !enabled(kIdLoadRegisters); }, 2000));
}

TEST_F(OnlineTest, TwelveFailuresAndASuccessStayOnline) {
    ASSERT_NE(onlineOverTcp(), nullptr);
    // Keep the polling step's successes out of the series: it sleeps after its next step.
    pollIntervalMs = 600000;
    test::pumpFor(1700);

    std::mutex mutex;
    std::vector<uint32_t> seen;
    setDriveStatusUpdater([&](MainFrame&, uint32_t failures) {
        std::lock_guard<std::mutex> lock(mutex);
        seen.push_back(failures);
        return seen.size() == 13 || seen.size() > 14;  // twelve failures, a success, a failure
    });
    ASSERT_TRUE(test::pumpUntil([&] { std::lock_guard<std::mutex> lock(mutex); return seen.size() >= 16; }, 10000));
    setDriveStatusUpdater(nullptr);
    std::vector<uint32_t> first(seen.begin(), seen.begin() + 16);
    EXPECT_EQ(first, (std::vector<uint32_t>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 0, 1, 0}));
    EXPECT_TRUE(isOnlineOn("TCP", 100));
    EXPECT_TRUE(frame_->connection().isOnline());
    closeFrame();  // the threads are joined before the updater's captures go
}

TEST_F(OnlineTest, ThirteenFailuresInARowOfBothStepsGoOffline) {
    sim::SimDrive* drive = onlineOverSerial(2);
    ASSERT_NE(drive, nullptr);
    pollIntervalMs = 50;

    std::atomic<int> watchFailures{0};
    std::atomic<bool> countedPollingFailures{false};
    setDriveStatusUpdater([&](MainFrame&, uint32_t failures) {
        // More failures in the series than this step made itself: the polling step's count too.
        if (failures > static_cast<uint32_t>(watchFailures.load())) countedPollingFailures = true;
        watchFailures.fetch_add(1);
        return false;
    });
    drive->setFault(sim::Fault::Silent);  // every status read of the polling step fails
    EXPECT_TRUE(fieldShows(0, "Drive is offline.", 15000));
    EXPECT_TRUE(countedPollingFailures.load()) << "polling failures must count in the same series";
    EXPECT_GT(watchFailures.load(), 0);
    expectOfflineMenus();
    EXPECT_FALSE(frame_->connection().isOnline());
    EXPECT_EQ(frame_->failureCount.load(), 0u);
    closeFrame();  // the threads are joined before the updater's captures go
}

// The polling step alone: the watching step watches nothing, and the pages' cyclic updates
// give a scripted series of results (then successes). Records the shared failure count as
// each update finds it.
struct ScriptedPolling {
    std::mutex mutex;
    std::vector<bool> script;
    std::vector<uint32_t> countsSeen;
    size_t calls() {
        std::lock_guard<std::mutex> lock(mutex);
        return countsSeen.size();
    }
};

void scriptPolling(MainFrame& frame, ScriptedPolling& polling) {
    setDriveStatusUpdater([](MainFrame&, uint32_t) { return std::optional<bool>(); });
    MainFrame* target = &frame;
    frame.pageChains().cyclicUpdate = {{frame.notebook()->GetPage(kTabSettings), "Settings", [target, &polling] {
                                           std::lock_guard<std::mutex> lock(polling.mutex);
                                           const size_t call = polling.countsSeen.size();
                                           polling.countsSeen.push_back(target->failureCount.load());
                                           return call < polling.script.size() ? polling.script[call] : true;
                                       }}};
}

TEST_F(OnlineTest, APollingSuccessEndsTheSeriesOfFailures) {
    ScriptedPolling polling;
    polling.script.assign(12, false);
    polling.script.push_back(true);
    polling.script.insert(polling.script.end(), 12, false);
    scriptPolling(*frame_, polling);
    ASSERT_NE(onlineOverTcp(), nullptr);
    pollIntervalMs = 20;
    ASSERT_TRUE(test::pumpUntil([&] { return polling.calls() >= 27; }, 15000));
    std::vector<uint32_t> expected;
    for (uint32_t i = 0; i <= 12; ++i) expected.push_back(i);  // twelve failures, then the success
    for (uint32_t i = 0; i <= 13; ++i) expected.push_back(i == 13 ? 0 : i);  // twelve more, a success
    std::vector<uint32_t> seen;
    {
        std::lock_guard<std::mutex> lock(polling.mutex);
        seen.assign(polling.countsSeen.begin(), polling.countsSeen.begin() + 27);
    }
    EXPECT_EQ(seen, expected);
    EXPECT_TRUE(isOnlineOn("TCP", 100));
    closeFrame();  // the threads are joined before the chain's captures go
}

TEST_F(OnlineTest, ThirteenPollingFailuresInARowGoOffline) {
    ScriptedPolling polling;
    polling.script.assign(40, false);
    scriptPolling(*frame_, polling);
    ASSERT_NE(onlineOverTcp(), nullptr);
    pollIntervalMs = 20;
    EXPECT_TRUE(fieldShows(0, "Drive is offline.", 10000));
    EXPECT_EQ(polling.calls(), 13u);
    EXPECT_EQ(frame_->failureCount.load(), 0u);
    closeFrame();
}

TEST_F(OnlineTest, NoPollingRequestReachesTheDriveDuringTheFirstReadOfAllPages) {
    std::string address;
    sim::SimDrive* drive = startDrive({}, &address);
    ASSERT_NE(drive, nullptr);
    setDriveStatusUpdater([](MainFrame&, uint32_t) { return std::optional<bool>(); });
    // A first read of the pages that lasts longer than a polling period (1500 ms on TCP),
    // ending with a read of 0x99 that marks its end in the drive's log.
    MainFrame* target = frame_;
    frame_->pageChains().readFromDrive = {{frame_->notebook()->GetPage(kTabSettings), "Settings", [target] {
                                              uint16_t value = 0;
                                              for (int i = 0; i < 20; ++i) {
                                                  target->connection().read16bitRegister(0x34, &value);
                                                  wxMilliSleep(90);
                                              }
                                              return target->connection().read16bitRegister(0x99, &value) == 0;
                                          }}};
    goOnlineTcp(address);
    ASSERT_TRUE(isOnlineOn("TCP"));
    // The polling step reads the status register: it must come, but only after the read.
    ASSERT_TRUE(test::pumpUntil(
        [&] {
            for (const auto& f : drive->frames())
                if (f.isRead && f.reg == kRegStatus) return true;
            return false;
        },
        4000));
    const auto frames = drive->frames();
    size_t endOfRead = frames.size(), firstPoll = frames.size();
    for (size_t i = 0; i < frames.size(); ++i) {
        if (frames[i].isRead && frames[i].reg == 0x99 && endOfRead == frames.size()) endOfRead = i;
        if (frames[i].isRead && frames[i].reg == kRegStatus && firstPoll == frames.size()) firstPoll = i;
    }
    ASSERT_LT(endOfRead, frames.size());
    EXPECT_GT(firstPoll, endOfRead) << "a polling request came inside the first read";
    closeFrame();
}

TEST_F(OnlineTest, AxisNameEndsAtItsFirstZeroByte) {
    std::string address;
    sim::SimDrive* drive = startDrive({}, &address);
    ASSERT_NE(drive, nullptr);
    drive->setReg(kRegAxisName, uint32_t('A') | uint32_t('B') << 16 | uint32_t('C') << 24);
    goOnlineTcp(address);
    ASSERT_TRUE(isOnlineOn("TCP"));
    EXPECT_TRUE(fieldShows(2, "Achse: A", 1000)) << field(2).utf8_string();
    drive->setReg(kRegAxisName, uint32_t('X') | uint32_t('Y') << 8);
    wxCommandEvent readAll(ReadAllEvent);
    frame_->GetEventHandler()->ProcessEvent(readAll);
    EXPECT_TRUE(fieldShows(2, "Achse: XY", 1000)) << field(2).utf8_string();
}

// The watching step runs the drive status panel's readers; this stands in for them.
bool readLikeTheStatusPanel(MainFrame& frame, uint32_t) {
    uint32_t status = 0;
    return frame.connection().read32bitRegister(kRegStatus, &status) == 0;
}

TEST_F(OnlineTest, ALinkClosedByTheDriveIsTakenOffline) {
    setDriveStatusUpdater(readLikeTheStatusPanel);
    sim::SimDrive* drive = onlineOverTcp();
    ASSERT_NE(drive, nullptr);
    test::pumpFor(400);

    auto start = Clock::now();
    drive->setFault(sim::Fault::CloseLink, 1);
    // The link itself closes at the first failed send after the drive hung up; from then
    // on the watching step has the frame offline within one of its periods.
    long linkClosed = -1;
    ASSERT_TRUE(test::pumpUntil(
        [&] {
            if (linkClosed < 0 && !frame_->connection().isLinkOpen()) linkClosed = msSince(start);
            return field(0) == "Drive is offline.";
        },
        5000));
    const long took = msSince(start);
    ASSERT_GE(linkClosed, 0);
    std::printf("drive hung up: link closed after %ld ms, frame offline after %ld ms\n", linkClosed, took);
    EXPECT_LT(took - linkClosed, 1000);
    expectOfflineMenus();
    EXPECT_FALSE(frame_->connection().isOnline());
}

TEST_F(OnlineTest, ALinkLostBeforeTheWatcherLooksAtItIsTakenOffline) {
    std::string firstAddress, secondAddress;
    sim::SimDrive* first = startDrive({}, &firstAddress);
    sim::SimDrive* second = startDrive({}, &secondAddress);
    ASSERT_TRUE(first && second);
    std::atomic<bool> hold{false}, held{false};
    setDriveStatusUpdater([&](MainFrame&, uint32_t) {
        while (hold.load()) {
            held.store(true);
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return true;
    });
    struct Release {
        std::atomic<bool>& hold;
        ~Release() { hold.store(false); }
    } release{hold};

    goOnlineTcp(firstAddress);
    ASSERT_TRUE(isOnlineOn("TCP"));
    // The watcher is kept busy with a slow step of the first connection while the frame
    // switches to the second, whose link is lost before the watcher gets to look at it.
    hold.store(true);
    ASSERT_TRUE(test::pumpUntil([&] { return held.load(); }, 3000));
    goOnlineTcp(secondAddress);
    ASSERT_TRUE(isOnlineOn("TCP"));
    second->setFault(sim::Fault::CloseLink, 1);
    DriveConnection& connection = frame_->connection();
    for (int i = 0; i < 50 && connection.isLinkOpen(); ++i) {
        uint16_t value = 0;
        connection.write16bitRegister(0xD1, 1);
        connection.read16bitRegister(kRegFirmware, &value);
    }
    ASSERT_FALSE(connection.isConnected());
    hold.store(false);

    EXPECT_TRUE(fieldShows(0, "Drive is offline.", 3000)) << "a lost link must not be shown as online";
    expectOfflineMenus();
    EXPECT_FALSE(connection.isOnline());
    closeFrame();  // the threads are joined before the updater's captures go
}

TEST_F(OnlineTest, GoingOfflineAfterALostLinkClosesTheConnection) {
    sim::SimDrive* drive = onlineOverTcp();
    ASSERT_NE(drive, nullptr);

    drive->setFault(sim::Fault::CloseLink, 1);
    DriveConnection& connection = frame_->connection();
    for (int i = 0; i < 50 && connection.isLinkOpen(); ++i) {
        uint16_t value = 0;
        connection.write16bitRegister(0xD1, 1);
        connection.read16bitRegister(kRegFirmware, &value);
    }
    ASSERT_FALSE(connection.isConnected());
    ASSERT_TRUE(connection.isOnline()) << "a lost link leaves the connection online";
    frame_->goOffline();
    EXPECT_FALSE(connection.isOnline());
    EXPECT_FALSE(connection.isLinkOpen());
    EXPECT_TRUE(fieldShows(0, "Drive is offline."));
}

TEST_F(OnlineTest, RequestsOfAnEarlierConnectionAreDropped) {
    ASSERT_NE(onlineOverTcp(), nullptr);
    const uint32_t before = frame_->connectionGeneration();

    goOnlineTcp(frame_->connection().getIpAddress());  // TCP again: a new connection
    ASSERT_TRUE(isOnlineOn("TCP"));
    ASSERT_NE(frame_->connectionGeneration(), before);
    pollIntervalMs = 600000;
    test::pumpFor(1700);
    const bool loadEnabled = enabled(kIdLoadRegisters);
    postTagged(frame_, DriveMenuStateEvent, loadEnabled ? 0 : 1, before);
    postTagged(frame_, GoOfflineRequestEvent, 0, before);
    test::pumpFor(100);
    EXPECT_TRUE(isOnlineOn("TCP", 100));
    EXPECT_EQ(enabled(kIdLoadRegisters), loadEnabled);

    postTagged(frame_, GoOfflineRequestEvent, 0, frame_->connectionGeneration());
    EXPECT_TRUE(fieldShows(0, "Drive is offline."));
}

TEST_F(OnlineTest, ViewingAFileFlashesAndEnablesTheFileCommands) {
    RegisterValueMap16 values16 = {{kRegFirmware, 320}};
    RegisterValueMap32 values32 = {{kRegStatus, 1}};
    frame_->goOffline();
    frame_->connection().loadOfflineImage(values16, values32);
    frame_->enableOnlineMenus(true);
    pollIntervalMs = 50;
    EXPECT_TRUE(test::pumpUntil(
        [&] { return enabled(kIdLoadRegisters) && enabled(kIdExecuteScript) && enabled(kIdImport); }, 4000));
    EXPECT_TRUE(enabled(kIdSaveRegisters));
    EXPECT_FALSE(enabled(kIdBaud9600));
    EXPECT_TRUE(test::pumpUntil([&] { return flashing(); }));
    std::set<wxString> seen = field0Over(1000);
    EXPECT_TRUE(seen.count("")) << "a viewed file keeps the status line flashing";
    EXPECT_TRUE(frame_->readAllFromDrive());
    EXPECT_TRUE(fieldShows(1, "Firmware: 320"));
}

TEST_F(OnlineTest, AMenuStateDroppedByTheFrameIsHandedOverAgain) {
    RegisterValueMap16 values16 = {{kRegFirmware, 320}};
    RegisterValueMap32 values32 = {{kRegStatus, 1}};
    pollIntervalMs = 20;
    test::pumpFor(1700);  // the polling step's first sleep was the offline one
    // A file image that is dropped again at once (as a refused file is): the polling
    // step's hand-over for it arrives when there is nothing to apply it to.
    frame_->connection().loadOfflineImage(values16, values32);
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    frame_->connection().disconnectDrive();
    test::pumpFor(10);
    EXPECT_FALSE(enabled(kIdLoadRegisters));

    // The next file is shown in the same connection state: its commands must be enabled.
    frame_->connection().loadOfflineImage(values16, values32);
    frame_->enableOnlineMenus(true);
    EXPECT_TRUE(test::pumpUntil(
        [&] { return enabled(kIdLoadRegisters) && enabled(kIdExecuteScript) && enabled(kIdImport); }, 2000));
}

TEST_F(OnlineTest, ClosingWhileOnlineWithASilentDriveEndsPromptly) {
    setDriveStatusUpdater(readLikeTheStatusPanel);
    sim::SimDrive* drive = onlineOverSerial(4);
    ASSERT_NE(drive, nullptr);
    pollIntervalMs = 50;
    drive->setFault(sim::Fault::Silent);
    test::pumpFor(300);  // both threads are now waiting on the silent drive

    const long took = closeFrame();
    std::printf("closing while online with a silent serial drive took %ld ms\n", took);
    EXPECT_LT(took, 2500);
}

TEST_F(OnlineTest, ClosingWhileOnlineOverTcpWithASilentDriveEndsPromptly) {
    setDriveStatusUpdater(readLikeTheStatusPanel);
    sim::SimDrive* drive = onlineOverTcp();
    ASSERT_NE(drive, nullptr);
    pollIntervalMs = 50;
    drive->setFault(sim::Fault::Silent);
    test::pumpFor(300);

    const long took = closeFrame();
    std::printf("closing while online with a silent TCP drive took %ld ms\n", took);
    EXPECT_LT(took, 2500);
}

}  // namespace
}  // namespace torvex
