// The Options page: the drive's baud rate on two radio buttons, written at once and
// checked, usable only while the drive is usable and not enabled; the free trigger
// registers stored on every leave of the page.
#include <wx/config.h>
#include <wx/fileconf.h>
#include <wx/notebook.h>

#include <fstream>

#include "link/register_file.h"
#include "services/config.h"
#include "tests/gui_monitor_options/monopt_fixture.h"
#include "widgets/events.h"
#include "widgets/register_choice.h"

namespace torvex::test {
namespace {

using OptionsPageTest = MonOptTest;

bool radiosEnabled(OptionsPage* page) { return page->radio9600()->IsEnabled() && page->radio115200()->IsEnabled(); }
bool radiosDisabled(OptionsPage* page) { return !page->radio9600()->IsEnabled() && !page->radio115200()->IsEnabled(); }

TEST_F(OptionsPageTest, BaudRateIsWrittenCheckedAndOnlyChangeableWhileAllowed) {
    makeFrame();
    EXPECT_TRUE(radiosDisabled(options())) << "offline at start";
    EXPECT_EQ(options()->radio9600()->GetLabel(), "9600");
    EXPECT_EQ(options()->radio115200()->GetLabel(), "115200");
    EXPECT_EQ(options()->radio9600()->GetToolTipText(), "Tooltip Baudrate 9600");

    startValues = {{kRegKernOptions, 0x00018000}};
    goOnline();
    EXPECT_TRUE(options()->radio9600()->GetValue());
    EXPECT_FALSE(options()->radio115200()->GetValue());
    EXPECT_TRUE(radiosEnabled(options()));

    // Choosing 115200: read, write with only bit 15 changed, read back; nothing else written.
    selectTab(kTabOptions);
    drive->clearFrames();
    click(options()->radio115200());
    EXPECT_EQ(framesOn(kRegKernOptions), (std::vector<std::string>{"r", "w10000", "r"}));
    for (const auto& frame : drive->frames()) EXPECT_TRUE(frame.isRead || frame.reg == kRegKernOptions) << frame.reg;
    EXPECT_EQ(drive->reg(kRegKernOptions), 0x00010000u);
    EXPECT_TRUE(options()->radio115200()->GetValue());
    EXPECT_TRUE(recordedDialogs().boxes.empty());

    // A drive that keeps bit 15: the change is refused and the buttons show the drive's rate.
    drive->setReg(kRegKernOptions, 0x00018000);
    ASSERT_TRUE(options()->readFromDrive(false));
    EXPECT_TRUE(options()->radio9600()->GetValue());
    drive->setWriteFilter([](uint32_t reg, uint32_t value) { return reg == kRegKernOptions ? value | 0x8000 : value; });
    click(options()->radio115200());
    ASSERT_EQ(recordedDialogs().boxes.size(), 1u);
    EXPECT_EQ(recordedDialogs().boxes[0].text, "Couldn't change baudrate!");
    EXPECT_EQ(recordedDialogs().boxes[0].caption, "Error");
    EXPECT_TRUE(options()->radio9600()->GetValue());
    EXPECT_FALSE(options()->radio115200()->GetValue());
    drive->setWriteFilter(nullptr);
    recordedDialogs().clear();

    // KERN_OPTIONS cannot be read: nothing is written and the buttons show what they showed.
    drive->setRegisterSilent(kRegKernOptions, true);
    drive->clearFrames();
    click(options()->radio115200());
    ASSERT_EQ(recordedDialogs().boxes.size(), 1u);
    EXPECT_EQ(recordedDialogs().boxes[0].text, "Fehler beim Lesen des Registers 0x5a!");
    EXPECT_EQ(recordedDialogs().boxes[0].caption, "Error");
    EXPECT_EQ(framesOn(kRegKernOptions), std::vector<std::string>{"r"});
    EXPECT_TRUE(options()->radio9600()->GetValue());
    EXPECT_FALSE(options()->radio115200()->GetValue());
    drive->setRegisterSilent(kRegKernOptions, false);
    recordedDialogs().clear();

    // The write is taken but the read-back goes unanswered: the buttons keep the rate the
    // drive last reported, not the one asked for.
    sim::SimDrive* sim = drive.get();
    drive->setWriteHook(kRegKernOptions, [sim](uint32_t) { sim->setRegisterSilent(kRegKernOptions, true); });
    drive->clearFrames();
    click(options()->radio115200());
    EXPECT_EQ(framesOn(kRegKernOptions), (std::vector<std::string>{"r", "w10000", "r"}));
    EXPECT_EQ(boxTexts(), std::vector<std::string>{"Fehler beim Lesen des Registers 0x5a!"});
    EXPECT_TRUE(options()->radio9600()->GetValue());
    EXPECT_FALSE(options()->radio115200()->GetValue());
    drive->setWriteHook(kRegKernOptions, nullptr);
    drive->setRegisterSilent(kRegKernOptions, false);
    ASSERT_TRUE(options()->readFromDrive(false));
    EXPECT_TRUE(options()->radio115200()->GetValue()) << "what the drive holds, once it answers";
    recordedDialogs().clear();

    // The drive enabled (STATUS bit 0) while the page is shown: the next poll disables both.
    drive->setReg(kRegStatus, 1);
    EXPECT_TRUE(pumpUntil([&] { return radiosDisabled(options()); }, 4000));
    drive->setReg(kRegStatus, 0);
    EXPECT_TRUE(pumpUntil([&] { return radiosEnabled(options()); }, 4000));

    // Going offline disables them, and an enable the last poll queued just before has no effect.
    postProgramEvent(options(), BaudEnableEvent, 1);
    frame->goOffline();
    EXPECT_TRUE(radiosDisabled(options()));
    pumpFor(100);
    EXPECT_TRUE(radiosDisabled(options()));
}

TEST_F(OptionsPageTest, AWriteTheDriveRefusesIsReportedAndTheButtonsKeepTheRateRead) {
    makeFrame();
    startValues = {{kRegKernOptions, 0x00018000}};
    goOnlineOverCan();
    EXPECT_TRUE(options()->radio9600()->GetValue());
    selectTab(kTabOptions);
    recordedDialogs().clear();

    // The read succeeds, the write fails (and takes the link with it), so the read-back
    // fails too: both are reported, and the drive's rate stays on the buttons.
    drive->setWriteRefused(kRegKernOptions, true);
    drive->clearFrames();
    click(options()->radio115200());
    EXPECT_EQ(boxTexts(), (std::vector<std::string>{"Fehler beim Beschreiben des Registers 0x5a!",
                                                    "Fehler beim Lesen des Registers 0x5a!"}));
    EXPECT_EQ(boxesWithCaption("Error").size(), 2u);
    EXPECT_EQ(framesOn(kRegKernOptions), std::vector<std::string>{"r"});
    EXPECT_EQ(drive->reg(kRegKernOptions), 0x00018000u);
    EXPECT_TRUE(options()->radio9600()->GetValue());
    EXPECT_FALSE(options()->radio115200()->GetValue());
}

TEST_F(OptionsPageTest, ChangingTheRateOfAViewedFileChangesTheFileWhenSaved) {
    const std::string file = home + "/set.vrf", saved = home + "/saved.vrf";
    {
        std::vector<uint8_t> bytes(kRegisterFileMagic, kRegisterFileMagic + kRegisterFileMagicSize);
        appendRegisterRecord(bytes, kRegFirmware, false, 310);
        appendRegisterRecord(bytes, kRegKernOptions, true, 0x12348765);
        std::ofstream(file, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    makeFrame();
    recordedDialogs().fileAnswers.push_back(file);
    chooseMenuItem(frame, kIdViewFile);
    ASSERT_TRUE(frame->connection().isOfflineImage());
    EXPECT_TRUE(options()->radio9600()->GetValue());
    EXPECT_TRUE(radiosEnabled(options()));

    click(options()->radio115200());
    EXPECT_TRUE(recordedDialogs().boxes.empty()) << recordedDialogs().boxes[0].text;
    uint32_t image = 0;
    ASSERT_EQ(frame->connection().read32bitRegister(kRegKernOptions, &image), 0u);
    EXPECT_EQ(image, 0x12340765u);

    recordedDialogs().fileAnswers.push_back(saved);
    chooseMenuItem(frame, kIdSaveRegisters);
    RegisterValueMap16 values16;
    RegisterValueMap32 values32;
    ASSERT_EQ(readRegisterFile(saved, values16, values32, false), 0u);
    EXPECT_EQ(values32[kRegKernOptions], 0x12340765u);
}

TEST_F(OptionsPageTest, TriggersAreStoredOnEveryLeaveAndEnterDoesNothing) {
    makeFrame();
    int reloads = 0;
    frame->pageChains().reloadRegisterChoices.push_back({options(), "count", [&reloads] { ++reloads; }});

    selectTab(kTabOptions);
    options()->trigger1NameField()->ChangeValue("Torque");
    options()->trigger1IdField()->ChangeValue("300");
    options()->trigger2NameField()->ChangeValue("Ramp");
    options()->trigger2IdField()->ChangeValue("8");
    // Enter in any field: no box, nothing stored (offline here).
    for (wxTextCtrl* field : {options()->trigger1NameField(), options()->trigger1IdField()}) pressEnter(field);
    EXPECT_TRUE(recordedDialogs().boxes.empty()) << recordedDialogs().boxes[0].text;
    EXPECT_EQ(readConfigValue("Trigger1_Name"), "") << "as stored at start-up";

    selectTab(kTabLogo);
    ASSERT_TRUE(pumpUntil([&] { return reloads == 1; }));
    EXPECT_EQ(readConfigValue("Trigger1_Name"), "Torque");
    EXPECT_EQ(readConfigValue("Trigger1_ID"), "0");
    EXPECT_EQ(readConfigValue("Trigger2_Name"), "Ramp");
    EXPECT_EQ(readConfigValue("Trigger2_ID"), "8");
    EXPECT_EQ(options()->trigger1IdField()->GetValue(), "0") << "a refused id shows as stored";
    EXPECT_EQ(options()->trigger2IdField()->GetValue(), "8");

    // Leaving again without a change still stores and has the lists refilled.
    struct Case {
        const char* typed;
        const char* shown;
    };
    const Case cases[] = {{"7", "0"}, {"abc", "0"}, {"255", "255"}, {"8", "8"}, {"", "0"}, {"-8", "0"}};
    int expectedReloads = 1;
    for (const Case& c : cases) {
        selectTab(kTabOptions);
        options()->trigger2IdField()->ChangeValue(c.typed);
        selectTab(kTabSettings);
        ++expectedReloads;
        ASSERT_TRUE(pumpUntil([&] { return reloads == expectedReloads; })) << c.typed;
        EXPECT_EQ(options()->trigger2IdField()->GetValue(), c.shown) << c.typed;
        EXPECT_EQ(readConfigValue("Trigger2_ID"), c.shown) << c.typed;
    }
    EXPECT_TRUE(recordedDialogs().boxes.empty());
}

TEST_F(OptionsPageTest, ATriggerNameIsKeptAsTypedAcrossARestart) {
    const wxString name = " a = \"b\" #c; 'd' ";
    makeFrame();
    selectTab(kTabOptions);
    options()->trigger1NameField()->ChangeValue(name);
    options()->trigger1IdField()->ChangeValue("255");
    selectTab(kTabLogo);
    pumpFor(50);
    closeFrame();

    // A new start: the configuration is read again from its file.
    delete wxConfigBase::Set(nullptr);
    wxConfigBase::Set(new wxFileConfig("Torvex", wxEmptyString, wxEmptyString, wxEmptyString, wxCONFIG_USE_LOCAL_FILE));
    EXPECT_EQ(readConfigValue("Trigger1_Name"), name.utf8_string()) << "as read back from the file";
    makeFrame();
    EXPECT_EQ(options()->trigger1NameField()->GetValue(), name);
    EXPECT_EQ(options()->trigger1IdField()->GetValue(), "255");
    wxString stored;
    unsigned id = 0;
    getTriggerRegister1(stored, id);
    EXPECT_EQ(stored, name);
    EXPECT_EQ(id, 255u);
}

}  // namespace
}  // namespace torvex::test
