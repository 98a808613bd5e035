// The configuration accessors against a real file in a temporary home folder.
#include <wx/filefn.h>
#include <wx/utils.h>

#include <functional>

#include "tests/gui_app/temp_home.h"

namespace torvex::test {
namespace {

using ConfigTest = TempHome;

TEST_F(ConfigTest, AbsentKeysGiveTheDefaults) {
    openConfiguration();
    EXPECT_EQ(getRegisterDataFilename(), "");
    EXPECT_EQ(getOscilloscopeDataFilename(), "");
    EXPECT_EQ(getScriptDataFilename(), "");
    EXPECT_EQ(getEmailRecipient(), "");
    EXPECT_EQ(getBaudrate(), 9600u);
    wxString name = "stale";
    unsigned id = 77;
    getTrigger1(name, id);
    EXPECT_EQ(name, "");
    EXPECT_EQ(id, 0u);
    name = "stale";
    id = 77;
    getTrigger2(name, id);
    EXPECT_EQ(name, "");
    EXPECT_EQ(id, 0u);
    // Reading writes nothing.
    EXPECT_TRUE(configEntries().empty());
}

TEST_F(ConfigTest, DirectoryDefaultsFollowTheWorkingDirectoryOfTheCall) {
    openConfiguration();
    std::filesystem::create_directory(home_ / "elsewhere");
    for (const auto& folder : {home_, home_ / "elsewhere"}) {
        std::filesystem::current_path(folder);
        wxString cwd = wxGetCwd();
        EXPECT_EQ(getRegisterDataDirectory(), cwd);
        EXPECT_EQ(getOscilloscopeDataDirectory(), cwd);
        EXPECT_EQ(getScriptDataDirectory(), cwd);
    }
    EXPECT_EQ(getRegisterDataDirectory().utf8_string(), (home_ / "elsewhere").string());
}

TEST_F(ConfigTest, BaudrateFallsBackTo9600UnlessADecimalNumber) {
    struct Case {
        const char* file;
        unsigned expected;
    };
    const Case cases[] = {
        {"", 9600},
        {"Baudrate=\n", 9600},
        {"Baudrate=abc\n", 9600},
        {"Baudrate=12x\n", 9600},
        {"Baudrate=-5\n", 9600},
        {"Baudrate=4294967296\n", 9600},
        {"Baudrate=0x1C200\n", 9600},
        {"Baudrate=115200\n", 115200},
        {"Baudrate=9600\n", 9600},
        {"Baudrate= 19200 \n", 19200},
    };
    for (const Case& c : cases) {
        writeConfigFile(c.file);
        openConfiguration();
        EXPECT_EQ(getBaudrate(), c.expected) << "file: " << c.file;
        closeConfiguration();
    }
}

TEST_F(ConfigTest, EverySetterWritesTheFileAtOnce) {
    struct Case {
        std::function<void()> set;
        std::function<wxString()> get;
        const char* key;
        const char* onDisk;
    };
    const Case cases[] = {
        {[] { setRegisterDataDirectory("/data/regs"); }, getRegisterDataDirectory, "RegisterDataDirectory",
         "/data/regs"},
        {[] { setRegisterDataFilename("drive1.vrf"); }, getRegisterDataFilename, "RegisterDataFilename",
         "drive1.vrf"},
        {[] { setOscilloscopeDataDirectory("/data/scope"); }, getOscilloscopeDataDirectory,
         "OscilloscopeDataDirectory", "/data/scope"},
        {[] { setOscilloscopeDataFilename("step.vof"); }, getOscilloscopeDataFilename, "OscilloscopeDataFilename",
         "step.vof"},
        {[] { setScriptDataDirectory("/data/scripts"); }, getScriptDataDirectory, "ScriptDataDirectory",
         "/data/scripts"},
        {[] { setScriptDataFilename("init.vsf"); }, getScriptDataFilename, "ScriptDataFilename", "init.vsf"},
        {[] { setEmailRecipient("service@example.com"); }, getEmailRecipient, "EmailRecipient",
         "service@example.com"},
        {[] { setBaudrate(115200); }, [] { return wxString::Format("%u", getBaudrate()); }, "Baudrate", "115200"},
    };
    openConfiguration();
    for (const Case& c : cases) {
        c.set();
        auto entries = configEntries();
        EXPECT_EQ(entries[c.key], c.onDisk) << c.key;
        EXPECT_EQ(c.get(), c.onDisk) << c.key;
    }
    // Writing again replaces the value.
    setBaudrate(9600);
    EXPECT_EQ(configEntries()["Baudrate"], "9600");
    EXPECT_EQ(getBaudrate(), 9600u);
}

TEST_F(ConfigTest, TriggersRoundTripThroughTheFile) {
    openConfiguration();
    setTrigger1("SPEED_ACTUAL", 0x30);
    auto entries = configEntries();
    EXPECT_EQ(entries["Trigger1_Name"], "SPEED_ACTUAL");
    EXPECT_EQ(entries["Trigger1_ID"], "48");
    EXPECT_EQ(entries.count("Trigger2_ID"), 0u);

    // A register name as the register table gives it: padded with blanks to 21 characters.
    setTrigger2("I_IST                ", 0x20);
    entries = configEntries();
    EXPECT_EQ(entries["Trigger2_ID"], "32");

    closeConfiguration();
    openConfiguration();
    wxString name;
    unsigned id = 0;
    getTrigger1(name, id);
    EXPECT_EQ(name, "SPEED_ACTUAL");
    EXPECT_EQ(id, 0x30u);
    getTrigger2(name, id);
    EXPECT_EQ(name, "I_IST                ");
    EXPECT_EQ(id, 0x20u);
}

TEST_F(ConfigTest, TriggerIdThatIsNoNumberReadsAsZero) {
    writeConfigFile("Trigger1_Name=STATUS\nTrigger1_ID=forty\nTrigger2_ID=64\n");
    openConfiguration();
    wxString name;
    unsigned id = 5;
    getTrigger1(name, id);
    EXPECT_EQ(name, "STATUS");
    EXPECT_EQ(id, 0u);
    getTrigger2(name, id);
    EXPECT_EQ(name, "");
    EXPECT_EQ(id, 64u);
}

TEST_F(ConfigTest, TextsComeBackAsWritten) {
    // A variable that is surely set, so that an expansion would show.
    ASSERT_TRUE(wxSetEnv("TORVEX_CONFIG_TEST_FOLDER", "expanded"));
    const wxString texts[] = {
        "/home/$USER/drives",  // no expansion of variables
        "/home/$TORVEX_CONFIG_TEST_FOLDER/drives",
        "${TORVEX_CONFIG_TEST_FOLDER}",
        "C:\\Drives\\100%",   // backslashes and percent signs
        wxString::FromUTF8("/daten/Kunde M\xc3\xbcller"),
        "  leading and trailing  ",
        "semi;colon # and hash",
    };
    for (const wxString& text : texts) {
        openConfiguration();
        setRegisterDataDirectory(text);
        closeConfiguration();
        openConfiguration();
        EXPECT_EQ(getRegisterDataDirectory(), text) << text.utf8_string();
        closeConfiguration();
    }
    wxUnsetEnv("TORVEX_CONFIG_TEST_FOLDER");
}

TEST_F(ConfigTest, ClosingWritesTheFileAndKeepsOtherKeys) {
    writeConfigFile("Language=2\nWrite2=yes\n");
    openConfiguration();
    setEmailRecipient("a@b.c");
    closeConfiguration();
    auto entries = configEntries();
    EXPECT_EQ(entries["Language"], "2");
    EXPECT_EQ(entries["Write2"], "yes");
    EXPECT_EQ(entries["EmailRecipient"], "a@b.c");
    EXPECT_EQ(wxConfigBase::Get(false), nullptr);
}

TEST_F(ConfigTest, ADamagedFileOpensSilentlyAndKeepsWhatItCanRead) {
    writeConfigFile("[unclosed group\n=no key\njust text\nBaudrate=115200\nBaudrate=19200\n\x01\x02\n");
    LogRecorder log;
    openConfiguration();
    wxLog::FlushActive();
    EXPECT_TRUE(log.messages.empty()) << (log.messages.empty() ? "" : log.messages[0]);
    EXPECT_TRUE(recordedDialogs().boxes.empty());
    unsigned baudrate = getBaudrate();
    EXPECT_TRUE(baudrate == 115200 || baudrate == 19200) << baudrate;
    setEmailRecipient("x@y.z");
    EXPECT_EQ(configEntries()["EmailRecipient"], "x@y.z");
}

}  // namespace
}  // namespace torvex::test
