// The main frame's file commands: view, load, import, save, scripts and serial boot.
#include <gtest/gtest.h>

#include <wx/menu.h>
#include <wx/weakref.h>

#include <cstdlib>
#include <deque>
#include <fstream>
#include <iterator>
#include <unistd.h>

#include "frame/app.h"
#include "services/config.h"
#include "services/file_chooser.h"
#include "widgets/events.h"
#include "frame/main_frame.h"
#include "link/register_file.h"
#include "link/registers.h"
#include "tests/support/menu_actions.h"
#include "tests/support/recording_dialogs.h"
#include "tests/support/sim_fixture.h"
#include "widgets/flashing_status_bar.h"

namespace torvex {
namespace {

using test::recordedDialogs;

class FrameFilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        // The configuration file outlives a test inside one process: its home stays.
        static std::string home = [] {
            std::string folder = std::string(P_tmpdir) + "/torvex-files-home-XXXXXX";
            return mkdtemp(folder.data()) ? folder : std::string(P_tmpdir);
        }();
        setenv("HOME", home.c_str(), 1);
        folder_ = std::string(P_tmpdir) + "/torvex-files-XXXXXX";
        ASSERT_NE(mkdtemp(folder_.data()), nullptr);
        char buffer[4096];
        previousFolder_ = getcwd(buffer, sizeof buffer) ? buffer : ".";
        // No "Reglist.txt" here unless a test writes one.
        ASSERT_EQ(chdir(folder_.c_str()), 0);
        frame_ = new MainFrame("Torvex", wxPoint(50, 50), wxSize(1200, 750));
        frame_->Show();
        test::pumpFor(50);
    }

    void TearDown() override {
        wxWeakRef<wxFrame> ref(frame_);
        frame_->Close(true);
        EXPECT_TRUE(test::pumpUntil([&] { return !ref; }, 5000)) << "the frame was not destroyed";
        drive_.reset();
        (void)chdir(previousFolder_.c_str());
        std::string command = "rm -rf '" + folder_ + "'";
        (void)system(command.c_str());
    }

    std::string path(const std::string& name) const { return folder_ + "/" + name; }

    std::string writeRegisterSet(const std::string& name, uint16_t firmware, uint16_t value34) {
        std::vector<uint8_t> bytes(kRegisterFileMagic, kRegisterFileMagic + kRegisterFileMagicSize);
        appendRegisterRecord(bytes, kRegFirmware, false, firmware);
        appendRegisterRecord(bytes, 0x34, false, value34);
        appendRegisterRecord(bytes, kRegAxisName, true, 0x31305841);
        std::ofstream(path(name), std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return path(name);
    }

    std::string writeText(const std::string& name, const std::string& text) {
        std::ofstream(path(name), std::ios::binary) << text;
        return path(name);
    }

    wxMenuBar* menus() const { return frame_->GetMenuBar(); }
    bool checked(int id) const { return menus()->IsChecked(id); }

    void choose(int id) { test::chooseMenuItem(frame_, id); }

    void send(wxEventType type, int value = 0) {
        wxCommandEvent event(type, 0);
        event.SetInt(value);
        frame_->GetEventHandler()->ProcessEvent(event);
    }

    void view(const std::string& file) {
        recordedDialogs().fileAnswers.push_back(file);
        choose(kIdViewFile);
    }

    std::vector<std::string> boxTexts() const {
        std::vector<std::string> out;
        for (const auto& box : recordedDialogs().boxes) out.push_back(box.text);
        return out;
    }

    wxString versionTitle(const std::string& name = {}) const {
        return name.empty() ? wxString::Format("Torvex %s", kVersionText)
                            : wxString::Format("Torvex %s - %s", kVersionText, name);
    }

    std::string folder_, previousFolder_;
    MainFrame* frame_ = nullptr;
    std::unique_ptr<sim::SimDrive> drive_;
};

TEST_F(FrameFilesTest, ViewingAFileShowsItsImage) {
    view(writeRegisterSet("view.vrf", 310, 1234));
    EXPECT_EQ(recordedDialogs().fileDialogMessages, std::vector<std::string>{"View Register File"});
    EXPECT_TRUE(boxTexts().empty()) << boxTexts()[0];
    EXPECT_EQ(frame_->statusLine()->statusField(0), "File is shown.");
    EXPECT_EQ(frame_->statusLine()->statusField(1), "Firmware: 310");  // the pages read the image
    EXPECT_EQ(frame_->GetTitle(), versionTitle("view.vrf"));
    EXPECT_TRUE(checked(kIdViewFile));
    EXPECT_FALSE(checked(kIdOffline));
    EXPECT_TRUE(frame_->connection().isOfflineImage());
    EXPECT_EQ(firmwareVersion.load(), 310u);
    uint16_t value = 0;
    EXPECT_EQ(frame_->connection().read16bitRegister(0x34, &value), 0u);
    EXPECT_EQ(value, 1234);
    EXPECT_EQ(getRegisterDataFilename(), "view.vrf");
    EXPECT_EQ(getRegisterDataDirectory(), folder_);

    // The next dialog starts where this one ended.
    view("");
    ASSERT_EQ(recordedDialogs().fileDialogNames.size(), 2u);
    ASSERT_EQ(recordedDialogs().fileDialogDirectories.size(), 2u);
    EXPECT_EQ(recordedDialogs().fileDialogNames.back(), "view.vrf");
    EXPECT_EQ(recordedDialogs().fileDialogDirectories.back(), folder_);
    EXPECT_FALSE(checked(kIdViewFile)) << "a cancelled dialog clears the mark";
}

TEST_F(FrameFilesTest, ViewingAFileOfAnOldFirmwareIsRefused) {
    view(writeRegisterSet("old.vrf", 299, 1));
    EXPECT_EQ(boxTexts(), std::vector<std::string>{
                              "The register file you want to view has registers for firmware 299.\nThis version of "
                              "Torvex only supports firmwares greater than (and including) 300.\nPlease use an older "
                              "version of Torvex."});
    EXPECT_FALSE(checked(kIdViewFile));
    EXPECT_FALSE(frame_->connection().isConnected());
    EXPECT_EQ(firmwareVersion.load(), 0u);

    recordedDialogs().clear();
    view(writeText("broken.vrf", "not a register file at all, far too short"));
    EXPECT_EQ(boxTexts(), std::vector<std::string>{"Error loading registers!"});
    EXPECT_FALSE(checked(kIdViewFile));

    // 300 itself is new enough.
    recordedDialogs().clear();
    view(writeRegisterSet("first.vrf", 300, 1));
    EXPECT_TRUE(boxTexts().empty()) << boxTexts()[0];
    EXPECT_TRUE(checked(kIdViewFile));
    EXPECT_TRUE(frame_->connection().isOfflineImage());
    EXPECT_EQ(firmwareVersion.load(), 300u);
}

TEST_F(FrameFilesTest, SavingFromTheImageWritesWhatTheImageHolds) {
    // A set as "Save selection of registers" leaves it, with the 32-bit STATUS stored at
    // 16 bits (as some firmwares did) and a command register that is never saved.
    std::vector<uint8_t> file(kRegisterFileMagic, kRegisterFileMagic + kRegisterFileMagicSize);
    appendRegisterRecord(file, kRegAxisName, true, 0x31305841);
    appendRegisterRecord(file, 0x34, false, 1234);
    appendRegisterRecord(file, kRegFirmware, false, 310);
    appendRegisterRecord(file, 0x40, false, 0x0005);
    appendRegisterRecord(file, 0x83, false, 1);
    std::ofstream(path("view.vrf"), std::ios::binary)
        .write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
    view(path("view.vrf"));
    ASSERT_TRUE(boxTexts().empty()) << boxTexts()[0];
    recordedDialogs().fileAnswers.push_back(path("saved.vrf"));
    send(SaveRegistersEvent, 1);
    EXPECT_TRUE(boxTexts().empty());
    ASSERT_EQ(recordedDialogs().fileDialogMessages.size(), 2u);
    EXPECT_EQ(recordedDialogs().fileDialogMessages.back(), "Save Register File");
    EXPECT_EQ(frame_->GetTitle(), versionTitle("saved.vrf"));
    EXPECT_EQ(getRegisterDataFilename(), "saved.vrf");

    // Only the readable registers the image holds, ascending, each at its own width; no
    // register the file lacked comes back as 0.
    std::ifstream in(path("saved.vrf"), std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<uint8_t> expected(kRegisterFileMagic, kRegisterFileMagic + kRegisterFileMagicSize);
    appendRegisterRecord(expected, kRegFirmware, false, 310);
    appendRegisterRecord(expected, 0x34, false, 1234);
    appendRegisterRecord(expected, 0x40, true, 0x0005);
    appendRegisterRecord(expected, kRegAxisName, true, 0x31305841);
    EXPECT_EQ(bytes, expected);

    // The pages read STATUS at its width from the image too.
    uint32_t status = 0;
    EXPECT_EQ(frame_->connection().read32bitRegister(0x40, &status), 0u);
    EXPECT_EQ(status, 5u);
}

TEST_F(FrameFilesTest, SavingTheSelectionNeedsItsList) {
    view(writeRegisterSet("view.vrf", 310, 1234));
    recordedDialogs().fileAnswers.push_back(path("selection.vrf"));
    send(SaveRegistersEvent, 0);
    EXPECT_EQ(boxTexts(), std::vector<std::string>{"Can't load the list of registers to save!"});
    EXPECT_FALSE(std::ifstream(path("selection.vrf")).good());

    recordedDialogs().clear();
    writeText("Reglist.txt", "# the selection\n52\n27\n");
    recordedDialogs().fileAnswers.push_back(path("selection.vrf"));
    send(SaveRegistersEvent, 0);
    EXPECT_TRUE(boxTexts().empty());
    std::ifstream in(path("selection.vrf"), std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<uint8_t> expected(kRegisterFileMagic, kRegisterFileMagic + kRegisterFileMagicSize);
    appendRegisterRecord(expected, 52, false, 1234);
    appendRegisterRecord(expected, 27, false, 310);
    EXPECT_EQ(bytes, expected);
}

TEST_F(FrameFilesTest, ATypedNameIsSavedWithTheRegisterFileExtension) {
    view(writeRegisterSet("view.vrf", 310, 1234));
    auto contents = [this](const std::string& name) {
        std::ifstream in(path(name), std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    };
    auto save = [this](const std::string& typed, std::deque<int> answers = {}) {
        recordedDialogs().clear();
        recordedDialogs().fileAnswers.push_back(path(typed));
        recordedDialogs().boxAnswers = std::move(answers);
        send(SaveRegistersEvent, 1);
    };

    save("motor1");
    EXPECT_TRUE(boxTexts().empty());
    EXPECT_FALSE(std::ifstream(path("motor1")).good());
    const std::string saved = contents("motor1.vrf");
    RegisterValueMap16 values16;
    RegisterValueMap32 values32;
    ASSERT_EQ(readRegisterFile(path("motor1.vrf"), values16, values32, false), 0u);
    EXPECT_EQ(values16[0x34], 1234);
    EXPECT_EQ(frame_->GetTitle(), versionTitle("motor1.vrf"));
    EXPECT_EQ(getRegisterDataFilename(), "motor1.vrf") << "the next dialog offers the file written";

    // The completed name exists: asked, as the dialog would have asked for it. No writes nothing.
    writeText("motor1.vrf", "kept");
    save("motor1", {wxNO});
    ASSERT_EQ(recordedDialogs().boxes.size(), 1u);
    EXPECT_EQ(recordedDialogs().boxes[0].text,
              "The file '" + path("motor1.vrf") + "' already exists.\nDo you want to replace it?");
    EXPECT_EQ(recordedDialogs().boxes[0].caption, "Save Register File");
    EXPECT_EQ(recordedDialogs().boxes[0].style & (wxYES_NO | wxICON_QUESTION), wxYES_NO | wxICON_QUESTION);
    EXPECT_EQ(contents("motor1.vrf"), "kept");
    EXPECT_FALSE(std::ifstream(path("motor1")).good());

    save("motor1", {wxYES});
    EXPECT_EQ(recordedDialogs().boxes.size(), 1u);
    EXPECT_EQ(contents("motor1.vrf"), saved);

    // A name typed with its extension, or with another one, is kept; the dialog itself asked
    // about an existing one, so nothing asks again.
    writeText("motor1.vrf", "kept");
    save("motor1.vrf");
    EXPECT_TRUE(boxTexts().empty());
    EXPECT_EQ(contents("motor1.vrf"), saved);
    save("motor1.bak");
    EXPECT_TRUE(boxTexts().empty());
    EXPECT_EQ(contents("motor1.bak"), saved);
    EXPECT_FALSE(std::ifstream(path("motor1.bak.vrf")).good());
}

TEST(FileChooser, PatternsAreOfferedInUpperCaseToo) {
    auto upperCased = [](const char* wildcard) { return withUpperCasePatterns(wildcard).utf8_string(); };
    EXPECT_EQ(upperCased("Files (*.vrf)|*.vrf"), "Files (*.vrf)|*.vrf;*.VRF")
        << "the description stays as it was";
    EXPECT_EQ(upperCased("A (*.vrf)|*.vrf|B (*.vtd;*.vsf)|*.vtd;*.vsf"),
              "A (*.vrf)|*.vrf;*.VRF|B (*.vtd;*.vsf)|*.vtd;*.vsf;*.VTD;*.VSF");
    // Nothing twice, and nothing for a pattern without letters.
    EXPECT_EQ(upperCased("Files (*.vrf)|*.vrf;*.VRF"), "Files (*.vrf)|*.vrf;*.VRF");
    EXPECT_EQ(upperCased("All (*.*)|*.*"), "All (*.*)|*.*");
}

TEST_F(FrameFilesTest, LoadingAndImportingIntoTheImage) {
    view(writeRegisterSet("view.vrf", 310, 1234));
    recordedDialogs().fileAnswers.push_back(writeRegisterSet("load.vrf", 320, 777));
    send(LoadRegistersEvent);
    EXPECT_TRUE(boxTexts().empty());
    EXPECT_EQ(frame_->GetTitle(), versionTitle("load.vrf"));
    uint16_t value = 0;
    frame_->connection().read16bitRegister(0x34, &value);
    EXPECT_EQ(value, 777);
    EXPECT_EQ(getRegisterDataFilename(), "load.vrf");

    // An old drive file of an unknown version is refused and leaves the remembered file alone.
    std::vector<char> drive(4 + 1024, 0);
    drive[0] = 7;
    std::ofstream(path("odd.vtd"), std::ios::binary).write(drive.data(), static_cast<std::streamsize>(drive.size()));
    recordedDialogs().fileAnswers.push_back(path("odd.vtd"));
    choose(kIdImport);
    ASSERT_EQ(recordedDialogs().fileDialogMessages.size(), 3u);
    ASSERT_EQ(recordedDialogs().fileDialogNames.size(), 3u);
    EXPECT_EQ(recordedDialogs().fileDialogMessages.back(), "Import old Drive File");
    EXPECT_EQ(recordedDialogs().fileDialogNames.back(), "");
    EXPECT_EQ(boxTexts(), std::vector<std::string>{"Error importing file!"});
    EXPECT_EQ(frame_->GetTitle(), versionTitle());
    EXPECT_EQ(getRegisterDataFilename(), "load.vrf");
    frame_->connection().read16bitRegister(0x34, &value);
    EXPECT_EQ(value, 777);

    // A file that opens but fails while it is read (a read error; here a folder) is an
    // error like any unreadable file.
    recordedDialogs().clear();
    recordedDialogs().fileAnswers.push_back(folder_);
    send(LoadRegistersEvent);
    EXPECT_EQ(boxTexts(), std::vector<std::string>{"Error loading file!"});
    frame_->connection().read16bitRegister(0x34, &value);
    EXPECT_EQ(value, 777);
}

TEST_F(FrameFilesTest, ScriptWithAnUnknownCommandSendsNothing) {
    std::string address;
    drive_ = test::startSimDrive(sim::SimOptions{}, &address);
    ASSERT_TRUE(drive_);
    frame_->connection().setIpAddress(address);
    ASSERT_EQ(frame_->connection().connectDrive("TCP", 9600), 0u);
    drive_->clearFrames();
    recordedDialogs().fileAnswers.push_back(
        writeText("bad.vsf", "# one\r\nSETREGISTER 0x34 5\r\n\r\n\r\n\r\n\r\nfoo 1 2\r\nSETREGISTER 0x35 1\r\n"));
    send(ExecuteScriptEvent);
    ASSERT_EQ(recordedDialogs().fileDialogMessages.size(), 1u);
    EXPECT_EQ(recordedDialogs().fileDialogMessages.back(), "Execute script");
    EXPECT_EQ(boxTexts(), std::vector<std::string>{"Error in script on line 7!"});
    for (const auto& frame : drive_->frames()) EXPECT_TRUE(frame.isRead) << "register " << frame.reg << " written";
    EXPECT_EQ(drive_->reg(0x34), 3000u);
    EXPECT_EQ(getScriptDataFilename(), "bad.vsf");

    recordedDialogs().clear();
    recordedDialogs().fileAnswers.push_back(writeText("good.vsf", "SETREGISTER 0x34 1500\nORREGISTER 0x34 0x4\n"));
    send(ExecuteScriptEvent);
    EXPECT_EQ(boxTexts(), std::vector<std::string>{"Script 'good.vsf' executed succesful!"});
    EXPECT_EQ(drive_->reg(0x34), 1500u | 4u);

    // A script that cannot be read (gone, or not readable for this user) ran nothing: it
    // is reported as not loaded, never as executed.
    recordedDialogs().clear();
    drive_->clearFrames();
    recordedDialogs().fileAnswers.push_back(path("gone.vsf"));
    send(ExecuteScriptEvent);
    EXPECT_EQ(boxTexts(), std::vector<std::string>{"Error loading script!"});
    EXPECT_EQ(recordedDialogs().boxes.front().caption, "Error");
    for (const auto& frame : drive_->frames()) EXPECT_TRUE(frame.isRead) << "register " << frame.reg << " written";

    // Nor one that opens but fails while it is read (a read error; here a folder).
    recordedDialogs().clear();
    recordedDialogs().fileAnswers.push_back(folder_);
    send(ExecuteScriptEvent);
    EXPECT_EQ(boxTexts(), std::vector<std::string>{"Error loading script!"});
}

TEST_F(FrameFilesTest, SerialBootSendsTheCommandAndGoesOffline) {
    std::string address;
    drive_ = test::startSimDrive(sim::SimOptions{}, &address);
    ASSERT_TRUE(drive_);
    frame_->connection().setIpAddress(address);
    ASSERT_EQ(frame_->connection().connectDrive("TCP", 9600), 0u);
    drive_->clearFrames();
    choose(kIdSerialBoot);
    EXPECT_EQ(boxTexts(), std::vector<std::string>{"Drive set into serial boot modus and Torvex has gone offline!"});
    EXPECT_FALSE(frame_->connection().isConnected());
    EXPECT_TRUE(checked(kIdOffline));
    EXPECT_EQ(frame_->statusLine()->statusField(0), "Drive is offline.");
    drive_->waitForFrames(1);
    bool sent = false;
    for (const auto& frame : drive_->frames()) sent |= !frame.isRead && frame.reg == kRegSerialBoot && frame.value == 0;
    EXPECT_TRUE(sent);

    // Viewing a file nothing can be sent.
    recordedDialogs().clear();
    view(writeRegisterSet("view.vrf", 310, 1));
    choose(kIdSerialBoot);
    EXPECT_EQ(boxTexts(), std::vector<std::string>{"Fehler beim Senden des Kommandos FUN_SERIALBOOT!"});
    EXPECT_FALSE(frame_->connection().isConnected()) << "offline after the attempt all the same";
}

}  // namespace
}  // namespace torvex
