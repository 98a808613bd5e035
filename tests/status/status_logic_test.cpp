// The drive status panel's texts, read-outs, checks and conversions, without a window.
#include <gtest/gtest.h>

#include <climits>

#include "frame/drive_status_bar_logic.h"
#include "link/registers.h"

namespace torvex::status {
namespace {

TEST(StatusTexts, ErrorLinesComeFromBitsAndStateLinesOnlyFromTheConnection) {
    const wxString badParas = kErrorBitKeys[0];
    const wxString unknown = kErrorBitKeys[2];
    const wxString can = kErrorBitKeys[3];
    const wxString noReply = "NOREPLY- No RS232 COM reply from drive";
    const wxString noCom = "NOCOM  - PC RS232 COM port not available";
    const wxString offline = "OFFLINE - Presently not online";
    struct Case {
        uint32_t word;
        long state;
        const char* failures;
        wxString expected;
    };
    const Case cases[] = {
        {0x80020005, kDriveAnswered, "0", badParas + unknown},
        {0x00000008, kDriveAnswered, "0", can},
        // Warning bits 16, 17 and 18 alone are warnings, never a connection state.
        {0x00010000, kDriveAnswered, "0", ""},
        {0x00020000, kDriveAnswered, "0", ""},
        {0x00040000, kDriveAnswered, "0", ""},
        {0, kNoReply, "0", noReply},
        {0, kNoCom, "0", noCom},
        {0, kOffline, "0", offline},
        // Each state text on a line of its own, ahead of the error lines.
        {0x00000001, kDriveAnswered, "3", noReply + "\n" + badParas},
        {0x00000009, kDriveAnswered, "1", noReply + "\n" + badParas + can},
        {0, kOffline, "2", offline + "\n" + noReply},
        {0x0000FFFF, kDriveAnswered, "0", [] {
             wxString all;
             for (const char* key : kErrorBitKeys) all += key;
             return all;
         }()},
    };
    for (const Case& c : cases)
        EXPECT_EQ(errorText(c.word, c.state, c.failures), c.expected) << std::hex << c.word << " " << c.state;
}

TEST(StatusTexts, WarningsInAscendingBitOrder) {
    EXPECT_EQ(warningText(0x80020005), "WARNING_1\nWARNING_F\n");
    EXPECT_EQ(warningText(0x00010000), "WARNING_0\n");
    EXPECT_EQ(warningText(0x0000FFFF), "");
    wxString all;
    for (int k = 0; k < 16; ++k) all += wxString::Format("WARNING_%X\n", k);
    EXPECT_EQ(warningText(0xFFFF0000), all);
}

TEST(StatusReadouts, SpeedAndCurrentWithEveryScale) {
    struct SpeedCase {
        int value, speedMax;
        const char* text;
        int gauge;
    };
    for (const SpeedCase& c : {SpeedCase{16384, 3000, " 1500", 50}, SpeedCase{-16384, 3000, "-1500", 50},
                               SpeedCase{32767, 3000, " 3000", 100}, SpeedCase{-32768, 3000, "-3000", 100},
                               SpeedCase{16384, 0, " 0", 50}, SpeedCase{0, 65535, " 0", 0},
                               // 91.56 rpm: cut toward zero on both sides, never rounded
                               SpeedCase{1000, 3000, " 91", 3}, SpeedCase{-1000, 3000, "-91", 3}}) {
        const Readout readout = speedReadout(c.value, c.speedMax);
        EXPECT_EQ(readout.value, c.text) << c.value << " " << c.speedMax;
        EXPECT_EQ(readout.gauge, c.gauge) << c.value;
        EXPECT_EQ(readout.raw, wxString::Format(" 0xa8\n %d", c.value));
    }
    struct CurrentCase {
        int value, device, current200;
        const char* text;
        int gauge;
    };
    for (const CurrentCase& c :
         {CurrentCase{100, 1000, 400, " 50.00", 50}, CurrentCase{1, 1001, 400, " 0.50", 0},
          CurrentCase{800, 1000, 400, " 400.00", 200}, CurrentCase{-100, 1000, 400, " -50.00", 0},
          CurrentCase{100, 1000, 0, " -", 0}, CurrentCase{32767, 65535, 1, " 429477069.00", 200},
          CurrentCase{-1, 1, 400, " 0.00", 0}}) {
        const Readout readout = currentReadout(c.value, c.device, c.current200);
        EXPECT_EQ(readout.value, c.text) << c.value << " " << c.current200;
        EXPECT_EQ(readout.gauge, c.gauge) << c.value;
    }
}

TEST(TestArea, NumbersAreReadStrictly) {
    long long whole = 0;
    for (const char* good : {"0", "+5", "-7", " 12 ", "9223372036854775807"}) EXPECT_TRUE(parseWholeNumber(good, &whole)) << good;
    for (const char* bad : {"", "+", "-", "1.5", "0x10", "12a", "nan", "999999999999999999999999999999"})
        EXPECT_FALSE(parseWholeNumber(bad, &whole)) << bad;
    double decimal = 0;
    for (const char* bad : {"", "inf", "nan", "1e400", "abc", "1,5"}) EXPECT_FALSE(parseDecimal(bad, &decimal)) << bad;
    ASSERT_TRUE(parseDecimal("-2.5", &decimal));
    EXPECT_EQ(decimal, -2.5);
}

TEST(TestArea, UnitConversionsRoundToNearestAndRefuseWithoutAScale) {
    long long out = 0;
    ASSERT_TRUE(speedToUser(500, 3000, &out));
    EXPECT_EQ(out, 46);
    ASSERT_TRUE(speedToRaw(46, 3000, &out));
    EXPECT_EQ(out, 502);
    ASSERT_TRUE(speedToUser(-500, 3000, &out));
    EXPECT_EQ(out, -46);
    EXPECT_FALSE(speedToUser(500, 0, &out));
    EXPECT_FALSE(speedToRaw(46, 0, &out));
    EXPECT_FALSE(speedToRaw(LLONG_MAX, 1, &out));

    struct PositionCase {
        double user;
        int32_t scale, offset;
        long long raw;
    };
    for (const PositionCase& c : {PositionCase{-1, 10000, 0, -10}, PositionCase{1.5, 1000, 0, 2},
                                  PositionCase{-1.5, 1000, 0, -2}, PositionCase{-2.5, 0, 0, -3},
                                  PositionCase{2.5, 0, 0, 3}, PositionCase{-0.4, 0, 0, 0},
                                  PositionCase{1.0, 1000, 5, -4}}) {
        ASSERT_TRUE(positionToRaw(c.user, c.scale, c.offset, &out)) << c.user;
        EXPECT_EQ(out, c.raw) << c.user << " " << c.scale;
    }
    EXPECT_FALSE(positionToRaw(1e300, 1000, 0, &out));
    EXPECT_EQ(positionToUser(-10, 10000, 0), "-1.000");
    EXPECT_EQ(positionToUser(1234500, 1000, 0), "1234500.000");
    EXPECT_EQ(positionToUser(7, 0, 0), "7.000");
    EXPECT_EQ(positionToUser(-1, 10000000, 0), "0.000") << "never -0.000";
}

TEST(TestArea, SpeedCommands) {
    struct Case {
        const char* text;
        bool unitsOn;
        int speedMax;
        bool negative;
        bool ok;
        uint32_t value;
        const char* message;
    };
    const Case cases[] = {
        {"500", false, 3000, false, true, 500, ""},
        {"500", false, 3000, true, true, 0xFE0C, ""},
        {"1500", true, 3000, false, true, 16383, ""},
        {"3001", true, 3000, false, false, 0, "Speed must be between 0 RPM and 3000 RPM!"},
        {"3001", true, 3000, true, false, 0, "Speed must be between (-)3000 RPM and 0 RPM!"},
        {"32768", false, 3000, false, false, 0, "Speed must be between 0 and 32767!"},
        {"-1", false, 3000, true, false, 0, "Speed must be between (-)32767 and 0!"},
        {"0", true, 0, false, false, 0, "The drive's maximum speed (0xCE) is 0: RPM cannot be converted!"},
        {"nan", false, 3000, false, false, 0, "Wrong value for Test speed!"},
        {"123456789012345678901234567890", true, 3000, false, false, 0, "Wrong value for Test speed!"},
        {"32767", false, 0, true, true, 0x8001, ""},
    };
    for (const Case& c : cases) {
        const TestCommand command = speedCommand(c.text, c.unitsOn, c.speedMax, c.negative);
        EXPECT_EQ(command.ok, c.ok) << c.text;
        if (c.ok) EXPECT_EQ(command.value, c.value) << c.text;
        else EXPECT_EQ(command.message, c.message) << c.text;
    }
}

TEST(TestArea, PositionCommandsNeverCutToThirtyTwoBits) {
    buildRegisterCache();
    struct Case {
        const char* text;
        bool unitsOn;
        int32_t scale;
        bool ok;
        uint32_t value;
    };
    const Case cases[] = {
        {"100000", false, 0, true, 100000},
        {"-1", true, 10000, true, 0xFFFFFFF6},
        {"-2147483648", false, 0, true, 0x80000000},
        {"4294967396", false, 0, false, 0},
        {"2147483648", false, 0, false, 0},
        {"1e300", true, 1000, false, 0},
        {"inf", true, 1000, false, 0},
        {"nan", true, 0, false, 0},
        {"1.5", false, 0, false, 0},
        {"1.5", true, 0, true, 2},
    };
    for (uint32_t reg : {0x6Eu, 0x7Au}) {
        for (const Case& c : cases) {
            const TestCommand command = positionCommand(c.text, c.unitsOn, c.scale, 0, reg);
            EXPECT_EQ(command.ok, c.ok) << c.text;
            if (c.ok) EXPECT_EQ(command.value, c.value) << c.text;
            else EXPECT_EQ(command.message, "Wrong value for Test position!");
        }
    }
}

}  // namespace
}  // namespace torvex::status
