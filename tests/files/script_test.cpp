#include <gtest/gtest.h>

#include <fstream>
#include <ios>
#include <sstream>
#include <streambuf>

#include "link/connection.h"
#include "link/script.h"
#include "tests/files/test_util.h"

namespace torvex {
namespace {

using test::BoxRecorder;

RegisterScript parse(const std::string& text, uint32_t expectedRc = 0) {
    RegisterScript script;
    std::istringstream in(text);
    EXPECT_EQ(parseScript(script, in), expectedRc) << text;
    return script;
}

TEST(ScriptParser, FirstUnknownCommandWordGivesItsLine) {
    RegisterScript script = parse("# set up\n# more\nfoo 1 2\nSETREGISTER 1 2\n", 3);
    EXPECT_TRUE(script.empty());
    script = parse("SETREGISTER 0x34 5\n\n  \t\nbar\n", 4);
    ASSERT_EQ(script.size(), 1u);  // records before the bad line stay
    EXPECT_EQ(script[0].line, 1u);
}

TEST(ScriptParser, ReadsCommandsArgumentsAndLineNumbers) {
    RegisterScript script = parse(
        "# comment\r\n"
        "\tsetregister   0x34\t\"AB\"  ignored words\r\n"
        "\r\n"
        "SaveToEeprom 3 extra\r\n"
        "READFROMEEPROM\n"
        "ANDREGISTER 52\n"
        "orregister 0x40 0xff\r\n"
        "  # indented comment");
    ASSERT_EQ(script.size(), 5u);
    struct Expect {
        uint32_t line, type;
        const char* reg;
        const char* value;
    } expected[] = {
        {2, kScriptSetRegister, "0x34", "\"AB\""}, {4, kScriptSaveToEeprom, "3", ""},
        {5, kScriptReadFromEeprom, "", ""},        {6, kScriptAndRegister, "52", ""},
        {7, kScriptOrRegister, "0x40", "0xff"},
    };
    for (size_t i = 0; i < script.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(script[i].line, expected[i].line);
        EXPECT_EQ(script[i].type, expected[i].type);
        EXPECT_EQ(script[i].registerText, expected[i].reg);
        EXPECT_EQ(script[i].valueText, expected[i].value);
    }
}

TEST(ScriptParser, MissingFileIsAnEmptyScript) {
    RegisterScript script{{1, 1, "x", "y"}};
    EXPECT_EQ(parseScript(script, test::tempPath("none.vsf")), 0u);
    EXPECT_TRUE(script.empty());
    std::string path = test::writeText("s.vsf", "SETREGISTER 1 2\nnope");
    EXPECT_EQ(parseScript(script, path), 2u);
}

// Hands out its text, then fails the way a disk or network share does when a read fails.
class FailingAfterText : public std::streambuf {
public:
    explicit FailingAfterText(std::string text) : text_(std::move(text)) {
        setg(text_.data(), text_.data(), text_.data() + text_.size());
    }

protected:
    int_type underflow() override { throw std::ios_base::failure("read error"); }

private:
    std::string text_;
};

TEST(ScriptParser, AReadErrorIsNoShorterScript) {
    // Running the lines read before the error and calling that success would leave the
    // drive half set up.
    FailingAfterText buffer("SETREGISTER 0x34 5\nSAVETOEEPROM 1\n");
    std::istream in(&buffer);
    RegisterScript script;
    EXPECT_EQ(parseScript(script, in), kScriptParseException);

    std::ifstream folder(::testing::TempDir(), std::ios::binary);
    ASSERT_TRUE(folder.is_open());
    EXPECT_EQ(parseScript(script, folder), kScriptParseException);
}

TEST(ScriptArguments, RegisterForms) {
    struct Case {
        const char* text;
        bool ok;
        uint32_t reg;
    } cases[] = {
        {"52", true, 52},      {"0x34", true, 0x34},   {"0xFF", true, 255}, {"52abc", true, 52},
        {"0x1fzz", true, 0x1f}, {"0X34", false, 0},    {"0", false, 0},     {"0x", false, 0},
        {"", false, 0},        {"abc", false, 0},      {"-5", false, 0},    {"256", false, 0},
        {"0x100", false, 0},   {"4294967297", false, 0}, {"0x10000000034", false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        uint32_t reg = 0;
        ASSERT_EQ(parseScriptRegister(c.text, &reg), c.ok);
        if (c.ok) {
            EXPECT_EQ(reg, c.reg);
        }
    }
}

TEST(ScriptArguments, ValueForms) {
    struct Case {
        const char* text;
        bool quoted;
        bool ok;
        int32_t value;
    } cases[] = {
        {"7", true, true, 7},
        {"-100", true, true, -100},
        {"+12", true, true, 12},
        {"2147483647", true, true, 2147483647},
        {"-2147483648", true, true, INT32_MIN},
        {"2147483648", true, false, 0},
        {"-2147483649", true, false, 0},
        {"0x7fffffff", true, true, 0x7fffffff},
        {"0x80000000", true, false, 0},
        {"0xFFFFFFFFFFFFFFFF1", true, false, 0},
        {"0x", true, false, 0},
        {"0x12g", true, false, 0},
        {"7abc", true, false, 0},
        {"", true, false, 0},
        {"-", true, false, 0},
        {"\"AB\"", true, true, 0x4241},
        {"\"AB\"", false, false, 0},
        {"\"\xe4\x01\"", true, true, 0x01e4},  // a byte above 0x7f stays a byte
        {"\"A\"", true, false, 0},
        {"\"ABC\"", true, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        int32_t value = 0;
        ASSERT_EQ(parseScriptValue(c.text, c.quoted, &value), c.ok);
        if (c.ok) {
            EXPECT_EQ(value, c.value);
        }
    }
}

TEST(ScriptArguments, ParameterSetNumbers) {
    uint32_t set = 0;
    EXPECT_TRUE(parseParameterSetNumber("0", &set));
    EXPECT_TRUE(parseParameterSetNumber("65535", &set));
    EXPECT_EQ(set, 65535u);
    for (const char* bad : {"65536", "4294967296", "x", "", "-1", "+1", "1x", "0x10"}) {
        EXPECT_FALSE(parseParameterSetNumber(bad, &set)) << bad;
    }
    EXPECT_EQ(toUpperString("setRegister 0x1a\xe4"), "SETREGISTER 0X1A\xe4");
}

TEST(ScriptExecution, OfflineEveryCommandSaysSo) {
    BoxRecorder boxes;
    DriveConnection connection;
    RegisterScript script = parse("SETREGISTER 0x34 1\n");
    EXPECT_EQ(executeScript(script, &connection), kScriptRegisterCommandFailed);
    EXPECT_EQ(scriptAndRegister(&connection, "0x34", "1", 1), 1u);
    EXPECT_EQ(scriptOrRegister(&connection, "0x34", "1", 1), 1u);
    EXPECT_NE(scriptReadFromEeprom(&connection, 1), 0u);
    EXPECT_NE(scriptSaveToEeprom(&connection, 1), 0u);
    ASSERT_EQ(boxes.boxes.size(), 5u);
    for (const auto& box : boxes.boxes) {
        EXPECT_EQ(box.text, "Drive is offline!");
        EXPECT_EQ(box.caption, "Error");
        EXPECT_EQ(box.style, kMsgOk | kMsgIconError);
    }
}

TEST(ScriptExecution, InAnImageTheRegisterCommandsChangeTheImage) {
    BoxRecorder boxes;
    DriveConnection connection;
    connection.loadOfflineImage({{0x1B, 310}, {0x34, 0x0F0F}}, {{0x6E, 0xFFFF0000}});
    RegisterScript script = parse(
        "SETREGISTER 0x36 \"AB\"\n"
        "ANDREGISTER 0x34 0xFF\n"
        "ORREGISTER 52 0x3000\n"
        "SETREGISTER 0x6e -2147483648\n"
        "ORREGISTER 0x6E 0x12\n"
        "SETREGISTER 0x1c -100\n");
    EXPECT_EQ(executeScript(script, &connection), kScriptOk);
    RegisterValueMap16 image16 = connection.imageValues16();
    EXPECT_EQ(image16.at(0x36), 0x4241);
    EXPECT_EQ(image16.at(0x34), 0x300F);
    EXPECT_EQ(image16.at(0x1C), 0xFF9C);
    EXPECT_EQ(connection.imageValues32().at(0x6E), 0x80000012u);
    ASSERT_EQ(boxes.texts(),
              std::vector<std::string>{"Value too large for 16bit-register (-100 (0xffffff9c), line 6)!"});
    EXPECT_EQ(boxes.boxes[0].caption, "Warning");
}

TEST(ScriptExecution, RefusedArgumentsStopTheScriptWithTheirLine) {
    struct Case {
        const char* script;
        uint32_t rc;
        const char* box;
    } cases[] = {
        {"SETREGISTER 0X34 1\n", kScriptRegisterCommandFailed, "Wrong register ID (line 1)!"},
        {"\nSETREGISTER 300 1\n", kScriptRegisterCommandFailed, "Wrong register ID (line 2)!"},
        {"SETREGISTER 0x34 5\nSETREGISTER 0x34\n", kScriptRegisterCommandFailed, "Wrong register value (line 2)!"},
        {"SETREGISTER 0x34 7abc\n", kScriptRegisterCommandFailed, "Wrong register value (line 1)!"},
        {"SETREGISTER 0x6e 0x80000000\n", kScriptRegisterCommandFailed, "Wrong register value (line 1)!"},
        {"ANDREGISTER 0x34\n", kScriptRegisterCommandFailed, "Wrong value (line 1)!"},
        {"ORREGISTER 0x34 \"AB\"\n", kScriptRegisterCommandFailed, "Wrong value (line 1)!"},
        {"ORREGISTER 0 1\n", kScriptRegisterCommandFailed, "Wrong register ID (line 1)!"},
        {"SAVETOEEPROM x\n", kScriptBadParameterSet, nullptr},
        {"READFROMEEPROM 65536\n", kScriptBadParameterSet, nullptr},
        {"READFROMEEPROM\n", kScriptBadParameterSet, nullptr},
        // In an image nothing is sent to an EEPROM.
        {"READFROMEEPROM 1\n", kScriptEepromCommandFailed, "Fehler beim Lesen vom EEprom (Kommando FUN_PARAREAD)!"},
        {"SAVETOEEPROM 1\n", kScriptEepromCommandFailed, "Fehler beim Speichern ins EEprom (Kommando FUN_PARAWRITE)!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.script);
        BoxRecorder boxes;
        DriveConnection connection;
        connection.loadOfflineImage({{0x1B, 310}}, {});
        RegisterScript script = parse(std::string(c.script) + "SETREGISTER 0x35 1\n");
        EXPECT_EQ(executeScript(script, &connection), c.rc);
        if (c.box) {
            ASSERT_EQ(boxes.texts(), std::vector<std::string>{c.box});
            EXPECT_EQ(boxes.boxes[0].caption, "Error");
        } else {
            EXPECT_TRUE(boxes.boxes.empty());
        }
        EXPECT_EQ(connection.imageValues32().count(0x35), 0u);  // stopped before the last line
    }
}

TEST(ScriptExecution, EepromCommandsShowTheBusyIndicatorAroundTheirBox) {
    BoxRecorder boxes;
    std::vector<std::string> events;
    setScriptBusyIndicator([&](bool on) { events.push_back(on ? "busy" : "idle"); });
    auto previous = setMessageHandler([&](const MessageRequest& request) {
        events.push_back(request.text);
        return static_cast<int>(kMsgOk);
    });
    DriveConnection connection;
    connection.loadOfflineImage({}, {});
    EXPECT_NE(scriptSaveToEeprom(&connection, 1), 0u);
    setMessageHandler(previous);
    setScriptBusyIndicator(nullptr);
    EXPECT_EQ(events, (std::vector<std::string>{"busy", "Fehler beim Speichern ins EEprom (Kommando FUN_PARAWRITE)!",
                                                "idle"}));
}

}  // namespace
}  // namespace torvex
