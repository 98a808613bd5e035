// Field rules without a window: how register values are shown, how typed texts are
// checked, converted, limited and written, and the four-character text register.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <set>

#include "link/i18n.h"
#include "link/message_seam.h"
#include "link/registers.h"
#include "widgets/field_logic.h"

namespace torvex {
namespace {

// Registers of the table used below:
constexpr int kSigned16 = 0x34;     // SPEED_LIMIT
constexpr int kUnsigned16 = 0x46;   // I_LIMIT
constexpr int kHex16 = 0x73;        // CAN_BTR (signed 16)
constexpr int kSigned32 = 0xD1;     // VAR1
constexpr int kUnsigned32 = 0x65;   // DEVICE_EXT_REGEN_POWE
constexpr int kSerial32 = 0x62;     // DEVICE_SERIAL_NUMBER (unsigned 32)
constexpr int kSigned32b = 0x88;    // CAN_ID_RX_2 (signed 32)
constexpr int kAxisName = 0xF8;

// A drive in memory that records what is written.
class FakeRegisters : public RegisterAccess {
public:
    uint32_t read16(uint32_t reg, uint16_t* value) override {
        ++reads;
        if (failReads.count(reg)) return 1;
        *value = static_cast<uint16_t>(values[reg]);
        return 0;
    }
    uint32_t read32(uint32_t reg, uint32_t* value) override {
        ++reads;
        if (failReads.count(reg)) return 1;
        *value = values[reg];
        return 0;
    }
    uint32_t write16(uint32_t reg, uint16_t value) override {
        writes.push_back({reg, value, 16});
        if (failWrites) return 1;
        values[reg] = filter ? filter(reg, value) : value;
        return 0;
    }
    uint32_t write32(uint32_t reg, uint32_t value) override {
        writes.push_back({reg, value, 32});
        if (failWrites) return 1;
        values[reg] = filter ? filter(reg, value) : value;
        return 0;
    }
    bool usable() const override { return true; }

    struct Write {
        uint32_t reg;
        uint32_t value;
        int width;
    };
    std::map<uint32_t, uint32_t> values;
    std::set<uint32_t> failReads;
    bool failWrites = false;
    int reads = 0;
    std::vector<Write> writes;
    std::function<uint32_t(uint32_t, uint32_t)> filter;
};

class FieldLogic : public ::testing::Test {
protected:
    void SetUp() override {
        buildRegisterCache();
        previous_ = setMessageHandler([this](const MessageRequest& request) {
            boxes.push_back(request);
            return int(kMsgOk);
        });
    }
    void TearDown() override {
        setMessageHandler(previous_);
        setTranslator(nullptr);
    }

    bool write(const FieldFormat& format, const std::string& typed, const RegisterLimits* limits = nullptr,
               const std::string& prefix = "") {
        shown.clear();
        return validateAndWriteText(drive, format, limits, prefix, typed,
                                    [this](const std::string& text) { shown = text; });
    }

    FakeRegisters drive;
    std::vector<MessageRequest> boxes;
    std::string shown;
    MessageHandler previous_;
};

FieldFormat plain(int reg, int part = 0) { return FieldFormat{reg, 0, 0, 1, false, part}; }
FieldFormat hex(int reg) { return FieldFormat{reg, 0, 0, 1, true, 0}; }
FieldFormat scaled(int reg, int scale, int decimals, int part = 0) { return FieldFormat{reg, 0, scale, decimals, false, part}; }
FieldFormat percent(int reg, int base) { return FieldFormat{reg, base, 0, 1, false, 0}; }

TEST_F(FieldLogic, FormatsEveryKindOfField) {
    struct Case {
        const char* what;
        FieldFormat format;
        uint32_t raw;
        const char* text;
    } cases[] = {
        {"signed 16", plain(kSigned16), 0xFFFF, "-1"},
        {"unsigned 16", plain(kUnsigned16), 0xFFFF, "65535"},
        {"hex 16 zero-extended", hex(kHex16), 0xFFFF, "ffff"},
        {"hex 16 zero", hex(kHex16), 0, "0"},
        {"hex 32 no leading zeros", hex(kSigned32), 0x0000ABCD, "abcd"},
        {"hex 32 top bit", hex(kSigned32), 0x80000000, "80000000"},
        {"unsigned 32", plain(kSerial32), 0x80000000, "2147483648"},
        {"signed 32", plain(kSigned32), 0x80000000, "-2147483648"},
        {"scale 10 one decimal", scaled(kSigned16, 10, 1), 15, "1.5"},
        {"scale 10 negative", scaled(kSigned16, 10, 1), 0xFFF1, "-1.5"},
        {"scale 100 two decimals", scaled(kSigned16, 100, 2), 115, "1.15"},
        {"scale 10 no decimals", scaled(kSigned16, 10, 0), 37, "4"},
        {"odd decimals print one", scaled(kSigned16, 10, 7), 15, "1.5"},
        {"scale 4096 high half", scaled(kSigned32b, 4096, 3, 2), 0x10000000, "1.000"},
        {"scale 4096 high half negative", scaled(kSigned32b, 4096, 3, 2), 0xF8000000, "-0.500"},
        // A value just below zero shows as zero, never as "-0".
        {"scale 4096 just below zero", scaled(kSigned32b, 4096, 3, 2), 0xFFFF0000, "0.000"},
        {"scale 10 no decimals just below zero", scaled(kSigned16, 10, 0), 0xFFFD, "0"},
        {"percent half", percent(kSigned16, 0x7FFF), 16383, "50"},
        {"percent full", percent(kSigned16, 0x7FFF), 32767, "100"},
        {"percent negative half", percent(kSigned16, 0x7FFF), uint16_t(-16383), "-50"},
        {"percent 0x3FFF", percent(kSigned16, 0x3FFF), 8191, "50"},
        {"low half signed", plain(kSigned32b, 1), 0x1234ABCD, "-21555"},
        {"low half signed at its lowest", plain(kSigned32b, 1), 0x00008000, "-32768"},
        {"low half signed at its highest", plain(kSigned32b, 1), 0xFFFF7FFF, "32767"},
        {"high half signed at its lowest", plain(kSigned32b, 2), 0x80000000, "-32768"},
        {"high half signed at its highest", plain(kSigned32b, 2), 0x7FFFFFFF, "32767"},
        {"high half signed all ones", plain(kSigned32b, 2), 0xFFFF1234, "-1"},
        {"high half unsigned", plain(kUnsigned32, 2), 0xFFFF0000, "65535"},
        {"low half unsigned", plain(kUnsigned32, 1), 0x0000FFFF, "65535"},
        {"unbound", plain(0), 7, "7"},
    };
    for (const auto& c : cases) EXPECT_EQ(formatRawValue(c.format, c.raw), c.text) << c.what;
}

TEST_F(FieldLogic, ChecksAndConvertsEntries) {
    struct Case {
        const char* what;
        FieldFormat format;
        const char* text;
        EntryCheck::Kind kind;
        int64_t value;
        const char* message;
    } cases[] = {
        {"plus sign", plain(kSigned16), "+5", EntryCheck::Ok, 5, ""},
        {"decimal point in whole field", plain(kSigned16), "5.0", EntryCheck::NotNumber, 0, kMsgNotNumber},
        {"empty whole field is zero", plain(kSigned16), "", EntryCheck::Ok, 0, ""},
        {"letters", plain(kSigned16), "12a", EntryCheck::NotNumber, 0, kMsgNotNumber},
        {"blank", plain(kSigned16), " 5", EntryCheck::NotNumber, 0, kMsgNotNumber},
        {"hex digits", hex(kHex16), "FF", EntryCheck::Ok, 255, ""},
        {"hex prefix refused", hex(kHex16), "0x10", EntryCheck::NotHex, 0, kMsgNotHex},
        {"hex sign refused", hex(kHex16), "-1", EntryCheck::NotHex, 0, kMsgNotHex},
        {"hex empty is zero", hex(kHex16), "", EntryCheck::Ok, 0, ""},
        {"hex 16 full", hex(kHex16), "ffff", EntryCheck::Ok, 0xFFFF, ""},
        {"hex 16 too wide", hex(kHex16), "10000", EntryCheck::TooBig, 0, "Zahl zu gross, max. 65535!"},
        {"hex 32 top", hex(kSigned32), "ffffffff", EntryCheck::Ok, 0xFFFFFFFFLL, ""},
        {"hex 32 sign bit", hex(kSigned32), "80000000", EntryCheck::Ok, 0x80000000LL, ""},
        {"hex 32 nine digits", hex(kSigned32), "100000000", EntryCheck::TooBig, 0, "Zahl zu gross, max. 4294967295!"},
        {"hex 32 leading zeros", hex(kSigned32), "000000001", EntryCheck::Ok, 1, ""},
        {"scaled", scaled(kSigned16, 10, 1), "1.5", EntryCheck::Ok, 15, ""},
        {"scaled rounds to nearest", scaled(kSigned16, 100, 2), "1.15", EntryCheck::Ok, 115, ""},
        {"scaled rounds negative", scaled(kSigned16, 100, 2), "-1.15", EntryCheck::Ok, -115, ""},
        {"scaled 4096", scaled(kSigned32b, 4096, 3, 2), "0.1", EntryCheck::Ok, 410, ""},
        {"scaled plus and blank", scaled(kSigned16, 10, 1), " +1.5", EntryCheck::Ok, 15, ""},
        {"scaled comma", scaled(kSigned16, 10, 1), "1,5", EntryCheck::NotNumber, 0, kMsgNotNumber},
        {"scaled empty", scaled(kSigned16, 10, 1), "", EntryCheck::NotNumber, 0, kMsgNotNumber},
        {"scaled trailing text", scaled(kSigned16, 10, 1), "1.5x", EntryCheck::NotNumber, 0, kMsgNotNumber},
        {"scaled nan", scaled(kSigned16, 10, 1), "nan", EntryCheck::NotNumber, 0, kMsgNotNumber},
        {"scaled overflow", scaled(kSigned16, 10, 1), "1e999", EntryCheck::NotNumber, 0, kMsgNotNumber},
        {"scaled inf", scaled(kSigned16, 10, 1), "inf", EntryCheck::TooBig, 0, "Zahl zu gross, max. 3276.7!"},
        {"scaled minus inf", scaled(kSigned16, 100, 2), "-inf", EntryCheck::TooSmall, 0, "Zahl zu klein, min. -327.68!"},
        {"scaled beyond 32 bits", scaled(kSigned32, 10, 0), "1e12", EntryCheck::TooBig, 0,
         "Zahl zu gross, max. 214748365!"},
        {"signed 16 too big", plain(kSigned16), "40000", EntryCheck::TooBig, 0, "Zahl zu gross, max. 32767!"},
        {"signed 16 too small", plain(kSigned16), "-40000", EntryCheck::TooSmall, 0, "Zahl zu klein, min. -32768!"},
        {"unsigned 16 negative", plain(kUnsigned16), "-1", EntryCheck::TooSmall, 0, "Zahl zu klein, min. 0!"},
        {"unsigned 16 top", plain(kUnsigned16), "65535", EntryCheck::Ok, 65535, ""},
        {"signed 32 too big", plain(kSigned32), "2147483648", EntryCheck::TooBig, 0, "Zahl zu gross, max. 2147483647!"},
        {"signed 32 bottom", plain(kSigned32), "-2147483648", EntryCheck::Ok, INT32_MIN, ""},
        {"unsigned 32 top", plain(kSerial32), "4294967295", EntryCheck::Ok, 4294967295LL, ""},
        {"unsigned 32 beyond", plain(kSerial32), "4294967296", EntryCheck::TooBig, 0, "Zahl zu gross, max. 4294967295!"},
        {"far beyond 64 bits", plain(kSigned32), "99999999999999999999999", EntryCheck::TooBig, 0,
         "Zahl zu gross, max. 2147483647!"},
        {"signed half", plain(kSigned32b, 1), "-1", EntryCheck::Ok, -1, ""},
        {"signed half too big", plain(kSigned32b, 2), "40000", EntryCheck::TooBig, 0, "Zahl zu gross, max. 32767!"},
        {"unsigned half top", plain(kUnsigned32, 2), "65535", EntryCheck::Ok, 65535, ""},
        {"unsigned half negative", plain(kUnsigned32, 1), "-5", EntryCheck::TooSmall, 0, "Zahl zu klein, min. 0!"},
        {"percent 50 of 0x7fff", percent(kSigned16, 0x7FFF), "50", EntryCheck::Ok, 16383, ""},
        {"percent 100 of 0x3fff", percent(kSigned16, 0x3FFF), "100", EntryCheck::Ok, 0x3FFF, ""},
        {"percent beyond register", percent(kSigned16, 0x7FFF), "101", EntryCheck::TooBig, 0, "Zahl zu gross, max. 32767!"},
        {"unbound still checks syntax", plain(0), "abc", EntryCheck::NotNumber, 0, kMsgNotNumber},
        {"unbound accepts anything numeric", plain(0), "99999999999", EntryCheck::Ok, 0, ""},
    };
    for (const auto& c : cases) {
        EntryCheck check = checkFieldEntry(c.format, c.text, nullptr);
        EXPECT_EQ(check.kind, c.kind) << c.what;
        EXPECT_EQ(check.message, c.message) << c.what;
        if (c.kind == EntryCheck::Ok) {
            EXPECT_EQ(check.value, c.value) << c.what;
        }
    }
}

TEST_F(FieldLogic, LimitsMaximumFirstAndShownInTheFieldsUnits) {
    RegisterLimits limits;
    limits.maximum[kSigned16] = 1000;
    limits.minimum[kSigned16] = -50;
    struct Case {
        const char* what;
        FieldFormat format;
        const char* text;
        const char* message;
    } cases[] = {
        {"scaled maximum", scaled(kSigned16, 10, 1), "100.1", "Zahl zu gross, max. 100.0!"},
        {"scaled maximum no decimals", scaled(kSigned16, 10, 0), "101", "Zahl zu gross, max. 100!"},
        {"scaled minimum two decimals", scaled(kSigned16, 100, 2), "-0.51", "Zahl zu klein, min. -0.50!"},
        {"scaled minimum three decimals", scaled(kSigned16, 100, 3), "-0.51", "Zahl zu klein, min. -0.500!"},
        {"plain maximum", plain(kSigned16), "1001", "Zahl zu gross, max. 1000!"},
        {"plain minimum", plain(kSigned16), "-51", "Zahl zu klein, min. -50!"},
        {"percent field reports raw limit", percent(kSigned16, 0x7FFF), "4", "Zahl zu gross, max. 1000!"},
        {"hex field reports raw limit", hex(kSigned16), "3e9", "Zahl zu gross, max. 1000!"},
        {"limit before register range", plain(kSigned16), "40000", "Zahl zu gross, max. 1000!"},
        {"at the maximum", plain(kSigned16), "1000", ""},
        {"at the minimum", plain(kSigned16), "-50", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(checkFieldEntry(c.format, c.text, &limits).message, c.message) << c.what;

    // The maximum is looked at first: with limits that contradict each other, a value
    // above the maximum (and below the minimum) is reported as too big.
    RegisterLimits crossed;
    crossed.maximum[kSigned16] = 5;
    crossed.minimum[kSigned16] = 10;
    EXPECT_EQ(checkFieldEntry(plain(kSigned16), "7", &crossed).kind, EntryCheck::TooBig);
    EXPECT_EQ(checkFieldEntry(plain(kSigned16), "3", &crossed).kind, EntryCheck::TooSmall);

    // One side only, and no entry at all.
    RegisterLimits onlyMaximum;
    onlyMaximum.maximum[kSigned16] = 10;
    EXPECT_EQ(checkFieldEntry(plain(kSigned16), "-30000", &onlyMaximum).kind, EntryCheck::Ok);
    EXPECT_EQ(checkFieldEntry(plain(kSigned16), "11", &onlyMaximum).kind, EntryCheck::TooBig);
    EXPECT_EQ(checkFieldEntry(plain(kUnsigned16), "60000", &onlyMaximum).kind, EntryCheck::Ok);

    // Halves are limited by their own value, before the merge.
    RegisterLimits halfLimit;
    halfLimit.maximum[kUnsigned32] = 100;
    EXPECT_EQ(checkFieldEntry(plain(kUnsigned32, 2), "101", &halfLimit).kind, EntryCheck::TooBig);
    EXPECT_EQ(checkFieldEntry(plain(kUnsigned32, 2), "100", &halfLimit).kind, EntryCheck::Ok);
}

TEST_F(FieldLogic, ScaledAndPercentTextsSurviveTheRoundTrip) {
    // Every value a two-decimal field can show comes back as the same raw value and text.
    FieldFormat format = scaled(kSigned16, 100, 2);
    for (int raw = -32768; raw <= 32767; ++raw) {
        std::string text = formatRawValue(format, static_cast<uint16_t>(raw));
        EntryCheck check = checkFieldEntry(format, text, nullptr);
        ASSERT_EQ(check.kind, EntryCheck::Ok) << text;
        ASSERT_EQ(check.value, raw) << text;
    }
    // Every whole percent typed shows as itself after the write.
    for (int base : {0x3FFF, 0x7FFF}) {
        FieldFormat percentField = percent(kSigned16, base);
        for (int p = -100; p <= 100; ++p) {
            EntryCheck check = checkFieldEntry(percentField, std::to_string(p), nullptr);
            ASSERT_EQ(check.kind, EntryCheck::Ok);
            ASSERT_EQ(formatRawValue(percentField, static_cast<uint16_t>(check.value)), std::to_string(p))
                << "base " << base;
        }
    }
}

TEST_F(FieldLogic, WritesByWidthAndMergesHalves) {
    drive.values[kUnsigned32] = 0x12345678;
    drive.writes.clear();
    ASSERT_TRUE(write(plain(kUnsigned32, 1), "43981"));  // 0xABCD
    ASSERT_EQ(drive.writes.size(), 1u);
    EXPECT_EQ(drive.values[kUnsigned32], 0x1234ABCDu);
    EXPECT_EQ(drive.writes.back().width, 32);

    drive.values[kUnsigned32] = 0x12345678;
    ASSERT_TRUE(write(plain(kUnsigned32, 2), "43981"));
    EXPECT_EQ(drive.values[kUnsigned32], 0xABCD5678u);
    EXPECT_EQ(shown, "43981");

    // A negative half keeps the other half untouched.
    drive.values[kSigned32b] = 0x12345678;
    ASSERT_TRUE(write(plain(kSigned32b, 2), "-1"));
    EXPECT_EQ(drive.values[kSigned32b], 0xFFFF5678u);
    drive.values[kSigned32b] = 0x12345678;
    ASSERT_TRUE(write(plain(kSigned32b, 1), "-2"));
    EXPECT_EQ(drive.values[kSigned32b], 0x1234FFFEu);

    drive.writes.clear();
    ASSERT_TRUE(write(plain(kSigned16), "-1"));
    ASSERT_EQ(drive.writes.size(), 1u);
    EXPECT_EQ(drive.writes.back().width, 16);
    EXPECT_EQ(drive.writes.back().value, 0xFFFFu);

    drive.writes.clear();
    ASSERT_TRUE(write(hex(kSigned32), "ffffffff"));
    ASSERT_EQ(drive.writes.size(), 1u);
    EXPECT_EQ(drive.writes.back().width, 32);
    EXPECT_EQ(drive.writes.back().value, 0xFFFFFFFFu);
    EXPECT_EQ(shown, "ffffffff");

    drive.writes.clear();
    ASSERT_TRUE(write(scaled(kSigned16, 100, 2), "1.15"));
    ASSERT_EQ(drive.writes.size(), 1u);
    EXPECT_EQ(drive.writes.back().value, 115u);
    EXPECT_TRUE(boxes.empty());

    drive.writes.clear();
    ASSERT_TRUE(write(plain(kSerial32), "4294967295"));
    ASSERT_EQ(drive.writes.size(), 1u);
    EXPECT_EQ(drive.writes.back().value, 0xFFFFFFFFu);
    EXPECT_EQ(shown, "4294967295");
    EXPECT_TRUE(boxes.empty());
}

TEST_F(FieldLogic, WarnsWhenTheDriveKeepsAnotherValue) {
    drive.filter = [](uint32_t, uint32_t value) { return std::min<uint32_t>(value, 3000); };
    ASSERT_TRUE(write(plain(kUnsigned16), "5000"));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Value changed by the Drive (5000 -> 3000)!");
    EXPECT_EQ(boxes[0].caption, "Warning");
    EXPECT_EQ(boxes[0].style, kMsgOk | kMsgIconExclamation);
    EXPECT_EQ(shown, "3000");

    // A merely reformatted value warns too.
    boxes.clear();
    drive.filter = nullptr;
    drive.writes.clear();
    ASSERT_TRUE(write(scaled(kSigned16, 10, 2), "1.5"));
    ASSERT_EQ(drive.writes.size(), 1u);
    EXPECT_EQ(drive.writes.back().value, 15u);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Value changed by the Drive (1.5 -> 1.50)!");

    // "+5" is accepted and shown back as 5.
    boxes.clear();
    ASSERT_TRUE(write(plain(kSigned16), "+5"));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Value changed by the Drive (+5 -> 5)!");
}

TEST_F(FieldLogic, ChangeNoticesCarryTheUnitsTheReceiversCompare) {
    // Units leave out what does not change the text: a half of a 16-bit register, decimals
    // without a scale, a scale or percent base behind hexadecimal entry.
    EXPECT_EQ(unitsOf(plain(kSigned16, 1)), unitsOf(plain(kSigned16)));
    EXPECT_EQ(unitsOf(FieldFormat{kSigned16, 0, 0, 3, false, 0}), unitsOf(plain(kSigned16)));
    EXPECT_EQ(unitsOf(FieldFormat{kHex16, 0x7FFF, 10, 2, true, 0}), unitsOf(hex(kHex16)));
    EXPECT_NE(unitsOf(scaled(kSigned16, 10, 1)), unitsOf(scaled(kSigned16, 10, 2)));
    EXPECT_NE(unitsOf(plain(kSigned16), FieldKind::Speed), unitsOf(plain(kSigned16)));

    // They travel packed in the notice and come back whole; 0 is a notice without units.
    for (const FieldUnits& units :
         {unitsOf(plain(kSigned32, 2)), unitsOf(percent(kSigned16, 0x7FFF)), unitsOf(scaled(kSigned32, 4096, 3, 2)),
          unitsOf(hex(kHex16)), unitsOf(plain(kSigned32), FieldKind::Position)}) {
        const long code = encodeFieldUnits(units);
        ASSERT_NE(code, 0);
        ASSERT_TRUE(decodeFieldUnits(code).has_value());
        EXPECT_EQ(*decodeFieldUnits(code), units);
    }
    EXPECT_FALSE(decodeFieldUnits(0).has_value());
    FieldUnits tooLarge;
    tooLarge.scale = 1 << 30;
    EXPECT_EQ(encodeFieldUnits(tooLarge), 0) << "units that do not fit are sent as none";

    using Action = FollowAction;
    const FieldUnits raw = unitsOf(plain(kSigned16));
    const FieldUnits pct = unitsOf(percent(kSigned16, 0x7FFF));
    const FieldUnits whole32 = unitsOf(plain(kSigned32));
    const FieldUnits low = unitsOf(plain(kSigned32, 1));
    const FieldUnits high = unitsOf(plain(kSigned32, 2));
    struct Case {
        const char* what;
        FieldUnits mine;
        std::optional<FieldUnits> sender;
        const char* text;
        bool usable;
        Action action;
    } cases[] = {
        {"same units", pct, pct, "50", true, Action::TakeText},
        {"same units, unconfirmed", pct, pct, "", true, Action::TakeText},
        {"same units, drive gone", pct, pct, "50", false, Action::TakeText},
        {"other units", raw, pct, "50", true, Action::Reread},
        {"other units, unconfirmed", raw, pct, "", true, Action::ShowNothing},
        {"other units, drive gone", raw, pct, "50", false, Action::Keep},
        {"same half", low, low, "7", true, Action::TakeText},
        {"other half", high, low, "7", true, Action::Reread},
        {"other half, unconfirmed", high, low, "", true, Action::Keep},
        {"whole after a half", whole32, low, "7", true, Action::Reread},
        {"whole after a half, unconfirmed", whole32, low, "", true, Action::ShowNothing},
        {"half after the whole", low, whole32, "7", true, Action::Reread},
        {"no units, whole field", raw, std::nullopt, "7", true, Action::TakeText},
        {"no units, half field", low, std::nullopt, "7", true, Action::Reread},
        {"no units, half field, unconfirmed", low, std::nullopt, "", true, Action::ShowNothing},
    };
    for (const Case& c : cases) EXPECT_EQ(followAction(c.mine, c.sender, c.text, c.usable), c.action) << c.what;
}

TEST_F(FieldLogic, ReportsFailuresWithTheirOwnTexts) {
    // Refused entries carry the prefix, and nothing is written.
    ASSERT_FALSE(write(plain(kSigned16), "5.0", nullptr, "Kp: "));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Kp: Falsche Eingabe (keine Nummer)!");
    EXPECT_EQ(boxes[0].caption, "Error");
    EXPECT_EQ(boxes[0].style, kMsgOk | kMsgIconError);
    EXPECT_TRUE(drive.writes.empty());

    boxes.clear();
    drive.failWrites = true;
    ASSERT_FALSE(write(plain(kSigned16), "5", nullptr, "Kp: "));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Fehler beim Beschreiben des Registers 0x34!");
    EXPECT_TRUE(shown.empty());
    drive.failWrites = false;

    // The half merge needs the other half first.
    boxes.clear();
    drive.writes.clear();
    drive.failReads.insert(kUnsigned32);
    ASSERT_FALSE(write(plain(kUnsigned32, 1), "5"));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Fehler beim Lesen des Registers 0x65!");
    EXPECT_TRUE(drive.writes.empty());

    // Read-back failing after a good write: one read box, false.
    boxes.clear();
    drive.failReads = {kSigned16};
    ASSERT_FALSE(write(plain(kSigned16), "5"));
    EXPECT_EQ(drive.writes.size(), 1u);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Fehler beim Lesen des Registers 0x34!");

    // An unbound field writes nothing and succeeds.
    boxes.clear();
    drive.writes.clear();
    ASSERT_TRUE(write(plain(0), "12"));
    EXPECT_TRUE(drive.writes.empty());
    EXPECT_TRUE(boxes.empty());
    EXPECT_TRUE(readFieldText(drive, plain(0), [](const std::string&) { FAIL() << "nothing to show"; }));
}

TEST_F(FieldLogic, EachEntryEndsInOneOutcome) {
    // A read-back that fails after the write went out must be told apart from a write that
    // never left: only then can the field avoid showing its old text as the drive's value.
    struct Case {
        const char* what;
        FieldFormat format;
        const char* typed;
        bool failWrite;
        std::set<uint32_t> failReads;
        WriteOutcome outcome;
        size_t writes;
    } cases[] = {
        {"refused text", plain(kSigned16), "x", false, {}, WriteOutcome::Refused, 0},
        {"write fails", plain(kSigned16), "5", true, {}, WriteOutcome::NotWritten, 1},
        {"half merge read fails", plain(kUnsigned32, 1), "5", false, {kUnsigned32}, WriteOutcome::NotWritten, 0},
        {"read-back fails", hex(kHex16), "1c", false, {kHex16}, WriteOutcome::Unconfirmed, 1},
        {"read back", hex(kHex16), "1c", false, {}, WriteOutcome::Confirmed, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        drive.writes.clear();
        drive.failWrites = c.failWrite;
        drive.failReads = c.failReads;
        shown.clear();
        WriteOutcome outcome = writeFieldText(drive, c.format, nullptr, "", c.typed,
                                              [this](const std::string& text) { shown = text; });
        EXPECT_EQ(outcome, c.outcome);
        EXPECT_EQ(drive.writes.size(), c.writes);
        EXPECT_EQ(validateAndWriteText(drive, c.format, nullptr, "", c.typed, [](const std::string&) {}),
                  c.outcome == WriteOutcome::Confirmed);
        if (c.outcome != WriteOutcome::Confirmed) {
            EXPECT_TRUE(shown.empty()) << "nothing is shown as read";
        }
    }
}

TEST_F(FieldLogic, MessagesAreTranslatedBeforeTheyAreFilled) {
    setTranslator([](const std::string& key) -> std::string {
        if (key == "Zahl zu gross, max. %.01f!") return "Nombre trop grand, max. %.01f !";
        if (key == "Value changed by the Drive (%s -> %s)!") return "Wert geändert (%s -> %s)!";
        if (key == "Warning") return "Warnung";
        return key;
    });
    RegisterLimits limits;
    limits.maximum[kSigned16] = 1000;
    ASSERT_FALSE(write(scaled(kSigned16, 10, 1), "200", &limits, "Speed: "));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Speed: Nombre trop grand, max. 100.0 !");

    // A typed text containing "%s" is shown as typed and does not take the second place.
    boxes.clear();
    EXPECT_EQ(fillTwoTexts(tr("Value changed by the Drive (%s -> %s)!"), "a%sb", "7"), "Wert geändert (a%sb -> 7)!");
}

// A locale with a decimal comma: the system's, or one compiled for the test.
const char* commaLocale() {
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8"})
        if (std::setlocale(LC_NUMERIC, name)) return name;
    char folder[] = "/tmp/torvex-locale-XXXXXX";
    if (!mkdtemp(folder)) return nullptr;
    std::string command = std::string("localedef -i de_DE -f UTF-8 ") + folder + "/de_DE.UTF-8 >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0) return nullptr;
    setenv("LOCPATH", folder, 1);
    const char* chosen = std::setlocale(LC_NUMERIC, "de_DE.UTF-8") ? "de_DE.UTF-8" : nullptr;
    std::filesystem::remove_all(folder);  // a loaded locale stays in force
    return chosen;
}

TEST_F(FieldLogic, NumbersIgnoreTheProcessLocale) {
    if (!commaLocale()) GTEST_SKIP() << "no locale with a decimal comma can be had";
    char probe[16];
    std::snprintf(probe, sizeof probe, "%.1f", 1.5);
    ASSERT_STREQ(probe, "1,5") << "the locale is not in force";
    EXPECT_EQ(formatDecimals(1.5, 2), "1.50");
    EXPECT_EQ(formatRawValue(scaled(kSigned16, 100, 2), 150), "1.50");
    EXPECT_EQ(checkFieldEntry(scaled(kSigned16, 10, 1), "1.5", nullptr).value, 15);
    EXPECT_EQ(checkFieldEntry(scaled(kSigned16, 10, 1), "1,5", nullptr).kind, EntryCheck::NotNumber);
    RegisterLimits limits;
    limits.maximum[kSigned16] = 1000;
    EXPECT_EQ(checkFieldEntry(scaled(kSigned16, 100, 2), "11", &limits).message, "Zahl zu gross, max. 10.00!");
    std::setlocale(LC_NUMERIC, "C");
}

TEST_F(FieldLogic, StepsOnlyFromWholeNumbers) {
    struct Case {
        const char* saved;
        std::optional<long> start;
    } cases[] = {{"7", 7}, {"-3", -3}, {"+4", 4}, {"1.5", std::nullopt}, {"ff", std::nullopt},
                 {"0x59", std::nullopt}, {"", std::nullopt}, {"-", std::nullopt}, {"1 ", std::nullopt}};
    for (const auto& c : cases) EXPECT_EQ(stepStartValue(c.saved), c.start) << c.saved;
}

TEST_F(FieldLogic, DisplaysAndLampsReadTheirValues) {
    struct Display {
        int reg, part, percentBase;
        uint32_t raw;
        int32_t value;
    } displays[] = {
        {kSigned16, 0, 0, 0xFFFF, -1},
        {kUnsigned16, 0, 0, 0xFFFF, 65535},
        {kSigned16, 0, 0x7FFF, 16383, 50},
        {kSigned16, 0, 0x7FFF, uint16_t(-16383), -50},
        {kUnsigned16, 0, 0x7FFF, 0xFFFF, 200},
        {kSerial32, 0, 0, 0x80000000, INT32_MIN},  // the bits; the display shows it unsigned
        {kSigned32b, 2, 0, 0xFFFF0000, -1},
        {kUnsigned32, 2, 0, 0xFFFF0000, 65535},
        {kSigned32b, 1, 0x7FFF, 0x00003FFF, 50},
        {kSigned32b, 1, 0, 0x00008000, -32768},
        {kSigned32b, 1, 0, 0xFFFF7FFF, 32767},
        {kSigned32b, 2, 0, 0x8000FFFF, -32768},
    };
    for (const auto& d : displays)
        EXPECT_EQ(displayValueOf(d.reg, d.part, d.percentBase, d.raw), d.value) << std::hex << d.reg;

    EXPECT_EQ(bitLabelValueOf(kSigned16, 0x8000), 0xFFFF8000u);
    EXPECT_EQ(bitLabelValueOf(kUnsigned16, 0x8000), 0x8000u);
    EXPECT_EQ(bitLabelValueOf(kSigned32, 0x80000000), 0x80000000u);
    EXPECT_TRUE(bitLampLit(0x4, 2, false));
    EXPECT_FALSE(bitLampLit(0x4, 2, true));
    EXPECT_FALSE(bitLampLit(0x0, 2, false));
    EXPECT_TRUE(bitLampLit(0x0, 2, true));
    EXPECT_TRUE(bitLampLit(bitLabelValueOf(kSigned16, 0x8000), 31, false));
}

TEST_F(FieldLogic, AxisNameIsFourCharactersLowestFirst) {
    EXPECT_EQ(packAsciiRegister(U"AB"), 0x20204241u);
    EXPECT_EQ(packAsciiRegister(U"ABCD"), 0x44434241u);
    EXPECT_EQ(unpackAsciiRegister(0x44434241u), U"ABCD");
    EXPECT_EQ(unpackAsciiRegister(0x00004241u), U"AB");
    EXPECT_EQ(unpackAsciiRegister(0), U"");
    EXPECT_EQ(unpackAsciiRegister(packAsciiRegister(U"\u00e4x")), U"\u00e4x  ");

    std::u32string shownText;
    auto show = [&](const std::u32string& text) { shownText = text; };
    ASSERT_TRUE(writeAsciiText(drive, kAxisName, "", U"AB", show));
    EXPECT_EQ(drive.values[kAxisName], 0x20204241u);
    EXPECT_EQ(shownText, U"AB  ");
    EXPECT_TRUE(boxes.empty());

    drive.filter = [](uint32_t, uint32_t) { return 0x5A5A5A5Au; };
    ASSERT_TRUE(writeAsciiText(drive, kAxisName, "", U"AB", show));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Value changed by the Drive (AB   -> ZZZZ)!");

    boxes.clear();
    drive.writes.clear();
    ASSERT_FALSE(writeAsciiText(drive, kAxisName, "Achse: ", U"ABCDE", show));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Achse: Zuviele Zeichen (max 4)!");
    EXPECT_TRUE(drive.writes.empty());

}

}  // namespace
}  // namespace torvex
