// The Settings page's rules without a window: choice bit fields, the command-source
// packing, the current read-outs, the servo-type key and which buttons may be used.
#include <gtest/gtest.h>

#include "pages/settings/settings_logic.h"

namespace torvex::settings {
namespace {

TEST(SettingsLogic, ChoiceKeepsEveryBitOutsideItsField) {
    EXPECT_EQ(mergeChoiceBits(0x4025, 0x7000, 0), 0x0025u) << "inc-out factor 16";
    EXPECT_EQ(mergeChoiceBits(0x0025, 0x7000, 0x3000), 0x3025u);
    EXPECT_EQ(mergeChoiceBits(0xFFFFFFFF, 0x700000, 0x200000), 0xFFAFFFFFu);
    EXPECT_EQ(mergeChoiceBits(0, 0x1F, 0x25), 0x05u) << "a pattern never reaches beyond its field";
}

TEST(SettingsLogic, CommandSourceRoundTripKeepsTheInputModes) {
    // Ain1 to "N limit" at 0x2322: command 2, modes 0x20 and 0x300, Ain1 format 2, Ain2 off.
    ServoCommandItems items = unpackServoCommand(0x2322);
    EXPECT_EQ(items.command, 2);
    EXPECT_EQ(items.format1, 2);
    EXPECT_EQ(items.format2, 0);
    items.format1 = 4;
    EXPECT_EQ(packServoCommand(0x2322, items), 0xA320);

    struct {
        uint16_t value;
        long command, format1, format2;
    } reads[] = {
        {0x0000, 0, 0, 0},
        {0x1000, kDigitalAnalogSpeedItem, 0, 0},  // the combined command shows as its item
        {0x3000, 3, 0, 0},
        {0x8003, 0, 7, 0},                        // bit 15 with bits 0-1: no item stands for it
        {0x400C, 0, 0, 7},
        {0x4004, 0, 0, 5},
        {0x0FF0, 0, 0, 0},
    };
    for (const auto& r : reads) {
        ServoCommandItems got = unpackServoCommand(r.value);
        EXPECT_EQ(got.command, r.command) << std::hex << r.value;
        EXPECT_EQ(got.format1, r.format1) << std::hex << r.value;
        EXPECT_EQ(got.format2, r.format2) << std::hex << r.value;
    }
    // Whatever the drive holds, its items (those of unchanged boxes) pack back into it.
    for (uint32_t value = 0; value <= 0xFFFF; ++value) {
        const uint16_t other = static_cast<uint16_t>(value ^ 0xF00F);
        ASSERT_EQ(packServoCommand(other, unpackServoCommand(static_cast<uint16_t>(value))), value) << std::hex << value;
    }
    // Every selectable combination written and read back gives the same items; bits 4-11 stay.
    for (long command : {0L, 2L, 3L, kDigitalAnalogSpeedItem})
        for (long f1 = 0; f1 <= 4; ++f1)
            for (long f2 = 0; f2 <= 4; ++f2) {
                uint16_t packed = packServoCommand(0xFFFF, {command, f1, f2});
                EXPECT_EQ(packed & 0x0FF0, 0x0FF0);
                ServoCommandItems back = unpackServoCommand(packed);
                EXPECT_EQ(back.command, command);
                EXPECT_EQ(back.format1, f1);
                EXPECT_EQ(back.format2, f2);
            }
}

TEST(SettingsLogic, CurrentReadoutsOnlyFromWholeNumbers) {
    EXPECT_EQ(currentReadout(20, "100", kImaxCurrentFactor), "4.2");
    EXPECT_EQ(currentReadout(20, "100", kIcontCurrentFactor), "2.0");
    EXPECT_EQ(currentReadout(300, "-50", kIcontCurrentFactor), "-15.0");
    EXPECT_EQ(currentReadout(0, "100", kImaxCurrentFactor), "0.0");
    for (const char* text : {"", "0xc4", "1.5", "+", "12a", "99999999999999999999999"})
        EXPECT_FALSE(currentReadout(20, text, kImaxCurrentFactor)) << text;
}

TEST(SettingsLogic, ServoTypeKeyUsesTheLowestByte) {
    EXPECT_EQ(servoTypeKey(0x1203), "Servo Type 3");
    EXPECT_EQ(servoTypeKey(0xFFFFFFFF), "Servo Type 255");
    EXPECT_EQ(servoTypeKey(0), "Servo Type 0");
}

TEST(SettingsLogic, ButtonGateFollowsOnlineStateCommandsAndStatus) {
    SettingsButtonGate gate;
    EXPECT_FALSE(gate.pageButtonsEnabled()) << "offline at start";
    EXPECT_FALSE(gate.setButtonsEnabled());

    // A status report while not allowed (offline, or a file viewed) enables nothing.
    EXPECT_TRUE(gate.takeStatus(gate.generation(), false));
    EXPECT_FALSE(gate.setButtonsEnabled());

    const int beforeOnline = gate.generation();
    gate.setAllowed(true);
    EXPECT_TRUE(gate.pageButtonsEnabled());
    EXPECT_TRUE(gate.setButtonsEnabled());
    EXPECT_TRUE(gate.mailEnabled(true));
    EXPECT_FALSE(gate.mailEnabled(false));

    EXPECT_TRUE(gate.takeStatus(gate.generation(), true));
    EXPECT_FALSE(gate.setButtonsEnabled()) << "status bit 0 blocks loading and the sets";
    EXPECT_TRUE(gate.pageButtonsEnabled()) << "but nothing else";
    EXPECT_FALSE(gate.takeStatus(beforeOnline, false)) << "a report from before going online is stale";
    EXPECT_FALSE(gate.setButtonsEnabled());
    EXPECT_TRUE(gate.takeStatus(gate.generation(), false));
    EXPECT_TRUE(gate.setButtonsEnabled());

    gate.setHeld(true);
    EXPECT_FALSE(gate.pageButtonsEnabled()) << "a running command holds every button";
    EXPECT_FALSE(gate.setButtonsEnabled());
    EXPECT_TRUE(gate.takeStatus(gate.generation(), false));
    EXPECT_FALSE(gate.setButtonsEnabled()) << "the status cannot undo the hold";
    gate.setHeld(false);
    EXPECT_TRUE(gate.setButtonsEnabled());

    const int online = gate.generation();
    gate.setAllowed(false);
    EXPECT_FALSE(gate.takeStatus(online, false));
    EXPECT_FALSE(gate.pageButtonsEnabled());
    EXPECT_FALSE(gate.setButtonsEnabled());
}

}  // namespace
}  // namespace torvex::settings
